#pragma once

#include <QUrl>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/net/http_response_reader.h"
#include "platform/proxy_env.h"
#include "push/ws_frames.h"

class QTcpSocket;
class QSslSocket;

namespace dravik {

// One WebSocket connection to a ws:// or wss:// address, on the thread's event loop: directly, through an HTTP
// proxy by a CONNECT tunnel of our own, or through SOCKS5; TLS for wss. Every answer before the frames (the
// proxy's to CONNECT, the server's to the opening handshake) is read by HttpResponseReader under its bounds, the
// frames by WsFrameReader under maxMessageBytes. A plain TCP socket where no TLS is needed, so a ws:// address
// never loads the TLS library.
class CWsConnection final {
public:
    struct Handlers {
        std::function<void()> opened;                // the handshake's answer is accepted
        std::function<void(std::string text)> text;  // a whole text message
        std::function<void()> activity;              // any whole frame
        std::function<void(std::string why)> ended;  // once, however the connection ended; never after Abort()
    };

    CWsConnection(QUrl url, std::optional<ProxyAddress> proxy, std::uint64_t maxMessageBytes, Handlers handlers);
    ~CWsConnection();
    CWsConnection(const CWsConnection&) = delete;
    CWsConnection& operator=(const CWsConnection&) = delete;

    void Open();
    // A ping, once the connection is open.
    void Ping();
    // Cuts the connection at once; no handler is called after. Safe inside a handler.
    void Abort();

private:
    enum class Phase { kConnecting, kTunnel, kTls, kHandshake, kOpen, kEnded };

    void OnConnected();
    void OnReadable();
    void OnSocketEnd();
    void StartTls();
    void SendHandshake();
    void ReadTunnel(std::string_view bytes);
    void ReadHandshake(std::string_view bytes);
    void ReadFrames(std::string_view bytes);
    void Send(unsigned char opcode, std::string_view payload);
    void End(std::string why);
    bool Secure() const;
    bool ViaHttpProxy() const { return m_proxy && !m_proxy->socks; }

    QUrl m_url;
    std::optional<ProxyAddress> m_proxy;
    Handlers m_handlers;
    std::unique_ptr<QTcpSocket> m_socket;
    QSslSocket* m_tls = nullptr;  // m_socket, when it is one
    Phase m_phase = Phase::kConnecting;
    HttpResponseReader m_tunnel{true};
    HttpResponseReader m_answer{true};
    std::string m_headTail{};  // the last bytes of the handshake's answer so far, to find its end across pieces
    std::string m_expectedAccept{};
    WsFrameReader m_frames;
};

// What the server must answer to the key: base64(SHA-1(key + the protocol's GUID)).
std::string WsAcceptFor(const std::string& key);

}  // namespace dravik
