#include "push/ws_frames.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "push/ws_connection.h"

namespace dravik {
namespace {

std::string Frame(unsigned char first, const std::string& payload) {
    std::string out(1, static_cast<char>(first));
    if (payload.size() < 126) {
        out += static_cast<char>(payload.size());
    } else {
        out += static_cast<char>(126);
        out += static_cast<char>(payload.size() >> 8);
        out += static_cast<char>(payload.size() & 0xFF);
    }
    return out + payload;
}

struct Outcome {
    std::vector<std::string> texts;
    std::vector<std::string> pings;
    bool closed = false;
    bool refused = false;
};

Outcome Read(const std::string& bytes, std::size_t piece) {
    WsFrameReader reader(1024);
    WsReadResult result;
    bool ok = true;
    for (std::size_t at = 0; at < bytes.size() && ok; at += piece) {
        ok = reader.Feed(std::string_view(bytes).substr(at, piece), &result);
    }
    return {result.texts, result.pings, result.closed, !ok};
}

// Each input read whole and a byte at a time, with a 1 KiB bound on frames and messages.
TEST(WsFramesTest, ReadsFramingsAndRefusesWhatBreaksTheProtocolOrItsBounds) {
    const std::string kilo(1000, 'k');
    const struct {
        const char* name;
        std::string bytes;
        std::vector<std::string> texts;
        std::vector<std::string> pings;
        bool closed;
        bool refused;
    } cases[] = {
        {"text", Frame(0x81, "hi"), {"hi"}, {}, false, false},
        {"16-bit length", Frame(0x81, kilo), {kilo}, {}, false, false},
        {"fragments with a ping between",
         Frame(0x01, "he") + Frame(0x89, "p") + Frame(0x00, "l") + Frame(0x80, "lo"),
         {"hello"},
         {"p"},
         false,
         false},
        {"binary ignored, pong taken",
         Frame(0x82, "\x01\x02") + Frame(0x8A, "") + Frame(0x81, "x"),
         {"x"},
         {},
         false,
         false},
        {"UTF-8 of four bytes", Frame(0x81, "\xf0\x9f\x8c\x8b"), {"\xf0\x9f\x8c\x8b"}, {}, false, false},
        {"close answered, the rest ignored",
         Frame(0x88,
               "\x03\xe8"
               "bye") +
             Frame(0x81, "late"),
         {},
         {},
         true,
         false},
        {"64-bit length past the bound, refused on its header",
         std::string("\x81\x7f\x00\x00\x01\x00\x00\x00\x00\x00", 10),
         {},
         {},
         false,
         true},
        {"message past the bound across fragments",
         Frame(0x01, kilo) + Frame(0x80, std::string(100, 'x')),
         {},
         {},
         false,
         true},
        {"masked server frame", std::string("\x81\x82\x01\x02\x03\x04hi", 8), {}, {}, false, true},
        {"reserved bits", Frame(0xC1, "hi"), {}, {}, false, true},
        {"control frame over 125 bytes", Frame(0x89, std::string(126, 'p')), {}, {}, false, true},
        {"fragmented control frame", Frame(0x09, "p"), {}, {}, false, true},
        {"unknown data opcode", Frame(0x83, "x"), {}, {}, false, true},
        {"unknown control opcode", Frame(0x8B, "x"), {}, {}, false, true},
        {"continuation without a message", Frame(0x80, "x"), {}, {}, false, true},
        {"new message inside a fragmented one", Frame(0x01, "a") + Frame(0x81, "b"), {}, {}, false, true},
        {"overlong UTF-8", Frame(0x81, "\xc0\xaf"), {}, {}, false, true},
        {"UTF-16 surrogate", Frame(0x81, "\xed\xa0\x80"), {}, {}, false, true},
        {"UTF-8 cut short", Frame(0x81, "ok\xc3"), {}, {}, false, true},
    };
    for (const auto& c : cases) {
        for (const std::size_t piece : {c.bytes.size(), std::size_t{1}}) {
            const Outcome got = Read(c.bytes, piece);
            EXPECT_EQ(got.texts, c.texts) << c.name << ", pieces of " << piece;
            EXPECT_EQ(got.pings, c.pings) << c.name << ", pieces of " << piece;
            EXPECT_EQ(got.closed, c.closed) << c.name << ", pieces of " << piece;
            EXPECT_EQ(got.refused, c.refused) << c.name << ", pieces of " << piece;
        }
    }
}

TEST(WsFramesTest, ClientFramesAreMaskedAndTheAcceptKeyIsTheProtocols) {
    const std::string payload(300, 'z');
    const std::string frame = WsClientFrame(kWsPing, payload, {1, 2, 3, 4});
    ASSERT_EQ(frame.size(), 2u + 2 + 4 + payload.size());
    EXPECT_EQ(static_cast<unsigned char>(frame[0]), 0x89);
    EXPECT_EQ(static_cast<unsigned char>(frame[1]), 0x80 | 126);
    EXPECT_EQ(frame.substr(2, 2), std::string("\x01\x2c", 2));
    for (std::size_t i = 0; i < payload.size(); ++i) {
        ASSERT_EQ(static_cast<char>(frame[8 + i] ^ frame[4 + i % 4]), 'z') << i;
    }
    // The example in RFC 6455, section 1.3.
    EXPECT_EQ(WsAcceptFor("dGhlIHNhbXBsZSBub25jZQ=="), "s3pPLMBiTxaQ9kYGzzhZRbK+xOo=");
}

}  // namespace
}  // namespace dravik
