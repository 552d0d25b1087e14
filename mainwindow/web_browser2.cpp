#include "mainwindow/web_browser2.h"

#include <QRect>
#include <QUrl>
#include <QUrlQuery>
#include <QWebChannel>
#include <QWebEngineCertificateError>
#include <QWebEnginePage>

#include "mainwindow/map_bridge.h"
#include "mainwindow/map_page.h"
#include "mainwindow/map_scheme.h"

namespace dravik {

// A page that, while silent, answers the page's own questions itself instead of asking the user.
class CSilentPage final : public QWebEnginePage {
    Q_DISABLE_COPY_MOVE(CSilentPage)

public:
    explicit CSilentPage(QObject* parent) : QWebEnginePage(parent) {
        connect(this, &QWebEnginePage::certificateError, this, [this](QWebEngineCertificateError error) {
            if (m_bSilent) {
                error.rejectCertificate();
            }
        });
    }

    bool m_bSilent = false;

protected:
    void javaScriptAlert(const QUrl& securityOrigin, const QString& msg) override {
        if (!m_bSilent) {
            QWebEnginePage::javaScriptAlert(securityOrigin, msg);
        }
    }
    bool javaScriptConfirm(const QUrl& securityOrigin, const QString& msg) override {
        return m_bSilent ? false : QWebEnginePage::javaScriptConfirm(securityOrigin, msg);
    }
    bool javaScriptPrompt(const QUrl& securityOrigin, const QString& msg, const QString& defaultValue,
                          QString* result) override {
        return m_bSilent ? false : QWebEnginePage::javaScriptPrompt(securityOrigin, msg, defaultValue, result);
    }
    QStringList chooseFiles(FileSelectionMode mode, const QStringList& oldFiles,
                            const QStringList& acceptedMimeTypes) override {
        return m_bSilent ? QStringList() : QWebEnginePage::chooseFiles(mode, oldFiles, acceptedMimeTypes);
    }
    // Script errors of a silent page are not reported either.
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int lineNumber,
                                  const QString& sourceID) override {
        if (!m_bSilent) {
            QWebEnginePage::javaScriptConsoleMessage(level, message, lineNumber, sourceID);
        }
    }
};

namespace {

bool IsBuiltInPage(const QUrl& url) {
    return url.scheme() == QLatin1String(kMapSchemeName);
}

}  // namespace

CWebBrowser2::CWebBrowser2(QWidget* parent)
    : QWebEngineView(parent),
      m_page(new CSilentPage(this)),
      m_channel(new QWebChannel(this)),
      m_bridge(new CMapBridge([this] { return IsBuiltInPage(m_page->url()); }, this)) {
    InstallMapSchemeHandler(m_page->profile());
    setPage(m_page);
    m_channel->registerObject(QStringLiteral("dravik"), m_bridge);
    connect(m_page, &QWebEnginePage::loadStarted, m_bridge, &CMapBridge::PageLoadStarted);
    // A page that comes (again) after the marker moved shows it where it went.
    connect(m_bridge, &CMapBridge::PageBecameReady, this, [this] {
        if (m_movedMarker) {
            emit m_bridge->markerMoved(m_movedMarker->lat, m_movedMarker->lon);
        }
    });
    // Only the built-in pages get the channel: an outside map server's page never reaches the program.
    connect(m_page, &QWebEnginePage::urlChanged, this,
            [this](const QUrl& url) { m_page->setWebChannel(IsBuiltInPage(url) ? m_channel : nullptr); });
}

CWebBrowser2::~CWebBrowser2() = default;

bool CWebBrowser2::Create(const QString& windowName, bool visible, const QRect& rect, QWidget* parent, int id) {
    setParent(parent);
    setWindowTitle(windowName);
    setGeometry(rect);
    // The id as the dialog builder records it, so that FindControl finds this control too.
    setProperty("dravikControlId", id);
    setObjectName(QStringLiteral("control%1").arg(id));
    setVisible(visible);
    return true;
}

void CWebBrowser2::SetSilent(bool silent) {
    m_page->m_bSilent = silent;
}

bool CWebBrowser2::IsSilent() const {
    return m_page->m_bSilent;
}

void CWebBrowser2::Navigate(const std::string& address) {
    // The address is taken as the caller built it; QUrl only escapes what a URL cannot hold.
    const QUrl url(QString::fromStdString(address));
    const QUrl shown = m_page->url();
    if (m_bridge->IsReady() && IsBuiltInPage(url) && IsBuiltInPage(shown) && url.host() == shown.host() &&
        url.path() == shown.path()) {
        const QUrlQuery query(url);
        const auto position = ParseMapPosition(query.queryItemValue("wsp1", QUrl::FullyDecoded).toStdString(),
                                               query.queryItemValue("wsp2", QUrl::FullyDecoded).toStdString());
        if (position) {
            m_movedMarker = *position;
            emit m_bridge->markerMoved(position->lat, position->lon);
            return;
        }
    }
    m_movedMarker.reset();
    m_page->setWebChannel(IsBuiltInPage(url) ? m_channel : nullptr);
    load(url);
}

}  // namespace dravik
