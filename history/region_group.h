#pragma once

#include <string>
#include <string_view>
#include <vector>

// The region filter's groups: a place text's region part, so every "12 km SSW of Volcano, Hawaii" of USGS falls
// under "Hawaii" and every "RAT ISLANDS, ALEUTIAN ISLANDS" of EMSC under "ALEUTIAN ISLANDS".
namespace dravik {

// The text after the last comma, blanks trimmed; the whole text (trimmed) when there is no comma or nothing
// follows the last one.
std::string RegionGroup(std::string_view place);

// The same computed by SQLite over a column, for the statements' region condition; it gives what RegionGroup
// gives for every text.
std::string RegionGroupSql(const std::string& column);

// The groups of distinct place texts, each once, in the combo's order: letter case aside (ASCII's), then byte
// by byte.
std::vector<std::string> GroupRegions(const std::vector<std::string>& places);

}  // namespace dravik
