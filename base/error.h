#pragma once

#include <stdexcept>
#include <string>

// The one base of every exception this program throws (socket, HTTP, INI and
// conversion errors), so that a catch-all guard can tell our own failures from
// foreign ones. The message is kept as the thrower wrote it (8-bit text).
class EQuorvikError : public std::runtime_error {
public:
    explicit EQuorvikError(const std::string& message) : std::runtime_error(message) {}
};
