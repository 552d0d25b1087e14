#pragma once

#include <QDialog>
#include <QIcon>
#include <QList>
#include <atomic>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "alerts/aftershock_forecast.h"
#include "alerts/alert_rule.h"
#include "alerts/notice_cards.h"
#include "alerts/sequences.h"
#include "alerts/tsunami_watch.h"
#include "catalogue/feed_worker.h"
#include "catalogue/push_pump.h"
#include "catalogue/quake_forecasts.h"
#include "catalogue/quake_list_update.h"
#include "catalogue/quake_products.h"
#include "catalogue/source_reader.h"
#include "mainwindow/map_view.h"
#include "mainwindow/shaking_bands.h"
#include "platform/notifier.h"
#include "platform/tray_shell.h"
#include "sources/page_fetch.h"

class QCheckBox;
class QMenuBar;
class QLabel;

namespace dravik {

class CDialogResizer;
class CLinkStatic;
class CPushClient;
class CQuakeMap;
class CQtUiThread;
class CSheenButton;
class CSystemTray;
class CVersionCheck;
class CMapBrowser;
struct EventRowView;
class CEventList;
class CHeadlineBand;
struct QuakeEvent;

// What the main window uses of the world outside it. Empty members take the real services; tests pass
// doubles.
struct MonitorServices {
    // The HTTP GET of every page the feed reads, line feeds removed.
    std::function<std::string(const std::string& url)> fetchPage;
    // The same for the earthquake sources, the body as served; empty: fetchPage.
    std::function<std::string(const std::string& url)> fetchSource;
    // Plays the new-event sound; must outlive the window.
    ISound* sound = nullptr;
    // Writes listed events to the event table, all or none; gives up once *stop is set.
    std::function<ArchiveWriteResult(const std::vector<QuakeEvent>&, const std::atomic<bool>* stop)> storeEvents;
    // Converts an old archive and makes the tables at the first round, off the UI thread; empty: nothing to do.
    // `busyMs`: how long a lock is waited for (-1: the usual wait).
    std::function<ArchiveWriteResult(const std::atomic<bool>* stop, int busyMs)> prepareArchive;
    // The quakes the archive holds whose origin is at or after the time given (UTC ms), read before the first
    // round that can read them so that a restart knows what the last run stored; sets *readable false while
    // the archive cannot be read (a lock), and it is tried again. Empty: none.
    std::function<std::vector<ArchivedQuakeIds>(std::int64_t sinceUtcMs, const std::atomic<bool>* stop, bool* readable)>
        loadQuakes;
    // How far the archive holds all of a source's reports (UTC ms), where its catch-up starts; *readable false
    // when the archive could not be read now. Empty: no archive.
    std::function<std::optional<std::int64_t>(const std::string& source, const std::atomic<bool>* stop, bool* readable)>
        completeMark;
    // The newest origin (UTC ms) among a source's reports in an archive without its mark (an older version's).
    std::function<std::optional<std::int64_t>(const std::string& source)> newestOrigin;
    // Reads a source's answer with its HTTP status (catch-up pages); empty: the real fetch.
    std::function<FetchResult(const std::string& url)> fetchStatus;
    // The conditional GET of the tsunami centres' feeds; empty: the real fetch.
    std::function<FetchResult(const std::string& url, const ConditionalRequest& request)> fetchConditional;
    // The conditional GET of USGS's event details and products, with its cap; empty: the real fetch.
    std::function<FetchResult(const std::string& url, const ConditionalRequest& request, std::size_t maxBytes)>
        fetchProduct;
    // The file of the tsunami messages already notified; empty: tsunami_alerted.txt in the data directory.
    std::string tsunamiAlertedPath;
    // UTC milliseconds now, for freshness and catch-up; empty for the clock.
    std::function<std::int64_t()> nowUtcMs;
    // Whether OnInitDialog starts the feed worker (tests drive the cycle themselves).
    bool startFeedWorker = true;
    // The pause between two cycles; 0 for the configured one.
    int pollSeconds = 0;
    // The notification area of the tray icon; null for the desktop's own. Must outlive the window.
    ITrayShell* trayShell = nullptr;
    // Desktop notifications; null for the session bus's notification service. Must outlive the window.
    INotifier* notifier = nullptr;
    // The time of day that quiet hours are measured against; empty for the clock.
    std::function<std::time_t()> clock;
};

// The main window: the list of recent earthquakes, the map of the selected one, the solar-wind status line
// and the site link. It is run modally for the life of the program. It is the feed worker's cycle; every
// change the worker makes to the window runs on the UI thread through m_pUiThread and has finished there
// before the worker goes on.
class CMonitorDlg final : public QDialog, public IFeedCycle {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CMonitorDlg)

public:
    explicit CMonitorDlg(QWidget* parent = nullptr, MonitorServices services = {});
    // Stops the feed worker first, so that no cycle touches the window while it goes.
    ~CMonitorDlg() override;

