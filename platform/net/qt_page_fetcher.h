#pragma once

#include "platform/page_fetcher.h"

namespace dravik {

// The feed's fetches over Qt's sockets, HTTP/1.1 read by our own bounded reader (CHttpExchange). Each fetch runs
// on the calling thread: its own socket and a local event loop that live only for that call, so nothing of a
// fetch outlives it or belongs to another thread. Needs a QCoreApplication (Qt delivers no events without one); without
// it every fetch fails.
class CQtPageFetcher final : public IPageFetcher {
public:
    CQtPageFetcher() = default;
    CQtPageFetcher(const CQtPageFetcher&) = delete;
    CQtPageFetcher& operator=(const CQtPageFetcher&) = delete;

    PageResponse Fetch(const PageRequest& request) override;
    void WakeAll() override;
};

}  // namespace dravik
