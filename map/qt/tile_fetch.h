#pragma once

#include <QObject>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <memory>
#include <string>

#include "platform/net/http_exchange.h"

namespace dravik {

// One tile's GET on the UI thread over the program's bounded HTTP client: redirects followed (at most 5, never
// from https down to http), the body capped, a deadline for the whole and one for silence. The answer comes
// to `done` once, from the event loop, never from inside the call that started or aborted it.
class CTileFetch final : public QObject {
public:
    struct Answer {
        bool received = false;   // an HTTP answer came whole (any status)
        bool cancelled = false;  // Abort() ended it
        long status = 0;
        std::string body;
        HttpHead head;
    };

    CTileFetch(QUrl url, PageRequest request, int deadlineMs, int silenceMs, std::function<void(Answer)> done,
               QObject* parent = nullptr);
    ~CTileFetch() override;

    void Start();
    void Abort();

private:
    void StartHop();
    void OnExchangeFinished();
    void Deliver(Answer answer);

    QUrl m_url;
    PageRequest m_request;
    std::function<void(Answer)> m_done;
    std::unique_ptr<CHttpExchange> m_exchange;
    QTimer m_deadline;
    QTimer m_silence;
    int m_hops = 0;
    bool m_cancelled = false;
    bool m_delivered = false;
};

}  // namespace dravik
