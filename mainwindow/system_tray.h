#pragma once

#include <QPointer>
#include <functional>
#include <memory>
#include <string>

#include "platform/tray_shell.h"

class QAction;
class QMenu;
class QPoint;
class QWidget;

namespace dravik {

// The window that receives the tray menu's commands.
class ITrayCommandWindow {
public:
    virtual ~ITrayCommandWindow() = default;
    // The menu's owner, brought to the foreground before the menu or a command; may be null.
    virtual QWidget* Widget() = 0;
    // Delivers a command later, on the UI thread, the way a posted command message arrives.
    virtual void PostCommand(unsigned commandId) = 0;
};

// A command window over a widget and a handler; commands queued on the widget, dropped once it is gone.
class CTrayCommandWindow final : public ITrayCommandWindow {
public:
    CTrayCommandWindow(QWidget* widget, std::function<void(unsigned)> onCommand);
    QWidget* Widget() override;
    void PostCommand(unsigned commandId) override;

private:
    QPointer<QWidget> m_widget;
    std::function<void(unsigned)> m_onCommand;
};

// Cuts text to at most maxBytes bytes (and at a zero byte), backing off so no UTF-8 character is split.
std::string CutTrayTip(const std::string& text, std::size_t maxBytes);

// The one tray icon that stands for the hidden main window: adds, changes and removes it, adds it again
// when the shell asks, and turns mouse actions on it into commands for the command window.
class CSystemTray : public ITrayWindow {
public:
    CSystemTray();                            // over the desktop's notification area
    explicit CSystemTray(ITrayShell& shell);  // over the given shell, which must outlive the object
    ~CSystemTray() override;
    CSystemTray(const CSystemTray&) = delete;
    CSystemTray& operator=(const CSystemTray&) = delete;

    bool AddToTray(ITrayWindow* parent, unsigned callbackMessage, const std::string& tip, TrayImage icon, unsigned id,
                   bool hidden);
    bool ChangeIcon(TrayImage icon);
    // A new tooltip, cut to the length icons take.
    bool SetTooltipText(const std::string& tip);
    bool DeleteIcon();
    // A message balloon at the icon; false when the icon is absent or the host shows no balloons. A click
    // on it posts balloonCommand to the command window.
    bool ShowBalloon(const std::string& title, const std::string& text, unsigned balloonCommand);

    long WindowProc(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
    virtual long OnTrayMessage(std::uintptr_t wParam, std::intptr_t lParam);
    virtual void PrepareMenu(QMenu& menu);

    long OnShellRestart();
    void OnSettingChange(unsigned uFlags, const char* lpszSection);

    // Where the menu's commands go; without one, mouse actions are answered with 0 and do nothing.
    void SetCommandWindow(ITrayCommandWindow* window) { m_pCommandWnd = window; }
    void SetCommandWindow(std::unique_ptr<ITrayCommandWindow> window);

    // The tooltip length every icon gets, with its terminating zero.
    static std::size_t MaxTooltipLength() { return s_nMaxTooltipLength; }

    const TrayIconData& IconData() const { return m_nid; }
    bool TraySupported() const { return m_bTraySupported; }
    bool IconAbsent() const { return m_bIconAbsent; }
    bool Deleted() const { return m_bDeleted; }
    bool ReaddWanted() const { return m_bReaddWanted; }

protected:
    // Shows the menu at a place and returns the chosen action; null when none was chosen.
    virtual QAction* TrackMenu(QMenu& menu, const QPoint& at);
    // The popup of the tray menu resource id; null when there is none.
    virtual std::unique_ptr<QMenu> LoadTrayMenu(unsigned menuId);

private:
    void AddIfPending();
    long ShowContextMenu(ITrayCommandWindow& target);
    long RunDefaultCommand(ITrayCommandWindow& target);

    std::unique_ptr<ITrayShell> m_ownShell;
    std::unique_ptr<ITrayCommandWindow> m_ownCommandWnd;
    ITrayShell& m_shell;
    // Set to false at destruction, so that a handler that destroyed the object during the menu sees it.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);

    TrayIconData m_nid;
    bool m_bTraySupported = false;
    bool m_bIconAbsent = true;
    bool m_bDeleted = true;
    bool m_bReaddWanted = false;
    ITrayCommandWindow* m_pCommandWnd = nullptr;
    unsigned m_uMenuDefault = 0;
    bool m_bMenuDefaultByPos = true;
    unsigned m_uAddFlags = 0;
    unsigned m_uBalloonCommand = 0;

    static std::size_t s_nMaxTooltipLength;
};

}  // namespace dravik
