#pragma once

#include <QApplication>
#include <chrono>

namespace dravik::test {

// Runs the UI thread's events until done() or the timeout; false on the timeout.
template <typename Done>
bool ProcessEventsUntil(Done done, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

}  // namespace dravik::test
