#include "map/tile_cache.h"

#include <algorithm>

#include "map/tile_source.h"

namespace dravik {

namespace {
constexpr std::int64_t kFirstRetryMs = 2000;
constexpr std::int64_t kLongestRetryMs = 5 * 60 * 1000;
}  // namespace

TileCache::TileCache(std::size_t capacity, std::size_t byteBudget) : m_capacity(capacity), m_byteBudget(byteBudget) {}

std::int64_t TileCache::RetryDelayMs(int failures) {
    std::int64_t delay = kFirstRetryMs;
    for (int i = 1; i < failures && delay < kLongestRetryMs; ++i) {
        delay *= 2;
    }
    return std::min(delay, kLongestRetryMs);
}

TileCache::State TileCache::StateOf(const std::string& url) const {
    const auto it = m_entries.find(url);
    return it == m_entries.end() ? State::kMissing : it->second.state;
}

bool TileCache::Claim(const std::string& url, std::int64_t nowMs) {
    Entry& entry = m_entries[url];
    if (entry.state == State::kLoading || entry.state == State::kLoaded || entry.state == State::kNoRoom ||
        (entry.state == State::kFailed && nowMs < entry.retryAtMs)) {
        return false;
    }
    entry.state = State::kLoading;
    entry.lastUseMs = nowMs;
    return true;
}

void TileCache::Unload(Entry& entry) {
    if (entry.state == State::kLoaded) {
        --m_loaded;
        m_bytes -= entry.bytes;
    }
    entry.bytes = 0;
}

void TileCache::Loaded(const std::string& url, std::int64_t nowMs, std::size_t bytes) {
    Entry& entry = m_entries[url];
    Unload(entry);
    ++m_loaded;
    m_bytes += bytes;
    entry = Entry{State::kLoaded, 0, 0, nowMs, bytes};
}

void TileCache::Failed(const std::string& url, std::int64_t nowMs) {
    Entry& entry = m_entries[url];
    Unload(entry);
    entry.state = State::kFailed;
    ++entry.failures;
    entry.retryAtMs = nowMs + RetryDelayMs(entry.failures);
}

void TileCache::Abandoned(const std::string& url) {
    const auto it = m_entries.find(url);
    if (it == m_entries.end() || it->second.state != State::kLoading) {
        return;
    }
    // Back to where it was before the claim: a failed tile keeps its count of failures.
    if (it->second.failures > 0) {
        it->second.state = State::kFailed;
    } else {
        m_entries.erase(it);
    }
}

void TileCache::Touch(const std::string& url, std::int64_t nowMs) {
    const auto it = m_entries.find(url);
    if (it != m_entries.end()) {
        it->second.lastUseMs = nowMs;
    }
}

std::vector<std::string> TileCache::Trim(const std::vector<std::string>& inView) {
    std::vector<std::string> dropped;
    if (m_loaded <= m_capacity && m_bytes <= m_byteBudget) {
        return dropped;
    }
    std::vector<std::pair<std::int64_t, std::string>> loaded;
    for (const auto& [url, entry] : m_entries) {
        if (entry.state == State::kLoaded) {
            loaded.emplace_back(entry.lastUseMs, url);
        }
    }
    std::sort(loaded.begin(), loaded.end());
    for (std::size_t i = 0; i < loaded.size() && (m_loaded > m_capacity || m_bytes > m_byteBudget); ++i) {
        const std::string& url = loaded[i].second;
        const auto it = m_entries.find(url);
        Unload(it->second);
        if (std::binary_search(inView.begin(), inView.end(), url)) {
            it->second.state = State::kNoRoom;
        } else {
            m_entries.erase(it);
        }
        dropped.push_back(url);
    }
    return dropped;
}

void TileCache::ViewMoved() {
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        it = it->second.state == State::kNoRoom ? m_entries.erase(it) : std::next(it);
    }
}

std::vector<std::string> TileCache::DropLoaded() {
    std::vector<std::string> dropped;
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (it->second.state == State::kLoaded) {
            dropped.push_back(it->first);
            it = m_entries.erase(it);
        } else if (it->second.state == State::kNoRoom) {
            it = m_entries.erase(it);
        } else {
            ++it;
        }
    }
    m_loaded = 0;
    m_bytes = 0;
    return dropped;
}

std::int64_t TileCache::RetryAtMs(const std::string& url) const {
    const auto it = m_entries.find(url);
    return it != m_entries.end() && it->second.state == State::kFailed ? it->second.retryAtMs : -1;
}

void TileRequestQueue::Enqueue(const std::string& url, const std::string& service) {
    const bool waiting =
        std::any_of(m_waiting.begin(), m_waiting.end(), [&url](const auto& w) { return w.first == url; });
    if (m_running.count(url) != 0 || waiting) {
        return;
    }
    m_waiting.emplace_back(url, service.empty() ? HostOfUrl(url) : service);
}

std::vector<std::string> TileRequestQueue::TakeStartable(std::int64_t nowMs) {
    std::vector<std::string> started;
    for (auto it = m_waiting.begin(); it != m_waiting.end();) {
        const auto [running, counted] = Load(it->second, nowMs);
        if (counted < m_perService && running < 2 * m_perService) {
            m_running.emplace(it->first, Request{it->second, nowMs});
            started.push_back(it->first);
            it = m_waiting.erase(it);
        } else {
            ++it;
        }
    }
    return started;
}

std::int64_t TileRequestQueue::NextSlowAtMs(std::int64_t nowMs) const {
    std::int64_t next = -1;
    if (m_waiting.empty()) {
        return next;
    }
    for (const auto& [url, request] : m_running) {
        const std::int64_t slowAt = request.startedMs + m_slowMs;
        if (slowAt > nowMs && (next < 0 || slowAt < next)) {
            next = slowAt;
        }
    }
    return next;
}

std::pair<int, int> TileRequestQueue::Load(const std::string& service, std::int64_t nowMs) const {
    int running = 0;
    int counted = 0;
    for (const auto& [url, request] : m_running) {
        if (request.service == service) {
            ++running;
            counted += nowMs - request.startedMs < m_slowMs ? 1 : 0;
        }
    }
    return {running, counted};
}

void TileRequestQueue::Finished(const std::string& url) {
    m_running.erase(url);
}

std::vector<std::string> TileRequestQueue::KeepOnly(const std::vector<std::string>& wanted) {
    std::vector<std::string> dropped;
    auto keep = std::stable_partition(m_waiting.begin(), m_waiting.end(), [&wanted](const auto& w) {
        return std::binary_search(wanted.begin(), wanted.end(), w.first);
    });
    for (auto it = keep; it != m_waiting.end(); ++it) {
        dropped.push_back(it->first);
    }
    m_waiting.erase(keep, m_waiting.end());
    return dropped;
}

int TileRequestQueue::Running(const std::string& service) const {
    int count = 0;
    for (const auto& [url, request] : m_running) {
        count += request.service == service ? 1 : 0;
    }
    return count;
}

}  // namespace dravik
