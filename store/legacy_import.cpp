#include "store/legacy_import.h"

#include <dirent.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <vector>

#include "platform/charset.h"
#include "store/event_table.h"
#include "store/sqlite2_reader.h"

namespace dravik {
namespace {

// The mode SQLite gives a database file it creates (before the umask), so a converted archive is opened to
// the same people as one the program started itself.
constexpr mode_t kArchiveFileMode = 0644;
constexpr const char kImportInfix[] = ".import-";
constexpr std::size_t kImportSuffixLength = 6;
constexpr const char kImportSuffixChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

const char* const kArchiveColumns[] = {"ID_trz", "ident", "mag", "region", "data1", "data2", "wsp1", "wsp2"};

std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        return std::nullopt;
    }
    return bytes;
}

// A new, empty file "<path>.import-XXXXXX" created with the archive's mode; empty when none could be made.
std::string CreateImportFile(const std::string& path) {
    std::random_device seed;
    std::mt19937 random(seed());
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kImportSuffixChars - 2);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = path + kImportInfix;
        for (std::size_t i = 0; i < kImportSuffixLength; ++i) {
            name += kImportSuffixChars[pick(random)];
        }
        const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, kArchiveFileMode);
        if (fd >= 0) {
            ::close(fd);
            return name;
        }
        if (errno != EEXIST) {
            return {};
        }
    }
    return {};
}

bool StartsWithSqlite2Header(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string head(sizeof kSqlite2HeaderText, '\0');
    return in.read(head.data(), static_cast<std::streamsize>(head.size())) && LooksLikeSqlite2(head);
}

bool Exec(sqlite3* db, const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

// Writes a complete archive (table, indexes, rows) into the new file `path` in one transaction.
bool WriteArchive(const std::string& path, const std::optional<Sqlite2Table>& table) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return false;
    }
    bool ok = Exec(db, "BEGIN") && Exec(db, kCreateEventTableSql);
    for (const char* indexSql : kEventTableIndexSql) {
        ok = ok && Exec(db, indexSql);
    }
    sqlite3_stmt* insert = nullptr;
    ok = ok && sqlite3_prepare_v2(db,
                                  "INSERT INTO trze (ID_trz,ident,mag,region,data1,data2,wsp1,wsp2) "
                                  "VALUES (?,?,?,?,?,?,?,?)",
                                  -1, &insert, nullptr) == SQLITE_OK;
    if (ok && table) {
        // Columns are matched by name, so an old file with another column order still lands right.
        std::vector<int> source;
        for (const char* name : kArchiveColumns) {
            int found = -1;
            for (std::size_t i = 0; i < table->columns.size(); ++i) {
                if (table->columns[i] == name) {
                    found = static_cast<int>(i);
                }
            }
            source.push_back(found);
        }
        for (const Sqlite2Row& row : table->rows) {
            for (int column = 0; column < static_cast<int>(source.size()); ++column) {
                const int from = source[static_cast<std::size_t>(column)];
                if (from < 0 || !row.values[static_cast<std::size_t>(from)]) {
                    sqlite3_bind_null(insert, column + 1);
                } else {
                    const std::string text = Cp1250ToUtf8(*row.values[static_cast<std::size_t>(from)]);
                    sqlite3_bind_text(insert, column + 1, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
                }
            }
            ok = sqlite3_step(insert) == SQLITE_DONE && sqlite3_reset(insert) == SQLITE_OK;
            if (!ok) {
                break;
            }
        }
    }
    sqlite3_finalize(insert);
    ok = ok && Exec(db, "COMMIT");
    return sqlite3_close(db) == SQLITE_OK && ok;
}

// Writes `bytes` into the new file `target`; false, with nothing left behind, when it cannot (errno tells
// EEXIST apart).
bool WriteNewFile(const std::string& target, const std::string& bytes, mode_t mode) {
    const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) {
        return false;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    const bool ok = done == bytes.size() && ::fsync(fd) == 0;
    ::close(fd);
    if (!ok) {
        ::unlink(target.c_str());
        errno = EIO;
    }
    return ok;
}

