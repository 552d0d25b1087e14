#pragma once

#include <functional>
#include <vector>

namespace dravik::test {

// Work that must run before the QApplication exists (URL scheme registration, for instance). A test file
// registers it with a static BeforeApplication object; the Qt test main runs the hooks in order.
std::vector<std::function<void()>>& BeforeApplicationHooks();

struct BeforeApplication {
    explicit BeforeApplication(std::function<void()> hook) { BeforeApplicationHooks().push_back(std::move(hook)); }
};

}  // namespace dravik::test
