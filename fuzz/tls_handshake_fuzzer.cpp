// The TLS record path over memory: arbitrary server bytes, cut into pieces at
// arbitrary points, go into a verifying client session. Nothing may crash,
// and with Verify on a server that is only random bytes can never complete a
// handshake: the session must never report Done or Established.
#include <fuzzer/FuzzedDataProvider.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/support/split_points.h"
#include "net/tls_session.h"

namespace {

// Handshake steps per input: each one either consumes a piece or ends.
constexpr int kMaxSteps = 2 * static_cast<int>(fuzzsupport::kMaxPieces) + 8;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Parsing the system's whole trust bundle for every session would make
    // one input cost a tenth of a second; random bytes cannot chain to any
    // anchor anyway, so an empty store checks the same property.
    setenv("SSL_CERT_FILE", "/dev/null", 1);
    setenv("SSL_CERT_DIR", "/nonexistent", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    FuzzedDataProvider Provider(Data, Size);
    const bool EndAfterLastPiece = Provider.ConsumeBool();
    const std::string Stream = Provider.ConsumeRandomLengthString(Size);
    const std::vector<std::string> Pieces = fuzzsupport::SplitAtPoints(Provider, Stream);

    // The transport hands out one piece per "readable" moment, then would
    // block until the harness offers the next one.
    std::size_t Piece = 0, Offset = 0;
    bool Readable = true;
    auto Read = [&](void* Buffer, int BufferSize) -> int {
        if (Piece >= Pieces.size()) {
            if (EndAfterLastPiece)
                return 0;
            errno = EAGAIN;
            return -1;
        }
        if (!Readable) {
            errno = EAGAIN;
            return -1;
        }
        const std::string& Current = Pieces[Piece];
        const std::size_t N =
            std::min(static_cast<std::size_t>(BufferSize), Current.size() - Offset);
        std::memcpy(Buffer, Current.data() + Offset, N);
        Offset += N;
        if (Offset == Current.size()) {
            ++Piece;
            Offset = 0;
            Readable = false;
        }
        return static_cast<int>(N);
    };
    auto Write = [](const void*, int Len) { return Len; };

    TTlsSettings Settings;
    Settings.HostName = "fuzz.test";
    Settings.Verify = true;
    TTlsSession Session(Settings, Read, Write);
    for (int Step = 0; Step < kMaxSteps; ++Step) {
        const TTlsSession::TResult Result = Session.Handshake();
        if (Result == TTlsSession::TResult::Done || Session.Established())
            __builtin_trap();
        if (Result != TTlsSession::TResult::WantRead && Result != TTlsSession::TResult::WantWrite)
            break;
        if (Piece >= Pieces.size() && !EndAfterLastPiece)
            break; // waiting for bytes that never come
        Readable = true;
    }
    // Reads and writes on a session that never got established must fail cleanly.
    char Buffer[64];
    TTlsSession::TResult Result;
    if (Session.Read(Buffer, sizeof Buffer, Result) > 0 || Session.Write("x", 1, Result) > 0)
        __builtin_trap();
    Session.Shutdown();
    return 0;
}
