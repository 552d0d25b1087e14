#include "app/window_placement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <sstream>

#include "app/settings_value.h"

namespace dravik {

namespace {

// Sizes beyond any screen are no placement but a damaged value.
constexpr int kMaxExtent = 100000;

std::string ValueName(const std::string& name) {
    return "window/" + name;
}

class CPlacementKeeper final : public QObject {
public:
    CPlacementKeeper(QWidget* window, std::string name) : QObject(window), m_window(window), m_name(std::move(name)) {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_window && event->type() == QEvent::Hide && !m_window->testAttribute(Qt::WA_DontShowOnScreen)) {
            SaveWindowPlacement(m_name, {m_window->normalGeometry(), m_window->isMaximized()});
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget* m_window;
    std::string m_name;
};

}  // namespace

std::string PlacementText(const WindowPlacement& placement) {
    const QRect& r = placement.rect;
    return std::to_string(r.x()) + " " + std::to_string(r.y()) + " " + std::to_string(r.width()) + " " +
           std::to_string(r.height()) + " " + (placement.maximized ? "1" : "0");
}

std::optional<WindowPlacement> ParsePlacement(const std::string& text) {
    std::istringstream in(text);
    long long x = 0, y = 0, w = 0, h = 0;
    int maximized = 0;
    if (!(in >> x >> y >> w >> h >> maximized)) {
        return std::nullopt;
    }
    std::string rest;
    if (in >> rest) {
        return std::nullopt;
    }
    const auto inRange = [](long long v, long long low) { return v >= low && v <= kMaxExtent; };
    if (!inRange(x, -kMaxExtent) || !inRange(y, -kMaxExtent) || !inRange(w, 1) || !inRange(h, 1) ||
        (maximized != 0 && maximized != 1)) {
        return std::nullopt;
    }
    return WindowPlacement{QRect(static_cast<int>(x), static_cast<int>(y), static_cast<int>(w), static_cast<int>(h)),
                           maximized == 1};
}

std::optional<WindowPlacement> FittingPlacement(const WindowPlacement& stored, const QList<QRect>& screens,
                                                const QSize& minimum) {
    if (stored.rect.width() < minimum.width() || stored.rect.height() < minimum.height()) {
        return std::nullopt;
    }
    for (const QRect& screen : screens) {
        if (screen.contains(stored.rect)) {
            return stored;
        }
    }
    return std::nullopt;
}

QRect OpeningRect(const std::optional<WindowPlacement>& stored, const QList<QRect>& screens, const QSize& minimum,
                  const QMargins& frame, const std::optional<ScreenShare>& share) {
    const QSize least = minimum.expandedTo(QSize(1, 1));
    if (screens.isEmpty()) {
        return stored ? stored->rect : QRect(QPoint(0, 0), least);
    }
    const QSize frameSize(frame.left() + frame.right(), frame.top() + frame.bottom());
    if (stored && stored->rect.width() >= least.width() && stored->rect.height() >= least.height()) {
        for (const QRect& screen : screens) {
            if (screen.contains(stored->rect.marginsAdded(frame))) {
                return stored->rect;
            }
        }
    }
    // The screen to open on: the one the stored place overlaps most, else the first.
    QRect screen = screens.front();
    if (stored) {
        long long most = 0;
        for (const QRect& candidate : screens) {
            const QRect common = candidate.intersected(stored->rect.marginsAdded(frame));
            const long long area = common.isEmpty() ? 0 : static_cast<long long>(common.width()) * common.height();
            if (area > most) {
                most = area;
                screen = candidate;
            }
        }
    }
    QSize size = least;
    if (stored) {
        size = stored->rect.size();
    } else if (share) {
        size = QSize(static_cast<int>(screen.width() * share->width) - frameSize.width(),
                     static_cast<int>(screen.height() * share->height) - frameSize.height());
    }
    size = size.boundedTo(screen.size() - frameSize).expandedTo(least);
    // The frame's top-left corner is placed last, so that a window larger than the screen keeps its title bar.
    const auto place = [](int wanted, int low, int room, int extent) {
        return std::max(low, std::min(wanted, low + room - extent));
    };
    QPoint at = stored ? stored->rect.topLeft()
                       : QPoint(screen.x() + frame.left() + (screen.width() - frameSize.width() - size.width()) / 2,
                                screen.y() + frame.top() + (screen.height() - frameSize.height() - size.height()) / 2);
    at.setX(place(at.x(), screen.x() + frame.left(), screen.width() - frameSize.width(), size.width()));
    at.setY(place(at.y(), screen.y() + frame.top(), screen.height() - frameSize.height(), size.height()));
    return QRect(at, size);
}

void SaveWindowPlacement(const std::string& name, const WindowPlacement& placement) {
    WriteSettingsText(ValueName(name), PlacementText(placement));
}

std::optional<WindowPlacement> LoadWindowPlacement(const std::string& name) {
    const std::optional<std::string> text = ReadSettingsText(ValueName(name));
    return text ? ParsePlacement(*text) : std::nullopt;
}

void RememberWindowPlacement(QWidget* window, const std::string& name, const std::optional<ScreenShare>& share) {
    // The screen the window would open on comes first: the primary one, where windows open by default.
    QList<QRect> screens;
    if (const QScreen* primary = QGuiApplication::primaryScreen()) {
        screens.push_back(primary->availableGeometry());
    }
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen != QGuiApplication::primaryScreen()) {
            screens.push_back(screen->availableGeometry());
        }
    }
    const std::optional<WindowPlacement> stored = LoadWindowPlacement(name);
    if (stored || share) {
        window->setGeometry(OpeningRect(stored, screens, window->minimumSize(), kAssumedFrame, share));
        if (stored && stored->maximized) {
            window->setWindowState(window->windowState() | Qt::WindowMaximized);
        }
    }
    new CPlacementKeeper(window, name);
}

}  // namespace dravik
