#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace dravik {

// The road of pushed events, beside the polling worker: a thread that runs its handler as soon as it is told
// events wait, whatever the poll is doing (a fetch that hangs, a catch-up, a big first fill). Notices that
// come while the handler runs make one more run, not one each, so a flood is taken in batches.
//
// Stop() joins the thread; a handler that waits for the UI thread must be released by the UI side (its
// shutdown) first, as with the feed worker.
class PushPump final {
public:
    explicit PushPump(std::function<void()> handler);
    ~PushPump();
    PushPump(const PushPump&) = delete;
    PushPump& operator=(const PushPump&) = delete;

    void Start();
    // Events wait: the handler runs at once, or again right after the run in progress. Any thread.
    void Notify();
    void Stop();

private:
    void Loop();

    std::function<void()> m_handler;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_bPending = false;   // guarded by m_mutex
    bool m_bStopping = false;  // guarded by m_mutex
};

}  // namespace dravik
