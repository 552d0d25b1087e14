// The main window's aftershock sequences as the user sees them: one card a sequence updated in place, a
// notified quake's notice updated by its revisions, and the main shock's row with its count and outlook.
#include <QLoggingCategory>
#include <algorithm>
#include <cstdio>
#include <unordered_set>

#include "alerts/aftershock_forecast.h"
#include "alerts/time_display.h"
#include "app/notice_urgency.h"
#include "app/sequence_texts.h"
#include "app/settings_key.h"
#include "app/ui_texts.h"
#include "catalogue/quake_registry.h"
#include "mainwindow/event_list.h"
#include "mainwindow/event_list_model.h"
#include "mainwindow/event_list_sort.h"
#include "mainwindow/event_list_view.h"
#include "mainwindow/monitor_dlg.h"
#include "platform/qt/qt_ui_thread.h"

namespace dravik {
namespace {

Q_LOGGING_CATEGORY(lcCards, "dravik.alert", QtWarningMsg)

}  // namespace

std::int64_t CMonitorDlg::NowUtcMs() const {
    return m_services.nowUtcMs() + m_clockOffsetMs.load();
}

AftershockOutlook CMonitorDlg::OutlookOf(const SequenceSummary& sequence, std::int64_t nowUtcMs, bool* usgs,
                                         std::string* mainMag) const {
    {
        std::lock_guard<std::mutex> lock(m_forecastMutex);
        const auto it = m_usgsForecasts.find(sequence.mainId);
        if (it != m_usgsForecasts.end() && it->second.hasMain &&
            (it->second.endUtcMs == 0 || nowUtcMs < it->second.endUtcMs)) {
            *usgs = true;
            char text[16];
            std::snprintf(text, sizeof text, "%.1f", it->second.mainMagnitude);
            *mainMag = text;
            return AftershockOutlook{it->second.chanceM5, it->second.chanceMain};
        }
    }
    *usgs = false;
    *mainMag = sequence.mainMagnitude;
    return GenericOutlook(sequence.magnitude, sequence.latitude, sequence.longitude, sequence.depthKm,
                          sequence.originUtcMs, nowUtcMs);
}

void CMonitorDlg::MainShockRowView(const QuakeEvent& event, const AlertSettings& settings, const std::string& lang,
                                   EventRowView& view) const {
    SequenceSummary sequence;
    {
        std::lock_guard<std::mutex> lock(m_sequenceMutex);
        if (!m_sequences.SummaryOf(event.eventId, &sequence)) {
            return;
        }
    }
    view.aftershocks = static_cast<unsigned>(sequence.aftershocks);
    if (sequence.aftershocks > 0) {
        const DateTimeText latest = DisplayedTime(sequence.latestData1, sequence.latestData2, true,
                                                  sequence.latestUtcMs / 1000, settings.timeDisplay);
        view.tooltip +=
            (view.tooltip.empty() ? "" : "\n") + SequenceRowText(lang, sequence, latest.date + " " + latest.time);
    }
    bool usgs = false;
    std::string mainMag;
    const AftershockOutlook outlook = OutlookOf(sequence, NowUtcMs(), &usgs, &mainMag);
    view.tooltip += (view.tooltip.empty() ? "" : "\n") + OutlookText(lang, outlook, mainMag, usgs);
}

void CMonitorDlg::RefreshSequenceRows(const std::vector<std::string>& mainIds) {
    if (mainIds.empty() || m_pUiThread == nullptr) {
        return;
    }
    m_pUiThread->RunOnUiThread([&] { RefreshSequenceRowsNow(mainIds); });
}

void CMonitorDlg::RefreshSequenceRowsNow(const std::vector<std::string>& mainIds) {
    if (m_listEvents == nullptr) {
        return;
    }
    const AlertSettings settings = CurrentAlertSettings();
    const std::string lang = UiLanguage();
    // One pass over the rows, however many sequences are open: the UI thread never scans the list per main shock.
    std::unordered_set<std::string> wanted;
    for (const std::string& id : mainIds) {
        wanted.insert(QuakeIdKey(id));
    }
    std::vector<int> rows;
    for (int row = 0; row < m_listEvents->rowCount() && rows.size() < wanted.size(); ++row) {
        if (wanted.count(QuakeIdKey(m_listEvents->Model().Row(row).eventId)) != 0) {
            ApplyEventRowView(*m_listEvents, row, RowView(EventOfRow(*m_listEvents, row), settings, lang));
            rows.push_back(row);
        }
    }
    if (CEventListSorter* sorter = CEventListSorter::Of(*m_listEvents); sorter != nullptr && !rows.empty()) {
        sorter->RowsChanged(rows);
    }
}

void CMonitorDlg::SendSequenceCards(const std::vector<AftershockSummary>& groups, const std::vector<QuakeEvent>& listed,
                                    const std::vector<AlertDecision>& decisions, const AlertSettings& settings,
                                    const std::string& lang) {
    const std::int64_t now = NowUtcMs();
    const std::string show = AlertUiText(lang, AlertText::ShowAction);
    for (const AftershockSummary& group : groups) {
        SequenceSummary sequence;
        {
            std::lock_guard<std::mutex> lock(m_sequenceMutex);
            if (!m_sequences.SummaryOf(group.mainId, &sequence)) {
                continue;  // forgotten meanwhile (a feed gone wrong): nothing to count
            }
        }
        const bool newLargest = std::any_of(group.members.begin(), group.members.end(),
                                            [&](std::size_t i) { return listed[i].eventId == sequence.largestId; });
        const CardAction action = m_sequenceCards.Told(group.mainId, newLargest, now);
        if (action == CardAction::None) {
            qCInfo(lcCards, "card of %s left closed", group.mainId.c_str());
            continue;
        }
        {
            // The card's main shock: USGS's forecast of it is read from now on.
            std::lock_guard<std::mutex> lock(m_forecastMutex);
            m_forecastMains.erase(std::remove(m_forecastMains.begin(), m_forecastMains.end(), group.mainId),
                                  m_forecastMains.end());
            m_forecastMains.push_back(group.mainId);
            if (m_forecastMains.size() > QuakeForecastWatch::kMaxQuakes) {
                m_forecastMains.erase(m_forecastMains.begin());
            }
        }
        bool usgs = false;
        std::string mainMag;
        const AftershockOutlook outlook = OutlookOf(sequence, now, &usgs, &mainMag);
        // Keyed by the main shock: a click shows the quake the sequence is named after.
        DesktopNotice notice{SequenceCardText(lang, sequence, now),
                             OutlookText(lang, outlook, mainMag, usgs),
                             true,
                             show,
                             group.mainId,
                             NoticeUrgency::Normal,
                             SequenceCards::Tag(group.mainId)};
        for (std::size_t i : group.members) {
            notice.body += "\n" + NotificationSummary(listed[i]);
            // Only the card's opening may sound; its updates are silent.
            notice.silent = notice.silent && (action == CardAction::Update || !decisions[i].sound);
            if (UrgencyOf(listed[i], settings, decisions[i]) == NoticeUrgency::Critical) {
                notice.urgency = NoticeUrgency::Critical;
            }
        }
        qCInfo(lcCards, "%s %s", action == CardAction::Open ? "card" : "card update", notice.summary.c_str());
        m_services.notifier->Notify(notice);
    }
}

void CMonitorDlg::OnQuakesRevised(const std::vector<RevisedQuake>& revised, const AlertSettings& settings) {
    std::vector<std::string> mains;
    {
        std::lock_guard<std::mutex> lock(m_sequenceMutex);
        for (const RevisedQuake& quake : revised) {
            if (m_sequences.Revise(quake.after, settings.sequenceMinMagnitude)) {
                mains.push_back(quake.after.eventId);
            }
        }
    }
    RefreshSequenceRows(mains);
    const bool anyAlerted =
        std::any_of(revised.begin(), revised.end(), [](const RevisedQuake& quake) { return quake.alerted; });
    if (!settings.notifyEnabled || !anyAlerted || m_pUiThread == nullptr) {
        return;
    }
    const int minute = LocalMinuteOfDay(m_services.clock());
    m_pUiThread->RunOnUiThread([&] {
        const std::string lang = UiLanguage();
        const std::string show = AlertUiText(lang, AlertText::ShowAction);
        for (const RevisedQuake& quake : revised) {
            if (!quake.alerted) {
                continue;
            }
            const AlertDecision decision = DecideAlert(quake.after, settings, minute);
            const std::optional<QuakeNotices::Change> change = m_quakeNotices.Revised(quake.after, decision, settings);
            if (!change) {
                continue;
            }
            std::string head;
            if (!change->previousMag.empty()) {
                head = RevisedText(lang, quake.after.mag, change->previousMag);
            } else if (change->levels) {
                head = ShakingChangedText(lang);
            }
            if (change->reviewed) {
                head += (head.empty() ? "" : "\n") + ReviewedText(lang);
            }
            // In place of the quake's notice, without a sound of its own: the quake was told already.
            DesktopNotice notice{NotificationSummary(quake.after),
                                 head + "\n" + NotificationBody(lang, quake.after, settings, decision),
                                 true,
                                 show,
                                 quake.after.eventId,
                                 UrgencyOf(quake.after, settings, decision),
                                 QuakeNotices::Tag(quake.after.eventId)};
            qCInfo(lcCards, "notice update %s", notice.summary.c_str());
            m_services.notifier->Notify(notice);
        }
    });
}

}  // namespace dravik
