#include "tests/common/http_test_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <stdexcept>

namespace dravik::test {
namespace {

int BindLoopback(int* port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        throw std::runtime_error("socket failed");
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof(addr);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        ::close(fd);
        throw std::runtime_error("bind failed");
    }
    *port = ntohs(addr.sin_port);
    return fd;
}

const char* Reason(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 301:
            return "Moved Permanently";
        case 302:
            return "Found";
        case 404:
            return "Not Found";
        case 500:
            return "Internal Server Error";
        default:
            return "Status";
    }
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

HttpRequest ParseRequest(const std::string& head) {
    HttpRequest request;
    std::string::size_type lineEnd = head.find("\r\n");
    const std::string first = head.substr(0, lineEnd);
    const auto sp1 = first.find(' ');
    const auto sp2 = first.find(' ', sp1 == std::string::npos ? sp1 : sp1 + 1);
    if (sp1 != std::string::npos) {
        request.method = first.substr(0, sp1);
        request.target = first.substr(sp1 + 1, sp2 == std::string::npos ? std::string::npos : sp2 - sp1 - 1);
    }
    while (lineEnd != std::string::npos) {
        const auto start = lineEnd + 2;
        lineEnd = head.find("\r\n", start);
        const std::string line = head.substr(start, lineEnd == std::string::npos ? std::string::npos : lineEnd - start);
        const auto colon = line.find(':');
        if (colon != std::string::npos) {
            request.headers[Lower(line.substr(0, colon))] = Trim(line.substr(colon + 1));
        }
    }
    return request;
}

// The path and query of a target in origin form or absolute form.
std::string PathOf(const std::string& target) {
    const auto scheme = target.find("://");
    if (scheme == std::string::npos || target.compare(0, 1, "/") == 0) {
        return target;
    }
    const auto slash = target.find('/', scheme + 3);
    return slash == std::string::npos ? std::string("/") : target.substr(slash);
}

}  // namespace

HttpTestServer::HttpTestServer() {
    if (::pipe2(m_wakePipe, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    m_listenFd = BindLoopback(&m_port);
    if (::listen(m_listenFd, 64) != 0) {
        throw std::runtime_error("listen failed");
    }
    // A bound socket that never listens: connecting to it is refused, and no one else can take the port.
    m_refusingFd = BindLoopback(&m_refusingPort);
    m_acceptThread = std::thread([this] { AcceptLoop(); });
}

HttpTestServer::~HttpTestServer() {
    m_stopping = true;
    const char byte = 1;
    // The pipe is never drained, so every waiter sees it readable from now on.
    (void)!::write(m_wakePipe[1], &byte, 1);
    m_acceptThread.join();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (int fd : m_connectionFds) {
            ::shutdown(fd, SHUT_RDWR);
        }
    }
    for (std::thread& thread : m_connectionThreads) {
        thread.join();
    }
    ::close(m_listenFd);
    ::close(m_refusingFd);
    ::close(m_wakePipe[0]);
    ::close(m_wakePipe[1]);
}

std::string HttpTestServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

std::string HttpTestServer::RefusedUrl(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_refusingPort) + path;
}

void HttpTestServer::Set(const std::string& path, HttpResponse response) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_routes[path] = std::move(response);
}

void HttpTestServer::Serve(const std::string& path, std::string body, int status, std::string contentType) {
    HttpResponse response;
    response.status = status;
    response.body = std::move(body);
    response.headers.emplace_back("Content-Type", std::move(contentType));
    Set(path, std::move(response));
}

void HttpTestServer::Redirect(const std::string& path, const std::string& location, int status) {
    HttpResponse response;
    response.status = status;
    response.headers.emplace_back("Location", location);
    Set(path, std::move(response));
}

void HttpTestServer::Stall(const std::string& path) {
    HttpResponse response;
    response.stall = true;
    Set(path, std::move(response));
}

std::vector<HttpRequest> HttpTestServer::Requests() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

int HttpTestServer::RequestCount(const std::string& path) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<int>(std::count_if(m_requests.begin(), m_requests.end(),
                                          [&](const HttpRequest& r) { return PathOf(r.target) == path; }));
}

