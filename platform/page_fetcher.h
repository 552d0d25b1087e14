#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace dravik {

// Why a transfer failed, as the status line tells it; the words of the network stack go in the detail.
enum class FetchFailure {
    kNone,
    kCannotConnect,     // refused, unreachable, reset before an answer
    kHostNotFound,      // the name did not resolve
    kTimedOut,          // 15 s to connect or 60 s in all
    kTls,               // handshake or certificate
    kTooManyRedirects,  // more than 5
    kRefusedScheme,     // anything but http and https, at the start or on a redirect
    kTooLarge,          // the body past its cap
    kOther,             // cut off while reading, a proxy's refusal, anything else
};

// One GET as the feed asks for it.
struct PageRequest {
    std::string url{};
    std::string userAgent{};
    // Validators of the copy held; empty: the header is left out.
    std::string ifNoneMatch{};
    std::string ifModifiedSince{};
    std::size_t maxBytes = 0;
    // Looked at whenever the fetch is woken and at least once a second; true ends the fetch as a failure.
    std::function<bool()> cancelled{};
};

// What came back: the final answer's status (0 when none arrived) and headers, and its body when the transfer
// itself succeeded.
struct PageResponse {
    long status = 0;
    std::string body{};
    bool ok = false;
    FetchFailure failure = FetchFailure::kNone;
    std::string detail{};
    std::string date{};
    std::string etag{};
    std::string lastModified{};
};

// The blocking HTTP client the feed's fetches go through; Fetch may be called on any thread at once.
class IPageFetcher {
public:
    virtual ~IPageFetcher() = default;
    virtual PageResponse Fetch(const PageRequest& request) = 0;
    // Makes every fetch in progress look at its cancel test now.
    virtual void WakeAll() = 0;
};

// The fetcher the program's fetches go through: set by main() (and the test mains) before any thread fetches.
// Not owned; it must outlive every fetch.
void SetPageFetcher(IPageFetcher* fetcher);
IPageFetcher* CurrentPageFetcher();

// Sets a fetcher for its life and puts the previous one back.
class ScopedPageFetcher final {
public:
    explicit ScopedPageFetcher(IPageFetcher& fetcher);
    ~ScopedPageFetcher();
    ScopedPageFetcher(const ScopedPageFetcher&) = delete;
    ScopedPageFetcher& operator=(const ScopedPageFetcher&) = delete;

private:
    IPageFetcher* m_previous;
};

}  // namespace dravik
