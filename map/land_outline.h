#pragma once

#include <cstdint>
#include <vector>

#include "map/mercator.h"

namespace dravik {

// The land of the world as closed rings of places, from Natural Earth's 1:110m land (compiled in), for a map
// that has no tiles yet or none at all.
const std::vector<std::vector<GeoPoint>>& LandRings();

extern const int kLandRingCount;
extern const std::uint16_t kLandRingSizes[];
extern const std::int16_t kLandCoords[];

}  // namespace dravik
