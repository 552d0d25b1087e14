#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace dravik::test {

// A WebSocket server on 127.0.0.1 (a free port) written over plain sockets, so that a test decides every
// byte on the wire: well-formed frames, garbage, frames announcing 50 MiB, a handshake that never comes.
// One connection at a time; a new one replaces the old.
class WsTestServer final {
public:
    using Clock = std::chrono::steady_clock;

    enum class Mode {
        Normal,          // answers the handshake, pings with pongs and a close with a close
        NoPong,          // answers the handshake, then is silent whatever the client sends
        StallHandshake,  // reads the request and never answers it
    };

    explicit WsTestServer(Mode mode = Mode::Normal);
    ~WsTestServer();
    WsTestServer(const WsTestServer&) = delete;
    WsTestServer& operator=(const WsTestServer&) = delete;

    std::string Url() const;

    // When each connection's handshake request arrived, and when each connection ended (by Drop() or by
    // the client), in order.
    std::vector<Clock::time_point> RequestTimes() const;
    std::vector<Clock::time_point> EndTimes() const;
    bool WaitForRequests(std::size_t count, std::chrono::milliseconds limit) const;
    bool WaitForEnds(std::size_t count, std::chrono::milliseconds limit) const;
    int PingsSeen() const;

    // Frames to the current connection (after its handshake); false when there is none or the write fails.
    bool SendText(const std::string& text);
    bool SendBinary(const std::string& bytes);
    bool SendFrame(unsigned char firstByte, const std::string& payload);
    bool SendRaw(const std::string& bytes);
    // A frame header announcing `length` payload bytes, then filler in 64 KiB writes until all of it is
    // sent or the client stops taking it. Returns the payload bytes written.
    std::uint64_t StreamFrame(unsigned char firstByte, std::uint64_t length);

    // Ends the current connection at once (no close frame).
    void Drop();

private:
    void Serve();
    void OnReadable();
    void HandleFrames();
    void EndPeer();
    bool WriteLocked(const std::string& bytes);

    const Mode m_mode;
    int m_listenFd = -1;
    int m_port = 0;
    std::thread m_thread;
    int m_wakeFds[2] = {-1, -1};

    mutable std::mutex m_mutex;  // the peer's fd, its state and the records below
    mutable std::condition_variable m_changed;
    int m_peerFd = -1;
    bool m_peerOpen = false;  // handshake answered, frames may flow
    bool m_peerEnded = true;
    bool m_peerStalled = false;  // its request is never to be answered
    std::string m_input;         // bytes read from the peer, not yet handled (server thread only)
    bool m_stop = false;
    std::vector<Clock::time_point> m_requestTimes, m_endTimes;
    int m_pings = 0;
};

}  // namespace dravik::test
