#pragma once

#include <string>
#include <vector>

namespace dravik::test {

// One event row of the earthquake page in the form the parser reads.
struct QuakeRow {
    std::string id;
    std::string mag = "4.5";
    std::string region = "SOUTHERN GREECE";
    std::string lat = "38.80";
    std::string lon = "20.62";
    std::string depth = "10";
    std::string when = "2016-05-10&#160;&#160;&#160;18:03:19.0";
};

inline std::string QuakeRowHtml(const QuakeRow& row) {
    return "<tr id=\"" + row.id +
           "\" class=\"ev\"><td class=\"tabev6\"><a href=\"/Earthquake/earthquake.php?id=" + row.id + "\">" + row.when +
           "</a></td><td class=\"tabev1\">" + row.lat +
           "&nbsp;</td><td class=\"tabev2\">N&nbsp;</td><td class=\"tabev1\">" + row.lon +
           "&nbsp;</td><td class=\"tabev2\">E&nbsp;</td><td class=\"tabev3\">" + row.depth +
           "</td><td class=\"tabev2\">" + row.mag + "</td><td class=\"tb_region\" >&#160;" + row.region +
           "</td></tr>\n";
}

inline std::string QuakePageHtml(const std::vector<QuakeRow>& rows) {
    std::string page = "<html><body><table><tr id=\"head\"><th>Date</th></tr>\n";
    for (const QuakeRow& row : rows) {
        page += QuakeRowHtml(row);
    }
    return page + "</table></body></html>\n";
}

// Rows with ids first, first + 1, ... and a region naming the id, so that order is easy to check.
inline std::vector<QuakeRow> NumberedQuakeRows(int first, int count) {
    std::vector<QuakeRow> rows;
    for (int i = 0; i < count; ++i) {
        QuakeRow row;
        row.id = std::to_string(first + i);
        row.region = "REGION " + row.id;
        row.lat = std::to_string(10 + i % 70) + "." + std::to_string(first % 100);
        row.lon = std::to_string(20 + i % 150) + ".5";
        rows.push_back(row);
    }
    return rows;
}

}  // namespace dravik::test
