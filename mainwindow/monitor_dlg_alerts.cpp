// The main window's alert side: the settings window, which new events alert and notify, the notifications
// and a click on one, the time display of the list and the distance from home in its column and each row's tooltip.
#include <QCoreApplication>
#include <QHeaderView>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <utility>

#include "app/alert_settings_key.h"
#include "app/notice_urgency.h"
#include "app/settings_dlg.h"
#include "app/settings_key.h"
#include "app/settings_value.h"
#include "app/ui_texts.h"
#include "mainwindow/event_list_view.h"
#include "mainwindow/monitor_dlg.h"
#include "mainwindow/quake_map.h"
#include "mainwindow/system_tray.h"
#include "mainwindow/ui_texts.h"
#include "platform/autostart.h"
#include "platform/environment.h"
#include "platform/qt/dbus_notifier.h"
#include "platform/qt/qt_ui_thread.h"
#include "platform/sound.h"
#include "resources/resource_tables.h"

namespace dravik {
namespace {

// Silent unless asked for (QT_LOGGING_RULES="dravik.alert.info=true"): what sounded and what was notified.
Q_LOGGING_CATEGORY(lcAlert, "dravik.alert", QtWarningMsg)

constexpr int kZoneCheckMs = 60 * 1000;
constexpr int kOutlookRefreshMs = 5 * 60 * 1000;
// The key of a summary notification: a click shows the window without changing the selection.
constexpr const char* kWindowOnlyKey = "*";

// The sound service, with a log line for every sound started.
class CLoggedSound final : public ISound {
public:
    explicit CLoggedSound(ISound& sound) : m_sound(sound) {}
    void PlaySound(const std::string& name) override {
        qCInfo(lcAlert, "sound %s", name.c_str());
        m_sound.PlaySound(name);
    }

private:
    ISound& m_sound;
};

}  // namespace

namespace {

// The distances and the shaking expected at the places, when there are places.
void PlaceRowView(const QuakeEvent& event, const AlertSettings& settings, const std::string& lang, EventRowView& view) {
    if (!settings.hasHome && settings.places.empty()) {
        return;
    }
    const AlertDecision d = DecideAlert(event, settings, 0);
    if (!d.hasDistance) {
        return;
    }
    const std::vector<Place> places = AllPlaces(settings);
    view.tooltip = DistanceText(lang, d.distanceKm, d.bearingDeg, PlaceName(lang, places[d.nearestPlace]));
    view.distanceKm = d.distanceKm;
    if (!d.shaking.empty()) {
        view.shaking = d.shaking.front().intensity;
    }
    // Then every place, strongest first.
    for (const PlaceShaking& shaking : d.shaking) {
        for (const std::string& line : PlaceShakingLines(lang, PlaceName(lang, places[shaking.place]), shaking)) {
            view.tooltip += "\n" + line;
        }
    }
}

}  // namespace

EventRowView AlertRowView(const QuakeEvent& event, const AlertSettings& settings) {
    return AlertRowView(event, settings, UiLanguage());
}

EventRowView AlertRowView(const QuakeEvent& event, const AlertSettings& settings, const std::string& lang) {
    EventRowView view;
    view.display = settings.timeDisplay;
    // What was felt and the tsunami words the row adds itself, from what it keeps.
    PlaceRowView(event, settings, lang, view);
    return view;
}

EventRowView CMonitorDlg::RowView(const QuakeEvent& event, const AlertSettings& settings,
                                  const std::string& lang) const {
    EventRowView view = AlertRowView(event, settings, lang);
    if (!settings.sequenceEnabled) {
        return view;
    }
    const SequenceVerdict verdict = SequenceOf(event.eventId);
    if (verdict.aftershock) {
        view.tooltip +=
            (view.tooltip.empty() ? "" : "\n") + AftershockOfText(lang, verdict.mainMagnitude, verdict.mainRegion);
    }
    MainShockRowView(event, settings, lang, view);
    return view;
}

SequenceVerdict CMonitorDlg::SequenceOf(const std::string& eventId) const {
    std::lock_guard<std::mutex> lock(m_sequenceMutex);
    return m_sequences.Of(eventId);
}

std::optional<SequenceZoneBand> CMonitorDlg::SequenceZoneOf(const std::string& eventId) const {
    if (!CurrentAlertSettings().sequenceEnabled) {
        return std::nullopt;
    }
    std::lock_guard<std::mutex> lock(m_sequenceMutex);
    const SequenceVerdict verdict = m_sequences.Of(eventId);
    SequenceTracker::Zone zone;
    if (!m_sequences.ZoneOf(verdict.aftershock ? verdict.mainId : eventId, &zone)) {
        return std::nullopt;
    }
    return ZoneBandOf(zone.latitude, zone.longitude, zone.radiusKm);
}

std::vector<std::string> CMonitorDlg::FeedSequences(const std::vector<QuakeEvent>& quakes,
                                                    const AlertSettings& settings) {
    // The place rules open a sequence too; without places they cannot, and the decision is not worth making.
    const bool placeRules =
        (settings.hasHome || !settings.places.empty()) && (settings.radiusKm > 0.0 || settings.minIntensity > 0);
    std::vector<std::string> mains;
    std::lock_guard<std::mutex> lock(m_sequenceMutex);
    for (const QuakeEvent& event : quakes) {
        bool atPlace = false;
        if (placeRules) {
            const AlertDecision d = DecideAlert(event, settings, 0);
            atPlace = d.nearRule || d.shakingRule;
        }
        const SequenceVerdict verdict = m_sequences.Add(event, settings.sequenceMinMagnitude, atPlace);
        if (verdict.aftershock && std::find(mains.begin(), mains.end(), verdict.mainId) == mains.end()) {
            mains.push_back(verdict.mainId);
        }
    }
    return mains;
}

void CMonitorDlg::InitAlerts() {
    m_loggedSound = std::make_unique<CLoggedSound>(*m_services.sound);
    m_services.sound = m_loggedSound.get();
    if (m_services.notifier == nullptr) {
        m_ownNotifier =
            std::make_unique<CDBusNotifier>([this](const DesktopNotice& n) { return ShowBalloonNotice(n); });
        m_services.notifier = m_ownNotifier.get();
    }
    m_services.notifier->SetActivationHandler([this](const std::string& key) { OnShowNotifiedEvent(key); });
    m_services.notifier->SetDismissHandler([this](const std::string& tag) {
        const std::string mainId = SequenceCards::MainOfTag(tag);
        if (!mainId.empty()) {
            m_sequenceCards.Dismissed(mainId, NowUtcMs());
        }
    });
    if (!m_services.clock) {
        m_services.clock = [] { return std::time(nullptr); };
    }
    // The local zone changes twice a year while the program runs for weeks: the time header follows it.
    auto* zoneTimer = new QTimer(this);
    connect(zoneTimer, &QTimer::timeout, this, [this] {
        const TimeDisplay display = CurrentAlertSettings().timeDisplay;
        if (m_listEvents == nullptr || display != TimeDisplay::Local) {
            return;
        }
        QAbstractItemModel* model = m_listEvents->model();
        const QString text = QString::fromStdString(TimeHeaderText(UiLanguage(), display));
        if (model->headerData(kColumnTime, Qt::Horizontal).toString() != text) {
            model->setHeaderData(kColumnTime, Qt::Horizontal, text);
        }
    });
    zoneTimer->start(kZoneCheckMs);
    // A main shock's outlook ages: its row says it anew every few minutes, as a poll would bring news.
    auto* outlookTimer = new QTimer(this);
    connect(outlookTimer, &QTimer::timeout, this, [this] {
        std::vector<std::string> mains;
        {
            std::lock_guard<std::mutex> lock(m_sequenceMutex);
            mains = m_sequences.MainIds();
        }
        RefreshSequenceRowsNow(mains);
    });
    outlookTimer->start(kOutlookRefreshMs);
}

AlertSettings CMonitorDlg::CurrentAlertSettings() const {
    std::lock_guard<std::mutex> lock(m_alertMutex);
    return m_alertSettings;
}

void CMonitorDlg::ApplyAlertSettings(const AlertSettings& settings) {
    {
        std::lock_guard<std::mutex> lock(m_alertMutex);
        m_alertSettings = settings;
    }
    {
        m_listEvents->model()->setHeaderData(
            kColumnTime, Qt::Horizontal, QString::fromStdString(TimeHeaderText(UiLanguage(), settings.timeDisplay)));
        // The zone is the point of the header: the column grows rather than cut it off.
        const int wanted = m_listEvents->horizontalHeader()->sectionSizeHint(kColumnTime);
        if (m_listEvents->columnWidth(kColumnTime) < wanted) {
            m_listEvents->setColumnWidth(kColumnTime, wanted);
        }
    }
    // A place set, moved or taken away: the places' columns show or hide, every row's distance anew.
    ShowPlaceColumns(*m_listEvents, settings.hasHome || !settings.places.empty());
    std::vector<int> rows;
    rows.reserve(static_cast<std::size_t>(m_listEvents->rowCount()));
    const std::string lang = UiLanguage();
    for (int row = 0; row < m_listEvents->rowCount(); ++row) {
        ApplyEventRowView(*m_listEvents, row, RowView(EventOfRow(*m_listEvents, row), settings, lang));
        rows.push_back(row);
    }
    if (CEventListSorter* sorter = CEventListSorter::Of(*m_listEvents)) {
        sorter->RowsChanged(rows);
    }
}

void CMonitorDlg::OnSettings() {
    const bool startWithSession = IsAutostartOn();
    const std::string lang = UiLanguage();
    CSettingsDlg dlg(CurrentAlertSettings(), lang, m_bHiddenToTray ? nullptr : this, startWithSession);
    if (dlg.exec() != QDialog::Accepted) {
        return;
    }
    SaveAlertSettings(dlg.Settings());
    WriteSettingsText(kEsriKeySetting, dlg.EsriKey());
    // Read back as stored, so that what is used is what the next start will use.
    ApplyStoredSettings();
    if (dlg.StartWithSession() != startWithSession) {
        std::string error;
        const std::string self = QCoreApplication::applicationFilePath().toStdString();
        const char* path = std::getenv("PATH");
        if (!SetAutostart(dlg.StartWithSession(), AutostartCommand(self, path != nullptr ? path : ""), &error)) {
            QMessageBox::warning(m_bHiddenToTray ? nullptr : this, QString::fromUtf8(kMessageBoxCaption),
                                 QString::fromStdString(AlertUiText(lang, AlertText::AutostartFailed) + "\n" + error));
        }
    }
}

void CMonitorDlg::ApplyStoredSettings() {
    ApplyAlertSettings(LoadAlertSettings());
    if (m_pQuakeMap != nullptr) {
        m_pQuakeMap->RefreshSettings();
    }
}

std::function<EventAlert(const QuakeEvent&)> CMonitorDlg::AlertRuleFor(const AlertSettings& settings) const {
    const int minute = LocalMinuteOfDay(m_services.clock());
    // With the sound following the sequences, a round's grouped aftershocks sound once, as they notify once.
    auto aftershockSounded = std::make_shared<bool>(false);
    return [this, settings, minute, aftershockSounded](const QuakeEvent& event) {
        AlertDecision d = DecideAlert(event, settings, minute);
        if (d.sound && settings.sequenceSound && GroupedAftershock(SequenceOf(event.eventId), d, settings)) {
            d.sound = !*aftershockSounded;
            *aftershockSounded = true;
        }
        return EventAlert{d.alert, d.sound};
    };
}

void CMonitorDlg::SendNotifications(const std::vector<AnnouncedQuake>& announced, bool firstCycle,
                                    const AlertSettings& settings) {
    if (firstCycle || !settings.notifyEnabled || announced.empty()) {
        return;
    }
    const int minute = LocalMinuteOfDay(m_services.clock());
    std::vector<QuakeEvent> listed;
    std::vector<AlertDecision> decisions;
    std::vector<SequenceVerdict> verdicts;
    listed.reserve(announced.size());
    decisions.reserve(announced.size());
    verdicts.reserve(announced.size());
    for (const AnnouncedQuake& quake : announced) {
        listed.push_back(quake.event);
        decisions.push_back(DecideAlert(quake.event, settings, minute));
        verdicts.push_back(SequenceOf(quake.event.eventId));
    }
    const SequencePlan sequencePlan = PlanSequenceNotifications(listed, decisions, verdicts, settings, firstCycle);
    const NotificationPlan& plan = sequencePlan.plan;
    if (plan.single.empty() && sequencePlan.aftershocks.empty()) {
        return;
    }
    // The texts read the language, and notices are sent, on the UI thread.
    m_pUiThread->RunOnUiThread([&] {
        const std::string lang = UiLanguage();
        const std::string show = AlertUiText(lang, AlertText::ShowAction);
        for (std::size_t i : plan.single) {
            const QuakeEvent& event = listed[i];
            std::string body = NotificationBody(lang, event, settings, decisions[i]);
            if (!announced[i].revisedFrom.empty()) {
                body = RevisedText(lang, event.mag, announced[i].revisedFrom) + "\n" + body;
            }
            // The quake's own id, which names its row whatever sorting and revisions did.
            DesktopNotice notice{NotificationSummary(event),
                                 body,
                                 !decisions[i].sound,
                                 show,
                                 event.eventId,
                                 UrgencyOf(event, settings, decisions[i]),
                                 QuakeNotices::Tag(event.eventId)};
            qCInfo(lcAlert, "notify %s", notice.summary.c_str());
            m_services.notifier->Notify(notice);
            m_quakeNotices.Notified(event, decisions[i]);
        }
        if (!plan.summary.empty()) {
            DesktopNotice notice{MoreEarthquakesText(lang, plan.summary.size()), {}, true, show, kWindowOnlyKey};
            for (std::size_t i : plan.summary) {
                notice.body += (notice.body.empty() ? "" : "\n") + NotificationSummary(listed[i]);
                notice.silent = notice.silent && !decisions[i].sound;
                if (UrgencyOf(listed[i], settings, decisions[i]) == NoticeUrgency::Critical) {
                    notice.urgency = NoticeUrgency::Critical;
                }
            }
            qCInfo(lcAlert, "notify %s", notice.summary.c_str());
            m_services.notifier->Notify(notice);
        }
        SendSequenceCards(sequencePlan.aftershocks, listed, decisions, settings, lang);
    });
}

bool CMonitorDlg::ShowBalloonNotice(const DesktopNotice& notice) {
    if (m_pTray == nullptr) {
        return false;
    }
    m_strBalloonKey = notice.key;
    return m_pTray->ShowBalloon(notice.summary, notice.body, kCmdShowNotifiedEvent);
}

void CMonitorDlg::OnShowNotifiedEvent(const std::string& key) {
    if (m_bEnded) {
        return;
    }
    if (key.rfind(kTsunamiKeyPrefix, 0) == 0) {
        OpenTsunamiMessage(key.substr(std::string(kTsunamiKeyPrefix).size()));
        return;
    }
    OnShowList();
    if (key.empty() || key == kWindowOnlyKey) {
        return;
    }
    const int row = FindEventRow(*m_listEvents, key);
    if (row < 0) {
        return;
    }
    // Selecting moves the map (OnEventItemChanged); once more for a row that was selected already.
    const bool already = GetFirstSelectedItem() == row;
    m_listEvents->selectRow(row);
    m_listEvents->ScrollToRow(row);
    if (already) {
        RefreshMap();
    }
}

}  // namespace dravik
