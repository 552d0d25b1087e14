#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "sources/event_detail.h"

// Which listed quakes have what USGS measured of them read, and how often: run by the feed worker each cycle,
// bounded in quakes, in looks a cycle and in requests a look (EventProductReader). Plain C++, no Qt.
namespace dravik {

// A listed quake worth a look: it reaches III at one of the user's places and USGS knows it.
struct ProductCandidate {
    std::string rowId;  // the list's id of the quake
    std::string usgsId;
    std::int64_t originUtcMs = 0;
};

struct ProductRound {
    // The products held for the candidates, by row id, whether read in this round or before.
    std::map<std::string, std::shared_ptr<const QuakeProducts>> products;
    // The rows whose products changed in this round.
    std::vector<std::string> changed;
    int looks = 0;
    int requests = 0;
};

class QuakeProductWatch final {
public:
    // Quakes followed at once; past it the oldest goes.
    static constexpr std::size_t kMaxQuakes = 20;
    // Quakes looked at in one cycle: a round of news cannot turn into dozens of requests.
    static constexpr int kLooksPerRound = 3;
    // A quake is looked at again after this long in its first hours, when ShakeMap and DYFI change most, and
    // after the longer span from then on (they are still revised for days, a few times a day).
    static constexpr std::int64_t kLookAgainMs = 15 * 60 * 1000;
    static constexpr std::int64_t kEarlyMs = 6 * 3600 * 1000;
    static constexpr std::int64_t kLookAgainLaterMs = 2 * 3600 * 1000;
    // ... and followed for this long after its origin.
    static constexpr std::int64_t kFollowMs = 3 * 24 * 3600 * 1000LL;

    using DetailUrl = std::function<std::string(const std::string& usgsId)>;
    explicit QuakeProductWatch(EventProductReader::Fetch fetch, DetailUrl detailUrl = EventDetailUrl);

    // One cycle's looks: new quakes first, newest first, then the ones longest unseen; `stop` ends it between two.
    ProductRound Read(const std::vector<ProductCandidate>& candidates, std::int64_t nowUtcMs,
                      const std::atomic<bool>* stop = nullptr);
    std::size_t Followed() const { return m_quakes.size(); }

private:
    struct Watched {
        std::unique_ptr<EventProductReader> reader;
        std::string usgsId;
        std::int64_t originUtcMs = 0;
        std::int64_t lastLookUtcMs = 0;  // 0: never
    };

    EventProductReader::Fetch m_fetch;
    DetailUrl m_detailUrl;
    std::map<std::string, Watched> m_quakes;  // by row id
};

}  // namespace dravik
