// The tsunami warning centres' Atom feeds: what an entry says, hostile feeds, which quake a message names, and
// the reads of a cycle against a local server (notified once, across restarts; 304; failing feeds).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "alerts/tsunami_alerted.h"
#include "alerts/tsunami_watch.h"
#include "sources/event_fields.h"
#include "sources/tsunami_feed.h"
#include "tests/common/http_test_server.h"
#include "tests/common/test_env.h"

namespace dravik {
namespace {

constexpr const char* kPtwcUrl = "https://www.tsunami.gov/events/xml/PHEBAtom.xml";
constexpr const char* kNtwcUrl = "https://www.tsunami.gov/events/xml/PAAQAtom.xml";

std::int64_t Utc(const char* iso) {
    return *ReadIsoTimeUtcMs(iso);
}

// One entry in the centres' layout, with the parts a case changes.
std::string Feed(const std::string& feedTitle, const std::string& id, const std::string& updated,
                 const std::string& category, const std::string& extra = {}) {
    return "<?xml version=\"1.0\"?>\n<feed xmlns=\"http://www.w3.org/2005/Atom\" "
           "xmlns:geo=\"http://www.w3.org/2003/01/geo/wgs84_pos#\">\n<title>" +
           feedTitle +
           "</title>\n<author><name>NWS PACIFIC TSUNAMI WARNING CENTER HONOLULU HI</name></author>\n<entry>"
           "<title>NEAR THE COAST OF CENTRAL CHILE</title><updated>" +
           updated + "</updated><geo:lat>-33.0</geo:lat><geo:long>-72.0</geo:long>" +
           "<summary type=\"xhtml\"><div><strong>Category:</strong> " + category + "<br/></div></summary><id>" + id +
           "</id><link rel=\"alternate\" title=\"Bulletin\" href=\"https://www.tsunami.gov/x/" + id + ".txt\"/>" +
           extra + "</entry></feed>\n";
}

TEST(TsunamiFeed, ReadsTheCentresLayout) {
    bool isFeed = false;
    const std::vector<TsunamiMessage> info =
        ParseTsunamiFeed(test::ReadFeedData("ntwc_information_made.xml"), kNtwcUrl, &isFeed);
    EXPECT_TRUE(isFeed);
    ASSERT_EQ(info.size(), 1u);
    const TsunamiMessage& m = info[0];
    EXPECT_EQ(m.id, "urn:uuid:9f8e7d6c-5b4a-4392-8170-6a5b4c3d2e1f");
    EXPECT_EQ(m.title, "Tsunami Information Statement Number 1 – 95 miles W of Adak, Alaska");
    EXPECT_EQ(m.centre, "NWS National Tsunami Warning Center Palmer AK");
    EXPECT_EQ(m.kind, TsunamiKind::Information);
    EXPECT_EQ(m.issuedUtcMs, Utc("2026-11-02T04:18:40Z"));
    EXPECT_EQ(m.expiresUtcMs, m.issuedUtcMs + kTsunamiDefaultLifeMs);
    // The bulletin a reader reads, not the CAP message.
    EXPECT_EQ(m.link, "https://www.tsunami.gov/events/PAAQ/2026/11/02/t7k2qa/1/WEAK53/WEAK53.txt");
    EXPECT_TRUE(m.hasPosition);
    EXPECT_DOUBLE_EQ(m.latitude, 51.812);
    EXPECT_DOUBLE_EQ(m.longitude, -179.105);

    const std::vector<TsunamiMessage> warning = ParseTsunamiFeed(test::ReadFeedData("ptwc_warning_made.xml"), kPtwcUrl);
    ASSERT_EQ(warning.size(), 1u);
    EXPECT_EQ(warning[0].kind, TsunamiKind::Warning);
    EXPECT_TRUE(IsTsunamiThreat(warning[0].kind));
    EXPECT_EQ(warning[0].centre, "NWS PACIFIC TSUNAMI WARNING CENTER HONOLULU HI");
}

TEST(TsunamiFeed, KindFromTheCategoryElseTheTitle) {
    const struct {
        const char* feedTitle;
        const char* category;
        TsunamiKind kind;
    } cases[] = {
        {"Tsunami Message Number 1", "Warning", TsunamiKind::Warning},
        {"Tsunami Message Number 1", "Watch", TsunamiKind::Watch},
        {"Tsunami Message Number 1", "Advisory", TsunamiKind::Advisory},
        {"Tsunami Message Number 1", "Threat", TsunamiKind::Threat},
        {"Tsunami Warning Number 3", "Information", TsunamiKind::Information},
        {"Tsunami Warning Number 3", "Cancellation", TsunamiKind::Information},
        {"TSUNAMI THREAT MESSAGE NUMBER 2", "", TsunamiKind::Threat},
        {"Tsunami Watch Number 1", "", TsunamiKind::Watch},
        {"Something else", "", TsunamiKind::Information},
    };
    for (const auto& c : cases) {
        const std::vector<TsunamiMessage> m =
            ParseTsunamiFeed(Feed(c.feedTitle, "urn:a", "2025-01-01T00:00:00Z", c.category), kPtwcUrl);
        ASSERT_EQ(m.size(), 1u) << c.feedTitle;
        EXPECT_EQ(m[0].kind, c.kind) << c.feedTitle << " / " << c.category;
    }
}

TEST(TsunamiFeed, HostileFeedsStayBoundedAndInert) {
    // Markup in a title is text: escaped markup stays as its characters, raw tags are dropped.
    std::vector<TsunamiMessage> m = ParseTsunamiFeed(
        Feed("&lt;b&gt;Tsunami&lt;/b&gt; Warning &amp; <i>more</i> &#x41;&#0;&#xD800;&bogus; <![CDATA[<script>]]>",
             "urn:b", "2025-01-01T00:00:00Z", "Warning"),
        kPtwcUrl);
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].title, "<b>Tsunami</b> Warning & more A&bogus; <script> – NEAR THE COAST OF CENTRAL CHILE");

