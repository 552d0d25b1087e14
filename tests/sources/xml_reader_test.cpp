#include "sources/xml_reader.h"

#include <gtest/gtest.h>

#include <string>

namespace dravik {
namespace {

TEST(XmlReader, ReadsAtomShapesByLocalName) {
    const auto root = ParseXml(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<feed xmlns=\"http://www.w3.org/2005/Atom\" xmlns:geo=\"http://www.w3.org/2003/01/geo/wgs84_pos#\">"
        "<title>Tsunami &amp; Information</title><entry><geo:lat>-21.5</geo:lat>"
        "<link rel=\"related\" type=\"application/cap+xml\" href=\"https://x/cap.xml\"/>"
        "<summary><![CDATA[<b>Category:</b> Warning]]> &#x105;</summary></entry></feed>");
    ASSERT_TRUE(root.has_value());
    EXPECT_EQ(root->name, "feed");
    EXPECT_EQ(root->ChildText("title"), "Tsunami & Information");
    const XmlElement* entry = root->Child("entry");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->ChildText("lat"), "-21.5");
    EXPECT_EQ(entry->Child("link")->Attribute("href"), "https://x/cap.xml");
    EXPECT_EQ(entry->ChildText("summary"), "<b>Category:</b> Warning \xC4\x85");
    EXPECT_EQ(root->Children("entry").size(), 1u);
    EXPECT_EQ(root->Child("missing"), nullptr);
}

// What a hostile or broken sender can try: each is refused whole, or cut at its bound.
TEST(XmlReader, HostileInputIsRefusedOrBounded) {
    const std::string laughs =
        "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\"><!ENTITY lol2 \"&lol;&lol;&lol;&lol;\">]>"
        "<lolz>&lol2;</lolz>";
    const std::string external = "<!DOCTYPE r SYSTEM \"file:///etc/passwd\"><r>x</r>";
    std::string deep;
    for (int i = 0; i < 40; ++i) {
        deep += "<a>";
    }
    for (int i = 0; i < 40; ++i) {
        deep += "</a>";
    }
    std::string many = "<r>";
    for (int i = 0; i < 30; ++i) {
        many += "<e/>";
    }
    many += "</r>";
    XmlLimits small;
    small.maxElements = 20;
    for (const std::string& bad :
         {laughs, external, deep, std::string("no xml"), std::string("<!-- <a>x</a>"), std::string()}) {
        EXPECT_FALSE(ParseXml(bad).has_value()) << bad.substr(0, 60);
    }
    EXPECT_FALSE(ParseXml(many, small).has_value());
    XmlLimits tiny;
    tiny.maxBytes = 10;
    EXPECT_FALSE(ParseXml("<a>0123456789</a>", tiny).has_value());
    XmlLimits shortText;
    shortText.maxTextBytes = 4;
    const auto cut = ParseXml("<a>0123456789</a>", shortText);
    ASSERT_TRUE(cut.has_value());
    EXPECT_EQ(cut->text, "0123");
}

// Careless senders: stray ampersands are text, references to no character vanish, a document cut short or
// broken keeps what came before; '&' inside CDATA and comments is left alone.
TEST(XmlReader, CarelessDocumentsKeepWhatTheyHold) {
    auto root = ParseXml("<a href=\"x?p=1&q=2\">A&bogus; &amp; &#0;&#xD800;&#x42; <![CDATA[&lt;]]></a>");
    ASSERT_TRUE(root.has_value());
    EXPECT_EQ(root->Attribute("href"), "x?p=1&q=2");
    EXPECT_EQ(root->text, "A&bogus; & B &lt;");
    root = ParseXml("<feed><entry><id>urn:g</id><updated>2025-01-01T00:00:00Z");
    ASSERT_TRUE(root.has_value());
    ASSERT_NE(root->Child("entry"), nullptr);
    EXPECT_EQ(root->Child("entry")->ChildText("updated"), "2025-01-01T00:00:00Z");
    root = ParseXml("<a><b>x</c><d/></a><e/>");
    ASSERT_TRUE(root.has_value());
    EXPECT_EQ(root->Child("b")->text, "x");
    EXPECT_EQ(root->Child("d"), nullptr);
}

}  // namespace
}  // namespace dravik
