#pragma once

#include <memory>

// Tells code that raised an event whether the object that raised it still
// lives, since a handler may delete its sender. A component holds one token
// and clears it first thing in its destructor; a watch taken before a handler
// runs reads false from then on, even after the token itself is gone.
class TLifeToken {
public:
    class TWatch {
    public:
        bool Alive() const { return *FAlive; }

    private:
        friend class TLifeToken;
        explicit TWatch(std::shared_ptr<const bool> Alive) : FAlive(std::move(Alive)) {}
        std::shared_ptr<const bool> FAlive;
    };

    TLifeToken() = default;
    ~TLifeToken() { Clear(); }
    TLifeToken(const TLifeToken&) = delete;
    TLifeToken& operator=(const TLifeToken&) = delete;

    TWatch Watch() const { return TWatch(FAlive); }
    // Marks the owner as going: every watch reads false from now on.
    void Clear() { *FAlive = false; }

private:
    std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};
