#pragma once

#include <string>
#include <vector>

#include "sources/quake_parser.h"

namespace dravik {

// The FDSN event service's text format, as EMSC, USGS, GFZ, INGV, IRIS and others write it: a header line
// "#EventID|Time|..." (blanks around the separators or not), then one event a line, fields separated by "|".
bool IsFdsnText(const std::string& page);

// Each data line that reads as an event, in the text forms every structured source shares (event_fields.h),
// its id qualified by `prefix`. Columns are found by their names in the header, in any case; a line that does
// not read (too few or too many fields, a required value missing or out of range) is skipped and the rest
// still count. The lines must be whole: a text that lost its line feeds is not read.
std::vector<QuakeEvent> ParseFdsnText(const std::string& page, const std::string& prefix);

}  // namespace dravik
