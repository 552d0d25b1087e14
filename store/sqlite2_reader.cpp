#include "store/sqlite2_reader.h"

#include <cctype>
#include <cstring>
#include <functional>

namespace dravik {

const char kSqlite2HeaderText[48] = "** This file contains an SQLite 2.1 database **";

namespace {

constexpr std::size_t kPageSize = 1024;
constexpr std::size_t kMaxLocalPayload = 236;
constexpr std::size_t kOverflowPayload = kPageSize - 4;
constexpr std::size_t kCellHeader = 12;
// Each cell takes at least 12 bytes of the 1016 usable ones.
constexpr int kMaxCellsPerPage = 1016 / 12;
// The tree of a table with millions of rows is a few levels deep; anything deeper is a loop or damage.
constexpr int kMaxDepth = 40;
constexpr std::size_t kSchemaColumns = 5;

bool EqualsNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// Walks the B-trees of one file image. Any inconsistency sets m_bad and stops the walk.
class Sqlite2File {
public:
    Sqlite2File(const std::string& bytes, bool bigEndian)
        : m_bytes(bytes),
          m_bigEndian(bigEndian),
          m_pageCount(bytes.size() / kPageSize),
          m_visited(m_pageCount + 1, false) {}

    // Calls emit(rowid, record bytes) for every entry of the tree rooted at `root`, in key order.
    bool WalkTable(std::uint32_t root, const std::function<bool(std::int64_t, const std::string&)>& emit) {
        m_emit = &emit;
        m_haveLastRowid = false;
        return WalkPage(root, 0);
    }

private:
    const unsigned char* Page(std::uint32_t page) const {
        return reinterpret_cast<const unsigned char*>(m_bytes.data()) + (page - 1) * kPageSize;
    }

    std::uint32_t U16(const unsigned char* p) const {
        return m_bigEndian ? (std::uint32_t{p[0]} << 8 | p[1]) : (std::uint32_t{p[1]} << 8 | p[0]);
    }

    std::uint32_t U32(const unsigned char* p) const {
        return m_bigEndian ? (std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3])
                           : (std::uint32_t{p[3]} << 24 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 | p[0]);
    }

    // Marks a page as used; a page number out of range or seen before means damage (or a loop).
    bool Claim(std::uint32_t page) {
        if (page < 2 || page > m_pageCount || m_visited[page]) {
            return false;
        }
        m_visited[page] = true;
        return true;
    }

    bool WalkPage(std::uint32_t page, int depth) {
        if (depth > kMaxDepth || !Claim(page)) {
            return false;
        }
        const unsigned char* p = Page(page);
        const std::uint32_t rightChild = U32(p);
        std::uint32_t cell = U16(p + 4);
        for (int cells = 0; cell != 0; ++cells) {
            if (cells >= kMaxCellsPerPage || cell % 4 != 0 || cell < 8 || cell > kPageSize - 16) {
                return false;
            }
            const unsigned char* c = p + cell;
            const std::uint32_t leftChild = U32(c);
            const std::size_t keyLength = U16(c + 4) | std::size_t{c[8]} << 16;
            const std::size_t dataLength = U16(c + 10) | std::size_t{c[9]} << 16;
            if (leftChild != 0 && !WalkPage(leftChild, depth + 1)) {
                return false;
            }
            std::string payload;
            if (!ReadPayload(c, cell, keyLength + dataLength, payload) || !EmitEntry(payload, keyLength)) {
                return false;
            }
            cell = U16(c + 6);
        }
        return rightChild == 0 || WalkPage(rightChild, depth + 1);
    }

