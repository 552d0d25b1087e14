#pragma once

#include <cstddef>
#include <string>

namespace dravik {

// Why the event archive could not be written; the user is told which while it lasts.
enum class ArchiveFault {
    kNone,
    kDiskFull,
    kReadOnly,
    kLocked,
    kDamaged,
    // Another failure of the file or the library.
    kOther,
    // The program is ending: the write was given up on purpose and is no fault of the archive.
    kInterrupted,
};

// The outcome of one archive write.
struct ArchiveWriteResult {
    ArchiveFault fault = ArchiveFault::kNone;
    // The library's own words, for the log.
    std::string detail;
    // Rows added; records already in the archive are not counted.
    std::size_t stored = 0;
    // Rows whose values a later report of the same source replaced.
    std::size_t revised = 0;
    // The name a damaged or foreign archive was kept under when a new one was started in its place.
    std::string setAside{};

    bool Ok() const { return fault == ArchiveFault::kNone; }
};

}  // namespace dravik
