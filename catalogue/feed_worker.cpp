#include "catalogue/feed_worker.h"

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>

#include "sources/page_fetch.h"

namespace dravik {

std::atomic<int> g_bFeedRunning{0};

namespace {

// The lowest priority the system allows for a thread (Linux schedules each thread by its own nice value).
void LowerOwnPriority() {
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 19);
}

}  // namespace

FeedWorker::FeedWorker(IFeedCycle& cycle, int pauseSeconds) : m_cycle(cycle), m_pauseSeconds(pauseSeconds) {}

FeedWorker::~FeedWorker() {
    Stop();
}

void FeedWorker::Start() {
    if (m_thread.joinable()) {
        return;
    }
    m_stopRequested = false;
    g_bFeedRunning = 1;
    m_thread = std::thread([this] { FeedWorkerProc(); });
}

void FeedWorker::Stop() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopRequested = true;
        g_bFeedRunning = 0;
    }
    m_wake.notify_all();
    WakeFetches();
    if (m_thread.joinable()) {
        if (m_thread.get_id() == std::this_thread::get_id()) {
            m_thread.detach();  // called from a cycle operation: the loop ends after it
        } else {
            m_thread.join();
        }
    }
}

bool FeedWorker::StopRequested() const {
    return m_stopRequested.load() || g_bFeedRunning.load() == 0;
}

unsigned FeedWorker::FeedWorkerProc() {
    LowerOwnPriority();
    FetchCancelScope cancelOnStop(m_stopRequested);
    while (!StopRequested()) {
        m_cycle.RefreshQuakeList();
        // What the round freed (its pages, parsed reports, archive chunks) goes back to the system, not held
        // by the heap for the next: a first fill of thousands would otherwise stay in the footprint for good.
        malloc_trim(0);
        if (StopRequested()) {
            break;
        }
        m_cycle.ReadQuakeProducts();
        if (StopRequested()) {
            break;
        }
        m_cycle.ReadTsunamiMessages();
        if (StopRequested()) {
            break;
        }
        m_cycle.ReadSolarWind();
        if (StopRequested()) {
            break;
        }
        m_cycle.ReadXRayEvents();

        // Counted from the end of the cycle; Stop() ends it early.
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(m_pauseSeconds);
        std::unique_lock<std::mutex> lock(m_mutex);
        m_wake.wait_until(lock, end, [this] { return m_stopRequested.load(); });
    }
    return 1;
}

}  // namespace dravik