    // OnInitDialog, then the modal run unless the initialisation has already ended it. Returns
    // QDialog::Accepted or QDialog::Rejected.
    int DoModal();
    // Started with the session: the run begins hidden in the tray, once a tray host is there (it may come up
    // a few seconds after the program); without one within kTrayWaitMs the window shows as on any start.
    // Called before DoModal.
    void StartInTray() { m_bStartInTray = true; }
    static constexpr int kTrayWaitMs = 10000;
    // What the base dialog's OK and Cancel do: ends the modal run at once with result, without a question,
    // also when called during OnInitDialog.
    void EndDialog(int result);
    bool IsEnded() const { return m_bEnded; }
    // Ends the program's run without the close question (a termination signal): closes any dialog or
    // message box open above this window first.
    void CloseWithoutQuestion();
    // Releases a worker waiting for the UI thread, then stops and joins it. Safe to call more than once.
    void StopFeedWorker();
    // Aborts a version check still waiting for the site and joins its thread. Safe to call more than once.
    void StopVersionCheck();
    // The version check's answer: a newer version is told in the status line and the site link's tooltip.
    void ShowVersionStatus(const std::string& answer);
    // Another start of the program asked for this window: shown as "Pokaż listę" shows it, also from the
    // tray or minimised, and a dialog open above it comes up with it; the start's activation token (Wayland)
    // lets the compositor raise it. Returns whether the window is now shown.
    bool OnActivateRequest(const QString& activationToken = QString());
    // The language was changed: the program is to start itself again once this run has ended.
    bool RestartWanted() const { return m_bRestartWanted; }

    // The feed's cycle, called on the worker's thread.
    void RefreshQuakeList() override;
    void ReadTsunamiMessages() override;
    void ReadQuakeProducts() override;
    void ReadSolarWind() override;
    void ReadXRayEvents() override;
    // The push pump's round over the events pushed since the last (its own thread).
    void RunPushedEvents();

    // Shows the selected event on the map (UI thread).
    void RefreshMap();
    // A listed quake's row took revised values: its circle, and the map when it is the selected one (UI thread).
    void OnRowRevised(int row);

    // Control lookup by template id, and the data exchange of check box 1006 and the map-kind radio group
    // (save true: controls into m_bShowMap/m_nMapKind; false: the other way).
    QWidget* GetDlgItem(int id) const;
    void SetDlgItemText(int id, const std::string& text);
    std::string GetDlgItemText(int id) const;
    void UpdateData(bool saveAndValidate);

    // The first selected list item (-1 for none) and an item's text (sub-item 0 is the magnitude).
    int GetFirstSelectedItem() const;
    std::string GetItemText(int item, int subItem) const;
    int GetItemCount() const;

