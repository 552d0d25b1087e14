// The main window's tray side: hiding to the tray icon and back, the blink timer, and the two commands of
// the tray menu that end the program.
#include <malloc.h>
#include <QAbstractButton>
#include <QAction>
#include <QEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QString>
#include <QSystemTrayIcon>
#include <QTimer>

#include "app/language_dlg.h"
#include "app/settings_key.h"
#include "controls/question_icon.h"
#include "controls/sheen_button.h"
#include "mainwindow/map_browser.h"
#include "mainwindow/monitor_dlg.h"
#include "mainwindow/system_tray.h"
#include "mainwindow/tray_blink.h"
#include "mainwindow/ui_texts.h"
#include "platform/dialog_template.h"
#include "platform/environment.h"
#include "platform/qt/dialog_builder.h"
#include "resources/resource_tables.h"

namespace dravik {

namespace {

// Keeps a standard button's own text: a language change (the first start's) gives it Qt's text again.
class CKeepButtonText final : public QObject {
public:
    CKeepButtonText(QAbstractButton* button, QString text) : QObject(button), m_text(std::move(text)) {
        button->setText(m_text);
        button->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        // The button hears of the change after its button box has put Qt's text back.
        if (event->type() == QEvent::LanguageChange) {
            static_cast<QAbstractButton*>(watched)->setText(m_text);
        }
        return false;
    }

private:
    QString m_text;
};

}  // namespace

bool AskToQuit(QWidget* parent, const std::string& caption, const std::string& question, const std::string& lang) {
    QMessageBox box(QMessageBox::Question, QString::fromStdString(caption), QString::fromStdString(question),
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    UseSharpQuestionIcon(&box);
    // The yes button names the action, with the verb of the tray menu's entry.
    if (const std::string quit = QuitButtonText(lang); !quit.empty()) {
        new CKeepButtonText(box.button(QMessageBox::Yes), QString::fromStdString(quit));
    }
    return box.exec() == QMessageBox::Yes;
}

void CMonitorDlg::OnTimer() {
    const bool blinking = m_pTray != nullptr && m_bNewEvent;
    if (blinking) {
        m_pTray->ChangeIcon(BlinkTickImage(true, m_bBlinkPhase, m_hTrayIcon, m_hBlinkIcon));
    } else if (m_pTray != nullptr && m_pTray->IconData().icon != m_hTrayIcon) {
        m_pTray->ChangeIcon(m_hTrayIcon);
    }
    if (!blinking) {
        // Nothing blinks: the program sleeps until there is news (StartBlinkTimer).
        StopBlinkTimer();
    }
}

void CMonitorDlg::StartBlinkTimer() {
    if (m_nTimerId == 0 && m_pTray != nullptr && m_bNewEvent && !m_bEnded) {
        m_nTimerId = startTimer(kBlinkTimerMs);
    }
}

void CMonitorDlg::StopBlinkTimer() {
    if (m_nTimerId != 0) {
        killTimer(m_nTimerId);
        m_nTimerId = 0;
    }
}

void CMonitorDlg::UpdateTrayIcon() {
    if (m_bHiddenToTray && m_pTray == nullptr) {
        m_pTray = m_services.trayShell != nullptr ? new CSystemTray(*m_services.trayShell) : new CSystemTray();
        m_pTray->SetCommandWindow(
            std::make_unique<CTrayCommandWindow>(this, [this](unsigned id) { OnCommand(static_cast<int>(id)); }));
        // Only a language the program has gets a tooltip and a menu; for another text the object exists without
        // an icon.
        const std::string lang = UiLanguage();
        const int menuId = TrayMenuId(lang);
        if (menuId != 0) {
            m_pTray->AddToTray(nullptr, m_uTrayMessage, TrayTooltip(lang), m_hTrayIcon, static_cast<unsigned>(menuId),
                               false);
            ShowStatusLine();  // a failing source names itself in the tooltip too
        }
        StartBlinkTimer();
    } else {
        delete m_pTray;  // removes the icon
        m_pTray = nullptr;
        StopBlinkTimer();
    }
}

void CMonitorDlg::TryStartInTray(int waitedMs) {
    if (!m_bStartInTray || m_bEnded) {
        return;  // shown meanwhile (another start asked for the window)
    }
    const bool trayAvailable = m_services.trayShell != nullptr ? m_services.trayShell->IsAvailable()
                                                               : QSystemTrayIcon::isSystemTrayAvailable();
    if (!trayAvailable && waitedMs < kTrayWaitMs) {
        constexpr int kStepMs = 250;
        QTimer::singleShot(kStepMs, this, [this, waitedMs] { TryStartInTray(waitedMs + kStepMs); });
        return;
    }
    if (trayAvailable) {
        m_bHiddenToTray = true;
        UpdateTrayIcon();
        if (m_pTray == nullptr || m_pTray->IconAbsent()) {
            m_bHiddenToTray = false;
            UpdateTrayIcon();
        }
    }
    ApplyVisibility();
}

void CMonitorDlg::ApplyVisibility() {
    ++m_nVisibilityRequest;
    // Whatever a start in the tray was waiting for, the window's state is decided here from now on.
    m_bStartInTray = false;
    if (m_bHiddenToTray) {
        // Withdrawn at once, never iconified first: a window manager handles an iconify request on its own
        // time, and one that arrives after the window is mapped again leaves it iconic with no icon to bring
        // it back. The widget's own hiding: the dialog's would also end its modal run, and with it the program.
        // The frame comes back where it stood: shown again unplaced, the window manager would put the client
        // area where the frame was.
        const QPoint framePos = pos();
        const bool placed = !isMaximized() && !isFullScreen();
        QWidget::setVisible(false);
        if (placed) {
            move(framePos);
        }
        // Nobody sees the map now: its tiles leave memory until the window is shown again.
        if (m_browser != nullptr) {
            m_browser->Release();
            // The heap the tiles freed goes back to the system.
            QTimer::singleShot(3000, this, [] { malloc_trim(0); });
        }
        return;
    }
    // Shown first, then the minimised state cleared: clearing it on a hidden window maps the window behind
    // Qt's back, and a window manager keeps an iconified window iconic when it is mapped again.
    show();
    ShowNormalNow();
    if (m_browser != nullptr) {
        m_browser->Restore();
    }
    // The window manager may still act on an earlier request: once it has settled, the window is shown again
    // if it ended neither shown nor in the tray.
    const int request = m_nVisibilityRequest;
    QTimer::singleShot(kVisibilitySettleMs, this, [this, request] {
        if (request == m_nVisibilityRequest && !m_bHiddenToTray && !m_bEnded && (!isVisible() || isMinimized())) {
            show();
            ShowNormalNow();
        }
    });
}

void CMonitorDlg::ShowNormalNow() {
    if (isMinimized()) {
        // Mapped again, the window would be placed by the window manager as a new one (under the pointer):
        // its frame stays where it stood.
        const QPoint framePos = pos();
        setWindowState(windowState() & ~Qt::WindowMinimized);
        if (!isMaximized()) {
            move(framePos);
        }
    }
    raise();
    activateWindow();
}

bool CMonitorDlg::TrayAvailable() const {
    return m_services.trayShell != nullptr ? m_services.trayShell->IsAvailable()
                                           : QSystemTrayIcon::isSystemTrayAvailable();
}

void CMonitorDlg::UpdateHideHint() {
    // Without a tray the button minimises: it says so before it is pressed.
    const QString hint = TrayAvailable() ? QString() : QString::fromStdString(NoTrayHideHint(UiLanguage()));
    if (m_btnHide != nullptr) {
        m_btnHide->setToolTip(hint);
    }
    if (QAction* action = FindCommand(m_menuBar, kCmdHide)) {
        action->setToolTip(hint);
    }
}

void CMonitorDlg::OnHide() {
    const bool trayAvailable = TrayAvailable();
    m_bNewEvent = false;
    UpdateHideHint();
    if (ChooseHideMode(trayAvailable) == HideMode::ToTray) {
        m_bHiddenToTray = true;
        UpdateTrayIcon();
        if (m_pTray != nullptr && !m_pTray->IconAbsent()) {
            ApplyVisibility();
            return;
        }
        // No icon came (the shell refused it, or the language has no tray texts): hidden, the window could not
        // be brought back.
        m_bHiddenToTray = false;
        UpdateTrayIcon();
    }
    // Without an icon the window stays minimised with its taskbar button; where there is no taskbar either
    // (a Wayland desktop), another start brings it back. Said once a run, as the window is going.
    if (!m_bHideHintGiven && m_services.notifier != nullptr) {
        m_bHideHintGiven = true;
        DesktopNotice notice;
        notice.summary = ApplicationName();
        notice.body = NoTrayHideHint(UiLanguage());
        notice.silent = true;
        notice.key = "*";
        notice.actionLabel = AlertUiText(UiLanguage(), AlertText::ShowAction);
        notice.urgency = NoticeUrgency::Low;
        m_services.notifier->Notify(notice);
    }
    m_bMinimisedByHide = true;
    ++m_nVisibilityRequest;
    setWindowState(windowState() | Qt::WindowMinimized);
}

void CMonitorDlg::OnShowList() {
    m_bMinimisedByHide = false;
    m_bHiddenToTray = false;
    UpdateTrayIcon();
    ApplyVisibility();
}

void CMonitorDlg::OnTrayClose() {
    const std::string lang = UiLanguage();
    if (!AskToQuit(this, QuestionCaption(lang), TrayCloseQuestion(lang), lang)) {
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
    if (dlg.m_nLanguage < 0 || dlg.m_nLanguage >= static_cast<int>(AvailableLanguages().size())) {
        return;
    }
    if (!ChoiceChangesLanguage(UiLanguage(), dlg.m_nLanguage)) {
        return;  // the language in use: nothing to restart for, the program runs on
    }
    CSettingsKey key;
    key.m_strLang = LanguageCode(dlg.m_nLanguage);
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kMessageBoxCaption),
                    QString::fromStdString(RestartMessage(dlg.m_nLanguage)), QMessageBox::Ok, this);
    box.exec();
    // The program starts itself again in the new language (main does it once the run has ended and the
    // threads are joined), so the monitoring never waits for the user.
    m_bRestartWanted = true;
    EndDialog(QDialog::Rejected);
}

}  // namespace dravik