// Gives the old file its second name without ever replacing an existing file (link() and O_EXCL refuse a
// taken name). The file also keeps its own name until the new archive replaces it in one rename, so there
// is no moment without a "dravik.dat".
bool KeepBeside(const std::string& path, const std::string& bytes) {
    struct stat info = {};
    const mode_t mode = ::stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : kArchiveFileMode;
    for (int n = 0; n < 1000; ++n) {
        const std::string target = path + ".sqlite2" + (n == 0 ? std::string() : "." + std::to_string(n));
        if (::link(path.c_str(), target.c_str()) == 0) {
            return true;
        }
        if (errno == EEXIST) {
            continue;
        }
        // File systems without hard links: a copy of the bytes read.
        if (WriteNewFile(target, bytes, mode)) {
            return true;
        }
        if (errno != EEXIST) {
            return false;
        }
    }
    return false;
}

// "<base>.import-XXXXXX", optionally followed by one of SQLite's journal suffixes.
bool IsImportLeftover(const std::string& name, const std::string& base) {
    const std::string prefix = base + kImportInfix;
    if (name.compare(0, prefix.size(), prefix) != 0 || name.size() < prefix.size() + kImportSuffixLength) {
        return false;
    }
    const std::string suffix = name.substr(prefix.size(), kImportSuffixLength);
    if (suffix.find_first_not_of(kImportSuffixChars) != std::string::npos) {
        return false;
    }
    const std::string rest = name.substr(prefix.size() + kImportSuffixLength);
    return rest.empty() || rest == "-journal" || rest == "-wal" || rest == "-shm";
}

}  // namespace

void RemoveImportLeftovers(const std::string& path) {
    const std::string::size_type slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    DIR* listing = ::opendir(dir.c_str());
    if (listing == nullptr) {
        return;
    }
    std::vector<std::string> leftovers;
    while (const dirent* entry = ::readdir(listing)) {
        if (IsImportLeftover(entry->d_name, base)) {
            leftovers.push_back(dir + "/" + entry->d_name);
        }
    }
    ::closedir(listing);
    for (const std::string& leftover : leftovers) {
        struct stat info = {};
        // Only files: a directory or anything else of that name is not ours.
        if (::lstat(leftover.c_str(), &info) == 0 && (S_ISREG(info.st_mode) || S_ISLNK(info.st_mode))) {
            ::unlink(leftover.c_str());
        }
    }
}

std::string Cp1250ToUtf8(const std::string& text) {
    const std::array<char32_t, 128>& high = HighHalf(SingleByteCharset::Windows1250);
    std::string out;
    out.reserve(text.size());
    for (unsigned char byte : text) {
        // A byte Windows-1250 leaves undefined keeps its value, as the archive's old readers showed it.
        const char32_t code = byte < 0x80 ? byte : high[byte - 0x80u];
        AppendUtf8(code != 0 ? code : byte, &out);
    }
    return out;
}

LegacyImportResult ImportLegacyArchiveIfNeeded(const std::string& path) {
    // What an interrupted conversion left is never complete: the archive takes the new file's name only
    // once it is whole, in one rename.
    RemoveImportLeftovers(path);
    if (!StartsWithSqlite2Header(path)) {
        return LegacyImportResult::NotLegacy;
    }
    const std::optional<std::string> bytes = ReadWholeFile(path);
    if (!bytes) {
        return LegacyImportResult::Failed;
    }
    const std::optional<Sqlite2Table> table = ReadSqlite2Table(*bytes, "trze");

    // The new archive is written under a fresh name first; the old file gets its second name only once the
    // new one is complete, so an interruption at any point leaves the old file where it was.
    const std::string temp = CreateImportFile(path);
    if (temp.empty()) {
        return LegacyImportResult::Failed;
    }
    if (!WriteArchive(temp, table) || !KeepBeside(path, *bytes)) {
        ::unlink(temp.c_str());
        return LegacyImportResult::Failed;
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return LegacyImportResult::Failed;
    }
    return table ? LegacyImportResult::Converted : LegacyImportResult::Unreadable;
}

}  // namespace dravik
