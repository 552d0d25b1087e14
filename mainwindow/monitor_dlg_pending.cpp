// Placeholders for main-window members whose real bodies come with the tray icon and the history window.
// Each piece is deleted here when its own file brings the real one.
#include "mainwindow/monitor_dlg.h"

namespace dravik {

// History window.
void CMonitorDlg::OnHistory() {}

}  // namespace dravik
