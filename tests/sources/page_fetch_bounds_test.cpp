// A server or a proxy that sends header bytes without end: the fetch gives up at the head's bound, as soon as it
// is passed, without holding what came, and says why as any other failure.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>

#include "sources/page_fetch.h"
#include "tests/common/http_test_server.h"
#include "tests/common/peak_memory.h"
#include "tests/common/scoped_env.h"
#include "tests/common/timing.h"

namespace dravik {
namespace {

using test::HttpResponse;
using test::HttpTestServer;
using test::ScopedEnv;

// Far above what the bounds let through (64 KiB of head, the sockets' buffers), far below what an endless header
// brings in the minute a fetch may take.
constexpr long long kSmall = 16LL << 20;

FetchResult FetchGuarded(const std::string& url) {
    auto fetch = std::async(std::launch::async, [&] { return FetchSource(url); });
    if (fetch.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
        ADD_FAILURE() << url << ": still reading the head after 30 s";
        AbortFetches();
    }
    return fetch.get();
}

TEST(PageFetchBounds, AnEndlessHeaderEndsTheFetchAtItsBound) {
    // The agency itself, and the proxy where the address goes through one (the CONNECT's answer is its flood).
    HttpTestServer server;
    ScopedEnv noProxy("no_proxy", nullptr);
    ScopedEnv noProxyUpper("NO_PROXY", nullptr);
    ScopedEnv allProxy("all_proxy", nullptr);
    ScopedEnv allProxyUpper("ALL_PROXY", nullptr);
    ScopedEnv httpsProxyUpper("HTTPS_PROXY", nullptr);
    const struct {
        const char* name;
        std::string url;
        const char* proxyVariable;
    } routes[] = {
        {"direct", server.Url("/quakes"), "http_proxy"},
        {"through http_proxy", "http://feed-proxy-test.invalid/quakes", "http_proxy"},
        {"tunnel through https_proxy", "https://feed-proxy-test.invalid/quakes", "https_proxy"},
    };
    const struct {
        int flood;
        const char* reason;
    } floods[] = {{1, "header over 64 KiB"}, {2, "more than 100 header lines"}};
    for (const auto& flood : floods) {
        HttpResponse answer;
        answer.headerFlood = flood.flood;
        server.Set("/quakes", answer);
        server.Set("feed-proxy-test.invalid:443", answer);
        for (const auto& route : routes) {
            const std::string what = std::string(route.name) + ", " + flood.reason;
            const bool direct = route.url.rfind(server.Url(""), 0) == 0;
            ScopedEnv proxy(route.proxyVariable, direct ? nullptr : server.Url("").c_str());
            const long long sentBefore = server.FloodBytesSent();
            const FetchResult result = FetchGuarded(route.url);
            EXPECT_FALSE(result.ok) << what;
            EXPECT_EQ(result.failure, FetchFailure::kTooLarge) << what << ": " << result.error;
            EXPECT_EQ(FetchProblem(result), "answer too large") << what;
            EXPECT_NE(result.error.find(flood.reason), std::string::npos) << what << ": " << result.error;
            // The fetch stopped reading: the server got no further than the sockets' buffers.
            EXPECT_LT(server.FloodBytesSent() - sentBefore, kSmall) << what;
            if (test::kMemoryMeaningful) {
                const long long growth = test::PeakGrowthBytes([&] { (void)FetchGuarded(route.url); });
                ASSERT_GE(growth, 0) << what;
                EXPECT_LT(growth, kSmall) << what;
            }
        }
    }
}

}  // namespace
}  // namespace dravik
