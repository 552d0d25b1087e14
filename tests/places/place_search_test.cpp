#include <zlib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "places/place_search.h"
#include "places/place_search_runner.h"
#include "places/text_fold.h"
#include "tests/common/scoped_env.h"
#include "tests/common/test_env.h"

namespace dravik {
namespace {

std::string DataDir() {
    return test::SourceDir() + "/places/data";
}

void WriteGz(const std::string& path, const std::string& text) {
    gzFile file = gzopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    gzwrite(file, text.data(), static_cast<unsigned>(text.size()));
    gzclose(file);
}

TEST(TextFoldTest, CaseAccentsAndLigaturesFold) {
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"İstanbul", "istanbul"}, {"ISTANBUL", "istanbul"},   {"Łódź", "lodz"},     {"Straße", "strasse"},
        {"Zürich", "zurich"},     {"São Paulo", "sao paulo"}, {"Hà Nội", "ha noi"}, {"Ærøskøbing", "aeroskobing"},
        {"Москва", "москва"},     {"Kʻihei", "k'ihei"},       {"e\xCC\x81", "e"},  // e with a combining acute
        {"bad\xC3", "bad\xC3"},  // a cut sequence is kept as it stands
    };
    for (const auto& [text, folded] : rows) {
        EXPECT_EQ(FoldForSearch(text), folded) << text;
    }
}

TEST(PlaceSearchTest, RealDataFindsTheLargestPlacesFirst) {
    const PlaceSearchResult warsaw = SearchPlaces(DataDir(), "Warsaw");
    ASSERT_EQ(warsaw.status, PlaceSearchStatus::Done);
    ASSERT_GE(warsaw.places.size(), 2u);
    EXPECT_EQ(warsaw.places[0].name, "Warsaw");
    EXPECT_EQ(warsaw.places[0].countryCode, "PL");
    EXPECT_EQ(warsaw.places[0].region, "Mazovia");
    EXPECT_NEAR(warsaw.places[0].latitude, 52.23, 0.01);
    EXPECT_EQ(warsaw.places[1].countryCode, "US");
    EXPECT_EQ(warsaw.places[1].region, "Indiana");

    // However the user writes it: dotted capital I, lower case, blanks around.
    for (const char* query : {"istanbul", "İstanbul", "  ISTANB "}) {
        const PlaceSearchResult istanbul = SearchPlaces(DataDir(), query);
        ASSERT_FALSE(istanbul.places.empty()) << query;
        EXPECT_EQ(istanbul.places[0].geonameId, 745044) << query;
        EXPECT_EQ(istanbul.places[0].countryCode, "TR") << query;
    }

    // A short query fills the list, most populous first; a word inside the name counts ("New York" for "york").
    // A keystroke's search reads the whole file: well within a typing pause even on a busy machine.
    const auto start = std::chrono::steady_clock::now();
    const PlaceSearchResult many = SearchPlaces(DataDir(), "sa");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    ASSERT_EQ(many.places.size(), kPlaceResults);
    for (std::size_t i = 1; i < many.places.size(); ++i) {
        EXPECT_GE(many.places[i - 1].population, many.places[i].population);
    }
    const PlaceSearchResult york = SearchPlaces(DataDir(), "york");
    ASSERT_FALSE(york.places.empty());
    EXPECT_EQ(york.places[0].name, "New York City");

    EXPECT_TRUE(SearchPlaces(DataDir(), "   ").places.empty());
    EXPECT_TRUE(SearchPlaces(DataDir(), "qqqxqq").places.empty());
    EXPECT_EQ(SearchPlaces(test::MakeTempDir("noplaces"), "Warsaw").status, PlaceSearchStatus::NoData);
}

TEST(PlaceSearchTest, DamagedLinesAreSkippedAndTiesKeepTheFileOrder) {
    const std::string dir = test::MakeTempDir("places");
    WriteGz(dir + "/" + kPlacesFile,
            "Alpha\tPL\t78\t5000\t52.0\t21.0\t1\n"
            "Alpine\tPL\t78\tmany\t52.0\t21.0\t2\n"     // population that does not read
            "Alpha North\tDE\t\t5000\t95.0\t10.0\t3\n"  // latitude out of range
            "Alpha Bay\tUS\tCA\t5000\t34.0\t-118.0\t4\n" +
                std::string(3000, 'x') + "\n" +  // far too long a line
                "Alphaville\tBR\t27\t9000\t-23.5\t-46.8\t5\r\n"
                "short\tline\n");
    WriteGz(dir + "/" + kRegionsFile, "PL.78\tMazovia\nUS.CA\tCalifornia\n");
    const PlaceSearchResult result = SearchPlaces(dir, "alpha");
    ASSERT_EQ(result.places.size(), 3u);
    EXPECT_EQ(result.places[0].geonameId, 5);
    EXPECT_EQ(result.places[0].region, "");
    EXPECT_EQ(result.places[1].geonameId, 1);
    EXPECT_EQ(result.places[1].region, "Mazovia");
    EXPECT_EQ(result.places[2].geonameId, 4);
    EXPECT_EQ(result.places[2].region, "California");

    // A cut file gives what it read up to the cut, and no error.
    {
        std::ifstream in(dir + "/" + kPlacesFile, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::ofstream out(dir + "/" + kPlacesFile, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size() / 2));
    }
    EXPECT_EQ(SearchPlaces(dir, "alpha").status, PlaceSearchStatus::Done);
}

TEST(PlaceSearchTest, DataDirectoryFollowsTheOverride) {
    {
        test::ScopedEnv env("DRAVIK_PLACES_DIR", "/somewhere/else");
        EXPECT_EQ(PlacesDataDir(), "/somewhere/else");
    }
    // The build tree holds a copy beside the program's directory (build/share/dravik).
    test::ScopedEnv env("DRAVIK_PLACES_DIR", nullptr);
    std::ifstream copy(std::string(std::getenv("DRAVIK_TEST_BINARY_DIR")) + "/share/dravik/" + kPlacesFile);
    EXPECT_TRUE(copy.good());
}

TEST(PlaceSearchRunnerTest, ANewSearchStopsTheOldOneAndOnlyFinishedOnesReport) {
    std::mutex mutex;
    std::condition_variable done;
    std::vector<std::uint64_t> reported;
    std::vector<std::string> first;
    {
        PlaceSearchRunner runner(DataDir(), [&](std::uint64_t serial, const PlaceSearchResult& result) {
            std::lock_guard<std::mutex> lock(mutex);
            reported.push_back(serial);
            first.push_back(result.places.empty() ? std::string() : result.places[0].name);
            done.notify_all();
        });
        runner.Start("w");
        runner.Start("wa");
        const std::uint64_t last = runner.Start("warsaw");
        std::unique_lock<std::mutex> lock(mutex);
        ASSERT_TRUE(done.wait_for(lock, std::chrono::seconds(10),
                                  [&] { return !reported.empty() && reported.back() == last; }));
        EXPECT_EQ(first.back(), "Warsaw");
        // Stopping while a search runs reports nothing more.
        lock.unlock();
        runner.Start("s");
    }
    // "w" and "wa" were stopped before they finished, or finished before the next began; never after.
    for (std::size_t i = 1; i < reported.size(); ++i) {
        EXPECT_LT(reported[i - 1], reported[i]);
    }
}

}  // namespace
}  // namespace dravik
