#include "platform/qt/qt_ui_thread.h"

#include <QMetaObject>
#include <QThread>
#include <condition_variable>
#include <mutex>

namespace dravik {

// Kept alive by every call in flight, so that a worker still waking up never touches a destroyed object.
struct CQtUiThread::Shared {
    std::mutex mutex;
    std::condition_variable wake;
    bool bShutDown = false;
};

namespace {

// One call carried over to the UI thread. fn points into the waiting worker's frame: it is only used
// while the worker still waits, which the started/abandoned flags guarantee under the mutex.
struct PendingCall {
    const std::function<void()>* fn = nullptr;
    bool bStarted = false;
    bool bDone = false;
    bool bAbandoned = false;
};

}  // namespace

CQtUiThread::CQtUiThread(QObject* parent) : QObject(parent), m_shared(std::make_shared<Shared>()) {}

CQtUiThread::~CQtUiThread() {
    Shutdown();
}

void CQtUiThread::Shutdown() {
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        m_shared->bShutDown = true;
    }
    m_shared->wake.notify_all();
}

bool CQtUiThread::IsShutDown() const {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    return m_shared->bShutDown;
}

bool CQtUiThread::RunOnUiThread(const std::function<void()>& fn) {
    if (QThread::currentThread() == thread()) {
        if (IsShutDown()) {
            return false;
        }
        fn();
        return true;
    }

    std::shared_ptr<Shared> shared = m_shared;
    auto call = std::make_shared<PendingCall>();
    call->fn = &fn;
    {
        std::lock_guard<std::mutex> lock(shared->mutex);
        if (shared->bShutDown) {
            return false;
        }
    }
    const bool bPosted = QMetaObject::invokeMethod(
        this,
        [shared, call] {
            {
                std::lock_guard<std::mutex> lock(shared->mutex);
                if (call->bAbandoned || shared->bShutDown) {
                    return;
                }
                call->bStarted = true;
            }
            (*call->fn)();
            {
                std::lock_guard<std::mutex> lock(shared->mutex);
                call->bDone = true;
            }
            shared->wake.notify_all();
        },
        Qt::QueuedConnection);
    if (!bPosted) {
        return false;
    }

    std::unique_lock<std::mutex> lock(shared->mutex);
    // Once the call has started it runs to its end on the UI thread, and fn must stay alive until then.
    shared->wake.wait(lock, [&] { return call->bDone || (shared->bShutDown && !call->bStarted); });
    if (!call->bDone) {
        call->bAbandoned = true;
        return false;
    }
    return true;
}

}  // namespace dravik
