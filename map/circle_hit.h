#pragma once

#include <vector>

namespace dravik {

// A circle as drawn, in screen pixels.
struct ScreenCircle {
    double x = 0;
    double y = 0;
    double radius = 0;
    int id = -1;
};

// The circle a click at (x, y) means, from circles in the order they are drawn: of those under the point
// (within slop pixels of their edge, so that the smallest stay clickable), the smallest, since a larger one
// around it can be clicked elsewhere; between equal ones the one drawn last, which is on top. -1 for none.
int HitCircle(const std::vector<ScreenCircle>& drawOrder, double x, double y, double slop = 2.0);

}  // namespace dravik
