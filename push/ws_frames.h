#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// WebSocket frames (RFC 6455) as plain bytes, apart from any socket: what the server sends, read as it comes and
// refused at the first thing that breaks the protocol or passes its bounds, and what the client sends back.
namespace dravik {

inline constexpr unsigned char kWsContinuation = 0x0;
inline constexpr unsigned char kWsText = 0x1;
inline constexpr unsigned char kWsBinary = 0x2;
inline constexpr unsigned char kWsClose = 0x8;
inline constexpr unsigned char kWsPing = 0x9;
inline constexpr unsigned char kWsPong = 0xA;

// What one piece of input brought, in the order it came.
struct WsReadResult {
    std::vector<std::string> texts{};  // whole text messages, UTF-8 bytes as received
    std::vector<std::string> pings{};  // each ping's payload, to be answered with a pong
    bool activity = false;             // any whole frame at all (the keep-alive's sign of life)
    bool closed = false;               // the server's close came; closeCode holds its first two bytes, if any
    std::string closeCode{};
};

class WsFrameReader final {
public:
    // maxMessageBytes bounds a frame and a message alike; either is refused on its length alone, before its bytes.
    explicit WsFrameReader(std::uint64_t maxMessageBytes) : m_maxMessageBytes(maxMessageBytes) {}

    // Takes the next bytes, in whatever pieces. False once the stream is refused (Failure() says why); from then
    // on, and after a close, everything is ignored.
    bool Feed(std::string_view bytes, WsReadResult* out);
    bool Failed() const { return !m_failure.empty(); }
    const std::string& Failure() const { return m_failure; }

private:
    bool ReadHeader(WsReadResult* out);
    bool FrameDone(WsReadResult* out);
    bool Refuse(std::string why);

    const std::uint64_t m_maxMessageBytes;
    std::string m_header{};  // a frame's header bytes until it is whole (at most 14)
    bool m_inFrame = false;  // the header is read; m_left payload bytes follow
    unsigned char m_opcode = 0;
    bool m_fin = false;
    std::uint64_t m_left = 0;
    std::string m_control{};  // a control frame's payload
    std::string m_message{};  // a text message's fragments so far
    std::uint64_t m_messageBytes = 0;
    unsigned char m_messageType = 0;  // kWsText or kWsBinary while a fragmented message is open, else 0
    bool m_closed = false;
    std::string m_failure{};
};

// One frame from the client: FIN set, masked with `mask` as every client frame must be.
std::string WsClientFrame(unsigned char opcode, std::string_view payload, const std::array<unsigned char, 4>& mask);

// True when the bytes are well-formed UTF-8 (no overlong forms, surrogates or code points past U+10FFFF).
bool IsUtf8(std::string_view bytes);

}  // namespace dravik
