#include "feed/fdsn_text.h"

#include <charconv>
#include <cmath>
#include <map>
#include <optional>

#include "feed/quake_time.h"

namespace dravik {
namespace {

const char kHeaderStart[] = "#EventID";

// Fields (separators) read from one page at most: some twenty thousand events, far beyond any page the
// service sends. Each field becomes a string of its own, so a page of nothing but separators would
// otherwise cost gigabytes and many seconds.
constexpr std::size_t kMaxSeparators = 262144;

// Column names a header may end with; a name that has lost its line feed runs into the first event id.
const char* const kKnownNames[] = {"EventID",   "Time",      "Latitude",          "Longitude",     "Depth/km",
                                   "Author",    "Catalog",   "Contributor",       "ContributorID", "MagType",
                                   "Magnitude", "MagAuthor", "EventLocationName", "EventType"};

struct Columns {
    int eventId = -1, time = -1, latitude = -1, longitude = -1, depth = -1, magnitude = -1, region = -1;
    std::size_t count = 0;
};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// Leading blanks, a UTF-8 byte order mark and empty lines before the header do not count.
std::string::size_type HeaderPosition(const std::string& page) {
    std::string::size_type pos = page.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    return page.find_first_not_of(" \t\r\n", pos);
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    for (;;) {
        const auto end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) {
            return parts;
        }
        start = end + 1;
    }
}

Columns FindColumns(const std::vector<std::string>& names) {
    Columns columns;
    columns.count = names.size();
    const std::map<std::string, int*> wanted = {
        {"EventID", &columns.eventId},         {"Time", &columns.time},      {"Latitude", &columns.latitude},
        {"Longitude", &columns.longitude},     {"Depth/km", &columns.depth}, {"Magnitude", &columns.magnitude},
        {"EventLocationName", &columns.region}};
    for (std::size_t i = 0; i < names.size(); ++i) {
        std::string name = Trim(names[i]);
        if (!name.empty() && name[0] == '#') {
            name = Trim(name.substr(1));
        }
        const auto hit = wanted.find(name);
        if (hit != wanted.end() && *hit->second < 0) {
            *hit->second = static_cast<int>(i);
        }
    }
    return columns;
}

bool Usable(const Columns& c) {
    return c.eventId >= 0 && c.time >= 0 && c.latitude >= 0 && c.longitude >= 0 && c.depth >= 0 && c.magnitude >= 0 &&
           c.region >= 0;
}

// A whole field as a finite number, in the C locale whatever the process's locale is.
std::optional<double> ReadNumber(const std::string& field) {
    const std::string text = Trim(field);
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') {
        ++first;
    }
    double value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last || first == last || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

// "2017-10-31T00:42:12.4Z": the fraction of a second and the zone letter are not needed.
bool ReadTime(const std::string& field, int* parts) {
    const std::string text = Trim(field);
    static const char kPattern[] = "dddd-dd-ddTdd:dd:dd";
    if (text.size() < sizeof(kPattern) - 1) {
        return false;
    }
    for (std::size_t i = 0; i + 1 < sizeof(kPattern); ++i) {
        const bool ok = kPattern[i] == 'd' ? IsDigit(text[i]) : (text[i] == kPattern[i] || (i == 10 && text[i] == ' '));
        if (!ok) {
            return false;
        }
    }
    const int offsets[] = {0, 5, 8, 11, 14, 17};
    const int widths[] = {4, 2, 2, 2, 2, 2};
    for (int i = 0; i < 6; ++i) {
        parts[i] = 0;
        for (int j = 0; j < widths[i]; ++j) {
            parts[i] = parts[i] * 10 + (text[static_cast<std::size_t>(offsets[i] + j)] - '0');
        }
    }
    return true;
}

bool LooksLikeTime(const std::string& field) {
    int parts[6];
    return ReadTime(field, parts);
}

// The page's coordinate form: absolute value with two decimals and one trailing blank, "-" for south/west.
std::string CoordinateText(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer), std::fabs(value), std::chars_format::fixed, 2);
    return (value < 0 ? "-" : "") + std::string(buffer, result.ptr) + " ";
}

std::optional<QuakeEvent> ReadEvent(const std::vector<std::string>& fields, const Columns& c) {
    if (fields.size() != c.count) {
        return std::nullopt;
    }
    QuakeEvent event;
    for (char ch : fields[static_cast<std::size_t>(c.eventId)]) {
        if (IsDigit(ch)) {
            event.eventId += ch;
        }
    }
    int t[6];
    const auto latitude = ReadNumber(fields[static_cast<std::size_t>(c.latitude)]);
    const auto longitude = ReadNumber(fields[static_cast<std::size_t>(c.longitude)]);
    const auto depth = ReadNumber(fields[static_cast<std::size_t>(c.depth)]);
    const std::string mag = Trim(fields[static_cast<std::size_t>(c.magnitude)]);
    if (event.eventId.empty() || !latitude || !longitude || !depth || !ReadNumber(mag) || std::fabs(*latitude) > 90 ||
        std::fabs(*longitude) > 180 || std::fabs(*depth) > 1e6 ||
        !ReadTime(fields[static_cast<std::size_t>(c.time)], t) ||
        !LocalTimePlusOneHour(t[0], t[1], t[2], t[3], t[4], t[5], &event.data1, &event.data2)) {
        return std::nullopt;
    }
    event.mag = mag;
    event.region = Trim(fields[static_cast<std::size_t>(c.region)]);
    event.wsp1 = CoordinateText(*latitude);
    event.wsp2 = CoordinateText(*longitude);
    event.depth = std::to_string(std::lround(*depth));
    return event;
}

