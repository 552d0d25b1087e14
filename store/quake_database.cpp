#include "store/quake_database.h"

#include <sqlite3.h>

#include <chrono>
#include <climits>
#include <thread>

#include "platform/environment.h"

namespace dravik {
namespace {

// A reader on the other thread delays a write by this much at most instead of making it fail at once.
constexpr int kBusyTimeoutMs = 5000;
// How long one wait for a lock sleeps before it looks at the lock, and at the stop flag, again.
constexpr int kBusyStepMs = 10;
// Virtual machine steps between two looks at the stop flag during a statement.
constexpr int kProgressSteps = 1000;

long long NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

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
    const int result = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    m_pDb = db;
    NoteResult(result);
    if (result != SQLITE_OK) {
        sqlite3_close(db);
        m_pDb = nullptr;
    } else {
        sqlite3_extended_result_codes(db, 1);
        sqlite3_busy_handler(db, &CQuakeDatabase::OnBusy, this);
    }
    m_strFileName = path;
}

void CQuakeDatabase::NoteResult(int result) {
    m_nLastResult = result;
    m_nLastSystemError = (result != SQLITE_OK && m_pDb != nullptr) ? sqlite3_system_errno(m_pDb) : 0;
    if (result == SQLITE_OK) {
        m_strLastError.clear();
    } else if (m_pDb != nullptr && sqlite3_extended_errcode(m_pDb) == result) {
        m_strLastError = sqlite3_errmsg(m_pDb);
    } else {
        m_strLastError = sqlite3_errstr(result);
    }
}

// Waits up to the busy timeout for a lock, in short sleeps so that a stop is noticed at once.
int CQuakeDatabase::OnBusy(void* self, int attempts) {
    auto* db = static_cast<CQuakeDatabase*>(self);
    if (attempts == 0) {
        db->m_busySinceMs = NowMs();
    }
    if ((db->m_pStop != nullptr && db->m_pStop->load()) || NowMs() - db->m_busySinceMs >= db->m_busyTimeoutMs) {
        return 0;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(kBusyStepMs));
    return 1;
}

int CQuakeDatabase::OnProgress(void* self) {
    const auto* db = static_cast<CQuakeDatabase*>(self);
    return (db->m_pStop != nullptr && db->m_pStop->load()) ? 1 : 0;
}

void CQuakeDatabase::SetStopFlag(const std::atomic<bool>* stop) {
    m_pStop = stop;
    if (m_pDb != nullptr) {
        sqlite3_progress_handler(m_pDb, stop != nullptr ? kProgressSteps : 0,
                                 stop != nullptr ? &CQuakeDatabase::OnProgress : nullptr, this);
    }
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
    if (m_pDb == nullptr) {
        return;  // the open's failure stays the last result
    }
    if (sql.find('\0') != std::string::npos || sql.size() >= static_cast<std::size_t>(INT_MAX)) {
        NoteResult(SQLITE_MISUSE);
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
        const int prepared = sqlite3_prepare_v2(m_pDb, tail, static_cast<int>(end - tail), &stmt, &next);
        if (prepared != SQLITE_OK) {
            NoteResult(prepared);
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
                rc = SQLITE_MISMATCH;
                break;
            }
            for (int c = 0; c < count; ++c) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
                const int bytes = sqlite3_column_bytes(stmt, c);
                cells.emplace_back(text != nullptr ? std::string(text, static_cast<std::size_t>(bytes)) : "");
            }
            ++rows;
        }
        if (rc != SQLITE_DONE) {
            NoteResult(rc);
            sqlite3_finalize(stmt);
            return;
        }
        sqlite3_finalize(stmt);
        tail = next;
    }
    NoteResult(SQLITE_OK);
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
        NoteResult(sqlite3_exec(m_pDb, m_strLastStatement.c_str(), nullptr, nullptr, nullptr));
    } else if (m_pDb != nullptr) {
        NoteResult(SQLITE_MISUSE);
    }
    m_nMode = kModeIdle;
}

}  // namespace dravik
