#include "platform/net/http_response_reader.h"

#include <algorithm>
#include <cctype>

namespace dravik {
namespace {

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

// "HTTP/1.1 200 OK" → 200; 0 when the line is no status line.
int StatusOf(std::string_view line) {
    if (line.size() < 12 || line.compare(0, 5, "HTTP/") != 0) {
        return 0;
    }
    const std::size_t space = line.find(' ');
    if (space == std::string_view::npos || space + 4 > line.size()) {
        return 0;
    }
    int status = 0;
    for (std::size_t i = space + 1; i < space + 4; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(line[i]))) {
            return 0;
        }
        status = status * 10 + (line[i] - '0');
    }
    if (space + 4 < line.size() && line[space + 4] != ' ') {
        return 0;
    }
    return status >= 100 ? status : 0;
}

}  // namespace

std::string HttpHead::Header(std::string_view name) const {
    for (const auto& [key, value] : headers) {
        if (SameName(key, name)) {
            return value;
        }
    }
    return std::string();
}

bool HttpHead::Has(std::string_view name) const {
    return std::any_of(headers.begin(), headers.end(),
                       [&](const auto& header) { return SameName(header.first, name); });
}

HttpResponseReader::State HttpResponseReader::Fail(FetchFailure failure, std::string detail) {
    if (m_state != State::kFailed) {
        m_state = State::kFailed;
        m_failure = failure;
        m_detail = std::move(detail);
        m_line.clear();
    }
    return m_state;
}

bool HttpResponseReader::TakeLine(std::string_view bytes, std::size_t* used, std::size_t bound, const char* what) {
    const std::size_t end = bytes.find('\n');
    const std::size_t take = end == std::string_view::npos ? bytes.size() : end + 1;
    if (m_line.size() + take > bound) {
        Fail(FetchFailure::kTooLarge, what);
        *used = bytes.size();
        return false;
    }
    m_line.append(bytes.data(), take);
    *used = take;
    return end != std::string_view::npos;
}

HttpResponseReader::State HttpResponseReader::Feed(std::string_view bytes, std::string* body) {
    while (!bytes.empty() && (m_state == State::kHead || m_state == State::kBody)) {
        std::size_t used = 0;
        if (m_state == State::kHead) {
            used = FeedHead(bytes);
        } else if (m_framing == Framing::kChunked) {
            used = FeedChunked(bytes, body);
        } else if (m_framing == Framing::kLength) {
            used = static_cast<std::size_t>(std::min<unsigned long long>(m_left, bytes.size()));
            body->append(bytes.data(), used);
            m_left -= used;
            if (m_left == 0) {
                m_state = State::kDone;
            }
        } else {
            used = bytes.size();
            body->append(bytes.data(), used);
        }
        bytes.remove_prefix(used);
    }
    return m_state;
}

HttpResponseReader::State HttpResponseReader::Close() {
    if (m_state == State::kBody && m_framing == Framing::kToClose) {
        m_state = State::kDone;
    } else if (m_state == State::kHead) {
        Fail(FetchFailure::kOther, "connection closed before an answer");
    } else if (m_state == State::kBody) {
        Fail(FetchFailure::kOther, "answer cut off");
    }
    return m_state;
}

std::size_t HttpResponseReader::FeedHead(std::string_view bytes) {
    std::size_t used = 0;
    if (!TakeLine(bytes, &used, kMaxHeaderBytes - m_headBytes, "header over 64 KiB")) {
        return used;
    }
    m_headBytes += m_line.size();
    std::string line = std::move(m_line);
    m_line.clear();
    line.pop_back();
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    HeadLine(std::move(line));
    return used;
}

bool HttpResponseReader::HeadLine(std::string line) {
    if (!m_statusRead) {
        m_head.status = StatusOf(line);
        if (m_head.status == 0) {
            Fail(FetchFailure::kOther, "not an HTTP answer");
            return false;
        }
        m_statusRead = true;
        return true;
    }
    if (line.empty()) {
        if (m_head.status < 200 && m_head.status != 101) {
            // An interim answer; the real one follows, and the bounds count both.
            m_statusRead = false;
            m_head = HttpHead{};
            return true;
        }
        StartBody();
        return true;
    }
    if (++m_headLines > kMaxHeaderLines) {
        Fail(FetchFailure::kTooLarge, "more than 100 header lines");
        return false;
    }
    if ((line.front() == ' ' || line.front() == '\t') && !m_head.headers.empty()) {
        // An old-style continuation of the header above.
        m_head.headers.back().second += ' ';
        m_head.headers.back().second += Trimmed(line);
        return true;
    }
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos) {
        return true;  // not a header; browsers and Qt pass over such lines too
    }
    m_head.headers.emplace_back(std::string(Trimmed(std::string_view(line).substr(0, colon))),
                                std::string(Trimmed(std::string_view(line).substr(colon + 1))));
    return true;
}

