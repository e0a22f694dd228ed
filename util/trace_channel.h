#pragma once

#include <QString>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <sys/un.h>

// The channel between a traced program and the trace viewer: one Unix-domain
// datagram per entry, sent to a socket in the user's runtime folder that the
// viewer binds. An entry travels as the block
//   byte 1, kind + 1, indentation prefix and text, a zero byte
// with the text in Windows-1252.

// Kinds of a trace entry, in the order of the message dialog types.
enum TTraceKind : std::uint8_t { tkWarning = 0, tkError = 1, tkInformation = 2 };

// One entry as it travels.
struct TTraceEntry {
    TTraceKind Kind = tkInformation;
    std::string Text; // prefix and message
};

namespace tracechannel {

// Longest text one entry carries; a longer one is cut.
inline constexpr std::size_t kTextMax = 8192;
// Block framing: the leading 1, the kind byte and the closing zero.
inline constexpr std::size_t kFrameSize = 3;
inline constexpr std::size_t kBlockMax = kTextMax + kFrameSize;
// The longest a send waits for a viewer whose queue is full; then the entry
// is dropped, so a hanging viewer cannot stall the program.
inline constexpr std::chrono::milliseconds kSendWait{100};

// "$XDG_RUNTIME_DIR/TfmTraceViewer.sock", or in the temporary folder with the
// user's id in the name when there is no runtime folder.
QString SocketPath();

// The socket address of `path`; nothing when the path is empty or too long
// for an address.
std::optional<sockaddr_un> SocketAddress(const QString& path);

std::string EncodeBlock(const TTraceEntry& entry);
// The entry of a block as EncodeBlock makes it; nothing for anything else.
std::optional<TTraceEntry> DecodeBlock(std::string_view block);

// True when a viewer has bound the socket at `path`.
bool ViewerListens(const QString& path);

// Sends the block to the viewer. False at once when no viewer listens; true
// when it was queued or dropped because the viewer did not take it within
// kSendWait.
bool SendBlock(std::string_view block);

// The viewer program: "FilePath" of the section "TraceViewer" in
// "$XDG_CONFIG_HOME/Vendrix/TraceViewer.ini" (blanks trimmed), otherwise
// "traceviewer" beside the running executable.
QString ViewerPath();

} // namespace tracechannel
