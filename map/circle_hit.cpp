#include "map/circle_hit.h"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <unordered_set>

namespace dravik {

int HitCircle(const std::vector<ScreenCircle>& drawOrder, double x, double y, double slop) {
    int hit = -1;
    double hitRadius = 0;
    for (const ScreenCircle& c : drawOrder) {
        if (std::hypot(x - c.x, y - c.y) > c.radius + slop) {
            continue;
        }
        if (hit < 0 || c.radius <= hitRadius) {
            hit = c.id;
            hitRadius = c.radius;
        }
    }
    return hit;
}

std::vector<ScreenCircle> WithoutCoveredRepeats(const std::vector<ScreenCircle>& drawOrder) {
    struct KeyHash {
        std::size_t operator()(const std::tuple<long, long, long, int>& k) const {
            return std::hash<long>()(std::get<0>(k) * 1000003L ^ std::get<1>(k)) ^
                   std::hash<long>()(std::get<2>(k) * 31 + std::get<3>(k));
        }
    };
    std::unordered_set<std::tuple<long, long, long, int>, KeyHash> seen;
    std::vector<ScreenCircle> kept;
    // From the top down: the last of a repeat is the one on top.
    for (auto it = drawOrder.rbegin(); it != drawOrder.rend(); ++it) {
        if (seen.insert({std::lround(it->x), std::lround(it->y), std::lround(it->radius * 4), it->style}).second) {
            kept.push_back(*it);
        }
    }
    std::reverse(kept.begin(), kept.end());
    return kept;
}

}  // namespace dravik
