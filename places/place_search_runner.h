#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "places/place_search.h"

namespace dravik {

// Runs each search on a thread of its own, so a keystroke never waits for the file: a new search stops the one
// before it (which then reports nothing) and the runner's end stops and joins the last. The callback runs on the
// search's thread with every search that finished.
class PlaceSearchRunner final {
public:
    using Callback = std::function<void(std::uint64_t serial, const PlaceSearchResult& result)>;

    PlaceSearchRunner(std::string dataDir, Callback callback);
    ~PlaceSearchRunner();
    PlaceSearchRunner(const PlaceSearchRunner&) = delete;
    PlaceSearchRunner& operator=(const PlaceSearchRunner&) = delete;

    // Starts a search and returns its serial number, which the callback is given back.
    std::uint64_t Start(const std::string& query);
    void Stop();

private:
    std::string m_dataDir;
    Callback m_callback;
    std::thread m_thread;
    std::shared_ptr<std::atomic<bool>> m_cancel;
    std::uint64_t m_serial = 0;
};

}  // namespace dravik
