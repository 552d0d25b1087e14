#include "push/ws_connection.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <array>

#include "platform/net/socket_maker.h"

namespace dravik {
namespace {

// The socket reads no further ahead of us than this; each read hands on at most a piece of it.
constexpr qint64 kReadAheadBytes = 1 << 20;
constexpr qint64 kReadPieceBytes = 64 * 1024;
constexpr char kHeadEnd[] = "\r\n\r\n";

int DefaultPort(const QUrl& url) {
    return url.scheme().compare(QLatin1String("wss"), Qt::CaseInsensitive) == 0 ? 443 : 80;
}

// The host as Host and CONNECT name it, an IPv6 address in brackets.
std::string HostName(const QUrl& url) {
    const QString host = url.host(QUrl::FullyEncoded);
    return (host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host).toStdString();
}

std::string HostAndPort(const QUrl& url) {
    return HostName(url) + ":" + std::to_string(url.port(DefaultPort(url)));
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
    return text;
}

// True when a comma-separated header value holds the token, without regard to case.
bool HasToken(const std::string& value, const std::string& token) {
    const std::string lower = Lower(value);
    std::size_t start = 0;
    while (start <= lower.size()) {
        const std::size_t comma = std::min(lower.find(',', start), lower.size());
        std::string item = lower.substr(start, comma - start);
        item.erase(0, item.find_first_not_of(" \t"));
        item.erase(item.find_last_not_of(" \t") + 1);
        if (item == token) {
            return true;
        }
        start = comma + 1;
    }
    return false;
}

std::array<unsigned char, 4> RandomMask() {
    const quint32 bits = QRandomGenerator::system()->generate();
    return {static_cast<unsigned char>(bits), static_cast<unsigned char>(bits >> 8),
            static_cast<unsigned char>(bits >> 16), static_cast<unsigned char>(bits >> 24)};
}

}  // namespace

std::string WsAcceptFor(const std::string& key) {
    const QByteArray digest = QCryptographicHash::hash(
        QByteArray::fromStdString(key + "258EAFA5-E914-47DA-95CA-C5AB0DC85B11"), QCryptographicHash::Sha1);
    return digest.toBase64().toStdString();
}

CWsConnection::CWsConnection(QUrl url, std::optional<ProxyAddress> proxy, std::uint64_t maxMessageBytes,
                             Handlers handlers)
    : m_url(std::move(url)), m_proxy(std::move(proxy)), m_handlers(std::move(handlers)), m_frames(maxMessageBytes) {}

CWsConnection::~CWsConnection() {
    if (m_socket) {
        QObject::disconnect(m_socket.get(), nullptr, nullptr, nullptr);
        m_socket->abort();
    }
}

bool CWsConnection::Secure() const {
    return DefaultPort(m_url) == 443;
}

void CWsConnection::Open() {
    m_socket = MakeSocket(Secure(), m_proxy, kReadAheadBytes);
    m_tls = qobject_cast<QSslSocket*>(m_socket.get());
    QTcpSocket* socket = m_socket.get();
    QObject::connect(socket, &QAbstractSocket::connected, socket, [this] { OnConnected(); });
    QObject::connect(socket, &QIODevice::readyRead, socket, [this] { OnReadable(); });
    QObject::connect(socket, &QAbstractSocket::errorOccurred, socket, [this] { OnSocketEnd(); });
    QObject::connect(socket, &QAbstractSocket::disconnected, socket, [this] { OnSocketEnd(); });
    if (m_tls != nullptr) {
        QObject::connect(m_tls, &QSslSocket::encrypted, socket, [this] { SendHandshake(); });
    }
    if (ViaHttpProxy()) {
        m_socket->connectToHost(QString::fromStdString(m_proxy->host), static_cast<quint16>(m_proxy->port));
    } else {
        m_socket->connectToHost(m_url.host(), static_cast<quint16>(m_url.port(DefaultPort(m_url))));
    }
}

void CWsConnection::OnConnected() {
    if (m_phase != Phase::kConnecting) {
        return;
    }
    if (ViaHttpProxy()) {
        // Our own tunnel, ws and wss alike, so that the proxy's answer is read under the same bounds as any other.
        std::string connect = "CONNECT " + HostAndPort(m_url) + " HTTP/1.1\r\nHost: " + HostAndPort(m_url) + "\r\n";
        if (!m_proxy->user.empty()) {
            const QByteArray credentials = QByteArray::fromStdString(m_proxy->user + ":" + m_proxy->password);
            connect += "Proxy-Authorization: Basic " + credentials.toBase64().toStdString() + "\r\n";
        }
        connect += "\r\n";
        m_phase = Phase::kTunnel;
        m_socket->write(connect.data(), static_cast<qint64>(connect.size()));
    } else if (Secure()) {
        StartTls();
    } else {
        SendHandshake();
    }
}

void CWsConnection::StartTls() {
    m_phase = Phase::kTls;
    m_tls->setPeerVerifyName(m_url.host());
    m_tls->startClientEncryption();
}

void CWsConnection::SendHandshake() {
    if (m_phase == Phase::kEnded) {
        return;
    }
    std::string target = m_url.path(QUrl::FullyEncoded).toStdString();
    if (target.empty()) {
        target = "/";
    }
    if (m_url.hasQuery()) {
        target += "?" + m_url.query(QUrl::FullyEncoded).toStdString();
    }
    if (target.find_first_of(" \r\n", 0, 3) != std::string::npos || target.find('\0') != std::string::npos) {
        End("not a usable address");
        return;
    }
    QByteArray nonce(16, '\0');
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(nonce.data()), 4);
    const std::string key = nonce.toBase64().toStdString();
    m_expectedAccept = WsAcceptFor(key);
    const bool defaultPort = m_url.port(DefaultPort(m_url)) == DefaultPort(m_url);
    const std::string host = defaultPort ? HostName(m_url) : HostAndPort(m_url);
    const std::string request = "GET " + target + " HTTP/1.1\r\nHost: " + host +
                                "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Key: " + key +
                                "\r\nSec-WebSocket-Version: 13\r\n\r\n";
    m_phase = Phase::kHandshake;
    m_socket->write(request.data(), static_cast<qint64>(request.size()));
}