    bool ReadPayload(const unsigned char* c, std::uint32_t cellOffset, std::size_t total, std::string& payload) {
        const std::size_t local = total < kMaxLocalPayload ? total : kMaxLocalPayload;
        const std::size_t localEnd = cellOffset + kCellHeader + local + (total > kMaxLocalPayload ? 4 : 0);
        if (localEnd > kPageSize) {
            return false;
        }
        payload.assign(reinterpret_cast<const char*>(c + kCellHeader), local);
        if (total <= kMaxLocalPayload) {
            return true;
        }
        std::uint32_t next = U32(c + kCellHeader + kMaxLocalPayload);
        std::size_t remaining = total - kMaxLocalPayload;
        while (remaining > 0) {
            if (!Claim(next)) {
                return false;
            }
            const unsigned char* o = Page(next);
            const std::size_t take = remaining < kOverflowPayload ? remaining : kOverflowPayload;
            payload.append(reinterpret_cast<const char*>(o + 4), take);
            remaining -= take;
            next = U32(o);
        }
        // The chain must end exactly where the payload does.
        return next == 0;
    }

    bool EmitEntry(const std::string& payload, std::size_t keyLength) {
        if (keyLength != 4) {
            return false;
        }
        const auto* k = reinterpret_cast<const unsigned char*>(payload.data());
        const std::uint32_t raw =
            (std::uint32_t{k[0]} << 24 | std::uint32_t{k[1]} << 16 | std::uint32_t{k[2]} << 8 | k[3]) ^ 0x80000000u;
        const std::int64_t rowid = static_cast<std::int32_t>(raw);
        if (m_haveLastRowid && rowid <= m_lastRowid) {
            return false;
        }
        m_haveLastRowid = true;
        m_lastRowid = rowid;
        return (*m_emit)(rowid, payload.substr(4));
    }

