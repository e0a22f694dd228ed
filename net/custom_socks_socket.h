#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "net/custom_async_socket.h"
#include "net/socks_types.h"

// The SOCKS client layer: with SocksServer set, Connect goes to the proxy,
// negotiates SOCKS 4, 4A or 5 (SOCKS 5 optionally with user name and
// password) and only then raises OnSessionConnected(0), as if the target had
// been reached directly. With SocksServer empty every call passes through.
//
// The SOCKS settings last for one session: every close clears SocksServer and
// SocksPort and sets SocksLevel back to "5" (user code, password and the
// authentication choice stay).
//
// A failed negotiation is reported three ways, in this order:
// OnSocksError(number, text), OnSessionConnected(number) and
// OnSessionClosed(number), the last one once. A proxy that closes or resets
// the connection before the negotiation is done counts as such a failure, with
// the socket error of the close (10053, connection aborted, for an orderly
// one). A local Close during the negotiation ends it like a close while
// connecting: OnSessionClosed(0) only.
//
// Application bytes that arrive together with the proxy's final reply are
// handed out by Receive (and counted by RcvdCount) before anything else;
// OnDataAvailable is raised for them right after OnSessionConnected(0).
//
// A layer above that holds back OnSessionConnected itself must pass the event
// on while SocksState() is not socksData: that is the connection to the proxy.
class TSocksRequest;

class TCustomSocksSocket : public TCustomAsyncSocket {
public:
    using TCustomAsyncSocket::TCustomAsyncSocket;
    ~TCustomSocksSocket() override { BeginDestruction(); }

    // Each may change only while wsClosed; SocksServer and SocksPort are
    // stored trimmed, SocksLevel is "4", "4A" or "5".
    const std::string& SocksServer() const { return FSocksServer; }
    virtual void SetSocksServer(const std::string& Value);
    const std::string& SocksPort() const { return FSocksPort; }
    virtual void SetSocksPort(const std::string& Value);
    const std::string& SocksLevel() const { return FSocksLevel; }
    void SetSocksLevel(const std::string& Value);
    // With SOCKS 4 and 4A the user code is sent as the user id.
    const std::string& SocksUsercode() const { return FSocksUsercode; }
    void SetSocksUsercode(const std::string& Value) { FSocksUsercode = Value; }
    const std::string& SocksPassword() const { return FSocksPassword; }
    void SetSocksPassword(const std::string& Value) { FSocksPassword = Value; }
    TSocksAuthentication SocksAuthentication() const { return FSocksAuthentication; }
    void SetSocksAuthentication(TSocksAuthentication Value) { FSocksAuthentication = Value; }
    TSocksState SocksState() const { return FSocksState; }

    // The proxy connection's outcome, before any negotiation.
    TSessionEvent OnSocksConnected;
    TSocksErrorEvent OnSocksError;
    TSocksAuthStateEvent OnSocksAuthState;

    void Connect() override;
    void Listen() override;

protected:
    void AssignDefaultValue() override;
    void InternalClose(bool Shut, std::uint16_t Error) override;
    std::int32_t GetRcvdCount() override;
    bool HoldsBytes() const override { return FLeftoverCount > 0; }
    bool TriggerDataAvailable(std::uint16_t Error) override;
    void TriggerSessionConnected(std::uint16_t Error) override;
    void TriggerSessionClosed(std::uint16_t Error) override;
    // The negotiation's own sends are not the application's.
    void TriggerDataSent(std::uint16_t Error) override;
    void TriggerSendData(std::int32_t BytesSent) override;
    int DoRecv(void* Buffer, int BufferSize, int Flags) override;

    virtual void SocksDoConnect();
    virtual void SocksDoAuthenticate();
    // Reports a negotiation failure three ways and closes.
    virtual void DataAvailableError(int Code, const std::string& Msg);
    virtual void TriggerSocksConnected(std::uint16_t Error);
    virtual void TriggerSocksError(int Error, const std::string& Msg);
    virtual void TriggerSocksAuthState(TSocksAuthState AuthState);

private:
    // The proxy's replies are read into this buffer; a SOCKS 4 reply is 8 bytes.
    static constexpr int kReplyBufferSize = 128;
    static constexpr int kSocks4ReplySize = 8;

    bool Negotiating() const { return FSocksState != socksData; }
    // False once a handler has deleted or closed the socket.
    bool StillConnected(const TLifeToken::TWatch& Watch) const;
    // Bytes the current reply may still add to the buffer.
    int ReplyRoom() const;
    // Sends a request that fits its area; one that does not ends the session.
    void SendRequest(const TSocksRequest& Request);
    // OnSocksError and OnSessionConnected of a failure.
    void ReportFailure(int Code, const std::string& Msg);
    void MethodReply();
    void AuthenticationReply();
    void Socks4Reply();
    void Socks5Reply();
    void Connected(int ReplyLength);

    std::string FSocksServer;
    std::string FSocksPort;
    std::string FSocksLevel = "5";
    std::string FSocksUsercode;
    std::string FSocksPassword;
    TSocksAuthentication FSocksAuthentication = socksNoAuthentication;
    TSocksState FSocksState = socksData;
    // Between Connect and the proxy connection's outcome.
    bool FProxyConnectPending = false;
    // The application has been told (or need not be told) how the connect ended.
    bool FOutcomeReported = false;
    // A failed send closed the session during the negotiation; its
    // OnSessionClosed, which reports the failure, is still to come.
    bool FSendCut = false;
    std::uint8_t FAuthMethod = 0; // the SOCKS 5 method offered
    std::uint16_t FTargetPort = 0;

    std::array<std::uint8_t, kReplyBufferSize> FRcvBuf{};
    int FRcvCnt = 0;
    // Application bytes behind the final reply, inside FRcvBuf.
    int FLeftoverStart = 0;
    int FLeftoverCount = 0;
};