std::vector<QuakeEvent> ParseLines(const std::string& text) {
    std::vector<QuakeEvent> events;
    const std::vector<std::string> lines = Split(text, '\n');
    const Columns columns = FindColumns(Split(lines[0], '|'));
    if (!Usable(columns)) {
        return events;
    }
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (Trim(lines[i]).empty() || lines[i][0] == '#') {
            continue;
        }
        if (auto event = ReadEvent(Split(lines[i], '|'), columns)) {
            events.push_back(std::move(*event));
        }
    }
    return events;
}

// The last header name and the first event id have run together ("EventLocationName20171031_0000002"):
// the name is the longest known column name the token begins with, else the part before its first digit.
std::string::size_type HeaderNameLength(const std::string& token) {
    std::string::size_type best = 0;
    for (const char* name : kKnownNames) {
        const std::string known(name);
        if (known.size() > best && token.compare(0, known.size(), known) == 0) {
            best = known.size();
        }
    }
    if (best > 0) {
        return best;
    }
    std::string::size_type i = 0;
    while (i < token.size() && !IsDigit(token[i])) {
        ++i;
    }
    return i;
}

// Where the next event id begins in a token made of the last field of one line and the id of the next:
// ids of the event service are digits and underscores; the first id gives their usual length.
std::string::size_type IdStart(const std::string& token, std::size_t idLength) {
    std::string::size_type start = token.size();
    while (start > 0 && (IsDigit(token[start - 1]) || token[start - 1] == '_') &&
           (idLength == 0 || token.size() - (start - 1) <= idLength)) {
        --start;
    }
    return start;
}

std::vector<QuakeEvent> ParseJoined(const std::string& text) {
    std::vector<QuakeEvent> events;
    const std::vector<std::string> tokens = Split(text, '|');

    std::vector<std::string> names;
    std::vector<std::string> stream;  // the data fields, the last field of a line run into the next line's id
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const std::string token = Trim(tokens[i]);
        if (!stream.empty()) {
            stream.push_back(token);
            continue;
        }
        bool hasDigit = false;
        for (char c : token) {
            hasDigit = hasDigit || IsDigit(c);
        }
        if (!hasDigit) {
            names.push_back(token);
            continue;
        }
        const auto length = HeaderNameLength(token);
        names.push_back(token.substr(0, length));
        stream.push_back(token.substr(length));
    }
    const Columns columns = FindColumns(names);
    if (!Usable(columns) || columns.eventId != 0 || stream.empty()) {
        return events;
    }
    const std::size_t idLength = Trim(stream[0]).size();

    // Each line is found by its Time field, which stands a fixed number of fields after the line's start.
    const auto lead = static_cast<std::size_t>(columns.time);
    std::vector<std::size_t> starts;
    for (std::size_t j = lead; j < stream.size(); ++j) {
        if (LooksLikeTime(stream[j]) && (starts.empty() || j - lead > starts.back())) {
            starts.push_back(j - lead);
        }
    }
    for (std::size_t r = 0; r < starts.size(); ++r) {
        const std::size_t first = starts[r];
        const bool lastLine = r + 1 == starts.size();
        const std::size_t end = lastLine ? stream.size() - 1 : starts[r + 1];  // the token holding the last field
        if (end < first || end - first + 1 != columns.count) {
            continue;
        }
        std::vector<std::string> fields(stream.begin() + static_cast<long>(first),
                                        stream.begin() + static_cast<long>(end) + 1);
        if (r > 0 || first > 0) {
            fields.front() = fields.front().substr(IdStart(fields.front(), idLength));
        }
        if (!lastLine) {
            fields.back() = fields.back().substr(0, IdStart(fields.back(), idLength));
        }
        if (auto event = ReadEvent(fields, columns)) {
            events.push_back(std::move(*event));
        }
    }
    return events;
}

}  // namespace

bool IsFdsnText(const std::string& page) {
    const auto pos = HeaderPosition(page);
    return pos != std::string::npos && page.compare(pos, sizeof(kHeaderStart) - 1, kHeaderStart) == 0;
}

std::vector<QuakeEvent> ParseFdsnText(const std::string& page) {
    const auto pos = HeaderPosition(page);
    if (pos == std::string::npos) {
        return {};
    }
    std::string text = page.substr(pos);
    std::size_t separators = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((text[i] == '|' || text[i] == '\n') && ++separators == kMaxSeparators) {
            text.resize(i);  // the line cut short here does not fit and is skipped
            break;
        }
    }
    return text.find('\n') != std::string::npos ? ParseLines(text) : ParseJoined(text);
}

}  // namespace dravik
