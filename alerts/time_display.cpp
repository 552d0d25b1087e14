#include "alerts/time_display.h"

#include "sources/quake_time.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>

namespace dravik {
namespace {

bool ReadFixed(const std::string& text, std::size_t at, std::size_t width, int* value) {
    if (at + width > text.size()) {
        return false;
    }
    int v = 0;
    for (std::size_t i = at; i < at + width; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
        v = v * 10 + (text[i] - '0');
    }
    *value = v;
    return true;
}

DateTimeText FromTm(const std::tm& tm) {
    char date[32];
    char time[16];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    std::snprintf(time, sizeof time, "%02d:%02d", tm.tm_hour, tm.tm_min);
    return {date, time};
}

// Whether the local clock at an instant reads as the archive's texts.
bool LocalClockReads(std::time_t at, const std::string& data1, const std::string& data2) {
    std::tm local{};
    if (::localtime_r(&at, &local) == nullptr) {
        return false;
    }
    const DateTimeText text = FromTm(local);
    return text.date == data1 && text.time == data2;
}

// The UTC offsets in force around an instant, each once.
struct Offsets {
    std::array<long, 3> values{};
    std::size_t count = 0;
};

// Whether the instant u can make the archive's texts (LocalTimePlusOneHour of u's UTC clock reading). A reading
// the local clock shows twice may be taken as either (older versions let mktime pick by the offset of its
// previous call, so rows of both kinds exist). A reading the clock skips is taken as LocalReadingToInstant
// takes it.
bool CanMakeClassic(std::time_t u, const Offsets& around, const std::string& data1, const std::string& data2) {
    // The reading of u counted as UTC is u itself; the local instant showing it at offset o is u - o.
    bool shownLocally = false;
    for (std::size_t i = 0; i < around.count; ++i) {
        const std::time_t asLocal = u - around.values[i];
        std::tm local{};
        if (::localtime_r(&asLocal, &local) == nullptr || local.tm_gmtoff != around.values[i]) {
            continue;
        }
        shownLocally = true;
        if (LocalClockReads(asLocal + 3600, data1, data2)) {
            return true;
        }
    }
    if (shownLocally) {
        return false;
    }
    std::tm reading{};
    if (::gmtime_r(&u, &reading) == nullptr) {
        return false;
    }
    std::time_t asLocal = 0;
    return LocalReadingToInstant(reading, &asLocal) && LocalClockReads(asLocal + 3600, data1, data2);
}

}  // namespace

bool ReadArchiveDateTime(const std::string& data1, const std::string& data2, ArchiveDateTime* fields) {
    ArchiveDateTime f;
    if (data1.size() != 10 || data2.size() != 5 || data1[4] != '-' || data1[7] != '-' || data2[2] != ':' ||
        !ReadFixed(data1, 0, 4, &f.year) || !ReadFixed(data1, 5, 2, &f.month) || !ReadFixed(data1, 8, 2, &f.day) ||
        !ReadFixed(data2, 0, 2, &f.hour) || !ReadFixed(data2, 3, 2, &f.minute)) {
        return false;
    }
    if (f.year < 1 || f.month < 1 || f.month > 12 || f.day < 1 || f.day > 31 || f.hour > 23 || f.minute > 59) {
        return false;
    }
    *fields = f;
    return true;
}

bool ArchiveReadingSeconds(const std::string& data1, const std::string& data2, std::time_t* seconds) {
    ArchiveDateTime f;
    if (!ReadArchiveDateTime(data1, data2, &f)) {
        return false;
    }
    std::tm fields{};
    fields.tm_year = f.year - 1900;
    fields.tm_mon = f.month - 1;
    fields.tm_mday = f.day;
    fields.tm_hour = f.hour;
    fields.tm_min = f.minute;
    *seconds = ::timegm(&fields);
    // timegm moves a 31 April on to 1 May: such a date is no date.
    return fields.tm_mday == f.day;
}

bool ClassicToUtc(const std::string& data1, const std::string& data2, std::int64_t* utcSeconds) {
    std::time_t shown = 0;
    if (!ArchiveReadingSeconds(data1, data2, &shown)) {
        return false;
    }
    // An instant u that makes the text has shown = u - a + 1 h + b (a: the offset its reading was taken at, b: the
    // one an hour later), so u = shown - 1 h + a - b, with a and b among the offsets in force within two days of
    // the text (Samoa skipped a whole day in 2011). Going from the earliest candidate, the first that can make the
    // text comes back: exact wherever only one instant can, the earlier of two where two can (in spring the UTC
    // hour whose reading falls in the local gap and the hour after it; in autumn the hour whose reading is the
    // repeated local hour, read as summer time, and the hour before it).
    Offsets around;
    for (std::size_t i = 0; i < around.values.size(); ++i) {
        const std::time_t at = shown + (static_cast<long>(i) - 1) * 2 * 86400;
        std::tm local{};
        if (::localtime_r(&at, &local) == nullptr) {
            return false;
        }
        around.values[i] = local.tm_gmtoff;
    }
    std::sort(around.values.begin(), around.values.end());
    around.count =
        static_cast<std::size_t>(std::unique(around.values.begin(), around.values.end()) - around.values.begin());
    std::array<long, 9> shifts{};
    std::size_t shiftCount = 0;
    for (std::size_t a = 0; a < around.count; ++a) {
        for (std::size_t b = 0; b < around.count; ++b) {
            shifts[shiftCount++] = around.values[a] - around.values[b];
        }
    }
    std::sort(shifts.begin(), shifts.begin() + static_cast<std::ptrdiff_t>(shiftCount));
    for (std::size_t i = 0; i < shiftCount; ++i) {
        const std::time_t candidate = shown - 3600 + shifts[i];
        if (CanMakeClassic(candidate, around, data1, data2)) {
            *utcSeconds = static_cast<std::int64_t>(candidate);
            return true;
        }
    }
    // No instant makes this text here (the gap's own readings, or a row stored under other zone rules): undo it
    // through local time, as it was made.
    std::tm local{};
    ::gmtime_r(&shown, &local);  // the texts' fields again
    local.tm_isdst = -1;
    local.tm_wday = -1;
    const std::time_t later = std::mktime(&local);
    if (local.tm_wday == -1) {
        return false;
    }
    const std::time_t earlier = later - 3600;
    std::tm source{};
    if (::localtime_r(&earlier, &source) == nullptr) {
        return false;
    }
    source.tm_isdst = 0;
    *utcSeconds = static_cast<std::int64_t>(::timegm(&source));
    return true;
}

DateTimeText FormatInstant(std::int64_t utcSeconds, TimeDisplay display) {
    const std::time_t t = static_cast<std::time_t>(utcSeconds);
    std::tm tm{};
    if (display == TimeDisplay::Utc) {
        if (::gmtime_r(&t, &tm) == nullptr) {
            return {};
        }
        return FromTm(tm);
    }
    if (display == TimeDisplay::Classic) {
        // The archive's form: the UTC wall clock read as local time, plus one hour.
        std::tm utc{};
        if (::gmtime_r(&t, &utc) == nullptr) {
            return {};
        }
        std::time_t asLocal = 0;
        if (!LocalReadingToInstant(utc, &asLocal)) {
            return {};
        }
        const std::time_t later = asLocal + 3600;
        if (::localtime_r(&later, &tm) == nullptr) {
            return {};
        }
        return FromTm(tm);
    }
    if (::localtime_r(&t, &tm) == nullptr) {
        return {};
    }
    return FromTm(tm);
}

std::string LocalZoneName(std::int64_t utcSeconds) {
    const std::time_t t = static_cast<std::time_t>(utcSeconds);
    std::tm tm{};
    char zone[16] = {};
    if (::localtime_r(&t, &tm) == nullptr || std::strftime(zone, sizeof zone, "%Z", &tm) == 0) {
        return {};
    }
    return zone;
}

std::string LocalZoneLabel(std::int64_t utcSeconds) {
    const std::string zone = LocalZoneName(utcSeconds);
    if (!zone.empty() && (zone[0] == '+' || zone[0] == '-')) {
        return "UTC" + zone;
    }
    return zone;
}

DateTimeText DisplayedTime(const std::string& data1, const std::string& data2, bool hasUtc, std::int64_t utcSeconds,
                           TimeDisplay display) {
    if (display == TimeDisplay::Classic) {
        return {data1, data2};
    }
    std::int64_t utc = utcSeconds;
    if (!hasUtc && !ClassicToUtc(data1, data2, &utc)) {
        return {data1, data2};
    }
    return FormatInstant(utc, display);
}

bool TimeDisplayFromName(const std::string& name, TimeDisplay* display) {
    if (name == "classic") {
        *display = TimeDisplay::Classic;
    } else if (name == "local") {
        *display = TimeDisplay::Local;
    } else if (name == "utc") {
        *display = TimeDisplay::Utc;
    } else {
        return false;
    }
    return true;
}

const char* TimeDisplayName(TimeDisplay display) {
    switch (display) {
        case TimeDisplay::Local:
            return "local";
        case TimeDisplay::Utc:
            return "utc";
        case TimeDisplay::Classic:
            break;
    }
    return "classic";
}

}  // namespace dravik
