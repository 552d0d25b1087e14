#include "platform/charset.h"

#include <iconv.h>

#include <cstdio>

namespace dravik {
namespace {

const char* IconvName(SingleByteCharset charset) {
    switch (charset) {
        case SingleByteCharset::Windows1250:
            return "WINDOWS-1250";
        case SingleByteCharset::Iso88592:
            return "ISO-8859-2";
        case SingleByteCharset::Latin1:
            break;
    }
    return "ISO-8859-1";
}

// One byte at a time, so that a byte the charset leaves undefined costs only its own entry.
std::array<char32_t, 128> BuildHighHalf(SingleByteCharset charset) {
    std::array<char32_t, 128> table{};
    const iconv_t cd = ::iconv_open("UTF-32LE", IconvName(charset));
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        // Without the C library's converters (a stripped system) the bytes still read, as Latin-1.
        std::fprintf(stderr, "dravik: no converter from %s; read as ISO-8859-1\n", IconvName(charset));
        for (unsigned i = 0; i < table.size(); ++i) {
            table[i] = 0x80 + i;
        }
        return table;
    }
    for (unsigned i = 0; i < table.size(); ++i) {
        char in = static_cast<char>(0x80 + i);
        unsigned char out[4] = {};
        char* inPtr = &in;
        char* outPtr = reinterpret_cast<char*>(out);
        std::size_t inLeft = 1, outLeft = sizeof out;
        ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (::iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1) && outLeft == 0) {
            table[i] = static_cast<char32_t>(out[0] | out[1] << 8 | out[2] << 16 | static_cast<unsigned>(out[3]) << 24);
        }
    }
    ::iconv_close(cd);
    return table;
}

}  // namespace

const std::array<char32_t, 128>& HighHalf(SingleByteCharset charset) {
    static const std::array<char32_t, 128> windows1250 = BuildHighHalf(SingleByteCharset::Windows1250);
    static const std::array<char32_t, 128> iso88592 = BuildHighHalf(SingleByteCharset::Iso88592);
    static const std::array<char32_t, 128> latin1 = BuildHighHalf(SingleByteCharset::Latin1);
    switch (charset) {
        case SingleByteCharset::Windows1250:
            return windows1250;
        case SingleByteCharset::Iso88592:
            return iso88592;
        case SingleByteCharset::Latin1:
            break;
    }
    return latin1;
}

void AppendUtf8(char32_t code, std::string* out) {
    if (code < 0x80) {
        *out += static_cast<char>(code);
    } else if (code < 0x800) {
        *out += static_cast<char>(0xC0 | (code >> 6));
        *out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        *out += static_cast<char>(0xE0 | (code >> 12));
        *out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

}  // namespace dravik
