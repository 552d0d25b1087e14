// Placeholders for main-window members whose real bodies come with the tray icon and the history window.
// Each piece is deleted here when its own file brings the real one.
#include "mainwindow/monitor_dlg.h"

namespace dravik {

// Tray side (mainwindow/monitor_dlg_tray.cpp).
void CMonitorDlg::OnTimer() {}
void CMonitorDlg::UpdateTrayIcon() {}
void CMonitorDlg::ApplyVisibility() {}
void CMonitorDlg::OnHide() {
    m_bNewEvent = false;
}
void CMonitorDlg::OnShowList() {}
void CMonitorDlg::OnTrayClose() {}
void CMonitorDlg::OnChangeLanguage() {}

// History window.
void CMonitorDlg::OnHistory() {}

}  // namespace dravik