void HttpResponseReader::StartBody() {
    const int status = m_head.status;
    if (m_headOnly || status == 204 || status == 304 || status < 200) {
        m_state = State::kDone;
        return;
    }
    m_state = State::kBody;
    const std::string coding = Lower(m_head.Header("Transfer-Encoding"));
    if (!coding.empty() && coding != "identity") {
        // Chunked must be the last coding; an answer coded otherwise runs to the connection's end.
        const std::size_t at = coding.rfind("chunked");
        m_framing = at != std::string::npos && Trimmed(std::string_view(coding).substr(at + 7)).empty()
                        ? Framing::kChunked
                        : Framing::kToClose;
        return;
    }
    if (!m_head.Has("Content-Length")) {
        m_framing = Framing::kToClose;
        return;
    }
    long long declared = -1;
    for (const auto& [name, value] : m_head.headers) {
        if (!SameName(name, "Content-Length")) {
            continue;
        }
        // Repeated (or listed) lengths must all agree, else the framing is anybody's guess.
        std::string_view rest(value);
        while (true) {
            const std::size_t comma = rest.find(',');
            const std::string_view digits = Trimmed(rest.substr(0, comma));
            long long length = 0;
            bool good = !digits.empty() && digits.size() <= 18;
            for (const char c : digits) {
                good = good && std::isdigit(static_cast<unsigned char>(c));
                length = length * 10 + (c - '0');
            }
            if (!good || (declared >= 0 && declared != length)) {
                Fail(FetchFailure::kOther, "bad Content-Length");
                return;
            }
            declared = length;
            if (comma == std::string_view::npos) {
                break;
            }
            rest.remove_prefix(comma + 1);
        }
    }
    m_declared = declared;
    m_framing = Framing::kLength;
    m_left = static_cast<unsigned long long>(declared);
    if (m_left == 0) {
        m_state = State::kDone;
    }
}

std::size_t HttpResponseReader::FeedChunked(std::string_view bytes, std::string* body) {
    std::size_t used = 0;
    if (m_chunkPart == ChunkPart::kData) {
        used = static_cast<std::size_t>(std::min<unsigned long long>(m_left, bytes.size()));
        body->append(bytes.data(), used);
        m_left -= used;
        if (m_left == 0) {
            m_chunkPart = ChunkPart::kDataEnd;
        }
        return used;
    }
    if (m_chunkPart == ChunkPart::kTrailer) {
        if (!TakeLine(bytes, &used, kMaxHeaderBytes - m_headBytes, "header over 64 KiB")) {
            return used;
        }
    } else if (!TakeLine(bytes, &used, kMaxChunkLineBytes, "chunk line over 1 KiB")) {
        return used;
    }
    std::string line = std::move(m_line);
    m_line.clear();
    const std::size_t lineBytes = line.size();
    line.pop_back();
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    switch (m_chunkPart) {
        case ChunkPart::kSize: {
            unsigned long long size = 0;
            std::size_t digits = 0;
            while (digits < line.size() && std::isxdigit(static_cast<unsigned char>(line[digits]))) {
                const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(line[digits])));
                size = size * 16 + static_cast<unsigned>(c <= '9' ? c - '0' : c - 'a' + 10);
                ++digits;
            }
            const std::string_view rest = Trimmed(std::string_view(line).substr(digits));
            if (digits == 0 || digits > 15 || (!rest.empty() && rest.front() != ';')) {
                Fail(FetchFailure::kOther, "bad chunk size");
                break;
            }
            m_left = size;
            m_chunkPart = size == 0 ? ChunkPart::kTrailer : ChunkPart::kData;
            break;
        }
        case ChunkPart::kDataEnd:
            if (!line.empty()) {
                Fail(FetchFailure::kOther, "bad chunk end");
            }
            m_chunkPart = ChunkPart::kSize;
            break;
        case ChunkPart::kTrailer:
            // Trailers are read for their end only, under the head's bounds.
            m_headBytes += lineBytes;
            if (line.empty()) {
                m_state = State::kDone;
            } else if (++m_headLines > kMaxHeaderLines) {
                Fail(FetchFailure::kTooLarge, "more than 100 header lines");
            }
            break;
        case ChunkPart::kData:
            break;
    }
    return used;
}

}  // namespace dravik
