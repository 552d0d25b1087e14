#pragma once

#include <QMutex>
#include <QMutexLocker>
#include <QSet>
#include <QString>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInfo>
#include <QWebEngineUrlRequestInterceptor>

namespace dravik::test {

// Keeps every web view of the default profile inside the program, as on a machine without network: requests
// for other schemes than the built-in map server's and data: are blocked, and their hosts noted. Installed
// while the object lives.
class FakeOfflineWeb final : public QWebEngineUrlRequestInterceptor {
public:
    FakeOfflineWeb() { QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(this); }
    ~FakeOfflineWeb() override { QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(nullptr); }
    FakeOfflineWeb(const FakeOfflineWeb&) = delete;
    FakeOfflineWeb& operator=(const FakeOfflineWeb&) = delete;

    // Called on the web engine's IO thread.
    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        const QUrl url = info.requestUrl();
        if (url.scheme() != QLatin1String("dravik-map") && url.scheme() != QLatin1String("data")) {
            QMutexLocker lock(&m_mutex);
            m_blockedHosts.insert(url.host());
            info.block(true);
        }
    }

    QSet<QString> BlockedHosts() {
        QMutexLocker lock(&m_mutex);
        return m_blockedHosts;
    }

private:
    QMutex m_mutex;
    QSet<QString> m_blockedHosts;
};

}  // namespace dravik::test
