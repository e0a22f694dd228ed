#pragma once

#include <cstddef>
#include <string>

#include "net/custom_tls_socket.h"

// The line layer. With LineMode on (and LineEnd not empty) the received byte
// stream is cut at LineEnd: OnDataAvailable is raised once per complete line
// and Receive hands out that line, terminator included, in as many calls as
// the handler likes; the next line starts right after it. A handler that takes
// the event but reads nothing keeps the line: it is offered again with the
// next reception. Without a handler the line is dropped.
//
// The held bytes are bounded by the peer's data only, so a line that reaches
// kMaxLineLength bytes without LineEnd is delivered as it is. When the session
// closes, the held rest is delivered as a last line before OnSessionClosed.
//
// LineEcho sends every received byte back at once. LineEdit applies editing
// first: backspace removes the byte before it (echoed as BS, space, BS) and
// tab becomes spaces up to the next multiple of kTabWidth (at least one).
//
// With LineMode off everything passes through, except that bytes still held
// from a line-mode period are handed out first, in order. Changing LineMode
// while bytes are held posts WM_TRIGGER_DATA_AVAILABLE, which offers them once:
// as lines when on, to OnDataAvailable when off (dropped if nobody takes them).
class TCustomLineSocket : public TCustomTlsSocket {
public:
    static constexpr std::size_t kMaxLineLength = 65536;
    static constexpr std::size_t kTabWidth = 8;

    using TCustomTlsSocket::TCustomTlsSocket;
    ~TCustomLineSocket() override { BeginDestruction(); }

    bool LineMode() const { return FLineMode; }
    virtual void SetLineMode(bool Value);
    const std::string& LineEnd() const { return FLineEnd; }
    void SetLineEnd(const std::string& Value);
    bool LineEcho() const { return FLineEcho; }
    void SetLineEcho(bool Value) { FLineEcho = Value; }
    bool LineEdit() const { return FLineEdit; }
    void SetLineEdit(bool Value) { FLineEdit = Value; }

    // Bytes held and not yet handed out, and how many of them form the line
    // being delivered (0 when none is).
    std::size_t LineBufferCount() const { return FLineBuffer.size(); }
    std::size_t PendingLineLength() const { return FPendingLineLength; }

protected:
    void WndProc(TSocketMessage& Msg) override;
    std::int32_t GetRcvdCount() override;
    bool HoldsBytes() const override {
        return !FLineBuffer.empty() || TCustomTlsSocket::HoldsBytes();
    }
    bool TriggerDataAvailable(std::uint16_t Error) override;
    void TriggerSessionClosed(std::uint16_t Error) override;
    int DoRecv(void* Buffer, int BufferSize, int Flags) override;

    // Edits the NewCount bytes just received at the end of the held bytes; on
    // return NewCount covers everything from the first changed position.
    virtual void EditLine(std::size_t& NewCount);
    // Offers the complete lines held, searching for LineEnd from SearchFrom;
    // AtEnd makes a held rest without LineEnd a line too.
    void DeliverLines(std::size_t SearchFrom, bool AtEnd);
    // Hands over every held byte and forgets the line being delivered.
    std::string TakeHeldBytes();
    // Posts WM_TRIGGER_DATA_AVAILABLE when bytes are held.
    void OfferHeldBytesLater();

    // Set when a line has been found or the session has closed.
    bool FLineArrived = false;

private:
    bool CuttingLines() const { return FLineMode && !FLineEnd.empty(); }
    std::size_t ReceiveIntoLineBuffer();
    void WMTriggerDataAvailable();
    void DropFront(std::size_t Count);

    // The held bytes; std::string keeps a zero byte after them. Its capacity
    // only grows while a session lasts; it is freed when the session closes.
    std::string FLineBuffer;
    std::size_t FPendingLineLength = 0;
    std::string FLineEnd = "\r\n";
    bool FLineMode = false;
    bool FLineEcho = false;
    bool FLineEdit = false;
};
