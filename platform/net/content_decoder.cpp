#include "platform/net/content_decoder.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>

namespace dravik {

struct ContentDecoder::Stream {
    z_stream z{};
    bool open = false;
    bool ended = false;
    bool sawInput = false;
    ~Stream() {
        if (open) {
            inflateEnd(&z);
        }
    }
};

ContentDecoder::ContentDecoder(std::string_view coding) : m_stream(std::make_unique<Stream>()) {
    std::string name(coding);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    name.erase(0, name.find_first_not_of(" \t"));
    name.erase(name.find_last_not_of(" \t") + 1);
    m_deflate = name == "deflate";
    m_compressed = m_deflate || name == "gzip" || name == "x-gzip";
}

ContentDecoder::~ContentDecoder() = default;

ContentDecoder::Result ContentDecoder::Decode(std::string_view in, std::string* out, std::size_t limit) {
    if (!m_compressed) {
        if (out->size() + in.size() > limit) {
            return Result::kTooLarge;
        }
        out->append(in.data(), in.size());
        return Result::kOk;
    }
    if (in.empty()) {
        return Result::kOk;
    }
    m_stream->sawInput = true;
    if (!m_stream->open) {
        int windowBits = 15 + 32;  // a gzip or zlib wrapper, told by its header
        if (m_deflate) {
            // "deflate" is meant to be zlib's wrapper, but some servers send the bare stream.
            m_start.append(in.data(), in.size());
            if (m_start.size() < 2) {
                return Result::kOk;
            }
            const auto first = static_cast<unsigned char>(m_start[0]);
            const auto second = static_cast<unsigned char>(m_start[1]);
            const bool wrapped = (first & 0x0f) == 8 && (first * 256 + second) % 31 == 0;
            windowBits = wrapped ? 15 : -15;
        }
        if (inflateInit2(&m_stream->z, windowBits) != Z_OK) {
            return Result::kBroken;
        }
        m_stream->open = true;
        if (m_deflate) {
            const std::string start = std::move(m_start);
            m_start.clear();
            return Inflate(start, out, limit);
        }
    }
    return Inflate(in, out, limit);
}

ContentDecoder::Result ContentDecoder::Inflate(std::string_view in, std::string* out, std::size_t limit) {
    z_stream& z = m_stream->z;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    z.avail_in = static_cast<uInt>(in.size());
    char buffer[64 * 1024];
    while (z.avail_in > 0) {
        if (m_stream->ended) {
            // Another gzip member follows; anything else after the end is broken.
            if (m_deflate || inflateReset(&z) != Z_OK) {
                return Result::kBroken;
            }
            m_stream->ended = false;
        }
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = sizeof(buffer);
        const int result = inflate(&z, Z_NO_FLUSH);
        if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) {
            return Result::kBroken;
        }
        const std::size_t produced = sizeof(buffer) - z.avail_out;
        if (out->size() + produced > limit) {
            return Result::kTooLarge;
        }
        out->append(buffer, produced);
        if (result == Z_STREAM_END) {
            m_stream->ended = true;
        } else if (result == Z_BUF_ERROR || (produced == 0 && z.avail_in > 0 && z.avail_out > 0)) {
            return Result::kBroken;
        }
    }
    // The input is used up, but inflate may still hold output of it.
    while (!m_stream->ended) {
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = sizeof(buffer);
        const int result = inflate(&z, Z_NO_FLUSH);
        const std::size_t produced = sizeof(buffer) - z.avail_out;
        if (out->size() + produced > limit) {
            return Result::kTooLarge;
        }
        out->append(buffer, produced);
        if (result == Z_STREAM_END) {
            m_stream->ended = true;
        } else if (result != Z_OK || produced == 0) {
            break;
        }
    }
    return Result::kOk;
}

ContentDecoder::Result ContentDecoder::Finish() const {
    if (!m_compressed || (!m_stream->sawInput)) {
        return Result::kOk;
    }
    return m_stream->ended ? Result::kOk : Result::kBroken;
}

}  // namespace dravik