    // Handlers.
    void OnOK();
    void OnCancel();
    void OnMenuClose();
    void OnEventItemChanged();
    void OnMapKindClicked();
    // The plates' box: stored at once, so that the next start shows the map as left.
    void OnPlatesClicked();
    void ApplyPlatesShown(bool shown);
    // The map's controls, legend, credits and notes in the language stored now (after the first start's choice).
    void RetranslateMap();
    void OnHistory();
    // Tray side of the window (tray icon, hiding, language change, about box).
    void OnTimer();
    // The 500 ms blink timer runs only while the tray icon stands for the window and there is news; the feed
    // starts it when a quake is announced.
    void StartBlinkTimer();
    void StopBlinkTimer();
    bool BlinkTimerRunning() const { return m_nTimerId != 0; }
    static constexpr int kBlinkTimerMs = 500;
    void UpdateTrayIcon();
    void ApplyVisibility();
    void OnHide();
    void OnShowList();
    // Whether a tray host is there to hide the window to.
    bool TrayAvailable() const;
    // The hide button's and menu entry's tooltip: what hiding does without a tray.
    void UpdateHideHint();
    // Clears a minimised state and brings the shown window to the front.
    void ShowNormalNow();
    // One look for the tray host at a start in the tray; waitedMs since the first.
    void TryStartInTray(int waitedMs);
    void OnTrayClose();
    void OnChangeLanguage();
    void OnAbout();
    // Runs a menu or tray command by its id.
    void OnCommand(int commandId);
    // Alert side (settings window, notifications, time display, distance from home).
    void OnSettings();
    // Shows the window with the event of a clicked notification selected ("*": the window only); a tsunami
    // message's key ("tsunami:<address>") opens the message in the user's browser instead.
    void OnShowNotifiedEvent(const std::string& key);
    static constexpr const char* kTsunamiKeyPrefix = "tsunami:";
    AlertSettings CurrentAlertSettings() const;
    // Takes settings in use: the list's time header and rows, and every later cycle.
    void ApplyAlertSettings(const AlertSettings& settings);
    // The stored settings changed outside the settings window (a place set on the map): taken up as its OK does.
    void ApplyStoredSettings();

    // The flags the feed shares with the UI thread.
    std::atomic<bool> m_bNewEvent{false};
    bool m_bBlinkPhase = false;
    std::atomic<bool> m_bFeedBusy{false};
    // Every quake this run knows (listed, or stored by an earlier run), and the reports listed but not yet
    // archived; used by the feed worker only.
    QuakeRegistry m_quakes;
    UnstoredEvents m_unstoredEvents;
    // The map's memory: the coordinates last shown and whether a map kind was clicked since.
    MapView m_mapView;
    // Tray images: icon 128 steady, icon 133 the second image of the blink.
    TrayImage m_hTrayIcon;
    TrayImage m_hBlinkIcon;
    bool m_bHiddenToTray = false;
    // Exists exactly while the window is hidden to the tray; owned (UpdateTrayIcon creates and destroys it).
    CSystemTray* m_pTray = nullptr;
    unsigned m_uTrayMessage = 0;
    std::atomic<bool> m_bFirstFillDone{false};
    QList<QIcon> m_imageList;
    CLinkStatic* m_linkSite = nullptr;
    CSheenButton* m_btnHide = nullptr;
    CEventList* m_listEvents = nullptr;
    // The note over an empty list while every source fails; none until first needed.
    const QLabel* EmptyListNote() const { return m_emptyListNote; }
    CMapBrowser* m_browser = nullptr;
    QMenuBar* m_menuBar = nullptr;
    // Keeps the controls in place as the window grows; the template size is its minimum.
    CDialogResizer* m_pResizer = nullptr;
    // The listed events as circles on the built-in map.
    CQuakeMap* m_pQuakeMap = nullptr;
    int m_bShowMap = 1;
    int m_nMapKind = 0;
    QIcon m_hIcon;

    // Above the list: the headline band (the most important quake of the last day) and the "significant only"
    // box, in one area the resizer moves as it moved the list.
    CHeadlineBand* m_headline = nullptr;
    QCheckBox* m_significantBox = nullptr;
    static constexpr const char* kListAreaName = "eventListArea";
    // The band anew from the rows, and the filter over them (UI thread); ScheduleHeadline does it once the
    // present batch of changes is through.
    void RefreshHeadline();
    void ScheduleHeadline();
    // The band's click: its quake's row selected, the map on it.
    void OnHeadlineClicked();
    // The box: rows no place feels and below M 2.5 hidden or shown again; stored at once.
    void OnSignificantClicked();
    // The box's text in the language stored now and its state as stored.
    void RetranslateListArea();

