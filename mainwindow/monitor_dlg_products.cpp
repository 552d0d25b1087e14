// The main window's side of what USGS measured of the listed quakes: which ones are worth a look (they reach
// III at one of the user's places), the look itself on the feed worker's thread, and the rows it changes.
#include <cstdio>
#include <set>

#include "mainwindow/event_list_view.h"
#include "mainwindow/monitor_dlg.h"
#include "platform/environment.h"
#include "platform/qt/qt_ui_thread.h"
#include "platform/sound.h"
#include "sources/event_detail.h"

namespace dravik {
namespace {

// Below this expected level at every place a quake's measured shaking would change nothing the user sees.
constexpr int kProductsFromLevel = 3;
constexpr char kUsgsPrefix[] = "usgs:";

}  // namespace

void CMonitorDlg::ReadUsgsForecasts(std::int64_t nowUtcMs) {
    std::vector<ForecastCandidate> candidates;
    {
        std::lock_guard<std::mutex> lock(m_forecastMutex);
        for (const std::string& id : m_forecastMains) {
            candidates.push_back({id, std::string(), 0});
        }
    }
    if (candidates.empty() && m_pForecastWatch == nullptr) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_listMutex);
        for (ForecastCandidate& c : candidates) {
            if (const KnownQuake* quake = m_quakes.Find(c.mainId)) {
                c.originUtcMs = quake->values.originUtcMs;
                for (const std::string& key : quake->keys) {
                    if (key.rfind(kUsgsPrefix, 0) == 0) {
                        c.usgsId = key.substr(sizeof kUsgsPrefix - 1);
                        break;
                    }
                }
            }
        }
    }
    if (m_pForecastWatch == nullptr) {
        EventProductReader::Fetch fetch = m_services.fetchProduct;
        if (!fetch) {
            fetch = [](const std::string& url, const ConditionalRequest& request, std::size_t maxBytes) {
                return FetchConditional(url, request, maxBytes);
            };
        }
        m_pForecastWatch = std::make_unique<QuakeForecastWatch>(std::move(fetch));
    }
    QuakeForecastWatch::Round round = m_pForecastWatch->Read(candidates, nowUtcMs);
    if (round.requests > 0) {
        std::fprintf(stderr, "%s: aftershock forecasts: %d requests, %zu held\n", ApplicationName().c_str(),
                     round.requests, round.forecasts.size());
    }
    std::lock_guard<std::mutex> lock(m_forecastMutex);
    m_usgsForecasts = std::move(round.forecasts);
}

void CMonitorDlg::ReadQuakeProducts() {
    if (EventDetailBaseUrl().empty() || m_listEvents == nullptr) {
        return;
    }
    const std::int64_t now = m_services.nowUtcMs() + m_clockOffsetMs.load();
    // The cards' forecasts whatever the places: a sequence's card is told without one.
    ReadUsgsForecasts(now);
    // The rows worth a look, read on the UI thread (the list is its own); the registry gives their USGS ids.
    std::vector<ProductCandidate> candidates;
    m_pUiThread->RunOnUiThread([&] {
        const AlertSettings settings = CurrentAlertSettings();
        if (!settings.hasHome && settings.places.empty()) {
            return;
        }
        for (int row = 0; row < m_listEvents->rowCount(); ++row) {
            const QuakeEvent event = EventOfRow(*m_listEvents, row);
            if (!event.hasNumbers || now - event.originUtcMs > QuakeProductWatch::kFollowMs) {
                continue;
            }
            // The expectation alone decides: what was measured must not keep a quake in or out.
            QuakeEvent expected = event;
            expected.measured.reset();
            if (DecideAlert(expected, settings, 0).maxLevel >= kProductsFromLevel) {
                candidates.push_back({event.eventId, std::string(), event.originUtcMs});
            }
        }
    });
    if (candidates.empty() && m_pProductWatch == nullptr) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_listMutex);
        for (ProductCandidate& c : candidates) {
            if (const KnownQuake* quake = m_quakes.Find(c.rowId)) {
                for (const std::string& key : quake->keys) {
                    if (key.rfind(kUsgsPrefix, 0) == 0) {
                        c.usgsId = key.substr(sizeof kUsgsPrefix - 1);
                        break;
                    }
                }
            }
        }
    }
    if (m_pProductWatch == nullptr) {
        EventProductReader::Fetch fetch = m_services.fetchProduct;
        if (!fetch) {
            fetch = [](const std::string& url, const ConditionalRequest& request, std::size_t maxBytes) {
                return FetchConditional(url, request, maxBytes);
            };
        }
        m_pProductWatch = std::make_unique<QuakeProductWatch>(std::move(fetch));
    }
    // At exit the worker's cancel scope makes every fetch of a look give up at once.
    const ProductRound round = m_pProductWatch->Read(candidates, now);
    if (round.looks > 0) {
        std::fprintf(stderr, "%s: measured shaking: %d quakes looked at, %d requests, %zu changed\n",
                     ApplicationName().c_str(), round.looks, round.requests, round.changed.size());
    }
    std::vector<QuakeEvent> measured;
    m_pUiThread->RunOnUiThread([&] {
        if (m_listEvents == nullptr) {
            return;
        }
        const AlertSettings settings = CurrentAlertSettings();
        for (int row = 0; row < m_listEvents->rowCount(); ++row) {
            const auto it = round.products.find(EventOfRow(*m_listEvents, row).eventId);
            if (it != round.products.end() && SetRowMeasured(*m_listEvents, row, it->second)) {
                measured.push_back(EventOfRow(*m_listEvents, row));
                ApplyEventRowView(*m_listEvents, row, AlertRowView(measured.back(), settings));
                // The map's bands of the quake it shows become ShakeMap's contours.
                if (row == GetFirstSelectedItem()) {
                    ShowSelectedOnMap(false);
                }
            }
        }
    });
    AlertMeasured(measured, now);
}

void CMonitorDlg::AlertMeasured(const std::vector<QuakeEvent>& measured, std::int64_t nowUtcMs) {
    if (measured.empty() || m_bStopping) {
        return;
    }
    const AlertSettings alerts = CurrentAlertSettings();
    const auto rule = AlertRuleFor(alerts);
    std::vector<AnnouncedQuake> announced;
    bool sound = false;
    {
        // The registry remembers which quakes alerted, whichever round or look made them.
        std::lock_guard<std::mutex> lock(m_listMutex);
        for (const QuakeEvent& event : measured) {
            KnownQuake* quake = m_quakes.Find(event.eventId);
            if (quake == nullptr || quake->alerted || !IsFresh(quake->values, nowUtcMs)) {
                continue;
            }
            const EventAlert alert = rule(event);
            if (alert.alert) {
                quake->alerted = true;
                announced.push_back({event, std::string()});
                sound = sound || alert.sound;
            }
        }
    }
    if (announced.empty()) {
        return;
    }
    m_bNewEvent = true;
    if (sound && m_bFirstFillDone) {
        m_services.sound->PlaySound(kNewEventSound);
    }
    AnnounceQuakes(announced, false, alerts);
}

}  // namespace dravik
