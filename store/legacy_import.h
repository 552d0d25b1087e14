#pragma once

#include <string>

// Old installations wrote "dravik.dat" as an SQLite 2 file in Windows-1250 text. At start-up such a file
// is converted into the SQLite 3 archive the program now writes, and the old file is kept beside it.
namespace dravik {

enum class LegacyImportResult {
    NotLegacy,   // no SQLite 2 file there (a current archive, another file, or none): nothing done
    Converted,   // rows copied into a new archive; the old file kept as "<name>.sqlite2"
    Unreadable,  // the old file could not be read: kept as "<name>.sqlite2", a new empty archive started
    Failed,      // the new archive could not be written: everything left as it was
};

// Converts the file at `path` when it is an SQLite 2 file. The old file is never deleted or overwritten:
// it is kept as "<path>.sqlite2", or "<path>.sqlite2.1", ".2" ... when that name is taken. The new archive
// gets the mode SQLite gives a database it creates. Files an interrupted conversion left are removed first.
LegacyImportResult ImportLegacyArchiveIfNeeded(const std::string& path);

// Removes "<path>.import-XXXXXX" files, the unfinished archives of an interrupted conversion, and their
// SQLite journals. Only one program may run on the archive while this runs.
void RemoveImportLeftovers(const std::string& path);

// Windows-1250 bytes to UTF-8. The five bytes the code page leaves undefined map to the C1 code points
// of the same number, so no byte is lost.
std::string Cp1250ToUtf8(const std::string& text);

}  // namespace dravik
