#pragma once

#include <QList>
#include <QMargins>
#include <QRect>
#include <QSize>
#include <optional>
#include <string>

class QWidget;

namespace dravik {

// Where a resizable window stood: its normal (not maximised) geometry and whether it was maximised.
struct WindowPlacement {
    QRect rect;
    bool maximized = false;
};

// As stored, value "window/<name>" of the program's settings: "x y w h m", m 1 when maximised.
std::string PlacementText(const WindowPlacement& placement);
std::optional<WindowPlacement> ParsePlacement(const std::string& text);

// The stored placement when it can be used on these screens (their available areas): its rectangle lies
// whole on one screen and is at least minimum in size. A placement from a screen that is gone, or from a
// larger one, is dropped and the window opens at its template size.
std::optional<WindowPlacement> FittingPlacement(const WindowPlacement& stored, const QList<QRect>& screens,
                                                const QSize& minimum);

// The share of the available screen a window opens at when it has no placement of its own.
struct ScreenShare {
    double width = 0;
    double height = 0;
};
// The main window: most of the screen for the list and the map, some of the desktop left in view.
inline constexpr ScreenShare kMainWindowShare{0.75, 0.85};

// Where a window's client area opens (screens: their available areas, the one to open on by default first;
// frame: the window manager's border around the client area, the title bar in its top): the stored placement
// when it fits one screen frame and all; a stored one off every screen, or across screens, brought back whole
// onto the screen it overlaps most (else the first) at its size where that fits; without one, the share of the
// first screen, centred (no share: the minimum). Never below the minimum; where the screen is too small for it,
// the title bar stays in view and the bottom gives.
QRect OpeningRect(const std::optional<WindowPlacement>& stored, const QList<QRect>& screens, const QSize& minimum,
                  const QMargins& frame, const std::optional<ScreenShare>& share);

// The frame the window manager is taken to add before a window has one: a title bar and thin borders.
inline constexpr QMargins kAssumedFrame{2, 32, 2, 2};

void SaveWindowPlacement(const std::string& name, const WindowPlacement& placement);
std::optional<WindowPlacement> LoadWindowPlacement(const std::string& name);

// The window takes its opening place now (OpeningRect on the present screens, with the share when given), and
// stores its placement each time it is hidden (closed, hidden to the tray).
void RememberWindowPlacement(QWidget* window, const std::string& name,
                             const std::optional<ScreenShare>& share = std::nullopt);

}  // namespace dravik
