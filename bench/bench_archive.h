#pragma once

// What the benchmarks share: a fixed pseudo-random mix and a writer of large generated archives.
#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "store/event_table.h"

namespace dravik::bench {

struct ArchiveRow {
    std::string mag, region, data1, data2, wsp1, wsp2;
};

// The same number always gives the same bits (splitmix64), so every run measures the same archive.
inline std::uint64_t Mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

// Writes rows 0..count-1 of `make` into a new archive at `path`, with the program's table, indexes and identity
// key, in one transaction. Written under a temporary name, so an interrupted run leaves no half archive.
inline void GenerateArchive(const std::string& path, int count, const std::function<ArchiveRow(int)>& make) {
    const std::string partial = path + ".partial";
    std::filesystem::remove(partial);
    CreateEventTable(partial);
    sqlite3* db = nullptr;
    sqlite3_open_v2(partial.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO trze (mag,region,data1,data2,wsp1,wsp2,ident) VALUES (?,?,?,?,?,?,?)", -1,
                       &stmt, nullptr);
    for (int i = 0; i < count; ++i) {
        const ArchiveRow row = make(i);
        const std::string ident = EventIdent(row.mag, row.wsp1, row.wsp2);
        int column = 1;
        for (const std::string* value : {&row.mag, &row.region, &row.data1, &row.data2, &row.wsp1, &row.wsp2, &ident}) {
            sqlite3_bind_text(stmt, column++, value->c_str(), static_cast<int>(value->size()), SQLITE_TRANSIENT);
        }
        sqlite3_step(stmt);
        sqlite3_reset(stmt);
    }
    sqlite3_finalize(stmt);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    std::filesystem::rename(partial, path);
}

}  // namespace dravik::bench
