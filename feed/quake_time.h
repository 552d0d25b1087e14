#pragma once

#include <string>

namespace dravik {

// The date and time of an event as the list shows it: the given calendar time taken as local time (the
// daylight-saving state found by the C library), one hour later, as "YYYY-MM-DD" and "HH:MM". Returns
// false, leaving both texts alone, when the fields are not a real calendar time or the conversion fails.
bool LocalTimePlusOneHour(int year, int month, int day, int hour, int minute, int second, std::string* data1,
                          std::string* data2);

}  // namespace dravik
