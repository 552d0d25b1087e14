#include "mainwindow/map_browser.h"

#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QMenu>
#include <QRect>
#include <QUrl>
#include <QUrlQuery>

#include "app/settings_key.h"
#include "app/ui_texts.h"
#include "mainwindow/map_page.h"
#include "mainwindow/version_check.h"
#include "platform/environment.h"

namespace dravik {

namespace {

// A region around the quake: its country and its neighbours.
constexpr int kFirstZoom = 5;

QString Text(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool IsBuiltIn(const QUrl& url) {
    const QUrl builtIn(QString::fromLatin1(kBuiltInMapServer));
    return url.scheme() == builtIn.scheme() && url.host() == builtIn.host();
}

}  // namespace

CMapBrowser::CMapBrowser(QWidget* parent) : CMapWidget(parent) {
    // The tile services ask that a program names itself.
    SetUserAgent(QByteArray("Dravik/") + kCheckedVersion + " (+" + QByteArray::fromStdString(SiteUrl()) + ")");
    connect(this, &CMapWidget::ActionClicked, this, [this] { OpenOutside(); });
    // The world's land until the first quake is shown; its tiles are not fetched for a view about to move.
    ReleaseTiles();
}

bool CMapBrowser::Create(const QString& windowName, bool visible, const QRect& rect, QWidget* parent, int id) {
    setParent(parent);
    setWindowTitle(windowName);
    setGeometry(rect);
    // The id as the dialog builder records it, so that FindControl finds this control too.
    setProperty("dravikControlId", id);
    setObjectName(QStringLiteral("control%1").arg(id));
    setVisible(visible);
    return true;
}

void CMapBrowser::Navigate(const std::string& address) {
    const std::string lang = UiLanguage();
    // The address is taken as the caller built it; QUrl only escapes what a URL cannot hold.
    const QUrl url(QString::fromStdString(address));
    m_outsideAddress = IsBuiltIn(url) ? QString() : url.toString();
    SetAction(m_outsideAddress.isEmpty() ? QString() : Text(MapOpenInBrowserText(lang)));

    const int kind = MapKindForPath(url.path().toStdString());
    if (kind >= 0) {
        SetKind(kind);
    }
    const QUrlQuery query(url);
    const auto position = ParseMapPosition(query.queryItemValue("wsp1", QUrl::FullyDecoded).toStdString(),
                                           query.queryItemValue("wsp2", QUrl::FullyDecoded).toStdString());
    if (!position) {
        SetMarker(std::nullopt);
        SetNote(Text(MapPositionUnknownText(lang)));
        return;
    }
    SetNote(QString());
    const GeoPoint place{position->lat, position->lon};
    SetMarker(place);
    if (!m_bShownOnce) {
        m_bShownOnce = true;
        CentreOn(place, kFirstZoom);
    } else {
        BringIntoView(place);
    }
}

void CMapBrowser::OpenOutside() {
    if (!m_outsideAddress.isEmpty()) {
        QDesktopServices::openUrl(QUrl(m_outsideAddress));
    }
}

void CMapBrowser::Release() {
    if (m_bReleased) {
        return;
    }
    m_bReleased = true;
    ReleaseTiles();
}

void CMapBrowser::Restore() {
    if (!m_bReleased) {
        return;
    }
    m_bReleased = false;
    RestoreTiles();
}

void CMapBrowser::contextMenuEvent(QContextMenuEvent* event) {
    if (m_outsideAddress.isEmpty()) {
        CMapWidget::contextMenuEvent(event);
        return;
    }
    QMenu menu(this);
    menu.addAction(Text(MapOpenInBrowserText(UiLanguage())), this, [this] { OpenOutside(); });
    menu.exec(event->globalPos());
}

}  // namespace dravik
