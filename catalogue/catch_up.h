#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "sources/page_fetch.h"
#include "sources/quake_parser.h"

// Reading what a source listed while the program was not running: FDSN event services are paged by time from
// a start time on; USGS summary feeds are fixed windows, so a wider window of the same feed is read instead.
namespace dravik {

// How far back a catch-up reaches without an archive, and at most; the largest page FDSN services serve.
inline constexpr int kCatchUpFirstDays = 1;
inline constexpr int kCatchUpMaxDays = 30;
inline constexpr int kCatchUpPageLimit = 1000;
// Pages asked for in one catch-up at most, whatever a service answers.
inline constexpr std::size_t kCatchUpMaxPages = 10000;

// Whether `url` is an http or https address whose path (before any `?` or `#`) ends in
// `/fdsnws/event/1/query`, on any host and port.
bool IsFdsnEventService(const std::string& url);

// The source's address asking for its events from `startUtcMs` on, oldest first, `limit` (clamped to 1..1000)
// at a time: `starttime`, `start`, `endtime`, `end`, `limit`, `offset` and `orderby` (in any case) are
// dropped and `starttime=YYYY-MM-DDThh:mm:ss.sss&orderby=time-asc&limit=N` added after the parameters kept,
// which keep their order.
std::string FdsnCatchUpUrl(const std::string& url, std::int64_t startUtcMs, int limit);

// For a USGS summary feed (`.../summary/<level>_<window>.geojson`, level significant, 4.5, 2.5, 1.0 or all,
// window hour, day, week or month): the same feed in the narrowest window at least as wide as its own that
// covers `gapMs` (hour, 24 hours, 7 days, 30 days), the month when none does. Any other address unchanged.
std::string UsgsCatchUpUrl(const std::string& url, std::int64_t gapMs);

// Where a catch-up starts: an hour before the source's completeness mark (reports come in late), else
// `firstDays` before now; never more than `maxDays` before now, never after now. Day counts below 1 count as 1.
std::int64_t CatchUpStartMs(std::optional<std::int64_t> markMs, std::int64_t nowMs, int firstDays, int maxDays);

// The source's address for the reports from `startUtcMs` to `endUtcMs` (both inclusive; nothing: open),
// `limit` at a time, skipping the first `offset` (0: none; FDSN counts from 1, so offset k asks from k + 1);
// with `updatedAfter`, only those published or changed after it (`updatedafter`, which not every service offers).
std::string FdsnWindowUrl(const std::string& url, std::int64_t startUtcMs, std::optional<std::int64_t> endUtcMs,
                          int limit, std::size_t offset, std::optional<std::int64_t> updatedAfter = std::nullopt);

struct CatchUpResult {
    bool reached = false;             // every report from the start on was read
    std::size_t pages = 0;            // pages asked for
    std::size_t events = 0;           // events handed over
    std::int64_t newestOriginMs = 0;  // of the events handed over that carry numbers; 0 when none did
    // Every report with an origin from the start up to before this was handed over (the start: none for sure).
    std::int64_t completeUtcMs = 0;
    // The service did not page as asked (newest first whatever was asked, or outside the window asked for), so
    // the gap was walked in windows of time.
    bool walkedWindows = false;
    // A second that still held `limit` reports after paging by offset (a service without offset): the start
    // of the first such second; what lay beyond the limit in it could not be read.
    std::optional<std::int64_t> cutSecondMs;
    // Why it ended before the end: "HTTP 500", the fetch's error, "stopped"; empty when reached.
    std::string problem;
    // It handed over `maxEvents` and stopped there, to go on from completeUtcMs.
    bool bounded = false;
    // A window came back holding reports after its end (by more than a second, what rounding explains): the
    // service does not answer the window asked for, so its pages prove nothing of it. Not reached.
    bool ignoresWindow = false;
};

// Pages through an FDSN event service from `startUtcMs` on, one request at a time, `limit` events a page
// (clamped as in FdsnCatchUpUrl), oldest first. Each page is read by `parse` (given the source's `url`); its
// events not handed over before (by eventId) go to `onPage`, which a page bringing nothing new does not call.
// The next page starts at the newest origin time read (reports at that time come again and count once).
// A page that is not oldest first or holds reports outside the window asked for, and a full page all at one
// time, make the rest of the gap walked in windows (`starttime`/`endtime`) up to `endUtcMs` (nothing: the
// newest origin the service showed): a window that comes back full is halved, down to one second, which is
// then paged by `offset`; a window whose answer lies outside it ends the walk (ignoresWindow). It ends reached on a
// short page or window past the end, a 204 or 404 answer (no data), a 2xx page without events; not reached on a failed
// transfer, any other status, `stop` returning true (asked before every request) or after kCatchUpMaxPages pages; nor,
// `bounded`, once it has handed over `maxEvents` (0: no bound), so a caller can list and store a long catch-up a part
// at a time.
CatchUpResult RunFdsnCatchUp(
    const std::string& url, std::int64_t startUtcMs, std::optional<std::int64_t> endUtcMs, int limit,
    const std::function<FetchResult(const std::string&)>& fetch,
    const std::function<std::vector<QuakeEvent>(const std::string& body, const std::string& url)>& parse,
    const std::function<void(std::vector<QuakeEvent>)>& onPage, const std::function<bool()>& stop,
    std::size_t maxEvents = 0);

// The same, open-ended.
CatchUpResult RunFdsnCatchUp(
    const std::string& url, std::int64_t startUtcMs, int limit,
    const std::function<FetchResult(const std::string&)>& fetch,
    const std::function<std::vector<QuakeEvent>(const std::string& body, const std::string& url)>& parse,
    const std::function<void(std::vector<QuakeEvent>)>& onPage, const std::function<bool()>& stop);

}  // namespace dravik
