#include "mainwindow/map_browser.h"

#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QMenu>
#include <QMessageBox>
#include <QRect>
#include <QUrl>
#include <QUrlQuery>

#include "app/place_dlg.h"
#include "app/settings_key.h"
#include "app/ui_texts.h"
#include "mainwindow/map_page.h"
#include "map/tile_source.h"
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
    // The tile services ask that a program names itself and how to reach its makers.
    SetUserAgent(QByteArray::fromStdString(TileUserAgent(SiteUrl())));
    connect(this, &CMapWidget::ActionClicked, this, [this] { OpenOutside(); });
    connect(this, &CMapWidget::LanguageChanged, this, [this] { RefreshTexts(); });
    RefreshTexts();
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
    m_bPositionUnknown = !position;
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

void CMapBrowser::RefreshTexts() {
    const std::string lang = UiLanguage();
    setAccessibleName(Text(MapAccessibleNameText(lang)));
    SetCreditLanguage(lang);
    SetAction(m_outsideAddress.isEmpty() ? QString() : Text(MapOpenInBrowserText(lang)));
    SetNote(m_bPositionUnknown ? Text(MapPositionUnknownText(lang)) : QString());
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

void CMapBrowser::AskForPlace(const GeoPoint& at) {
    const std::string lang = UiLanguage();
    // Said before the name is typed, not after.
    if (StoredPlacesFull()) {
        SayPlacesFull(lang);
        return;
    }
    // A point of the map's world copies next door reads as the longitude it stands for.
    CPlaceDlg dlg(Place{std::string(), at.lat, WrapLongitude(at.lon)}, true, lang, this);
    if (dlg.exec() != QDialog::Accepted) {
        return;
    }
    if (!AddStoredPlace(dlg.Result())) {
        SayPlacesFull(lang);
        return;
    }
    emit PlacesChanged();
}

void CMapBrowser::SayPlacesFull(const std::string& lang) {
    QMessageBox box(QMessageBox::Information, QString::fromUtf8(kMessageBoxCaption),
                    Text(PlaceUiText(lang, PlaceText::Full)), QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void CMapBrowser::contextMenuEvent(QContextMenuEvent* event) {
    const std::string lang = UiLanguage();
    const GeoPoint at =
        Viewport().ToGeo({static_cast<double>(event->pos().x()), static_cast<double>(event->pos().y())});
    QMenu menu(this);
    QAction* place = menu.addAction(Text(PlaceUiText(lang, PlaceText::MenuItem)));
    QAction* outside = nullptr;
    if (!m_outsideAddress.isEmpty()) {
        outside = menu.addAction(Text(MapOpenInBrowserText(lang)));
    }
    // What was chosen runs once the menu is closed, so its window is no child of the menu's loop.
    QAction* chosen = menu.exec(event->globalPos());
    if (chosen == place) {
        AskForPlace(at);
    } else if (chosen != nullptr && chosen == outside) {
        OpenOutside();
    }
}

}  // namespace dravik