    // A huge title is cut (never inside a UTF-8 character); line ends and tabs are blanks.
    std::string huge;
    for (int i = 0; i < 100000; ++i) {
        huge += "ż\n\t";
    }
    m = ParseTsunamiFeed(Feed(huge, "urn:c", "2025-01-01T00:00:00Z", "Warning"), kPtwcUrl);
    ASSERT_EQ(m.size(), 1u);
    EXPECT_LE(m[0].title.size(), kMaxTsunamiTextBytes);
    EXPECT_EQ(m[0].title.find('\n'), std::string::npos);
    EXPECT_EQ(m[0].title.rfind("ż ż", 0), 0u);

    // An expiry is at most a week after the issue; only a web address is kept as the link; a position out of
    // range is none.
    m = ParseTsunamiFeed(
        Feed("T", "urn:d", "2025-01-01T00:00:00Z", "Warning", "<expires>2099-01-01T00:00:00Z</expires>"), kPtwcUrl);
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].expiresUtcMs, m[0].issuedUtcMs + kTsunamiLongestLifeMs);
    const std::string scripted =
        "<feed><entry><id>urn:e</id><updated>2025-01-01T00:00:00Z</updated>"
        "<link href=\"javascript:alert(1)\"/><link rel=\"related\" href=\"file:///etc/passwd\"/>"
        "<geo:lat>91</geo:lat><geo:long>10</geo:long></entry></feed>";
    m = ParseTsunamiFeed(scripted, kPtwcUrl);
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].link, "");
    EXPECT_FALSE(m[0].hasPosition);
    // No author: the centre the address names.
    EXPECT_EQ(m[0].centre, "Pacific Tsunami Warning Center");

    // Entries without an id or a time are left out; at most kMaxTsunamiEntries are read.
    std::string many = "<feed>";
    many +=
        "<entry><updated>2025-01-01T00:00:00Z</updated></entry><entry><id>urn:f</id><updated>soon</updated></entry>";
    for (std::size_t i = 0; i < 3 * kMaxTsunamiEntries; ++i) {
        many += "<entry><id>urn:" + std::to_string(i) + "</id><updated>2025-01-01T00:00:00Z</updated></entry>";
    }
    m = ParseTsunamiFeed(many + "</feed>", kPtwcUrl);
    EXPECT_EQ(m.size(), kMaxTsunamiEntries - 2);

    // Broken and cut-off documents: no crash, nothing made up, and not a feed when there is none.
    bool isFeed = true;
    for (const std::string& broken :
         {std::string("<html><body>Service Unavailable</body></html>"), std::string(""), std::string("<feed"),
          std::string("<feed><entry><id>urn:g</id><updated>2025-01-01T00:00:00Z"), std::string(2'000'000, '<'),
          std::string(2'000'000, '&'), std::string("<feed><entry a=\"") + std::string(1'000'000, '>'),
          std::string("<!-- <feed><entry><id>x</id></entry></feed>")}) {
        const auto start = std::chrono::steady_clock::now();
        m = ParseTsunamiFeed(broken, kPtwcUrl, &isFeed);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << broken.substr(0, 40);
        EXPECT_LE(m.size(), 1u);
    }
    EXPECT_FALSE(isFeed) << "markup in a comment is no feed";
    m = ParseTsunamiFeed("<feed><entry><id>urn:g</id><updated>2025-01-01T00:00:00Z", kPtwcUrl, &isFeed);
    EXPECT_TRUE(isFeed);
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].id, "urn:g");
}

