#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "alerts/tsunami_alerted.h"
#include "sources/geo.h"
#include "sources/page_fetch.h"
#include "sources/tsunami_feed.h"

namespace dravik {

// How far from a place a warning, watch or threat is the user's danger.
inline constexpr double kTsunamiDangerKm = 1000.0;
// Whether a message is a danger to the user: a warning, watch or threat whose area (the quake's place, as the
// entry gives it) lies within kTsunamiDangerKm of a place; any such when no place is set or it gives no place.
// A danger sounds through quiet hours and its notice is critical.
bool TsunamiDangerAt(const TsunamiMessage& message, const std::vector<Place>& places);

// A message issued further ahead of the sources' clock than this is not one in force (a planted date, 2099).
inline constexpr std::int64_t kTsunamiMaxAheadMs = 3600 * 1000;

// Which of a round's new messages get a notice of their own (dangers first, then in the feeds' order, at most
// kTsunamiSingleNotices) and which are counted in one summary, so a feed that changes at every read cannot flood.
inline constexpr std::size_t kTsunamiSingleNotices = 3;
struct TsunamiNoticePlan {
    std::vector<std::size_t> single;   // indexes into the messages
    std::vector<std::size_t> summary;  // the rest, in their order
};
TsunamiNoticePlan PlanTsunamiNotices(const std::vector<TsunamiMessage>& messages, const std::vector<Place>& places);

// What one read of the centres' feeds brings.
struct TsunamiRound {
    // Live messages not notified before, each once (their ids are then kept in the alerted log); one issued
    // more than kTsunamiMaxAheadMs ahead is neither live nor notified.
    std::vector<TsunamiMessage> toNotify;
    // Every live message the feeds hold now (a feed answering 304 or failing keeps what it held).
    std::vector<TsunamiMessage> live;
    // Per feed address: why it could not be read, or empty when it was; of two feeds of one host that fail,
    // only the first says why, so the host has one problem line.
    std::map<std::string, std::string> problems;
};

// Reads the tsunami warning centres' Atom feeds with conditional requests, keeping each feed's validators and
// messages between reads, and decides which messages to notify. Worker thread only.
class TsunamiWatch final {
public:
    using Fetch = std::function<FetchResult(const std::string& url, const ConditionalRequest& request)>;

    // `alertedPath`: the file of the ids already notified; `fetch` empty: the real conditional fetch.
    explicit TsunamiWatch(std::string alertedPath, Fetch fetch = {});

    TsunamiRound Read(const std::vector<std::string>& urls, std::int64_t nowUtcMs);

private:
    // CAP messages read at most per feed and round, for messages not read before.
    static constexpr std::size_t kMaxCapReads = 4;

    struct FeedState {
        ConditionalRequest validators;
        std::vector<TsunamiMessage> messages;
        // The expiry each message's CAP message gave, by the message's id (bounded by the longest life).
        std::map<std::string, std::int64_t> capExpiry;
    };
    // Reads the CAP messages (on the feed's own host) of the feed's messages that may be live and were not read
    // before.
    void ReadCapExpiry(FeedState& state, const std::string& url, std::int64_t nowUtcMs);

    Fetch m_fetch;
    TsunamiAlertedLog m_alerted;
    bool m_bLoaded = false;
    std::map<std::string, FeedState> m_feeds;
};

}  // namespace dravik
