#include "net/custom_line_socket.h"

#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "net/socket_errors.h"

namespace {

constexpr char kBackspace = '\b';
constexpr char kTab = '\t';
constexpr std::string_view kBackspaceEcho = "\b \b";

} // namespace

void TCustomLineSocket::SetLineMode(bool Value) {
    if (Value == FLineMode)
        return;
    FLineMode = Value;
    // A partly read line stays at the front of the held bytes, so switching
    // either way keeps the order; a new line is searched from there.
    FPendingLineLength = 0;
    OfferHeldBytesLater();
}

void TCustomLineSocket::SetLineEnd(const std::string& Value) {
    FLineEnd = Value;
    FPendingLineLength = 0;
}

void TCustomLineSocket::OfferHeldBytesLater() {
    if (!FLineBuffer.empty())
        PostSocketMessage(WM_TRIGGER_DATA_AVAILABLE);
}

void TCustomLineSocket::WndProc(TSocketMessage& Msg) {
    if (Msg.Msg == WM_TRIGGER_DATA_AVAILABLE)
        WMTriggerDataAvailable();
    else
        TCustomTlsSocket::WndProc(Msg);
}

// Runs once per request and never posts itself again: whatever still waits
// for more data gets it with the next reception.
void TCustomLineSocket::WMTriggerDataAvailable() {
    if (CuttingLines()) {
        DeliverLines(0, false);
        return;
    }
    const TLifeToken::TWatch watch = FLife.Watch();
    while (!FLineBuffer.empty() && !CuttingLines()) {
        const std::size_t before = FLineBuffer.size();
        const bool taken = TCustomTlsSocket::TriggerDataAvailable(0);
        if (!watch.Alive())
            return;
        if (!taken) {
            FLineBuffer.clear();
            return;
        }
        if (FLineBuffer.size() >= before)
            return; // the handler read nothing; its next receive call goes on
    }
}

std::int32_t TCustomLineSocket::GetRcvdCount() {
    if (CuttingLines())
        return static_cast<std::int32_t>(FPendingLineLength);
    // Held bytes come before anything the system holds.
    if (!FLineBuffer.empty())
        return static_cast<std::int32_t>(FLineBuffer.size());
    return TCustomTlsSocket::GetRcvdCount();
}

int TCustomLineSocket::DoRecv(void* Buffer, int BufferSize, int Flags) {
    const std::size_t held = CuttingLines() ? FPendingLineLength : FLineBuffer.size();
    if (held == 0) {
        if (CuttingLines()) {
            // No line to hand out: the system's bytes belong behind any held
            // ones, and reach the application only cut, through the buffer,
            // even for a handler that reads on past its line.
            errno = EWOULDBLOCK;
            return -1;
        }
        return TCustomTlsSocket::DoRecv(Buffer, BufferSize, Flags);
    }
    const std::size_t count = std::min(held, static_cast<std::size_t>(std::max(BufferSize, 0)));
    std::memcpy(Buffer, FLineBuffer.data(), count);
    if ((Flags & MSG_PEEK) == 0)
        DropFront(count);
    CountReceiveCall(Flags);
    return static_cast<int>(count);
}

void TCustomLineSocket::DropFront(std::size_t Count) {
    FLineBuffer.erase(0, Count);
    FPendingLineLength -= std::min(Count, FPendingLineLength);
}

std::string TCustomLineSocket::TakeHeldBytes() {
    std::string held;
    held.swap(FLineBuffer);
    FPendingLineLength = 0;
    return held;
}

// Appends what the layer below can deliver now, up to kMaxLineLength held
// bytes; returns the number appended.
std::size_t TCustomLineSocket::ReceiveIntoLineBuffer() {
    if (FHSocket < 0 || FLineBuffer.size() >= kMaxLineLength)
        return 0;
    const std::int32_t ready = TCustomTlsSocket::GetRcvdCount();
    if (ready <= 0)
        return 0;
    const std::size_t old = FLineBuffer.size();
    const std::size_t want = std::min(static_cast<std::size_t>(ready), kMaxLineLength - old);
    FLineBuffer.resize(old + want);
    // Straight to the layer below: ReadCount counts bytes handed to the
    // application, once.
    const int n = TCustomTlsSocket::DoRecv(FLineBuffer.data() + old, static_cast<int>(want), 0);
    if (n < 0)
        FLastError = LastSocketError();
    FLineBuffer.resize(old + static_cast<std::size_t>(std::max(n, 0)));
    return FLineBuffer.size() - old;
}