TEST(TsunamiFeed, NamesTheQuakeNearItShortlyBeforeItsIssue) {
    TsunamiMessage m;
    m.hasPosition = true;
    m.latitude = 38.3;
    m.longitude = 142.4;
    m.issuedUtcMs = Utc("2025-12-07T11:55:00Z");
    const struct {
        double lat, lon;
        const char* origin;
        bool named;
    } cases[] = {
        {38.1, 142.9, "2025-12-07T11:47:00Z", true},   // 48 km, 8 minutes before
        {40.8, 142.4, "2025-12-07T11:47:00Z", true},   // 278 km
        {41.2, 142.4, "2025-12-07T11:47:00Z", false},  // 322 km
        {38.3, 142.4, "2025-12-07T08:56:00Z", true},   // 2 h 59 before: a later message of that quake
        {38.3, 142.4, "2025-12-07T08:54:00Z", false},
        {38.3, 142.4, "2025-12-07T11:59:00Z", true},   // a clock a little ahead
        {38.3, 142.4, "2025-12-07T12:01:00Z", false},  // a quake after the message is another
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NamesQuake(m, c.lat, c.lon, Utc(c.origin)), c.named) << c.lat << " " << c.origin;
    }
    m.hasPosition = false;
    EXPECT_FALSE(NamesQuake(m, 38.3, 142.4, Utc("2025-12-07T11:47:00Z")));
}

class TsunamiWatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = test::MakeTempDir("tsunami");
        m_path = m_dir + "/tsunami_alerted.txt";
    }
    TsunamiRound Read(TsunamiWatch& watch, const std::vector<std::string>& urls) { return watch.Read(urls, m_now); }
    static std::vector<std::string> Ids(const std::vector<TsunamiMessage>& messages) {
        std::vector<std::string> ids;
        for (const TsunamiMessage& m : messages) {
            ids.push_back(m.id);
        }
        return ids;
    }

    test::HttpTestServer m_server;
    std::string m_dir;
    std::string m_path;
    std::int64_t m_now = Utc("2025-12-07T12:05:00Z");
};

