#include "catalogue/push_pump.h"

#include <utility>

namespace dravik {

PushPump::PushPump(std::function<void()> handler) : m_handler(std::move(handler)) {}

PushPump::~PushPump() {
    Stop();
}

void PushPump::Start() {
    if (m_thread.joinable()) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStopping = false;
    }
    m_thread = std::thread([this] { Loop(); });
}

void PushPump::Notify() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bPending = true;
    }
    m_wake.notify_all();
}

void PushPump::Stop() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStopping = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void PushPump::Loop() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_bStopping || m_bPending; });
        if (m_bStopping) {
            return;
        }
        m_bPending = false;
        lock.unlock();
        m_handler();
        lock.lock();
    }
}

}  // namespace dravik
