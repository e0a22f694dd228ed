#pragma once

#include <memory>
#include <string>

#include "net/custom_socks_socket.h"
#include "net/tls_peer_info.h"
#include "net/tls_settings.h"

class TTlsSession;

// The TLS client layer: passive unless SslEnable is set for a connection.
// Then, once TCP (and the SOCKS negotiation, when a SOCKS server is set) is
// up, it runs the handshake, with SNI and the certificate check for
// SslHostName, and only then raises OnSessionConnected. Send encrypts;
// Receive, RcvdCount and OnDataAvailable deliver decrypted bytes. The
// handshake is driven by the socket's own readiness events alone.
//
// A failed handshake or check is reported like a failed connect, with
// kTlsFailure as error number: OnSessionConnected(kTlsFailure), then
// OnSessionClosed(kTlsFailure) once; SslErrorText says what failed.
//
// Like the SOCKS settings, SslEnable, SslHostName, SslVerify and SslCAFile
// last for one session: every close clears them. SslPeerInfo and
// SslErrorText stay readable after the close, until the next TLS connect.
class TCustomTlsSocket : public TCustomSocksSocket {
public:
    // Not a Winsock number: the table calls it "Not a WinSock error".
    static constexpr std::uint16_t kTlsFailure = 20100;

    explicit TCustomTlsSocket(QObject* Owner = nullptr);
    ~TCustomTlsSocket() override;

    bool SslEnable() const { return FSslEnable; }
    void SetSslEnable(bool Value);
    // Empty: Addr. Sent as SNI and required in the certificate.
    const std::string& SslHostName() const { return FSettings.HostName; }
    void SetSslHostName(const std::string& Value);
    bool SslVerify() const { return FSettings.Verify; }
    void SetSslVerify(bool Value);
    const std::string& SslCAFile() const { return FSettings.CAFile; }
    void SetSslCAFile(const std::string& Value);

    // Starts TLS on a connection that is already the application's, such as
    // a tunnel an HTTP proxy has opened, with the settings above: the
    // handshake runs, then OnSessionConnected follows once more (0, or
    // kTlsFailure as for a connect). Raises unless connected and still plain.
    void StartSsl();

    // True while a session is encrypted (handshake done).
    bool SslEstablished() const;
    const TTlsPeerInfo& SslPeerInfo() const { return FPeerInfo; }
    const std::string& SslErrorText() const { return FErrorText; }

protected:
    // True while the SOCKS negotiation or the handshake runs: the connection
    // is not the application's yet, and layers above pass its events on.
    bool Negotiating() const;

    void AssignDefaultValue() override;
    void InternalClose(bool Shut, std::uint16_t Error) override;
    void TriggerSessionConnected(std::uint16_t Error) override;
    bool TriggerDataAvailable(std::uint16_t Error) override;
    void TriggerDataSent(std::uint16_t Error) override;
    int DoRecv(void* Buffer, int BufferSize, int Flags) override;
    std::int32_t GetRcvdCount() override;
    bool HoldsBytes() const override;
    int RealSend(const void* Data, int Len) override;

private:
    bool Handshaking() const { return FSession && !FHandshakeDone; }
    bool SocksNegotiating() const { return SocksState() != socksData; }
    void StartHandshake();
    void ContinueHandshake();
    void Fail(const std::string& Text);
    bool CanChange(const char* What);

    bool FSslEnable = false;
    TTlsSettings FSettings;
    std::unique_ptr<TTlsSession> FSession;
    bool FHandshakeDone = false;
    TTlsPeerInfo FPeerInfo;
    std::string FErrorText;
};