    // The initialisation DoModal runs first (tests call it and show the window themselves).
    void OnInitDialog();

    // Started in the tray, the run's own showing of the window is left out.
    void setVisible(bool visible) override;

protected:
    void accept() override;
    void reject() override;
    void keyPressEvent(QKeyEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void InitAlerts();
    // The selected event on the map, as if the feed's busy flag were `feedBusy`.
    void ShowSelectedOnMap(bool feedBusy);
    // The per-event rule of one cycle and the notifications of its round (worker thread).
    std::function<EventAlert(const QuakeEvent&)> AlertRuleFor(const AlertSettings& settings) const;
    void SendNotifications(const std::vector<AnnouncedQuake>& announced, bool firstCycle,
                           const AlertSettings& settings);
    // Worker thread: what follows a round's (or a measurement's) alerting quakes: notices, headline, blink.
    void AnnounceQuakes(const std::vector<AnnouncedQuake>& announced, bool firstCycle, const AlertSettings& settings);
    // Worker thread: the listed quakes whose measured shaking came (rows as they are now, with it) and newly
    // pass the alert rule by it alert once, as a revision into the rule does.
    void AlertMeasured(const std::vector<QuakeEvent>& measured, std::int64_t nowUtcMs);
    // Worker thread: the aftershock sequences take these quakes, oldest first; the main shocks whose sequence
    // took one.
    std::vector<std::string> FeedSequences(const std::vector<QuakeEvent>& quakes, const AlertSettings& settings);
    // Worker thread: revised quakes re-size their sequences and update the notices they had.
    void OnQuakesRevised(const std::vector<RevisedQuake>& revised, const AlertSettings& settings);
    // Worker thread (never holding m_sequenceMutex): the rows of these main shocks show their sequence anew.
    void RefreshSequenceRows(const std::vector<std::string>& mainIds);
    // UI thread: the rows of every open sequence's main shock anew (the outlook ages).
    void RefreshSequenceRowsNow(const std::vector<std::string>& mainIds);
    // UI thread: the cards of a round's aftershocks, one a sequence.
    void SendSequenceCards(const std::vector<AftershockSummary>& groups, const std::vector<QuakeEvent>& listed,
                           const std::vector<AlertDecision>& decisions, const AlertSettings& settings,
                           const std::string& lang);
    // The main shock's lines of a row's tooltip and its count.
    // Reads USGS's forecasts of the cards' main shocks (worker thread).
    void ReadUsgsForecasts(std::int64_t nowUtcMs);
    // The week's outlook of a sequence: USGS's forecast where one is held and still covers `nowUtcMs`, else the
    // generic estimate; `*usgs` says which. The main shock's magnitude as the outlook gives it in `*mainMag`.
    AftershockOutlook OutlookOf(const SequenceSummary& sequence, std::int64_t nowUtcMs, bool* usgs,
                                std::string* mainMag) const;
    void MainShockRowView(const QuakeEvent& event, const AlertSettings& settings, const std::string& lang,
                          EventRowView& view) const;
    std::int64_t NowUtcMs() const;
    SequenceVerdict SequenceOf(const std::string& eventId) const;
    // The zone of the sequence the quake opened, or of the one it is an aftershock in.
    std::optional<SequenceZoneBand> SequenceZoneOf(const std::string& eventId) const;
    // A row's view: distances and shaking (AlertRowView), and the main shock an aftershock follows.
    EventRowView RowView(const QuakeEvent& event, const AlertSettings& settings, const std::string& lang) const;
    // Worker thread: the reports of every source for this round, each caught up after a gap.
    RoundReports ReadSources();
    // Worker thread: whatever round comes first makes the tables and reads the archive's quakes, until it can.
    void LoadArchivedQuakes();
    // Worker thread: makes the tables unless that takes a wait of more than `busyMs` for a lock; whether done.
    bool PrepareArchive(int busyMs);
    // Worker thread: tells the log and the status line when a source's catch-up stops short or ends.
    void NoteCatchUp(const std::string& url, const SourceRead& read);
    // Worker thread: the sources' clock against the computer's (shown and used past 5 minutes).
    void NoteClockOffset(std::int64_t offsetMs);
    bool ShowBalloonNotice(const DesktopNotice& notice);
    // UI thread: the tsunami messages' notices, the status line's warnings in force and the quakes' marks.
    void ShowTsunamiRound(const TsunamiRound& round);
    // UI thread: a message's web address in the user's browser (nothing else is opened).
    void OpenTsunamiMessage(const std::string& url);
    void BuildControls();
    // Puts the list into the area with the band and the box above it.
    void BuildListArea();
    // UI thread: a round's announced quakes; one that alerts at a place or passes the wake magnitude takes the
    // band, and the selection and the map follow unless the user chose a row in the last minute.
    void TakeHeadline(const std::vector<QuakeEvent>& arrivals, const AlertSettings& settings);
    void SelectRowOf(const std::string& eventId);
    void ConnectHandlers();
    void StartFeedWorker();
    // Push thread: queues the event of a pushed message for the worker and wakes it.
    void OnPushMessage(const std::string& message);
    // Worker thread: one round of the new-event handling over the list, with the settings of the moment.
    void RunFeedRound(const std::function<void(QuakeListUpdate&)>& round);
    // Worker thread: the hooks every round of the new-event handling uses.
    QuakeListUpdate::Hooks FeedHooks(const AlertSettings& alerts);
    // Worker thread: tells the user (status line) and the log (one line) when the archive's state changes.
    void OnArchiveResult(const ArchiveWriteResult& result);
    // UI thread: the status line from the solar wind, the archive's state and the sources that fail; the tray
    // icon's tooltip names those sources too.
    void ShowStatusLine();
    // The note over an empty list while every source fails; hidden otherwise.
    void ShowEmptyListNote();
    // Worker thread: tells the UI thread whether a source read (empty reason) or why it did not.
    void NoteSourceState(const std::string& url, const std::string& reason);

    MonitorServices m_services;
    std::unique_ptr<ISound> m_ownSound;
    std::unique_ptr<ISound> m_loggedSound;
    std::unique_ptr<INotifier> m_ownNotifier;
    mutable std::mutex m_alertMutex;
    // Its own lock: the UI thread reads it for a row's tooltip while a round holds the list's.
    mutable std::mutex m_sequenceMutex;
    SequenceTracker m_sequences;
    // What the notices said, for their updates in place (UI thread).
    SequenceCards m_sequenceCards;
    QuakeNotices m_quakeNotices;
    AlertSettings m_alertSettings;
    // The event of the last tray balloon, for a click on it.
    std::string m_strBalloonKey;
    std::unique_ptr<CQtUiThread> m_pUiThread;
    std::unique_ptr<FeedWorker> m_pFeedWorker;
    std::unique_ptr<CPushClient> m_pPushClient;
    std::unique_ptr<PushPump> m_pPushPump;
    // Events pushed by a source, waiting for the pump; whether a full queue is dropping them (said once).
    std::mutex m_pushMutex;
    std::vector<QuakeEvent> m_pushedEvents;
    bool m_bPushDropping = false;
    // Polls and pushes run rounds on two threads: one lists at a time, one writes the archive at a time.
    std::mutex m_listMutex;
    std::mutex m_storeMutex;
    // Held while the archive's quakes are read into m_quakes, by whichever round comes first.
    std::mutex m_loadMutex;
    // Whether the archive's recent quakes have been read into m_quakes (set under m_loadMutex; the backlog is
    // written only after), whether its tables are made; one reader per source (the worker's own).
    std::atomic<bool> m_bArchiveLoaded{false};
    bool m_bArchivePrepared = false;
    std::map<std::string, std::unique_ptr<SourceReader>> m_sourceReaders;
    // The hosts whose catch-up is under way, as the worker knows them and as shown (UI thread).
    std::set<std::string> m_catchingUp;
    std::set<std::string> m_catchingUpShown;
    // Why each host's catch-up last stopped, as the log was told.
    std::map<std::string, std::string> m_catchUpSaid;
    // Sources whose catch-up was given up for the run (a service that never runs out).
    std::set<std::string> m_catchUpGivenUp;
    std::set<std::string> m_catchUpGivenUpShown;
    // How far the sources' clock is ahead of the computer's when that is past the tolerance, else 0 (the
    // worker's, read by every round's freshness), and as shown (UI thread).
    std::atomic<std::int64_t> m_clockOffsetMs{0};
    std::int64_t m_clockOffsetShown = 0;
    // The name a damaged archive was kept under at this start (UI thread); empty when none was.
    std::string m_archiveSetAsideShown;
    std::unique_ptr<CVersionCheck> m_pVersionCheck;
    int m_nTimerId = 0;
    // Counts hide and show requests, so that a late check of a showing acts only while it is the latest.
    int m_nVisibilityRequest = 0;
    static constexpr int kVisibilitySettleMs = 1500;
    // Set when the program is ending: the feed's round and an archive write stop early.
    std::atomic<bool> m_bStopping{false};
    // The archive's state as the worker last found it (worker thread), and as shown (UI thread).
    ArchiveFault m_archiveFault = ArchiveFault::kNone;
    ArchiveFault m_archiveFaultShown = ArchiveFault::kNone;
    std::string m_strSolarWind;
    // The new-version notice of the status line, empty while none is due.
    std::string m_strVersionNotice;
    // The tray's tooltip line for the quake that came in last (empty until one has).
    std::string m_strLastQuakeTip;
    // Why each failing source (by address) could not be read; the worker's view and the one shown (UI thread).
    std::map<std::string, std::string> m_sourceProblems;
    std::map<std::string, std::string> m_sourceProblemsShown;
    // The centres' feeds and the messages already notified (worker thread); the warnings, watches, advisories
    // and threats in force as shown (UI thread).
    std::unique_ptr<TsunamiWatch> m_pTsunamiWatch;
    // Worker thread only: what USGS measured of the quakes that matter at the places.
    std::unique_ptr<QuakeProductWatch> m_pProductWatch;
    // USGS's own forecasts of the main shocks whose card was opened: the watch (worker thread), the cards' main
    // shocks (newest last, set on the UI thread) and the forecasts read (set by the worker), under their lock.
    std::unique_ptr<QuakeForecastWatch> m_pForecastWatch;
    mutable std::mutex m_forecastMutex;
    std::vector<std::string> m_forecastMains;
    std::map<std::string, UsgsForecast> m_usgsForecasts;
    std::vector<TsunamiMessage> m_tsunamiShown;
    // Over the empty list while every source fails (made the first time it is needed).
    QLabel* m_emptyListNote = nullptr;
    bool m_bEnded = false;
    bool m_bInitDone = false;
    bool m_bStartInTray = false;
    // The language the controls' texts were made in.
    std::string m_strBuiltLang;
    // Hidden without a tray: minimised by the hide button, said once a run.
    bool m_bMinimisedByHide = false;
    bool m_bHideHintGiven = false;
    bool m_bRestartWanted = false;
    // The last arrival that took the band (its quake's id), and when the user last chose a row (UTC ms).
    std::string m_strHeadlinePinned;
    std::optional<std::int64_t> m_lastUserChoiceMs;
    bool m_bHeadlinePending = false;
    bool m_bSelectingForHeadline = false;
};

// The close questions: true when the user chose to end the program. The yes button reads the quitting verb.
bool AskToQuit(QWidget* parent, const std::string& caption, const std::string& question, const std::string& lang);

// The main window, set by its initialisation before the feed worker starts.
extern CMonitorDlg* g_pMainDlg;

}  // namespace dravik
