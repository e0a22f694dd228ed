#pragma once

#include <QString>
#include <string>
#include <string_view>

// The Windows-1252 codec used where 8-bit texts meet widgets, log files and
// terminals. Qt has no codec for it: it is Latin-1 except for 0x80 to 0x9F.

// Decodes Windows-1252 bytes; the five bytes without a character (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) become the C1 control characters of the same value, so
// that every byte survives a round trip.
QString FromCp1252(std::string_view bytes);

// Encodes into Windows-1252; characters that the code page cannot represent
// become '?'.
std::string ToCp1252(const QString& text);
