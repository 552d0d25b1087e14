#include "sources/event_fields.h"

#include <algorithm>

#include <charconv>
#include <cmath>

#include "sources/quake_time.h"

namespace dravik {
namespace {

constexpr double kMinMagnitude = -2.0;
constexpr double kMaxMagnitude = 10.0;
// Above the highest land a quake is no quake, and none has been found deeper than about 750 km: a depth
// outside is taken as unknown rather than shown or used for the shaking.
constexpr double kMinDepthKm = -10.0;
constexpr double kMaxDepthKm = 800.0;
constexpr std::int64_t kMsPerDay = 86400000;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

// Days since 1970-01-01 of a proleptic Gregorian date, and back (H. Hinnant's algorithms).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int* year, int* month, int* day) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    *year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2 ? 1 : 0));
    *month = static_cast<int>(m);
    *day = static_cast<int>(d);
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// `count` digits at `pos` as a number; false when any of them is not a digit.
bool ReadDigits(std::string_view text, std::size_t pos, std::size_t count, int* value) {
    if (pos + count > text.size()) {
        return false;
    }
    *value = 0;
    for (std::size_t i = pos; i < pos + count; ++i) {
        if (!IsDigit(text[i])) {
            return false;
        }
        *value = *value * 10 + (text[i] - '0');
    }
    return true;
}

std::string FixedText(double value, int decimals) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::fixed, decimals);
    return result.ec == std::errc() ? std::string(buffer, result.ptr) : std::string();
}

// The host of an address in lower case: between "//" and the next "/", "?" or "#", without user and port.
std::string HostOf(const std::string& url) {
    std::string_view rest(url);
    const auto scheme = rest.find("://");
    rest.remove_prefix(scheme == std::string_view::npos ? 0 : scheme + 3);
    rest = rest.substr(0, rest.find_first_of("/?#"));
    const auto at = rest.rfind('@');
    if (at != std::string_view::npos) {
        rest.remove_prefix(at + 1);
    }
    if (!rest.empty() && rest.front() == '[') {
        return Lower(rest.substr(1, rest.find(']') - 1));  // an IPv6 address
    }
    return Lower(rest.substr(0, rest.find(':')));
}

bool HostIs(const std::string& host, const std::string& domain) {
    return host == domain ||
           (host.size() > domain.size() && host.compare(host.size() - domain.size(), domain.size(), domain) == 0 &&
            host[host.size() - domain.size() - 1] == '.');
}

// A dot-separated part of the host that is `word` or begins with `word` and a hyphen (gfz-potsdam.de).
bool HostHasLabel(const std::string& host, const std::string& word) {
    std::size_t start = 0;
    while (start <= host.size()) {
        const auto end = std::min(host.find('.', start), host.size());
        const std::string_view label(host.data() + start, end - start);
        if (label == word ||
            (label.size() > word.size() && label.substr(0, word.size()) == word && label[word.size()] == '-')) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

}  // namespace

std::string SourceHost(const std::string& sourceUrl) {
    return HostOf(sourceUrl);
}

std::string BoundedText(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) {
        return std::string(text);
    }
    std::size_t cut = maxBytes;
    // Back over continuation bytes to the start of the sequence the bound falls in; text that is not UTF-8
    // (more than three continuation bytes in a row) is cut at the bound itself.
    for (std::size_t back = 0; back < 4 && cut > 0; ++back) {
        const auto byte = static_cast<unsigned char>(text[cut]);
        if ((byte & 0xC0) != 0x80) {
            return std::string(text.substr(0, cut));
        }
        --cut;
    }
    const auto byte = static_cast<unsigned char>(text[cut]);
    return std::string(text.substr(0, (byte & 0xC0) != 0x80 ? cut : maxBytes));
}

bool HasControlBytes(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) == 0x7f;
    });
}

std::string WithoutControlBytes(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            out += c;
        }
    }
    return out;
}

std::string SourcePrefix(const std::string& sourceUrl) {
    const std::string host = HostOf(sourceUrl);
    if (HostIs(host, "seismicportal.eu") || HostIs(host, "emsc-csem.org")) {
        return "emsc";
    }
    if (HostIs(host, "usgs.gov")) {
        return "usgs";
    }
    for (const char* word : {"gfz", "ingv", "iris"}) {
        if (HostHasLabel(host, word)) {
            return word;
        }
    }
    return host;
}

std::string QualifiedId(const std::string& prefix, const std::string& sourceId) {
    return prefix + ":" + sourceId;
}

