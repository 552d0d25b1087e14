#include "platform/qt/qt_tray_shell.h"

#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QWidget>
#include <cstring>

#include "platform/qt/inert_text.h"

namespace dravik {

CQtTrayShell::CQtTrayShell(ImageLoader loader) : m_loader(std::move(loader)) {
    if (!m_loader) {
        m_loader = &CQtTrayShell::DefaultImage;
    }
}

CQtTrayShell::~CQtTrayShell() = default;

QIcon CQtTrayShell::DefaultImage(TrayImage image) {
    for (const char* pattern : {":/icons/%1-64.png", ":/icons/%1.png", ":/icons/%1.ico", ":/%1.png", ":/%1.ico"}) {
        const QString path = QString::fromLatin1(pattern).arg(image);
        if (QFile::exists(path)) {
            return QIcon(path);
        }
    }
    // A tray icon without an image is not shown at all, so fall back to something visible.
    const QIcon windowIcon = QGuiApplication::windowIcon();
    if (!windowIcon.isNull()) {
        return windowIcon;
    }
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) {
        return app->style()->standardIcon(QStyle::SP_ComputerIcon);
    }
    return QIcon();
}

bool CQtTrayShell::IsSupported() const {
    return true;
}

bool CQtTrayShell::IsAvailable() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool CQtTrayShell::DeliversDoubleClick() const {
    // Qt's own XEmbed icon is a widget that sees the clicks, double clicks included; through a
    // StatusNotifierItem host the icon only hears "activate".
    for (const QWidget* widget : QApplication::topLevelWidgets()) {
        if (std::strcmp(widget->metaObject()->className(), "QSystemTrayIconSys") == 0) {
            return true;
        }
    }
    return false;
}

bool CQtTrayShell::NotifyIcon(TrayOp op, const TrayIconData& data) {
    const bool same = m_icon != nullptr && m_data.window == data.window && m_data.id == data.id;
    switch (op) {
        case TrayOp::Add: {
            if (m_icon != nullptr || !IsAvailable()) {
                return false;
            }
            m_icon = std::make_unique<QSystemTrayIcon>();
            m_data = TrayIconData{};
            m_data.window = data.window;
            m_data.id = data.id;
            Apply(data, data.flags);
            QObject::connect(m_icon.get(), &QSystemTrayIcon::activated, m_icon.get(),
                             [this](QSystemTrayIcon::ActivationReason reason) {
                                 switch (reason) {
                                     case QSystemTrayIcon::Context:
                                         Deliver(m_data.callbackMessage, m_data.id, kTrayRButtonUp);
                                         break;
                                     case QSystemTrayIcon::DoubleClick:
                                         Deliver(m_data.callbackMessage, m_data.id, kTrayLButtonDblClk);
                                         break;
                                     case QSystemTrayIcon::Trigger:
                                         Deliver(m_data.callbackMessage, m_data.id, kTrayLButtonUp);
                                         break;
                                     case QSystemTrayIcon::MiddleClick:
                                         Deliver(m_data.callbackMessage, m_data.id, kTrayMButtonUp);
                                         break;
                                     case QSystemTrayIcon::Unknown:
                                         break;
                                 }
                             });
            QObject::connect(m_icon.get(), &QSystemTrayIcon::messageClicked, m_icon.get(),
                             [this] { Deliver(m_data.callbackMessage, m_data.id, kTrayBalloonUserClick); });
            if (QScreen* screen = QGuiApplication::primaryScreen()) {
                QObject::connect(screen, &QScreen::availableGeometryChanged, m_icon.get(),
                                 [this] { Deliver(kWmSettingChange, kSpiSetWorkArea, 0); });
            }
            m_icon->show();
            return true;
        }
        case TrayOp::Modify:
            if (!same) {
                return false;
            }
            Apply(data, data.flags);
            return true;
        case TrayOp::Delete:
            if (!same) {
                return false;
            }
            // Deleted later: this may run inside the icon's own activation signal.
            m_icon->hide();
            m_icon.release()->deleteLater();
            m_data = TrayIconData{};
            return true;
    }
    return false;
}

bool CQtTrayShell::ShowBalloon(const TrayIconData& data, const std::string& title, const std::string& text) {
    const bool same = m_icon != nullptr && m_data.window == data.window && m_data.id == data.id;
    if (!same || !QSystemTrayIcon::supportsMessages()) {
        return false;
    }
    // The balloon shows its message as plain text but guesses the title's format.
    m_icon->showMessage(InertText(QString::fromStdString(title)), QString::fromStdString(text),
                        QSystemTrayIcon::Information);
    return true;
}

void CQtTrayShell::Apply(const TrayIconData& data, unsigned flags) {
    if ((flags & kTrayFlagMessage) != 0) {
        m_data.callbackMessage = data.callbackMessage;
    }
    if ((flags & kTrayFlagIcon) != 0) {
        m_data.icon = data.icon;
        m_icon->setIcon(m_loader(data.icon));
    }
    if ((flags & kTrayFlagTip) != 0) {
        std::memcpy(m_data.tip, data.tip, sizeof m_data.tip);
        m_data.tip[kTrayTipSize - 1] = '\0';
        m_icon->setToolTip(InertText(QString::fromUtf8(m_data.tip)));
    }
}

void CQtTrayShell::Deliver(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    if (m_data.window != nullptr && message != 0) {
        m_data.window->WindowProc(message, wParam, lParam);
    }
}

}  // namespace dravik
