#include "push/push_client.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <QWebSocket>
#include <algorithm>
#include <random>
#include <utility>

namespace dravik {
namespace {

using Clock = std::chrono::steady_clock;

bool IsPushAddress(const std::string& url) {
    if (url.empty()) {
        return false;
    }
    const QUrl parsed(QString::fromStdString(url), QUrl::StrictMode);
    const QString scheme = parsed.scheme().toLower();
    return parsed.isValid() && (scheme == QLatin1String("ws") || scheme == QLatin1String("wss")) &&
           !parsed.host().isEmpty();
}

// One connection at a time and the retries after it; lives and dies on the client's thread.
class Connection final {
public:
    Connection(const QUrl& url, const CPushClient::MessageHandler& onMessage, const PushSettings& settings)
        : m_url(url), m_onMessage(onMessage), m_settings(settings), m_random(std::random_device{}()) {
        m_socket.setMaxAllowedIncomingFrameSize(settings.maxMessageBytes);
        m_socket.setMaxAllowedIncomingMessageSize(settings.maxMessageBytes);

        m_retryTimer.setSingleShot(true);
        // A coarse timer may fire up to 5% early; the back-off promises its minimum.
        m_retryTimer.setTimerType(Qt::PreciseTimer);
        m_handshakeTimer.setSingleShot(true);
        QObject::connect(&m_retryTimer, &QTimer::timeout, [this] { Open(); });
        QObject::connect(&m_handshakeTimer, &QTimer::timeout, [this] { Drop(); });
        QObject::connect(&m_pingTimer, &QTimer::timeout, [this] { KeepAlive(); });

        QObject::connect(&m_socket, &QWebSocket::connected, [this] { OnConnected(); });
        QObject::connect(&m_socket, &QWebSocket::textMessageReceived, [this](const QString& message) {
            Heard();
            Deliver(message);
        });
        // Activity for the keep-alive; the frames themselves are not for us (binary) or come whole as a
        // message (text).
        QObject::connect(&m_socket, &QWebSocket::textFrameReceived, [this] { Heard(); });
        QObject::connect(&m_socket, &QWebSocket::binaryFrameReceived, [this] { Heard(); });
        QObject::connect(&m_socket, &QWebSocket::pong, [this] { Heard(); });
        // Any end of the connection: refused, reset, closed by the server, or closed by the socket itself
        // over an oversized frame or a protocol error (it then waits for the server's close, which a hostile
        // server need never send, so the connection is cut at once instead).
        QObject::connect(&m_socket, &QWebSocket::disconnected, [this] { Drop(); });
        QObject::connect(&m_socket, &QWebSocket::aboutToClose, [this] { Drop(); });
        QObject::connect(&m_socket, qOverload<QAbstractSocket::SocketError>(&QWebSocket::error), [this] { Drop(); });
    }

    ~Connection() {
        QObject::disconnect(&m_socket, nullptr, nullptr, nullptr);
        m_socket.abort();
    }

    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void Open() {
        m_attempting = true;
        m_connected = false;
        m_handshakeTimer.start(m_settings.handshakeTimeout);
        m_socket.open(m_url);
    }

private:
    void OnConnected() {
        m_handshakeTimer.stop();
        m_connected = true;
        m_connectedAt = Clock::now();
        m_lastHeard = m_connectedAt;
        m_pingTimer.start(m_settings.pingInterval);
    }

    void Heard() { m_lastHeard = Clock::now(); }

    void Deliver(const QString& message) {
        try {
            m_onMessage(message.toStdString());
        } catch (...) {
            // A handler's failure must not end the client's thread; the message is lost either way.
        }
    }

    void KeepAlive() {
        if (Clock::now() - m_lastHeard >= m_settings.silenceLimit) {
            Drop();
            return;
        }
        m_socket.ping();
    }

    // Ends the current attempt once, however many of the socket's signals report it, and schedules the next.
    void Drop() {
        if (!m_attempting) {
            return;
        }
        m_attempting = false;
        m_handshakeTimer.stop();
        m_pingTimer.stop();
        if (m_connected && Clock::now() - m_connectedAt >= m_settings.stableAfter) {
            m_failures = 0;
        }
        m_connected = false;
        std::uniform_real_distribution<double> jitter(0.0, 1.0);
        m_retryTimer.start(ReconnectDelay(m_failures, jitter(m_random), m_settings));
        m_failures = std::min(m_failures + 1, 64);
        // Not from inside the socket's own signal: cut the connection from the loop, before the retry.
        QTimer::singleShot(0, &m_socket, [this] {
            if (!m_attempting) {
                m_socket.abort();
            }
        });
    }

    const QUrl m_url;
    const CPushClient::MessageHandler& m_onMessage;
    const PushSettings m_settings;
    QWebSocket m_socket;
    QTimer m_retryTimer, m_handshakeTimer, m_pingTimer;
    std::mt19937 m_random;
    bool m_attempting = false;
    bool m_connected = false;
    int m_failures = 0;
    Clock::time_point m_connectedAt{}, m_lastHeard{};
};

}  // namespace

std::chrono::milliseconds ReconnectDelay(int failures, double jitter, const PushSettings& settings) {
    using std::chrono::milliseconds;
    const milliseconds first = std::max(settings.firstDelay, milliseconds(1));
    const milliseconds cap = std::max(settings.maxDelay, first);
    milliseconds base = first;
    for (int i = 0; i < failures && base < cap; ++i) {
        base = base > cap / 2 ? cap : base * 2;
    }
    base = std::min(base, cap);
    jitter = std::clamp(jitter, 0.0, 1.0);
    const auto cut = milliseconds(static_cast<milliseconds::rep>(static_cast<double>(base.count()) * jitter / 4.0));
    return std::max(first, base - cut);
}

CPushClient::CPushClient(std::string url, MessageHandler onMessage, PushSettings settings)
    : m_url(std::move(url)), m_onMessage(std::move(onMessage)), m_settings(settings) {}

CPushClient::~CPushClient() {
    Stop();
}

bool CPushClient::Start() {
    if (!IsPushAddress(m_url)) {
        return false;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_thread.joinable()) {
        return true;
    }
    m_stopRequested = false;
    m_thread = std::thread([this] { Run(); });
    return true;
}

void CPushClient::Stop() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopRequested = true;
        if (m_loop != nullptr) {
            QEventLoop* loop = m_loop;
            QMetaObject::invokeMethod(
                loop, [loop] { loop->quit(); }, Qt::QueuedConnection);
        }
    }
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) {
        m_thread.join();
    }
}

void CPushClient::Run() {
    QEventLoop loop;
    {
        Connection connection(QUrl(QString::fromStdString(m_url)), m_onMessage, m_settings);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_stopRequested) {
                return;
            }
            m_loop = &loop;
        }
        connection.Open();
        loop.exec();
        std::lock_guard<std::mutex> lock(m_mutex);
        m_loop = nullptr;
    }
    // The sockets Qt replaced on reconnects and handed to deleteLater go now, while their thread still runs.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace dravik
