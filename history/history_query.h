#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sources/geo.h"

// The history window's decisions as plain values: magnitude class, date range, range statement and the
// region combo's search.
namespace dravik {

// atof/atoi as the C library reads them in the "C" locale, whatever locale the process runs in: leading
// blanks skipped, the longest readable prefix taken, 0 when there is none. AtoiC saturates instead of
// overflowing.
double AtofC(std::string_view text);
long AtoiC(std::string_view text);

// The image index 0..3 of a listed magnitude text, by its whole-number part (4.9 is class 1).
int MagnitudeClass(std::string_view mag);

struct CalendarDate {
    int year = 1970;
    int month = 1;  // 1..12
    int day = 1;
    bool operator==(const CalendarDate& o) const { return year == o.year && month == o.month && day == o.day; }
};

// The local calendar date of an absolute time.
CalendarDate LocalDate(std::time_t t);

// The range the window opens with: the day before yesterday through today (now - 172,799 s .. now).
std::pair<CalendarDate, CalendarDate> DefaultHistoryRange(std::time_t now);

// "YYYY-MM-DD", zero-padded, the form the table's data1 column holds.
std::string DateText(const CalendarDate& date);

// The combo entry that stands for every region.
extern const char* const kAllRegions;

// The range statement, newest first; without the region condition when the region is kAllRegions. The
// region goes in as one safe literal, quotes and all.
std::string HistoryStatement(const CalendarDate& from, const CalendarDate& to, const std::string& region);

// What the shaking filter and chart ask for: the range and region, the places, and the level a quake must reach
// at one of them (0: every quake, each with its level).
struct ShakingQuery {
    CalendarDate from;
    CalendarDate to;
    std::string region;
    int level = 0;
    std::vector<Place> places{};
};

// The same range with each row's depth (column "depth", its own report's) and, from level II up, only the rows
// whose quake can reach the level at one of the places by ShakingPrefilterSql. `wholeTable`: the range holds
// most of the archive, and every region's rows are looked for in the table rather than through the date index.
std::string ShakingStatement(const ShakingQuery& query, bool wholeTable);

// What agencies said people felt of the rows of the range (table trze_felt), with each row's texts to find it by.
std::string FeltStatement(const CalendarDate& from, const CalendarDate& to, const std::string& region);

// The archive's place texts, each once (GroupRegions makes the combo's entries of them).
std::string RegionListStatement();

// The combo's prefix search: the first entry after entry 0 (wrapping round to entry 0) that begins with
// `text`, ignoring letter case; -1 when none does. An empty text finds only an empty entry.
int FindComboPrefix(const std::vector<std::string>& entries, const std::string& text);

// What the region combo should show after a double-click on an event of `eventRegion` (a place text) while
// `currentEntry` is chosen: the event's region group, or all regions again when it is already chosen. -1 when
// nothing matches.
int DoubleClickTarget(const std::vector<std::string>& entries, const std::string& currentEntry,
                      const std::string& eventRegion);

}  // namespace dravik
