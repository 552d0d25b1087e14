#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace dravik::test {

// What the server answers on one path.
struct HttpResponse {
    int status = 200;
    std::string body;
    // Extra header lines, e.g. {"Location", "/next"}; Content-Type text/html unless given here.
    std::vector<std::pair<std::string, std::string>> headers;
    int delayMs = 0;                // wait this long before answering
    bool stall = false;             // read the request, answer nothing, hold the connection until the server stops
    long long declaredLength = -1;  // Content-Length to announce; -1: the real length
    bool hangAfterBody = false;     // with declaredLength larger than the body: keep the connection open, else close
    long long streamBytes = 0;      // > 0: a body of this many filler bytes (Content-Length sent); -1: endless
    // After the status line, header bytes without end until the client goes: 1 as one line, 2 as many lines.
    int headerFlood = 0;
};

// One request as received.
struct HttpRequest {
    std::string method;
    std::string target;                          // as sent (absolute form when the client spoke to a proxy)
    std::map<std::string, std::string> headers;  // names in lower case
};

// A small HTTP/1.1 server on 127.0.0.1 (a free port) for tests: canned responses by path, one thread per
// connection, every connection closed after one response. Unknown paths get 404 "Not found". The
// destructor ends stalls and endless bodies and joins every thread.
class HttpTestServer final {
public:
    HttpTestServer();
    ~HttpTestServer();
    HttpTestServer(const HttpTestServer&) = delete;
    HttpTestServer& operator=(const HttpTestServer&) = delete;

    int Port() const { return m_port; }
    // "http://127.0.0.1:<port>" + path.
    std::string Url(const std::string& path = "/") const;
    // An address on 127.0.0.1 whose port refuses connections while the server lives.
    std::string RefusedUrl(const std::string& path = "/") const;

    // The path may carry a query; a request matches its path with the query first, then without it.
    void Set(const std::string& path, HttpResponse response);
    void Serve(const std::string& path, std::string body, int status = 200, std::string contentType = "text/html");
    void Redirect(const std::string& path, const std::string& location, int status = 302);
    void Stall(const std::string& path);

    // Requests received so far, in order of arrival.
    std::vector<HttpRequest> Requests() const;
    int RequestCount(const std::string& path) const;
    // Connections accepted so far that are still being served (stalled or streaming ones included).
    int OpenConnections() const { return m_openConnections.load(); }
    // Header bytes the floods have got into the clients' sockets so far.
    long long FloodBytesSent() const { return m_floodBytes.load(); }

private:
    void AcceptLoop();
    void ServeConnection(int fd);
    bool WaitReadable(int fd) const;
    bool WaitWritable(int fd) const;
    bool SendAll(int fd, const char* data, std::size_t size) const;
    bool Sleep(int ms) const;

    int m_listenFd = -1;
    int m_refusingFd = -1;
    int m_refusingPort = 0;
    int m_port = 0;
    int m_wakePipe[2] = {-1, -1};
    std::atomic<bool> m_stopping{false};
    std::atomic<int> m_openConnections{0};
    std::atomic<long long> m_floodBytes{0};
    mutable std::mutex m_mutex;
    std::map<std::string, HttpResponse> m_routes;
    std::vector<HttpRequest> m_requests;
    std::vector<std::thread> m_connectionThreads;
    std::vector<int> m_connectionFds;
    std::thread m_acceptThread;
};

}  // namespace dravik::test
