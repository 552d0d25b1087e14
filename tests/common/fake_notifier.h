#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/notifier.h"

namespace dravik::test {

// Records the notices; Click() runs the activation handler as a click on a notice would.
class FakeNotifier final : public INotifier {
public:
    void Notify(const DesktopNotice& notice) override { notices.push_back(notice); }
    void SetActivationHandler(std::function<void(const std::string& key)> handler) override {
        m_handler = std::move(handler);
    }
    void Click(const std::string& key) {
        if (m_handler) {
            m_handler(key);
        }
    }

    std::vector<DesktopNotice> notices;

private:
    std::function<void(const std::string&)> m_handler;
};

}  // namespace dravik::test
