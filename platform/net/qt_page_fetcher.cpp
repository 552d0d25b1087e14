#include "platform/net/qt_page_fetcher.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include <netdb.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/proxy_env.h"

namespace dravik {
namespace {

constexpr int kMaxRedirects = 5;
constexpr qint64 kReadAheadBytes = 1 << 20;
constexpr int kConnectTimeoutMs = 15000;
constexpr int kTransferTimeoutMs = 60000;
// A fetch looks at its cancel test at least this often even when nobody wakes it.
constexpr int kPollMs = 1000;

// The fetches in progress: an object of the fetch's own thread that a wake-up is posted to, and the check it
// runs there. The check outlives the object, and the object's posted events go with it.
struct Running {
    QObject* context = nullptr;
    const std::function<void()>* check = nullptr;
};
std::mutex g_runningMutex;
std::vector<Running> g_running;

class RunningFetch final {
public:
    RunningFetch(QObject* context, const std::function<void()>* check) : m_context(context) {
        std::lock_guard<std::mutex> lock(g_runningMutex);
        g_running.push_back({context, check});
    }
    ~RunningFetch() {
        std::lock_guard<std::mutex> lock(g_runningMutex);
        g_running.erase(std::find_if(g_running.begin(), g_running.end(),
                                     [this](const Running& running) { return running.context == m_context; }));
    }
    RunningFetch(const RunningFetch&) = delete;
    RunningFetch& operator=(const RunningFetch&) = delete;

private:
    QObject* m_context;
};

bool IsWebScheme(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

// An answer with an HTTP error status still came whole: its status is the news.
bool IsHttpStatusError(QNetworkReply::NetworkError error) {
    return (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError) ||
           (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError) ||
           error == QNetworkReply::ProxyAuthenticationRequiredError;
}

FetchFailure FailureOf(QNetworkReply::NetworkError error) {
    switch (error) {
        case QNetworkReply::ConnectionRefusedError:
        case QNetworkReply::ProxyConnectionRefusedError:
        case QNetworkReply::ProxyConnectionClosedError:
        case QNetworkReply::NetworkSessionFailedError:
        case QNetworkReply::TemporaryNetworkFailureError:
            return FetchFailure::kCannotConnect;
        case QNetworkReply::HostNotFoundError:
        case QNetworkReply::ProxyNotFoundError:
            return FetchFailure::kHostNotFound;
        case QNetworkReply::TimeoutError:
        case QNetworkReply::ProxyTimeoutError:
            return FetchFailure::kTimedOut;
        case QNetworkReply::SslHandshakeFailedError:
            return FetchFailure::kTls;
        case QNetworkReply::TooManyRedirectsError:
            return FetchFailure::kTooManyRedirects;
        case QNetworkReply::InsecureRedirectError:
        case QNetworkReply::ProtocolUnknownError:
            return FetchFailure::kRefusedScheme;
        default:
            return FetchFailure::kOther;
    }
}

QNetworkProxy ProxyFor(const QUrl& url) {
    const auto proxy = ProxyForUrl(url.scheme().toStdString(), url.host().toStdString(),
                                   [](const char* name) { return std::getenv(name); });
    if (!proxy) {
        return QNetworkProxy(QNetworkProxy::NoProxy);
    }
    return QNetworkProxy(proxy->socks ? QNetworkProxy::Socks5Proxy : QNetworkProxy::HttpProxy,
                         QString::fromStdString(proxy->host), static_cast<quint16>(proxy->port),
                         QString::fromStdString(proxy->user), QString::fromStdString(proxy->password));
}

PageResponse Failed(FetchFailure failure, std::string detail) {
    PageResponse response;
    response.failure = failure;
    response.detail = std::move(detail);
    return response;
}

// The name Qt is about to look up is looked up first on a thread of its own that nobody waits for: Qt's own
// lookups are joined when the application object goes, and a DNS server that never answers would then hold
// up the program's end long after the fetch was given up. Once this one answered, Qt's finds the answer
// fresh. Nothing when the name resolves; else why not.
std::optional<PageResponse> LookUpFirst(const QString& host, const PageRequest& request,
                                        const QDeadlineTimer& connectBy) {
    QHostAddress literal;
    if (host.isEmpty() || literal.setAddress(host)) {
        return std::nullopt;
    }
    struct Lookup {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        int result = 0;
    };
    auto lookup = std::make_shared<Lookup>();
    std::thread([lookup, name = host.toStdString()] {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        const int result = ::getaddrinfo(name.c_str(), nullptr, &hints, &found);
        if (found != nullptr) {
            ::freeaddrinfo(found);
        }
        std::lock_guard<std::mutex> lock(lookup->mutex);
        lookup->finished = true;
        lookup->result = result;
        lookup->done.notify_all();
    }).detach();
    std::unique_lock<std::mutex> lock(lookup->mutex);
    // The cancel test is not woken here; a lookup is short, so a look every 50 ms is soon enough.
    while (!lookup->done.wait_for(lock, std::chrono::milliseconds(50), [&] { return lookup->finished; })) {
        if (request.cancelled && request.cancelled()) {
            return Failed(FetchFailure::kOther, "cancelled");
        }
        if (connectBy.hasExpired()) {
            return Failed(FetchFailure::kTimedOut, "no name lookup within 15 s");
        }
    }
    if (lookup->result == 0) {
        return std::nullopt;
    }
    const FetchFailure failure = lookup->result == EAI_SYSTEM || lookup->result == EAI_MEMORY
                                     ? FetchFailure::kOther
                                     : FetchFailure::kHostNotFound;
    return Failed(failure, ::gai_strerror(lookup->result));
}

std::string Header(const QNetworkReply& reply, const char* name) {
    return reply.rawHeader(name).toStdString();
}

bool IsRedirect(long status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// One request and its answer, on the calling thread; a redirect comes back as it is, to be followed by the
// caller.
PageResponse Exchange(QNetworkAccessManager& manager, const QUrl& url, const PageRequest& request,
                      const QDeadlineTimer& deadline) {
    const QNetworkProxy proxy = ProxyFor(url);
    manager.setProxy(proxy);
    const QDeadlineTimer connectBy(std::min<qint64>(kConnectTimeoutMs, deadline.remainingTime()));
    if (auto refused =
            LookUpFirst(proxy.type() == QNetworkProxy::NoProxy ? url.host() : proxy.hostName(), request, connectBy)) {
        return *refused;
    }
    QNetworkRequest get(url);
    get.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    get.setHeader(QNetworkRequest::UserAgentHeader, QString::fromStdString(request.userAgent));
    // The body's cap counts the decoded bytes, so Qt's own guess at a decompression bomb is not needed.
    get.setDecompressedSafetyCheckThreshold(-1);
    if (!request.ifNoneMatch.empty()) {
        get.setRawHeader("If-None-Match", QByteArray::fromStdString(request.ifNoneMatch));
    }
    if (!request.ifModifiedSince.empty()) {
        get.setRawHeader("If-Modified-Since", QByteArray::fromStdString(request.ifModifiedSince));
    }

    const qint64 limit = static_cast<qint64>(request.maxBytes);
    std::string body;
    FetchFailure failure = FetchFailure::kNone;
    std::string detail;
    std::unique_ptr<QNetworkReply> reply(manager.get(get));
    // Qt's network thread reads no further ahead of us than this: a fast endless body then neither fills memory
    // nor keeps that thread so busy reading that it never gets to an abort.
    reply->setReadBufferSize(kReadAheadBytes);
    const auto fail = [&](FetchFailure why, const char* what) {
        if (failure == FetchFailure::kNone) {
            failure = why;
            detail = what;
        }
        reply->abort();
    };
    // Each part of a body as it comes, so that one past its cap is never held whole.
    const auto take = [&] {
        const QByteArray part = reply->readAll();
        if (static_cast<qint64>(body.size()) + part.size() > limit) {
            fail(FetchFailure::kTooLarge, "body over its limit");
            return;
        }
        body.append(part.constData(), static_cast<std::size_t>(part.size()));
    };
    const std::function<void()> check = [&] {
        if (request.cancelled && request.cancelled()) {
            fail(FetchFailure::kOther, "cancelled");
        }
    };

    QEventLoop loop;
    QObject context;
    QTimer connectTimer;
    QTimer transferTimer;
    QTimer poll;
    connectTimer.setSingleShot(true);
    transferTimer.setSingleShot(true);
    QObject::connect(&connectTimer, &QTimer::timeout, &context,
                     [&] { fail(FetchFailure::kTimedOut, "no connection within 15 s"); });
    QObject::connect(&transferTimer, &QTimer::timeout, &context,
                     [&] { fail(FetchFailure::kTimedOut, "no whole answer within 60 s"); });
    QObject::connect(&poll, &QTimer::timeout, &context, check);
    QObject::connect(reply.get(), &QNetworkReply::requestSent, &connectTimer, &QTimer::stop);
    QObject::connect(reply.get(), &QNetworkReply::metaDataChanged, &context, [&] {
        connectTimer.stop();
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > limit) {
            fail(FetchFailure::kTooLarge, "declared body over its limit");
        }
    });
    QObject::connect(reply.get(), &QNetworkReply::readyRead, &context, take);
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    connectTimer.start(static_cast<int>(connectBy.remainingTime()));
    transferTimer.start(static_cast<int>(deadline.remainingTime()));
    poll.start(kPollMs);
    {
        // Registered before the cancel test is looked at again, so a wake-up after it is never lost.
        RunningFetch running(&context, &check);
        check();
        if (!reply->isFinished()) {
            loop.exec();
        }
    }
    if (failure == FetchFailure::kNone && reply->bytesAvailable() > 0) {
        take();
    }

    PageResponse response;
    response.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QNetworkReply::NetworkError error = reply->error();
    if (failure == FetchFailure::kNone && error != QNetworkReply::NoError &&
        !(response.status > 0 && IsHttpStatusError(error))) {
        failure = FailureOf(error);
        detail = reply->errorString().toStdString();
    }
    response.failure = failure;
    response.detail = std::move(detail);
    response.ok = failure == FetchFailure::kNone;
    if (response.ok) {
        response.body = std::move(body);
        response.date = Header(*reply, "Date");
        response.etag = Header(*reply, "ETag");
        response.lastModified = Header(*reply, "Last-Modified");
        if (IsRedirect(response.status)) {
            // Where to go next, resolved against this address; an empty one ends the walk with this answer.
            const QByteArray location = reply->rawHeader("Location");
            if (!location.isEmpty()) {
                response.detail = url.resolved(QUrl::fromEncoded(location)).toString().toStdString();
            }
        }
    }
    return response;
}

}  // namespace

PageResponse CQtPageFetcher::Fetch(const PageRequest& request) {
    if (request.cancelled && request.cancelled()) {
        return Failed(FetchFailure::kOther, "cancelled");
    }
    if (QCoreApplication::instance() == nullptr) {
        return Failed(FetchFailure::kOther, "no QCoreApplication");
    }
    QUrl url(QString::fromStdString(request.url), QUrl::StrictMode);
    if (!IsWebScheme(url)) {
        return Failed(FetchFailure::kRefusedScheme, "not an http or https address");
    }
    // The redirects are followed here rather than by Qt, so that each hop's scheme and proxy are the
    // program's own decision; the 60 s hold for the whole walk.
    const QDeadlineTimer deadline(kTransferTimeoutMs);
    QNetworkAccessManager manager;
    for (int redirects = 0;; ++redirects) {
        PageResponse response = Exchange(manager, url, request, deadline);
        if (!response.ok || !IsRedirect(response.status) || response.detail.empty()) {
            return response;
        }
        if (redirects == kMaxRedirects) {
            return Failed(FetchFailure::kTooManyRedirects, "more than 5 redirects");
        }
        url = QUrl(QString::fromStdString(response.detail), QUrl::StrictMode);
        if (!IsWebScheme(url)) {
            return Failed(FetchFailure::kRefusedScheme, "redirect to " + url.scheme().toStdString());
        }
        if (deadline.hasExpired()) {
            return Failed(FetchFailure::kTimedOut, "no whole answer within 60 s");
        }
    }
}

void CQtPageFetcher::WakeAll() {
    std::lock_guard<std::mutex> lock(g_runningMutex);
    for (const Running& running : g_running) {
        QMetaObject::invokeMethod(running.context, *running.check, Qt::QueuedConnection);
    }
}

}  // namespace dravik
