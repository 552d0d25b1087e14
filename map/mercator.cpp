#include "map/mercator.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace dravik {

namespace {
constexpr double kPi = 3.14159265358979323846;
}

bool TileId::operator<(const TileId& o) const {
    return std::tie(z, x, y) < std::tie(o.z, o.x, o.y);
}

double WorldSize(int zoom) {
    return std::ldexp(static_cast<double>(kTileSize), zoom);
}

double WrapLongitude(double lon) {
    if (!std::isfinite(lon)) {
        return 0;
    }
    double wrapped = std::fmod(lon + 180.0, 360.0);
    if (wrapped < 0) {
        wrapped += 360.0;
    }
    return wrapped - 180.0;
}

double ClampLatitude(double lat) {
    if (!std::isfinite(lat)) {
        return 0;
    }
    return std::clamp(lat, -kMaxLatitude, kMaxLatitude);
}

WorldPoint ToWorld(const GeoPoint& geo, int zoom) {
    const double size = WorldSize(zoom);
    const double lat = ClampLatitude(geo.lat) * kPi / 180.0;
    const double x = (WrapLongitude(geo.lon) + 180.0) / 360.0 * size;
    const double y = (1.0 - std::log(std::tan(lat) + 1.0 / std::cos(lat)) / kPi) / 2.0 * size;
    return {x, std::clamp(y, 0.0, size)};
}

GeoPoint ToGeo(const WorldPoint& point, int zoom) {
    const double size = WorldSize(zoom);
    const double y = std::clamp(point.y, 0.0, size);
    const double n = kPi * (1.0 - 2.0 * y / size);
    const double lat = std::atan(std::sinh(n)) * 180.0 / kPi;
    return {lat, WrapLongitude(point.x / size * 360.0 - 180.0)};
}

int WrapTileX(std::int64_t x, int zoom) {
    const std::int64_t count = std::int64_t{1} << zoom;
    std::int64_t wrapped = x % count;
    if (wrapped < 0) {
        wrapped += count;
    }
    return static_cast<int>(wrapped);
}

TileSection AncestorSection(const TileId& tile, int levelsUp) {
    const int up = std::clamp(levelsUp, 0, tile.z);
    const TileId ancestor{tile.z - up, tile.x >> up, tile.y >> up};
    const int size = kTileSize >> up;
    return {ancestor, (tile.x - (ancestor.x << up)) * size, (tile.y - (ancestor.y << up)) * size, size};
}

TileId TileOf(const GeoPoint& geo, int zoom) {
    const WorldPoint p = ToWorld(geo, zoom);
    const int last = (1 << zoom) - 1;
    // The south pole's limit lies on the last row's lower edge, which belongs to that row.
    const int x = std::min(static_cast<int>(std::floor(p.x / kTileSize)), last);
    const int y = std::min(static_cast<int>(std::floor(p.y / kTileSize)), last);
    return {zoom, x, y};
}

}  // namespace dravik
