#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <vector>

struct sqlite3;

namespace dravik {

// The event database's file name in the data directory.
inline constexpr char kDatabaseFileName[] = "dravik.dat";

// One column/value pair of a record being built: column name first, then the value.
struct FieldPair {
    std::string m_strName;
    std::string m_strValue;
};

// The pairs of one record in the order they were added; no lookup by name, no de-duplication.
class CFieldMap final {
public:
    void Add(const std::string& name, const std::string& value) { m_pairs.push_back(FieldPair{name, value}); }
    void RemoveAll() { m_pairs.clear(); }
    std::size_t GetSize() const { return m_pairs.size(); }
    bool IsEmpty() const { return m_pairs.empty(); }
    const FieldPair& operator[](std::size_t index) const { return m_pairs[index]; }
    std::vector<FieldPair>::const_iterator begin() const { return m_pairs.begin(); }
    std::vector<FieldPair>::const_iterator end() const { return m_pairs.end(); }

private:
    std::vector<FieldPair> m_pairs;
};

// An SQL string literal holding exactly the bytes of `value`: single quotes around it and every quote inside
// doubled, so SqlQuote("it's") is 'it''s'. Any text put into a statement (a region picked in the history
// window, say) goes through this, so it can neither end the literal early nor add SQL of its own.
// A value with a NUL byte becomes CAST(X'...' AS TEXT), which keeps the bytes after the NUL as well.
std::string SqlQuote(const std::string& value);

// The INSERT text a record's pairs make: "INSERT INTO t (a,b) VALUES ('1','2')", columns in the order
// given, each value one literal made by SqlQuote. Empty when `table` is empty.
std::string ComposeInsert(const std::string& table, const CFieldMap& fields);

// Short-lived gateway to the event database: opens the file when constructed, closes it when destroyed.
// A query's whole result is kept as texts and read row by row, cell by column name. Failures are silent:
// a file that cannot be opened, is a directory or is not a database behaves as if every statement failed
// (zero rows, nothing written). The file is opened read-write and created when missing, never truncated.
// Use an object only on the thread that made it.
class CQuakeDatabase final {
public:
    // Opens "dravik.dat" in the data directory.
    CQuakeDatabase();
    // Opens the file at `path` (tests and tools).
    explicit CQuakeDatabase(const std::string& path);
    ~CQuakeDatabase();

    CQuakeDatabase(const CQuakeDatabase&) = delete;
    CQuakeDatabase& operator=(const CQuakeDatabase&) = delete;

    // Runs `sql` and keeps its result (zero rows after a failure); also empties the field list.
    void Query(const std::string& sql);
    int GetRowCount() const;
    void MoveFirst();
    // Steps to the next row but holds at the last one; loops are bounded by GetRowCount().
    void MoveNext();
    // The current row's cell of the column named exactly `name` (case-sensitive); "" for an unknown name,
    // no current row, or SQL NULL.
    std::string GetValue(const std::string& name) const;
    void Close();

    // Starts a record: mode becomes insert and the field list is emptied.
    void ClearFields();
    void AddField(const std::string& name, const std::string& value);
    // Writes the collected pairs into `table` as one INSERT; does nothing for an empty table name or without a
    // ClearFields() since the last write.
    void WriteRecord(const std::string& table);

    // The last statement WriteRecord() executed ("" before the first); for tests and diagnostics.
    const std::string& LastStatement() const { return m_strLastStatement; }
    // Whether the file could be opened at all.
    bool IsOpen() const { return m_pDb != nullptr; }

    // From now on a wait for another connection's lock gives up, and a running statement is interrupted, as soon
    // as *stop is set (the program is ending). Null: locks are waited for up to the busy timeout.
    void SetStopFlag(const std::atomic<bool>* stop);
    // How long a lock is waited for (5 s unless set).
    void SetBusyTimeout(int ms) { m_busyTimeoutMs = ms; }
    // The outcome of the open, or of the last statement Query() or WriteRecord() ran: SQLite's extended result
    // code (0 when it succeeded), the system's errno behind it, and SQLite's message.
    int GetLastResult() const { return m_nLastResult; }
    int GetLastSystemError() const { return m_nLastSystemError; }
    const std::string& GetLastError() const { return m_strLastError; }

private:
    enum StatementMode { kModeIdle = 0, kModeInsert = 2 };

    void Open(const std::string& path);
    void ClearResult();
    void NoteResult(int result);
    static int OnBusy(void* self, int attempts);
    static int OnProgress(void* self);

    std::string m_strFileName;
    sqlite3* m_pDb = nullptr;
    // Row-major cells, row 0 holding the column names, as sqlite3_get_table lays them out.
    std::vector<std::string> m_result;
    int m_nColumns = 0;
    int m_nRows = 0;
    int m_nCurrentRow = 0;
    int m_nMode = kModeIdle;
    CFieldMap m_fields;
    std::string m_strLastStatement;
    int m_nLastResult = 0;
    int m_nLastSystemError = 0;
    std::string m_strLastError;
    const std::atomic<bool>* m_pStop = nullptr;
    long long m_busySinceMs = 0;
    int m_busyTimeoutMs = 5000;
};

}  // namespace dravik