void HttpTestServer::AcceptLoop() {
    while (!m_stopping) {
        pollfd fds[2] = {{m_listenFd, POLLIN, 0}, {m_wakePipe[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR) {
            return;
        }
        if (m_stopping || (fds[0].revents & POLLIN) == 0) {
            continue;
        }
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        m_connectionFds.push_back(fd);
        ++m_openConnections;
        m_connectionThreads.emplace_back([this, fd] { ServeConnection(fd); });
    }
}

bool HttpTestServer::WaitReadable(int fd) const {
    pollfd fds[2] = {{fd, POLLIN, 0}, {m_wakePipe[0], POLLIN, 0}};
    while (::poll(fds, 2, -1) < 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return !m_stopping && (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0;
}

bool HttpTestServer::WaitWritable(int fd) const {
    pollfd fds[2] = {{fd, POLLOUT, 0}, {m_wakePipe[0], POLLIN, 0}};
    while (::poll(fds, 2, -1) < 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return !m_stopping && (fds[0].revents & POLLOUT) != 0;
}

bool HttpTestServer::Sleep(int ms) const {
    pollfd wake = {m_wakePipe[0], POLLIN, 0};
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!m_stopping) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now()).count();
        if (left <= 0) {
            return true;
        }
        ::poll(&wake, 1, static_cast<int>(left));
    }
    return false;
}

bool HttpTestServer::SendAll(int fd, const char* data, std::size_t size) const {
    while (size > 0) {
        const ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0) {
            data += sent;
            size -= static_cast<std::size_t>(sent);
        } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            if (!WaitWritable(fd)) {
                return false;
            }
        } else {
            return false;
        }
    }
    return true;
}

void HttpTestServer::ServeConnection(int fd) {
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
        if (!WaitReadable(fd)) {
            break;
        }
        const ssize_t got = ::recv(fd, buffer, sizeof(buffer), 0);
        if (got <= 0) {
            break;
        }
        head.append(buffer, static_cast<std::size_t>(got));
    }

    if (head.find("\r\n\r\n") != std::string::npos) {
        HttpRequest request = ParseRequest(head);
        HttpResponse response;
        response.status = 404;
        response.body = "Not found";
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            const std::string path = PathOf(request.target);
            auto route = m_routes.find(path);
            if (route == m_routes.end()) {
                route = m_routes.find(path.substr(0, path.find('?')));
            }
            if (route != m_routes.end()) {
                response = route->second;
            }
            m_requests.push_back(std::move(request));
        }

        bool go = response.delayMs <= 0 || Sleep(response.delayMs);
        if (go && response.stall) {
            // Until the client gives up or the server stops.
            while (WaitReadable(fd) && ::recv(fd, buffer, sizeof(buffer), 0) > 0) {
            }
            go = false;
        }
        if (go && response.headerFlood != 0) {
            std::string block = "HTTP/1.1 200 OK\r\n";
            if (response.headerFlood == 1) {
                block += "X-Flood: ";
            }
            go = SendAll(fd, block.data(), block.size());
            block = response.headerFlood == 1 ? std::string(65536, 'f') : std::string();
            while (block.size() < 65536 && response.headerFlood != 1) {
                block += "X-Flood-" + std::to_string(block.size()) + ": f\r\n";
            }
            while (go) {
                go = SendAll(fd, block.data(), block.size());
                if (go) {
                    m_floodBytes += static_cast<long long>(block.size());
                }
            }
        }
        if (go) {
            std::string out = "HTTP/1.1 " + std::to_string(response.status) + " " + Reason(response.status) + "\r\n";
            bool hasType = false;
            for (const auto& [name, value] : response.headers) {
                hasType = hasType || Lower(name) == "content-type";
                out += name + ": " + value + "\r\n";
            }
            if (!hasType) {
                out += "Content-Type: text/html\r\n";
            }
            long long length =
                response.declaredLength >= 0 ? response.declaredLength : static_cast<long long>(response.body.size());
            if (response.streamBytes != 0) {
                length = response.streamBytes;
            }
            if (length >= 0) {
                out += "Content-Length: " + std::to_string(length) + "\r\n";
            }
            out += "Connection: close\r\n\r\n";
            go = SendAll(fd, out.data(), out.size());
            if (go && response.streamBytes != 0) {
                const std::string filler(65536, 'x');
                long long left = response.streamBytes;
                while (go && (left < 0 || left > 0)) {
                    const std::size_t n =
                        left < 0 ? filler.size() : static_cast<std::size_t>(std::min<long long>(left, 65536));
                    go = SendAll(fd, filler.data(), n);
                    if (left > 0) {
                        left -= static_cast<long long>(n);
                    }
                }
            } else if (go) {
                go = SendAll(fd, response.body.data(), response.body.size());
                if (go && response.hangAfterBody) {
                    while (WaitReadable(fd) && ::recv(fd, buffer, sizeof(buffer), 0) > 0) {
                    }
                }
            }
        }
    }

    std::lock_guard<std::mutex> lock(m_mutex);
    m_connectionFds.erase(std::find(m_connectionFds.begin(), m_connectionFds.end(), fd));
    ::close(fd);
    --m_openConnections;
}

}  // namespace dravik::test
