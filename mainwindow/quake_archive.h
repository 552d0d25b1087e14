#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/quake_registry.h"
#include "platform/archive_status.h"

// The feed's reports and the archive's rows, each in the other's terms.
namespace dravik {

// Writes the reports to the archive at `path`, all or none: each with its id in the key form, the ids of the
// same quake, the quake another agency's report was taken for, its source and origin.
ArchiveWriteResult StoreQuakeReports(const std::string& path, const std::vector<QuakeEvent>& events,
                                     const std::atomic<bool>* stop);

// The archive's quakes whose origin is at or after `sinceUtcMs`, as the registry takes them: texts, ids, and
// the numbers (read back from the texts) where the origin was kept. `*readable` as LoadArchivedQuakes says.
std::vector<ArchivedQuakeIds> LoadRecentQuakes(const std::string& path, std::int64_t sinceUtcMs,
                                               const std::atomic<bool>* stop, bool* readable = nullptr);

}  // namespace dravik
