#include "mainwindow/web_browser2.h"

#include <QPointer>
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
      m_channel(new QWebChannel(this)),
      m_bridge(new CMapBridge([this] { return m_page != nullptr && IsBuiltInPage(m_page->url()); }, this)) {
    m_channel->registerObject(QStringLiteral("dravik"), m_bridge);
    // A page that comes (again) after the marker moved shows it where it went.
    connect(m_bridge, &CMapBridge::PageBecameReady, this, [this] {
        if (m_movedMarker) {
            emit m_bridge->markerMoved(m_movedMarker->lat, m_movedMarker->lon);
        }
    });
    ReplacePage();
}

void CWebBrowser2::ReplacePage() {
    const QPointer<CSilentPage> old = m_page;
    m_page = new CSilentPage(this);
    InstallMapSchemeHandler(m_page->profile());
    if (old != nullptr) {
        m_page->m_bSilent = old->m_bSilent;
    }
    setPage(m_page);
    // Gone with its web contents, so that its renderer process can end.
    delete old.data();
    m_bridge->PageLoadStarted();
    connect(m_page, &QWebEnginePage::loadStarted, m_bridge, &CMapBridge::PageLoadStarted);
    // Only the built-in pages get the channel: an outside map server's page never reaches the program.
    connect(m_page, &QWebEnginePage::urlChanged, this,
            [this](const QUrl& url) { m_page->setWebChannel(IsBuiltInPage(url) ? m_channel : nullptr); });
}

void CWebBrowser2::Release() {
    if (m_bReleased) {
        return;
    }
    m_bReleased = true;
    m_releasedUrl = m_page->url();
    // A page that never navigates has no renderer process.
    ReplacePage();
}

void CWebBrowser2::Restore() {
    if (!m_bReleased) {
        return;
    }
    m_bReleased = false;
    const QUrl url = m_releasedUrl;
    m_releasedUrl = QUrl();
    if (!url.isEmpty()) {
        m_page->setWebChannel(IsBuiltInPage(url) ? m_channel : nullptr);
        load(url);
    }
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
    // The built-in page in place, or the one Restore loads, only moves its marker for a page of its kind.
    const QUrl current = m_bReleased ? m_releasedUrl : m_page->url();
    if ((m_bReleased || m_bridge->IsReady()) && IsBuiltInPage(url) && IsBuiltInPage(current) &&
        url.host() == current.host() && url.path() == current.path()) {
        const QUrlQuery query(url);
        const auto position = ParseMapPosition(query.queryItemValue("wsp1", QUrl::FullyDecoded).toStdString(),
                                               query.queryItemValue("wsp2", QUrl::FullyDecoded).toStdString());
        if (position) {
            m_movedMarker = *position;
            if (!m_bReleased) {
                emit m_bridge->markerMoved(position->lat, position->lon);
            }
            return;
        }
    }
    m_movedMarker.reset();
    if (m_bReleased) {
        m_releasedUrl = url;
        return;
    }
    m_page->setWebChannel(IsBuiltInPage(url) ? m_channel : nullptr);
    load(url);
}

}  // namespace dravik
