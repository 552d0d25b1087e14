#include "platform/qt/qt_ui_thread.h"

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

namespace dravik {
namespace {

using namespace std::chrono_literals;

// Runs the UI thread's event loop until done() or a generous deadline.
template <typename Done>
bool PumpUntil(Done done, std::chrono::milliseconds limit = 10s) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

TEST(QtUiThreadTest, WorkerCallRunsOnUiThreadAndHasFinishedWhenItReturns) {
    CQtUiThread ui;
    QThread* uiThread = QThread::currentThread();
    constexpr int kCalls = 200;
    std::atomic<int> wrongThread{0};
    std::atomic<int> notFinished{0};
    std::atomic<bool> workerDone{false};
    int counter = 0;  // touched only on the UI thread; read by the worker after each call

    std::thread worker([&] {
        for (int i = 0; i < kCalls; ++i) {
            bool finished = false;
            const bool ran = ui.RunOnUiThread([&] {
                if (QThread::currentThread() != uiThread) {
                    ++wrongThread;
                }
                if (i % 50 == 0) {
                    std::this_thread::sleep_for(20ms);
                }
                ++counter;
                finished = true;
            });
            if (!ran || !finished) {
                ++notFinished;
            }
        }
        workerDone = true;
    });
    EXPECT_TRUE(PumpUntil([&] { return workerDone.load(); }));
    worker.join();
    EXPECT_EQ(counter, kCalls);
    EXPECT_EQ(wrongThread.load(), 0);
    EXPECT_EQ(notFinished.load(), 0);
}

TEST(QtUiThreadTest, CallOnUiThreadRunsDirectly) {
    CQtUiThread ui;
    int depth = 0;
    bool nested = false;
    EXPECT_TRUE(ui.RunOnUiThread([&] {
        ++depth;
        // A call made from inside a call must not wait for itself.
        nested = ui.RunOnUiThread([&] { depth += 10; });
    }));
    EXPECT_TRUE(nested);
    EXPECT_EQ(depth, 11);  // ran without any event processing
}

TEST(QtUiThreadTest, ShutdownReleasesWaitingWorkerWithoutRunning) {
    auto ui = std::make_unique<CQtUiThread>();
    std::atomic<bool> ran{false};
    std::atomic<bool> entered{false};
    std::atomic<int> result{-1};

    // The UI thread does not process events, as when it is joining the worker.
    std::thread worker([&] {
        entered = true;
        result = ui->RunOnUiThread([&] { ran = true; }) ? 1 : 0;
    });
    while (!entered) {
        std::this_thread::yield();
    }
    std::this_thread::sleep_for(50ms);  // let the worker reach its wait
    ui->Shutdown();
    worker.join();  // would hang if the worker were not released
    EXPECT_EQ(result.load(), 0);

    // The queued call, if any, is dropped; later calls are refused from either thread.
    QCoreApplication::processEvents();
    EXPECT_FALSE(ran.load());
    EXPECT_FALSE(ui->RunOnUiThread([&] { ran = true; }));
    std::thread late([&] { result = ui->RunOnUiThread([&] { ran = true; }) ? 1 : 0; });
    late.join();
    EXPECT_EQ(result.load(), 0);
    EXPECT_FALSE(ran.load());
}

}  // namespace
}  // namespace dravik
