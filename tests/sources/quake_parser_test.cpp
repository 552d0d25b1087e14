#include "sources/quake_parser.h"

#include "sources/quake_source.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/common/scoped_tz.h"

namespace dravik {
namespace {

using test::ScopedTz;

// The pieces of one table row in the page's own order; a field set to kOmit leaves its cell out.
struct Row {
    std::string id = "512345";
    std::string when = "2016-12-31&#160;&#160;&#160;23:43:19.0";
    std::string lat = "38.80&nbsp;";
    std::string ns = "S&nbsp;";
    std::string lon = "20.62&nbsp;";
    std::string ew = "W&nbsp;";
    std::string depth = "10";
    std::string mag = "4.5";
    std::string region = "SOUTHERN GREECE";
};

const char kOmit[] = "\x01omit";

std::string Cell(const std::string& cls, const std::string& text) {
    return text == kOmit ? std::string() : "<td class=\"" + cls + "\">" + text + "</td>";
}

std::string RowHtml(const Row& r) {
    return "<tr id=\"" + r.id + "\" onclick=\"go(" + r.id + ")\"><td class=\"tabev0\"></td>" +
           "<td class=\"tabev6\"><b><a href=\"/Earthquake/earthquake.php?id=" + r.id + "\">" + r.when +
           "</a></b></td>" + Cell("tabev1", r.lat) + Cell("tabev2", r.ns) + Cell("tabev1", r.lon) +
           Cell("tabev2", r.ew) + Cell("tabev3", r.depth) + Cell("tabev2", r.mag) +
           (r.region == kOmit ? "" : "<td class=\"tb_region\" >&#160;" + r.region + "</td>") + "</tr>";
}

std::string PageHtml(const std::vector<Row>& rows) {
    std::string page = "<html><body><table><tr id=\"head\"><th>Date</th><th>Region</th></tr>\n";
    for (const Row& r : rows) {
        page += RowHtml(r) + "\n";
    }
    return page + "</table></body></html>";
}

TEST(QuakeParser, WorkedExample) {
    ScopedTz tz("UTC");
    const QuakeEvent e = ParseQuakeRow(RowHtml(Row{}));
    EXPECT_EQ(e.eventId, "512345");
    EXPECT_EQ(e.data1, "2017-01-01");
    EXPECT_EQ(e.data2, "00:43");
    EXPECT_EQ(e.mag, "4.5");
    EXPECT_EQ(e.wsp1, "-38.80 ");
    EXPECT_EQ(e.wsp2, "-20.62 ");
    EXPECT_EQ(e.depth, "10");
    EXPECT_EQ(e.region, "SOUTHERN GREECE");
}

TEST(QuakeParser, TextBetweenCases) {
    struct Case {
        std::string text, start, end;
        long from;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"a[x]b[y]", "[", "]", 0, "x"}, {"a[x]b[y]", "[", "]", 2, "y"},
        {"a[x]b[y]", "[", "]", 1, "x"},  // the marker at the start position counts
        {"a[x]b[y]", "[", "]", 6, ""},  {"a[x]b[y]", "[", "]", 100, ""},
        {"a[x", "[", "]", 0, ""},  // no end marker
        {"ax]", "[", "]", 0, ""},  // no start marker
        {"[]", "[", "]", 0, ""},        {"<b>a</b><b>b</b>", "<b>", "</b>", 0, "a"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TextBetween(c.text, c.start, c.end, c.from), c.expected) << c.text << " from " << c.from;
    }
}

TEST(QuakeParser, NthTextBetweenCases) {
    struct Case {
        std::string text;
        int n;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"[a][b][c]", 1, "a"}, {"[a][b][c]", 2, "b"},
        {"[a][b][c]", 3, "c"}, {"[a][b][c]", 7, "c"},  // fewer occurrences: the last one found
        {"no markers", 1, ""}, {"[[x]", 2, "x"},
        {"[[x]", 1, "[x"},     {"[a][b", 2, ""},  // the last occurrence has no end
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NthTextBetween(c.text, "[", "]", c.n), c.expected) << c.text << " n=" << c.n;
    }
}

