// The main window's tray side: hiding to the tray icon and back, the blink timer, and the two commands of
// the tray menu that end the program.
#include <QMessageBox>
#include <QString>
#include <QSystemTrayIcon>

#include "app/language_dlg.h"
#include "app/settings_key.h"
#include "mainwindow/monitor_dlg.h"
#include "mainwindow/system_tray.h"
#include "mainwindow/tray_blink.h"
#include "mainwindow/ui_texts.h"
#include "platform/dialog_template.h"
#include "platform/environment.h"

namespace dravik {

void CMonitorDlg::OnTimer() {
    if (m_pTray != nullptr) {
        m_pTray->ChangeIcon(BlinkTickImage(m_bNewEvent, m_bBlinkPhase, m_hTrayIcon, m_hBlinkIcon));
    }
}

void CMonitorDlg::UpdateTrayIcon() {
    if (m_bHiddenToTray && m_pTray == nullptr) {
        m_pTray = m_services.trayShell != nullptr ? new CSystemTray(*m_services.trayShell) : new CSystemTray();
        m_pTray->SetCommandWindow(
            std::make_unique<CTrayCommandWindow>(this, [this](unsigned id) { OnCommand(static_cast<int>(id)); }));
        // Only "PL" and "EN" have a tooltip and a menu; for another text the object exists without an icon.
        const std::string lang = UiLanguage();
        const int menuId = TrayMenuId(lang);
        if (menuId != 0) {
            m_pTray->AddToTray(nullptr, m_uTrayMessage, TrayTooltip(lang), m_hTrayIcon, static_cast<unsigned>(menuId),
                               false);
        }
    } else {
        delete m_pTray;  // removes the icon
        m_pTray = nullptr;
    }
}

void CMonitorDlg::ApplyVisibility() {
    if (m_bHiddenToTray) {
        // The widget's own hiding: the dialog's would also end its modal run, and with it the program.
        QWidget::setVisible(false);
    } else {
        show();
        // Once more after mapping: a window manager keeps an iconified window iconic when it is mapped again,
        // and a window left minimised stops painting its web view.
        setWindowState(windowState() & ~Qt::WindowMinimized);
        raise();
        activateWindow();
    }
}

void CMonitorDlg::OnHide() {
    const bool trayAvailable = m_services.trayShell != nullptr ? m_services.trayShell->IsAvailable()
                                                               : QSystemTrayIcon::isSystemTrayAvailable();
    setWindowState(windowState() | Qt::WindowMinimized);
    m_bNewEvent = false;
    if (ChooseHideMode(trayAvailable) == HideMode::Minimise) {
        // Without a tray host no icon could bring the window back: it stays minimised with its taskbar button.
        return;
    }
    m_bHiddenToTray = true;
    UpdateTrayIcon();
    if (m_pTray == nullptr || m_pTray->IconAbsent()) {
        // No icon came (the shell refused it, or the language has no tray texts): hidden, the window could not
        // be brought back, so it stays minimised.
        m_bHiddenToTray = false;
        UpdateTrayIcon();
        return;
    }
    ApplyVisibility();
}

void CMonitorDlg::OnShowList() {
    setWindowState(windowState() & ~Qt::WindowMinimized);
    m_bHiddenToTray = false;
    UpdateTrayIcon();
    ApplyVisibility();
}

void CMonitorDlg::OnTrayClose() {
    // Asked in Polish whatever the language.
    const QMessageBox::StandardButton answer =
        QMessageBox::question(this, QString::fromUtf8(kQuestionCaption), QString::fromUtf8(kTrayCloseQuestion),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes) {
        return;
    }
    m_bHiddenToTray = false;
    UpdateTrayIcon();
    ApplyVisibility();
    EndDialog(QDialog::Rejected);
}

void CMonitorDlg::OnChangeLanguage() {
    CLanguageDlg dlg;
    if (dlg.DoModal() == kIdCancel) {
        return;
    }
    if (dlg.m_nLanguage != 0 && dlg.m_nLanguage != 1) {
        return;
    }
    CSettingsKey key;
    key.m_strLang = dlg.m_nLanguage == 0 ? "PL" : "EN";
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(ApplicationName()),
                    QString::fromStdString(RestartMessage(dlg.m_nLanguage)), QMessageBox::Ok, this);
    box.exec();
    // The program ends; the new language applies from the next start.
    EndDialog(QDialog::Rejected);
}

}  // namespace dravik
