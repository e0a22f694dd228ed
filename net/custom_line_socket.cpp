#include "net/custom_line_socket.h"

#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "net/socket_errors.h"

namespace {

constexpr char Backspace = '\b';
constexpr char Tab = '\t';
constexpr std::string_view BackspaceEcho = "\b \b";

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
        const std::size_t Before = FLineBuffer.size();
        const bool Taken = TCustomTlsSocket::TriggerDataAvailable(0);
        if (!watch.Alive())
            return;
        if (!Taken) {
            FLineBuffer.clear();
            return;
        }
        if (FLineBuffer.size() >= Before)
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
    const std::size_t Held = CuttingLines() ? FPendingLineLength : FLineBuffer.size();
    if (Held == 0) {
        if (CuttingLines()) {
            // No line to hand out: the system's bytes belong behind any held
            // ones, and reach the application only cut, through the buffer,
            // even for a handler that reads on past its line.
            errno = EWOULDBLOCK;
            return -1;
        }
        return TCustomTlsSocket::DoRecv(Buffer, BufferSize, Flags);
    }
    const std::size_t Count = std::min(Held, static_cast<std::size_t>(std::max(BufferSize, 0)));
    std::memcpy(Buffer, FLineBuffer.data(), Count);
    if ((Flags & MSG_PEEK) == 0)
        DropFront(Count);
    CountReceiveCall(Flags);
    return static_cast<int>(Count);
}

void TCustomLineSocket::DropFront(std::size_t Count) {
    FLineBuffer.erase(0, Count);
    FPendingLineLength -= std::min(Count, FPendingLineLength);
}

std::string TCustomLineSocket::TakeHeldBytes() {
    std::string Held;
    Held.swap(FLineBuffer);
    FPendingLineLength = 0;
    return Held;
}

// Appends what the layer below can deliver now, up to MaxLineLength held
// bytes; returns the number appended.
std::size_t TCustomLineSocket::ReceiveIntoLineBuffer() {
    if (FHSocket < 0 || FLineBuffer.size() >= MaxLineLength)
        return 0;
    const std::int32_t Ready = TCustomTlsSocket::GetRcvdCount();
    if (Ready <= 0)
        return 0;
    const std::size_t Old = FLineBuffer.size();
    const std::size_t Want = std::min(static_cast<std::size_t>(Ready), MaxLineLength - Old);
    FLineBuffer.resize(Old + Want);
    // Straight to the layer below: ReadCount counts bytes handed to the
    // application, once.
    const int N = TCustomTlsSocket::DoRecv(FLineBuffer.data() + Old, static_cast<int>(Want), 0);
    if (N < 0)
        FLastError = LastSocketError();
    FLineBuffer.resize(Old + static_cast<std::size_t>(std::max(N, 0)));
    return FLineBuffer.size() - Old;
}

bool TCustomLineSocket::TriggerDataAvailable(std::uint16_t Error) {
    // The bytes of a SOCKS negotiation or a handshake are not lines.
    if (!CuttingLines() || Negotiating())
        return TCustomTlsSocket::TriggerDataAvailable(Error);
    std::size_t NewCount = ReceiveIntoLineBuffer();
    if (NewCount == 0)
        return true;
    const TLifeToken::TWatch watch = FLife.Watch();
    if (FLineEdit)
        EditLine(NewCount);
    else if (FLineEcho)
        SendStr(FLineBuffer.substr(FLineBuffer.size() - NewCount));
    if (!watch.Alive())
        return true;
    // An echo that failed may have closed the session, which took the held bytes.
    const std::size_t OldCount = FLineBuffer.size() - std::min(NewCount, FLineBuffer.size());
    // A terminator split across two receptions starts before the new bytes.
    DeliverLines(OldCount - std::min(OldCount, FLineEnd.size()), false);
    return true;
}

void TCustomLineSocket::EditLine(std::size_t& NewCount) {
    const std::size_t Start = FLineBuffer.size() - NewCount;
    // A line already offered is final: editing starts behind it.
    const std::size_t LineStart = FPendingLineLength;
    std::string Edited = FLineBuffer.substr(0, Start);
    std::string Echo;
    std::size_t Lowest = Start;
    for (const char C : std::string_view(FLineBuffer).substr(Start)) {
        if (C == Backspace) {
            if (Edited.size() > LineStart) {
                Edited.pop_back();
                Echo += BackspaceEcho;
            }
            Lowest = std::min(Lowest, Edited.size());
        } else if (C == Tab) {
            const std::size_t Spaces = TabWidth - (Edited.size() - LineStart) % TabWidth;
            Edited.append(Spaces, ' ');
            Echo.append(Spaces, ' ');
        } else {
            Edited += C;
            Echo += C;
        }
    }
    FLineBuffer.replace(Lowest, std::string::npos, Edited, Lowest);
    NewCount = FLineBuffer.size() - Lowest;
    if (FLineEcho && !Echo.empty())
        SendStr(Echo);
}

void TCustomLineSocket::DeliverLines(std::size_t SearchFrom, bool AtEnd) {
    const TLifeToken::TWatch watch = FLife.Watch();
    while (CuttingLines()) {
        if (FPendingLineLength == 0) {
            const std::size_t At =
                FLineBuffer.find(FLineEnd, std::min(SearchFrom, FLineBuffer.size()));
            if (At != std::string::npos)
                FPendingLineLength = At + FLineEnd.size();
            else if (!FLineBuffer.empty() && (AtEnd || FLineBuffer.size() >= MaxLineLength))
                FPendingLineLength = FLineBuffer.size();
            else
                return;
            FLineArrived = true;
            SearchFrom = 0;
        }
        const std::size_t Before = FPendingLineLength;
        const bool Taken = TCustomTlsSocket::TriggerDataAvailable(0);
        if (!watch.Alive())
            return;
        if (!Taken)
            DropFront(FPendingLineLength);
        else if (FPendingLineLength >= Before && FPendingLineLength > 0)
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
