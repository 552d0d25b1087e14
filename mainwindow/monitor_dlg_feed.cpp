// The feed's side of the main window: the worker's start and stop, and the three operations of its cycle,
// which run on the worker's thread and change the window only through the UI-thread bridge.
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "app/settings_key.h"
#include "app/ui_texts.h"
#include "catalogue/catch_up.h"
#include "controls/status_line.h"
#include "mainwindow/event_list_view.h"
#include "mainwindow/monitor_dlg.h"
#include "mainwindow/monitor_dlg_ids.h"
#include "mainwindow/system_tray.h"
#include "mainwindow/tray_tip.h"
#include "platform/environment.h"
#include "platform/qt/qt_ui_thread.h"
#include "push/push_client.h"
#include "sources/event_fields.h"
#include "sources/geojson_events.h"
#include "sources/quake_source.h"
#include "sources/space_weather.h"

namespace dravik {

namespace {
using monitor_ids::kIdStatusLine;
constexpr std::int64_t kDayMs = 24LL * 3600 * 1000;
// Pushed events waiting for the pump at most, as many as the archive's backlog holds; past it new ones are
// left to the poll's catch-up.
constexpr std::size_t kMaxPushedWaiting = 50000;
// How long the tables' making may hold up a poll for a lock.
constexpr int kPrepareBeforePollMs = 200;
}  // namespace

void CMonitorDlg::StartFeedWorker() {
    if (m_pFeedWorker) {
        return;
    }
    const int pause = m_services.pollSeconds > 0 ? m_services.pollSeconds : PollSeconds();
    m_pFeedWorker = std::make_unique<FeedWorker>(*this, pause);
    m_pFeedWorker->Start();
    m_pPushPump = std::make_unique<PushPump>([this] { RunPushedEvents(); });
    m_pPushPump->Start();
    // The poll stays as catch-up and fallback; a push address that is empty or not ws(s) means no push.
    m_pPushClient = std::make_unique<CPushClient>(PushUrl(), [this](std::string message) { OnPushMessage(message); });
    if (!m_pPushClient->Start()) {
        m_pPushClient.reset();
    }
}

void CMonitorDlg::OnPushMessage(const std::string& message) {
    const std::optional<PushEvent> pushed = ParseEmscPushMessage(message);
    if (!pushed) {
        return;
    }
    // A create and an update alike are reports of a quake: the round tells a new one from a revision.
    {
        std::lock_guard<std::mutex> lock(m_pushMutex);
        if (m_pushedEvents.size() >= kMaxPushedWaiting) {
            // The source's mark stays before it, so a catch-up of the source reads it again.
            if (!m_bPushDropping) {
                std::fprintf(stderr, "%s: pushed events come faster than they are listed; some are left to the poll\n",
                             ApplicationName().c_str());
            }
            m_bPushDropping = true;
            if (pushed->event.hasNumbers) {
                std::lock_guard<std::mutex> list(m_listMutex);
                m_unstoredEvents.NoteDropped(EventSource(pushed->event.eventId), pushed->event.originUtcMs);
            }
            return;
        }
        m_pushedEvents.push_back(pushed->event);
    }
    if (m_pPushPump) {
        m_pPushPump->Notify();
    }
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
    // No message may reach a worker that is going.
    if (m_pPushClient) {
        m_pPushClient->Stop();
        m_pPushClient.reset();
    }
    if (m_pPushPump) {
        m_pPushPump->Stop();
        m_pPushPump.reset();
    }
    if (m_pFeedWorker) {
        m_pFeedWorker->Stop();
        m_pFeedWorker.reset();
    }
}

QuakeListUpdate::Hooks CMonitorDlg::FeedHooks(const AlertSettings& alerts) {
    QuakeListUpdate::Hooks hooks;
    hooks.store = [this](const std::vector<QuakeEvent>& events) {
        return m_services.storeEvents(events, &m_bStopping);
    };
    hooks.archiveReport = [this](const ArchiveWriteResult& result) { OnArchiveResult(result); };
    hooks.stop = &m_bStopping;
    hooks.listing = [this, alerts](const std::vector<QuakeEvent>& quakes) {
        // A main shock listed before shows its new count; one in this batch gets it as it is listed.
        RefreshSequenceRows(FeedSequences(quakes, alerts));
    };
    hooks.revised = [this, alerts](const std::vector<RevisedQuake>& revised) { OnQuakesRevised(revised, alerts); };
    hooks.alertRule = AlertRuleFor(alerts);
    hooks.listed = [this, alerts](const std::vector<AnnouncedQuake>& announced, bool firstCycle) {
        AnnounceQuakes(announced, firstCycle, alerts);
    };
    // Freshness by the sources' clock when the computer's is off.
    hooks.nowUtcMs = [this] { return m_services.nowUtcMs() + m_clockOffsetMs.load(); };
    hooks.archiveReady = [this] { return m_bArchiveLoaded.load(); };
    hooks.listMutex = &m_listMutex;
    hooks.storeMutex = &m_storeMutex;
    hooks.bounds = ListBounds{alerts.listDays, alerts.listMaxRows};
    // As far back as the archive's quakes are read at start, and a catch-up reaches.
    hooks.registryDays = alerts.catchUpMaxDays;
    return hooks;
}

void CMonitorDlg::AnnounceQuakes(const std::vector<AnnouncedQuake>& announced, bool firstCycle,
                                 const AlertSettings& alerts) {
    SendNotifications(announced, firstCycle, alerts);
    if (!firstCycle) {
        std::vector<QuakeEvent> arrivals;
        arrivals.reserve(announced.size());
        for (const AnnouncedQuake& quake : announced) {
            arrivals.push_back(quake.event);
        }
        QMetaObject::invokeMethod(
            this, [this, arrivals = std::move(arrivals), alerts] { TakeHeadline(arrivals, alerts); },
            Qt::QueuedConnection);
    }
    // The tray's blink timer runs only while there is news.
    QMetaObject::invokeMethod(
        this, [this] { StartBlinkTimer(); }, Qt::QueuedConnection);
}

void CMonitorDlg::RunFeedRound(const std::function<void(QuakeListUpdate&)>& round) {
    const AlertSettings alerts = CurrentAlertSettings();
    // The language holds for the program's run (a change of it ends the run): read once a round, not per row.
    const std::string lang = UiLanguage();
    CEventListView view(
        *m_listEvents, m_imageList, *m_pUiThread, [this] { RefreshMap(); },
        // Read at each row, not at the round's start: a home place changed while a round runs holds for its later
        // rows too, after the settings window has redone the listed ones.
        [this, lang](const QuakeEvent& event) { return RowView(event, CurrentAlertSettings(), lang); },
        [this](int row) { OnRowRevised(row); });
    QuakeListUpdate update(view, m_quakes, m_unstoredEvents, FeedFlags{m_bFeedBusy, m_bNewEvent, m_bFirstFillDone},
                           *m_services.sound, FeedHooks(alerts));
    round(update);
}

void CMonitorDlg::LoadArchivedQuakes() {
    std::lock_guard<std::mutex> loading(m_loadMutex);
    if (m_bArchiveLoaded || m_bStopping) {
        return;
    }
    if (!PrepareArchive(-1)) {
        return;
    }
    if (!m_services.loadQuakes) {
        m_bArchiveLoaded = true;
        return;
    }
    // What earlier runs stored of the catch-up span, so that a restart neither lists a quake twice under another
    // agency's report nor stores it again.
    const AlertSettings alerts = CurrentAlertSettings();
    const std::int64_t since = m_services.nowUtcMs() - static_cast<std::int64_t>(alerts.catchUpMaxDays) * kDayMs;
    // One that matches the rule was announced in its run (or was too old to be); one that does not may still
    // be revised into it while fresh, and then alerts once.
    const auto rule = AlertRuleFor(alerts);
    bool readable = true;
    const std::vector<ArchivedQuakeIds> quakes = m_services.loadQuakes(since, &m_bStopping, &readable);
    if (!readable || m_bStopping) {
        // Until they are read the backlog waits, so no report of an archived quake becomes a row of its own.
        return;
    }
    // The sequences still open when the program last ran go on: their quakes, oldest first.
    {
        std::vector<QuakeEvent> byOrigin;
        byOrigin.reserve(quakes.size());
        for (const ArchivedQuakeIds& quake : quakes) {
            byOrigin.push_back(quake.values);
        }
        std::stable_sort(byOrigin.begin(), byOrigin.end(),
                         [](const QuakeEvent& a, const QuakeEvent& b) { return a.originUtcMs < b.originUtcMs; });
        FeedSequences(byOrigin, alerts);
    }
    std::lock_guard<std::mutex> lock(m_listMutex);
    for (const ArchivedQuakeIds& quake : quakes) {
        if (const KnownQuake* fold =
                m_quakes.AddArchived(quake.values, quake.ids, rule(quake.values).alert, quake.merged)) {
            // Listed meanwhile as another agency's quake: its reports go to the archived row.
            m_unstoredEvents.Retarget(fold->Id(), QuakeIdKey(quake.ids.front()));
        }
    }
    m_quakes.EnforceBound();
    m_bArchiveLoaded = true;
}

bool CMonitorDlg::PrepareArchive(int busyMs) {
    if (m_bArchivePrepared || !m_services.prepareArchive) {
        return true;
    }
    const ArchiveWriteResult prepared = m_services.prepareArchive(&m_bStopping, busyMs);
    if (!prepared.setAside.empty()) {
        std::fprintf(stderr, "%s: the archive was damaged (%s): kept unchanged as %s, a new one started\n",
                     ApplicationName().c_str(), prepared.detail.c_str(), prepared.setAside.c_str());
        m_pUiThread->RunOnUiThread([this, kept = prepared.setAside] {
            m_archiveSetAsideShown = kept;
            ShowStatusLine();
        });
    }
    if (!prepared.Ok()) {
        OnArchiveResult(prepared);
        // Locked: a later round tries again. Any other fault holds up nothing: waiting would not mend it.
        if (prepared.fault == ArchiveFault::kLocked || prepared.fault == ArchiveFault::kInterrupted) {
            return false;
        }
    }
    m_bArchivePrepared = true;
    return true;
}

RoundReports CMonitorDlg::ReadSources() {
    const AlertSettings alerts = CurrentAlertSettings();
    SourceReadContext context;
    context.fetch = m_services.fetchStatus;
    context.parse = ParseQuakeSource;
    if (m_services.completeMark) {
        context.archiveMark = [this](const std::string& source, bool* readable) {
            return m_services.completeMark(source, &m_bStopping, readable);
        };
    }
    context.newestOrigin = m_services.newestOrigin;
    context.pendingMark = [this](const std::string& source) {
        std::lock_guard<std::mutex> lock(m_listMutex);
        return m_unstoredEvents.PendingMark(source);
    };
    context.hole = [this](const std::string& source) {
        std::lock_guard<std::mutex> lock(m_listMutex);
        return m_unstoredEvents.Hole(source);
    };
    context.holeDrops = [this](const std::string& source) {
        std::lock_guard<std::mutex> lock(m_listMutex);
        return m_unstoredEvents.Drops(source);
    };
    context.readAgain = [this](const std::string& source) {
        std::lock_guard<std::mutex> lock(m_listMutex);
        m_unstoredEvents.ReadAgain(source);
    };
    context.backlogRoom = [this] {
        std::lock_guard<std::mutex> lock(m_listMutex);
        return m_unstoredEvents.Size() + kCatchUpRoundReports <= UnstoredEvents::kMaxUnstored;
    };
    context.nowUtcMs = m_services.nowUtcMs;
    context.stop = [this] { return m_bStopping.load(); };
    context.firstDays = alerts.catchUpFirstDays;
    context.maxDays = alerts.catchUpMaxDays;
    RoundReports round;
    // Every source in its order, each in its own order; the first report of a quake wins.
    for (const std::string& url : QuakeUrls(alerts.sources)) {
        if (m_bStopping) {
            break;
        }
        std::unique_ptr<SourceReader>& reader = m_sourceReaders[url];
        if (!reader) {
            reader = std::make_unique<SourceReader>(url);
        }
        SourceRead read = reader->Read(context);
        NoteSourceState(url, read.problem);
        NoteCatchUp(url, read);
        // Each address's mark covers its own reports: two addresses of one agency list different quakes.
        const std::size_t first = round.events.size();
        round.events.insert(round.events.end(), std::make_move_iterator(read.events.begin()),
                            std::make_move_iterator(read.events.end()));
        if (read.mark) {
            read.mark->first = first;
            read.mark->end = round.events.size();
            round.marks.push_back(*read.mark);
        }
        round.more = round.more || read.more;
        if (!round.clockOffsetMs) {
            round.clockOffsetMs = read.clockOffsetMs;
        }
    }
    if (round.clockOffsetMs) {
        NoteClockOffset(*round.clockOffsetMs);
    }
    return round;
}

void CMonitorDlg::NoteClockOffset(std::int64_t offsetMs) {
    // A difference a server's second-granular Date and the way there explain is no difference.
    const std::int64_t offset = std::llabs(offsetMs) > kClockToleranceMs ? offsetMs : 0;
    const std::int64_t before = m_clockOffsetMs.load();
    // Each answer measures it anew, a few milliseconds either way: only a real change is told.
    if ((offset == 0) == (before == 0) && std::llabs(offset - before) <= kClockToleranceMs) {
        return;
    }
    m_clockOffsetMs = offset;
    if (offset != 0) {
        std::fprintf(stderr, "%s: the computer's clock differs from the sources' by %s; freshness goes by theirs\n",
                     ApplicationName().c_str(), ClockAmountText(offset).c_str());
    } else {
        std::fprintf(stderr, "%s: the computer's clock agrees with the sources' again\n", ApplicationName().c_str());
    }
    m_pUiThread->RunOnUiThread([this, offset] {
        m_clockOffsetShown = offset;
        ShowStatusLine();
    });
}

void CMonitorDlg::NoteCatchUp(const std::string& url, const SourceRead& read) {
    const std::string host = SourceHost(url);
    if (read.gaveUp) {
        // Not done: what it did not read stays before the mark, for the next run.
        if (!m_catchUpGivenUp.insert(host).second) {
            return;
        }
        std::fprintf(stderr,
                     "%s: catching up %s: given up for this run; the archive is complete up to where its "
                     "written reports end\n",
                     ApplicationName().c_str(), host.c_str());
        m_catchingUp.erase(host);
        m_pUiThread->RunOnUiThread([this, hosts = m_catchingUp, givenUp = m_catchUpGivenUp] {
            m_catchingUpShown = hosts;
            m_catchUpGivenUpShown = givenUp;
            ShowStatusLine();
        });
        return;
    }
    const bool was = m_catchingUp.count(host) != 0;
    if (read.catchingUp) {
        // A long catch-up going on in parts is nothing to tell the log of, nor one waiting for the archive again.
        std::string& said = m_catchUpSaid[host];
        if (!read.more && (read.catchUpRequests > 0 || said != read.catchUpProblem)) {
            said = read.catchUpProblem;
            std::fprintf(stderr,
                         "%s: catching up %s: stopped before the end (%s) after %zu requests; resumed at the next "
                         "cycle\n",
                         ApplicationName().c_str(), host.c_str(), read.catchUpProblem.c_str(), read.catchUpRequests);
        }
        if (was) {
            return;
        }
        m_catchingUp.insert(host);
    } else {
        if (!was) {
            return;
        }
        std::fprintf(stderr, "%s: catching up %s: done\n", ApplicationName().c_str(), host.c_str());
        m_catchingUp.erase(host);
    }
    m_pUiThread->RunOnUiThread([this, hosts = m_catchingUp] {
        m_catchingUpShown = hosts;
        ShowStatusLine();
    });
}

void CMonitorDlg::RefreshQuakeList() {
    // A long catch-up comes a part a round, each listed and stored before the next is read.
    bool more = false;
    do {
        RunFeedRound([this, &more](QuakeListUpdate& update) {
            update.RunRound([this, &more] {
                // The tables first, unless another program holds the archive: then the pages go out at once, and
                // the archive's quakes are read (waiting for the lock) before the round resolves its reports.
                {
                    std::lock_guard<std::mutex> loading(m_loadMutex);
                    PrepareArchive(kPrepareBeforePollMs);
                }
                RoundReports round = ReadSources();
                LoadArchivedQuakes();
                more = round.more;
                return round;
            });
        });
    } while (more && !m_bStopping);
}

void CMonitorDlg::RunPushedEvents() {
    LoadArchivedQuakes();
    std::vector<QuakeEvent> events;
    {
        std::lock_guard<std::mutex> lock(m_pushMutex);
        events.swap(m_pushedEvents);
        m_bPushDropping = false;
    }
    if (!events.empty()) {
        RunFeedRound([&events](QuakeListUpdate& update) { update.RunEvents(events); });
    }
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

void CMonitorDlg::NoteSourceState(const std::string& url, const std::string& reason) {
    const auto known = m_sourceProblems.find(url);
    if (known == m_sourceProblems.end() ? reason.empty() : known->second == reason) {
        return;
    }
    if (reason.empty()) {
        m_sourceProblems.erase(known);
        std::fprintf(stderr, "%s: %s reads again\n", ApplicationName().c_str(), SourceHost(url).c_str());
    } else {
        m_sourceProblems[url] = reason;
        std::fprintf(stderr, "%s: %s cannot be read (%s)\n", ApplicationName().c_str(), SourceHost(url).c_str(),
                     reason.c_str());
    }
    m_pUiThread->RunOnUiThread([this, problems = m_sourceProblems] {
        m_sourceProblemsShown = problems;
        ShowStatusLine();
    });
}

void CMonitorDlg::ShowStatusLine() {
    const std::string lang = UiLanguage();
    // What goes wrong comes first, in the line and in the tray's short tooltip, so a cut never hides it: a
    // tsunami warning in force, then the archive's problem (the one the user can act on), the sources, the
    // clock and a catch-up; the solar wind last.
    std::vector<std::string> problems;
    for (const TsunamiMessage& message : m_tsunamiShown) {
        problems.push_back(TsunamiStatusText(lang, message.title, message.centre));
    }
    std::string archive = ArchiveProblemText(lang, m_archiveFaultShown);
    if (archive.empty() && !m_archiveSetAsideShown.empty()) {
        archive = ArchiveSetAsideText(lang, m_archiveSetAsideShown);
    }
    if (!archive.empty()) {
        problems.push_back(archive);
    }
    for (const auto& [url, reason] : m_sourceProblemsShown) {
        problems.push_back(SourceProblemText(lang, SourceHost(url), reason));
    }
    const std::size_t warnings = problems.size();
    if (m_clockOffsetShown != 0) {
        problems.push_back(ClockDifferenceText(lang, m_clockOffsetShown));
    }
    for (const std::string& host : m_catchingUpShown) {
        problems.push_back(CatchingUpText(lang, host));
    }
    for (const std::string& host : m_catchUpGivenUpShown) {
        problems.push_back(CatchUpGivenUpText(lang, host));
    }
    std::string line;
    for (const std::string& text : problems) {
        line += (line.empty() ? "" : " | ") + text;
    }
    if (!m_strVersionNotice.empty()) {
        line += (line.empty() ? "" : " | ") + m_strVersionNotice;
    }
    // While the archive cannot be written the line is about that, not the weather.
    if (archive.empty() && !m_strSolarWind.empty()) {
        line += (line.empty() ? "" : " | ") + m_strSolarWind;
    }
    ShowStatusText(qobject_cast<QLabel*>(GetDlgItem(kIdStatusLine)), QString::fromStdString(line), warnings > 0);
    if (m_pTray != nullptr) {
        const std::string title = m_strLastQuakeTip.empty() ? TrayTooltip(lang) : m_strLastQuakeTip;
        m_pTray->SetTooltipText(TrayTipText(title, problems, CSystemTray::MaxTooltipLength() - 1));
    }
    ShowEmptyListNote();
}

void CMonitorDlg::ShowEmptyListNote() {
    if (m_listEvents == nullptr) {
        return;
    }
    // Only an empty list with nothing to read needs words: a list that has rows speaks for itself.
    // Only the earthquake sources count: a tsunami feed that fails leaves the list's sources as they were.
    const std::vector<std::string> sources = QuakeUrls(CurrentAlertSettings().sources);
    const auto failing = std::count_if(sources.begin(), sources.end(), [this](const std::string& url) {
        return m_sourceProblemsShown.count(url) != 0;
    });
    const bool show =
        m_listEvents->rowCount() == 0 && failing > 0 && static_cast<std::size_t>(failing) >= sources.size();
    const QString text = show ? QString::fromStdString(NoSourceReadText(UiLanguage())) : QString();
    // A screen reader finds no labels inside a table, only cells: the table describes itself.
    m_listEvents->setAccessibleDescription(text);
    if (!show) {
        if (m_emptyListNote != nullptr) {
            m_emptyListNote->hide();
        }
        return;
    }
    if (m_emptyListNote == nullptr) {
        m_emptyListNote = new QLabel(m_listEvents->viewport());
        // A layout of its own keeps the note over the whole viewport as the window changes size.
        (new QVBoxLayout(m_listEvents->viewport()))->addWidget(m_emptyListNote);
        m_emptyListNote->setAlignment(Qt::AlignCenter);
        m_emptyListNote->setTextFormat(Qt::PlainText);
        m_emptyListNote->setWordWrap(true);
        m_emptyListNote->setForegroundRole(QPalette::PlaceholderText);
        connect(m_listEvents->model(), &QAbstractItemModel::rowsInserted, m_emptyListNote, [this] {
            m_emptyListNote->hide();
            m_listEvents->setAccessibleDescription(QString());
        });
    }
    m_emptyListNote->setText(text);
    m_emptyListNote->show();
}

void CMonitorDlg::ReadSolarWind() {
    const std::string page = m_services.fetchPage(SolarWindUrl());
    m_pUiThread->RunOnUiThread([&] {
        const std::string lang = UiLanguage();
        m_strSolarWind =
            SolarWindStatusText(page, SolarWindForm(lang), SolarWindNoDataText(lang, SourceHost(SolarWindUrl())));
        ShowStatusLine();
    });
}

void CMonitorDlg::ReadXRayEvents() {
    // Requested every cycle; nothing of it is shown.
    static_cast<void>(XRayEventText(m_services.fetchPage(XRayUrl())));
}

}  // namespace dravik
