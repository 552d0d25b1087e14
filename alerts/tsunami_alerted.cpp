#include "alerts/tsunami_alerted.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "sources/event_fields.h"

namespace dravik {
namespace {

// An id as the file can hold it: one word of printable bytes.
bool StorableId(const std::string& id) {
    return !id.empty() && id.size() <= kMaxSourceIdBytes &&
           std::none_of(id.begin(), id.end(), [](char c) { return static_cast<unsigned char>(c) <= 0x20; });
}

// At most maxBytes of the file when it is a regular file of its own; anything planted in its place (a FIFO
// would block the worker in open(), a link would read another file) reads as empty.
std::string ReadRegularFile(const std::string& path, std::size_t maxBytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    std::string text;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        text.resize(maxBytes);
        std::size_t done = 0;
        while (done < maxBytes) {
            const ssize_t n = ::read(fd, text.data() + done, maxBytes - done);
            if (n <= 0) {
                break;
            }
            done += static_cast<std::size_t>(n);
        }
        text.resize(done);
    }
    ::close(fd);
    return text;
}

}  // namespace

TsunamiAlertedLog::TsunamiAlertedLog(std::string path) : m_path(std::move(path)) {}

void TsunamiAlertedLog::Load(std::int64_t nowUtcMs) {
    m_kept.clear();
    const std::string text = ReadRegularFile(m_path, kMaxFileBytes);
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) {
            break;  // a line cut off by the size bound (or a crash) is not read
        }
        const std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        const std::size_t blank = line.find(' ');
        if (blank == std::string::npos) {
            continue;
        }
        const std::optional<double> expiry = ReadNumber(std::string_view(line).substr(0, blank));
        const std::string id = line.substr(blank + 1);
        if (expiry && *expiry > static_cast<double>(nowUtcMs) && StorableId(id)) {
            Add(id, static_cast<std::int64_t>(*expiry));
        }
    }
    Prune(nowUtcMs);
}

bool TsunamiAlertedLog::Has(const std::string& id) const {
    return m_kept.count(id) != 0;
}

bool TsunamiAlertedLog::Add(const std::string& id, std::int64_t expiresUtcMs, const std::set<std::string>& held) {
    if (!StorableId(id)) {
        return false;
    }
    if (const auto known = m_kept.find(id); known != m_kept.end()) {
        known->second.expiresUtcMs = std::max(known->second.expiresUtcMs, expiresUtcMs);
        return true;
    }
    if (m_kept.size() >= kMaxIds) {
        // The one kept last that no feed holds: a flood's ids push out each other, never the first warning.
        auto last = m_kept.end();
        for (auto it = m_kept.begin(); it != m_kept.end(); ++it) {
            if (held.count(it->first) == 0 && (last == m_kept.end() || it->second.order > last->second.order)) {
                last = it;
            }
        }
        if (last == m_kept.end()) {
            return false;
        }
        m_kept.erase(last);
    }
    m_kept.emplace(id, Entry{expiresUtcMs, m_nextOrder++});
    return true;
}

void TsunamiAlertedLog::Prune(std::int64_t nowUtcMs) {
    for (auto it = m_kept.begin(); it != m_kept.end();) {
        it = it->second.expiresUtcMs <= nowUtcMs ? m_kept.erase(it) : std::next(it);
    }
}

bool TsunamiAlertedLog::Save(std::int64_t nowUtcMs) {
    Prune(nowUtcMs);
    // In the order they were kept, so that after a restart the same ids are the first to go.
    std::vector<std::pair<std::uint64_t, const std::string*>> order;
    for (const auto& [id, entry] : m_kept) {
        order.emplace_back(entry.order, &id);
    }
    std::sort(order.begin(), order.end());
    std::string text;
    for (const auto& [rank, id] : order) {
        text += std::to_string(m_kept.at(*id).expiresUtcMs) + " " + *id + "\n";
    }
    // A new file of our own beside the record (mkstemp: O_EXCL, 0600), never one planted under a known name.
    std::string temporary = m_path + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    bool written = true;
    for (std::size_t done = 0; written && done < text.size();) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        written = n > 0;
        done += written ? static_cast<std::size_t>(n) : 0;
    }
    written = ::fsync(fd) == 0 && written;
    written = ::close(fd) == 0 && written;
    if (!written || std::rename(temporary.c_str(), m_path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace dravik
