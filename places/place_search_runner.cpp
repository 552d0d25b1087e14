#include "places/place_search_runner.h"

#include <malloc.h>

#include <utility>

namespace dravik {

PlaceSearchRunner::PlaceSearchRunner(std::string dataDir, Callback callback)
    : m_dataDir(std::move(dataDir)), m_callback(std::move(callback)) {}

PlaceSearchRunner::~PlaceSearchRunner() {
    Stop();
}

void PlaceSearchRunner::Stop() {
    if (m_cancel) {
        m_cancel->store(true);
    }
    // A stopped search looks at its flag every thousand lines: the join is short.
    if (m_thread.joinable()) {
        m_thread.join();
    }
    m_cancel.reset();
}

std::uint64_t PlaceSearchRunner::Start(const std::string& query) {
    Stop();
    const std::uint64_t serial = ++m_serial;
    m_cancel = std::make_shared<std::atomic<bool>>(false);
    m_thread = std::thread([dir = m_dataDir, query, serial, cancel = m_cancel, callback = m_callback] {
        const PlaceSearchResult result = SearchPlaces(dir, query, kPlaceResults, cancel.get());
        if (result.status != PlaceSearchStatus::Cancelled && !cancel->load() && callback) {
            callback(serial, result);
        }
        // The file's buffers were this thread's: its memory goes back to the system rather than waiting in the
        // thread's arena, so the program at rest holds no more than before the search.
        malloc_trim(0);
    });
    return serial;
}

}  // namespace dravik