TEST(QuakeParser, RowEdgeCases) {
    ScopedTz tz("UTC");
    struct Case {
        const char* name;
        Row row;
        QuakeEvent expected;
    };
    auto with = [](auto change) {
        Row r;
        change(r);
        return r;
    };
    const std::vector<Case> cases = {
        {"north east",
         with([](Row& r) {
             r.ns = "N&nbsp;";
             r.ew = "E&nbsp;";
         }),
         {"512345", "SOUTHERN GREECE", "2017-01-01", "00:43", "4.5", "38.80 ", "20.62 ", "10"}},
        {"single blank between date and time reads the hour one byte late",
         with([](Row& r) { r.when = "2016-05-10 18:03:19"; }),
         {"512345", "SOUTHERN GREECE", "2016-05-10", "09:03", "4.5", "-38.80 ", "-20.62 ", "10"}},
        {"two &#160; leave one blank",
         with([](Row& r) { r.when = "2016-05-10&#160;&#160;18:03:19.0"; }),
         {"512345", "SOUTHERN GREECE", "2016-05-10", "09:03", "4.5", "-38.80 ", "-20.62 ", "10"}},
        {"leap day",
         with([](Row& r) { r.when = "2016-02-28&#160;&#160;&#160;23:30:00.0"; }),
         {"512345", "SOUTHERN GREECE", "2016-02-29", "00:30", "4.5", "-38.80 ", "-20.62 ", "10"}},
        {"new year",
         with([](Row& r) { r.when = "2016-12-31&#160;&#160;&#160;23:59:59.9"; }),
         {"512345", "SOUTHERN GREECE", "2017-01-01", "00:59", "4.5", "-38.80 ", "-20.62 ", "10"}},
        {"S with a blank does not negate, lower case w neither",
         with([](Row& r) {
             r.ns = "S ";
             r.ew = "w&nbsp;";
         }),
         {"512345", "SOUTHERN GREECE", "2017-01-01", "00:43", "4.5", "38.80 ", "20.62 ", "10"}},
        {"magnitude, depth and region keep their entities",
         with([](Row& r) {
             r.mag = "4.5&nbsp;";
             r.depth = "10&nbsp;";
             r.region = "CRETE&#160;GREECE";
         }),
         {"512345", "CRETE&#160;GREECE", "2017-01-01", "00:43", "4.5&nbsp;", "-38.80 ", "-20.62 ", "10&nbsp;"}},
        {"only two letter cells: the magnitude is the second",
         with([](Row& r) { r.mag = kOmit; }),
         {"512345", "SOUTHERN GREECE", "2017-01-01", "00:43", "W&nbsp;", "-38.80 ", "-20.62 ", "10"}},
        {"short id takes the quote, the link does not match, no date",
         with([](Row& r) { r.id = "12345"; }),
         {"12345\"", "SOUTHERN GREECE", "", "", "4.5", "-38.80 ", "-20.62 ", "10"}},
        {"link text that is no calendar time",
         with([](Row& r) { r.when = "2016-13-45&#160;&#160;&#160;25:00"; }),
         {"512345", "SOUTHERN GREECE", "", "", "4.5", "-38.80 ", "-20.62 ", "10"}},
        {"missing cells give empty fields",
         with([](Row& r) { r.lat = r.ns = r.lon = r.ew = r.depth = r.mag = r.region = kOmit; }),
         {"512345", "", "2017-01-01", "00:43", "", "", "", ""}},
    };
    for (const Case& c : cases) {
        const QuakeEvent e = ParseQuakeRow(RowHtml(c.row));
        SCOPED_TRACE(c.name);
        EXPECT_EQ(e.eventId, c.expected.eventId);
        EXPECT_EQ(e.region, c.expected.region);
        EXPECT_EQ(e.data1, c.expected.data1);
        EXPECT_EQ(e.data2, c.expected.data2);
        EXPECT_EQ(e.mag, c.expected.mag);
        EXPECT_EQ(e.wsp1, c.expected.wsp1);
        EXPECT_EQ(e.wsp2, c.expected.wsp2);
        EXPECT_EQ(e.depth, c.expected.depth);
    }
}

TEST(QuakeParser, PageScan) {
    ScopedTz tz("UTC");
    Row a;
    Row b;
    b.id = "512346";
    b.region = "CRETE";
    std::string page = PageHtml({a, b, a});
    page += "<tr id=\"x1\"><td>letter id</td></tr><tr id=\"7\"></tr>";

    const std::vector<QuakeEvent> events = ParseQuakePage(page);
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].eventId, "512345");
    EXPECT_EQ(events[1].eventId, "512346");
    EXPECT_EQ(events[1].region, "CRETE");
    EXPECT_EQ(events[2].eventId, "512345");  // a repeated row is listed again; the seen test drops it later
    // A digit is all a row needs; the six bytes run into the markup after a short id.
    EXPECT_EQ(events[3].eventId, "7\"></t");
    EXPECT_EQ(events[3].data1, "");

    EXPECT_TRUE(ParseQuakePage("").empty());
    EXPECT_TRUE(ParseQuakePage("<html>no table</html>").empty());
    // A page cut short inside a row ends the scan without that row.
    const std::string cut = RowHtml(a) + RowHtml(b).substr(0, 120);
    ASSERT_EQ(ParseQuakePage(cut).size(), 1u);
    // Line feeds are gone by the time a fetched page is parsed; rows next to each other still split.
    EXPECT_EQ(ParseQuakePage(RowHtml(a) + RowHtml(b)).size(), 2u);
}

