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

// An HTTP proxy on 127.0.0.1 (a free port) that takes CONNECT requests over plain sockets: either a working
// tunnel to the 127.0.0.1 port asked for, or a hostile one whose answer's header never ends.
class TestProxy final {
public:
    enum class Mode {
        Tunnel,         // "200 Connection established", then bytes both ways
        EndlessHeader,  // "HTTP/1.1 200 OK" and header lines without end, up to 256 MiB, as fast as they are taken
    };

    explicit TestProxy(Mode mode);
    ~TestProxy();
    TestProxy(const TestProxy&) = delete;
    TestProxy& operator=(const TestProxy&) = delete;

    std::string Address() const;
    // Each connection's request line, in order.
    std::vector<std::string> Requests() const;
    bool WaitForRequests(std::size_t count, std::chrono::milliseconds limit) const;
    // Connections the client has closed, and the most header bytes any one of them was sent.
    bool WaitForClosed(std::size_t count, std::chrono::milliseconds limit) const;
    std::uint64_t MostSent() const;

private:
    void Serve();
    void Handle(int fd);
    void Endless(int fd);
    void Splice(int fd, const std::string& target);

    const Mode m_mode;
    int m_listenFd = -1;
    int m_port = 0;
    int m_wakeFds[2] = {-1, -1};
    std::thread m_thread;
    mutable std::mutex m_mutex;  // everything below
    mutable std::condition_variable m_changed;
    bool m_stop = false;
    std::vector<int> m_fds;  // the open connection and its tunnel's, shut down at the end
    std::vector<std::string> m_requests;
    std::size_t m_closed = 0;
    std::uint64_t m_mostSent = 0;
};

}  // namespace dravik::test
