#include "map/map_viewport.h"

#include <algorithm>
#include <cmath>

namespace dravik {

MapViewport::MapViewport(const GeoPoint& centre, int zoom, int width, int height)
    : m_zoom(std::clamp(zoom, kMinZoom, kMaxZoom)), m_width(std::max(width, 0)), m_height(std::max(height, 0)) {
    SetCentre(centre);
}

void MapViewport::SetSize(int width, int height) {
    m_width = std::max(width, 0);
    m_height = std::max(height, 0);
    ClampCentre();
}

void MapViewport::SetCentre(const GeoPoint& centre) {
    m_centre = {ClampLatitude(centre.lat), WrapLongitude(centre.lon)};
    ClampCentre();
}

WorldPoint MapViewport::CentreWorld() const {
    return ToWorld(m_centre, m_zoom);
}

void MapViewport::ClampCentre() {
    // No empty band above the north or below the south edge while the world is taller than the view.
    const double size = WorldSize(m_zoom);
    WorldPoint c = CentreWorld();
    const double half = m_height / 2.0;
    c.y = size > m_height ? std::clamp(c.y, half, size - half) : size / 2.0;
    m_centre.lat = dravik::ToGeo(c, m_zoom).lat;
}

void MapViewport::ZoomAt(int zoom, const ScreenPoint& anchor, int maxZoom) {
    zoom = std::clamp(zoom, kMinZoom, std::clamp(maxZoom, kMinZoom, kMaxZoom));
    if (zoom == m_zoom) {
        return;
    }
    const GeoPoint fixed = ToGeo(anchor);
    m_zoom = zoom;
    // The fixed place's new world position, less the anchor's offset from the centre.
    const WorldPoint at = ToWorld(fixed, m_zoom);
    const WorldPoint centre{at.x - (anchor.x - m_width / 2.0), at.y - (anchor.y - m_height / 2.0)};
    const double size = WorldSize(m_zoom);
    m_centre = {dravik::ToGeo({centre.x, std::clamp(centre.y, 0.0, size)}, m_zoom).lat,
                dravik::ToGeo({centre.x, 0}, m_zoom).lon};
    ClampCentre();
}

void MapViewport::PanBy(double dx, double dy) {
    const WorldPoint c = CentreWorld();
    const GeoPoint moved = dravik::ToGeo({c.x - dx, c.y - dy}, m_zoom);
    m_centre = {moved.lat, moved.lon};
    ClampCentre();
}

void MapViewport::BringIntoView(const GeoPoint& geo, double margin) {
    if (!Contains(geo, margin)) {
        SetCentre(geo);
    }
}

ScreenPoint MapViewport::ToScreen(const GeoPoint& geo) const {
    const double size = WorldSize(m_zoom);
    const WorldPoint c = CentreWorld();
    const WorldPoint p = ToWorld(geo, m_zoom);
    double dx = std::fmod(p.x - c.x, size);
    if (dx < -size / 2) {
        dx += size;
    } else if (dx >= size / 2) {
        dx -= size;
    }
    return {m_width / 2.0 + dx, m_height / 2.0 + (p.y - c.y)};
}

std::vector<ScreenPoint> MapViewport::ToScreenCopies(const GeoPoint& geo, double margin) const {
    const double size = WorldSize(m_zoom);
    const ScreenPoint nearest = ToScreen(geo);
    double x = nearest.x;
    while (x - size >= -margin) {
        x -= size;
    }
    std::vector<ScreenPoint> copies;
    for (; x <= m_width + margin; x += size) {
        if (x >= -margin) {
            copies.push_back({x, nearest.y});
        }
    }
    return copies;
}

GeoPoint MapViewport::ToGeo(const ScreenPoint& point) const {
    const WorldPoint c = CentreWorld();
    return dravik::ToGeo({c.x + point.x - m_width / 2.0, c.y + point.y - m_height / 2.0}, m_zoom);
}

bool MapViewport::Contains(const GeoPoint& geo, double margin) const {
    // A view too small for the margin keeps only its middle.
    margin = std::clamp(margin, 0.0, std::min(m_width, m_height) / 2.0);
    const ScreenPoint p = ToScreen(geo);
    return p.x >= margin && p.x < m_width - margin && p.y >= margin && p.y < m_height - margin;
}

ScreenPoint MapViewport::WorldOrigin() const {
    const WorldPoint c = CentreWorld();
    return {m_width / 2.0 - c.x, m_height / 2.0 - c.y};
}

std::vector<TilePlacement> MapViewport::VisibleTiles(int detail) const {
    detail = std::clamp(detail, 0, kMaxZoom - m_zoom);
    const int zoom = m_zoom + detail;
    // A tile of the finer zoom covers a fraction of a tile's size on the screen.
    const double span = static_cast<double>(kTileSize) / (1 << detail);
    const WorldPoint c = CentreWorld();
    const double left = c.x - m_width / 2.0;
    const double top = c.y - m_height / 2.0;
    const auto firstX = static_cast<std::int64_t>(std::floor(left / span));
    const auto lastX = static_cast<std::int64_t>(std::floor((left + m_width - 1) / span));
    const int rows = 1 << zoom;
    const int firstY = std::max(0, static_cast<int>(std::floor(top / span)));
    const int lastY = std::min(rows - 1, static_cast<int>(std::floor((top + m_height - 1) / span)));
    std::vector<TilePlacement> tiles;
    for (std::int64_t x = firstX; x <= lastX && m_width > 0; ++x) {
        for (int y = firstY; y <= lastY; ++y) {
            tiles.push_back({{zoom, WrapTileX(x, zoom), y},
                             static_cast<double>(x) * span - left,
                             static_cast<double>(y) * span - top,
                             span});
        }
    }
    const double cx = m_width / 2.0 - span / 2.0;
    const double cy = m_height / 2.0 - span / 2.0;
    std::stable_sort(tiles.begin(), tiles.end(), [cx, cy](const TilePlacement& a, const TilePlacement& b) {
        return std::hypot(a.left - cx, a.top - cy) < std::hypot(b.left - cx, b.top - cy);
    });
    return tiles;
}

int TileDetail(double devicePixelRatio) {
    // From one and a half device pixels a pixel on, a tile drawn at its own size would be enlarged and soft;
    // the next zoom's four tiles in its place have a device pixel for each of theirs.
    return devicePixelRatio >= 1.5 ? 1 : 0;
}

}  // namespace dravik
