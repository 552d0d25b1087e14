#include "sources/quake_time.h"

#include <cstdio>
#include <ctime>

namespace dravik {
namespace {

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Blanks of the fixed-width numbers become zeros.
std::string ZeroBlanks(const char* text) {
    std::string out(text);
    for (char& c : out) {
        if (c == ' ') {
            c = '0';
        }
    }
    return out;
}

// Whether the local clock at `instant` reads `reading` (to the second).
bool ShowsReading(std::time_t instant, const std::tm& reading) {
    std::tm shown{};
    return ::localtime_r(&instant, &shown) != nullptr && shown.tm_year == reading.tm_year &&
           shown.tm_mon == reading.tm_mon && shown.tm_mday == reading.tm_mday && shown.tm_hour == reading.tm_hour &&
           shown.tm_min == reading.tm_min && shown.tm_sec == reading.tm_sec;
}

}  // namespace

bool LocalReadingToInstant(const std::tm& reading, std::time_t* instant) {
    std::tm asUtc = reading;
    const std::time_t utc = ::timegm(&asUtc);
    // Every offset the zone uses around then: a day before and after covers any change of it.
    std::time_t found = 0;
    bool any = false;
    for (const std::time_t probe : {utc - 86400, utc, utc + 86400}) {
        std::tm at{};
        if (::localtime_r(&probe, &at) == nullptr) {
            continue;
        }
        const std::time_t candidate = utc - at.tm_gmtoff;
        if (ShowsReading(candidate, reading) && (!any || candidate < found)) {
            found = candidate;
            any = true;
        }
    }
    if (!any) {
        // Skipped by the clock: read with the offset in force before the change.
        std::tm before{};
        const std::time_t dayBefore = utc - 86400;
        if (::localtime_r(&dayBefore, &before) == nullptr) {
            return false;
        }
        found = utc - before.tm_gmtoff;
    }
    *instant = found;
    return true;
}

bool LocalTimePlusOneHour(int year, int month, int day, int hour, int minute, int second, std::string* data1,
                          std::string* data2) {
    // A link text without a date reads as zeros; converting that would list a made-up date.
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour < 0 ||
        hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 60) {
        return false;
    }
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    std::time_t when = 0;
    if (!LocalReadingToInstant(local, &when)) {
        return false;
    }
    const std::time_t later = when + 3600;
    std::tm result{};
    if (::localtime_r(&later, &result) == nullptr) {
        return false;
    }
    char buffer[64];
    std::snprintf(buffer, sizeof(buffer), "%4d-%2d-%2d", result.tm_year + 1900, result.tm_mon + 1, result.tm_mday);
    *data1 = ZeroBlanks(buffer);
    std::snprintf(buffer, sizeof(buffer), "%2d:%2d", result.tm_hour, result.tm_min);
    *data2 = ZeroBlanks(buffer);
    return true;
}

}  // namespace dravik