void CWsConnection::OnReadable() {
    while (m_phase != Phase::kEnded && m_socket->bytesAvailable() > 0) {
        const QByteArray piece = m_socket->read(kReadPieceBytes);
        if (piece.isEmpty()) {
            break;
        }
        const std::string_view bytes(piece.constData(), static_cast<std::size_t>(piece.size()));
        switch (m_phase) {
            case Phase::kTunnel:
                ReadTunnel(bytes);
                break;
            case Phase::kHandshake:
                ReadHandshake(bytes);
                break;
            case Phase::kOpen:
                ReadFrames(bytes);
                break;
            default:
                // Nothing is due from the peer now (a TLS handshake reads its own bytes).
                End("unexpected bytes before the handshake");
                break;
        }
    }
}

void CWsConnection::ReadTunnel(std::string_view bytes) {
    std::string ignored;
    const HttpResponseReader::State state = m_tunnel.Feed(bytes, &ignored);
    if (state == HttpResponseReader::State::kFailed) {
        End("proxy: " + m_tunnel.Detail());
        return;
    }
    if (state != HttpResponseReader::State::kDone) {
        return;
    }
    const int status = m_tunnel.Head().status;
    if (status < 200 || status > 299) {
        End("proxy refused the tunnel: HTTP " + std::to_string(status));
        return;
    }
    if (Secure()) {
        StartTls();
    } else {
        SendHandshake();
    }
}

