#include "alerts/tsunami_watch.h"

#include <cstdio>
#include <set>
#include <utility>

#include "platform/environment.h"

namespace dravik {

TsunamiWatch::TsunamiWatch(std::string alertedPath, Fetch fetch)
    : m_fetch(std::move(fetch)), m_alerted(std::move(alertedPath)) {
    if (!m_fetch) {
        m_fetch = [](const std::string& url, const ConditionalRequest& request) {
            return FetchConditional(url, request, kMaxTsunamiFeedBytes);
        };
    }
}

TsunamiRound TsunamiWatch::Read(const std::vector<std::string>& urls, std::int64_t nowUtcMs) {
    if (!m_bLoaded) {
        m_alerted.Load(nowUtcMs);
        m_bLoaded = true;
    }
    TsunamiRound round;
    for (const std::string& url : urls) {
        FeedState& state = m_feeds[url];
        const FetchResult page = m_fetch(url, state.validators);
        std::string& problem = round.problems[url];
        if (page.ok && page.status == 304) {
            // Unchanged: what the feed held still stands, and nothing in it is new.
        } else if (IsReadable(page)) {
            bool isFeed = false;
            std::vector<TsunamiMessage> messages = ParseTsunamiFeed(page.body, url, &isFeed);
            if (isFeed) {
                state.messages = std::move(messages);
                state.validators = {page.etag, page.lastModified};
            } else {
                problem = "no Atom feed";
            }
        } else {
            problem = FetchProblem(page);
        }
        for (const TsunamiMessage& message : state.messages) {
            if (IsTsunamiLive(message, nowUtcMs)) {
                round.live.push_back(message);
            }
        }
    }
    std::set<std::string> seen;
    bool added = false;
    for (const TsunamiMessage& message : round.live) {
        // Two feeds may carry one message; the log knows it from then on.
        if (!m_alerted.Has(message.id) && seen.insert(message.id).second) {
            round.toNotify.push_back(message);
            m_alerted.Add(message.id, message.expiresUtcMs);
            added = true;
        }
    }
    if (added && !m_alerted.Save(nowUtcMs)) {
        std::fprintf(stderr, "%s: the tsunami messages notified could not be kept\n", ApplicationName().c_str());
    }
    // Feeds no longer read keep nothing.
    for (auto it = m_feeds.begin(); it != m_feeds.end();) {
        it = round.problems.count(it->first) != 0 ? std::next(it) : m_feeds.erase(it);
    }
    return round;
}

}  // namespace dravik
