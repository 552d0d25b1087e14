#include "mainwindow/system_tray.h"

#include <QAction>
#include <QCursor>
#include <QFont>
#include <QMenu>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstring>

#include "app/settings_key.h"
#include "platform/qt/dialog_builder.h"
#include "platform/qt/qt_tray_shell.h"
#include "resources/resource_images.h"
#include "resources/resource_tables.h"

namespace dravik {

std::size_t CSystemTray::s_nMaxTooltipLength = kTrayTipSize;

CTrayCommandWindow::CTrayCommandWindow(QWidget* widget, std::function<void(unsigned)> onCommand)
    : m_widget(widget), m_onCommand(std::move(onCommand)) {}

QWidget* CTrayCommandWindow::Widget() {
    return m_widget.data();
}

void CTrayCommandWindow::PostCommand(unsigned commandId) {
    if (m_widget == nullptr || !m_onCommand) {
        return;
    }
    // Queued on the widget: the command runs after the notification that caused it has been answered, and
    // not at all once the widget is gone.
    QTimer::singleShot(0, m_widget.data(), [handler = m_onCommand, commandId] { handler(commandId); });
}

std::string CutTrayTip(const std::string& text, std::size_t maxBytes) {
    std::size_t length = std::min({text.size(), maxBytes, text.find('\0')});
    if (length < text.size()) {
        // Back off over continuation bytes to the start of the character that does not fit.
        std::size_t start = length;
        while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) {
            --start;
        }
        length = start;
    }
    return text.substr(0, length);
}

CSystemTray::CSystemTray()
    : m_ownShell(std::make_unique<CQtTrayShell>([](TrayImage image) {
          const QIcon icon = ResourceIcon(image);
          return icon.isNull() ? CQtTrayShell::DefaultImage(image) : icon;
      })),
      m_shell(*m_ownShell) {}

CSystemTray::CSystemTray(ITrayShell& shell) : m_shell(shell) {}

CSystemTray::~CSystemTray() {
    *m_alive = false;
    DeleteIcon();
}

void CSystemTray::SetCommandWindow(std::unique_ptr<ITrayCommandWindow> window) {
    m_ownCommandWnd = std::move(window);
    m_pCommandWnd = m_ownCommandWnd.get();
}

bool CSystemTray::AddToTray(ITrayWindow* parent, unsigned callbackMessage, const std::string& tip, TrayImage icon,
                            unsigned id, bool hidden) {
    m_bTraySupported = m_shell.IsSupported();
    if (!m_bTraySupported) {
        return false;
    }
    s_nMaxTooltipLength = kTrayTipSize;

    m_nid = TrayIconData{};
    m_nid.window = parent != nullptr ? parent : this;
    m_nid.id = id;
    m_nid.icon = icon;
    m_nid.flags = kTrayFlagMessage | kTrayFlagIcon | kTrayFlagTip;
    m_nid.callbackMessage = callbackMessage;
    const std::string cut = CutTrayTip(tip, s_nMaxTooltipLength - 1);
    std::memcpy(m_nid.tip, cut.data(), cut.size());

    m_bIconAbsent = hidden;
    m_uAddFlags = m_nid.flags;
    if (hidden) {
        return true;
    }
    const bool ok = m_shell.NotifyIcon(TrayOp::Add, m_nid);
    m_bDeleted = m_bIconAbsent = m_bReaddWanted = !ok;
    return ok;
}

bool CSystemTray::ChangeIcon(TrayImage icon) {
    if (!m_bTraySupported) {
        return false;
    }
    m_nid.flags = kTrayFlagIcon;
    m_nid.icon = icon;
    if (m_bIconAbsent) {
        return true;  // kept for when the icon is added again
    }
    return m_shell.NotifyIcon(TrayOp::Modify, m_nid);
}

bool CSystemTray::SetTooltipText(const std::string& tip) {
    if (!m_bTraySupported) {
        return false;
    }
    const std::string cut = CutTrayTip(tip, s_nMaxTooltipLength - 1);
    std::memset(m_nid.tip, 0, sizeof m_nid.tip);
    std::memcpy(m_nid.tip, cut.data(), cut.size());
    m_nid.flags = kTrayFlagTip;
    if (m_bIconAbsent) {
        return true;  // kept for when the icon is added again
    }
    return m_shell.NotifyIcon(TrayOp::Modify, m_nid);
}

bool CSystemTray::DeleteIcon() {
    m_bReaddWanted = false;
    if (!m_bTraySupported || m_bDeleted) {
        return true;
    }
    m_nid.flags = 0;
    if (m_shell.NotifyIcon(TrayOp::Delete, m_nid)) {
        m_bIconAbsent = true;
        m_bDeleted = true;
    }
    return m_bDeleted;
}

