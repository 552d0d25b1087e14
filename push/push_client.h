#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class QEventLoop;

// EMSC's real-time push: a WebSocket on which every new or updated event arrives as one JSON text.
namespace dravik {

struct PushSettings {
    // Reconnect back-off: from firstDelay, doubling, up to maxDelay; a connection that stayed up for
    // stableAfter starts it over.
    std::chrono::milliseconds firstDelay{1000};
    std::chrono::milliseconds maxDelay{5 * 60 * 1000};
    std::chrono::milliseconds stableAfter{60 * 1000};
    // A connection whose opening handshake has not finished by then is given up and retried.
    std::chrono::milliseconds handshakeTimeout{30 * 1000};
    // Keep-alive: a ping every pingInterval; nothing heard (not even a pong) for silenceLimit drops the
    // connection, which is then retried.
    std::chrono::milliseconds pingInterval{30 * 1000};
    std::chrono::milliseconds silenceLimit{2 * 60 * 1000};
    // A frame or message above this is refused before it is read whole, and the connection is dropped.
    // EMSC's messages are one or two kilobytes.
    std::uint64_t maxMessageBytes = 1024 * 1024;
};

// The wait before the reconnect that follows `failures` earlier failures in a row (0: the first retry):
// firstDelay doubled per failure, capped at maxDelay, less up to a quarter by `jitter` (in [0, 1)) so that
// many clients dropped at once do not come back in step; never below firstDelay. The doubled ranges do not
// overlap, so each wait is longer than the one before until the cap.
std::chrono::milliseconds ReconnectDelay(int failures, double jitter, const PushSettings& settings = {});

// The push client. Its socket lives on a thread of its own with its own event loop; every text message
// is handed, as the bytes received (UTF-8), to `onMessage` on that thread, in the order received. The
// handler should be quick (queue the text for the feed worker) and must not call Stop(). Binary messages
// are ignored. Nothing here reports errors: the client keeps reconnecting until stopped.
//
// A QCoreApplication (or QApplication) must exist while the client runs.
class CPushClient final {
public:
    using MessageHandler = std::function<void(std::string message)>;

    CPushClient(std::string url, MessageHandler onMessage, PushSettings settings = {});
    // Stops the client.
    ~CPushClient();
    CPushClient(const CPushClient&) = delete;
    CPushClient& operator=(const CPushClient&) = delete;

    // Starts the thread and the first connection. False, and nothing started, when the address is empty
    // (push switched off) or not a ws:// or wss:// address. A second call while running does nothing.
    bool Start();
    // Closes the connection whatever it is doing and joins the thread; returns within a second. Safe to
    // call twice, or without Start().
    void Stop();

private:
    void Run();

    const std::string m_url;
    const MessageHandler m_onMessage;
    const PushSettings m_settings;
    std::thread m_thread;
    std::mutex m_mutex;
    QEventLoop* m_loop = nullptr;  // the thread's loop while it runs, under m_mutex
    bool m_stopRequested = false;  // under m_mutex
};

}  // namespace dravik
