#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "sources/event_detail.h"

// USGS's own aftershock forecasts of the main shocks whose sequence has a card: each main shock's detail, then
// its `oaf` product's forecast.json, both asked for conditionally, on the feed worker. Plain C++, no Qt.
namespace dravik {

// A main shock with a card, known to USGS.
struct ForecastCandidate {
    std::string mainId;  // the list's id of the main shock
    std::string usgsId;
    std::int64_t originUtcMs = 0;
};

class QuakeForecastWatch final {
public:
    // Cards followed at once: a great quake's day opens one or two.
    static constexpr std::size_t kMaxQuakes = 5;
    static constexpr int kLooksPerRound = 2;
    // USGS issues a forecast at the quake's first hour and then on a schedule of hours, then days.
    static constexpr std::int64_t kLookAgainMs = 30 * 60 * 1000;

    using DetailUrl = std::string (*)(const std::string& usgsId);
    explicit QuakeForecastWatch(EventProductReader::Fetch fetch, DetailUrl detailUrl = EventDetailUrl);

    struct Round {
        // The forecasts held, by main shock id, read in this round or before.
        std::map<std::string, UsgsForecast> forecasts;
        int requests = 0;
    };
    Round Read(const std::vector<ForecastCandidate>& candidates, std::int64_t nowUtcMs,
               const std::atomic<bool>* stop = nullptr);

private:
    struct Held {
        std::string url;
        std::string etag, lastModified;
    };
    struct Watched {
        std::string usgsId;
        std::int64_t originUtcMs = 0;
        std::int64_t lastLookUtcMs = 0;  // 0: never
        Held detail, file;
        std::string forecastUrl;
        std::optional<UsgsForecast> forecast;
    };
    // One look: the detail, then the forecast where its address is new or it may have changed.
    void Look(Watched& quake, int* requests);
    // Fetches `url` with the validators held for it; the new body, or nothing (unchanged or failed).
    std::optional<std::string> FetchChanged(const std::string& url, std::size_t maxBytes, Held& held, int* requests);

    EventProductReader::Fetch m_fetch;
    DetailUrl m_detailUrl;
    std::map<std::string, Watched> m_quakes;  // by main shock id
};

}  // namespace dravik
