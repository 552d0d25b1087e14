#pragma once

#include <cstdint>
#include <string>

#include "alerts/alert_rule.h"

namespace dravik {

// A date and time in the archive's form ("YYYY-MM-DD", "HH:MM"), read field by field: digits only, month 1-12,
// day 1-31 (whether the month has the day is left to the calendar conversion), hour 0-23, minute 0-59, year
// from 1. False when the texts are not so.
struct ArchiveDateTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
};
bool ReadArchiveDateTime(const std::string& data1, const std::string& data2, ArchiveDateTime* fields);

// The texts' clock reading counted as if it were UTC, in seconds since the epoch; false when they do not read
// or name a day the month lacks (a 31 April).
bool ArchiveReadingSeconds(const std::string& data1, const std::string& data2, std::time_t* seconds);

// The UTC instant (seconds since the epoch) behind a date and time in the archive's form ("YYYY-MM-DD",
// "HH:MM": the source time plus one hour, computed through local time), to the minute: the one instant that can
// make the texts, or the earlier where two can. Two can twice a year where the clocks change: in spring the UTC
// hour whose clock reading the local clock skips and the hour after it; in autumn the hour whose reading the
// local clock repeats (when mktime takes it as summer time) and the hour before it. Texts that no instant makes
// under this computer's zone rules are undone through local time as they were made. False when the texts are
// not a real date and time.
bool ClassicToUtc(const std::string& data1, const std::string& data2, std::int64_t* utcSeconds);

struct DateTimeText {
    std::string date;  // "YYYY-MM-DD"
    std::string time;  // "HH:MM"
};

// An instant as the computer's local time or as UTC (the classic form is taken as local time + 1 h).
DateTimeText FormatInstant(std::int64_t utcSeconds, TimeDisplay display);

// The abbreviation of the computer's zone in force at an instant ("CET" in January, "CEST" in July in
// Warsaw); empty when there is none.
std::string LocalZoneName(std::int64_t utcSeconds);

// The zone in force at an instant as a reader knows it: its abbreviation ("CET", "CEST", "UTC"), or "UTC+03" where
// the zone has only a numeric one ("+03", Istanbul); empty when there is none.
std::string LocalZoneLabel(std::int64_t utcSeconds);

// How an event's time is shown. data1/data2 are the archive's form; the source's own UTC instant, where
// known, is used in place of the inverse conversion. Texts that do not read are shown as they are.
DateTimeText DisplayedTime(const std::string& data1, const std::string& data2, bool hasUtc, std::int64_t utcSeconds,
                           TimeDisplay display);

// "classic", "local", "utc": the stored names; anything else reads as false.
bool TimeDisplayFromName(const std::string& name, TimeDisplay* display);
const char* TimeDisplayName(TimeDisplay display);

}  // namespace dravik
