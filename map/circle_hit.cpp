#include "map/circle_hit.h"

#include <cmath>

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

}  // namespace dravik