// A warning is told once, also to a program started again, and not after it expires; an expired message and
// one issued more than a day ago are never told; an information statement is told.
TEST_F(TsunamiWatchTest, EachLiveMessageIsToldOnceAcrossRestarts) {
    m_server.Serve("/pheb", test::ReadFeedData("ptwc_warning_made.xml"), 200, "application/xml");
    m_server.Serve("/old", Feed("Tsunami Warning Number 9", "urn:old", "2025-12-06T11:00:00Z", "Warning"));
    m_server.Serve("/expired", Feed("Tsunami Warning Number 2", "urn:exp", "2025-12-07T11:00:00Z", "Warning",
                                    "<expires>2025-12-07T12:00:00Z</expires>"));
    m_server.Serve("/paaq",
                   Feed("Tsunami Information Statement Number 1", "urn:info", "2025-12-07T11:58:00Z", "Information"));
    const std::vector<std::string> urls = {m_server.Url("/pheb"), m_server.Url("/old"), m_server.Url("/expired"),
                                           m_server.Url("/paaq")};
    {
        TsunamiWatch watch(m_path);
        const TsunamiRound first = Read(watch, urls);
        EXPECT_EQ(Ids(first.toNotify),
                  (std::vector<std::string>{"urn:uuid:9a1f3c44-2b7d-4e5a-8c61-3d0e6f7a8b90", "urn:info"}));
        EXPECT_EQ(first.toNotify[0].kind, TsunamiKind::Warning);
        EXPECT_EQ(first.toNotify[1].kind, TsunamiKind::Information);
        EXPECT_EQ(Ids(first.live), Ids(first.toNotify));
        for (const std::string& url : urls) {
            EXPECT_EQ(first.problems.at(url), "") << url;
        }
        // The same messages again, and the same one in a second feed: nothing new.
        const TsunamiRound second = Read(watch, {urls[0], urls[0] + "?again", urls[3]});
        EXPECT_TRUE(second.toNotify.empty());
        EXPECT_EQ(second.live.size(), 3u);
    }
    // Started again: the file keeps the warning from being told twice.
    {
        TsunamiWatch watch(m_path);
        EXPECT_TRUE(Read(watch, urls).toNotify.empty());
    }
    // Without the file it would have been told again: the file is what kept it.
    std::filesystem::remove(m_path);
    {
        TsunamiWatch watch(m_path);
        EXPECT_EQ(Read(watch, urls).toNotify.size(), 2u);
    }
    // Once expired, the ids leave the file, and the message is not told again.
    m_now = Utc("2025-12-08T12:00:00Z");
    {
        TsunamiWatch watch(m_path);
        const TsunamiRound later = Read(watch, urls);
        EXPECT_TRUE(later.toNotify.empty());
        EXPECT_TRUE(later.live.empty());
    }
    TsunamiAlertedLog log(m_path);
    log.Load(Utc("2025-12-08T11:57:00Z"));
    EXPECT_TRUE(log.Has("urn:info"));
    log.Save(m_now);
    log.Load(0);
    EXPECT_FALSE(log.Has("urn:info")) << "an expired id is written no more";
}

TEST_F(TsunamiWatchTest, AnUnchangedFeedIsAskedConditionallyAndBringsNothingNew) {
    test::HttpResponse first;
    first.body = test::ReadFeedData("ptwc_warning_made.xml");
    first.headers = {{"ETag", "\"v1\""}, {"Last-Modified", "Sun, 07 Dec 2025 11:55:00 GMT"}};
    m_server.Set("/pheb", first);
    TsunamiWatch watch(m_path);
    const std::string url = m_server.Url("/pheb");
    ASSERT_EQ(Read(watch, {url}).toNotify.size(), 1u);

    test::HttpResponse unchanged;
    unchanged.status = 304;
    m_server.Set("/pheb", unchanged);
    const TsunamiRound round = Read(watch, {url});
    EXPECT_TRUE(round.toNotify.empty());
    EXPECT_EQ(round.live.size(), 1u) << "what the feed held still stands";
    EXPECT_EQ(round.problems.at(url), "");
    const std::vector<test::HttpRequest> requests = m_server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].headers.count("if-none-match"), 0u);
    EXPECT_EQ(requests[1].headers.at("if-none-match"), "\"v1\"");
    EXPECT_EQ(requests[1].headers.at("if-modified-since"), "Sun, 07 Dec 2025 11:55:00 GMT");
}

TEST_F(TsunamiWatchTest, AFeedThatFailsIsASourceProblemAndKeepsWhatItHeld) {
    m_server.Serve("/pheb", test::ReadFeedData("ptwc_warning_made.xml"));
    m_server.Serve("/html", "<html><body>Maintenance</body></html>");
    TsunamiWatch watch(m_path);
    const std::string url = m_server.Url("/pheb");
    ASSERT_EQ(Read(watch, {url}).live.size(), 1u);

    m_server.Serve("/pheb", "busy", 503);
    const TsunamiRound round = Read(watch, {url, m_server.Url("/html"), m_server.RefusedUrl("/x")});
    EXPECT_EQ(round.problems.at(url), "HTTP 503");
    EXPECT_EQ(round.problems.at(m_server.Url("/html")), "no Atom feed");
    EXPECT_NE(round.problems.at(m_server.RefusedUrl("/x")), "");
    EXPECT_EQ(round.live.size(), 1u);
    EXPECT_TRUE(round.toNotify.empty());
}

