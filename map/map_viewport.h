#pragma once

#include <vector>

#include "map/mercator.h"

namespace dravik {

struct ScreenPoint {
    double x = 0;
    double y = 0;
};

// A tile to draw and where its top left corner lands on the screen.
struct TilePlacement {
    TileId tile;  // x brought into the world's range
    double left = 0;
    double top = 0;
    double size = kTileSize;  // on the screen
};

// What part of the world a map of some size shows: its centre and zoom. The world repeats east and west;
// north and south it ends, and the view keeps it filling the height when it can.
class MapViewport final {
public:
    MapViewport() = default;
    MapViewport(const GeoPoint& centre, int zoom, int width, int height);

    const GeoPoint& Centre() const { return m_centre; }
    int Zoom() const { return m_zoom; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }

    void SetSize(int width, int height);
    void SetCentre(const GeoPoint& centre);
    // Keeps the place under the screen point where it is; the zoom is held within [kMinZoom, maxZoom].
    void ZoomAt(int zoom, const ScreenPoint& anchor, int maxZoom = kMaxZoom);
    // Moves the map with the pointer: the world goes by (dx, dy) screen pixels.
    void PanBy(double dx, double dy);
    // Centres on a place that lies outside the view, or within `margin` pixels of its edge (where buttons and
    // the legend may cover it); one well inside stays where it is.
    void BringIntoView(const GeoPoint& geo, double margin = 0);

    // The copy of the place nearest the centre.
    ScreenPoint ToScreen(const GeoPoint& geo) const;
    // Every copy of the place within margin pixels of the view, west to east.
    std::vector<ScreenPoint> ToScreenCopies(const GeoPoint& geo, double margin) const;
    GeoPoint ToGeo(const ScreenPoint& point) const;
    bool Contains(const GeoPoint& geo, double margin = 0) const;

    // The tiles covering the view, the ones nearest the centre first. With detail d the tiles are those of
    // d zooms in (never past kMaxZoom), each covering a 2^d-th of a tile's size on the screen.
    std::vector<TilePlacement> VisibleTiles(int detail = 0) const;
    // Where the world's western edge of the copy nearest the centre is on the screen, and its top.
    ScreenPoint WorldOrigin() const;

private:
    WorldPoint CentreWorld() const;
    void ClampCentre();

    GeoPoint m_centre;
    int m_zoom = kMinZoom;
    int m_width = 0;
    int m_height = 0;
};

// How many zooms in the tiles are fetched for a screen of this many device pixels a pixel (0 or 1).
int TileDetail(double devicePixelRatio);

}  // namespace dravik
