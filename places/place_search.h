#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

// Finding a place by its name in GeoNames' populated places (places/data: cities1000.tsv.gz and admin1.tsv.gz),
// read from the file at each search and never kept: the program's memory at rest stays the same whether or not
// anybody searched.
namespace dravik {

struct FoundPlace {
    std::string name;         // GeoNames' main name, "Warsaw"
    std::string countryCode;  // ISO 3166-1 alpha-2, "PL"
    std::string region;       // the first-level division's name, "Mazovia"; empty when unknown
    long long population = 0;
    double latitude = 0.0;
    double longitude = 0.0;
    std::int64_t geonameId = 0;
};

inline constexpr const char* kPlacesFile = "cities1000.tsv.gz";
inline constexpr const char* kRegionsFile = "admin1.tsv.gz";
inline constexpr std::size_t kPlaceResults = 20;

enum class PlaceSearchStatus { Done, NoData, Cancelled };

struct PlaceSearchResult {
    PlaceSearchStatus status = PlaceSearchStatus::Done;
    // The most populous places whose name, or a word of it, begins with the query (folded: case and accents
    // do not count); most populous first.
    std::vector<FoundPlace> places{};
};

// The places of `query` in the files of `dataDir`. A query that folds to nothing finds nothing. `cancel`, when
// given, is looked at between lines: a newer keystroke stops an older search at once.
PlaceSearchResult SearchPlaces(const std::string& dataDir, const std::string& query,
                               std::size_t maxResults = kPlaceResults, const std::atomic<bool>* cancel = nullptr);

// Where the files are: DRAVIK_PLACES_DIR when set; else beside the program in the build tree (<dir>/share/dravik),
// else installed (<dir>/../share/dravik, then the configured data directory). Empty when none holds them.
std::string PlacesDataDir();

}  // namespace dravik
