#include "feed/page_fetch.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/environment.h"

namespace dravik {
namespace {

constexpr long kMaxRedirects = 5;
constexpr long kConnectTimeoutSeconds = 15;
constexpr long kTransferTimeoutSeconds = 60;
// A fetch looks at its cancel flag at least this often even when nobody wakes it.
constexpr int kPollMilliseconds = 1000;

thread_local const std::atomic<bool>* t_cancelFlag = nullptr;

std::atomic<std::uint64_t> g_abortGeneration{0};

// The fetches in progress, so that they can be woken; a handle leaves before it is freed.
std::mutex g_runningMutex;
std::vector<CURLM*> g_running;

struct Body {
    std::string text;
    curl_off_t received = 0;
    curl_off_t limit = 0;
};

size_t WriteBody(char* data, size_t size, size_t count, void* user) {
    auto* body = static_cast<Body*>(user);
    const size_t bytes = size * count;
    body->received += static_cast<curl_off_t>(bytes);
    if (body->received > body->limit) {
        return 0;  // a short write ends the transfer with an error
    }
    body->text.append(data, bytes);
    return bytes;
}

// A header's value without the blanks around it, when `line` is that header ("ETag: x"); nothing otherwise.
std::optional<std::string_view> HeaderValue(std::string_view line, std::string_view name) {
    if (line.size() <= name.size() || line[name.size()] != ':') {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(line[i])) != name[i]) {
            return std::nullopt;
        }
    }
    std::string_view value = line.substr(name.size() + 1);
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) {
        value.remove_prefix(1);
    }
    while (!value.empty() && (value.back() == '\r' || value.back() == '\n' || value.back() == ' ')) {
        value.remove_suffix(1);
    }
    return value;
}

// A validator goes back to the server in a header line: a long or broken one is not kept.
std::string Validator(std::string_view value) {
    constexpr std::size_t kMaxValidator = 256;
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

// Keeps the last answer's Date and validators (after redirects, the final one's: a status line starts anew).
size_t ReadHeader(char* data, size_t size, size_t count, void* user) {
    const size_t bytes = size * count;
    const std::string_view line(data, bytes);
    auto* fetched = static_cast<FetchResult*>(user);
    if (line.substr(0, 5) == "HTTP/") {
        fetched->dateUtcMs = 0;
        fetched->etag.clear();
        fetched->lastModified.clear();
    } else if (const auto date = HeaderValue(line, "date")) {
        fetched->dateUtcMs = ReadHttpDate(*date).value_or(0);
    } else if (const auto etag = HeaderValue(line, "etag")) {
        fetched->etag = Validator(*etag);
    } else if (const auto modified = HeaderValue(line, "last-modified")) {
        fetched->lastModified = Validator(*modified);
    }
    return bytes;
}

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

class RunningFetch final {
public:
    explicit RunningFetch(CURLM* multi) : m_multi(multi) {
        std::lock_guard<std::mutex> lock(g_runningMutex);
        g_running.push_back(m_multi);
    }
    ~RunningFetch() {
        std::lock_guard<std::mutex> lock(g_runningMutex);
        g_running.erase(std::find(g_running.begin(), g_running.end(), m_multi));
    }
    RunningFetch(const RunningFetch&) = delete;
    RunningFetch& operator=(const RunningFetch&) = delete;

private:
    CURLM* m_multi;
};

bool Cancelled(std::uint64_t generation) {
    return g_abortGeneration.load() != generation || (t_cancelFlag != nullptr && t_cancelFlag->load());
}

// Runs the transfer, giving up when it is cancelled; the easy handle's own result otherwise.
CURLcode Transfer(CURL* easy, std::uint64_t generation) {
    CURLM* multi = curl_multi_init();
    if (multi == nullptr) {
        return CURLE_OUT_OF_MEMORY;
    }
    CURLcode result = CURLE_ABORTED_BY_CALLBACK;
    if (curl_multi_add_handle(multi, easy) == CURLM_OK) {
        {
            // Registered before the first look at the flags, so a wake-up after it is never lost.
            RunningFetch running(multi);
            int active = 1;
            while (!Cancelled(generation)) {
                if (curl_multi_perform(multi, &active) != CURLM_OK) {
                    result = CURLE_FAILED_INIT;
                    break;
                }
                if (active == 0) {
                    int left = 0;
                    const CURLMsg* message = curl_multi_info_read(multi, &left);
                    result =
                        message != nullptr && message->msg == CURLMSG_DONE ? message->data.result : CURLE_RECV_ERROR;
                    break;
                }
                if (curl_multi_poll(multi, nullptr, 0, kPollMilliseconds, nullptr) != CURLM_OK) {
                    result = CURLE_FAILED_INIT;
                    break;
                }
            }
        }
        curl_multi_remove_handle(multi, easy);
    }
    curl_multi_cleanup(multi);
    return result;
}

}  // namespace

FetchCancelScope::FetchCancelScope(const std::atomic<bool>& flag) : m_previous(t_cancelFlag) {
    t_cancelFlag = &flag;
}

FetchCancelScope::~FetchCancelScope() {
    t_cancelFlag = m_previous;
}

void WakeFetches() {
    std::lock_guard<std::mutex> lock(g_runningMutex);
    for (CURLM* multi : g_running) {
        curl_multi_wakeup(multi);
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
    if (Cancelled(generation)) {
        return fetched;
    }
    InitCurlOnce();
    CURL* easy = curl_easy_init();
    if (easy == nullptr) {
        return fetched;
    }
    Body body;
    body.limit = static_cast<curl_off_t>(std::min(maxBytes, kMaxFetchBytes));
    const std::string agent = ApplicationName();
    // No CURLOPT_PROXY: libcurl then takes the proxy from http_proxy, https_proxy and no_proxy.
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_USERAGENT, agent.c_str());
    curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    curl_easy_setopt(easy, CURLOPT_TIMEOUT, kTransferTimeoutSeconds);
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, body.limit);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    // A cancelled or timed-out fetch leaves a name lookup still running to itself instead of waiting for it:
    // the system's resolver cannot be interrupted and may take tens of seconds when DNS does not answer.
    curl_easy_setopt(easy, CURLOPT_QUICK_EXIT, 1L);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, WriteBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, ReadHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &fetched);
    curl_slist* headers = nullptr;
    const std::string ifNoneMatch = Validator(request.ifNoneMatch);
    const std::string ifModifiedSince = Validator(request.ifModifiedSince);
    if (!ifNoneMatch.empty()) {
        headers = curl_slist_append(headers, ("If-None-Match: " + ifNoneMatch).c_str());
    }
    if (!ifModifiedSince.empty()) {
        headers = curl_slist_append(headers, ("If-Modified-Since: " + ifModifiedSince).c_str());
    }
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);

    const CURLcode result = Transfer(easy, generation);
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &fetched.status);
    curl_easy_cleanup(easy);
    curl_slist_free_all(headers);
    fetched.ok = result == CURLE_OK;
    if (fetched.ok) {
        fetched.body = std::move(body.text);
    } else {
        fetched.error = curl_easy_strerror(result);
    }
    return fetched;
}

bool IsReadable(const FetchResult& page) {
    return page.ok && page.status >= 200 && page.status < 300;
}

std::string FetchProblem(const FetchResult& page) {
    return page.ok ? "HTTP " + std::to_string(page.status) : page.error;
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