bool TCustomLineSocket::TriggerDataAvailable(std::uint16_t Error) {
    // The bytes of a SOCKS negotiation or a handshake are not lines.
    if (!CuttingLines() || Negotiating())
        return TCustomTlsSocket::TriggerDataAvailable(Error);
    std::size_t newCount = ReceiveIntoLineBuffer();
    if (newCount == 0)
        return true;
    const TLifeToken::TWatch watch = FLife.Watch();
    if (FLineEdit)
        EditLine(newCount);
    else if (FLineEcho)
        SendStr(FLineBuffer.substr(FLineBuffer.size() - newCount));
    if (!watch.Alive())
        return true;
    // An echo that failed may have closed the session, which took the held bytes.
    const std::size_t oldCount = FLineBuffer.size() - std::min(newCount, FLineBuffer.size());
    // A terminator split across two receptions starts before the new bytes.
    DeliverLines(oldCount - std::min(oldCount, FLineEnd.size()), false);
    return true;
}

void TCustomLineSocket::EditLine(std::size_t& NewCount) {
    const std::size_t start = FLineBuffer.size() - NewCount;
    // A line already offered is final: editing starts behind it.
    const std::size_t lineStart = FPendingLineLength;
    std::string edited = FLineBuffer.substr(0, start);
    std::string echo;
    std::size_t lowest = start;
    for (const char c : std::string_view(FLineBuffer).substr(start)) {
        if (c == kBackspace) {
            if (edited.size() > lineStart) {
                edited.pop_back();
                echo += kBackspaceEcho;
            }
            lowest = std::min(lowest, edited.size());
        } else if (c == kTab) {
            const std::size_t spaces = kTabWidth - (edited.size() - lineStart) % kTabWidth;
            edited.append(spaces, ' ');
            echo.append(spaces, ' ');
        } else {
            edited += c;
            echo += c;
        }
    }
    FLineBuffer.replace(lowest, std::string::npos, edited, lowest);
    NewCount = FLineBuffer.size() - lowest;
    if (FLineEcho && !echo.empty())
        SendStr(echo);
}

void TCustomLineSocket::DeliverLines(std::size_t SearchFrom, bool AtEnd) {
    const TLifeToken::TWatch watch = FLife.Watch();
    while (CuttingLines()) {
        if (FPendingLineLength == 0) {
            const std::size_t at =
                FLineBuffer.find(FLineEnd, std::min(SearchFrom, FLineBuffer.size()));
            if (at != std::string::npos)
                FPendingLineLength = at + FLineEnd.size();
            else if (!FLineBuffer.empty() && (AtEnd || FLineBuffer.size() >= kMaxLineLength))
                FPendingLineLength = FLineBuffer.size();
            else
                return;
            FLineArrived = true;
            SearchFrom = 0;
        }
        const std::size_t before = FPendingLineLength;
        const bool taken = TCustomTlsSocket::TriggerDataAvailable(0);
        if (!watch.Alive())
            return;
        if (!taken)
            DropFront(FPendingLineLength);
        else if (FPendingLineLength >= before && FPendingLineLength > 0)
            return; // read nothing: the line waits for the next reception
    }
}

void TCustomLineSocket::TriggerSessionClosed(std::uint16_t Error) {
    FLineArrived = true;
    const TLifeToken::TWatch watch = FLife.Watch();
    DeliverLines(0, true);
    if (!watch.Alive())
        return;
    TakeHeldBytes();
    TCustomTlsSocket::TriggerSessionClosed(Error);
}
