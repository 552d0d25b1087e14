#include "platform/net/http_exchange.h"

#include <QSslSocket>
#include <QTcpSocket>

#include <algorithm>

#include "platform/net/socket_maker.h"

namespace dravik {
namespace {

// The socket reads no further ahead of us than this; each read hands on at most a piece of it.
constexpr qint64 kReadAheadBytes = 1 << 20;
constexpr qint64 kReadPieceBytes = 64 * 1024;

bool IsRedirect(long status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// A value that would end its header line early is not sent at all.
bool FitsOnALine(const std::string& value) {
    return value.find_first_of("\r\n", 0, 2) == std::string::npos && value.find('\0') == std::string::npos;
}

void AddHeader(std::string* out, const char* name, const std::string& value) {
    if (!value.empty() && FitsOnALine(value)) {
        *out += name;
        *out += ": ";
        *out += value;
        *out += "\r\n";
    }
}

int DefaultPort(const QUrl& url) {
    return url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0 ? 443 : 80;
}

// host:port as CONNECT names it, an IPv6 address in brackets.
std::string HostAndPort(const QUrl& url) {
    const QString host = url.host(QUrl::FullyEncoded);
    const QString name = host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    return name.toStdString() + ":" + std::to_string(url.port(DefaultPort(url)));
}

FetchFailure FailureOf(QAbstractSocket::SocketError error) {
    switch (error) {
        case QAbstractSocket::ConnectionRefusedError:
        case QAbstractSocket::NetworkError:
        case QAbstractSocket::ProxyConnectionRefusedError:
        case QAbstractSocket::ProxyConnectionClosedError:
        case QAbstractSocket::TemporaryError:
            return FetchFailure::kCannotConnect;
        case QAbstractSocket::HostNotFoundError:
        case QAbstractSocket::ProxyNotFoundError:
            return FetchFailure::kHostNotFound;
        case QAbstractSocket::SocketTimeoutError:
        case QAbstractSocket::ProxyConnectionTimeoutError:
            return FetchFailure::kTimedOut;
        case QAbstractSocket::SslHandshakeFailedError:
        case QAbstractSocket::SslInternalError:
        case QAbstractSocket::SslInvalidUserDataError:
            return FetchFailure::kTls;
        default:
            return FetchFailure::kOther;
    }
}

}  // namespace

CHttpExchange::CHttpExchange(QUrl url, const PageRequest& request, std::optional<ProxyAddress> proxy,
                             std::function<void()> requestSent, std::function<void()> finished)
    : m_url(std::move(url)),
      m_request(request),
      m_proxy(std::move(proxy)),
      m_requestSent(std::move(requestSent)),
      m_finished(std::move(finished)) {}

CHttpExchange::~CHttpExchange() {
    if (m_socket) {
        // Nothing the socket says while it goes may reach an exchange that is going too.
        QObject::disconnect(m_socket.get(), nullptr, nullptr, nullptr);
        m_socket->abort();
    }
}

void CHttpExchange::Start() {
    m_socket = MakeSocket(DefaultPort(m_url) == 443, m_proxy, kReadAheadBytes);
    m_tls = qobject_cast<QSslSocket*>(m_socket.get());
    QTcpSocket* socket = m_socket.get();
    QObject::connect(socket, &QAbstractSocket::connected, socket, [this] { OnConnected(); });
    QObject::connect(socket, &QIODevice::readyRead, socket, [this] { OnReadable(); });
    QObject::connect(socket, &QAbstractSocket::errorOccurred, socket, [this] { OnSocketError(); });
    QObject::connect(socket, &QAbstractSocket::disconnected, socket, [this] { OnSocketError(); });
    if (m_tls != nullptr) {
        QObject::connect(m_tls, &QSslSocket::encrypted, socket, [this] { SendRequest(); });
    }
    if (ViaHttpProxy()) {
        m_socket->connectToHost(QString::fromStdString(m_proxy->host), static_cast<quint16>(m_proxy->port));
    } else {
        m_socket->connectToHost(m_url.host(), static_cast<quint16>(m_url.port(DefaultPort(m_url))));
    }
}

std::string CHttpExchange::ProxyAuthorization() const {
    if (!ViaHttpProxy() || m_proxy->user.empty()) {
        return std::string();
    }
    const QByteArray credentials = QByteArray::fromStdString(m_proxy->user + ":" + m_proxy->password);
    return "Basic " + credentials.toBase64().toStdString();
}

void CHttpExchange::OnConnected() {
    if (m_finishedFlag) {
        return;
    }
    const bool https = DefaultPort(m_url) == 443;
    if (https && ViaHttpProxy()) {
        // Our own tunnel, so that the proxy's answer to it is read under the same bounds as any other.
        std::string connect = "CONNECT " + HostAndPort(m_url) + " HTTP/1.1\r\n";
        AddHeader(&connect, "Host", HostAndPort(m_url));
        AddHeader(&connect, "User-Agent", m_request.userAgent);
        AddHeader(&connect, "Proxy-Authorization", ProxyAuthorization());
        connect += "\r\n";
        m_phase = Phase::kTunnel;
        m_socket->write(connect.data(), static_cast<qint64>(connect.size()));
    } else if (https) {
        m_phase = Phase::kHandshake;
        m_tls->setPeerVerifyName(m_url.host());
        m_tls->startClientEncryption();
    } else {
        SendRequest();
    }
}

void CHttpExchange::SendRequest() {
    if (m_finishedFlag) {
        return;
    }
    std::string target;
    if (ViaHttpProxy() && DefaultPort(m_url) == 80) {
        target = m_url.toEncoded(QUrl::RemoveUserInfo | QUrl::RemoveFragment).toStdString();
    } else {
        target = m_url.path(QUrl::FullyEncoded).toStdString();
        if (target.empty()) {
            target = "/";
        }
        if (m_url.hasQuery()) {
            target += "?" + m_url.query(QUrl::FullyEncoded).toStdString();
        }
    }
    if (!FitsOnALine(target) || target.find(' ') != std::string::npos) {
        Fail(FetchFailure::kRefusedScheme, "not an http or https address");
        return;
    }
    std::string get = "GET " + target + " HTTP/1.1\r\n";
    AddHeader(&get, "Host", m_url.authority(QUrl::FullyEncoded | QUrl::RemoveUserInfo).toStdString());
    AddHeader(&get, "User-Agent", m_request.userAgent);
    AddHeader(&get, "Accept-Encoding", "gzip, deflate");
    AddHeader(&get, "If-None-Match", m_request.ifNoneMatch);
    AddHeader(&get, "If-Modified-Since", m_request.ifModifiedSince);
    if (DefaultPort(m_url) == 80) {
        AddHeader(&get, "Proxy-Authorization", ProxyAuthorization());
    }
    get += "Connection: close\r\n\r\n";
    m_phase = Phase::kAnswer;
    m_socket->write(get.data(), static_cast<qint64>(get.size()));
    if (m_requestSent) {
        m_requestSent();
    }
}

void CHttpExchange::OnReadable() {
    while (!m_finishedFlag && m_socket->bytesAvailable() > 0) {
        const QByteArray piece = m_socket->read(kReadPieceBytes);
        if (piece.isEmpty()) {
            break;
        }
        const std::string bytes(piece.constData(), static_cast<std::size_t>(piece.size()));
        if (m_onBytes) {
            m_onBytes();
        }
        if (m_phase == Phase::kTunnel) {
            ReadTunnel(bytes);
        } else if (m_phase == Phase::kAnswer) {
            ReadAnswer(bytes);
        }
    }
}

void CHttpExchange::ReadTunnel(const std::string& bytes) {
    std::string ignored;
    switch (m_tunnel.Feed(bytes, &ignored)) {
        case HttpResponseReader::State::kFailed:
            Fail(m_tunnel.Failure(), "proxy: " + m_tunnel.Detail());
            return;
        case HttpResponseReader::State::kDone:
            break;
        default:
            return;
    }
    const int status = m_tunnel.Head().status;
    if (status < 200 || status > 299) {
        Fail(FetchFailure::kOther, "proxy refused the tunnel: HTTP " + std::to_string(status));
        return;
    }
    m_phase = Phase::kHandshake;
    m_tls->setPeerVerifyName(m_url.host());
    m_tls->startClientEncryption();
}

void CHttpExchange::ReadAnswer(const std::string& bytes) {
    std::string coded;
    const HttpResponseReader::State state = m_reader.Feed(bytes, &coded);
    if (!m_headSeen && m_reader.HeadDone()) {
        m_headSeen = true;
        // A body announced past its cap is refused on its head, without waiting for bytes that would not be kept.
        if (m_reader.DeclaredLength() > static_cast<long long>(m_request.maxBytes)) {
            Fail(FetchFailure::kTooLarge, "declared body over its limit");
            return;
        }
        m_decoder = std::make_unique<ContentDecoder>(m_reader.Head().Header("Content-Encoding"));
    }
    if (state == HttpResponseReader::State::kFailed) {
        Fail(m_reader.Failure(), m_reader.Detail());
        return;
    }
    if (m_decoder && !coded.empty()) {
        const ContentDecoder::Result decoded = m_decoder->Decode(coded, &m_body, m_request.maxBytes);
        if (decoded == ContentDecoder::Result::kTooLarge) {
            Fail(FetchFailure::kTooLarge, "body over its limit");
            return;
        }
        if (decoded == ContentDecoder::Result::kBroken) {
            Fail(FetchFailure::kOther, "compressed body broken");
            return;
        }
    }
    if (state == HttpResponseReader::State::kDone) {
        if (m_decoder && m_decoder->Finish() != ContentDecoder::Result::kOk) {
            Fail(FetchFailure::kOther, "compressed body cut off");
            return;
        }
        Complete();
    }
}

void CHttpExchange::OnSocketError() {
    if (m_finishedFlag) {
        return;
    }
    // What came before the end is read first: a body that runs to the connection's end ends here.
    OnReadable();
    if (m_finishedFlag) {
        return;
    }
    const QAbstractSocket::SocketError error = m_socket->error();
    if (m_phase == Phase::kAnswer &&
        (error == QAbstractSocket::RemoteHostClosedError || m_socket->state() == QAbstractSocket::UnconnectedState)) {
        if (m_reader.Close() == HttpResponseReader::State::kDone) {
            ReadAnswer(std::string());
        } else {
            Fail(m_reader.Failure(), m_reader.Detail());
        }
        return;
    }
    if (m_phase == Phase::kTunnel && error == QAbstractSocket::RemoteHostClosedError) {
        Fail(FetchFailure::kOther, "proxy closed the connection");
        return;
    }
    Fail(error == QAbstractSocket::UnknownSocketError ? FetchFailure::kCannotConnect : FailureOf(error),
         m_socket->errorString().toStdString());
}

void CHttpExchange::Fail(FetchFailure failure, std::string detail) {
    if (m_finishedFlag) {
        return;
    }
    m_failure = failure;
    m_detail = std::move(detail);
    Complete();
}

void CHttpExchange::Complete() {
    if (m_finishedFlag) {
        return;
    }
    m_finishedFlag = true;
    if (m_socket) {
        QObject::disconnect(m_socket.get(), nullptr, nullptr, nullptr);
        m_socket->abort();
    }
    if (m_finished) {
        m_finished();
    }
}

PageResponse CHttpExchange::TakeResponse() {
    PageResponse response;
    // An answer whose head came is named by its status, even when its body was then refused.
    response.status = m_headSeen ? m_reader.Head().status : 0;
    response.failure = m_failure;
    response.ok = m_finishedFlag && m_failure == FetchFailure::kNone;
    response.detail = std::move(m_detail);
    if (!response.ok) {
        if (response.failure == FetchFailure::kNone) {
            response.failure = FetchFailure::kOther;
        }
        return response;
    }
    const HttpHead& head = m_reader.Head();
    response.body = std::move(m_body);
    response.date = head.Header("Date");
    response.etag = head.Header("ETag");
    response.lastModified = head.Header("Last-Modified");
    if (IsRedirect(response.status)) {
        // Where to go next, resolved against this address; an empty one ends the walk with this answer.
        const std::string location = head.Header("Location");
        if (!location.empty()) {
            response.detail =
                m_url.resolved(QUrl::fromEncoded(QByteArray::fromStdString(location))).toString().toStdString();
        }
    }
    return response;
}

}  // namespace dravik
