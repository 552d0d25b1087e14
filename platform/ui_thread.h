#pragma once

#include <functional>

namespace dravik {

// How the feed worker reaches the window: a call carried over to the UI thread and waited for.
class IUiThread {
public:
    virtual ~IUiThread() = default;
    // Runs fn on the UI thread and returns after it has finished; runs it directly when called on the UI
    // thread; returns false without running it once the window side has shut down.
    virtual bool RunOnUiThread(const std::function<void()>& fn) = 0;
};

}  // namespace dravik
