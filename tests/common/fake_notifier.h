#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/notifier.h"

namespace dravik::test {

// Records the notices; Click() runs the activation handler as a click on a notice would, Dismiss() the
// dismissal handler as the user closing a tagged notice would.
class FakeNotifier final : public INotifier {
public:
    void Notify(const DesktopNotice& notice) override { notices.push_back(notice); }
    void SetActivationHandler(std::function<void(const std::string& key)> handler) override {
        m_handler = std::move(handler);
    }
    void SetDismissHandler(std::function<void(const std::string& tag)> handler) override {
        m_dismissed = std::move(handler);
    }
    void Click(const std::string& key) {
        if (m_handler) {
            m_handler(key);
        }
    }
    void Dismiss(const std::string& tag) {
        if (m_dismissed) {
            m_dismissed(tag);
        }
    }

    std::vector<DesktopNotice> notices;

private:
    std::function<void(const std::string&)> m_handler;
    std::function<void(const std::string&)> m_dismissed;
};

}  // namespace dravik::test
