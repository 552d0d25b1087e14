#include "tests/push/test_proxy.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

namespace dravik::test {
namespace {

constexpr std::uint64_t kGiveUpBytes = 256ull << 20;

int Listen(int* port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof(addr);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 || ::listen(fd, 8) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        throw std::runtime_error("TestProxy: cannot listen on 127.0.0.1");
    }
    *port = ntohs(addr.sin_port);
    return fd;
}

bool SendAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

TestProxy::TestProxy(Mode mode) : m_mode(mode) {
    m_listenFd = Listen(&m_port);
    if (::pipe2(m_wakeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::runtime_error("TestProxy: no pipe");
    }
    m_thread = std::thread([this] { Serve(); });
}

TestProxy::~TestProxy() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
        for (const int fd : m_fds) {
            ::shutdown(fd, SHUT_RDWR);
        }
    }
    const char byte = 0;
    (void)!::write(m_wakeFds[1], &byte, 1);
    m_thread.join();
    ::close(m_listenFd);
    ::close(m_wakeFds[0]);
    ::close(m_wakeFds[1]);
}

std::string TestProxy::Address() const {
    return "http://127.0.0.1:" + std::to_string(m_port);
}

std::vector<std::string> TestProxy::Requests() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

bool TestProxy::WaitForRequests(std::size_t count, std::chrono::milliseconds limit) const {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, limit, [&] { return m_requests.size() >= count; });
}

bool TestProxy::WaitForClosed(std::size_t count, std::chrono::milliseconds limit) const {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, limit, [&] { return m_closed >= count; });
}

std::uint64_t TestProxy::MostSent() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_mostSent;
}

// One connection after another: the push has one at a time.
void TestProxy::Serve() {
    for (;;) {
        pollfd fds[2] = {{m_listenFd, POLLIN, 0}, {m_wakeFds[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 || (fds[1].revents & POLLIN) != 0) {
            return;
        }
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_stop) {
                ::close(fd);
                return;
            }
            m_fds.push_back(fd);
        }
        Handle(fd);
    }
}

void TestProxy::Handle(int fd) {
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            break;
        }
        head.append(buffer, static_cast<std::size_t>(n));
    }
    const std::string line = head.substr(0, head.find("\r\n"));
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_requests.push_back(line);
        m_changed.notify_all();
    }
    if (line.rfind("CONNECT ", 0) == 0) {
        if (m_mode == Mode::EndlessHeader) {
            Endless(fd);
        } else {
            Splice(fd, line.substr(8, line.find(' ', 8) - 8));
        }
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_fds.erase(std::find(m_fds.begin(), m_fds.end(), fd));
    ::close(fd);
    ++m_closed;
    m_changed.notify_all();
}

void TestProxy::Endless(int fd) {
    const std::string lines = [] {
        std::string one = "X-Pad: " + std::string(1017, 'a') + "\r\n";
        std::string many;
        for (int i = 0; i < 64; ++i) {
            many += one;
        }
        return many;
    }();
    std::uint64_t sent = 0;
    if (SendAll(fd, "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n")) {
        while (sent < kGiveUpBytes && SendAll(fd, lines)) {
            sent += lines.size();
        }
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_mostSent = std::max(m_mostSent, sent);
    }
    // Given up: hold on until the client lets go.
    char buffer[4096];
    while (::recv(fd, buffer, sizeof buffer, 0) > 0) {
    }
}

void TestProxy::Splice(int fd, const std::string& target) {
    const std::size_t colon = target.rfind(':');
    if (target.substr(0, colon) != "127.0.0.1") {
        SendAll(fd, "HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\n\r\n");
        return;
    }
    const int upstream = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(std::stoi(target.substr(colon + 1))));
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_fds.push_back(upstream);
    }
    if (::connect(upstream, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0 &&
        SendAll(fd, "HTTP/1.1 200 Connection established\r\n\r\n")) {
        char buffer[65536];
        for (bool open = true; open;) {
            pollfd fds[2] = {{fd, POLLIN, 0}, {upstream, POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0) {
                break;
            }
            for (int i = 0; i < 2 && open; ++i) {
                if (fds[i].revents == 0) {
                    continue;
                }
                const ssize_t n = ::recv(fds[i].fd, buffer, sizeof buffer, 0);
                open = n > 0 && SendAll(fds[1 - i].fd, std::string(buffer, static_cast<std::size_t>(n)));
            }
        }
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_fds.erase(std::find(m_fds.begin(), m_fds.end(), upstream));
    ::close(upstream);
}

}  // namespace dravik::test