// In a real event a centre's feed had no entry, only the message in its title; one with entries links its CAP
// message, bulletin and maps all as related, and keeps its last bulletin after the message expired.
TEST_F(TsunamiWatchTest, MessagesHoldInTheShapesOfARealEvent) {
    const std::string titleOnly =
        "<?xml version=\"1.0\"?><feed xmlns=\"http://www.w3.org/2005/Atom\"><id>urn:uuid:feed-1</id>"
        "<title>TSUNAMI MESSAGE NUMBER 3</title><updated>2025-12-07T11:50:00Z</updated>"
        "<author><name>NWS PACIFIC TSUNAMI WARNING CENTER HONOLULU HI</name></author>"
        "<link rel=\"self\" type=\"application/atom+xml\" href=\"https://www.tsunami.gov/PHEBAtom.xml\"/>"
        "<link rel=\"alternate\" type=\"text/html\" href=\"https://www.tsunami.gov/\"/></feed>";
    // Links as descriptions of the live feed give them: all related, the CAP message first, then a map.
    const std::string related =
        "<link rel=\"related\" type=\"application/cap+xml\" title=\"CAP\" href=\"" + m_server.Url("/cap") +
        "\"/><link rel=\"related\" type=\"image/jpeg\" title=\"Map\" href=\"https://www.tsunami.gov/m.jpg\"/>"
        "<link rel=\"related\" type=\"text/plain\" title=\"Bulletin\" href=\"https://www.tsunami.gov/b.txt\"/>";
    // The helper's feed without its alternate link, with these links instead.
    const auto withLinks = [](std::string feed, const std::string& links) {
        const auto link = feed.find("<link rel=\"alternate\"");
        feed.erase(link, feed.find("/>", link) + 2 - link);
        return feed.insert(feed.find("</entry>"), links);
    };
    const std::string expired =
        withLinks(Feed("Tsunami Warning Number 4", "urn:expired", "2025-12-07T10:00:00Z", "Warning"), related);
    const std::string cap =
        "<?xml version=\"1.0\"?><alert xmlns=\"urn:oasis:names:tc:emergency:cap:1.2\"><identifier>x</identifier>"
        "<info><category>Geo</category><expires>2025-12-07T11:00:00-00:00</expires></info></alert>";
    m_server.Serve("/title", titleOnly);
    m_server.Serve("/expired", expired);
    m_server.Serve("/cap", cap);

    // Read alone, the feeds' shapes.
    const std::vector<TsunamiMessage> title = ParseTsunamiFeed(titleOnly, kPtwcUrl);
    ASSERT_EQ(title.size(), 1u);
    EXPECT_EQ(title[0].id, "urn:uuid:feed-1#3@2025-12-07T11:50:00Z");
    EXPECT_EQ(title[0].title, "TSUNAMI MESSAGE NUMBER 3");
    EXPECT_EQ(title[0].issuedUtcMs, Utc("2025-12-07T11:50:00Z"));
    EXPECT_EQ(title[0].link, "https://www.tsunami.gov/");
    const std::vector<TsunamiMessage> typed = ParseTsunamiFeed(expired, kPtwcUrl);
    ASSERT_EQ(typed.size(), 1u);
    EXPECT_EQ(typed[0].link, "https://www.tsunami.gov/b.txt") << "the bulletin, never the CAP XML";
    EXPECT_EQ(typed[0].capLink, m_server.Url("/cap"));
    // Only a CAP message linked (known by its name alone): a click opens nothing rather than XML.
    const std::vector<TsunamiMessage> capOnly =
        ParseTsunamiFeed(withLinks(Feed("Tsunami Warning Number 1", "urn:c", "2025-12-07T11:00:00Z", "Warning"),
                                   "<link rel=\"related\" href=\"https://www.tsunami.gov/x/PHEBCAP.xml\"/>"),
                         kPtwcUrl);
    ASSERT_EQ(capOnly.size(), 1u);
    EXPECT_EQ(capOnly[0].link, "");
    EXPECT_EQ(capOnly[0].capLink, "https://www.tsunami.gov/x/PHEBCAP.xml");
    // No number in a title without entries: no message.
    EXPECT_TRUE(ParseTsunamiFeed("<feed><title>Tsunami messages</title><updated>2025-12-07T11:50:00Z</updated></feed>",
                                 kPtwcUrl)
                    .empty());

    TsunamiWatch watch(m_path);
    const TsunamiRound round = Read(watch, {m_server.Url("/title"), m_server.Url("/expired")});
    // The title's message is told; the one its CAP message says expired at 11:00 is not, though the feed holds it.
    EXPECT_EQ(Ids(round.toNotify), (std::vector<std::string>{"urn:uuid:feed-1#3@2025-12-07T11:50:00Z"}));
    EXPECT_EQ(Ids(round.live), Ids(round.toNotify));
    // The CAP message is read once, not every round.
    Read(watch, {m_server.Url("/expired")});
    std::size_t capReads = 0;
    for (const test::HttpRequest& request : m_server.Requests()) {
        capReads += request.target == "/cap";
    }
    EXPECT_EQ(capReads, 1u);
}

