#include "sources/text_encoding.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

namespace dravik {
namespace {

// Windows-1250 from 0x80 on; 0 where it defines no character.
constexpr std::uint16_t kCp1250[128] = {
    0x20AC, 0,      0x201A, 0,      0x201E, 0x2026, 0x2020, 0x2021, 0,      0x2030, 0x0160, 0x2039, 0x015A,
    0x0164, 0x017D, 0x0179, 0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0,      0x2122,
    0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6,
    0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, 0x00B0, 0x00B1, 0x02DB, 0x0142,
    0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, 0x0154,
    0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD,
    0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA,
    0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4,
    0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

// ISO-8859-2 from 0xA0 to 0xBF; from 0xC0 on it agrees with Windows-1250.
constexpr std::uint16_t kIso88592A0[32] = {
    0x00A0, 0x0104, 0x02D8, 0x0141, 0x00A4, 0x013D, 0x015A, 0x00A7, 0x00A8, 0x0160, 0x015E,
    0x0164, 0x0179, 0x00AD, 0x017D, 0x017B, 0x00B0, 0x0105, 0x02DB, 0x0142, 0x00B4, 0x013E,
    0x015B, 0x02C7, 0x00B8, 0x0161, 0x015F, 0x0165, 0x017A, 0x02DD, 0x017E, 0x017C,
};

enum class Charset { kGuess, kWindows1250, kIso88592, kLatin1 };

Charset CharsetOf(std::string_view name) {
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    if (lower == "windows-1250" || lower == "cp1250" || lower == "x-cp1250") {
        return Charset::kWindows1250;
    }
    if (lower == "iso-8859-2" || lower == "iso8859-2" || lower == "latin2" || lower == "l2") {
        return Charset::kIso88592;
    }
    if (lower == "iso-8859-1" || lower == "iso8859-1" || lower == "latin1" || lower == "l1" ||
        lower == "windows-1252" || lower == "us-ascii") {
        return Charset::kLatin1;
    }
    return Charset::kGuess;  // UTF-8 (which these bytes are not) or unknown
}

std::uint32_t Decode(unsigned char byte, Charset charset) {
    switch (charset) {
        case Charset::kLatin1:
            return byte;
        case Charset::kIso88592:
            if (byte >= 0xA0 && byte < 0xC0) {
                return kIso88592A0[byte - 0xA0];
            }
            if (byte >= 0xC0) {
                return kCp1250[byte - 0x80];
            }
            [[fallthrough]];  // C1 controls: mislabelled Windows-1250 more often than not
        case Charset::kWindows1250:
        case Charset::kGuess:
            return kCp1250[byte - 0x80] != 0 ? kCp1250[byte - 0x80] : byte;
    }
    return byte;
}

void AppendUtf8(std::uint32_t c, std::string* out) {
    if (c < 0x80) {
        *out += static_cast<char>(c);
    } else if (c < 0x800) {
        *out += static_cast<char>(0xC0 | (c >> 6));
        *out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *out += static_cast<char>(0xE0 | (c >> 12));
        *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The length of the well-formed UTF-8 sequence at `i`, 0 when there is none.
std::size_t SequenceAt(std::string_view s, std::size_t i) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = b(i);
    if (lead < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (i + length > s.size() || b(i + 1) < low || b(i + 1) > high) {
        return 0;
    }
    for (std::size_t k = 2; k < length; ++k) {
        if (b(i + k) < 0x80 || b(i + k) > 0xBF) {
            return 0;
        }
    }
    return length;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = SequenceAt(bytes, i);
        if (length == 0) {
            return false;
        }
        i += length;
    }
    return true;
}

std::string DeclaredCharset(std::string_view body) {
    std::string head(body.substr(0, 4096));
    std::transform(head.begin(), head.end(), head.begin(), [](unsigned char c) { return std::tolower(c); });
    for (const char* key : {"charset=", "encoding="}) {
        std::size_t at = head.find(key);
        if (at == std::string::npos) {
            continue;
        }
        at += std::char_traits<char>::length(key);
        while (at < head.size() && (head[at] == '"' || head[at] == '\'' || head[at] == ' ')) {
            ++at;
        }
        std::size_t end = at;
        while (end < head.size() &&
               (std::isalnum(static_cast<unsigned char>(head[end])) != 0 || head[end] == '-' || head[end] == '_')) {
            ++end;
        }
        if (end > at) {
            return head.substr(at, end - at);
        }
    }
    return {};
}

std::string ToUtf8(std::string_view bytes, std::string_view charset) {
    if (IsValidUtf8(bytes)) {
        return std::string(bytes);
    }
    Charset chosen = CharsetOf(charset);
    if (chosen == Charset::kGuess) {
        // Windows-1250 unless a byte it leaves undefined says the page is something else.
        chosen = Charset::kWindows1250;
        for (std::size_t i = 0; i < bytes.size();) {
            const std::size_t length = SequenceAt(bytes, i);
            if (length == 0 && kCp1250[static_cast<unsigned char>(bytes[i]) - 0x80] == 0) {
                chosen = Charset::kLatin1;
                break;
            }
            i += std::max<std::size_t>(length, 1);
        }
    }
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = SequenceAt(bytes, i);
        if (length > 0) {
            out.append(bytes.substr(i, length));
            i += length;
        } else {
            AppendUtf8(Decode(static_cast<unsigned char>(bytes[i]), chosen), &out);
            ++i;
        }
    }
    return out;
}

}  // namespace dravik
