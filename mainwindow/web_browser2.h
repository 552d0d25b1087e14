#pragma once

#include <QUrl>
#include <QWebEngineView>
#include <optional>
#include <string>

#include "mainwindow/map_page.h"
#include "mainwindow/map_view.h"

class QRect;
class QWebChannel;

namespace dravik {

class CMapBridge;
class CSilentPage;

// The map view's browser control: a web view the main window drives through IBrowser.
class CWebBrowser2 final : public QWebEngineView, public IBrowser {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CWebBrowser2)

public:
    explicit CWebBrowser2(QWidget* parent = nullptr);
    ~CWebBrowser2() override;

    // Makes the control as a child of parent at rect, for callers that do not take it from a dialog
    // template; the window name, the visibility of style and the control id are kept.
    bool Create(const QString& windowName, bool visible, const QRect& rect, QWidget* parent, int id);

    void SetSilent(bool silent) override;
    // A built-in page of the kind shown now only moves its marker, so that the view, the zoom and the
    // circles stay; every other address is loaded.
    void Navigate(const std::string& address) override;

    bool IsSilent() const;

    // Lets the page and its renderer process go while nobody can see the map (the window is hidden to the
    // tray); what is asked of the control meanwhile is remembered. Restore loads the page shown last again,
    // with the marker where it went. Both do nothing when already so.
    void Release();
    void Restore();
    bool IsReleased() const { return m_bReleased; }

    // The built-in map page's channel object (the listed events, the marker, the legend, the home place).
    CMapBridge* Bridge() const { return m_bridge; }

private:
    // A new page for the view with the channel's wiring, in place of the old one.
    void ReplacePage();

    CSilentPage* m_page = nullptr;
    QWebChannel* m_channel;
    CMapBridge* m_bridge;
    // Where the marker of the page shown was moved since the page was loaded.
    std::optional<MapPosition> m_movedMarker;
    bool m_bReleased = false;
    // The address to load on Restore: the page shown or asked for while released.
    QUrl m_releasedUrl;
};

}  // namespace dravik
