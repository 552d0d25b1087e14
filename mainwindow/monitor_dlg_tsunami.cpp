// The main window's tsunami side: the warning centres' feeds read each cycle, their messages' notifications,
// the warnings in force in the status line, the quakes they name marked in the list, and a click on a notice.
#include <QDesktopServices>
#include <QUrl>
#include <algorithm>
#include <cstdio>

#include "app/settings_key.h"
#include "app/ui_texts.h"
#include "catalogue/quake_list_update.h"
#include "mainwindow/event_list_view.h"
#include "mainwindow/monitor_dlg.h"
#include "mainwindow/ui_texts.h"
#include "platform/environment.h"
#include "platform/qt/qt_ui_thread.h"
#include "platform/sound.h"
#include "sources/event_fields.h"

namespace dravik {

void CMonitorDlg::ReadTsunamiMessages() {
    const std::vector<std::string> urls = TsunamiUrls();
    if (urls.empty() && m_pTsunamiWatch == nullptr) {
        return;
    }
    if (m_pTsunamiWatch == nullptr) {
        // A small file of its own rather than the archive: the ids must be kept even while the archive is
        // locked or damaged, and they are read once, by this thread alone.
        const std::string path =
            m_services.tsunamiAlertedPath.empty() ? DataFilePath("tsunami_alerted.txt") : m_services.tsunamiAlertedPath;
        m_pTsunamiWatch = std::make_unique<TsunamiWatch>(path, m_services.fetchConditional);
    }
    const TsunamiRound round = m_pTsunamiWatch->Read(urls, m_services.nowUtcMs() + m_clockOffsetMs.load());
    for (const auto& [url, reason] : round.problems) {
        NoteSourceState(url, reason);
    }
    // A danger near a place sounds whatever the hour: quiet hours are for quakes far away, not for the sea.
    const std::vector<Place> places = AllPlaces(CurrentAlertSettings());
    if (std::any_of(round.toNotify.begin(), round.toNotify.end(),
                    [&](const TsunamiMessage& m) { return TsunamiDangerAt(m, places); })) {
        m_services.sound->PlaySound(kNewEventSound);
    }
    m_pUiThread->RunOnUiThread([&] { ShowTsunamiRound(round); });
}

void CMonitorDlg::ShowTsunamiRound(const TsunamiRound& round) {
    const std::string lang = UiLanguage();
    const AlertSettings alerts = CurrentAlertSettings();
    const std::vector<Place> places = AllPlaces(alerts);
    const bool quiet = InQuietHours(alerts, LocalMinuteOfDay(m_services.clock()));
    // A few notices a round, the rest in one: a feed that changes at every read cannot flood the desktop.
    const TsunamiNoticePlan plan = PlanTsunamiNotices(round.toNotify, places);
    for (const std::size_t i : plan.single) {
        const TsunamiMessage& message = round.toNotify[i];
        const bool danger = TsunamiDangerAt(message, places);
        // The link alone is opened on a click: the message's own words are the centre's.
        DesktopNotice notice{message.title,
                             message.centre,
                             !danger && quiet,
                             TsunamiOpenText(lang),
                             message.link.empty() ? std::string("*") : kTsunamiKeyPrefix + message.link,
                             danger ? NoticeUrgency::Critical : NoticeUrgency::Normal};
        std::fprintf(stderr, "%s: tsunami message from %s: %s\n", ApplicationName().c_str(), message.centre.c_str(),
                     message.title.c_str());
        m_services.notifier->Notify(notice);
    }
    if (!plan.summary.empty()) {
        DesktopNotice notice{MoreTsunamiMessagesText(lang, plan.summary.size()),
                             {},
                             quiet,
                             AlertUiText(lang, AlertText::ShowAction),
                             "*"};
        for (const std::size_t i : plan.summary) {
            const TsunamiMessage& message = round.toNotify[i];
            // The titles while the body stays short; a notice is no place for fifty of them.
            if (notice.body.size() < 1000) {
                notice.body += (notice.body.empty() ? "" : "\n") + message.title;
            }
            if (TsunamiDangerAt(message, places)) {
                notice.silent = false;
                notice.urgency = NoticeUrgency::Critical;
            }
        }
        std::fprintf(stderr, "%s: %zu more tsunami messages\n", ApplicationName().c_str(), plan.summary.size());
        m_services.notifier->Notify(notice);
    }
    std::vector<TsunamiMessage> threats;
    for (const TsunamiMessage& message : round.live) {
        if (IsTsunamiThreat(message.kind)) {
            threats.push_back(message);
        }
    }
    if (threats.size() != m_tsunamiShown.size() ||
        !std::equal(threats.begin(), threats.end(), m_tsunamiShown.begin(),
                    [](const TsunamiMessage& a, const TsunamiMessage& b) { return a.id == b.id; })) {
        m_tsunamiShown = std::move(threats);
        ShowStatusLine();
    }
    if (m_listEvents == nullptr) {
        return;
    }
    const AlertSettings settings = CurrentAlertSettings();
    for (int row = 0; row < m_listEvents->rowCount(); ++row) {
        const QuakeEvent event = EventOfRow(*m_listEvents, row);
        if (!event.hasNumbers || RowHasTsunamiMessage(*m_listEvents, row)) {
            continue;
        }
        for (const TsunamiMessage& message : round.live) {
            if (NamesQuake(message, event.latitude, event.longitude, event.originUtcMs) &&
                MarkTsunamiRow(*m_listEvents, row)) {
                ApplyEventRowView(*m_listEvents, row, AlertRowView(EventOfRow(*m_listEvents, row), settings));
                break;
            }
        }
    }
}

void CMonitorDlg::OpenTsunamiMessage(const std::string& url) {
    const QUrl address(QString::fromStdString(url), QUrl::StrictMode);
    // Only the web address the reader kept; a key from anywhere else opens nothing.
    if (address.isValid() &&
        (address.scheme() == QLatin1String("https") || address.scheme() == QLatin1String("http"))) {
        QDesktopServices::openUrl(address);
    }
}

}  // namespace dravik
