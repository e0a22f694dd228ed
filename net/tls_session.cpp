#include "net/tls_session.h"

#include "net/tls_trust_store.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <cerrno>
#include <cstring>
#include <ctime>

namespace {

constexpr int kNameArea = 256; // a common name longer than this is cut
constexpr std::size_t kReadAheadSize = 64 * 1024;

// The last OpenSSL reason of this thread, with the queue emptied.
std::string TakeOpenSslReason() {
    unsigned long code = 0;
    unsigned long last = 0;
    while ((code = ERR_get_error()) != 0)
        last = code;
    if (last == 0)
        return {};
    const char* reason = ERR_reason_error_string(last);
    return reason ? reason : "error " + std::to_string(ERR_GET_REASON(last));
}

std::string NameText(X509_NAME* Name) {
    if (Name == nullptr)
        return {};
    char text[kNameArea] = {};
    if (X509_NAME_get_text_by_NID(Name, NID_commonName, text, sizeof text) > 0)
        return text;
    X509_NAME_oneline(Name, text, sizeof text);
    return text;
}

} // namespace

// The transport BIO: OpenSSL's reads and writes go to the session's functions.
struct TTlsBioAccess {
    static TTlsSession* SessionOf(BIO* Bio) { return static_cast<TTlsSession*>(BIO_get_data(Bio)); }
    // A transport that would block asks OpenSSL to retry the same direction;
    // any other failure keeps its errno for the reason.
    static int Settle(BIO* Bio, int N, int Direction) {
        if (N < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            BIO_set_flags(Bio, Direction | BIO_FLAGS_SHOULD_RETRY);
        else if (N < 0)
            SessionOf(Bio)->FTransportErrno = errno;
        return N;
    }
    static int Write(BIO* Bio, const char* Data, int Len) {
        BIO_clear_retry_flags(Bio);
        return Settle(Bio, SessionOf(Bio)->FWrite(Data, Len), BIO_FLAGS_WRITE);
    }
    static int Read(BIO* Bio, char* Buffer, int Size) {
        BIO_clear_retry_flags(Bio);
        const int n = Settle(Bio, SessionOf(Bio)->FRead(Buffer, Size), BIO_FLAGS_READ);
        if (n == 0)
            SessionOf(Bio)->FTransportEnded = true;
        return n;
    }
    // The end of the stream must be told, or OpenSSL takes it for an error
    // without a reason.
    static long Control(BIO* Bio, int Command, long, void*) {
        if (Command == BIO_CTRL_EOF)
            return SessionOf(Bio)->FTransportEnded ? 1 : 0;
        return Command == BIO_CTRL_FLUSH ? 1 : 0;
    }
    // One method table for the process, made on first use.
    static BIO_METHOD* Method() {
        static BIO_METHOD* const kTable = [] {
            BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "transport");
            BIO_meth_set_write(m, &TTlsBioAccess::Write);
            BIO_meth_set_read(m, &TTlsBioAccess::Read);
            BIO_meth_set_ctrl(m, &TTlsBioAccess::Control);
            return m;
        }();
        return kTable;
    }
};

