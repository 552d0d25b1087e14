#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

namespace dravik {

// The tsunami messages already notified, each by its id until it expires, kept in a small file of the data
// directory so that a restart does not notify them again. Lines "<expiry UTC ms> <id>"; a broken line is
// skipped. Worker thread only.
class TsunamiAlertedLog final {
public:
    // More than the centres publish in a week; past it the soonest to expire go first.
    static constexpr std::size_t kMaxIds = 256;
    static constexpr std::size_t kMaxFileBytes = 64 * 1024;

    explicit TsunamiAlertedLog(std::string path);

    // Reads the file (at most kMaxFileBytes of it), leaving out what expired by `nowUtcMs`.
    void Load(std::int64_t nowUtcMs);
    bool Has(const std::string& id) const;
    void Add(const std::string& id, std::int64_t expiresUtcMs);
    // Writes the file anew through a temporary one renamed over it, so a crash leaves the old or the new
    // whole, expired ids left out; whether it was written.
    bool Save(std::int64_t nowUtcMs);

private:
    void Prune(std::int64_t nowUtcMs);

    std::string m_path;
    std::map<std::string, std::int64_t> m_expiry;
};

}  // namespace dravik
