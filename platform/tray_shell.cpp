#include "platform/tray_shell.h"

#include <map>
#include <mutex>

namespace dravik {

unsigned RegisterWindowMessage(const std::string& name) {
    static std::mutex mutex;
    static std::map<std::string, unsigned> numbers;
    const std::lock_guard<std::mutex> lock(mutex);
    const auto found = numbers.find(name);
    if (found != numbers.end()) {
        return found->second;
    }
    const unsigned number = 0xC000u + static_cast<unsigned>(numbers.size());
    numbers.emplace(name, number);
    return number;
}

unsigned TaskbarCreatedMessage() {
    static const unsigned number = RegisterWindowMessage("TaskbarCreated");
    return number;
}

}  // namespace dravik
