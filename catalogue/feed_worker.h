#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace dravik {

// The operations of one polling cycle, carried out by the main window.
class IFeedCycle {
public:
    virtual ~IFeedCycle() = default;
    virtual void RefreshQuakeList() = 0;
    // What the agencies measured of the quakes just listed that matter at the user's places; none by default.
    virtual void ReadQuakeProducts() {}
    // The tsunami warning centres' messages, read after the earthquakes so that a message finds its quake.
    virtual void ReadTsunamiMessages() = 0;
    virtual void ReadSolarWind() = 0;
    virtual void ReadXRayEvents() = 0;
};

// The worker's run flag: 1 from Start() until Stop().
extern std::atomic<int> g_bFeedRunning;

// The feed worker: one thread at the lowest scheduling priority that runs a cycle at once and then one
// cycle after every pause, the pause counted from the end of the cycle before.
//
// Stop() returns within about a second: it wakes the pause and cancels a fetch of the worker's thread. A
// cycle operation that waits for the UI thread must be released by the UI side (its shutdown) before the UI
// thread calls Stop(), or the two would wait for each other.
class FeedWorker final {
public:
    FeedWorker(IFeedCycle& cycle, int pauseSeconds);
    ~FeedWorker();
    FeedWorker(const FeedWorker&) = delete;
    FeedWorker& operator=(const FeedWorker&) = delete;

    // Starts the thread; the first cycle begins at once. A second call while running does nothing.
    void Start();
    // Clears the run flag, wakes the pause, cancels a running fetch and joins the thread.
    void Stop();

private:
    unsigned FeedWorkerProc();
    bool StopRequested() const;

    IFeedCycle& m_cycle;
    const int m_pauseSeconds;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::atomic<bool> m_stopRequested{false};
};

}  // namespace dravik