    const std::string& m_bytes;
    bool m_bigEndian;
    std::size_t m_pageCount;
    std::vector<bool> m_visited;
    const std::function<bool(std::int64_t, const std::string&)>* m_emit = nullptr;
    bool m_haveLastRowid = false;
    std::int64_t m_lastRowid = 0;
};

// Splits a record of `columns` values. Offsets are little-endian in every file, 1, 2 or 3 bytes wide by
// the record's length; a value is its text plus a NUL, and NULL takes no bytes at all.
bool DecodeRecord(const std::string& record, std::size_t columns, std::vector<std::optional<std::string>>& values) {
    const std::size_t length = record.size();
    const std::size_t width = length < 256 ? 1 : length < 65536 ? 2 : 3;
    const std::size_t headerSize = width * (columns + 1);
    if (headerSize > length) {
        return false;
    }
    const auto* r = reinterpret_cast<const unsigned char*>(record.data());
    std::vector<std::size_t> offsets(columns + 1);
    for (std::size_t i = 0; i <= columns; ++i) {
        std::size_t value = 0;
        for (std::size_t b = 0; b < width; ++b) {
            value |= std::size_t{r[i * width + b]} << (8 * b);
        }
        // Offsets run forward and stay inside the record.
        if (value < headerSize || value > length || (i > 0 && value < offsets[i - 1])) {
            return false;
        }
        offsets[i] = value;
    }
    if (offsets[0] != headerSize || offsets[columns] != length) {
        return false;
    }
    values.assign(columns, std::nullopt);
    for (std::size_t i = 0; i < columns; ++i) {
        const std::size_t begin = offsets[i];
        const std::size_t end = offsets[i + 1];
        if (end == begin) {
            continue;
        }
        if (r[end - 1] != 0) {
            return false;
        }
        values[i] = record.substr(begin, end - begin - 1);
    }
    return true;
}

std::optional<bool> ByteOrder(const std::string& bytes) {
    const auto* m = reinterpret_cast<const unsigned char*>(bytes.data()) + 48;
    if (m[0] == 0x28 && m[1] == 0x75 && m[2] == 0xE3 && m[3] == 0xDA) {
        return false;
    }
    if (m[0] == 0xDA && m[1] == 0xE3 && m[2] == 0x75 && m[3] == 0x28) {
        return true;
    }
    return std::nullopt;
}

std::optional<std::uint32_t> ParseRootPage(const std::optional<std::string>& text) {
    if (!text || text->empty() || text->size() > 10) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (char ch : *text) {
        if (ch < '0' || ch > '9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<std::uint64_t>(ch - '0');
    }
    if (value > 0xFFFFFFFFu) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

}  // namespace

bool LooksLikeSqlite2(const std::string& fileBytes) {
    return fileBytes.size() >= sizeof kSqlite2HeaderText &&
           std::memcmp(fileBytes.data(), kSqlite2HeaderText, sizeof kSqlite2HeaderText) == 0;
}

std::vector<std::string> ColumnsOfCreateTable(const std::string& createSql) {
    const auto open = createSql.find('(');
    const auto close = createSql.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close <= open) {
        return {};
    }
    std::vector<std::string> pieces;
    std::string current;
    int depth = 0;
    for (std::size_t i = open + 1; i < close; ++i) {
        const char ch = createSql[i];
        if (ch == '(') {
            ++depth;
        } else if (ch == ')') {
            --depth;
        }
        if (ch == ',' && depth == 0) {
            pieces.push_back(current);
            current.clear();
        } else {
            current += ch;
        }
    }
    pieces.push_back(current);

    std::vector<std::string> columns;
    for (const std::string& raw : pieces) {
        const std::string piece = Trim(raw);
        if (piece.empty()) {
            return {};
        }
        std::string name;
        const char quote = piece[0];
        if (quote == '"' || quote == '\'' || quote == '`' || quote == '[') {
            const char end = quote == '[' ? ']' : quote;
            const auto stop = piece.find(end, 1);
            if (stop == std::string::npos) {
                return {};
            }
            name = piece.substr(1, stop - 1);
        } else {
            name = piece.substr(0, piece.find_first_of(" \t\r\n"));
            std::string upper;
            for (char ch : name) {
                upper += static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
            }
            if (upper == "PRIMARY" || upper == "UNIQUE" || upper == "CHECK" || upper == "CONSTRAINT" ||
                upper == "FOREIGN") {
                continue;
            }
        }
        columns.push_back(name);
    }
    return columns;
}

std::optional<Sqlite2Table> ReadSqlite2Table(const std::string& fileBytes, const std::string& table) {
    if (fileBytes.size() < 2 * kPageSize || fileBytes.size() % kPageSize != 0 || !LooksLikeSqlite2(fileBytes)) {
        return std::nullopt;
    }
    const std::optional<bool> bigEndian = ByteOrder(fileBytes);
    if (!bigEndian) {
        return std::nullopt;
    }

    // The schema table is rooted at page 2: type, name, tbl_name, rootpage, sql.
    std::optional<std::uint32_t> root;
    std::string createSql;
    {
        Sqlite2File schemaFile(fileBytes, *bigEndian);
        std::vector<std::optional<std::string>> values;
        const bool ok = schemaFile.WalkTable(2, [&](std::int64_t, const std::string& record) {
            if (!DecodeRecord(record, kSchemaColumns, values)) {
                return false;
            }
            if (!root && values[0] && *values[0] == "table" && values[1] && EqualsNoCase(*values[1], table)) {
                root = ParseRootPage(values[3]);
                createSql = values[4].value_or("");
                return root.has_value();
            }
            return true;
        });
        if (!ok || !root) {
            return std::nullopt;
        }
    }

    Sqlite2Table result;
    result.columns = ColumnsOfCreateTable(createSql);
    if (result.columns.empty()) {
        return std::nullopt;
    }
    Sqlite2File file(fileBytes, *bigEndian);
    const bool ok = file.WalkTable(*root, [&](std::int64_t rowid, const std::string& record) {
        Sqlite2Row row;
        row.rowid = rowid;
        if (!DecodeRecord(record, result.columns.size(), row.values)) {
            return false;
        }
        result.rows.push_back(std::move(row));
        return true;
    });
    if (!ok) {
        return std::nullopt;
    }
    return result;
}

}  // namespace dravik
