#include "catalogue/quake_forecasts.h"

#include <algorithm>
#include <set>
#include <utility>

namespace dravik {
namespace {

// The id goes into an address: only what USGS ids are made of.
bool PlainId(const std::string& id) {
    return !id.empty() && id.size() <= 64 && std::all_of(id.begin(), id.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
    });
}

}  // namespace

QuakeForecastWatch::QuakeForecastWatch(EventProductReader::Fetch fetch, DetailUrl detailUrl)
    : m_fetch(std::move(fetch)), m_detailUrl(detailUrl) {}

std::optional<std::string> QuakeForecastWatch::FetchChanged(const std::string& url, std::size_t maxBytes, Held& held,
                                                            int* requests) {
    if (held.url != url) {
        held = Held{url, {}, {}};
    }
    const FetchResult page = m_fetch(url, ConditionalRequest{held.etag, held.lastModified}, maxBytes);
    ++*requests;
    if (!IsReadable(page) || page.status == 304) {
        return std::nullopt;
    }
    held.etag = page.etag;
    held.lastModified = page.lastModified;
    return page.body;
}

void QuakeForecastWatch::Look(Watched& quake, int* requests) {
    const std::string detailUrl = m_detailUrl(quake.usgsId);
    if (detailUrl.empty()) {
        return;
    }
    if (const std::optional<std::string> detail = FetchChanged(detailUrl, kMaxDetailBytes, quake.detail, requests)) {
        const std::optional<ProductLinks> links = ParseEventDetail(*detail, detailUrl);
        if (!links) {
            quake.detail.etag.clear();  // not a detail: asked whole next time
            quake.detail.lastModified.clear();
            return;
        }
        quake.forecastUrl = links->forecast;
        if (quake.forecastUrl.empty()) {
            quake.forecast.reset();  // withdrawn, or not yet published
        }
    }
    if (quake.forecastUrl.empty()) {
        return;
    }
    if (const std::optional<std::string> body =
            FetchChanged(quake.forecastUrl, kMaxForecastBytes, quake.file, requests)) {
        if (const std::optional<UsgsForecast> forecast = ParseUsgsForecast(*body)) {
            quake.forecast = forecast;
        }
    }
}

QuakeForecastWatch::Round QuakeForecastWatch::Read(const std::vector<ForecastCandidate>& candidates,
                                                   std::int64_t nowUtcMs, const std::atomic<bool>* stop) {
    Round round;
    std::vector<const ForecastCandidate*> live;
    for (const ForecastCandidate& c : candidates) {
        if (PlainId(c.usgsId) && !c.mainId.empty()) {
            live.push_back(&c);
        }
    }
    std::sort(live.begin(), live.end(),
              [](const ForecastCandidate* a, const ForecastCandidate* b) { return a->originUtcMs > b->originUtcMs; });
    if (live.size() > kMaxQuakes) {
        live.resize(kMaxQuakes);
    }
    std::set<std::string> wanted;
    for (const ForecastCandidate* c : live) {
        wanted.insert(c->mainId);
        Watched& quake = m_quakes[c->mainId];
        if (quake.usgsId != c->usgsId) {
            quake = Watched{};
            quake.usgsId = c->usgsId;
        }
        quake.originUtcMs = c->originUtcMs;
    }
    // A card closed for good, or a sequence let go: its forecast is no longer asked for.
    for (auto it = m_quakes.begin(); it != m_quakes.end();) {
        it = wanted.count(it->first) != 0 ? std::next(it) : m_quakes.erase(it);
    }
    std::vector<Watched*> due;
    for (auto& [id, quake] : m_quakes) {
        if (quake.lastLookUtcMs == 0 || nowUtcMs - quake.lastLookUtcMs >= kLookAgainMs) {
            due.push_back(&quake);
        }
    }
    std::sort(due.begin(), due.end(), [](const Watched* a, const Watched* b) {
        return a->lastLookUtcMs != b->lastLookUtcMs ? a->lastLookUtcMs < b->lastLookUtcMs
                                                    : a->originUtcMs > b->originUtcMs;
    });
    int looks = 0;
    for (Watched* quake : due) {
        if (looks >= kLooksPerRound || (stop != nullptr && stop->load())) {
            break;
        }
        Look(*quake, &round.requests);
        quake->lastLookUtcMs = nowUtcMs;
        ++looks;
    }
    for (const auto& [id, quake] : m_quakes) {
        if (quake.forecast) {
            round.forecasts.emplace(id, *quake.forecast);
        }
    }
    return round;
}

}  // namespace dravik
