#include "sources/fdsn_text.h"

#include <string_view>

#include "sources/event_fields.h"

namespace dravik {
namespace {

// Columns a header may have at most; services send 13 or 14. A longer header is no event table.
constexpr std::size_t kMaxColumns = 64;

struct Columns {
    int eventId = -1, time = -1, latitude = -1, longitude = -1, depth = -1, magnitude = -1, region = -1;
    std::size_t count = 0;
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        if (x >= 'A' && x <= 'Z') {
            x = static_cast<char>(x - 'A' + 'a');
        }
        if (x != b[i]) {
            return false;
        }
    }
    return true;
}

// At most `limit` fields of a line; one more than the line may have tells that it has too many, without
// cutting up a line of millions of separators.
std::size_t SplitFields(std::string_view line, std::string_view* fields, std::size_t limit) {
    std::size_t count = 0;
    for (;;) {
        const auto end = line.find('|');
        if (count == limit) {
            return count;
        }
        fields[count++] = Trim(line.substr(0, end));
        if (end == std::string_view::npos) {
            return count;
        }
        line.remove_prefix(end + 1);
    }
}

// Where the header line starts: after a UTF-8 byte order mark, blanks and empty lines.
std::size_t HeaderPosition(const std::string& page) {
    const std::size_t start = page.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    return page.find_first_not_of(" \t\r\n", start);
}

std::string_view FirstColumnName(std::string_view header) {
    header.remove_prefix(1);  // the '#'
    return Trim(header.substr(0, header.find('|')));
}

bool ReadHeader(std::string_view header, Columns* columns) {
    std::string_view names[kMaxColumns + 1];
    const std::size_t count = SplitFields(header, names, kMaxColumns + 1);
    if (count > kMaxColumns) {
        return false;
    }
    names[0] = FirstColumnName(header);
    columns->count = count;
    const struct {
        const char* name;
        int* index;
    } wanted[] = {{"eventid", &columns->eventId},         {"time", &columns->time},
                  {"latitude", &columns->latitude},       {"longitude", &columns->longitude},
                  {"depth/km", &columns->depth},          {"magnitude", &columns->magnitude},
                  {"eventlocationname", &columns->region}};
    for (std::size_t i = 0; i < count; ++i) {
        for (const auto& w : wanted) {
            if (*w.index < 0 && EqualsNoCase(names[i], w.name)) {
                *w.index = static_cast<int>(i);
            }
        }
    }
    return columns->eventId >= 0 && columns->time >= 0 && columns->latitude >= 0 && columns->longitude >= 0 &&
           columns->magnitude >= 0;
}

std::string_view Field(const std::string_view* fields, std::size_t count, int index) {
    return index >= 0 && static_cast<std::size_t>(index) < count ? fields[index] : std::string_view();
}

std::optional<QuakeEvent> ReadLine(std::string_view line, const Columns& c, const std::string& prefix) {
    std::string_view fields[kMaxColumns + 1];
    const std::size_t count = SplitFields(line, fields, c.count + 1);
    int required = c.eventId;
    for (int index : {c.time, c.latitude, c.longitude, c.magnitude}) {
        required = index > required ? index : required;
    }
    // Trailing empty columns may be left out; a field too many means the columns cannot be trusted.
    if (count > c.count || count <= static_cast<std::size_t>(required)) {
        return std::nullopt;
    }
    const auto time = ReadIsoTimeUtcMs(Field(fields, count, c.time));
    const auto latitude = ReadNumber(Field(fields, count, c.latitude));
    const auto longitude = ReadNumber(Field(fields, count, c.longitude));
    const auto magnitude = ReadNumber(Field(fields, count, c.magnitude));
    const std::string_view depthField = Field(fields, count, c.depth);
    const auto depth = ReadNumber(depthField);
    if (!time || !latitude || !longitude || !magnitude || (!depthField.empty() && !depth)) {
        return std::nullopt;
    }
    SourceEvent source;
    source.id = std::string(Field(fields, count, c.eventId).substr(0, kMaxSourceIdBytes + 1));  // longer is refused
    source.region = BoundedText(Field(fields, count, c.region), kMaxRegionBytes * 4);
    source.originUtcMs = *time;
    source.latitude = *latitude;
    source.longitude = *longitude;
    source.magnitude = *magnitude;
    source.depthKm = depth;
    return MakeQuakeEvent(source, prefix);
}

}  // namespace

bool IsFdsnText(const std::string& page) {
    const auto pos = HeaderPosition(page);
    if (pos == std::string::npos || page[pos] != '#') {
        return false;
    }
    const std::string_view header(page.data() + pos, std::min(page.find('\n', pos), page.size()) - pos);
    return EqualsNoCase(FirstColumnName(header), "eventid");
}

std::vector<QuakeEvent> ParseFdsnText(const std::string& page, const std::string& prefix) {
    std::vector<QuakeEvent> events;
    if (!IsFdsnText(page)) {
        return events;
    }
    std::size_t pos = HeaderPosition(page);
    auto lineEnd = std::min(page.find('\n', pos), page.size());
    Columns columns;
    if (!ReadHeader(std::string_view(page.data() + pos, lineEnd - pos), &columns)) {
        return events;
    }
    while (lineEnd < page.size() && events.size() < kMaxSourceEvents) {
        pos = lineEnd + 1;
        lineEnd = std::min(page.find('\n', pos), page.size());
        const std::string_view line = Trim(std::string_view(page.data() + pos, lineEnd - pos));
        if (line.empty() || line.front() == '#') {
            continue;
        }
        if (auto event = ReadLine(line, columns, prefix)) {
            events.push_back(std::move(*event));
        }
    }
    return events;
}

}  // namespace dravik
