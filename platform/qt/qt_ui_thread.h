#pragma once

#include <QObject>
#include <memory>

#include "platform/ui_thread.h"

namespace dravik {

// Carries a worker's call over to the thread this object lives on (construct it on the UI thread) and
// waits for it. Shutdown() must be called on the UI thread before it waits for the worker (joins it): it
// makes later calls return false and releases a worker that is already waiting.
class CQtUiThread final : public QObject, public IUiThread {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CQtUiThread)

public:
    explicit CQtUiThread(QObject* parent = nullptr);
    ~CQtUiThread() override;

    bool RunOnUiThread(const std::function<void()>& fn) override;
    void Shutdown();
    bool IsShutDown() const;

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
};

}  // namespace dravik