void CWsConnection::ReadHandshake(std::string_view bytes) {
    // The answer's head is handed to the reader up to each blank line, so that frames sent right behind it
    // are kept for the frame reader.
    while (!bytes.empty()) {
        std::size_t take = bytes.size();
        const std::size_t end = (m_headTail + std::string(bytes)).find(kHeadEnd);
        if (end != std::string::npos) {
            take = end + 4 - m_headTail.size();
        }
        const std::string_view head = bytes.substr(0, take);
        bytes.remove_prefix(take);
        m_headTail += head.substr(head.size() > 3 ? head.size() - 3 : 0);
        m_headTail.erase(0, m_headTail.size() > 3 ? m_headTail.size() - 3 : 0);
        std::string ignored;
        const HttpResponseReader::State state = m_answer.Feed(head, &ignored);
        if (state == HttpResponseReader::State::kFailed) {
            End("handshake: " + m_answer.Detail());
            return;
        }
        if (state == HttpResponseReader::State::kDone) {
            break;
        }
        if (end != std::string::npos) {
            m_headTail.clear();  // an interim answer ended; the next one's end is searched afresh
        }
    }
    if (m_answer.Current() != HttpResponseReader::State::kDone) {
        return;
    }
    const HttpHead& head = m_answer.Head();
    if (head.status != 101) {
        End("handshake refused: HTTP " + std::to_string(head.status));
        return;
    }
    if (Lower(head.Header("Upgrade")) != "websocket" || !HasToken(head.Header("Connection"), "upgrade")) {
        End("handshake: not an upgrade to a WebSocket");
        return;
    }
    if (head.Header("Sec-WebSocket-Accept") != m_expectedAccept) {
        End("handshake: wrong Sec-WebSocket-Accept");
        return;
    }
    m_phase = Phase::kOpen;
    if (m_handlers.opened) {
        m_handlers.opened();
    }
    if (m_phase == Phase::kOpen && !bytes.empty()) {
        ReadFrames(bytes);
    }
}

void CWsConnection::ReadFrames(std::string_view bytes) {
    WsReadResult result;
    const bool ok = m_frames.Feed(bytes, &result);
    if (result.activity && m_handlers.activity) {
        m_handlers.activity();
    }
    for (const std::string& ping : result.pings) {
        if (m_phase != Phase::kOpen) {
            return;
        }
        Send(kWsPong, ping);
    }
    for (std::string& text : result.texts) {
        if (m_phase != Phase::kOpen) {
            return;
        }
        if (m_handlers.text) {
            m_handlers.text(std::move(text));
        }
    }
    if (m_phase != Phase::kOpen) {
        return;
    }
    if (!ok) {
        End(m_frames.Failure());
    } else if (result.closed) {
        Send(kWsClose, result.closeCode);
        m_socket->flush();
        End("closed by the server");
    }
}

void CWsConnection::Ping() {
    if (m_phase == Phase::kOpen) {
        Send(kWsPing, std::string_view());
    }
}

void CWsConnection::Send(unsigned char opcode, std::string_view payload) {
    const std::string frame = WsClientFrame(opcode, payload, RandomMask());
    m_socket->write(frame.data(), static_cast<qint64>(frame.size()));
}

void CWsConnection::OnSocketEnd() {
    if (m_phase == Phase::kEnded) {
        return;
    }
    // What came before the end is read first: the last messages, or the close.
    OnReadable();
    if (m_phase == Phase::kEnded) {
        return;
    }
    End(m_socket->error() == QAbstractSocket::UnknownSocketError ? std::string("connection closed")
                                                                 : m_socket->errorString().toStdString());
}

void CWsConnection::End(std::string why) {
    if (m_phase == Phase::kEnded) {
        return;
    }
    Abort();
    if (m_handlers.ended) {
        m_handlers.ended(std::move(why));
    }
}

void CWsConnection::Abort() {
    m_phase = Phase::kEnded;
    if (m_socket) {
        QObject::disconnect(m_socket.get(), nullptr, nullptr, nullptr);
        // Not from inside the socket's own signal: cut it from the loop (or as it goes, if that comes first).
        QTcpSocket* socket = m_socket.get();
        QTimer::singleShot(0, socket, [socket] { socket->abort(); });
    }
}

}  // namespace dravik
