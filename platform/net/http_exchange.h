#pragma once

#include <QUrl>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/net/content_decoder.h"
#include "platform/net/http_response_reader.h"
#include "platform/page_fetcher.h"
#include "platform/proxy_env.h"

class QSslSocket;
class QTcpSocket;

namespace dravik {

// One GET and its answer over a socket of its own, HTTP/1.1 read by our own reader so that every part of the
// answer is bounded before it is kept: the head by kMaxHeaderBytes and kMaxHeaderLines, the body by the
// request's cap on its decoded bytes. Runs on the thread's event loop; `finished` is called once, when the
// answer is whole or the exchange failed. A redirect is returned as it is, its resolved Location in the detail.
class CHttpExchange final {
public:
    CHttpExchange(QUrl url, const PageRequest& request, std::optional<ProxyAddress> proxy,
                  std::function<void()> requestSent, std::function<void()> finished);
    ~CHttpExchange();
    CHttpExchange(const CHttpExchange&) = delete;
    CHttpExchange& operator=(const CHttpExchange&) = delete;

    void Start();
    // Ends the exchange at once with this failure, unless it has already ended.
    void Fail(FetchFailure failure, std::string detail);
    bool Finished() const { return m_finishedFlag; }
    // Called whenever bytes of the answer arrive (a caller's inactivity timer).
    void SetOnBytes(std::function<void()> onBytes) { m_onBytes = std::move(onBytes); }
    PageResponse TakeResponse();
    // The answer's head as read; empty until it came whole.
    const HttpHead& Head() const { return m_reader.Head(); }

private:
    enum class Phase { kConnecting, kTunnel, kHandshake, kAnswer };

    void OnConnected();
    void OnReadable();
    void OnSocketError();
    void SendRequest();
    void ReadTunnel(const std::string& bytes);
    void ReadAnswer(const std::string& bytes);
    void Complete();
    bool ViaHttpProxy() const { return m_proxy && !m_proxy->socks; }
    std::string ProxyAuthorization() const;

    QUrl m_url;
    const PageRequest& m_request;
    std::optional<ProxyAddress> m_proxy;
    std::function<void()> m_requestSent;
    std::function<void()> m_finished;
    std::function<void()> m_onBytes;
    std::unique_ptr<QTcpSocket> m_socket;
    QSslSocket* m_tls = nullptr;  // m_socket, when it is one
    Phase m_phase = Phase::kConnecting;
    HttpResponseReader m_tunnel{true};
    HttpResponseReader m_reader{};
    std::unique_ptr<ContentDecoder> m_decoder;
    bool m_headSeen = false;
    bool m_finishedFlag = false;
    std::string m_body{};
    FetchFailure m_failure = FetchFailure::kNone;
    std::string m_detail{};
};

}  // namespace dravik
