#pragma once

#include <vector>

namespace dravik {

// A circle as drawn, in screen pixels.
struct ScreenCircle {
    double x = 0;
    double y = 0;
    double radius = 0;
    int id = -1;
    // What it looks like besides its size (the age that colours it).
    int style = 0;
};

// The circle a click at (x, y) means, from circles in the order they are drawn: of those under the point
// (within slop pixels of their edge, so that the smallest stay clickable), the smallest, since a larger one
// around it can be clicked elsewhere; between equal ones the one drawn last, which is on top. -1 for none.
int HitCircle(const std::vector<ScreenCircle>& drawOrder, double x, double y, double slop = 2.0);

// The circles worth drawing: one that a later circle of the same style, size and place (to the pixel) covers
// exactly is left out, so that thousands of reports of one spot draw as one circle.
std::vector<ScreenCircle> WithoutCoveredRepeats(const std::vector<ScreenCircle>& drawOrder);

}  // namespace dravik
