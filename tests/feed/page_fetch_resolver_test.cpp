// A name lookup that does not answer (DNS unreachable) must not hold up a cancelled fetch: closing the program
// and the feed worker's stop wait for the fetch.
#include <dlfcn.h>
#include <netdb.h>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <future>
#include <mutex>
#include <string>
#include <thread>

#include "feed/page_fetch.h"
#include "tests/common/timing.h"

namespace {

constexpr char kSlowHost[] = "unanswered.invalid";
constexpr char kMissingHost[] = "missing.invalid";

std::mutex g_lookupMutex;
std::condition_variable g_lookupWake;
bool g_lookupStarted = false;
bool g_lookupReleased = false;

}  // namespace

// Stands in for the C library's lookup in this test program: the one host above waits like a resolver whose
// DNS server never answers (until the test releases it); every other name is looked up as usual.
extern "C" int getaddrinfo(const char* node, const char* service, const struct addrinfo* hints, struct addrinfo** res) {
    using Lookup = int (*)(const char*, const char*, const struct addrinfo*, struct addrinfo**);
    static const auto real = reinterpret_cast<Lookup>(::dlsym(RTLD_NEXT, "getaddrinfo"));
    if (node != nullptr && std::strcmp(node, kSlowHost) == 0) {
        std::unique_lock<std::mutex> lock(g_lookupMutex);
        g_lookupStarted = true;
        g_lookupWake.notify_all();
        g_lookupWake.wait_for(lock, std::chrono::seconds(30), [] { return g_lookupReleased; });
        return EAI_AGAIN;
    }
    if (node != nullptr && std::strcmp(node, kMissingHost) == 0) {
        return EAI_NONAME;
    }
    return real != nullptr ? real(node, service, hints, res) : EAI_SYSTEM;
}

namespace dravik {
namespace {

TEST(PageFetch, AbortDoesNotWaitForAnUnansweredNameLookup) {
    auto fetch = std::async(std::launch::async, [] { return FetchPage(std::string("http://") + kSlowHost + "/"); });
    {
        std::unique_lock<std::mutex> lock(g_lookupMutex);
        ASSERT_TRUE(g_lookupWake.wait_for(lock, std::chrono::seconds(10), [] { return g_lookupStarted; }));
    }
    const auto start = std::chrono::steady_clock::now();
    AbortFetches();
    const bool ready = fetch.wait_for(std::chrono::seconds(3)) == std::future_status::ready;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    {
        std::lock_guard<std::mutex> lock(g_lookupMutex);
        g_lookupReleased = true;
    }
    g_lookupWake.notify_all();
    ASSERT_TRUE(ready) << "the abort waited for the lookup";
    EXPECT_EQ(fetch.get(), "");
    if (test::kTimingMeaningful) {
        EXPECT_LT(seconds, 2.0);
    }
}

// A name that does not exist is told apart from a server that does not answer.
TEST(PageFetch, AMissingHostIsNamedSo) {
    const FetchResult result = FetchSource(std::string("http://") + kMissingHost + "/");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.failure, FetchFailure::kHostNotFound) << result.error;
    EXPECT_EQ(FetchProblem(result), "host not found");
}

}  // namespace
}  // namespace dravik
