#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>

namespace dravik {

// The tsunami messages already notified, each by its id until it expires, kept in a small file of the data
// directory so that a restart does not notify them again. Lines "<expiry UTC ms> <id>", the oldest kept first;
// a broken line is skipped. Worker thread only.
class TsunamiAlertedLog final {
public:
    // More than the centres publish in a week and more than their feeds hold at once. Past it the ids kept last
    // go first, never one the feeds still hold: a flood of new ids only pushes out its own, and a message told
    // once stays told while it is in force.
    static constexpr std::size_t kMaxIds = 256;
    static constexpr std::size_t kMaxFileBytes = 64 * 1024;

    explicit TsunamiAlertedLog(std::string path);

    // Reads the file (at most kMaxFileBytes of it), leaving out what expired by `nowUtcMs`.
    void Load(std::int64_t nowUtcMs);
    bool Has(const std::string& id) const;
    // Keeps the id until `expiresUtcMs`; `held`: the ids the feeds hold now, which are never let go for room.
    // False when there is no room without letting one of them go (the id is then not kept).
    bool Add(const std::string& id, std::int64_t expiresUtcMs, const std::set<std::string>& held = {});
    // Writes the file anew through a temporary one renamed over it, so a crash leaves the old or the new
    // whole, expired ids left out; whether it was written.
    bool Save(std::int64_t nowUtcMs);

private:
    void Prune(std::int64_t nowUtcMs);

    struct Entry {
        std::int64_t expiresUtcMs = 0;
        std::uint64_t order = 0;  // when it was kept: the file's order, then each Add
    };
    std::string m_path;
    std::map<std::string, Entry> m_kept;
    std::uint64_t m_nextOrder = 0;
};

}  // namespace dravik
