// An answer read as its bytes come: the head bounded whatever the server sends, the body framed three ways, and
// coded bodies decoded under their cap.
#include "platform/net/http_response_reader.h"

#include <zlib.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/net/content_decoder.h"

namespace dravik {
namespace {

using State = HttpResponseReader::State;

std::string Lines(int count, std::size_t width = 1) {
    std::string lines;
    for (int i = 0; i < count; ++i) {
        lines += "X-Line-" + std::to_string(i) + ": " + std::string(width, 'v') + "\r\n";
    }
    return lines;
}

// The bytes split into pieces of `piece` bytes (0: whole), as reads would hand them over.
std::vector<std::string> Pieces(const std::string& bytes, std::size_t piece) {
    if (piece == 0) {
        return {bytes};
    }
    std::vector<std::string> pieces;
    for (std::size_t at = 0; at < bytes.size(); at += piece) {
        pieces.push_back(bytes.substr(at, piece));
    }
    return pieces;
}

TEST(HttpResponseReader, BoundsAndFramings) {
    const std::string ok = "HTTP/1.1 200 OK\r\n";
    const struct {
        const char* name;
        std::string bytes;
        std::size_t piece;
        bool close;
        State state;
        std::string body;
        std::string detail;
    } cases[] = {
        {"endless status line", "HTTP/1.1 200 " + std::string(200000, 'x'), 4096, false, State::kFailed, "",
         "header over 64 KiB"},
        {"endless header line", ok + "X-Long: " + std::string(200000, 'x'), 4096, false, State::kFailed, "",
         "header over 64 KiB"},
        {"99 long lines", ok + Lines(99, 700) + "\r\n", 0, false, State::kFailed, "", "header over 64 KiB"},
        {"101 header lines", ok + Lines(101) + "\r\n", 0, false, State::kFailed, "", "more than 100 header lines"},
        {"100 header lines", ok + Lines(97) + "Content-Length: 2\r\nX-Folded: a\r\n b\r\n\r\nab", 0, false,
         State::kDone, "ab", ""},
        {"split at every byte", ok + "Content-Length: 5\r\n\r\nhello", 1, false, State::kDone, "hello", ""},
        {"interim answer first", "HTTP/1.1 100 Continue\r\n\r\n" + ok + "Content-Length: 1\r\n\r\nz", 3, false,
         State::kDone, "z", ""},
        {"chunked, extensions and trailers",
         ok + "Transfer-Encoding: chunked\r\n\r\n5;name=value\r\nhello\r\n1\r\n \r\nA ; x\r\n0123456789\r\n"
              "0\r\nX-Trailer: t\r\n\r\n",
         2, false, State::kDone, "hello 0123456789", ""},
        {"endless chunk-size line", ok + "Transfer-Encoding: chunked\r\n\r\n5;" + std::string(100000, 'e'), 4096, false,
         State::kFailed, "", "chunk line over 1 KiB"},
        {"trailers past 100 lines", ok + "Transfer-Encoding: chunked\r\n\r\n0\r\n" + Lines(101), 0, false,
         State::kFailed, "", "more than 100 header lines"},
        {"chunked cut off", ok + "Transfer-Encoding: chunked\r\n\r\n5\r\nhel", 0, true, State::kFailed, "hel",
         "answer cut off"},
        {"bad chunk size", ok + "Transfer-Encoding: chunked\r\n\r\nzz\r\n", 0, false, State::kFailed, "",
         "bad chunk size"},
        {"Content-Length short", ok + "Content-Length: 10\r\n\r\nabc", 0, true, State::kFailed, "abc",
         "answer cut off"},
        {"Content-Length long: the rest ignored", ok + "Content-Length: 3\r\n\r\nabcdef", 0, false, State::kDone, "abc",
         ""},
        {"Content-Lengths that disagree", ok + "Content-Length: 3\r\nContent-Length: 4\r\n\r\nabcd", 0, false,
         State::kFailed, "", "bad Content-Length"},
        {"to the connection's end", ok + "\r\nall of it", 4, true, State::kDone, "all of it", ""},
        {"304 has no body", "HTTP/1.1 304 Not Modified\r\nContent-Length: 50\r\n\r\n", 0, false, State::kDone, "", ""},
        {"not HTTP", "SSH-2.0-OpenSSH\r\n", 0, false, State::kFailed, "", "not an HTTP answer"},
        {"closed before the head", "HTTP/1.1 200", 0, true, State::kFailed, "", "connection closed before an answer"},
    };
    for (const auto& c : cases) {
        HttpResponseReader reader;
        std::string body;
        for (const std::string& piece : Pieces(c.bytes, c.piece)) {
            reader.Feed(piece, &body);
        }
        if (c.close) {
            reader.Close();
        }
        EXPECT_EQ(reader.Current(), c.state) << c.name;
        EXPECT_EQ(body, c.body) << c.name;
        EXPECT_EQ(reader.Detail(), c.detail) << c.name;
        if (c.state == State::kFailed && c.detail.find("over") != std::string::npos) {
            EXPECT_EQ(reader.Failure(), FetchFailure::kTooLarge) << c.name;
        }
    }

    // The head's values as sent, names without case.
    HttpResponseReader reader;
    std::string body;
    reader.Feed(ok + "ETag: \"v1\"\r\nlocation:  /next \r\nContent-Length: 0\r\n\r\n", &body);
    EXPECT_EQ(reader.Current(), State::kDone);
    EXPECT_EQ(reader.Head().status, 200);
    EXPECT_EQ(reader.Head().Header("etag"), "\"v1\"");
    EXPECT_EQ(reader.Head().Header("Location"), "/next");
    // A CONNECT's answer ends with its head, whatever it announces.
    HttpResponseReader tunnel(true);
    EXPECT_EQ(tunnel.Feed(ok + "Content-Length: 10\r\n\r\n", &body), State::kDone);
}

std::string Compressed(const std::string& plain, int windowBits) {
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, 9, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string out(deflateBound(&z, plain.size()) + 64, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.data()));
    z.avail_in = static_cast<uInt>(plain.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

TEST(ContentDecoder, CodingsPiecesAndCap) {
    const std::string plain = "line one\nline two\n" + std::string(100000, 'q');
    const struct {
        const char* coding;
        std::string bytes;
    } cases[] = {
        {"gzip", Compressed(plain, 15 + 16)},
        {"x-gzip", Compressed(plain, 15 + 16)},
        {"deflate", Compressed(plain, 15)},   // zlib's wrapper, as the standard says
        {"Deflate", Compressed(plain, -15)},  // the bare stream some servers send
        {"identity", plain},
        {"br", plain},  // a coding not known is passed as it is
    };
    for (const auto& c : cases) {
        for (const std::size_t piece : {std::size_t{0}, std::size_t{1}, std::size_t{7}}) {
            ContentDecoder decoder(c.coding);
            std::string out;
            for (const std::string& part : Pieces(c.bytes, piece)) {
                ASSERT_EQ(decoder.Decode(part, &out, plain.size()), ContentDecoder::Result::kOk) << c.coding;
            }
            EXPECT_EQ(decoder.Finish(), ContentDecoder::Result::kOk) << c.coding;
            EXPECT_EQ(out, plain) << c.coding << " in pieces of " << piece;
        }
    }
    // Two gzip members are one body.
    ContentDecoder members("gzip");
    std::string joined;
    EXPECT_EQ(members.Decode(Compressed("ab", 31) + Compressed("cd", 31), &joined, 100), ContentDecoder::Result::kOk);
    EXPECT_EQ(joined, "abcd");

    // 16 MiB of zeros packed into some 16 KiB stop at the cap, never held whole.
    const std::string bomb = Compressed(std::string(16u << 20, '\0'), 31);
    ContentDecoder capped("gzip");
    std::string out;
    EXPECT_EQ(capped.Decode(bomb, &out, 1u << 20), ContentDecoder::Result::kTooLarge);
    EXPECT_LE(out.size(), 1u << 20);

    ContentDecoder broken("gzip");
    std::string garbage;
    EXPECT_EQ(broken.Decode("not gzip at all", &garbage, 100), ContentDecoder::Result::kBroken);
    ContentDecoder cut("gzip");
    std::string half;
    const std::string whole = Compressed(plain, 31);
    EXPECT_EQ(cut.Decode(whole.substr(0, whole.size() / 2), &half, plain.size()), ContentDecoder::Result::kOk);
    EXPECT_EQ(cut.Finish(), ContentDecoder::Result::kBroken);
}

}  // namespace
}  // namespace dravik
