#include "history/history_query.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdio>

#include <QtGlobal>

#include "history/region_group.h"
#include "history/shaking_filter.h"
#include "store/quake_database.h"

namespace dravik {

const char* const kAllRegions = QT_TRANSLATE_NOOP("History", "WSZYSTKIE");

namespace {

bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view SkipBlanks(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsCSpace(text[i])) {
        ++i;
    }
    return text.substr(i);
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    if (prefix.size() > text.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (LowerAscii(text[i]) != LowerAscii(prefix[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

double AtofC(std::string_view text) {
    text = SkipBlanks(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
        if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
            return 0.0;
        }
    }
    double value = 0.0;
    // from_chars never looks at the locale, unlike atof under a Polish LC_NUMERIC.
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec == std::errc::invalid_argument) {
        return 0.0;
    }
    return negative ? -value : value;
}

long AtoiC(std::string_view text) {
    text = SkipBlanks(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            break;
        }
        const int digit = c - '0';
        if (value > (LONG_MAX - digit) / 10) {
            return negative ? LONG_MIN : LONG_MAX;
        }
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

int MagnitudeClass(std::string_view mag) {
    const long k = AtoiC(mag);
    if (k <= 3) {
        return 0;
    }
    if (k <= 5) {
        return 1;
    }
    if (k == 6) {
        return 2;
    }
    return 3;
}

CalendarDate LocalDate(std::time_t t) {
    std::tm parts{};
    if (localtime_r(&t, &parts) == nullptr) {
        return {};
    }
    return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday};
}

std::pair<CalendarDate, CalendarDate> DefaultHistoryRange(std::time_t now) {
    // One second short of two days, so that only the calendar dates of the two ends matter.
    return {LocalDate(now - (2 * 24 * 60 * 60 - 1)), LocalDate(now)};
}

std::string DateText(const CalendarDate& date) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%4d-%2d-%2d", date.year, date.month, date.day);
    std::string text(buffer);
    std::replace(text.begin(), text.end(), ' ', '0');
    return text;
}

namespace {

std::string RangeCondition(const CalendarDate& from, const CalendarDate& to, const std::string& region) {
    const std::string range = "data1>='" + DateText(from) + "' and data1<='" + DateText(to) + "'";
    // A region entry is a group of place texts (every "…, Hawaii").
    return region == kAllRegions ? range : range + " and " + RegionGroupSql("region") + "=" + SqlQuote(region);
}

constexpr const char* kNewestFirst = " order by data1 desc,data2 desc";

}  // namespace

std::string HistoryStatement(const CalendarDate& from, const CalendarDate& to, const std::string& region) {
    return "select * from trze where " + RangeCondition(from, to, region) + kNewestFirst;
}

std::string ShakingStatement(const ShakingQuery& query, bool wholeTable) {
    // The depth of the row's own report ("+" keeps SQLite on the row index); rows older than the ids have none.
    // Every region over most of the archive: one walk of the table and a sort of the few rows kept beat a
    // lookup of each row in the date index's order. A region's index narrows it far more.
    const bool walkTable = wholeTable && query.region == kAllRegions;
    std::string sql =
        "select trze.*,(select depth from trze_id where row=trze.rowid and +creator=1) as depth from trze" +
        std::string(walkTable ? " NOT INDEXED" : "") + " where " + RangeCondition(query.from, query.to, query.region);
    if (query.level > 0) {
        sql += " and (" + ShakingPrefilterSql(query.level, query.places) + ")";
    }
    return sql + kNewestFirst;
}

std::string FeltStatement(const CalendarDate& from, const CalendarDate& to, const std::string& region) {
    return "select t.mag as mag,t.region as region,t.data1 as data1,t.data2 as data2,t.wsp1 as wsp1,t.wsp2 as wsp2,"
           "f.reports as reports,f.cdi as cdi,f.mmi as mmi,f.alert as alert,f.tsunami as tsunami from trze_felt f "
           "join trze t on t.rowid=f.row where " +
           RangeCondition(from, to, region);
}

std::string RegionListStatement() {
    return "select distinct region from trze order by region collate nocase,region";
}

int FindComboPrefix(const std::vector<std::string>& entries, const std::string& text) {
    const std::size_t n = entries.size();
    for (std::size_t step = 1; step <= n; ++step) {
        const std::size_t i = step % n;
        const bool match = text.empty() ? entries[i].empty() : StartsWithNoCase(entries[i], text);
        if (match) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int DoubleClickTarget(const std::vector<std::string>& entries, const std::string& currentEntry,
                      const std::string& eventRegion) {
    const std::string group = RegionGroup(eventRegion);
    if (currentEntry == group) {
        return FindComboPrefix(entries, kAllRegions);
    }
    // The event's own group before another that merely begins the same way ("GREECE" before "Greece").
    const auto exact = std::find(entries.begin() + (entries.empty() ? 0 : 1), entries.end(), group);
    return exact != entries.end() ? static_cast<int>(exact - entries.begin()) : FindComboPrefix(entries, group);
}

}  // namespace dravik
