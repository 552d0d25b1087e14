#include <cmath>
#include <cstddef>

#include "shaking/intensity.h"

// The stable continental regions as coarse hand-drawn outlines (shaking/STABLE_CRUST.md says from what).
// Each outline keeps a margin of a degree or two inside the active belts that bound it, and takes in the
// continental shelf where a margin is passive, so a quake on the belt itself stays active.
namespace dravik {
namespace {

struct Point {
    double lon = 0.0;
    double lat = 0.0;
};

struct Region {
    const Point* points = nullptr;
    std::size_t count = 0;
    double south = 0.0, north = 0.0, west = 0.0, east = 0.0;
};

// Central and eastern North America with the Canadian shield and the Arctic islands: west to the Rocky
// Mountain front and the Rio Grande rift, east and south to the shelf edge of the Atlantic (the Grand Banks and
// the Scotian shelf with it) and the Gulf.
constexpr Point kNorthAmerica[] = {
    {-97.0, 25.0},  {-99.5, 27.5},  {-101.0, 29.5}, {-104.0, 29.2}, {-105.0, 31.0}, {-104.8, 33.5}, {-105.0, 36.5},
    {-104.8, 39.0}, {-105.2, 41.0}, {-107.0, 44.5}, {-111.5, 47.5}, {-113.5, 49.0}, {-115.5, 51.5}, {-119.5, 55.0},
    {-123.5, 58.5}, {-126.5, 61.5}, {-130.0, 64.5}, {-136.0, 67.5}, {-140.0, 69.8}, {-125.0, 72.0}, {-120.0, 76.5},
    {-100.0, 80.0}, {-75.0, 83.0},  {-62.0, 82.5},  {-70.0, 78.0},  {-78.0, 74.0},  {-68.0, 70.0},  {-61.0, 66.5},
    {-64.0, 60.5},  {-56.0, 55.0},  {-52.0, 50.0},  {-50.0, 48.0},  {-48.5, 46.0},  {-50.0, 43.0},  {-55.0, 43.2},
    {-60.0, 42.8},  {-65.0, 41.8},  {-69.0, 40.0},  {-73.0, 38.5},  {-75.0, 35.5},  {-78.5, 32.0},  {-80.0, 28.0},
    {-79.8, 25.0},  {-81.5, 24.3},  {-83.5, 25.5},  {-85.5, 29.0},  {-89.0, 28.5},  {-94.0, 28.5},  {-96.5, 27.5},
};

constexpr Point kGreenland[] = {
    {-73.0, 78.5}, {-60.0, 82.2}, {-35.0, 83.8}, {-12.0, 81.7}, {-17.0, 77.0},
    {-19.0, 72.0}, {-22.0, 69.5}, {-32.0, 67.5}, {-40.0, 64.5}, {-43.5, 59.5},
    {-49.0, 61.0}, {-53.5, 65.5}, {-55.0, 69.0}, {-58.0, 74.0}, {-67.0, 76.0},
};

// The East European platform and the Baltic shield with Fennoscandia, the Urals, the West Siberian platform and
// the Siberian craton: from the Tornquist zone across Poland (Warsaw lies east of it) along the Carpathian and
// Black Sea fronts, the Caucasus foreland and the north Caspian, the Kazakh platform north of Lake Balkhash and
// the Tien Shan, north of the Dzungarian, Altai and Sayan belts,
// north-west of the Baikal rift, and west of the Verkhoyansk belt.
constexpr Point kNorthernEurasia[] = {
    {14.5, 55.3},  {17.5, 53.8},  {19.5, 52.4},  {22.0, 50.8},  {24.0, 49.4},  {26.5, 48.0},  {28.0, 46.5},
    {29.5, 45.3},  {31.0, 46.3},  {33.5, 46.0},  {35.5, 46.6},  {39.5, 47.0},  {44.5, 47.5},  {47.5, 46.5},
    {51.5, 46.8},  {56.0, 47.5},  {60.0, 46.5},  {66.0, 45.5},  {72.0, 46.0},  {77.0, 46.8},  {79.5, 48.0},
    {82.5, 50.5},  {84.5, 52.5},  {88.0, 54.5},  {92.0, 56.0},  {96.0, 55.3},  {102.5, 53.8}, {107.0, 55.5},
    {111.5, 57.3}, {118.0, 58.3}, {126.0, 58.0}, {133.0, 59.0}, {130.5, 62.0}, {127.5, 66.0}, {125.0, 70.0},
    {120.0, 73.5}, {113.0, 74.0}, {100.0, 77.5}, {88.0, 75.5},  {75.0, 73.5},  {68.0, 70.5},  {60.0, 69.8},
    {53.0, 68.8},  {44.0, 68.5},  {41.0, 68.0},  {33.0, 69.8},  {28.0, 71.2},  {20.0, 70.2},  {14.0, 68.8},
    {12.5, 66.5},  {9.5, 64.0},   {4.8, 62.0},   {4.5, 59.5},   {6.0, 58.0},   {9.5, 58.3},   {11.5, 57.4},
    {12.5, 56.2},
};

// The whole Australian continent: its western, central and northern cratons and, east of the Tasman line,
// the fold belts that the published maps of stable regions count as stable too.
constexpr Point kAustralia[] = {
    {113.0, -22.0}, {113.5, -26.0}, {114.5, -29.5}, {114.8, -34.5}, {117.5, -35.5}, {123.5, -34.3}, {129.0, -32.0},
    {134.0, -33.0}, {137.0, -36.0}, {140.5, -38.5}, {146.0, -39.5}, {148.5, -38.0}, {150.5, -36.0}, {152.0, -33.0},
    {153.7, -28.5}, {153.5, -25.0}, {151.0, -23.0}, {147.5, -19.0}, {145.8, -15.0}, {143.7, -11.0}, {142.3, -10.5},
    {141.5, -12.5}, {141.3, -16.5}, {139.0, -17.0}, {136.5, -15.0}, {137.0, -12.0}, {132.5, -11.0}, {130.0, -11.5},
    {129.5, -14.5}, {126.5, -13.8}, {124.0, -16.0}, {122.0, -17.5}, {120.0, -19.5}, {116.5, -20.5},
};

constexpr Point kTasmania[] = {
    {144.5, -40.5}, {148.5, -40.5}, {148.3, -43.5}, {146.5, -43.7}, {145.0, -42.0},
};

// Western and central Europe north of the Alpine front: the Variscan massifs and basins, the British Isles, the
// North Sea (a Mesozoic rift, extended crust that the stable regions take in) and its shelf, east to the
// Bohemian massif and the Polish lowland north of the Carpathians, where the East European outline joins it.
// Iberia, the Alps, the Apennines, the Dinarides and the Pannonian basin stay active.
constexpr Point kWesternEurope[] = {
    {-11.0, 50.0}, {-11.0, 58.0}, {-8.0, 61.5}, {-1.0, 62.0}, {5.0, 62.0},  {10.0, 59.0}, {12.0, 56.5},
    {15.0, 55.0},  {18.0, 54.0},  {21.0, 51.0}, {22.5, 49.5}, {20.0, 49.4}, {18.0, 49.6}, {17.0, 49.0},
    {16.0, 48.6},  {13.5, 48.3},  {12.0, 47.9}, {9.0, 47.6},  {7.5, 47.4},  {6.5, 46.8},  {5.5, 46.0},
    {4.5, 45.0},   {3.5, 44.0},   {2.0, 43.3},  {-1.5, 43.5}, {-2.0, 44.5}, {-5.0, 46.5}, {-6.0, 48.0},
};

// Africa west and south of its active belts: the West African craton and the Sahara platform south of the
// Atlas, the Congo craton west of the rift's western branch, the Kalahari craton, the Namibian and Cape fold
// belts, the Nubian shield west of the Red Sea, with the passive Atlantic and Indian Ocean shelves. The East
// African rift (both branches, the Malawi rift), Afar, the Red Sea and Gulf of Suez margins and the Atlas stay
// active, as do the Tanzania craton between the branches, the Horn and Madagascar.
constexpr Point kAfrica[] = {
    {-17.5, 14.5}, {-16.5, 20.0}, {-14.5, 26.0}, {-10.0, 29.5}, {-5.0, 30.0},  {0.0, 31.0},   {5.0, 32.0},
    {9.0, 32.5},   {10.5, 31.5},  {15.0, 31.0},  {20.0, 31.0},  {25.0, 31.5},  {29.0, 31.0},  {31.0, 30.5},
    {31.5, 27.0},  {33.0, 24.0},  {35.0, 20.0},  {36.5, 16.0},  {36.0, 14.0},  {35.0, 10.0},  {34.5, 6.0},
    {33.5, 4.0},   {31.5, 3.0},   {30.0, 2.0},   {29.0, -0.5},  {28.5, -2.0},  {28.7, -4.0},  {29.0, -8.0},
    {28.0, -9.5},  {30.0, -10.0}, {32.0, -12.0}, {33.5, -14.0}, {34.0, -17.0}, {33.5, -19.0}, {33.0, -22.0},
    {35.5, -22.0}, {35.5, -24.5}, {33.0, -26.0}, {32.9, -27.0}, {32.0, -29.3}, {30.5, -31.5}, {27.0, -34.0},
    {23.0, -34.5}, {20.0, -35.2}, {18.0, -34.5}, {17.8, -33.0}, {16.5, -29.0}, {15.0, -27.0}, {14.3, -23.0},
    {13.0, -20.0}, {11.6, -17.0}, {12.0, -13.0}, {13.0, -9.0},  {12.0, -6.0},  {9.0, -1.0},   {9.3, 3.5},
    {7.0, 4.2},    {4.0, 5.5},    {-1.0, 4.5},   {-5.0, 4.7},   {-8.0, 4.2},   {-11.0, 6.2},  {-13.5, 8.5},
    {-15.5, 11.0},
};

// The Arabian shield and platform: east of the Red Sea rift and the Dead Sea transform, south-west of the
// Zagros foredeep and Mesopotamia, north of the Gulf of Aden, west of the Oman mountains.
constexpr Point kArabia[] = {
    {36.5, 29.0}, {37.5, 27.0}, {39.5, 23.5}, {41.0, 20.0}, {42.8, 17.0}, {44.0, 15.0}, {47.0, 15.5},
    {52.0, 17.0}, {55.5, 19.0}, {57.5, 21.5}, {56.0, 23.5}, {54.0, 24.0}, {51.5, 25.5}, {50.0, 26.5},
    {48.5, 28.0}, {47.5, 30.0}, {44.0, 31.5}, {41.0, 33.5}, {38.5, 33.5}, {37.5, 31.5},
};

// The Indian shield with Kutch, south of the Himalayan foredeep, west of the Bengal basin and Shillong.
constexpr Point kIndia[] = {
    {68.5, 24.0}, {71.0, 25.5}, {74.0, 27.5}, {76.0, 29.0}, {78.5, 29.0}, {82.0, 26.0}, {86.0, 25.5}, {88.0, 25.0},
    {88.5, 22.0}, {87.0, 20.5}, {84.5, 18.0}, {82.0, 16.0}, {80.5, 13.0}, {80.0, 10.0}, {78.5, 8.0},  {77.0, 7.8},
    {76.0, 9.5},  {74.5, 13.0}, {73.0, 17.0}, {72.5, 20.5}, {70.0, 20.5}, {68.5, 22.0},
};

constexpr Point kSriLanka[] = {
    {79.5, 9.8}, {81.0, 9.0}, {82.0, 7.0}, {81.5, 6.0}, {80.0, 5.9}, {79.7, 8.0},
};

// The South American platform: the Guiana and Brazilian shields with the Amazon and Parana basins between and
// beside them, the Rio de la Plata craton and the Pampas, east of the sub-Andean foreland (the Sierras
// Pampeanas stay active) and of the deep quakes beneath it.
constexpr Point kSouthAmerica[] = {
    {-67.0, 8.0},   {-62.0, 9.5},   {-60.0, 8.5},   {-57.0, 6.5},   {-52.0, 5.5},   {-50.0, 2.0},   {-48.0, -0.5},
    {-44.0, -2.0},  {-40.0, -2.8},  {-35.0, -5.0},  {-34.7, -8.0},  {-37.0, -12.5}, {-39.0, -17.5}, {-40.5, -21.5},
    {-44.0, -23.5}, {-48.0, -26.0}, {-49.0, -29.0}, {-51.5, -32.0}, {-53.0, -34.0}, {-55.0, -35.5}, {-57.0, -37.0},
    {-58.0, -39.0}, {-62.0, -39.5}, {-63.0, -35.0}, {-62.0, -30.0}, {-61.0, -28.0}, {-60.0, -22.0}, {-61.0, -18.0},
    {-62.0, -14.0}, {-65.0, -11.0}, {-68.0, -8.0},  {-69.5, -4.0},  {-70.0, 0.0},   {-70.0, 4.0},   {-69.0, 6.5},
};

// East Antarctica, from Coats Land to the Transantarctic Mountains, drawn in the plane of longitude and
// latitude down to the pole (the polar cap beyond -60 W is left out).
constexpr Point kEastAntarctica[] = {
    {-60.0, -90.0}, {-60.0, -84.0}, {-35.0, -78.0}, {-20.0, -72.0}, {0.0, -69.5},
    {30.0, -68.5},  {60.0, -66.5},  {90.0, -65.0},  {120.0, -65.5}, {150.0, -68.0},
    {165.0, -71.0}, {160.0, -78.0}, {175.0, -85.0}, {180.0, -86.0}, {180.0, -90.0},
};

template <std::size_t N>
constexpr Region MakeRegion(const Point (&p)[N]) {
    Region r{p, N, p[0].lat, p[0].lat, p[0].lon, p[0].lon};
    for (std::size_t i = 1; i < N; ++i) {
        r.south = p[i].lat < r.south ? p[i].lat : r.south;
        r.north = p[i].lat > r.north ? p[i].lat : r.north;
        r.west = p[i].lon < r.west ? p[i].lon : r.west;
        r.east = p[i].lon > r.east ? p[i].lon : r.east;
    }
    return r;
}

constexpr Region kRegions[] = {
    MakeRegion(kNorthAmerica), MakeRegion(kGreenland), MakeRegion(kNorthernEurasia), MakeRegion(kWesternEurope),
    MakeRegion(kAustralia),    MakeRegion(kTasmania),  MakeRegion(kAfrica),          MakeRegion(kArabia),
    MakeRegion(kIndia),        MakeRegion(kSriLanka),  MakeRegion(kSouthAmerica),    MakeRegion(kEastAntarctica),
};

// Even-odd ray casting in the plane of longitude and latitude; no outline crosses the antimeridian.
bool Inside(const Region& region, double lon, double lat) {
    if (lat < region.south || lat > region.north || lon < region.west || lon > region.east) {
        return false;
    }
    bool inside = false;
    for (std::size_t i = 0, j = region.count - 1; i < region.count; j = i++) {
        const Point& a = region.points[i];
        const Point& b = region.points[j];
        if ((a.lat > lat) != (b.lat > lat)) {
            const double crossLon = a.lon + (lat - a.lat) / (b.lat - a.lat) * (b.lon - a.lon);
            if (lon < crossLon) {
                inside = !inside;
            }
        }
    }
    return inside;
}

}  // namespace

CrustKind CrustAt(double latitude, double longitude) {
    if (!std::isfinite(latitude) || !std::isfinite(longitude) || latitude < -90.0 || latitude > 90.0) {
        return CrustKind::Active;
    }
    // Sources give 0..360 now and then; the outlines use -180..180.
    double lon = std::fmod(longitude, 360.0);
    if (lon >= 180.0) {
        lon -= 360.0;
    } else if (lon < -180.0) {
        lon += 360.0;
    }
    for (const Region& region : kRegions) {
        if (Inside(region, lon, latitude)) {
            return CrustKind::Stable;
        }
    }
    return CrustKind::Active;
}

}  // namespace dravik
