#include "app/window_placement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
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

void SaveWindowPlacement(const std::string& name, const WindowPlacement& placement) {
    WriteSettingsText(ValueName(name), PlacementText(placement));
}

std::optional<WindowPlacement> LoadWindowPlacement(const std::string& name) {
    const std::optional<std::string> text = ReadSettingsText(ValueName(name));
    return text ? ParsePlacement(*text) : std::nullopt;
}

void RememberWindowPlacement(QWidget* window, const std::string& name) {
    if (const std::optional<WindowPlacement> stored = LoadWindowPlacement(name)) {
        QList<QRect> screens;
        for (const QScreen* screen : QGuiApplication::screens()) {
            screens.push_back(screen->availableGeometry());
        }
        if (const auto fitting = FittingPlacement(*stored, screens, window->minimumSize())) {
            window->setGeometry(fitting->rect);
            if (fitting->maximized) {
                window->setWindowState(window->windowState() | Qt::WindowMaximized);
            }
        }
    }
    new CPlacementKeeper(window, name);
}

}  // namespace dravik
