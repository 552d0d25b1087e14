#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "sources/page_fetch.h"
#include "alerts/tsunami_alerted.h"
#include "sources/tsunami_feed.h"

namespace dravik {

// What one read of the centres' feeds brings.
struct TsunamiRound {
    // Live messages not notified before, each once (their ids are then kept in the alerted log).
    std::vector<TsunamiMessage> toNotify;
    // Every live message the feeds hold now (a feed answering 304 or failing keeps what it held).
    std::vector<TsunamiMessage> live;
    // Per feed address: why it could not be read, or empty when it was.
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
    struct FeedState {
        ConditionalRequest validators;
        std::vector<TsunamiMessage> messages;
    };

    Fetch m_fetch;
    TsunamiAlertedLog m_alerted;
    bool m_bLoaded = false;
    std::map<std::string, FeedState> m_feeds;
};

}  // namespace dravik
