#include "sources/page_fetch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "platform/environment.h"
#include "tests/common/http_test_server.h"
#include "tests/common/scoped_env.h"
#include "tests/common/timing.h"

namespace dravik {
namespace {

using test::HttpResponse;
using test::HttpTestServer;
using test::ScopedEnv;
using Clock = std::chrono::steady_clock;

constexpr long long kLimit = 32LL * 1024 * 1024;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

TEST(PageFetch, BodiesAsReturned) {
    HttpTestServer server;
    server.Serve("/lines", "<html>\n<body>\r\nrow one\nrow two</body>");
    server.Serve("/error", "<h1>gone</h1>\n", 404);
    server.Serve("/new", "moved here");
    server.Redirect("/old", "/new");
    for (int i = 0; i < 6; ++i) {
        server.Redirect("/r" + std::to_string(i), i == 5 ? "/new" : "/r" + std::to_string(i + 1), 301);
    }
    HttpResponse bare;
    bare.body = std::string("a\0b", 3);
    server.Set("/binary", bare);

    struct Case {
        std::string url;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {server.Url("/lines"), "<html><body>row onerow two</body>"},  // joined, last line kept
        {server.Url("/error"), ""},                                   // an error page is not the page
        {server.Url("/nowhere"), ""},
        {server.Url("/old"), "moved here"},
        {server.Url("/r1"), "moved here"},  // five redirects
        {server.Url("/r0"), ""},            // six
        {server.Url("/binary"), std::string("a\0b", 3)},
        {server.RefusedUrl("/"), ""},
        {"not a url", ""},
        {"file:///etc/hostname", ""},  // only http and https
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FetchPage(c.url), c.expected) << c.url;
    }
}

TEST(PageFetch, SourceFetchTellsStatusFromFailure) {
    HttpTestServer server;
    server.Serve("/ok", "a\nb\n");
    server.Serve("/empty", "", 204);
    server.Serve("/error", "Error 500: oops\n", 500);
    server.Serve("/new", "moved here");
    server.Redirect("/old", "/new");
    HttpResponse overLimit;
    overLimit.streamBytes = 4097;
    server.Set("/over-limit", overLimit);

    struct Case {
        std::string url;
        FetchResult expected;
    };
    const std::vector<Case> cases = {
        {server.Url("/ok"), {200, "a\nb\n", true}},         {server.Url("/empty"), {204, "", true}},
        {server.Url("/nowhere"), {404, "Not found", true}}, {server.Url("/error"), {500, "Error 500: oops\n", true}},
        {server.Url("/old"), {200, "moved here", true}},  // the status of the last answer
        {server.Url("/over-limit"), {200, "", false}},    // headers came, the body was refused
        {server.RefusedUrl("/"), {0, "", false}},
    };
    for (const Case& c : cases) {
        const FetchResult result = FetchSource(c.url, 4096);
        EXPECT_EQ(result.status, c.expected.status) << c.url;
        EXPECT_EQ(result.body, c.expected.body) << c.url;
        EXPECT_EQ(result.ok, c.expected.ok) << c.url;
        EXPECT_EQ(FetchPageWhole(c.url, 4096), c.expected.status / 100 == 2 ? c.expected.body : "") << c.url;
    }
}

TEST(PageFetch, SendsTheApplicationNameAsAgent) {
    HttpTestServer server;
    server.Serve("/", "ok");
    ASSERT_EQ(FetchPage(server.Url("/")), "ok");
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].headers.at("user-agent"), ApplicationName());
    EXPECT_EQ(ApplicationName(), "dravik");
}

TEST(PageFetch, TakesTheProxyFromTheEnvironment) {
    HttpTestServer proxy;
    proxy.Serve("/page", "through the proxy");
    ScopedEnv httpProxy("http_proxy", proxy.Url("").c_str());
    ScopedEnv noProxy("no_proxy", nullptr);
    ScopedEnv noProxyUpper("NO_PROXY", nullptr);
    // The host does not exist: only a proxy can answer.
    EXPECT_EQ(FetchPage("http://feed-proxy-test.invalid/page"), "through the proxy");
    const auto requests = proxy.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].target, "http://feed-proxy-test.invalid/page");
}

