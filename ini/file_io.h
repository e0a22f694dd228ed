#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Whole-file reading and replacing for the INI engine. Failures throw
// EInOutError with the errno value and a message that names the file.

// Bytes moved per read or write call.
inline constexpr std::size_t kIoBufferSize = 28672;

// The file's whole content, or nothing when it does not exist. Anything but a
// regular file (a FIFO, a device, a folder) fails at once.
std::optional<std::string> ReadFileIfExists(const std::string& path);

// Replaces the file's content so that readers, and the file after a crash or a
// full disk, see either the old or the new content, never a mix: the bytes go
// to a new file in the same folder, are synced, and that file is renamed over
// the old one. The old file's permission bits are kept; a new file gets the
// usual 0666 less the umask. A symbolic link is followed, so the link stays and
// its target is replaced. Only a regular file that belongs to the process's
// user and has its owner's write bit is replaced; any other fails with
// EACCES (EINVAL for a non-regular file), root included. On failure the old file is untouched and
// the temporary file removed; a process killed in the middle leaves the old file and possibly a
// stray ".<name>.*.tmp" beside it.
void ReplaceFileContent(const std::string& path, std::string_view content);
