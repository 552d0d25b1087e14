#pragma once

#include <ctime>
#include <string>

namespace dravik {

// The instant a local clock reading (tm_year ... tm_sec) stands for, whatever conversion ran before: a
// reading the clock shows twice (the hour repeated in autumn) is its first showing, one it skips (the hour
// skipped in spring) is read with the offset before the change. (mktime with tm_isdst -1 picks by the offset
// of its previous call.) False when the C library cannot convert it.
bool LocalReadingToInstant(const std::tm& reading, std::time_t* instant);

// The date and time of an event as the list shows it: the given calendar time taken as local time (as
// LocalReadingToInstant takes it), one hour later, as "YYYY-MM-DD" and "HH:MM". Returns
// false, leaving both texts alone, when the fields are not a real calendar time or the conversion fails.
bool LocalTimePlusOneHour(int year, int month, int day, int hour, int minute, int second, std::string* data1,
                          std::string* data2);

}  // namespace dravik
