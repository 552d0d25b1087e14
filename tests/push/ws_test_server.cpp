#include "tests/push/ws_test_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>
#include <QByteArray>
#include <QCryptographicHash>

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace dravik::test {
namespace {

std::string FrameHeader(unsigned char firstByte, std::uint64_t length) {
    std::string header(1, static_cast<char>(firstByte));
    if (length < 126) {
        header += static_cast<char>(length);
    } else if (length <= 0xFFFF) {
        header += static_cast<char>(126);
        header += static_cast<char>((length >> 8) & 0xFF);
        header += static_cast<char>(length & 0xFF);
    } else {
        header += static_cast<char>(127);
        for (int shift = 56; shift >= 0; shift -= 8) {
            header += static_cast<char>((length >> shift) & 0xFF);
        }
    }
    return header;
}

std::string HeaderValue(const std::string& request, const std::string& name) {
    std::string lower = request;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    const auto at = lower.find("\r\n" + name + ":");
    if (at == std::string::npos) {
        return {};
    }
    auto begin = at + name.size() + 3;
    const auto end = request.find("\r\n", begin);
    while (begin < end && request[begin] == ' ') {
        ++begin;
    }
    return request.substr(begin, end - begin);
}

std::string AcceptKey(const std::string& key) {
    const QByteArray input = QByteArray::fromStdString(key + "258EAFA5-E914-47DA-95CA-C5AB0DC85B11");
    return QCryptographicHash::hash(input, QCryptographicHash::Sha1).toBase64().toStdString();
}

}  // namespace

WsTestServer::WsTestServer(Mode mode) : m_mode(mode) {
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof(addr);
    if (m_listenFd < 0 || ::bind(m_listenFd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
        ::listen(m_listenFd, 8) != 0 || ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&addr), &len) != 0 ||
        ::pipe2(m_wakeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::runtime_error("WsTestServer: cannot listen on 127.0.0.1");
    }
    m_port = ntohs(addr.sin_port);
    m_thread = std::thread([this] { Serve(); });
}

WsTestServer::~WsTestServer() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
        if (m_peerFd >= 0) {
            ::shutdown(m_peerFd, SHUT_RDWR);
        }
    }
    const char byte = 0;
    (void)!::write(m_wakeFds[1], &byte, 1);
    m_thread.join();
    if (m_peerFd >= 0) {
        ::close(m_peerFd);
    }
    ::close(m_listenFd);
    ::close(m_wakeFds[0]);
    ::close(m_wakeFds[1]);
}

std::string WsTestServer::Url() const {
    return "ws://127.0.0.1:" + std::to_string(m_port) + "/push";
}

std::vector<WsTestServer::Clock::time_point> WsTestServer::RequestTimes() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requestTimes;
}

std::vector<WsTestServer::Clock::time_point> WsTestServer::EndTimes() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_endTimes;
}

bool WsTestServer::WaitForRequests(std::size_t count, std::chrono::milliseconds limit) const {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, limit, [&] { return m_requestTimes.size() >= count; });
}

bool WsTestServer::WaitForEnds(std::size_t count, std::chrono::milliseconds limit) const {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, limit, [&] { return m_endTimes.size() >= count; });
}

int WsTestServer::PingsSeen() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_pings;
}

bool WsTestServer::SendText(const std::string& text) {
    return SendFrame(0x81, text);
}

bool WsTestServer::SendBinary(const std::string& bytes) {
    return SendFrame(0x82, bytes);
}

bool WsTestServer::SendFrame(unsigned char firstByte, const std::string& payload) {
    return SendRaw(FrameHeader(firstByte, payload.size()) + payload);
}

bool WsTestServer::SendRaw(const std::string& bytes) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_peerOpen && WriteLocked(bytes);
}

std::uint64_t WsTestServer::StreamFrame(unsigned char firstByte, std::uint64_t length) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_peerOpen || !WriteLocked(FrameHeader(firstByte, length))) {
        return 0;
    }
    const std::string chunk(64 * 1024, 'x');
    std::uint64_t written = 0;
    while (written < length) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), length - written));
        const ssize_t sent = ::send(m_peerFd, chunk.data(), n, MSG_NOSIGNAL);
        if (sent <= 0) {
            break;
        }
        written += static_cast<std::uint64_t>(sent);
    }
    return written;
}

void WsTestServer::Drop() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_peerFd >= 0 && !m_peerEnded) {
        // The time is taken first: the client may see the end, and start its wait, before this thread runs on.
        m_endTimes.push_back(Clock::now());
        ::shutdown(m_peerFd, SHUT_RDWR);
        m_peerEnded = true;
        m_peerOpen = false;
        m_changed.notify_all();
    }
}

