#pragma once

#include <utility>

#include "base/life_token.h"

// The one way every component raises an event. The handler is called through
// a copy, because it may assign its own event; the result tells whether the
// sender outlived the call, because the handler may delete it. Code that does
// more work after raising an event returns at once when this is false.
template <class TEvent, class... TArgs>
bool RaiseEvent(const TLifeToken& SenderLife, const TEvent& Event, TArgs&&... Args) {
    if (!Event)
        return true;
    const TLifeToken::TWatch Watch = SenderLife.Watch();
    const TEvent Handler = Event;
    Handler(std::forward<TArgs>(Args)...);
    return Watch.Alive();
}
