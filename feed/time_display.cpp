#include "feed/time_display.h"

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

bool ClassicToUtc(const std::string& data1, const std::string& data2, std::int64_t* utcSeconds) {
    ArchiveDateTime f;
    if (!ReadArchiveDateTime(data1, data2, &f)) {
        return false;
    }
    // The stored text is the wall clock of (source time read as local time) + 1 h; going back the same way
    // gives the source's wall clock, which is UTC.
    std::tm local{};
    local.tm_year = f.year - 1900;
    local.tm_mon = f.month - 1;
    local.tm_mday = f.day;
    local.tm_hour = f.hour;
    local.tm_min = f.minute;
    local.tm_isdst = -1;
    local.tm_wday = -1;
    const std::time_t shown = std::mktime(&local);
    if (local.tm_wday == -1 || local.tm_mday != f.day) {
        return false;
    }
    const std::time_t earlier = shown - 3600;
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
        utc.tm_isdst = -1;
        utc.tm_wday = -1;
        const std::time_t asLocal = std::mktime(&utc);
        if (utc.tm_wday == -1) {
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