void CSystemTray::AddIfPending() {
    if (!m_bReaddWanted || m_bIconAbsent) {
        return;
    }
    m_nid.flags = m_uAddFlags;
    bool ok = m_shell.NotifyIcon(TrayOp::Add, m_nid);
    if (!ok) {
        // The shell refuses to add an icon it still shows; that icon is not lost, so keep using it.
        ok = m_shell.NotifyIcon(TrayOp::Modify, m_nid);
    }
    m_bIconAbsent = m_bReaddWanted = !ok;
}

long CSystemTray::OnShellRestart() {
    m_bReaddWanted = true;
    AddIfPending();
    return 0;
}

void CSystemTray::OnSettingChange(unsigned uFlags, const char* /*lpszSection*/) {
    if (uFlags == kSpiSetWorkArea) {
        m_bReaddWanted = !m_bIconAbsent;
        AddIfPending();
    }
}

long CSystemTray::WindowProc(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    if (message == m_nid.callbackMessage && message != 0) {
        return OnTrayMessage(wParam, lParam);
    }
    if (message == TaskbarCreatedMessage()) {
        return OnShellRestart();
    }
    if (message == kWmSettingChange) {
        OnSettingChange(static_cast<unsigned>(wParam), reinterpret_cast<const char*>(lParam));
    }
    return 0;
}

bool CSystemTray::ShowBalloon(const std::string& title, const std::string& text, unsigned balloonCommand) {
    if (!m_bTraySupported || m_bIconAbsent) {
        return false;
    }
    m_uBalloonCommand = balloonCommand;
    return m_shell.ShowBalloon(m_nid, title, text);
}

long CSystemTray::OnTrayMessage(std::uintptr_t wParam, std::intptr_t lParam) {
    if (wParam != m_nid.id) {
        return 0;
    }
    ITrayCommandWindow* target = m_pCommandWnd;
    if (target == nullptr) {
        return 0;
    }
    switch (static_cast<unsigned>(lParam) & 0xFFFFu) {
        case kTrayRButtonUp:
            return ShowContextMenu(*target);
        case kTrayLButtonDblClk:
            return RunDefaultCommand(*target);
        case kTrayLButtonUp:
            // Hosts that report no double click send this one activation: it is the user's only way to the
            // default command.
            if (!m_shell.DeliversDoubleClick()) {
                return RunDefaultCommand(*target);
            }
            break;
        case kTrayBalloonUserClick:
            if (m_uBalloonCommand != 0) {
                target->PostCommand(m_uBalloonCommand);
            }
            break;
        default:
            break;
    }
    return 1;
}

void CSystemTray::PrepareMenu(QMenu& /*menu*/) {}

std::unique_ptr<QMenu> CSystemTray::LoadTrayMenu(unsigned menuId) {
    const MenuTemplate* tmpl = FindMenuTemplate(static_cast<int>(menuId), UiLanguage());
    if (tmpl == nullptr) {
        return nullptr;
    }
    return std::unique_ptr<QMenu>(BuildPopupMenu(*tmpl, 0, nullptr));
}

QAction* CSystemTray::TrackMenu(QMenu& menu, const QPoint& at) {
    return menu.exec(at);
}

long CSystemTray::ShowContextMenu(ITrayCommandWindow& target) {
    std::unique_ptr<QMenu> menu = LoadTrayMenu(m_nid.id);
    if (menu == nullptr) {
        return 0;
    }
    const QList<QAction*> actions = menu->actions();
    if (m_bMenuDefaultByPos && m_uMenuDefault < static_cast<unsigned>(actions.size())) {
        QAction* item = actions[static_cast<int>(m_uMenuDefault)];
        menu->setDefaultAction(item);
        QFont bold = item->font();
        bold.setBold(true);
        item->setFont(bold);
    }
    PrepareMenu(*menu);

    const QPoint at = QCursor::pos();
    if (QWidget* owner = target.Widget(); owner != nullptr && owner->isVisible()) {
        owner->activateWindow();
    }
    // The menu runs its own event loop, in which a queued command may already have destroyed this object.
    const std::shared_ptr<bool> alive = m_alive;
    QAction* chosen = TrackMenu(*menu, at);
    if (!*alive) {
        return 1;
    }
    const int command = chosen != nullptr ? CommandId(chosen) : 0;
    if (command != 0) {
        target.PostCommand(static_cast<unsigned>(command));
    }
    return 1;
}

long CSystemTray::RunDefaultCommand(ITrayCommandWindow& target) {
    if (QWidget* owner = target.Widget(); owner != nullptr && owner->isVisible()) {
        owner->activateWindow();
    }
    unsigned command = m_uMenuDefault;
    if (m_bMenuDefaultByPos) {
        std::unique_ptr<QMenu> menu = LoadTrayMenu(m_nid.id);
        if (menu == nullptr) {
            return 0;
        }
        const QList<QAction*> actions = menu->actions();
        if (m_uMenuDefault >= static_cast<unsigned>(actions.size())) {
            return 0;
        }
        command = static_cast<unsigned>(CommandId(actions[static_cast<int>(m_uMenuDefault)]));
    }
    target.PostCommand(command);
    return 1;
}

}  // namespace dravik
