#pragma once

#include <array>
#include <string>

// The single-byte charsets the program meets (old Polish pages, old archives), read through the C library's
// iconv rather than tables of our own.
namespace dravik {

enum class SingleByteCharset { Windows1250, Iso88592, Latin1 };

// The code point of each byte 0x80..0xFF in `charset`; 0 where the charset defines none. Built once per charset.
const std::array<char32_t, 128>& HighHalf(SingleByteCharset charset);

// Appends a code point below U+10000 as UTF-8.
void AppendUtf8(char32_t code, std::string* out);

}  // namespace dravik
