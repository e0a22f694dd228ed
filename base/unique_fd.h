#pragma once

#include <unistd.h>

// A file descriptor owned by this object and closed with it; -1 holds none.
class TUniqueFd {
public:
    explicit TUniqueFd(int fd) : FFd(fd) {}
    ~TUniqueFd() {
        if (FFd >= 0)
            ::close(FFd);
    }
    TUniqueFd(const TUniqueFd&) = delete;
    TUniqueFd& operator=(const TUniqueFd&) = delete;

    int Get() const { return FFd; }
    bool Valid() const { return FFd >= 0; }

private:
    int FFd;
};
