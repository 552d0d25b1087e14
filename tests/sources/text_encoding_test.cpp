#include "sources/text_encoding.h"

#include <gtest/gtest.h>

#include <string>

#include "sources/quake_source.h"
#include "tests/common/quake_page.h"

namespace dravik {
namespace {

TEST(TextEncodingTest, SingleByteTextBecomesUtf8AndUtf8StaysAsItIs) {
    struct Case {
        const char* name;
        std::string bytes, charset, expected;
    };
    const Case cases[] = {
        {"UTF-8 untouched", "ŁÓDŹ, POLAND – M 4.5", "", "ŁÓDŹ, POLAND – M 4.5"},
        {"Windows-1250, undeclared",
         "\xA3\xD3"
         "D\x8F, \xA3\xF3"
         "d\x9F",
         "", "ŁÓDŹ, Łódź"},
        {"Windows-1250 declared",
         "\x8C"
         "L\xA5"
         "SK",
         "windows-1250", "ŚLĄSK"},
        {"ISO-8859-2 declared",
         "\xA6L\xA1SK, \xBC"
         "d\xBA"
         "b\xB3o",
         "ISO-8859-2", "ŚLĄSK, źdşbło"},
        {"ISO-8859-1 declared", "G\xD6TTINGEN, M\xC9XICO \xB9", "iso-8859-1", "GÖTTINGEN, MÉXICO ¹"},
        // 0x81 is undefined in Windows-1250: the page is something else, read as Latin-1.
        {"undeclared, not Windows-1250", "a\x81 \xE9", "", "a\xC2\x81 é"},
        // Declared UTF-8 but with stray bytes (as EMSC's pages of 2016 were): valid sequences kept.
        {"mixed",
         "CRET\xC3\x89 \xB3"
         "\xF3"
         "d\xBF",
         "utf-8", "CRETÉ łódż"},
        {"cut sequence at the end", "ok \xC5", "", "ok Ĺ"},
    };
    for (const Case& c : cases) {
        const std::string out = ToUtf8(c.bytes, c.charset);
        EXPECT_EQ(out, c.expected) << c.name;
        EXPECT_TRUE(IsValidUtf8(out)) << c.name;
    }
    EXPECT_FALSE(IsValidUtf8("\xC0\x80"));          // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // a surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // past U+10FFFF
    EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x8C\x8B"));
}

TEST(TextEncodingTest, APageIsReadInTheCharsetItDeclares) {
    EXPECT_EQ(DeclaredCharset("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
                              "charset=ISO-8859-2\"></head>"),
              "iso-8859-2");
    EXPECT_EQ(DeclaredCharset("<?xml version=\"1.0\" encoding='windows-1250'?><q/>"), "windows-1250");
    EXPECT_EQ(DeclaredCharset("#EventID|Time|Latitude"), "");

    // A classic page in ISO-8859-2: its region is listed and stored as UTF-8.
    test::QuakeRow row{"500001"};
    row.region = "POLUDNIOWA POLSKA \xA6L\xA1SK";
    const std::string page = "<meta charset=\"iso-8859-2\">" + test::QuakePageHtml({row});
    const std::vector<QuakeEvent> events = ParseQuakeSource(page, "http://h/");
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].region, "POLUDNIOWA POLSKA ŚLĄSK");

    // FDSN text with Latin-1 bytes, no declaration: Windows-1250, where these letters agree.
    const std::string fdsn =
        "#EventID|Time|Latitude|Longitude|Depth/km|Author|Catalog|Contributor|ContributorID|MagType|Magnitude|"
        "MagAuthor|EventLocationName\n"
        "x1|2024-01-01T12:00:00|51.5|10.0|10|A|B|C|x1|ml|3.1|A|G\xD6TTINGEN, GERMANY\n";
    const std::vector<QuakeEvent> fdsnEvents = ParseQuakeSource(fdsn, "http://h/fdsnws/event/1/query");
    ASSERT_EQ(fdsnEvents.size(), 1u);
    EXPECT_EQ(fdsnEvents[0].region, "GÖTTINGEN, GERMANY");
}

}  // namespace
}  // namespace dravik
