#include "map/land_outline.h"

namespace dravik {

const std::vector<std::vector<GeoPoint>>& LandRings() {
    static const std::vector<std::vector<GeoPoint>> rings = [] {
        std::vector<std::vector<GeoPoint>> made;
        made.reserve(static_cast<std::size_t>(kLandRingCount));
        std::size_t at = 0;
        for (int ring = 0; ring < kLandRingCount; ++ring) {
            std::vector<GeoPoint> points;
            points.reserve(kLandRingSizes[ring]);
            for (int i = 0; i < kLandRingSizes[ring]; ++i, at += 2) {
                points.push_back({kLandCoords[at + 1] / 100.0, kLandCoords[at] / 100.0});
            }
            made.push_back(std::move(points));
        }
        return made;
    }();
    return rings;
}

}  // namespace dravik
