#pragma once

#include <string>
#include <vector>

#include "feed/quake_parser.h"

namespace dravik {

// The FDSN event service's text format: a header line beginning with "#EventID", then one event a line,
// fields separated by "|".
bool IsFdsnText(const std::string& page);

// Each well-formed data line as a QuakeEvent in the text forms of the EMSC page, so that events from both
// sources list and store alike. Lines that do not fit are skipped. The page may have lost its line feeds
// (FetchPage removes them): then the lines are found again by their Time fields.
std::vector<QuakeEvent> ParseFdsnText(const std::string& page);

}  // namespace dravik
