#pragma once

#include <cstddef>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "ini/file_replacement.h"

// Whole-file reading and replacing for the INI engine and the program's other
// files. Failures throw EInOutError with the errno value and a message that
// names the file.

// Bytes moved per read or write call.
inline constexpr std::size_t kIoBufferSize = 28672;
inline constexpr std::size_t kWholeFile = std::numeric_limits<std::size_t>::max();

// The file's content, at most `limit` bytes from its start, or nothing when it
// does not exist. Anything but a regular file (a FIFO, a device, a folder)
// fails at once, without waiting for a writer.
std::optional<std::string> ReadFileIfExists(const std::string& path,
                                            std::size_t limit = kWholeFile);

// Replaces the file's content as TFileReplacement does: a failure leaves the
// old file as it was.
void ReplaceFileContent(const std::string& path, std::string_view content,
                        TFileReplacement::TRule rule = TFileReplacement::TRule::WhereWritable);