bool WsTestServer::WriteLocked(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t sent = ::send(m_peerFd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (sent <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(sent);
    }
    return true;
}

// Called with m_mutex held.
void WsTestServer::EndPeer() {
    if (!m_peerEnded) {
        m_peerEnded = true;
        m_endTimes.push_back(Clock::now());
    }
    m_peerOpen = false;
    ::close(m_peerFd);
    m_peerFd = -1;
    m_input.clear();
    m_changed.notify_all();
}

void WsTestServer::Serve() {
    for (;;) {
        int peer;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_stop) {
                return;
            }
            peer = m_peerFd;
        }
        pollfd fds[3] = {{m_listenFd, POLLIN, 0}, {m_wakeFds[0], POLLIN, 0}, {peer, POLLIN, 0}};
        if (::poll(fds, peer >= 0 ? 3 : 2, 50) <= 0) {
            continue;
        }
        if (fds[0].revents & POLLIN) {
            const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) {
                // A client that stops reading must not block the server's writes for ever.
                timeval timeout{3, 0};
                ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof(timeout));
                std::lock_guard<std::mutex> lock(m_mutex);
                if (m_peerFd >= 0) {
                    EndPeer();
                }
                m_peerFd = fd;
                m_peerEnded = false;
                m_peerOpen = false;
                m_peerStalled = false;
                continue;
            }
        }
        if (peer >= 0 && (fds[2].revents & (POLLIN | POLLHUP | POLLERR))) {
            OnReadable();
        }
    }
}

void WsTestServer::OnReadable() {
    char buffer[16 * 1024];
    const ssize_t n = ::recv(m_peerFd, buffer, sizeof(buffer), 0);
    std::lock_guard<std::mutex> lock(m_mutex);
    if (n <= 0) {
        EndPeer();
        return;
    }
    m_input.append(buffer, static_cast<std::size_t>(n));
    if (m_peerEnded || m_peerStalled) {
        m_input.clear();
        return;
    }
    if (!m_peerOpen) {
        const auto end = m_input.find("\r\n\r\n");
        if (end == std::string::npos) {
            return;
        }
        const std::string request = m_input.substr(0, end + 2);
        m_input.erase(0, end + 4);
        m_requestTimes.push_back(Clock::now());
        m_changed.notify_all();
        if (m_mode == Mode::StallHandshake) {
            // Never answered: further bytes are read and dropped until the client gives up.
            m_peerStalled = true;
            m_input.clear();
            return;
        }
        const std::string response =
            "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
            "Sec-WebSocket-Accept: " +
            AcceptKey(HeaderValue(request, "sec-websocket-key")) + "\r\n\r\n";
        if (!WriteLocked(response)) {
            EndPeer();
            return;
        }
        m_peerOpen = true;
    }
    HandleFrames();
}

// Client frames are masked; only pings and closes get an answer. Called with m_mutex held.
void WsTestServer::HandleFrames() {
    while (m_peerOpen && m_input.size() >= 2) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(m_input.data());
        const int opcode = bytes[0] & 0x0F;
        std::uint64_t length = bytes[1] & 0x7F;
        std::size_t at = 2;
        if (length == 126 || length == 127) {
            const std::size_t width = length == 126 ? 2 : 8;
            if (m_input.size() < at + width) {
                return;
            }
            length = 0;
            for (std::size_t i = 0; i < width; ++i) {
                length = (length << 8) | bytes[at + i];
            }
            at += width;
        }
        const bool masked = (bytes[1] & 0x80) != 0;
        const std::size_t maskAt = at;
        at += masked ? 4 : 0;
        if (m_input.size() < at + length) {
            return;
        }
        std::string payload = m_input.substr(at, static_cast<std::size_t>(length));
        if (masked) {
            for (std::size_t i = 0; i < payload.size(); ++i) {
                payload[i] = static_cast<char>(payload[i] ^ bytes[maskAt + i % 4]);
            }
        }
        m_input.erase(0, at + static_cast<std::size_t>(length));
        if (opcode == 0x9) {
            ++m_pings;
            if (m_mode == Mode::Normal && !WriteLocked(FrameHeader(0x8A, payload.size()) + payload)) {
                EndPeer();
                return;
            }
        } else if (opcode == 0x8) {
            // Timed before the answer, which the client may act on before this thread runs on.
            if (!m_peerEnded) {
                m_peerEnded = true;
                m_endTimes.push_back(Clock::now());
                m_changed.notify_all();
            }
            if (m_mode == Mode::Normal) {
                WriteLocked(FrameHeader(0x88, payload.size()) + payload);
            }
            ::shutdown(m_peerFd, SHUT_RDWR);
            m_peerOpen = false;
            m_input.clear();
            return;
        }
    }
}

}  // namespace dravik::test
