#pragma once

#include <string>

// Table trze: every earthquake the program has seen, one row per identity key (magnitude and coordinates).
namespace dravik {

// The table's schema text, exactly as every existing file holds it.
inline constexpr char kCreateEventTableSql[] =
    "CREATE TABLE trze (ID_trz INTEGER,ident  varchar(31),mag    varchar(4),region varchar(40),"
    "data1 varchar(15),data2 varchar(15),wsp1 varchar(8),wsp2 varchar(8))";

// Indexes for the duplicate check (ident), the history range query (data1, then data2 for its order) and the
// history window's region list (region: a grouped walk instead of a sort of the whole table); made at start-up
// on new and existing files alike. Plain SQLite 3 indexes, so every SQLite 3 tool still reads the file.
inline constexpr const char* kEventTableIndexSql[] = {
    "CREATE INDEX IF NOT EXISTS trze_ident ON trze (ident)",
    "CREATE INDEX IF NOT EXISTS trze_data1 ON trze (data1,data2)",
    "CREATE INDEX IF NOT EXISTS trze_region ON trze (region)",
};

// The identity key: mag, wsp1 and wsp2 joined with no separator, every blank replaced by "#".
std::string EventIdent(const std::string& mag, const std::string& wsp1, const std::string& wsp2);

// "select * from trze where ident='...'" with `ident` as one safe literal.
std::string DuplicateCheckSql(const std::string& ident);

// Creates table trze when it is missing, then its indexes. Silent on failure.
void CreateEventTable();
void CreateEventTable(const std::string& path);

// Stores the event unless a row with its identity key is there already. Silent on failure.
void StoreEventIfNew(std::string mag, std::string region, std::string data1, std::string data2, std::string wsp1,
                     std::string wsp2);
// The same on the database file at `path`.
void StoreEventIfNewAt(const std::string& path, std::string mag, std::string region, std::string data1,
                       std::string data2, std::string wsp1, std::string wsp2);

}  // namespace dravik
