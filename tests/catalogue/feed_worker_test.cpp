#include "catalogue/feed_worker.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "catalogue/push_pump.h"
#include "sources/page_fetch.h"
#include "tests/common/http_test_server.h"
#include "tests/common/timing.h"

namespace dravik {
namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

struct Call {
    char op;
    Clock::time_point start, end;
};

// Records the cycle's operations; the earthquake update may fetch a page.
class RecordingCycle final : public IFeedCycle {
public:
    void RefreshQuakeList() override {
        const auto start = Clock::now();
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_niceInWorker = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()));
        }
        std::string page;
        if (!m_quakeUrl.empty()) {
            page = FetchPage(m_quakeUrl);
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        m_pages.push_back(page);
        m_calls.push_back({'Q', start, Clock::now()});
    }
    void ReadTsunamiMessages() override { Record('T'); }
    void ReadSolarWind() override { Record('S'); }
    void ReadXRayEvents() override { Record('X'); }

    void SetQuakeUrl(const std::string& url) { m_quakeUrl = url; }
    std::vector<Call> Calls() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_calls;
    }
    std::string Order() const {
        std::string order;
        for (const Call& c : Calls()) {
            order += c.op;
        }
        return order;
    }
    std::vector<std::string> Pages() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_pages;
    }
    int NiceInWorker() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_niceInWorker;
    }
    bool WaitForCalls(std::size_t count, double seconds) const {
        const auto until = Clock::now() + std::chrono::duration<double>(seconds);
        while (Calls().size() < count) {
            if (Clock::now() > until) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }

private:
    void Record(char op) {
        const auto now = Clock::now();
        std::lock_guard<std::mutex> lock(m_mutex);
        m_calls.push_back({op, now, now});
    }

    mutable std::mutex m_mutex;
    std::vector<Call> m_calls;
    std::vector<std::string> m_pages;
    std::string m_quakeUrl;
    int m_niceInWorker = -100;
};

TEST(FeedWorker, CyclesInOrderWithThePauseBetween) {
    RecordingCycle cycle;
    FeedWorker worker(cycle, 1);
    const auto started = Clock::now();
    worker.Start();
    EXPECT_EQ(g_bFeedRunning.load(), 1);
    ASSERT_TRUE(cycle.WaitForCalls(9, 5.0));
    worker.Stop();
    EXPECT_EQ(g_bFeedRunning.load(), 0);

    const std::vector<Call> calls = cycle.Calls();
    EXPECT_EQ(cycle.Order().substr(0, 9), "QTSXQTSXQ");
    if (test::kTimingMeaningful) {
        EXPECT_LT(Seconds(calls[0].start - started), 0.5);  // no delay before the first cycle
    }
    // The pause runs from the end of one cycle (the X-ray request) to the start of the next.
    for (std::size_t i : {4u, 8u}) {
        const double pause = Seconds(calls[i].start - calls[i - 1].end);
        EXPECT_GE(pause, 1.0) << i;
        if (test::kTimingMeaningful) {
            EXPECT_LT(pause, 1.5) << i;
        }
    }
    EXPECT_EQ(cycle.NiceInWorker(), 19);  // the lowest priority
    EXPECT_NE(::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid())), 19);
}

// Pushed events are handled at once, also while the poll's fetch hangs; notices that come while a run is going
// make one more run, not one each.
TEST(PushPump, RunsAtOnceWhateverThePollDoes) {
    test::HttpTestServer server;
    server.Stall("/quakes");
    RecordingCycle cycle;
    cycle.SetQuakeUrl(server.Url("/quakes"));
    FeedWorker worker(cycle, 300);
    worker.Start();

    std::mutex mutex;
    std::vector<Clock::time_point> runs;
    std::atomic<bool> holdFirstRun{true};
    PushPump pump([&] {
        {
            std::lock_guard<std::mutex> lock(mutex);
            runs.push_back(Clock::now());
        }
        while (holdFirstRun) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    pump.Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the poll's fetch is hanging by now
    const auto notified = Clock::now();
    pump.Notify();
    const auto count = [&] {
        std::lock_guard<std::mutex> lock(mutex);
        return runs.size();
    };
    while (count() < 1 && Seconds(Clock::now() - notified) < 5.0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    pump.Notify();
    pump.Notify();
    pump.Notify();
    holdFirstRun = false;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const bool pollStillFetching = cycle.Calls().empty();
    pump.Stop();
    worker.Stop();

    ASSERT_EQ(count(), 2U) << "three notices during a run make one more run";
    if (test::kTimingMeaningful) {
        EXPECT_LT(Seconds(runs[0] - notified), 0.5);
    }
    EXPECT_TRUE(pollStillFetching);
    pump.Stop();  // a second stop is harmless
}

TEST(FeedWorker, StopDuringThePauseReturnsAtOnce) {
    RecordingCycle cycle;
    FeedWorker worker(cycle, 300);
    worker.Start();
    ASSERT_TRUE(cycle.WaitForCalls(4, 5.0));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const auto start = Clock::now();
    worker.Stop();
    if (test::kTimingMeaningful) {
        EXPECT_LT(Seconds(Clock::now() - start), 1.0);
    }
    EXPECT_EQ(cycle.Order(), "QTSX");
    worker.Stop();  // a second stop is harmless
}

TEST(FeedWorker, StopDuringAStalledFetchReturnsAtOnce) {
    test::HttpTestServer server;
    server.Stall("/quakes");
    RecordingCycle cycle;
    cycle.SetQuakeUrl(server.Url("/quakes"));
    {
        FeedWorker worker(cycle, 300);
        worker.Start();
        while (server.RequestCount("/quakes") == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const auto start = Clock::now();
        worker.Stop();
        if (test::kTimingMeaningful) {
            EXPECT_LT(Seconds(Clock::now() - start), 1.0);
        }
    }
    // The cancelled fetch came back empty and the rest of the cycle did not run.
    EXPECT_EQ(cycle.Order(), "Q");
    EXPECT_EQ(cycle.Pages(), std::vector<std::string>{""});

    // A worker started afterwards fetches as usual.
    server.Serve("/quakes", "page");
    RecordingCycle second;
    second.SetQuakeUrl(server.Url("/quakes"));
    FeedWorker again(second, 300);
    again.Start();
    ASSERT_TRUE(second.WaitForCalls(4, 5.0));
    again.Stop();
    EXPECT_EQ(second.Pages(), std::vector<std::string>{"page"});
}

TEST(FeedWorker, DestroyedWithoutStartOrWhileRunning) {
    RecordingCycle cycle;
    { FeedWorker idle(cycle, 1); }
    {
        FeedWorker running(cycle, 300);
        running.Start();
        running.Start();  // already running: no second thread
        ASSERT_TRUE(cycle.WaitForCalls(4, 5.0));
    }
    EXPECT_EQ(cycle.Order(), "QTSX");
}

}  // namespace
}  // namespace dravik
