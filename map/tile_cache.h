#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace dravik {

// Which tiles the map holds, is fetching, or waits to ask for again, by address. It keeps at most capacity
// tiles in memory, dropping the ones drawn longest ago; a tile that failed is asked for again only after a
// wait that doubles with each failure (from 2 s up to 5 minutes), so a service that is down is never asked
// for the same tile in a loop. Times are milliseconds of any steady clock.
class TileCache final {
public:
    enum class State { kMissing, kLoading, kLoaded, kFailed };

    explicit TileCache(std::size_t capacity);

    // The view needs its tiles in memory at once: a large view raises the bound.
    void SetCapacity(std::size_t capacity) { m_capacity = capacity; }
    State StateOf(const std::string& url) const;
    // Whether the tile should be fetched now; if so it counts as loading from here on.
    bool Claim(const std::string& url, std::int64_t nowMs);
    void Loaded(const std::string& url, std::int64_t nowMs);
    void Failed(const std::string& url, std::int64_t nowMs);
    // A tile that will not be fetched after all (the view moved on before its turn).
    void Abandoned(const std::string& url);
    // The tile was drawn: it is the last to go.
    void Touch(const std::string& url, std::int64_t nowMs);

    // Drops the loaded tiles beyond the capacity, drawn longest ago first, and returns their addresses.
    std::vector<std::string> Trim();
    // Forgets every loaded tile and returns their addresses; failures keep their wait.
    std::vector<std::string> DropLoaded();

    // When a failed tile may be asked for again; -1 for a tile that is not waiting.
    std::int64_t RetryAtMs(const std::string& url) const;
    std::size_t LoadedCount() const { return m_loaded; }

    static std::int64_t RetryDelayMs(int failures);

private:
    struct Entry {
        State state = State::kMissing;
        int failures = 0;
        std::int64_t retryAtMs = 0;
        std::int64_t lastUseMs = 0;
    };
    std::map<std::string, Entry> m_entries;
    std::size_t m_capacity;
    std::size_t m_loaded = 0;
};

// The tile requests waiting for a connection: at most perHost of them run at once for a host, the rest wait
// in the order asked for.
class TileRequestQueue final {
public:
    explicit TileRequestQueue(int perHost = 2) : m_perHost(perHost) {}

    // Once; an address already waiting or running is not added again.
    void Enqueue(const std::string& url);
    // The waiting requests that may start now; they count as running until Finished.
    std::vector<std::string> TakeStartable();
    void Finished(const std::string& url);
    // Drops the waiting requests not in wanted (sorted) and returns them; running ones go on.
    std::vector<std::string> KeepOnly(const std::vector<std::string>& wanted);

    int Running(const std::string& host) const;
    std::size_t Waiting() const { return m_waiting.size(); }

private:
    int m_perHost;
    std::vector<std::string> m_waiting;
    std::map<std::string, std::string> m_running;  // address → host
};

}  // namespace dravik
