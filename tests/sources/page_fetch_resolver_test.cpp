// A name lookup that does not answer (DNS unreachable) must not hold up a cancelled fetch: closing the program
// and the feed worker's stop wait for the fetch.
#include <dlfcn.h>
#include <netdb.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <future>
#include <mutex>
#include <string>
#include <thread>

#include "sources/page_fetch.h"
#include "tests/common/timing.h"

namespace {

constexpr char kSlowHost[] = "unanswered.invalid";
constexpr char kMissingHost[] = "missing.invalid";

// Never destroyed: a lookup may still wait on them when the program ends.
std::mutex& g_lookupMutex = *new std::mutex;
std::condition_variable& g_lookupWake = *new std::condition_variable;
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

// The program ends by destroying Qt's application object, which joins every name lookup Qt has started: a
// fetch given up during a lookup that never answers must leave none there. Run in a child process of this
// test program, whose end is that of the program.
TEST(PageFetch, AnAbandonedLookupDoesNotHoldUpTheEnd) {
    if (std::getenv("DRAVIK_LOOKUP_CHILD") != nullptr) {
        auto fetch = std::async(std::launch::async, [] { return FetchPage(std::string("http://") + kSlowHost + "/"); });
        {
            std::unique_lock<std::mutex> lock(g_lookupMutex);
            ASSERT_TRUE(g_lookupWake.wait_for(lock, std::chrono::seconds(10), [] { return g_lookupStarted; }));
        }
        AbortFetches();
        ASSERT_EQ(fetch.wait_for(std::chrono::seconds(10)), std::future_status::ready);
        return;  // the lookup is still waiting: the child's end must not wait with it
    }
    std::string self(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", self.data(), self.size() - 1);
    ASSERT_GT(length, 0);
    self.resize(static_cast<std::size_t>(length));
    std::string filter = "--gtest_filter=PageFetch.AnAbandonedLookupDoesNotHoldUpTheEnd";
    char* const argv[] = {self.data(), filter.data(), nullptr};
    std::vector<std::string> environment = {"DRAVIK_LOOKUP_CHILD=1"};
    for (char** e = environ; *e != nullptr; ++e) {
        environment.emplace_back(*e);
    }
    std::vector<char*> envp;
    for (std::string& e : environment) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    ASSERT_EQ(::posix_spawn(&child, self.c_str(), nullptr, nullptr, argv, envp.data()), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    // The lookup waits 30 s; the child's own work takes well under a second.
    EXPECT_LT(seconds, 15.0);
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
