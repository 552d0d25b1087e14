#include "platform/page_fetcher.h"

#include <atomic>

namespace dravik {
namespace {

std::atomic<IPageFetcher*> g_fetcher{nullptr};

}  // namespace

void SetPageFetcher(IPageFetcher* fetcher) {
    g_fetcher = fetcher;
}

IPageFetcher* CurrentPageFetcher() {
    return g_fetcher.load();
}

ScopedPageFetcher::ScopedPageFetcher(IPageFetcher& fetcher) : m_previous(g_fetcher.exchange(&fetcher)) {}

ScopedPageFetcher::~ScopedPageFetcher() {
    g_fetcher = m_previous;
}

}  // namespace dravik
