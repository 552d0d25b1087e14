// The feed's side of the main window: the worker's start and stop, and the three operations of its cycle,
// which run on the worker's thread and change the window only through the UI-thread bridge.
#include <QTableWidget>

#include "feed/space_weather.h"
#include "mainwindow/event_list_view.h"
#include "mainwindow/monitor_dlg.h"
#include "platform/environment.h"
#include "platform/qt/qt_ui_thread.h"

namespace dravik {

namespace {
constexpr int kIdStatusLine = 1019;
}  // namespace

void CMonitorDlg::StartFeedWorker() {
    if (m_pFeedWorker) {
        return;
    }
    const int pause = m_services.pollSeconds > 0 ? m_services.pollSeconds : PollSeconds();
    m_pFeedWorker = std::make_unique<FeedWorker>(*this, pause);
    m_pFeedWorker->Start();
}

void CMonitorDlg::StopFeedWorker() {
    if (m_nTimerId != 0) {
        killTimer(m_nTimerId);
        m_nTimerId = 0;
    }
    // The bridge goes first: a worker waiting for the UI thread is released and later window operations do
    // nothing, so the join below cannot wait on this thread.
    m_pUiThread->Shutdown();
    if (m_pFeedWorker) {
        m_pFeedWorker->Stop();
        m_pFeedWorker.reset();
    }
}

void CMonitorDlg::RefreshQuakeList() {
    CEventListView view(*m_listEvents, m_imageList, *m_pUiThread, [this] { RefreshMap(); });
    QuakeListUpdate update(
        view, m_seenEvents, FeedFlags{m_bFeedBusy, m_bNewEvent, m_bFirstFillDone},
        [this] { return m_services.fetchPage(QuakeUrl()); }, *m_services.sound, m_services.storeEvent);
    update.Run();
}

void CMonitorDlg::ReadSolarWind() {
    const std::string text = SolarWindStatusText(m_services.fetchPage(SolarWindUrl()));
    m_pUiThread->RunOnUiThread([&] { SetDlgItemText(kIdStatusLine, text); });
}

void CMonitorDlg::ReadXRayEvents() {
    // Requested every cycle; nothing of it is shown.
    static_cast<void>(XRayEventText(m_services.fetchPage(XRayUrl())));
}

}  // namespace dravik
