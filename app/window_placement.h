#pragma once

#include <QList>
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

void SaveWindowPlacement(const std::string& name, const WindowPlacement& placement);
std::optional<WindowPlacement> LoadWindowPlacement(const std::string& name);

// The window takes its stored placement now when it fits the present screens, and stores its placement
// each time it is hidden (closed, hidden to the tray).
void RememberWindowPlacement(QWidget* window, const std::string& name);

}  // namespace dravik
