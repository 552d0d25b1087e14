#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/page_fetcher.h"

namespace dravik {

// How much of an answer is read before its body: the status line and every header line together, and the lines
// apart. Past either the answer is given up at once, so a server that sends header bytes without end costs no
// more than this.
inline constexpr std::size_t kMaxHeaderBytes = 64 * 1024;
inline constexpr int kMaxHeaderLines = 100;
// A chunk's size line with its extensions.
inline constexpr std::size_t kMaxChunkLineBytes = 1024;

// The status and header lines of an answer, names as sent.
struct HttpHead {
    int status = 0;
    std::vector<std::pair<std::string, std::string>> headers{};

    // The first value of a header (names compared without case); empty when absent.
    std::string Header(std::string_view name) const;
    bool Has(std::string_view name) const;
};

// Reads one HTTP/1.1 answer as its bytes come, in whatever pieces: interim 1xx answers skipped, then the head,
// then the body framed by chunks, by Content-Length or by the connection's end. The body is handed out as it
// was sent (still content-coded); nothing of the head is held past its bounds.
class HttpResponseReader final {
public:
    enum class State { kHead, kBody, kDone, kFailed };

    // headOnly: the answer has no body whatever it says (a CONNECT's, a HEAD's, a 204 or 304 have none anyway).
    explicit HttpResponseReader(bool headOnly = false) : m_headOnly(headOnly) {}

    // Takes the next bytes; body bytes are appended to *body. Bytes past the end of the answer are ignored.
    State Feed(std::string_view bytes, std::string* body);
    // The peer closed the connection: a body that runs to the end is whole, anything else unfinished is cut off.
    State Close();

    State Current() const { return m_state; }
    bool HeadDone() const { return m_state == State::kBody || (m_state == State::kDone && m_head.status > 0); }
    const HttpHead& Head() const { return m_head; }
    // The Content-Length announced, -1 when none (or chunked).
    long long DeclaredLength() const { return m_declared; }
    FetchFailure Failure() const { return m_failure; }
    const std::string& Detail() const { return m_detail; }

private:
    enum class Framing { kNone, kLength, kChunked, kToClose };
    enum class ChunkPart { kSize, kData, kDataEnd, kTrailer };

    std::size_t FeedHead(std::string_view bytes);
    std::size_t FeedChunked(std::string_view bytes, std::string* body);
    // Takes bytes up to the next line end into m_line; true when the line is whole. `bound` caps the line.
    bool TakeLine(std::string_view bytes, std::size_t* used, std::size_t bound, const char* what);
    bool HeadLine(std::string line);
    void StartBody();
    State Fail(FetchFailure failure, std::string detail);

    bool m_headOnly;
    State m_state = State::kHead;
    HttpHead m_head{};
    std::string m_line{};
    bool m_statusRead = false;
    std::size_t m_headBytes = 0;
    int m_headLines = 0;
    Framing m_framing = Framing::kNone;
    ChunkPart m_chunkPart = ChunkPart::kSize;
    long long m_declared = -1;
    unsigned long long m_left = 0;
    FetchFailure m_failure = FetchFailure::kNone;
    std::string m_detail{};
};

}  // namespace dravik
