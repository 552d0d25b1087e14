#include "sources/page_fetch.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <optional>
#include <string_view>

#include "platform/environment.h"

namespace dravik {
namespace {

thread_local const std::atomic<bool>* t_cancelFlag = nullptr;

std::atomic<std::uint64_t> g_abortGeneration{0};

// A validator goes back to the server in a header line: a long or broken one is not kept.
std::string Validator(std::string_view value) {
    constexpr std::size_t kMaxValidator = 256;
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) {
        value.remove_prefix(1);
    }
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) {
        value.remove_suffix(1);
    }
    if (value.size() > kMaxValidator) {
        return {};
    }
    for (const char c : value) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            return {};
        }
    }
    return std::string(value);
}

bool Cancelled(const std::atomic<bool>* flag, std::uint64_t generation) {
    return g_abortGeneration.load() != generation || (flag != nullptr && flag->load());
}

}  // namespace

FetchCancelScope::FetchCancelScope(const std::atomic<bool>& flag) : m_previous(t_cancelFlag) {
    t_cancelFlag = &flag;
}

FetchCancelScope::~FetchCancelScope() {
    t_cancelFlag = m_previous;
}

void WakeFetches() {
    if (IPageFetcher* fetcher = CurrentPageFetcher()) {
        fetcher->WakeAll();
    }
}

void AbortFetches() {
    ++g_abortGeneration;
    WakeFetches();
}

std::string FetchPage(std::string url, std::size_t maxBytes) {
    std::string page = FetchPageWhole(std::move(url), maxBytes);
    // Lines are joined directly, as a line reader would hand them over.
    page.erase(std::remove_if(page.begin(), page.end(), [](char c) { return c == '\n' || c == '\r'; }), page.end());
    return page;
}

std::string FetchPageWhole(std::string url, std::size_t maxBytes) {
    FetchResult result = FetchSource(std::move(url), maxBytes);
    // An error page's body is the server's words, not the solar wind or a version.
    return IsReadable(result) ? std::move(result.body) : std::string();
}

FetchResult FetchSource(std::string url, std::size_t maxBytes) {
    return FetchConditional(std::move(url), {}, maxBytes);
}

FetchResult FetchConditional(std::string url, const ConditionalRequest& request, std::size_t maxBytes) {
    FetchResult fetched;
    const std::uint64_t generation = g_abortGeneration.load();
    const std::atomic<bool>* flag = t_cancelFlag;
    IPageFetcher* fetcher = CurrentPageFetcher();
    if (Cancelled(flag, generation) || fetcher == nullptr) {
        fetched.failure = FetchFailure::kOther;
        fetched.error = fetcher == nullptr ? "no page fetcher" : "cancelled";
        return fetched;
    }
    PageRequest get;
    get.url = std::move(url);
    get.userAgent = ApplicationName();
    get.ifNoneMatch = Validator(request.ifNoneMatch);
    get.ifModifiedSince = Validator(request.ifModifiedSince);
    get.maxBytes = std::min(maxBytes, kMaxFetchBytes);
    get.cancelled = [flag, generation] { return Cancelled(flag, generation); };
    PageResponse answer = fetcher->Fetch(get);
    fetched.status = answer.status;
    fetched.ok = answer.ok;
    fetched.failure = answer.ok ? FetchFailure::kNone : answer.failure;
    if (fetched.ok) {
        fetched.body = std::move(answer.body);
        fetched.dateUtcMs = ReadHttpDate(answer.date).value_or(0);
        fetched.etag = Validator(answer.etag);
        fetched.lastModified = Validator(answer.lastModified);
    } else {
        if (fetched.failure == FetchFailure::kNone) {
            fetched.failure = FetchFailure::kOther;
        }
        fetched.error = std::move(answer.detail);
    }
    return fetched;
}

bool IsReadable(const FetchResult& page) {
    return page.ok && page.status >= 200 && page.status < 300;
}

std::string FetchProblem(const FetchResult& page) {
    if (page.ok) {
        return "HTTP " + std::to_string(page.status);
    }
    // A result made without a kind (a stand-in's) says what its own words say.
    return page.failure != FetchFailure::kNone ? FetchFailureName(page.failure) : page.error;
}

std::optional<std::int64_t> ReadHttpDate(std::string_view text) {
    // "Tue, 08 Dec 2026 10:49:00 GMT", blanks around it allowed.
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    const std::size_t comma = text.find(", ");
    if (comma == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string rest(text.substr(comma + 2, 24));
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    int day = 0, year = 0, hour = 0, minute = 0, second = 0;
    char month[4] = {};
    char zone[4] = {};
    if (std::sscanf(rest.c_str(), "%2d %3s %4d %2d:%2d:%2d %3s", &day, month, &year, &hour, &minute, &second, zone) !=
            7 ||
        std::string_view(zone) != "GMT") {
        return std::nullopt;
    }
    const auto found = std::find_if(std::begin(kMonths), std::end(kMonths),
                                    [&](const char* m) { return std::string_view(m) == month; });
    if (found == std::end(kMonths) || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60 || year < 1970) {
        return std::nullopt;
    }
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = static_cast<int>(found - std::begin(kMonths));
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    return static_cast<std::int64_t>(::timegm(&tm)) * 1000;
}

}  // namespace dravik

namespace dravik {
namespace {

struct FailureName {
    FetchFailure failure = FetchFailure::kNone;
    const char* name = "";
};

constexpr FailureName kFailureNames[] = {
    {FetchFailure::kCannotConnect, "cannot connect"},
    {FetchFailure::kHostNotFound, "host not found"},
    {FetchFailure::kTimedOut, "timed out"},
    {FetchFailure::kTls, "TLS error"},
    {FetchFailure::kTooManyRedirects, "too many redirects"},
    {FetchFailure::kRefusedScheme, "not an http or https address"},
    {FetchFailure::kTooLarge, "answer too large"},
    {FetchFailure::kOther, "network error"},
};

}  // namespace

std::string FetchFailureName(FetchFailure failure) {
    for (const FailureName& entry : kFailureNames) {
        if (entry.failure == failure) {
            return entry.name;
        }
    }
    return std::string();
}

std::optional<FetchFailure> FetchFailureNamed(std::string_view name) {
    for (const FailureName& entry : kFailureNames) {
        if (name == entry.name) {
            return entry.failure;
        }
    }
    return std::nullopt;
}

}  // namespace dravik