TTlsSession::TTlsSession(const TTlsSettings& Settings, TRead Read, TWrite Write)
    : FRead(std::move(Read)), FWrite(std::move(Write)) {
    FContext = SSL_CTX_new(TLS_client_method());
    if (FContext == nullptr) {
        FErrorText = "TLS set-up failed: " + TakeOpenSslReason();
        return;
    }
    SSL_CTX_set_min_proto_version(FContext, TLS1_2_VERSION);
    // Several records per receive call instead of a header and a body each.
    SSL_CTX_set_read_ahead(FContext, 1);
    SSL_CTX_set_default_read_buffer_len(FContext, kReadAheadSize);
    SSL_CTX_set_mode(FContext, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    SSL_CTX_set_verify(FContext, Settings.Verify ? SSL_VERIFY_PEER : SSL_VERIFY_NONE, nullptr);
    if (Settings.Verify) {
        if (!LoadTlsTrustStore(FContext, Settings.CAFile)) {
            FErrorText = "TLS set-up failed: cannot read the trust anchor " + Settings.CAFile +
                         " (" + TakeOpenSslReason() + ")";
            return;
        }
    }
    FSsl = SSL_new(FContext);
    if (FSsl == nullptr) {
        FErrorText = "TLS set-up failed: " + TakeOpenSslReason();
        return;
    }
    BIO* bio = BIO_new(TTlsBioAccess::Method());
    BIO_set_data(bio, this);
    BIO_set_init(bio, 1);
    SSL_set_bio(FSsl, bio, bio);
    SSL_set_connect_state(FSsl);
    if (!Settings.HostName.empty()) {
        SSL_set_tlsext_host_name(FSsl, Settings.HostName.c_str());
        if (Settings.Verify)
            SSL_set1_host(FSsl, Settings.HostName.c_str());
    }
}

TTlsSession::~TTlsSession() {
    SSL_free(FSsl);
    SSL_CTX_free(FContext);
}

TTlsSession::TResult TTlsSession::Outcome(int Ret, const char* Stage) {
    switch (SSL_get_error(FSsl, Ret)) {
    case SSL_ERROR_WANT_READ:
        return TResult::WantRead;
    case SSL_ERROR_WANT_WRITE:
        return TResult::WantWrite;
    case SSL_ERROR_ZERO_RETURN:
        ERR_clear_error();
        return TResult::Closed;
    default:
        break;
    }
    std::string reason = TakeOpenSslReason();
    const long verify = SSL_get_verify_result(FSsl);
    if (!FEstablished && verify != X509_V_OK)
        reason += std::string(" (") + X509_verify_cert_error_string(verify) + ")";
    if (reason.empty())
        reason = FTransportErrno != 0 ? std::strerror(FTransportErrno) : "connection closed";
    FErrorText = std::string(Stage) + ": " + reason;
    return TResult::Failed;
}

TTlsSession::TResult TTlsSession::Handshake() {
    if (FSsl == nullptr)
        return TResult::Failed;
    if (FEstablished)
        return TResult::Done;
    ERR_clear_error();
    const int ret = SSL_do_handshake(FSsl);
    if (ret == 1) {
        FEstablished = true;
        return TResult::Done;
    }
    return Outcome(ret, "TLS handshake failed");
}

int TTlsSession::Read(void* Buffer, int Size, TResult& Result, bool Peek) {
    Result = TResult::Failed;
    if (!FEstablished || Size <= 0) {
        Result = FEstablished ? TResult::Done : TResult::Failed;
        return 0;
    }
    ERR_clear_error();
    const int n = Peek ? SSL_peek(FSsl, Buffer, Size) : SSL_read(FSsl, Buffer, Size);
    if (n > 0) {
        Result = TResult::Done;
        return n;
    }
    Result = Outcome(n, "TLS receive failed");
    return 0;
}

int TTlsSession::Write(const void* Data, int Len, TResult& Result) {
    if (!FEstablished || Len <= 0) {
        Result = FEstablished ? TResult::Done : TResult::Failed;
        return 0;
    }
    ERR_clear_error();
    const int n = SSL_write(FSsl, Data, Len);
    if (n > 0) {
        Result = TResult::Done;
        return n;
    }
    Result = Outcome(n, "TLS send failed");
    return 0;
}

int TTlsSession::Pending() const {
    if (FSsl == nullptr)
        return 0;
    const int ready = SSL_pending(FSsl);
    return ready > 0 ? ready : (SSL_has_pending(FSsl) ? 1 : 0);
}

void TTlsSession::Shutdown() {
    if (FSsl == nullptr || !FEstablished || FShutdownSent)
        return;
    FShutdownSent = true;
    ERR_clear_error();
    SSL_shutdown(FSsl);
    ERR_clear_error();
}

TTlsPeerInfo TTlsSession::PeerInfo() const {
    TTlsPeerInfo info;
    if (FSsl == nullptr || !FEstablished)
        return info;
    info.Protocol = SSL_get_version(FSsl);
    info.Cipher = SSL_get_cipher_name(FSsl);
    X509* certificate = SSL_get1_peer_certificate(FSsl);
    if (certificate == nullptr)
        return info;
    info.Subject = NameText(X509_get_subject_name(certificate));
    info.Issuer = NameText(X509_get_issuer_name(certificate));
    tm end{};
    if (ASN1_TIME_to_tm(X509_get0_notAfter(certificate), &end) == 1)
        info.NotAfter = timegm(&end);
    X509_free(certificate);
    return info;
}
