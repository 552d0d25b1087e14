#include "alerts/tsunami_watch.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <utility>

#include "platform/environment.h"
#include "sources/event_fields.h"

namespace dravik {
namespace {

// Live, and not dated past what the sources' clock allows.
bool InForce(const TsunamiMessage& message, std::int64_t nowUtcMs) {
    return message.issuedUtcMs <= nowUtcMs + kTsunamiMaxAheadMs && IsTsunamiLive(message, nowUtcMs);
}

}  // namespace

bool TsunamiDangerAt(const TsunamiMessage& message, const std::vector<Place>& places) {
    if (!IsTsunamiDanger(message.kind)) {
        return false;
    }
    if (places.empty() || !message.hasPosition) {
        return true;
    }
    return std::any_of(places.begin(), places.end(), [&](const Place& place) {
        return GreatCircleKm(place.latitude, place.longitude, message.latitude, message.longitude) <= kTsunamiDangerKm;
    });
}

TsunamiNoticePlan PlanTsunamiNotices(const std::vector<TsunamiMessage>& messages, const std::vector<Place>& places) {
    std::vector<std::size_t> order(messages.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::stable_partition(order.begin(), order.end(),
                          [&](std::size_t i) { return TsunamiDangerAt(messages[i], places); });
    TsunamiNoticePlan plan;
    const std::size_t single = std::min(order.size(), kTsunamiSingleNotices);
    plan.single.assign(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(single));
    plan.summary.assign(order.begin() + static_cast<std::ptrdiff_t>(single), order.end());
    std::sort(plan.summary.begin(), plan.summary.end());
    return plan;
}

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
        ReadCapExpiry(state, url, nowUtcMs);
        for (TsunamiMessage message : state.messages) {
            // The feed keeps its last bulletin after the message expired; the CAP message says when it did.
            if (const auto cap = state.capExpiry.find(message.id); cap != state.capExpiry.end()) {
                message.expiresUtcMs = cap->second;
            }
            if (InForce(message, nowUtcMs)) {
                round.live.push_back(message);
            }
        }
    }
    // A host that fails every feed of it the same way is one problem line, not one a feed.
    std::set<std::pair<std::string, std::string>> failing;
    for (const std::string& url : urls) {
        std::string& problem = round.problems[url];
        if (!problem.empty() && !failing.emplace(SourceHost(url), problem).second) {
            problem.clear();
        }
    }
    std::set<std::string> held;
    for (const TsunamiMessage& message : round.live) {
        held.insert(message.id);
    }
    bool added = false;
    for (const TsunamiMessage& message : round.live) {
        // Two feeds may carry one message; the log knows it from then on. One the log has no room for is not
        // told: told now and forgotten, it would be told again at every read.
        if (!m_alerted.Has(message.id) && m_alerted.Add(message.id, message.expiresUtcMs, held)) {
            round.toNotify.push_back(message);
            added = true;
        }
    }
    if (added && !m_alerted.Save(nowUtcMs)) {
        std::fprintf(stderr, "%s: the tsunami messages notified could not be kept\n", ApplicationName().c_str());
    }
    // Feeds no longer read keep nothing; nor do messages a feed no longer holds.
    for (auto& [url, state] : m_feeds) {
        for (auto it = state.capExpiry.begin(); it != state.capExpiry.end();) {
            const bool stillHeld = std::any_of(state.messages.begin(), state.messages.end(),
                                               [&](const TsunamiMessage& m) { return m.id == it->first; });
            it = stillHeld ? std::next(it) : state.capExpiry.erase(it);
        }
    }
    for (auto it = m_feeds.begin(); it != m_feeds.end();) {
        it = round.problems.count(it->first) != 0 ? std::next(it) : m_feeds.erase(it);
    }
    return round;
}

void TsunamiWatch::ReadCapExpiry(FeedState& state, const std::string& url, std::int64_t nowUtcMs) {
    std::size_t reads = 0;
    for (const TsunamiMessage& message : state.messages) {
        // Only the centre's own host is asked: a feed's link never sends the program elsewhere.
        if (message.capLink.empty() || state.capExpiry.count(message.id) != 0 || !InForce(message, nowUtcMs) ||
            reads >= kMaxCapReads || SourceHost(message.capLink) != SourceHost(url)) {
            continue;
        }
        ++reads;
        const FetchResult cap = m_fetch(message.capLink, ConditionalRequest{});
        if (!IsReadable(cap)) {
            continue;  // tried again next round; meanwhile the entry's own expiry holds
        }
        // A CAP message without an expiry, or one that cannot be read, leaves the entry's; one far ahead is
        // held to a week, as the feed's are.
        const std::optional<std::int64_t> expires = CapExpiresUtcMs(cap.body);
        state.capExpiry[message.id] =
            expires ? std::min(*expires, message.issuedUtcMs + kTsunamiLongestLifeMs) : message.expiresUtcMs;
    }
}

}  // namespace dravik
