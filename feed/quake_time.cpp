#include "feed/quake_time.h"

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

}  // namespace

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
    local.tm_isdst = -1;
    local.tm_wday = -1;  // mktime sets it on success; -1 is also a valid time, so it cannot tell by its result
    const std::time_t when = std::mktime(&local);
    if (local.tm_wday == -1) {
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
