#include "map/qt/tile_fetch.h"

#include <cstdlib>

#include "platform/proxy_env.h"

namespace dravik {
namespace {

constexpr int kMaxRedirects = 5;

bool IsRedirect(long status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

}  // namespace

CTileFetch::CTileFetch(QUrl url, PageRequest request, int deadlineMs, int silenceMs, std::function<void(Answer)> done,
                       QObject* parent)
    : QObject(parent), m_url(std::move(url)), m_request(std::move(request)), m_done(std::move(done)) {
    m_deadline.setSingleShot(true);
    m_deadline.setInterval(deadlineMs);
    m_silence.setSingleShot(true);
    m_silence.setInterval(silenceMs);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        if (m_exchange) {
            m_exchange->Fail(FetchFailure::kTimedOut, "no whole tile in time");
        }
    });
    connect(&m_silence, &QTimer::timeout, this, [this] {
        if (m_exchange) {
            m_exchange->Fail(FetchFailure::kTimedOut, "the tile's service fell silent");
        }
    });
}

CTileFetch::~CTileFetch() = default;

void CTileFetch::Start() {
    m_deadline.start();
    StartHop();
}

void CTileFetch::Abort() {
    m_cancelled = true;
    if (m_exchange) {
        m_exchange->Fail(FetchFailure::kOther, "cancelled");
    }
}

void CTileFetch::StartHop() {
    const std::string scheme = m_url.scheme().toLower().toStdString();
    const auto proxy =
        ProxyForUrl(scheme, m_url.host().toStdString(), [](const char* name) { return std::getenv(name); });
    m_exchange = std::make_unique<CHttpExchange>(m_url, m_request, proxy, nullptr, [this] {
        // Out of the socket's own signal before the exchange goes.
        QTimer::singleShot(0, this, [this] { OnExchangeFinished(); });
    });
    m_exchange->SetOnBytes([this] { m_silence.start(); });
    m_silence.start();
    m_exchange->Start();
}

void CTileFetch::OnExchangeFinished() {
    if (m_delivered || !m_exchange) {
        return;
    }
    const HttpHead head = m_exchange->Head();
    PageResponse response = m_exchange->TakeResponse();
    m_exchange.reset();
    if (response.ok && IsRedirect(response.status) && !response.detail.empty() && !m_cancelled) {
        const QUrl next(QString::fromStdString(response.detail), QUrl::StrictMode);
        const QString scheme = next.scheme().toLower();
        const bool allowed = next.isValid() && !next.host().isEmpty() &&
                             (scheme == QLatin1String("https") ||
                              (scheme == QLatin1String("http") && m_url.scheme().toLower() == QLatin1String("http")));
        if (allowed && m_hops < kMaxRedirects) {
            ++m_hops;
            m_url = next;
            StartHop();
            return;
        }
        Deliver(Answer{});
        return;
    }
    Answer answer;
    answer.cancelled = m_cancelled;
    answer.received = response.ok;
    answer.status = response.status;
    if (response.ok) {
        answer.body = std::move(response.body);
        answer.head = head;
    }
    Deliver(std::move(answer));
}

void CTileFetch::Deliver(Answer answer) {
    m_delivered = true;
    m_deadline.stop();
    m_silence.stop();
    if (m_done) {
        m_done(std::move(answer));
    }
}

}  // namespace dravik
