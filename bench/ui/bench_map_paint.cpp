// The map's paint time with the plate boundaries on and off, at 5,000 listed quakes' circles: CMapWidget::render
// into an image of the widget's size, offscreen and without tiles (the land and what is drawn over it), for a
// world view and a regional one; the median and the slowest of 60 paints each.
//
//   bench_map_paint [CIRCLES]
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "map/qt/map_widget.h"

namespace {

using namespace dravik;
using Clock = std::chrono::steady_clock;

constexpr int kPaints = 60;

struct Figures {
    double medianMs = 0;
    double worstMs = 0;
};

// moving: the view moves by a little each paint, as while the map is dragged, so nothing drawn for the last view
// serves the next.
Figures Measure(CMapWidget& map, QImage& image, bool moving) {
    const GeoPoint centre = map.Viewport().Centre();
    const int zoom = map.Viewport().Zoom();
    std::vector<double> ms;
    for (int i = 0; i < kPaints; ++i) {
        if (moving) {
            map.CentreOn({centre.lat, centre.lon + 0.01 * (i + 1)}, zoom);
        }
        image.fill(Qt::black);
        const auto start = Clock::now();
        {
            QPainter painter(&image);
            map.render(&painter);
        }
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // A closed port: the bench never asks a tile service for anything.
    qputenv("DRAVIK_TILE_URL", "http://127.0.0.1:9/{z}/{x}/{y}.png");
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 5000;

    // Quakes where they happen most: near the plate boundaries' belts, a fixed mix for repeatable figures.
    std::mt19937 random(7);
    const GeoPoint belts[] = {{36, 140}, {-20, -70}, {-6, 130}, {38, 25}, {60, -150}, {15, -92}, {-38, 176}};
    std::normal_distribution<double> spread(0, 6);
    std::vector<MapCircle> circles;
    for (int i = 0; i < count; ++i) {
        const GeoPoint& belt = belts[static_cast<std::size_t>(i) % std::size(belts)];
        circles.push_back(MapCircle{i,
                                    {std::clamp(belt.lat + spread(random), -80.0, 80.0), belt.lon + spread(random)},
                                    3.0 + i % 5,
                                    i % 3,
                                    QString()});
    }

    CMapWidget map;
    map.resize(900, 500);
    map.SetCircles(std::move(circles));
    QImage image(map.size(), QImage::Format_ARGB32_Premultiplied);
    std::printf("%d circles, %d paints a figure, %dx%d, no tiles\n", count, kPaints, map.width(), map.height());
    const struct {
        const char* name;
        GeoPoint centre;
        int zoom;
    } views[] = {{"world (zoom 2)", {20, 10}, 2}, {"Japan (zoom 5)", {36, 140}, 5}};
    for (const auto& view : views) {
        map.CentreOn(view.centre, view.zoom);
        for (const bool plates : {false, true}) {
            for (const bool moving : {false, true}) {
                map.CentreOn(view.centre, view.zoom);
                map.SetPlatesShown(plates);
                Measure(map, image, moving);  // warm: the land's and the plates' paths are made on first use
                map.CentreOn(view.centre, view.zoom);
                const Figures f = Measure(map, image, moving);
                std::printf("%-16s plates %-3s %-12s median %6.2f ms  slowest %6.2f ms\n", view.name,
                            plates ? "on" : "off", moving ? "view moving" : "view still", f.medianMs, f.worstMs);
            }
        }
    }
    return 0;
}