TEST_F(TsunamiWatchTest, TwoFeedsOfOneHostThatFailAlikeAreOneProblem) {
    TsunamiWatch watch(m_path);
    const std::string a = m_server.RefusedUrl("/PHEBAtom.xml");
    const std::string b = m_server.RefusedUrl("/PAAQAtom.xml");
    const TsunamiRound round = Read(watch, {a, b});
    EXPECT_NE(round.problems.at(a), "");
    EXPECT_EQ(round.problems.at(b), "");
}

// A feed under someone else's control: one genuine warning near the home, one dated 2099, and 48 warnings never
// seen before at every read (50 entries, what a feed is read to). The genuine one is told once (also past the record's
// bound and after a restart), the one from 2099 never, and each read gives three notices, the danger first, and the
// rest in one summary.
TEST_F(TsunamiWatchTest, AFeedThatChangesAtEveryReadTellsItsWarningOnce) {
    int reads = 0;
    const auto flood = [&](const std::string&, const ConditionalRequest&) {
        std::string entries =
            "<entry><title>OFF HONSHU</title><updated>2025-12-07T12:00:00Z</updated><geo:lat>38.3"
            "</geo:lat><geo:long>142.4</geo:long><id>urn:genuine</id></entry>"
            "<entry><title>LATER</title><updated>2099-01-01T00:00:00Z</updated><id>urn:2099</id>"
            "</entry>";
        for (int i = 0; i < 49; ++i) {
            entries +=
                "<entry><title>FLOOD</title><updated>2025-12-07T12:04:00Z</updated><geo:lat>-40</geo:lat>"
                "<geo:long>-150</geo:long><id>urn:flood-" +
                std::to_string(reads) + "-" + std::to_string(i) + "</id></entry>";
        }
        ++reads;
        FetchResult page;
        page.ok = true;
        page.status = 200;
        page.body =
            "<feed xmlns=\"http://www.w3.org/2005/Atom\" xmlns:geo=\"http://www.w3.org/2003/01/geo/wgs84_pos#\">"
            "<title>Tsunami Warning Number 1</title>" +
            entries + "</feed>";
        return page;
    };
    const std::vector<Place> tokyo = {{"Tokio", 35.68, 139.69}};
    std::size_t genuine = 0;
    {
        TsunamiWatch watch(m_path, flood);
        for (int round = 0; round < 12; ++round) {
            const TsunamiRound r = Read(watch, {kPtwcUrl});
            const std::vector<std::string> told = Ids(r.toNotify);
            genuine += static_cast<std::size_t>(std::count(told.begin(), told.end(), "urn:genuine"));
            EXPECT_EQ(std::count(told.begin(), told.end(), "urn:2099"), 0);
            EXPECT_EQ(r.live.size(), 49u) << "the one from 2099 is not in force";
            const TsunamiNoticePlan plan = PlanTsunamiNotices(r.toNotify, tokyo);
            ASSERT_EQ(plan.single.size(), 3u);
            EXPECT_EQ(plan.summary.size(), r.toNotify.size() - 3);
            if (round == 0) {
                EXPECT_EQ(r.toNotify[plan.single[0]].id, "urn:genuine") << "the danger first";
                EXPECT_EQ(plan.summary.front(), 3u) << "the rest in the feed's order";
            }
        }
    }
    TsunamiWatch restarted(m_path, flood);
    const std::vector<std::string> told = Ids(Read(restarted, {kPtwcUrl}).toNotify);
    genuine += static_cast<std::size_t>(std::count(told.begin(), told.end(), "urn:genuine"));
    EXPECT_EQ(genuine, 1u);
}