TEST(PageFetch, SizeLimitAndBrokenBodies) {
    HttpTestServer server;
    HttpResponse atLimit;
    atLimit.streamBytes = kLimit;
    server.Set("/at-limit", atLimit);
    HttpResponse overLimit;
    overLimit.streamBytes = kLimit + 1;
    server.Set("/over-limit", overLimit);
    HttpResponse endless;
    endless.streamBytes = -1;
    server.Set("/endless", endless);
    HttpResponse truncated;
    truncated.body = "only part";
    truncated.declaredLength = 1000;
    server.Set("/truncated", truncated);

    EXPECT_EQ(FetchPage(server.Url("/at-limit")).size(), static_cast<std::size_t>(kLimit));
    EXPECT_EQ(FetchPage(server.Url("/over-limit")), "");
    const auto start = Clock::now();
    EXPECT_EQ(FetchPage(server.Url("/endless")), "");  // no Content-Length: cut off while reading
    if (test::kTimingMeaningful) {
        EXPECT_LT(SecondsSince(start), 20.0);
    }
    EXPECT_EQ(FetchPage(server.Url("/truncated")), "");

    // A smaller limit of the caller's (the space-weather pages), never a larger one than the program's.
    HttpResponse small;
    small.streamBytes = 4096;
    server.Set("/small", small);
    EXPECT_EQ(FetchPageWhole(server.Url("/small"), 4096).size(), 4096U);
    EXPECT_EQ(FetchPageWhole(server.Url("/small"), 4095), "");
    EXPECT_EQ(FetchPageWhole(server.Url("/over-limit"), 2 * kMaxFetchBytes), "");
}

constexpr auto kHangGuard = std::chrono::seconds(30);

TEST(PageFetch, AbortEndsAStalledFetchAtOnce) {
    HttpTestServer server;
    server.Stall("/stall");
    HttpResponse hanging;
    hanging.body = "half a page";
    hanging.declaredLength = 5000;
    hanging.hangAfterBody = true;
    server.Set("/hang", hanging);
    server.Serve("/ok", "fine");

    for (const char* path : {"/stall", "/hang"}) {
        auto fetch = std::async(std::launch::async, [&] { return FetchPage(server.Url(path)); });
        while (server.RequestCount(path) == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const auto start = Clock::now();
        AbortFetches();
        // A guard against a hang only; how fast it ends is the timed check below.
        ASSERT_EQ(fetch.wait_for(kHangGuard), std::future_status::ready) << path;
        EXPECT_EQ(fetch.get(), "") << path;
        if (test::kTimingMeaningful) {
            EXPECT_LT(SecondsSince(start), 1.0);
        }
    }
    // Only fetches in progress are aborted.
    EXPECT_EQ(FetchPage(server.Url("/ok")), "fine");
}

TEST(PageFetch, CancelScopeStopsTheThreadsFetches) {
    HttpTestServer server;
    server.Stall("/stall");
    server.Serve("/ok", "fine");
    std::atomic<bool> cancel{false};

    auto fetch = std::async(std::launch::async, [&] {
        FetchCancelScope scope(cancel);
        const std::string first = FetchPage(server.Url("/stall"));
        const std::string second = FetchPage(server.Url("/ok"));  // starts after the flag is set
        return first + second;
    });
    while (server.RequestCount("/stall") == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const auto start = Clock::now();
    cancel = true;
    WakeFetches();
    ASSERT_EQ(fetch.wait_for(kHangGuard), std::future_status::ready);
    EXPECT_EQ(fetch.get(), "");
    if (test::kTimingMeaningful) {
        EXPECT_LT(SecondsSince(start), 1.0);
    }
    EXPECT_EQ(server.RequestCount("/ok"), 0);
    // Another thread's fetches are not touched by the flag.
    EXPECT_EQ(FetchPage(server.Url("/ok")), "fine");
}

}  // namespace
}  // namespace dravik

namespace dravik {
namespace {

// The server's clock comes from the Date every HTTP answer carries; anything else is no date.
TEST(PageFetch, ReadsTheServersDate) {
    EXPECT_EQ(ReadHttpDate(" Tue, 08 Dec 2026 10:49:00 GMT\r\n"), std::optional<std::int64_t>(1796726940000));
    EXPECT_EQ(ReadHttpDate("Sun, 06 Nov 1994 08:49:37 GMT"), std::optional<std::int64_t>(784111777000));
    for (const char* bad : {"", "Sunday, 06-Nov-94 08:49:37 GMT", "Sun, 06 Foo 1994 08:49:37 GMT",
                            "Sun, 06 Nov 1994 08:49:37 CET", "Sun, 36 Nov 1994 08:49:37 GMT"}) {
        EXPECT_EQ(ReadHttpDate(bad), std::nullopt) << bad;
    }
}

}  // namespace
}  // namespace dravik
