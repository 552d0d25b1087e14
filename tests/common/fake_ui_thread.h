#pragma once

#include <atomic>
#include <functional>
#include <mutex>

#include "platform/ui_thread.h"

namespace dravik::test {

// Runs each call at once on the calling thread, one at a time as a single UI thread would, and refuses
// calls after Shutdown().
class FakeUiThread final : public IUiThread {
public:
    bool RunOnUiThread(const std::function<void()>& fn) override {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        if (m_bShutDown) {
            ++m_nRefused;
            return false;
        }
        ++m_nCalls;
        fn();
        return true;
    }

    void Shutdown() {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        m_bShutDown = true;
    }

    int Calls() const { return m_nCalls.load(); }
    int Refused() const { return m_nRefused.load(); }

private:
    // Recursive: a call made from inside a call runs directly, as on the real UI thread.
    std::recursive_mutex m_mutex;
    bool m_bShutDown = false;
    std::atomic<int> m_nCalls{0};
    std::atomic<int> m_nRefused{0};
};

}  // namespace dravik::test
