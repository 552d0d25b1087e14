#include "sources/text_encoding.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

#include "platform/charset.h"

namespace dravik {
namespace {

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
    const std::size_t high = byte - 0x80u;
    switch (charset) {
        case Charset::kLatin1:
            return byte;
        case Charset::kIso88592:
            if (byte >= 0xA0) {
                return HighHalf(SingleByteCharset::Iso88592)[high];
            }
            [[fallthrough]];  // C1 controls: mislabelled Windows-1250 more often than not
        case Charset::kWindows1250:
        case Charset::kGuess: {
            const char32_t code = HighHalf(SingleByteCharset::Windows1250)[high];
            return code != 0 ? code : byte;
        }
    }
    return byte;
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
            if (length == 0 &&
                HighHalf(SingleByteCharset::Windows1250)[static_cast<unsigned char>(bytes[i]) - 0x80u] == 0) {
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
