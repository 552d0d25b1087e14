#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <functional>

#include "map/qt/map_widget.h"
#include "tests/common/http_test_server.h"

namespace dravik {
namespace {

constexpr double kRad = 3.14159265358979323846 / 180.0;
constexpr double kEarthKm = 6371.0;
const QColor kLevelV(0x7a, 0xff, 0x93);

bool WaitFor(const std::function<bool()>& done, int timeoutMs = 10000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) {
            return false;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

double ArcOfKm(double km) {
    return km / kEarthKm / kRad;
}

QColor At(const QImage& image, const ScreenPoint& s, double dy = 0) {
    return image.pixelColor(static_cast<int>(std::lround(s.x)), static_cast<int>(std::lround(s.y + dy)));
}

// Whether a pixel drawn over what was there moved towards a colour: it changed, no channel went the other way,
// and every channel that had far to go went a good part of it.
bool TintedTowards(const QColor& before, const QColor& after, const QColor& colour) {
    if (before.rgb() == after.rgb()) {
        return false;
    }
    const int moved[] = {after.red() - before.red(), after.green() - before.green(), after.blue() - before.blue()};
    const int wanted[] = {colour.red() - before.red(), colour.green() - before.green(), colour.blue() - before.blue()};
    for (int c = 0; c < 3; ++c) {
        if (moved[c] != 0 && (moved[c] > 0) != (wanted[c] > 0)) {
            return false;
        }
        if (std::abs(wanted[c]) > 40 && std::abs(moved[c]) * 6 < std::abs(wanted[c])) {
            return false;
        }
    }
    return true;
}

int Count(const QImage& image, const QRect& area, const std::function<bool(const QColor&)>& wanted) {
    int count = 0;
    const QRect within = area.intersected(image.rect());
    for (int y = within.top(); y <= within.bottom(); ++y) {
        for (int x = within.left(); x <= within.right(); ++x) {
            count += wanted(image.pixelColor(x, y)) ? 1 : 0;
        }
    }
    return count;
}

bool Dark(const QColor& c) {
    return c.red() < 90 && c.green() < 90 && c.blue() < 90;
}

bool Light(const QColor& c) {
    return c.red() > 200 && c.green() > 200 && c.blue() > 200;
}

class ScopedTileUrl final {
public:
    explicit ScopedTileUrl(const std::string& url) : m_old(qgetenv("DRAVIK_TILE_URL")) {
        qputenv("DRAVIK_TILE_URL", QByteArray::fromStdString(url));
    }
    ~ScopedTileUrl() { qputenv("DRAVIK_TILE_URL", m_old); }
    ScopedTileUrl(const ScopedTileUrl&) = delete;
    ScopedTileUrl& operator=(const ScopedTileUrl&) = delete;

private:
    QByteArray m_old;
};

TEST(MapOverlaysTest, ABandIsTheGeodesicCircleTintedInItsColourUnderTheMap) {
    CMapWidget map;
    map.resize(600, 600);
    map.show();
    const GeoPoint quake{60, 20};
    map.CentreOn(quake, 6);
    const QImage before = map.grab().toImage();

    const double arc = ArcOfKm(300);
    map.SetBands({{quake, arc, kLevelV, "V"}}, "Expected shaking");
    const QImage after = map.grab().toImage();
    const ScreenPoint centre = map.Viewport().ToScreen(quake);
    const ScreenPoint north = map.Viewport().ToScreen({quake.lat + arc, quake.lon});
    const ScreenPoint south = map.Viewport().ToScreen({quake.lat - arc, quake.lon});
    // The case itself: this far north the map stretches the circle's northern half by more than the probes' room,
    // so a circle of one screen radius would miss them.
    ASSERT_GT((centre.y - north.y) - (south.y - centre.y), 8.0);

    const struct {
        const char* what;
        ScreenPoint at;
        double dy;
        bool tinted;
    } probes[] = {
        {"the epicentre", centre, 0, true},
        {"inside its northern edge", north, 3, true},
        {"beyond its northern edge", north, -3, false},
        {"inside its southern edge", south, -3, true},
        {"beyond its southern edge", south, 3, false},
    };
    for (const auto& probe : probes) {
        const QColor was = At(before, probe.at, probe.dy);
        const QColor is = At(after, probe.at, probe.dy);
        if (probe.tinted) {
            EXPECT_TRUE(TintedTowards(was, is, kLevelV))
                << probe.what << ": " << was.name().toStdString() << " -> " << is.name().toStdString();
        } else {
            EXPECT_EQ(is.rgb(), was.rgb()) << probe.what;
        }
    }
    // Its legend entry shows the level's colour as it is, where the band never does.
    EXPECT_GE(Count(after, QRect(0, 300, 300, 300), [](const QColor& c) { return c.rgb() == kLevelV.rgb(); }), 50);
    EXPECT_EQ(Count(after, QRect(300, 0, 300, 600), [](const QColor& c) { return c.rgb() == kLevelV.rgb(); }), 0);

    // Quakes' circles are drawn over it: a circle's own colour shows through the band almost unchanged (what
    // little changes comes through the quarter of it that is translucent).
    map.SetCircles({{1, quake, 10, 0, "quake"}});
    QApplication::processEvents();
    const QColor banded = At(map.grab().toImage(), centre);
    map.SetBands({}, QString());
    const QColor plain = At(map.grab().toImage(), centre);
    EXPECT_LT(std::abs(banded.red() - plain.red()) + std::abs(banded.green() - plain.green()) +
                  std::abs(banded.blue() - plain.blue()),
              45)
        << banded.name().toStdString() << " " << plain.name().toStdString();
}

// A measured band is its contour lines (inside an odd number of them), across the date line too; an outlined one
// leaves its inside as it was and draws its edge.
TEST(MapOverlaysTest, ContourBandsFillTheirLinesAndAnOutlineOnlyItsEdge) {
    CMapWidget map;
    map.resize(600, 600);
    map.show();
    map.CentreOn({-17, 180}, 5);
    const QImage before = map.grab().toImage();
    // A square across the date line with a square hole in it.
    MapBand band{{-17, 180}, 3, kLevelV, "V"};
    band.rings = {{{-15, 178}, {-15, -178}, {-19, -178}, {-19, 178}},
                  {{-16.5, 179.5}, {-16.5, -179.5}, {-17.5, -179.5}, {-17.5, 179.5}}};
    map.SetBands({band}, "ShakeMap");
    const QImage after = map.grab().toImage();
    const auto at = [&map](double lat, double lon) { return map.Viewport().ToScreen({lat, lon}); };
    EXPECT_TRUE(TintedTowards(At(before, at(-18.5, 178.5)), At(after, at(-18.5, 178.5)), kLevelV)) << "west";
    EXPECT_TRUE(TintedTowards(At(before, at(-18.5, -178.5)), At(after, at(-18.5, -178.5)), kLevelV)) << "east";
    EXPECT_EQ(At(before, at(-17, 180)).rgb(), At(after, at(-17, 180)).rgb()) << "the hole";
    EXPECT_EQ(At(before, at(-20, 180)).rgb(), At(after, at(-20, 180)).rgb()) << "outside";

    band.outline = true;
    map.SetBands({band}, "ShakeMap");
    const QImage outlined = map.grab().toImage();
    EXPECT_EQ(At(before, at(-18.5, 178.5)).rgb(), At(outlined, at(-18.5, 178.5)).rgb()) << "inside, unfilled";
    const ScreenPoint edge = at(-19, 179);
    int changed = 0;
    for (int dy = -2; dy <= 2; ++dy) {
        changed += At(before, edge, dy).rgb() != At(outlined, edge, dy).rgb() ? 1 : 0;
    }
    EXPECT_GT(changed, 0) << "its edge";
}

TEST(MapOverlaysTest, BandsAcrossTheDateLineAndRoundAPoleCoverTheirPlaces) {
    CMapWidget map;
    map.resize(600, 500);
    map.show();
    const struct {
        const char* what;
        GeoPoint quake;
        double km;
        int zoom;
        GeoPoint covered;
        GeoPoint beyond;
    } cases[] = {
        {"over the date line", {-17, 179.5}, 500, 5, {-17, -176.5}, {-17, -174.0}},
        {"round the north pole, to the far side", {82, 0}, 2000, 2, {83, 180}, {68, 180}},
    };
    for (const auto& c : cases) {
        map.SetBands({}, QString());
        map.CentreOn(c.covered, c.zoom);
        const QImage before = map.grab().toImage();
        map.SetBands({{c.quake, ArcOfKm(c.km), kLevelV, "V"}}, "Expected shaking");
        const QImage after = map.grab().toImage();
        const ScreenPoint in = map.Viewport().ToScreen(c.covered);
        const ScreenPoint out = map.Viewport().ToScreen(c.beyond);
        EXPECT_TRUE(TintedTowards(At(before, in), At(after, in), kLevelV)) << c.what;
        EXPECT_EQ(At(before, out).rgb(), At(after, out).rgb()) << c.what;
    }
}

TEST(MapOverlaysTest, EveryPlaceHasItsMarkerAndItsNameReadableOnLightAndDarkMaps) {
    // Black tiles stand for the satellite's dark ground.
    test::HttpTestServer server;
    QImage black(256, 256, QImage::Format_RGB32);
    black.fill(Qt::black);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    black.save(&buffer, "PNG");
    server.Serve("/dark.png", png.toStdString(), 200, "image/png");

    const GeoPoint home{50, 10};
    const GeoPoint other{50, 20};
    for (const bool dark : {false, true}) {
        ScopedTileUrl tiles(dark ? server.Url("/dark.png?{z}-{x}-{y}") : server.RefusedUrl("/{z}/{x}/{y}.png"));
        CMapWidget map;
        map.resize(600, 400);
        map.show();
        map.CentreOn({50, 15}, 5);
        if (dark) {
            ASSERT_TRUE(WaitFor([&] { return map.TilesInMemory() >= 6; }));
        }
        const QImage before = map.grab().toImage();
        const auto drawn = [&map, &home, &other](const QString& otherName) {
            map.SetPlaces({{home, "Dom", true}, {other, otherName, false}});
            return map.grab().toImage();
        };
        const QImage named = drawn(QString::fromUtf8("Kraków"));
        const ScreenPoint h = map.Viewport().ToScreen(home);
        const ScreenPoint o = map.Viewport().ToScreen(other);
        const QColor house = At(named, h, -8);
        const QColor diamond = At(named, o);
        EXPECT_NE(house.rgb(), At(before, h, -8).rgb()) << dark;
        EXPECT_NE(diamond.rgb(), At(before, o).rgb()) << dark;
        EXPECT_NE(house.rgb(), diamond.rgb()) << "the home's marker is its own";

        // The name beside the marker: dark letters on a light map, their light halo on a dark one.
        const QRect label(static_cast<int>(o.x) + 8, static_cast<int>(o.y) - 10, 70, 20);
        const auto& letters = dark ? Light : Dark;
        EXPECT_EQ(Count(before, label, letters), 0) << dark;
        EXPECT_GT(Count(named, label, letters), 20) << dark;
        EXPECT_EQ(Count(drawn(QString()), label, letters), 0) << dark << ": the marker alone";

        // The selected quake's pin and a large circle standing on the name leave it whole: names are drawn last.
        const int whole = Count(drawn(QString::fromUtf8("Kraków")), label, letters);
        map.SetMarker(map.Viewport().ToGeo({o.x + 30, o.y + 14}));
        map.SetCircles({{1, map.Viewport().ToGeo({o.x + 40, o.y}), 30, 0, QString()}});
        EXPECT_GE(Count(map.grab().toImage(), label, letters), whole * 9 / 10) << dark;
    }
}

}  // namespace
}  // namespace dravik
