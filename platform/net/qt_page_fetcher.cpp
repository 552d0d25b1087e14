#include "platform/net/qt_page_fetcher.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QHostAddress>
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

#include "platform/net/http_exchange.h"
#include "platform/proxy_env.h"

namespace dravik {
namespace {

constexpr int kMaxRedirects = 5;
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

bool IsRedirect(long status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// One request and its answer, on the calling thread; a redirect comes back as it is, to be followed by the
// caller.
PageResponse Exchange(const QUrl& url, const PageRequest& request, const QDeadlineTimer& deadline) {
    const auto proxy = ProxyForUrl(url.scheme().toStdString(), url.host().toStdString(),
                                   [](const char* name) { return std::getenv(name); });
    const QDeadlineTimer connectBy(std::min<qint64>(kConnectTimeoutMs, deadline.remainingTime()));
    if (auto refused = LookUpFirst(proxy ? QString::fromStdString(proxy->host) : url.host(), request, connectBy)) {
        return *refused;
    }
    // The loop first: it gives this thread the event dispatcher the socket needs.
    QEventLoop loop;
    QObject context;
    QTimer connectTimer;
    QTimer transferTimer;
    QTimer poll;
    CHttpExchange exchange(
        url, request, proxy, [&] { connectTimer.stop(); }, [&] { loop.quit(); });
    const std::function<void()> check = [&] {
        if (request.cancelled && request.cancelled()) {
            exchange.Fail(FetchFailure::kOther, "cancelled");
        }
    };
    connectTimer.setSingleShot(true);
    transferTimer.setSingleShot(true);
    QObject::connect(&connectTimer, &QTimer::timeout, &context,
                     [&] { exchange.Fail(FetchFailure::kTimedOut, "no connection within 15 s"); });
    QObject::connect(&transferTimer, &QTimer::timeout, &context,
                     [&] { exchange.Fail(FetchFailure::kTimedOut, "no whole answer within 60 s"); });
    QObject::connect(&poll, &QTimer::timeout, &context, check);
    connectTimer.start(static_cast<int>(connectBy.remainingTime()));
    transferTimer.start(static_cast<int>(deadline.remainingTime()));
    poll.start(kPollMs);
    {
        // Registered before the cancel test is looked at again, so a wake-up after it is never lost.
        RunningFetch running(&context, &check);
        check();
        if (!exchange.Finished()) {
            exchange.Start();
        }
        if (!exchange.Finished()) {
            loop.exec();
        }
    }
    return exchange.TakeResponse();
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
    for (int redirects = 0;; ++redirects) {
        PageResponse response = Exchange(url, request, deadline);
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
