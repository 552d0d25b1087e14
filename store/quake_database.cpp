#include "store/quake_database.h"

#include <sqlite3.h>

#include <climits>

#include "platform/environment.h"

namespace dravik {
namespace {

// A reader on the other thread delays a write by this much at most instead of making it fail at once.
constexpr int kBusyTimeoutMs = 5000;

}  // namespace

std::string SqlQuote(const std::string& value) {
    if (value.find('\0') != std::string::npos) {
        // A literal cannot hold a NUL byte; a text cast of a blob literal carries every byte.
        static const char kHex[] = "0123456789ABCDEF";
        std::string text = "CAST(X'";
        for (unsigned char byte : value) {
            text += kHex[byte >> 4];
            text += kHex[byte & 0x0F];
        }
        return text + "' AS TEXT)";
    }
    std::string text = "'";
    for (char c : value) {
        text += c;
        if (c == '\'') {
            text += '\'';
        }
    }
    return text + "'";
}

std::string ComposeInsert(const std::string& table, const CFieldMap& fields) {
    if (table.empty()) {
        return std::string();
    }
    std::string columns;
    std::string values;
    for (const FieldPair& pair : fields) {
        columns += pair.m_strName + ",";
        values += SqlQuote(pair.m_strValue) + ",";
    }
    if (!columns.empty()) {
        columns.pop_back();
        values.pop_back();
    }
    return "INSERT INTO " + table + " (" + columns + ") VALUES (" + values + ")";
}

CQuakeDatabase::CQuakeDatabase() {
    Open(DataFilePath(kDatabaseFileName));
}

CQuakeDatabase::CQuakeDatabase(const std::string& path) {
    Open(path);
}

CQuakeDatabase::~CQuakeDatabase() {
    Close();
}

void CQuakeDatabase::Open(const std::string& path) {
    sqlite3* db = nullptr;
    // Read-write and created when missing, never truncated; no URI names, so a path is only ever a path.
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        db = nullptr;
    } else {
        sqlite3_busy_timeout(db, kBusyTimeoutMs);
    }
    m_pDb = db;
    m_strFileName = path;
}

void CQuakeDatabase::ClearResult() {
    std::vector<std::string>().swap(m_result);
    m_nColumns = 0;
    m_nRows = 0;
}

// Runs every statement of the text in turn and keeps the rows they return, like sqlite3_get_table, but with each
// cell's exact bytes and NULL read as "". Any failure leaves an empty result.
void CQuakeDatabase::Query(const std::string& sql) {
    ClearResult();
    m_fields.RemoveAll();
    m_nCurrentRow = 1;
    // A NUL would cut the statement short and run only its head.
    if (m_pDb == nullptr || sql.find('\0') != std::string::npos || sql.size() >= static_cast<std::size_t>(INT_MAX)) {
        return;
    }
    std::vector<std::string> cells;
    int columns = 0;
    int rows = 0;
    const char* tail = sql.c_str();
    const char* const end = tail + sql.size();
    while (tail < end) {
        sqlite3_stmt* stmt = nullptr;
        const char* next = nullptr;
        if (sqlite3_prepare_v2(m_pDb, tail, static_cast<int>(end - tail), &stmt, &next) != SQLITE_OK) {
            sqlite3_finalize(stmt);
            return;
        }
        if (stmt == nullptr) {  // only blanks or a comment left
            break;
        }
        const int count = sqlite3_column_count(stmt);
        int rc = SQLITE_OK;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            if (columns == 0) {
                columns = count;
                for (int c = 0; c < count; ++c) {
                    const char* name = sqlite3_column_name(stmt, c);
                    cells.emplace_back(name != nullptr ? name : "");
                }
            } else if (count != columns) {
                rc = SQLITE_ERROR;
                break;
            }
            for (int c = 0; c < count; ++c) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
                const int bytes = sqlite3_column_bytes(stmt, c);
                cells.emplace_back(text != nullptr ? std::string(text, static_cast<std::size_t>(bytes)) : "");
            }
            ++rows;
        }
        sqlite3_finalize(stmt);
        if (rc != SQLITE_DONE) {
            return;
        }
        tail = next;
    }
    m_result.swap(cells);
    m_nColumns = columns;
    m_nRows = rows;
}

int CQuakeDatabase::GetRowCount() const {
    return m_nRows;
}

void CQuakeDatabase::MoveFirst() {
    m_nCurrentRow = 1;
}

void CQuakeDatabase::MoveNext() {
    if (m_nCurrentRow < m_nRows) {
        ++m_nCurrentRow;
    }
}

std::string CQuakeDatabase::GetValue(const std::string& name) const {
    if (m_nCurrentRow < 1 || m_nCurrentRow > m_nRows) {
        return std::string();
    }
    for (int c = 0; c < m_nColumns; ++c) {
        if (m_result[static_cast<std::size_t>(c)] == name) {
            return m_result[static_cast<std::size_t>(m_nCurrentRow) * static_cast<std::size_t>(m_nColumns) +
                            static_cast<std::size_t>(c)];
        }
    }
    return std::string();
}

void CQuakeDatabase::Close() {
    if (m_pDb != nullptr) {
        sqlite3_close(m_pDb);
        m_pDb = nullptr;
    }
    m_nCurrentRow = -1;
}

void CQuakeDatabase::ClearFields() {
    m_nMode = kModeInsert;
    m_fields.RemoveAll();
}

void CQuakeDatabase::AddField(const std::string& name, const std::string& value) {
    m_fields.Add(name, value);
}

void CQuakeDatabase::WriteRecord(const std::string& table) {
    if (table.empty() || m_nMode != kModeInsert) {
        return;
    }
    m_strLastStatement = ComposeInsert(table, m_fields);
    // Values never hold a NUL here (SqlQuote hexes them); one in a table or column name would cut the text.
    if (m_pDb != nullptr && m_strLastStatement.find('\0') == std::string::npos) {
        sqlite3_exec(m_pDb, m_strLastStatement.c_str(), nullptr, nullptr, nullptr);
    }
    m_nMode = kModeIdle;
}

}  // namespace dravik
