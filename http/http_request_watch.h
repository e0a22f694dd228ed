#pragma once

#include <cstdint>

#include "base/life_token.h"

class THttpClient;

// Taken by a step of a client's request before it raises an event. The step
// goes on afterwards only while Runs: the client lives and that request still
// runs, since the handler may have deleted the client, aborted the request or
// started the next one.
class THttpRequestWatch {
public:
    explicit THttpRequestWatch(const THttpClient& Client);
    bool Runs() const;

private:
    TLifeToken::TWatch FLife;
    const THttpClient* FClient;
    std::uint64_t FRequest;
};
