// What CMapWidget draws over the map besides the circles and the marker: the plates' boundaries, the bands of
// expected shaking, the user's places and the legend.
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <array>
#include <cmath>

#include "map/plate_boundaries.h"
#include "map/qt/map_look.h"
#include "map/qt/map_widget.h"

namespace dravik {

namespace {

using map_look::kMargin;

// Translucent enough that the map, the land and the names under a band stay readable.
constexpr float kBandFillAlpha = 0.35F;
constexpr float kBandEdgeAlpha = 0.85F;
// How far beyond the widget a band is cut, so that the cut never shows.
constexpr double kBandClipMargin = 4;
// Beyond the widget by more than the halo is wide, so that no line's end shows where it is cut.
constexpr double kPlateClipMargin = 4;
// Under a pixel of the line's width: the thinned line looks the same.
constexpr double kPlateStep = 1.5;
constexpr double kPlateWidth = 1.5;
constexpr double kPlateHaloWidth = 3.5;
// The plates' picture serves a moving or busy map; a map at rest, repainted a few times a minute at most, strokes
// them again (about 20 ms for the whole world) rather than keep a screenful of pixels.
constexpr int kPlatesKeptMs = 3000;
// A band drawn as its edge alone: a line dark and wide enough to stand out on the sea and the land.
constexpr int kOutlineDarker = 190;
constexpr double kOutlineWidth = 2;
constexpr double kHomeSize = 22;
constexpr double kPlaceSize = 12;

const QColor kPlaceFill(0x6a, 0x3d, 0x9a);
const QColor kLabelText(0x1a, 0x1a, 0x1a);
const QColor kLabelHalo(255, 255, 255, 235);

// The house of 22 × 22 pixels, its door's sill on the place's point.
QPainterPath HousePath() {
    QPainterPath house;
    house.moveTo(11, 2);
    house.lineTo(21, 11);
    house.lineTo(18, 11);
    house.lineTo(18, 20);
    house.lineTo(13, 20);
    house.lineTo(13, 14);
    house.lineTo(9, 14);
    house.lineTo(9, 20);
    house.lineTo(4, 20);
    house.lineTo(4, 11);
    house.lineTo(1, 11);
    house.closeSubpath();
    return house;
}

// Where a place's marker covers the widget, around its point on the screen.
QRectF MarkerRect(const MapPlace& place, const ScreenPoint& s) {
    if (place.home) {
        return {s.x - kHomeSize / 2, s.y - 20, kHomeSize, kHomeSize};
    }
    return {s.x - kPlaceSize / 2, s.y - kPlaceSize / 2, kPlaceSize, kPlaceSize};
}

}  // namespace

void CMapWidget::SetPlatesShown(bool shown) {
    if (shown != m_bPlatesShown) {
        m_bPlatesShown = shown;
        update();
    }
}

void CMapWidget::DrawPlates(QPainter& p) {
    if (!m_bPlatesShown) {
        return;
    }
    // Stroking thousands of smoothed points costs as much as the rest of the map: they are drawn once a view, and
    // the map's many repaints for new circles take the picture. Two bytes a pixel hold its two colours and their
    // smoothed edges well enough, in half the memory of the widget's own format.
    const qreal ratio = devicePixelRatioF();
    const ScreenPoint origin = m_view.WorldOrigin();
    const std::array<double, 6> key{
        static_cast<double>(m_view.Zoom()), origin.x, origin.y, static_cast<double>(width()),
        static_cast<double>(height()),      ratio};
    if (m_platesImage.isNull() || key != m_platesKey) {
        m_platesKey = key;
        m_platesImage = QImage(size() * ratio, QImage::Format_ARGB4444_Premultiplied);
        m_platesImage.setDevicePixelRatio(ratio);
        m_platesImage.fill(Qt::transparent);
        QPainter image(&m_platesImage);
        image.setRenderHint(QPainter::Antialiasing);
        std::vector<QPolygonF> lines;
        for (const std::vector<ScreenPoint>& line : PlateLinesOnScreen(m_view, kPlateClipMargin, kPlateStep)) {
            QPolygonF polygon;
            polygon.reserve(static_cast<qsizetype>(line.size()));
            for (const ScreenPoint& s : line) {
                polygon << QPointF(s.x, s.y);
            }
            lines.push_back(std::move(polygon));
        }
        // Every halo first, so that where lines meet no halo covers another line.
        for (const auto& [colour, width] :
             {std::pair{map_look::kPlateHalo, kPlateHaloWidth}, std::pair{map_look::kPlateLine, kPlateWidth}}) {
            image.setPen(QPen(colour, width, Qt::SolidLine, Qt::FlatCap, Qt::BevelJoin));
            for (const QPolygonF& line : lines) {
                image.drawPolyline(line);
            }
        }
    }
    p.drawImage(QPointF(0, 0), m_platesImage);
    m_platesIdleTimer.start(kPlatesKeptMs);
}

void CMapWidget::DrawBands(QPainter& p) {
    if (m_bands.empty()) {
        return;
    }
    const int zoom = m_view.Zoom();
    if (m_bandZoom != zoom || m_bandAreas.size() != m_bands.size()) {
        // A circle's points depend on the zoom: enough that the drawn edge keeps within half a pixel.
        m_bandAreas.clear();
        for (const MapBand& band : m_bands) {
            m_bandAreas.push_back(
                GeodesicCircle(band.centre, band.arcDegrees, CircleSegments(band.centre, band.arcDegrees, zoom)));
        }
        m_bandZoom = zoom;
    }
    const double size = WorldSize(zoom);
    const double scale = size / WorldSize(0);
    const ScreenPoint origin = m_view.WorldOrigin();
    const QRectF clip = QRectF(rect()).adjusted(-kBandClipMargin, -kBandClipMargin, kBandClipMargin, kBandClipMargin);
    // North and south the world ends; east and west it repeats.
    const QRectF world =
        QRectF(clip.left() - kBandClipMargin, origin.y, clip.width() + 2 * kBandClipMargin, size).intersected(clip);

    for (std::size_t b = 0; b < m_bands.size(); ++b) {
        const WorldArea& area = m_bandAreas[b];
        QPainterPath fill;
        QPainterPath edge;
        if (!m_bands[b].rings.empty()) {
            RingBandPaths(m_bands[b], fill, edge);
        } else if (area.ring.empty() && !area.outside) {
            continue;
        } else if (area.outside) {
            // All but the holes: what is inside an odd number of outlines.
            fill.setFillRule(Qt::OddEvenFill);
            fill.addRect(world.adjusted(-kBandClipMargin, 0, kBandClipMargin, 0));
        } else {
            // Copies of a cap round a pole meet edge to edge; as one shape they leave no seam.
            fill.setFillRule(Qt::WindingFill);
        }
        if (m_bands[b].rings.empty() && !area.ring.empty()) {
            double minX = area.ring.front().x;
            double maxX = minX;
            for (const WorldPoint& w : area.ring) {
                minX = std::min(minX, w.x);
                maxX = std::max(maxX, w.x);
            }
            // Every copy of the world whose share of the ring can reach the view.
            const auto firstCopy = static_cast<long>(std::floor((clip.left() - origin.x - maxX * scale) / size));
            const auto lastCopy = static_cast<long>(std::ceil((clip.right() - origin.x - minX * scale) / size));
            std::vector<ScreenPoint> screen(area.ring.size());
            for (long copy = firstCopy; copy <= lastCopy; ++copy) {
                const double left = origin.x + static_cast<double>(copy) * size;
                for (std::size_t i = 0; i < area.ring.size(); ++i) {
                    screen[i] = {left + area.ring[i].x * scale, origin.y + area.ring[i].y * scale};
                }
                const std::vector<ScreenPoint> cut =
                    ClipPolygon(screen, clip.left(), clip.top(), clip.right(), clip.bottom());
                if (cut.size() >= 3) {
                    QPolygonF polygon;
                    polygon.reserve(static_cast<qsizetype>(cut.size()));
                    for (const ScreenPoint& s : cut) {
                        polygon << QPointF(s.x, s.y);
                    }
                    fill.addPolygon(polygon);
                    fill.closeSubpath();
                }
                // The edge is the circle alone (not a cap's closure along the map's edge), and only its pieces
                // near the view. A ring that holds no pole closes on its first point; a cap's runs on round.
                const bool closed = area.curvePoints == area.ring.size();
                const std::size_t segments = closed ? area.curvePoints : area.curvePoints - 1;
                for (std::size_t i = 1; i <= segments && area.curvePoints > 1; ++i) {
                    const ScreenPoint& a = screen[i - 1];
                    const ScreenPoint& z = screen[i % area.curvePoints];
                    if (std::max(a.x, z.x) < clip.left() || std::min(a.x, z.x) > clip.right() ||
                        std::max(a.y, z.y) < clip.top() || std::min(a.y, z.y) > clip.bottom()) {
                        continue;
                    }
                    edge.moveTo(a.x, a.y);
                    edge.lineTo(z.x, z.y);
                }
            }
        }
        const MapBand& band = m_bands[b];
        if (!band.outline) {
            QColor colour = band.colour;
            colour.setAlphaF(kBandFillAlpha);
            p.fillPath(fill, colour);
        }
        QColor line = band.colour.darker(band.outline ? kOutlineDarker : 160);
        line.setAlphaF(kBandEdgeAlpha);
        QPen pen(line, band.outline ? kOutlineWidth : 1);
        if (band.outline) {
            // Dashed, so it reads as neither a coast nor a plate boundary.
            pen.setDashPattern({4, 3});
        }
        pen.setCosmetic(true);
        p.strokePath(edge, pen);
    }
}

void CMapWidget::RingBandPaths(const MapBand& band, QPainterPath& fill, QPainterPath& edge) const {
    const int zoom = m_view.Zoom();
    const double size = WorldSize(zoom);
    const ScreenPoint origin = m_view.WorldOrigin();
    // A contour's lines bound the level's area with its holes: inside an odd number of them.
    fill.setFillRule(Qt::OddEvenFill);
    for (const std::vector<GeoPoint>& ring : band.rings) {
        if (ring.size() < 3) {
            continue;
        }
        // Each point the nearest of its copies to the one before, so a line across the date line stays whole.
        QPolygonF polygon;
        polygon.reserve(static_cast<qsizetype>(ring.size()));
        double minX = 0;
        double maxX = 0;
        for (std::size_t i = 0; i < ring.size(); ++i) {
            const WorldPoint w = ToWorld(ring[i], zoom);
            double x = origin.x + w.x;
            if (i > 0) {
                x -= size * std::round((x - polygon.back().x()) / size);
            }
            polygon << QPointF(x, origin.y + w.y);
            minX = i == 0 ? x : std::min(minX, x);
            maxX = i == 0 ? x : std::max(maxX, x);
        }
        const auto firstCopy = static_cast<long>(std::floor((-kBandClipMargin - maxX) / size));
        const auto lastCopy = static_cast<long>(std::ceil((width() + kBandClipMargin - minX) / size));
        for (long copy = firstCopy; copy <= lastCopy; ++copy) {
            const QPolygonF shifted = polygon.translated(static_cast<double>(copy) * size, 0);
            fill.addPolygon(shifted);
            fill.closeSubpath();
            edge.addPolygon(shifted);
            edge.closeSubpath();
        }
    }
}

void CMapWidget::DrawPlaces(QPainter& p) const {
    if (m_places.empty()) {
        return;
    }
    static const QPainterPath house = HousePath();
    QPainterPath diamond;
    diamond.moveTo(0, -kPlaceSize / 2);
    diamond.lineTo(kPlaceSize / 2, 0);
    diamond.lineTo(0, kPlaceSize / 2);
    diamond.lineTo(-kPlaceSize / 2, 0);
    diamond.closeSubpath();
    QPen rim(Qt::white, 1.5);
    rim.setJoinStyle(Qt::RoundJoin);
    for (const MapPlace& place : m_places) {
        for (const ScreenPoint& s : m_view.ToScreenCopies(place.at, kHomeSize)) {
            p.save();
            p.setPen(rim);
            if (place.home) {
                p.translate(s.x - kHomeSize / 2, s.y - 20);
                p.setBrush(QColor(0x1f, 0x5f, 0xbf));
                p.drawPath(house);
            } else {
                p.translate(s.x, s.y);
                p.setBrush(kPlaceFill);
                p.drawPath(diamond);
            }
            p.restore();
        }
    }
}

void CMapWidget::DrawPlaceLabels(QPainter& p) const {
    QPainterPath labels;
    const QFontMetricsF metrics(font());
    for (const MapPlace& place : m_places) {
        if (place.name.isEmpty()) {
            continue;
        }
        const double reach = kHomeSize + metrics.horizontalAdvance(place.name) + 8;
        for (const ScreenPoint& s : m_view.ToScreenCopies(place.at, reach)) {
            const double labelX = s.x + (place.home ? kHomeSize / 2 + 3 : kPlaceSize / 2 + 4);
            const double middleY = place.home ? s.y - 9 : s.y;
            // A path of the glyphs: the name as written, never read as markup.
            labels.addText(QPointF(labelX, middleY + (metrics.ascent() - metrics.descent()) / 2), font(), place.name);
        }
    }
    // Dark letters in a light halo read on the street map, the satellite's dark ground and the bands alike;
    // drawn over every marker, circle and the selected quake's pin, so none of them hides a name.
    p.save();
    p.strokePath(labels, QPen(kLabelHalo, 3, Qt::SolidLine, Qt::FlatCap, Qt::BevelJoin));
    p.fillPath(labels, kLabelText);
    p.restore();
}

QString CMapWidget::PlaceNameAt(const QPointF& point) const {
    // The last drawn is on top.
    for (auto it = m_places.rbegin(); it != m_places.rend(); ++it) {
        for (const ScreenPoint& s : m_view.ToScreenCopies(it->at, kHomeSize)) {
            if (MarkerRect(*it, s).contains(point)) {
                return it->name;
            }
        }
    }
    return {};
}

void CMapWidget::DrawLegend(QPainter& p) const {
    const bool bands = !m_bands.empty() && !m_bandsCaption.isEmpty();
    if (m_legend.isEmpty() && m_sizeKey.empty() && !bands) {
        return;
    }
    // Each entry: what its swatch shows, its text and its height.
    enum class Swatch { Age, Size, Caption, Band };
    struct Entry {
        Swatch swatch;
        int index;
        QString text;
        double height;
    };
    const QFontMetricsF metrics(font());
    const double line = std::max(16.0, metrics.height());
    std::vector<Entry> entries;
    for (int i = 0; i < m_legend.size(); ++i) {
        entries.push_back({Swatch::Age, i, m_legend[i], line});
    }
    double swatchWidth = 22;
    for (std::size_t i = 0; i < m_sizeKey.size(); ++i) {
        const double radius = m_sizeKey[i].radius;
        entries.push_back({Swatch::Size, static_cast<int>(i), m_sizeKey[i].label, std::max(line, 2 * radius + 3)});
        swatchWidth = std::max(swatchWidth, 2 * radius + 12);
    }
    if (bands) {
        entries.push_back({Swatch::Caption, -1, m_bandsCaption, line});
        // The levels under their caption; what is drawn among them but is no level (the aftershock zone) after.
        for (const bool apart : {false, true}) {
            for (std::size_t b = 0; b < m_bands.size(); ++b) {
                if (m_bands[b].apart == apart) {
                    entries.push_back({Swatch::Band, static_cast<int>(b), m_bands[b].label, line});
                }
            }
        }
    }
    double textWidth = 0;
    double total = 0;
    for (const Entry& e : entries) {
        textWidth = std::max(textWidth, metrics.horizontalAdvance(e.text));
        total += e.height;
    }
    const QRectF box(kMargin, height() - kMargin - 24 - total - 8, textWidth + swatchWidth + 8, total + 8);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 217));
    p.drawRoundedRect(box, 4, 4);
    double y = box.top() + 4;
    for (const Entry& e : entries) {
        const QPointF swatch(box.left() + swatchWidth / 2, y + e.height / 2);
        double textLeft = box.left() + swatchWidth;
        switch (e.swatch) {
            case Swatch::Age:
                p.setPen(QPen(QColor(0x33, 0x33, 0x33), 1));
                p.setBrush(map_look::AgeColour(e.index));
                p.drawEllipse(swatch, 5, 5);
                break;
            case Swatch::Size: {
                const double radius = m_sizeKey[static_cast<std::size_t>(e.index)].radius;
                p.setPen(QPen(QColor(0x33, 0x33, 0x33), 1));
                p.setBrush(Qt::NoBrush);
                p.drawEllipse(swatch, radius, radius);
                break;
            }
            case Swatch::Band: {
                // The band's own colour, opaque, framed so that the palest levels show on the white box; an
                // outlined band by its line alone.
                const MapBand& band = m_bands[static_cast<std::size_t>(e.index)];
                const QRectF square(swatch.x() - 5, swatch.y() - 5, 10, 10);
                if (band.outline) {
                    QPen pen(band.colour.darker(kOutlineDarker), kOutlineWidth);
                    pen.setDashPattern({2, 1.5});
                    p.setPen(pen);
                    p.setBrush(Qt::NoBrush);
                } else {
                    p.setPen(QPen(band.colour.darker(160), 1));
                    p.setBrush(band.colour);
                }
                p.drawRect(square);
                break;
            }
            case Swatch::Caption:
                // The caption stands out to the left, above its entries.
                textLeft = box.left() + 6;
                break;
        }
        p.setPen(Qt::black);
        p.drawText(QRectF(textLeft, y, textWidth + 20, e.height), Qt::AlignVCenter | Qt::AlignLeft, e.text);
        y += e.height;
    }
}

}  // namespace dravik