std::optional<double> ReadNumber(std::string_view field) {
    field = TrimBlanks(field);
    if (!field.empty() && field.front() == '+') {
        field.remove_prefix(1);
    }
    double value = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (field.empty() || error != std::errc() || end != field.data() + field.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::int64_t> ReadIsoTimeUtcMs(std::string_view field) {
    const std::string_view text = TrimBlanks(field);
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!ReadDigits(text, 0, 4, &year) || text.size() < 19 || text[4] != '-' || !ReadDigits(text, 5, 2, &month) ||
        text[7] != '-' || !ReadDigits(text, 8, 2, &day) || (text[10] != 'T' && text[10] != ' ') ||
        !ReadDigits(text, 11, 2, &hour) || text[13] != ':' || !ReadDigits(text, 14, 2, &minute) || text[16] != ':' ||
        !ReadDigits(text, 17, 2, &second)) {
        return std::nullopt;
    }
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 || minute > 59 ||
        second > 60) {
        return std::nullopt;
    }
    std::size_t pos = 19;
    int millis = 0;
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        const std::size_t first = pos;
        for (int scale = 100; pos < text.size() && IsDigit(text[pos]); ++pos, scale /= 10) {
            millis += (text[pos] - '0') * scale;  // digits past the thousandths add nothing
        }
        if (pos == first) {
            return std::nullopt;
        }
    }
    std::int64_t offsetMinutes = 0;
    if (pos < text.size() && (text[pos] == 'Z' || text[pos] == 'z')) {
        ++pos;
    } else if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        int oh = 0, om = 0;
        if (!ReadDigits(text, pos + 1, 2, &oh) || pos + 3 >= text.size() || text[pos + 3] != ':' ||
            !ReadDigits(text, pos + 4, 2, &om) || oh > 23 || om > 59) {
            return std::nullopt;
        }
        offsetMinutes = (text[pos] == '-' ? -1 : 1) * (oh * 60 + om);
        pos += 6;
    }
    if (pos != text.size()) {
        return std::nullopt;
    }
    const std::int64_t days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
    return days * kMsPerDay + ((hour * 60 + minute) * 60 + second) * std::int64_t{1000} + millis -
           offsetMinutes * 60000;
}

std::string MagnitudeText(double magnitude) {
    const std::string text = FixedText(magnitude, 1);
    return text == "-0.0" ? "0.0" : text;
}

std::string CoordinateText(double degrees) {
    const std::string digits = FixedText(std::fabs(degrees), 2);
    return (degrees < 0 && digits != "0.00" ? "-" : "") + digits + " ";
}

std::string DepthText(double km) {
    return std::to_string(std::llround(km));
}

namespace {

// Other ids of the same quake, qualified; a bounded number, so a hostile list cannot grow a row's identity.
std::vector<std::string> OtherIds(std::string_view list, const std::string& ownId, const std::string& prefix) {
    constexpr std::size_t kMaxOtherIds = 16;
    std::vector<std::string> ids;
    while (!list.empty() && ids.size() < kMaxOtherIds) {
        const std::size_t comma = list.find(',');
        const std::string id(TrimBlanks(list.substr(0, comma)));
        list.remove_prefix(comma == std::string_view::npos ? list.size() : comma + 1);
        if (!id.empty() && !HasControlBytes(id) && id != ownId && id.size() <= kMaxSourceIdBytes) {
            const std::string qualified = QualifiedId(prefix, id);
            if (std::find(ids.begin(), ids.end(), qualified) == ids.end()) {
                ids.push_back(qualified);
            }
        }
    }
    return ids;
}

}  // namespace

std::optional<QuakeEvent> MakeQuakeEvent(const SourceEvent& source, const std::string& prefix) {
    // An id with control bytes is refused, not cleaned: two different ids must never become one.
    const std::string id(TrimBlanks(source.id));
    if (id.empty() || id.size() > kMaxSourceIdBytes || HasControlBytes(id) || !std::isfinite(source.magnitude) ||
        source.magnitude < kMinMagnitude || source.magnitude > kMaxMagnitude || !std::isfinite(source.latitude) ||
        std::fabs(source.latitude) > 90.0 || !std::isfinite(source.longitude) || std::fabs(source.longitude) > 180.0) {
        return std::nullopt;
    }
    const bool depthKnown = source.depthKm && std::isfinite(*source.depthKm) && *source.depthKm >= kMinDepthKm &&
                            *source.depthKm <= kMaxDepthKm;
    // Floor division, so that times before 1970 fall on the right day.
    std::int64_t days = source.originUtcMs / kMsPerDay;
    std::int64_t msOfDay = source.originUtcMs % kMsPerDay;
    if (msOfDay < 0) {
        msOfDay += kMsPerDay;
        --days;
    }
    if (days < DaysFromCivil(1, 1, 1) || days > DaysFromCivil(9999, 12, 31)) {
        return std::nullopt;
    }
    int year = 0, month = 0, day = 0;
    CivilFromDays(days, &year, &month, &day);
    const auto secondOfDay = static_cast<int>(msOfDay / 1000);
    QuakeEvent event;
    if (!LocalTimePlusOneHour(year, month, day, secondOfDay / 3600, secondOfDay / 60 % 60, secondOfDay % 60,
                              &event.data1, &event.data2)) {
        return std::nullopt;
    }
    event.eventId = QualifiedId(prefix, id);
    event.region = BoundedText(WithoutControlBytes(TrimBlanks(source.region)), kMaxRegionBytes);
    event.mag = MagnitudeText(source.magnitude);
    event.wsp1 = CoordinateText(source.latitude);
    event.wsp2 = CoordinateText(source.longitude);
    event.depth = depthKnown ? DepthText(*source.depthKm) : std::string();
    event.hasNumbers = true;
    event.originUtcMs = source.originUtcMs;
    event.latitude = source.latitude;
    event.longitude = source.longitude;
    event.magnitude = source.magnitude;
    event.otherIds = OtherIds(source.ids, id, prefix);
    event.updatedUtcMs = source.updatedUtcMs;
    event.felt = source.felt;
    return event;
}

}  // namespace dravik
