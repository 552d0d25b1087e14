#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace dravik {

// Which tiles the map holds, is fetching, or waits to ask for again, by address. It keeps at most capacity
// tiles and byteBudget bytes of them in memory, dropping the ones drawn longest ago; a tile that failed is asked
// for again only after a wait that doubles with each failure (from 2 s up to 5 minutes), so a service that is
// down is never asked for the same tile in a loop. Times are milliseconds of any steady clock.
class TileCache final {
public:
    // kNoRoom: dropped for want of bytes while in view; not fetched again until the view moves.
    enum class State { kMissing, kLoading, kLoaded, kFailed, kNoRoom };

    TileCache(std::size_t capacity, std::size_t byteBudget);

    // The view needs its tiles in memory at once: a large view raises the bound. The bytes never grow.
    void SetCapacity(std::size_t capacity) { m_capacity = capacity; }
    State StateOf(const std::string& url) const;
    // Whether the tile should be fetched now; if so it counts as loading from here on.
    bool Claim(const std::string& url, std::int64_t nowMs);
    // bytes: what the decoded tile takes in memory.
    void Loaded(const std::string& url, std::int64_t nowMs, std::size_t bytes);
    void Failed(const std::string& url, std::int64_t nowMs);
    // A tile that will not be fetched after all (the view moved on before its turn).
    void Abandoned(const std::string& url);
    // The tile was drawn: it is the last to go.
    void Touch(const std::string& url, std::int64_t nowMs);

    // Drops the loaded tiles beyond the capacity or the bytes, drawn longest ago first, and returns their
    // addresses. Those of inView (sorted) are not fetched again until ViewMoved: a view that needs more than
    // the bytes would otherwise fetch its own tiles round and round.
    std::vector<std::string> Trim(const std::vector<std::string>& inView = {});
    // The tiles that found no room may be fetched again.
    void ViewMoved();
    // Forgets every loaded tile and returns their addresses; failures keep their wait.
    std::vector<std::string> DropLoaded();

    // When a failed tile may be asked for again; -1 for a tile that is not waiting.
    std::int64_t RetryAtMs(const std::string& url) const;
    std::size_t LoadedCount() const { return m_loaded; }
    std::size_t LoadedBytes() const { return m_bytes; }

    static std::int64_t RetryDelayMs(int failures);

private:
    struct Entry {
        State state = State::kMissing;
        int failures = 0;
        std::int64_t retryAtMs = 0;
        std::int64_t lastUseMs = 0;
        std::size_t bytes = 0;
    };
    void Unload(Entry& entry);

    std::map<std::string, Entry> m_entries;
    std::size_t m_capacity;
    std::size_t m_byteBudget;
    std::size_t m_loaded = 0;
    std::size_t m_bytes = 0;
};

// The tile requests waiting for a connection: at most perService of them run at once for a service (its
// sub-domains together), the rest wait in the order asked for. A request that has run slowMs no longer counts
// against the perService, so that a stalled or trickling tile does not hold the service; even so a service never
// has more than twice perService running.
class TileRequestQueue final {
public:
    explicit TileRequestQueue(int perService = 2, std::int64_t slowMs = 3000)
        : m_perService(perService), m_slowMs(slowMs) {}

    // Once; an address already waiting or running is not added again. service: empty for the address's host.
    void Enqueue(const std::string& url, const std::string& service = {});
    // The waiting requests that may start now; they count as running until Finished.
    std::vector<std::string> TakeStartable(std::int64_t nowMs);
    void Finished(const std::string& url);
    // Drops the waiting requests not in wanted (sorted) and returns them; running ones go on.
    std::vector<std::string> KeepOnly(const std::vector<std::string>& wanted);
    // When a running request turns slow while others wait, so that TakeStartable may start more; -1 for never.
    std::int64_t NextSlowAtMs(std::int64_t nowMs) const;

    int Running(const std::string& service) const;
    std::size_t Waiting() const { return m_waiting.size(); }

private:
    struct Request {
        std::string service;
        std::int64_t startedMs = 0;
    };
    // Running for the service, and of those the ones not yet slow.
    std::pair<int, int> Load(const std::string& service, std::int64_t nowMs) const;

    int m_perService;
    std::int64_t m_slowMs;
    // In the order asked for, with their services.
    std::vector<std::pair<std::string, std::string>> m_waiting;
    std::map<std::string, Request> m_running;  // by address
};

}  // namespace dravik
