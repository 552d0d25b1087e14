#pragma once

#include <cstdint>

// Web Mercator arithmetic of 256-pixel tiles, as the tile services number them.
namespace dravik {

inline constexpr int kTileSize = 256;
// The latitude where the square world of Web Mercator ends.
inline constexpr double kMaxLatitude = 85.0511287798066;
inline constexpr int kMinZoom = 1;
inline constexpr int kMaxZoom = 19;

struct GeoPoint {
    double lat = 0;
    double lon = 0;
};

struct WorldPoint {
    double x = 0;
    double y = 0;
};

struct TileId {
    int z = 0;
    int x = 0;
    int y = 0;
    bool operator==(const TileId& o) const { return z == o.z && x == o.x && y == o.y; }
    bool operator!=(const TileId& o) const { return !(*this == o); }
    bool operator<(const TileId& o) const;
};

// The world's width (and height) in pixels at a zoom.
double WorldSize(int zoom);

// The pixel of a place in the world image at a zoom; latitudes beyond the poles' limit are clamped to it,
// longitudes taken modulo 360 into [-180, 180).
WorldPoint ToWorld(const GeoPoint& geo, int zoom);
// The place of a world pixel; x may lie in another copy of the world (wrapped), y is clamped to the image.
GeoPoint ToGeo(const WorldPoint& point, int zoom);

// The part of a tile levelsUp zooms out that covers a tile: the ancestor and the square of its pixels.
struct TileSection {
    TileId tile;
    int x = 0;
    int y = 0;
    int size = kTileSize;
};
TileSection AncestorSection(const TileId& tile, int levelsUp);

// The tile holding a place.
TileId TileOf(const GeoPoint& geo, int zoom);
// A tile column of any copy of the world brought into [0, 2^zoom).
int WrapTileX(std::int64_t x, int zoom);
// A longitude brought into [-180, 180).
double WrapLongitude(double lon);
double ClampLatitude(double lat);

}  // namespace dravik
