#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace dravik {

// A body's Content-Encoding undone as its bytes come: gzip and deflate (with or without zlib's wrapper) through
// zlib's streaming inflate, identity and codings it does not know passed as they are. The output is capped as it
// grows, so a small compressed body that would unpack to gigabytes is stopped at the cap.
class ContentDecoder final {
public:
    enum class Result { kOk, kTooLarge, kBroken };

    explicit ContentDecoder(std::string_view coding);
    ~ContentDecoder();
    ContentDecoder(const ContentDecoder&) = delete;
    ContentDecoder& operator=(const ContentDecoder&) = delete;

    // Appends what `in` decodes to onto *out, which never grows past `limit` bytes.
    Result Decode(std::string_view in, std::string* out, std::size_t limit);
    // The body ended: kBroken when a compressed stream stopped halfway.
    Result Finish() const;

private:
    struct Stream;
    Result Inflate(std::string_view in, std::string* out, std::size_t limit);

    bool m_compressed = false;
    bool m_deflate = false;
    std::string m_start{};  // a deflate body's first bytes, until its wrapper (or none) can be told
    std::unique_ptr<Stream> m_stream;
};

}  // namespace dravik
