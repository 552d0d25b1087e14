#pragma once

#include <QIcon>
#include <QObject>
#include <functional>
#include <memory>
#include <string>

#include "platform/tray_shell.h"

class QSystemTrayIcon;

namespace dravik {

// The notification area over QSystemTrayIcon: one icon at a time, its mouse actions and the desktop's
// work-area changes passed on to the icon's window as messages.
class CQtTrayShell final : public QObject, public ITrayShell {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CQtTrayShell)

public:
    using ImageLoader = std::function<QIcon(TrayImage)>;

    // loader turns an icon resource id into an image; the default looks in the compiled-in resources.
    explicit CQtTrayShell(ImageLoader loader = {});
    ~CQtTrayShell() override;

    bool IsSupported() const override;
    bool IsAvailable() const override;
    bool DeliversDoubleClick() const override;
    bool NotifyIcon(TrayOp op, const TrayIconData& data) override;
    bool ShowBalloon(const TrayIconData& data, const std::string& title, const std::string& text) override;

    // The icon as shown, for tests; null while there is none.
    QSystemTrayIcon* Icon() const { return m_icon.get(); }

    // The image of an icon resource id from the compiled-in resources, never a null icon.
    static QIcon DefaultImage(TrayImage image);

private:
    void Apply(const TrayIconData& data, unsigned flags);
    void Deliver(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);

    ImageLoader m_loader;
    std::unique_ptr<QSystemTrayIcon> m_icon;
    TrayIconData m_data;
};

}  // namespace dravik
