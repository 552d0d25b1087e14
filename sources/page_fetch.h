#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/page_fetcher.h"

namespace dravik {

// The largest body any fetch accepts, and the one the space-weather pages get: they are a few hundred
// kilobytes, so a body far beyond that is refused before it is held (and copied by the readers).
inline constexpr std::size_t kMaxFetchBytes = 32u * 1024 * 1024;
inline constexpr std::size_t kMaxSpaceWeatherBytes = 4u * 1024 * 1024;

// Every fetch below goes through the fetcher of SetPageFetcher (platform/page_fetcher.h); without one it fails.
// One blocking HTTP GET with the application's name as the agent and the proxy from the environment.
// Returns the body of a 2xx answer with every line feed and carriage return removed; the empty text for any
// other status (an error page is the server's words, not the page) and any failure (no connection, more than 5
// redirects or one to another scheme, 15 s to connect or 60 s in all exceeded, a body over maxBytes (at most 32 MiB),
// an error while reading, an abort). Bodies sent gzip-encoded come decoded.
std::string FetchPage(std::string url, std::size_t maxBytes = kMaxFetchBytes);

// The same fetch with the body exactly as served, line feeds and all: for sources whose lines matter (FDSN
// event text) or that are read as a whole (JSON).
std::string FetchPageWhole(std::string url, std::size_t maxBytes = kMaxFetchBytes);

// What one fetch brought: the final response's HTTP status (0 when none arrived) and, when the transfer itself
// succeeded, its body as served. `ok` is false for exactly the failures that make FetchPageWhole empty; the
// body is then empty too, as a cut-off answer is no answer.
struct FetchResult {
    long status = 0;
    std::string body;
    bool ok = false;
    // Why the transfer failed, in the network stack's words; empty when it did not.
    std::string error{};
    // The server's clock: its answer's `Date` header, UTC ms; 0 when it gave none.
    std::int64_t dateUtcMs = 0;
    // The final answer's validators (`ETag`, `Last-Modified`) as sent, for the next conditional request.
    std::string etag{};
    std::string lastModified{};
    // Why the transfer failed, as the status line tells it; kNone when it did not.
    FetchFailure failure = FetchFailure::kNone;
};

// What a conditional GET sends: the validators of the copy held (empty: that header is left out).
struct ConditionalRequest {
    std::string ifNoneMatch{};
    std::string ifModifiedSince{};
};

// An HTTP date ("Tue, 08 Dec 2026 10:49:00 GMT", the IMF-fixdate form every server sends) as UTC ms; nothing
// for any other text.
std::optional<std::int64_t> ReadHttpDate(std::string_view text);

// A 2xx answer, the only kind whose body is the source's news.
bool IsReadable(const FetchResult& page);
// Why a page is not readable, as the status line gives it: "HTTP 503", or the failure's name
// (FetchFailureName), or for a result without a kind its error text.
std::string FetchProblem(const FetchResult& page);

// The failure's name in the log and between the feed and the window, which says it in the user's language:
// "cannot connect", "host not found", "timed out", "TLS error", "too many redirects", "not an http or https
// address", "answer too large", "network error"; empty for kNone.
std::string FetchFailureName(FetchFailure failure);
// The failure a name stands for; nothing for any other text ("HTTP 503", a reader's own words).
std::optional<FetchFailure> FetchFailureNamed(std::string_view name);

// The fetch of FetchPageWhole with its status: for callers that must tell "nothing there" (204, 404) from a
// service error and both from no answer at all.
FetchResult FetchSource(std::string url, std::size_t maxBytes = kMaxFetchBytes);

// FetchSource with If-None-Match / If-Modified-Since: a 304 answer (status 304, ok, empty body) says the copy
// held is still the page.
FetchResult FetchConditional(std::string url, const ConditionalRequest& request, std::size_t maxBytes = kMaxFetchBytes);

// While it lives, fetches on the constructing thread give up (returning the empty text) as soon as `flag`
// is true, including fetches that start after it became true. The owner of a worker thread sets the flag
// and calls WakeFetches() to stop the worker's fetch at once.
class FetchCancelScope final {
public:
    explicit FetchCancelScope(const std::atomic<bool>& flag);
    ~FetchCancelScope();
    FetchCancelScope(const FetchCancelScope&) = delete;
    FetchCancelScope& operator=(const FetchCancelScope&) = delete;

private:
    const std::atomic<bool>* m_previous;
};

// Makes every fetch in progress look at its cancel flag now instead of at its next poll.
void WakeFetches();

// Aborts every fetch in progress, on any thread, at the time of the call; later fetches run as usual.
void AbortFetches();

}  // namespace dravik
