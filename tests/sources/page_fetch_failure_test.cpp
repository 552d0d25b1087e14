// Why a fetch failed, as the window names it, and the parts of HTTP the sources rely on beyond the body.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "sources/page_fetch.h"
#include "tests/common/http_test_server.h"
#include "tests/common/scoped_env.h"
#include "tests/common/timing.h"

namespace dravik {
namespace {

using test::HttpResponse;
using test::HttpTestServer;
using test::ScopedEnv;

TEST(PageFetchFailure, EachFailureHasItsKind) {
    HttpTestServer server;
    server.Serve("/new", "moved here");
    for (int i = 0; i < 6; ++i) {
        server.Redirect("/r" + std::to_string(i), i == 5 ? "/new" : "/r" + std::to_string(i + 1), 302);
    }
    server.Redirect("/to-file", "file:///etc/passwd");
    server.Redirect("/to-ftp", "ftp://127.0.0.1/x");
    HttpResponse truncated;
    truncated.body = "only part";
    truncated.declaredLength = 1000;
    server.Set("/truncated", truncated);
    HttpResponse big;
    big.streamBytes = 8192;
    server.Set("/big", big);

    const struct {
        std::string url;
        FetchFailure failure;
        std::string problem;
    } cases[] = {
        {server.RefusedUrl("/"), FetchFailure::kCannotConnect, "cannot connect"},
        {server.Url("/r0"), FetchFailure::kTooManyRedirects, "too many redirects"},
        {server.Url("/to-file"), FetchFailure::kRefusedScheme, "not an http or https address"},
        {server.Url("/to-ftp"), FetchFailure::kRefusedScheme, "not an http or https address"},
        {"ftp://127.0.0.1/x", FetchFailure::kRefusedScheme, "not an http or https address"},
        {"not a url", FetchFailure::kRefusedScheme, "not an http or https address"},
        {server.Url("/big"), FetchFailure::kTooLarge, "answer too large"},
        {server.Url("/truncated"), FetchFailure::kOther, "network error"},
    };
    for (const auto& c : cases) {
        const FetchResult result = FetchSource(c.url, 4096);
        EXPECT_FALSE(result.ok) << c.url;
        EXPECT_EQ(result.failure, c.failure) << c.url << ": " << result.error;
        EXPECT_EQ(FetchProblem(result), c.problem) << c.url;
        EXPECT_EQ(FetchFailureNamed(FetchProblem(result)), c.failure) << c.url;
        EXPECT_TRUE(result.body.empty()) << c.url;
    }
    // A redirect refused is never followed.
    EXPECT_EQ(server.RequestCount("/new"), 0);
    // An answer with an error status is no failure of the fetch: its status is the reason.
    const FetchResult missing = FetchSource(server.Url("/nowhere"));
    EXPECT_EQ(missing.failure, FetchFailure::kNone);
    EXPECT_EQ(FetchProblem(missing), "HTTP 404");
    EXPECT_EQ(FetchFailureNamed("HTTP 404"), std::nullopt);
}

// A body announced past its cap is refused on its headers, without waiting for bytes that would not be kept.
TEST(PageFetchFailure, ADeclaredBodyPastItsCapIsRefusedAtOnce) {
    HttpTestServer server;
    HttpResponse huge;
    huge.body = "the start of a gigabyte";
    huge.declaredLength = 1LL << 30;
    huge.hangAfterBody = true;
    server.Set("/huge", huge);
    const auto start = std::chrono::steady_clock::now();
    const FetchResult result = FetchSource(server.Url("/huge"), 4096);
    EXPECT_EQ(result.failure, FetchFailure::kTooLarge);
    EXPECT_EQ(result.status, 200);
    if (test::kTimingMeaningful) {
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    }
}

TEST(PageFetchFailure, GzipBodiesComeDecoded) {
    HttpTestServer server;
    HttpResponse packed;
    packed.body = std::string(
        "\x1f\x8b\x08\x00\x00\x00\x00\x00\x02\x03\xcb\xc9\xcc\x4b\x55\xc8\xcf\x4b\xe5\xca\x01\x31\x4a\xca\xf3\xb9\x00"
        "\x8b\xd7\xf4\x75\x12\x00\x00\x00",
        35);
    packed.headers = {{"Content-Encoding", "gzip"}, {"Content-Type", "text/plain"}};
    server.Set("/packed", packed);
    EXPECT_EQ(FetchPageWhole(server.Url("/packed")), "line one\nline two\n");
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_NE(requests[0].headers.at("accept-encoding").find("gzip"), std::string::npos);
    // The cap counts what the body decodes to.
    EXPECT_EQ(FetchSource(server.Url("/packed"), 10).failure, FetchFailure::kTooLarge);
}

// The validators and the server's clock come from the final answer, and go back as a conditional request.
TEST(PageFetchFailure, ConditionalRequestsAndValidators) {
    HttpTestServer server;
    HttpResponse page;
    page.body = "feed";
    page.headers = {{"ETag", "\"v1\""},
                    {"Last-Modified", "Tue, 08 Dec 2026 10:00:00 GMT"},
                    {"Date", "Tue, 08 Dec 2026 10:49:00 GMT"}};
    server.Set("/feed", page);
    server.Redirect("/old", "/feed");
    HttpResponse same;
    same.status = 304;
    server.Set("/same", same);

    const FetchResult first = FetchSource(server.Url("/old"));
    EXPECT_EQ(first.body, "feed");
    EXPECT_EQ(first.etag, "\"v1\"");
    EXPECT_EQ(first.lastModified, "Tue, 08 Dec 2026 10:00:00 GMT");
    EXPECT_EQ(first.dateUtcMs, 1796726940000);

    const FetchResult again = FetchConditional(server.Url("/same"), {first.etag, first.lastModified});
    EXPECT_TRUE(again.ok);
    EXPECT_EQ(again.status, 304);
    EXPECT_EQ(again.body, "");
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[2].headers.at("if-none-match"), "\"v1\"");
    EXPECT_EQ(requests[2].headers.at("if-modified-since"), "Tue, 08 Dec 2026 10:00:00 GMT");
    // A validator that would break the header line is not sent.
    FetchConditional(server.Url("/same"), {"\"v1\"\r\nX-Injected: 1", ""});
    EXPECT_EQ(server.Requests().back().headers.count("x-injected"), 0u);
    EXPECT_EQ(server.Requests().back().headers.count("if-none-match"), 0u);
}

// no_proxy keeps the named hosts off the proxy; every other host goes through it.
TEST(PageFetchFailure, NoProxyHostsGoDirect) {
    HttpTestServer proxy;
    proxy.Serve("/page", "through the proxy");
    HttpTestServer direct;
    direct.Serve("/page", "direct");
    ScopedEnv httpProxy("http_proxy", proxy.Url("").c_str());
    ScopedEnv noProxyUpper("NO_PROXY", nullptr);
    {
        ScopedEnv noProxy("no_proxy", "example.invalid, 127.0.0.1");
        EXPECT_EQ(FetchPage(direct.Url("/page")), "direct");
    }
    EXPECT_EQ(proxy.RequestCount("/page"), 0);
    {
        ScopedEnv noProxy("no_proxy", "other.invalid");
        EXPECT_EQ(FetchPage("http://www.example.invalid/page"), "through the proxy");
    }
}

}  // namespace
}  // namespace dravik
