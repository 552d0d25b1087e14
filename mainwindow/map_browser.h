#pragma once

#include <QString>
#include <string>

#include "mainwindow/map_view.h"
#include "map/qt/map_widget.h"

class QRect;

namespace dravik {

// The main window's map: the map widget, driven through IBrowser with the addresses the map view builds.
// The widget takes the kind from the address's page and the selected quake's place from its query; a map
// server given from outside is offered in the user's browser, never shown inside the window.
class CMapBrowser final : public CMapWidget, public IBrowser {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CMapBrowser)

public:
    explicit CMapBrowser(QWidget* parent = nullptr);

    // Makes the control as a child of parent at rect, for callers that do not take it from a dialog
    // template; the window name, the visibility of style and the control id are kept.
    bool Create(const QString& windowName, bool visible, const QRect& rect, QWidget* parent, int id);

    void SetSilent(bool silent) override { m_bSilent = silent; }
    // The first place shown is centred at a regional zoom; later ones move the marker and bring it into view
    // when it lies outside, keeping the zoom; a new kind keeps the view too.
    void Navigate(const std::string& address) override;

    bool IsSilent() const { return m_bSilent; }
    // The address of an outside map server's page for the selected quake; empty for the built-in map.
    const QString& OutsideAddress() const { return m_outsideAddress; }
    // Opens OutsideAddress in the user's browser.
    void OpenOutside();

    // Lets the tiles in memory go while nobody can see the map; the view and the circles stay. Restore
    // fetches what the view needs again. Both do nothing when already so.
    void Release();
    void Restore();
    bool IsReleased() const { return m_bReleased; }

    // The map's own texts (its name for screen readers, the credits, the note and the button) in the language
    // stored now; also on every change of the application's language.
    void RefreshTexts();

    // What the context menu's "set a place here" does: asks for the new place's name at the point and adds it to
    // the stored places, or says that they are full. PlacesChanged follows a place added.
    void AskForPlace(const GeoPoint& at);

signals:
    void PlacesChanged();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void SayPlacesFull(const std::string& lang);

    bool m_bSilent = false;
    bool m_bReleased = false;
    bool m_bShownOnce = false;
    bool m_bPositionUnknown = false;
    QString m_outsideAddress;
};

}  // namespace dravik
