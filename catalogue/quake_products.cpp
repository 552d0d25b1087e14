#include "catalogue/quake_products.h"

#include <algorithm>
#include <set>

namespace dravik {
namespace {

// The id goes into an address: only what USGS ids are made of ("us6000jllz", "ci38457511").
bool PlainId(const std::string& id) {
    if (id.empty() || id.size() > 64) {
        return false;
    }
    return std::all_of(id.begin(), id.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
    });
}

}  // namespace

QuakeProductWatch::QuakeProductWatch(EventProductReader::Fetch fetch, DetailUrl detailUrl)
    : m_fetch(std::move(fetch)), m_detailUrl(std::move(detailUrl)) {}

ProductRound QuakeProductWatch::Read(const std::vector<ProductCandidate>& candidates, std::int64_t nowUtcMs,
                                     const std::atomic<bool>* stop) {
    ProductRound round;
    // The candidates within their time, newest first; a quake no longer among them is let go.
    std::vector<const ProductCandidate*> live;
    for (const ProductCandidate& c : candidates) {
        if (PlainId(c.usgsId) && !c.rowId.empty() && nowUtcMs - c.originUtcMs <= kFollowMs) {
            live.push_back(&c);
        }
    }
    std::sort(live.begin(), live.end(),
              [](const ProductCandidate* a, const ProductCandidate* b) { return a->originUtcMs > b->originUtcMs; });
    if (live.size() > kMaxQuakes) {
        live.resize(kMaxQuakes);
    }
    std::set<std::string> wanted;
    for (const ProductCandidate* c : live) {
        wanted.insert(c->rowId);
    }
    for (auto it = m_quakes.begin(); it != m_quakes.end();) {
        it = wanted.count(it->first) ? std::next(it) : m_quakes.erase(it);
    }
    for (const ProductCandidate* c : live) {
        Watched& f = m_quakes[c->rowId];
        if (!f.reader || f.usgsId != c->usgsId) {
            f.reader = std::make_unique<EventProductReader>(c->usgsId, m_detailUrl(c->usgsId));
            f.usgsId = c->usgsId;
            f.lastLookUtcMs = 0;
        }
        f.originUtcMs = c->originUtcMs;
    }

    // Due: never looked at (newest first), then the longest unseen.
    std::vector<std::pair<const std::string*, Watched*>> due;
    for (auto& [rowId, f] : m_quakes) {
        const std::int64_t again = nowUtcMs - f.originUtcMs < kEarlyMs ? kLookAgainMs : kLookAgainLaterMs;
        if (f.lastLookUtcMs == 0 || nowUtcMs - f.lastLookUtcMs >= again) {
            due.emplace_back(&rowId, &f);
        }
    }
    std::sort(due.begin(), due.end(), [](const auto& a, const auto& b) {
        const bool aNew = a.second->lastLookUtcMs == 0, bNew = b.second->lastLookUtcMs == 0;
        if (aNew != bNew) {
            return aNew;
        }
        return aNew ? a.second->originUtcMs > b.second->originUtcMs : a.second->lastLookUtcMs < b.second->lastLookUtcMs;
    });
    for (const auto& [rowId, f] : due) {
        if (round.looks >= kLooksPerRound || (stop != nullptr && stop->load())) {
            break;
        }
        int requests = 0;
        if (f->reader->Read(m_fetch, &requests)) {
            round.changed.push_back(*rowId);
        }
        f->lastLookUtcMs = nowUtcMs;
        ++round.looks;
        round.requests += requests;
    }
    for (const auto& [rowId, f] : m_quakes) {
        if (auto products = f.reader->Products()) {
            round.products.emplace(rowId, std::move(products));
        }
    }
    return round;
}

}  // namespace dravik
