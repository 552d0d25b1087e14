// The feed's side of the main window: the worker's start and stop, and the three operations of its cycle,
// which run on the worker's thread and change the window only through the UI-thread bridge.
#include <QTableWidget>
#include <cstdio>

#include "app/settings_key.h"
#include "app/ui_texts.h"
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
    // The round and an archive write in progress end early; what was not written is read from the source
    // again at the next start.
    m_bStopping = true;
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
    QuakeListUpdate::Hooks hooks;
    hooks.store = [this](const std::vector<QuakeEvent>& events) {
        return m_services.storeEvents(events, &m_bStopping);
    };
    hooks.archiveReport = [this](const ArchiveWriteResult& result) { OnArchiveResult(result); };
    hooks.stop = &m_bStopping;
    QuakeListUpdate update(view, m_seenEvents, m_unstoredEvents, FeedFlags{m_bFeedBusy, m_bNewEvent, m_bFirstFillDone},
                           *m_services.sound, std::move(hooks));
    update.Run([this] { return m_services.fetchPage(QuakeUrl()); });
}

void CMonitorDlg::OnArchiveResult(const ArchiveWriteResult& result) {
    if (result.fault == ArchiveFault::kInterrupted || result.fault == m_archiveFault) {
        return;
    }
    m_archiveFault = result.fault;
    if (result.fault == ArchiveFault::kNone) {
        std::fprintf(stderr, "%s: the archive is written again\n", ApplicationName().c_str());
    } else {
        std::fprintf(stderr, "%s: the archive cannot be written (%s); events are kept until it can\n",
                     ApplicationName().c_str(), result.detail.c_str());
    }
    const ArchiveFault fault = result.fault;
    m_pUiThread->RunOnUiThread([this, fault] {
        m_archiveFaultShown = fault;
        ShowStatusLine();
    });
}

void CMonitorDlg::ShowStatusLine() {
    // The archive's problem is the one the user can act on, so it has the line while it lasts.
    const std::string problem = ArchiveProblemText(UiLanguage(), m_archiveFaultShown);
    SetDlgItemText(kIdStatusLine, problem.empty() ? m_strSolarWind : problem);
}

void CMonitorDlg::ReadSolarWind() {
    const std::string text = SolarWindStatusText(m_services.fetchPage(SolarWindUrl()));
    m_pUiThread->RunOnUiThread([&] {
        m_strSolarWind = text;
        ShowStatusLine();
    });
}

void CMonitorDlg::ReadXRayEvents() {
    // Requested every cycle; nothing of it is shown.
    static_cast<void>(XRayEventText(m_services.fetchPage(XRayUrl())));
}

}  // namespace dravik
