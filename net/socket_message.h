#pragma once

#include <QEvent>

#include <cstdint>
#include <string>
#include <vector>

// Private message numbers of a socket's notification endpoint. A message is
// posted as a QEvent of type QEvent::User + (number - kSocketMsgBase).
constexpr unsigned kSocketMsgBase = 1024;
constexpr unsigned WM_ASYNCSELECT = 1025;
constexpr unsigned WM_ASYNCGETHOSTBYNAME = 1026;
constexpr unsigned WM_ASYNCGETHOSTBYADDR = 1027;
constexpr unsigned WM_CLOSE_DELAYED = 1028;
constexpr unsigned WM_RELEASE = 1029;
constexpr unsigned WM_TEST_EXCEPTION = 1030;
constexpr unsigned WM_TRIGGER_DATA_AVAILABLE = 1044;
constexpr unsigned WM_QUIT_LOOP = 1045; // the quit message of a socket's own pump

// Readiness bits of WM_ASYNCSELECT (low 16 bits of LParam; error in the high 16).
constexpr std::uint32_t FD_READ_BIT = 1;
constexpr std::uint32_t FD_WRITE_BIT = 2;
constexpr std::uint32_t FD_OOB_BIT = 4;
constexpr std::uint32_t FD_ACCEPT_BIT = 8;
constexpr std::uint32_t FD_CONNECT_BIT = 16;
constexpr std::uint32_t FD_CLOSE_BIT = 32;

struct TSocketMessage {
    unsigned Msg = 0;
    std::intptr_t WParam = 0;         // socket handle or lookup task handle
    std::uint32_t LParam = 0;         // event bits | error << 16
    std::vector<std::string> Results; // lookup results: dotted addresses or a host name
    // Session of the socket that posted it to itself; 0 for notifications.
    // Descriptor numbers are reused at once on Linux, so the handle alone cannot
    // tell a stale self-posted notification from one for the current session.
    std::uint64_t Session = 0;
};

inline std::uint32_t MakeSelectParam(std::uint32_t Bits, int Error) {
    return (Bits & 0xFFFF) | (static_cast<std::uint32_t>(Error & 0xFFFF) << 16);
}

class TSocketMessageEvent : public QEvent {
public:
    explicit TSocketMessageEvent(TSocketMessage Message)
        : QEvent(static_cast<QEvent::Type>(QEvent::User + (Message.Msg - kSocketMsgBase))),
          Message(std::move(Message)) {}

    TSocketMessage Message;
};