// A page of nothing but tiny rows (a broken or hostile server, up to the fetch's size limit) yields a bounded
// number of events: each costs hundreds of bytes, a list line and an archive row.
TEST(QuakeParser, PageOfTinyRowsIsBounded) {
    std::string page;
    for (int i = 0; page.size() < (4u << 20); ++i) {
        page += "<tr id=\"" + std::to_string(100000 + i % 900000) + "</tr>";
    }
    const std::vector<QuakeEvent> events = ParseQuakePage(page);
    EXPECT_GE(events.size(), 10000u);
    EXPECT_LE(events.size(), 20000u);
    EXPECT_EQ(events[0].eventId, "100000");
}

// Texts over their bounds (region 255 bytes, the rest 32) are cut, never inside a UTF-8 letter, and the row
// still counts: it is an earthquake all the same.
TEST(QuakeParser, FieldsOverTheirBoundsAreCut) {
    ScopedTz tz("UTC");
    Row row;
    row.region = std::string(254, 'r') + "\xC5\xBC" + std::string(1000, 'r');
    row.mag = std::string(31, '4') + "\xC3\xB3" + "x";
    row.lat = std::string(40, '1');
    row.depth = std::string(1u << 20, '9');
    const std::vector<QuakeEvent> events = ParseQuakePage(PageHtml({row, Row{}}));
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].region, std::string(254, 'r'));
    EXPECT_EQ(events[0].mag, std::string(31, '4'));
    EXPECT_EQ(events[0].wsp1, "-" + std::string(31, '1'));
    EXPECT_EQ(events[0].depth, std::string(32, '9'));
    EXPECT_EQ(events[1].region, "SOUTHERN GREECE");
}

// The classic page fetched whole loses its line feeds before the scan, so a row broken over lines reads as
// one; its ids stay as they were.
TEST(QuakeParser, ClassicPageAsASource) {
    ScopedTz tz("UTC");
    std::string row = RowHtml(Row{});
    row.insert(row.find("</a>"), "\r\n");
    const std::vector<QuakeEvent> events = ParseQuakeSource(PageHtml({}) + row, "http://www.emsc-csem.org/");
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].eventId, "512345");
    EXPECT_EQ(events[0].data2, "00:43");
    EXPECT_FALSE(events[0].hasNumbers);
}

// The page's time taken as local time plus one hour, across daylight-saving changes.
TEST(QuakeParser, TimeConversionUnderZones) {
    struct Case {
        const char* zone;
        const char* when;
        const char* data1;
        const char* data2;
    };
    const std::vector<Case> cases = {
        {"UTC", "2016-03-27&#160;&#160;&#160;01:30:00.0", "2016-03-27", "02:30"},
        {"UTC", "2016-10-30&#160;&#160;&#160;01:30:00.0", "2016-10-30", "02:30"},
        // Warsaw: clocks go from 02:00 to 03:00 on 27 March 2016, back from 03:00 to 02:00 on 30 October.
        {"Europe/Warsaw", "2016-03-27&#160;&#160;&#160;00:30:00.0", "2016-03-27", "01:30"},
        {"Europe/Warsaw", "2016-03-27&#160;&#160;&#160;01:30:00.0", "2016-03-27", "03:30"},
        {"Europe/Warsaw", "2016-10-30&#160;&#160;&#160;00:30:00.0", "2016-10-30", "01:30"},
        {"Europe/Warsaw", "2016-10-30&#160;&#160;&#160;03:30:00.0", "2016-10-30", "04:30"},
        {"Europe/Warsaw", "2016-12-31&#160;&#160;&#160;23:43:19.0", "2017-01-01", "00:43"},
    };
    for (const Case& c : cases) {
        ScopedTz tz(c.zone);
        Row row;
        row.when = c.when;
        const QuakeEvent e = ParseQuakeRow(RowHtml(row));
        EXPECT_EQ(e.data1, c.data1) << c.zone << " " << c.when;
        EXPECT_EQ(e.data2, c.data2) << c.zone << " " << c.when;
    }
}

}  // namespace
}  // namespace dravik
