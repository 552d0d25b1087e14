#include "map/plate_boundaries.h"

#include <algorithm>
#include <cmath>

namespace dravik {

namespace {

// A line in world pixels at zoom 0, with the span of its x for skipping the lines out of view.
struct WorldLine {
    std::vector<WorldPoint> points;
    double minX = 0;
    double maxX = 0;
    double minY = 0;
    double maxY = 0;
};

const std::vector<WorldLine>& WorldLines() {
    static const std::vector<WorldLine> lines = [] {
        std::vector<WorldLine> made;
        made.reserve(PlateLines().size());
        for (const std::vector<GeoPoint>& line : PlateLines()) {
            WorldLine w;
            w.points.reserve(line.size());
            for (const GeoPoint& point : line) {
                // Not ToWorld's x, which takes 180° as -180°: a line ending on the date line keeps to its side.
                const double x = (point.lon + 180.0) / 360.0 * WorldSize(0);
                w.points.push_back({x, ToWorld(point, 0).y});
            }
            const auto [minX, maxX] = std::minmax_element(
                w.points.begin(), w.points.end(), [](const WorldPoint& a, const WorldPoint& b) { return a.x < b.x; });
            const auto [minY, maxY] = std::minmax_element(
                w.points.begin(), w.points.end(), [](const WorldPoint& a, const WorldPoint& b) { return a.y < b.y; });
            w.minX = minX->x;
            w.maxX = maxX->x;
            w.minY = minY->y;
            w.maxY = maxY->y;
            made.push_back(std::move(w));
        }
        return made;
    }();
    return lines;
}

struct Rect {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
};

// Liang-Barsky: the part of the segment a-b inside the rectangle, as fractions t0 <= t1 along it; false for none.
bool ClipSegment(const ScreenPoint& a, const ScreenPoint& b, const Rect& r, double& t0, double& t1) {
    t0 = 0;
    t1 = 1;
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double p[] = {-dx, dx, -dy, dy};
    const double q[] = {a.x - r.left, r.right - a.x, a.y - r.top, r.bottom - a.y};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) {
                return false;
            }
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0) {
            t0 = std::max(t0, t);
        } else {
            t1 = std::min(t1, t);
        }
        if (t0 > t1) {
            return false;
        }
    }
    return true;
}

// Drops the points nearer than step pixels to the last one kept, the line's ends kept: zoomed out, the data's
// points lie a pixel apart, and stroking every one of them doubles the map's paint time for nothing seen.
std::vector<ScreenPoint> Thinned(std::vector<ScreenPoint> run, double step) {
    if (run.size() <= 2) {
        return run;
    }
    std::size_t kept = 0;
    for (std::size_t i = 1; i + 1 < run.size(); ++i) {
        if (std::hypot(run[i].x - run[kept].x, run[i].y - run[kept].y) >= step) {
            run[++kept] = run[i];
        }
    }
    run[++kept] = run.back();
    run.resize(kept + 1);
    return run;
}

ScreenPoint Along(const ScreenPoint& a, const ScreenPoint& b, double t) {
    return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
}

}  // namespace

const std::vector<std::vector<GeoPoint>>& PlateLines() {
    static const std::vector<std::vector<GeoPoint>> lines = [] {
        std::vector<std::vector<GeoPoint>> made;
        made.reserve(static_cast<std::size_t>(kPlateLineCount));
        std::size_t at = 0;
        for (int line = 0; line < kPlateLineCount; ++line) {
            std::vector<GeoPoint> points;
            points.reserve(kPlateLineSizes[line]);
            for (int i = 0; i < kPlateLineSizes[line]; ++i, at += 2) {
                points.push_back({kPlateCoords[at + 1] / 100.0, kPlateCoords[at] / 100.0});
            }
            made.push_back(std::move(points));
        }
        return made;
    }();
    return lines;
}

std::vector<std::vector<ScreenPoint>> PlateLinesOnScreen(const MapViewport& view, double margin, double step) {
    std::vector<std::vector<ScreenPoint>> out;
    const auto add = [&out, step](std::vector<ScreenPoint>& run) {
        out.push_back(Thinned(std::move(run), step));
        run.clear();
    };
    const double size = WorldSize(view.Zoom());
    const double scale = size / WorldSize(0);
    const ScreenPoint origin = view.WorldOrigin();
    const Rect clip{-margin, -margin, view.Width() + margin, view.Height() + margin};
    // The western edges of the world's copies that reach into the view.
    double first = origin.x;
    while (first > clip.left) {
        first -= size;
    }
    while (first + size < clip.left) {
        first += size;
    }
    for (double left = first; left < clip.right; left += size) {
        for (const WorldLine& line : WorldLines()) {
            if (left + line.maxX * scale < clip.left || left + line.minX * scale > clip.right ||
                origin.y + line.maxY * scale < clip.top || origin.y + line.minY * scale > clip.bottom) {
                continue;
            }
            std::vector<ScreenPoint> run;
            ScreenPoint previous{left + line.points[0].x * scale, origin.y + line.points[0].y * scale};
            for (std::size_t i = 1; i < line.points.size(); ++i) {
                const ScreenPoint next{left + line.points[i].x * scale, origin.y + line.points[i].y * scale};
                double t0 = 0;
                double t1 = 0;
                if (ClipSegment(previous, next, clip, t0, t1)) {
                    if (run.empty() || t0 > 0) {
                        if (run.size() >= 2) {
                            add(run);
                        }
                        run.clear();
                        run.push_back(Along(previous, next, t0));
                    }
                    run.push_back(Along(previous, next, t1));
                    if (t1 < 1) {
                        add(run);
                    }
                } else if (run.size() >= 2) {
                    add(run);
                }
                previous = next;
            }
            if (run.size() >= 2) {
                add(run);
            }
        }
    }
    return out;
}

}  // namespace dravik
