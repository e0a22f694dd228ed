#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "net/tls_peer_info.h"
#include "net/tls_settings.h"

struct ssl_ctx_st;
struct ssl_st;

// One TLS client session over a byte transport that never blocks. OpenSSL
// reads and writes the transport only through the two functions given at
// construction, so the session runs over a socket's receive chain as well as
// over bytes in memory. Nothing here waits: every call either makes progress
// or says which readiness it needs (WantRead, WantWrite).
class TTlsSession {
public:
    // Raw transport: the bytes moved, 0 at the end of the stream, or -1 with
    // errno set (EAGAIN when it would block).
    using TRead = std::function<int(void* Buffer, int Size)>;
    using TWrite = std::function<int(const void* Data, int Len)>;

    enum class TResult { Done, WantRead, WantWrite, Closed, Failed };

    TTlsSession(const TTlsSettings& Settings, TRead Read, TWrite Write);
    ~TTlsSession();
    TTlsSession(const TTlsSession&) = delete;
    TTlsSession& operator=(const TTlsSession&) = delete;

    // Advances the handshake; Done once it has completed and, with Verify
    // set, the certificate chain and host name have been checked. Failed
    // leaves the reason in ErrorText.
    TResult Handshake();
    bool Established() const { return FEstablished; }

    // Plaintext in and out: a count above 0, or 0 with the reason in Result
    // (Closed: the peer's close_notify or the end of the stream). A peek
    // leaves the bytes to be read again.
    int Read(void* Buffer, int Size, TResult& Result, bool Peek = false);
    int Write(const void* Data, int Len, TResult& Result);
    // Decrypted bytes ready to be read without touching the transport; 1
    // when only undecrypted bytes wait inside the session.
    int Pending() const;

    // Sends close_notify once, as far as the transport takes it now.
    void Shutdown();

    // "TLS handshake failed: <reason>", or the failure of a later read or
    // write; empty while nothing failed.
    const std::string& ErrorText() const { return FErrorText; }
    // The errno of the transport failure that ended the session, else 0.
    int TransportErrno() const { return FTransportErrno; }
    TTlsPeerInfo PeerInfo() const;

private:
    friend struct TTlsBioAccess;
    TResult Outcome(int Ret, const char* Stage);

    TRead FRead;
    TWrite FWrite;
    ssl_ctx_st* FContext = nullptr;
    ssl_st* FSsl = nullptr;
    bool FEstablished = false;
    bool FShutdownSent = false;
    int FTransportErrno = 0;
    bool FTransportEnded = false;
    std::string FErrorText;
};
