#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A read-only reader of the SQLite 2.x file format (the format old "dravik.dat" files were written in).
// It walks one table's B-tree and returns its rows; it never writes. Every offset, length and page number
// read from the file is checked before use, so a damaged file is refused instead of read out of bounds.
namespace dravik {

// The first bytes of every SQLite 2.1 file, NUL included.
extern const char kSqlite2HeaderText[48];

struct Sqlite2Row {
    std::int64_t rowid = 0;
    // One entry per column of the table, in declared order; nullopt is SQL NULL (told apart from "").
    std::vector<std::optional<std::string>> values;
};

struct Sqlite2Table {
    std::vector<std::string> columns;  // declared names, from the table's CREATE TABLE text
    std::vector<Sqlite2Row> rows;      // rowid order
};

// True when the bytes begin with the SQLite 2.1 header text.
bool LooksLikeSqlite2(const std::string& fileBytes);

// Reads table `table` (name compared without regard to ASCII case) from a whole SQLite 2 file held in
// memory. Returns nullopt when the file is not an SQLite 2 file, is damaged in any way the reader can
// detect, or has no such table.
std::optional<Sqlite2Table> ReadSqlite2Table(const std::string& fileBytes, const std::string& table);

// Column names of a CREATE TABLE text, in order; empty when the text cannot be read.
std::vector<std::string> ColumnsOfCreateTable(const std::string& createSql);

}  // namespace dravik