TEST(TsunamiDanger, AWarningWatchOrThreatNearAPlaceIsADanger) {
    TsunamiMessage m;
    m.hasPosition = true;
    m.latitude = 38.3;  // off Honshu
    m.longitude = 142.4;
    const std::vector<Place> tokyo = {{"Tokyo", 35.68, 139.69}};   // about 410 km
    const std::vector<Place> warsaw = {{"Warsaw", 52.23, 21.01}};  // far away
    const struct {
        TsunamiKind kind;
        std::vector<Place> places;
        bool danger;
    } cases[] = {
        {TsunamiKind::Warning, tokyo, true},
        {TsunamiKind::Watch, tokyo, true},
        {TsunamiKind::Threat, tokyo, true},
        {TsunamiKind::Advisory, tokyo, false},
        {TsunamiKind::Information, tokyo, false},
        {TsunamiKind::Warning, warsaw, false},
        {TsunamiKind::Warning, {}, true},
        {TsunamiKind::Information, {}, false},
        {TsunamiKind::Warning, {warsaw[0], tokyo[0]}, true},
    };
    for (const auto& c : cases) {
        m.kind = c.kind;
        EXPECT_EQ(TsunamiDangerAt(m, c.places), c.danger) << static_cast<int>(c.kind) << " " << c.places.size();
    }
    m.hasPosition = false;
    m.kind = TsunamiKind::Warning;
    EXPECT_TRUE(TsunamiDangerAt(m, warsaw)) << "no place given: taken as near";
}

TEST(TsunamiAlertedLog, ABrokenOrOversizedFileIsReadAsFarAsItHolds) {
    const std::string path = test::MakeTempDir("tsunami_log") + "/ids.txt";
    {
        std::ofstream out(path, std::ios::binary);
        out << "2000 urn:kept\nnot a line\n1500 \n900 urn:expired\nabc urn:bad\n2000 urn:with blank\n2000 urn:cut";
    }
    TsunamiAlertedLog log(path);
    log.Load(1000);
    EXPECT_TRUE(log.Has("urn:kept"));
    for (const char* id : {"urn:expired", "urn:bad", "urn:with", "urn:with blank", "urn:cut", ""}) {
        EXPECT_FALSE(log.Has(id)) << id;
    }

    {
        std::ofstream out(path, std::ios::binary);
        out << "2000 urn:soonest\n";
        for (int i = 0; i < 10000; ++i) {
            out << "3000 urn:filler-" << i << "\n";
        }
    }
    log.Load(1000);
    EXPECT_TRUE(log.Has("urn:soonest")) << "past the bound, those kept last go first";
    EXPECT_FALSE(log.Has("urn:filler-9999"));
    ASSERT_TRUE(log.Save(1000));
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
    std::ifstream in(path);
    std::size_t lines = 0;
    for (std::string line; std::getline(in, line);) {
        ++lines;
    }
    EXPECT_EQ(lines, TsunamiAlertedLog::kMaxIds);
}

// Files planted in the data directory: a link is neither read nor written through, a FIFO does not hold the
// worker in open(), and the record is written to a file of its own.
TEST(TsunamiAlertedLog, PlantedFilesAreNeitherFollowedNorWaitedFor) {
    const std::string dir = test::MakeTempDir("tsunami_planted");
    const std::string path = dir + "/tsunami_alerted.txt";
    const std::string target = dir + "/someone_elses.txt";
    const std::string theirs = "9999999999999 urn:theirs\n";
    std::ofstream(target, std::ios::binary) << theirs;
    ASSERT_EQ(::symlink(target.c_str(), path.c_str()), 0);
    ASSERT_EQ(::symlink(target.c_str(), (path + ".tmp").c_str()), 0);
    TsunamiAlertedLog log(path);
    log.Load(0);
    EXPECT_FALSE(log.Has("urn:theirs"));
    log.Add("urn:ours", 9999999999999);
    ASSERT_TRUE(log.Save(0));
    std::ifstream in(target, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), theirs);
    EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(path)));

    ASSERT_EQ(::unlink(path.c_str()), 0);
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::thread([path, done] {
        TsunamiAlertedLog fifo(path);
        fifo.Load(0);
        *done = true;
    }).detach();
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!*done && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!*done) {
        ::close(::open(path.c_str(), O_WRONLY | O_NONBLOCK));  // lets the reader go before the test ends
    }
    EXPECT_TRUE(*done) << "a FIFO in the record's place held the reader";
}

}  // namespace
}  // namespace dravik
