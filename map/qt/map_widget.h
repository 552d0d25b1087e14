#pragma once

#include <QColor>
#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "map/circle_hit.h"
#include "map/geodesic_circle.h"
#include "map/map_viewport.h"
#include "map/tile_cache.h"
#include "map/tile_source.h"

class QPainterPath;

namespace dravik {

class CTileDiskCache;
class CTileFetch;

// A listed quake on the map. age: 0 the last hour, 1 the last day, 2 older.
struct MapCircle {
    int id = -1;
    GeoPoint at;
    double radius = 3;
    int age = 2;
    QString tooltip;
};

// One of the user's places, drawn with its name beside it: the home as a house, the others as a small diamond.
struct MapPlace {
    GeoPoint at;
    QString name;
    bool home = false;
};

// The area within a great-circle distance of the selected quake, filled translucent in its colour, with its
// entry in the legend.
struct MapBand {
    GeoPoint centre;
    double arcDegrees = 0;  // the radius in degrees of arc
    QColor colour;
    QString label;
    // Drawn as its edge alone (a pale colour that filled would read as the sea).
    bool outline = false;
    // An entry of its own in the legend, after the caption's levels (not a level of shaking).
    bool apart = false;
    // Drawn as these outlines (inside an odd number of them) rather than the circle: a measured level's contours.
    std::vector<std::vector<GeoPoint>> rings{};
};

// One entry of the circles' size key: a magnitude's circle and its text.
struct MapSizeKey {
    QString label;
    double radius = 3;
};

// The map in the main window: the land's outline, the tiles of the map kind over it, the plates' boundaries, the bands
// of the selected quake's expected shaking, the listed quakes' circles, the user's places, the selected quake's marker,
// the legend, zoom buttons and the services' credits. It draws what the viewport and the tile cache compute; it fetches
// tiles itself, through a disk cache.
class CMapWidget : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CMapWidget)

public:
    explicit CMapWidget(QWidget* parent = nullptr);
    ~CMapWidget() override;

    // The map kind (see LayersOfKind); the centre and the zoom stay.
    void SetKind(int kind);
    // The user's Esri key (empty for none): with one the satellite kinds show Esri's imagery, else NASA GIBS's.
    void SetEsriKey(const std::string& key);
    // The language of the credits where a service gives its own ("DE"; English otherwise).
    void SetCreditLanguage(const std::string& lang);
    const MapKindLayers& Layers() const { return m_layers; }
    int Kind() const { return m_kind; }
    void SetMarker(const std::optional<GeoPoint>& marker);
    const std::optional<GeoPoint>& Marker() const { return m_marker; }
    void CentreOn(const GeoPoint& centre, int zoom);
    void BringIntoView(const GeoPoint& place);
    void SetZoom(int zoom);
    // The zoom buttons: in or out by steps, about the marker while it is in view.
    void ZoomStep(int steps);
    const MapViewport& Viewport() const { return m_view; }

    // In the order drawn: later ones over earlier ones.
    void SetCircles(std::vector<MapCircle> drawOrder);
    const std::vector<MapCircle>& Circles() const { return m_circles; }
    // The texts of the three ages.
    void SetLegend(const QStringList& texts);
    const QStringList& Legend() const { return m_legend; }
    // The circles' sizes by magnitude, smallest first, shown under the ages in the legend.
    void SetSizeKey(std::vector<MapSizeKey> key);
    const std::vector<MapSizeKey>& SizeKey() const { return m_sizeKey; }
    // The home first, where there is one, then the other places; names are drawn as plain text.
    void SetPlaces(std::vector<MapPlace> places);
    const std::vector<MapPlace>& Places() const { return m_places; }
    // The outermost first, each drawn over the last, all under the circles; caption heads their legend.
    void SetBands(std::vector<MapBand> outermostFirst, const QString& caption);
    const std::vector<MapBand>& Bands() const { return m_bands; }
    const QString& BandsCaption() const { return m_bandsCaption; }
    void SetTilesFailedText(const QString& text);
    // Whether the plate lines' picture is in memory (it goes a few seconds after the last paint).
    bool HoldsPlatesPicture() const { return !m_platesImage.isNull(); }
    const QString& TilesFailedText() const { return m_tilesFailedText; }
    // A line shown over the map, such as that the selected quake's place is unknown; empty for none.
    void SetNote(const QString& text);
    const QString& Note() const { return m_note; }
    // A button over the map's top right corner that emits ActionClicked; empty for none.
    void SetAction(const QString& text);
    void SetUserAgent(const QByteArray& agent) { m_userAgent = agent; }
    // The tectonic plates' boundaries, drawn over the tiles and under everything else; shown at first.
    void SetPlatesShown(bool shown);
    bool PlatesShown() const { return m_bPlatesShown; }

    // Lets the tiles in memory go and stops fetching, while nobody can see the map; the view stays. The next
    // change of the view, or RestoreTiles, fetches again.
    void ReleaseTiles();
    // Fetches what the view needs again after ReleaseTiles.
    void RestoreTiles();
    // The circle under a point of the widget, -1 for none.
    int CircleAt(const QPointF& point) const;
    // Whether a tile of the view could not be had.
    bool TilesFailing() const;
    std::size_t TilesInMemory() const { return m_pixmaps.size(); }
    // When the disk cache's copy of a tile goes stale; invalid for a tile not on disk.
    QDateTime CachedTileExpiry(const QString& url);

signals:
    void CircleClicked(int id);
    void ActionClicked();
    // The application's language changed: whoever gave the map its texts gives them again.
    void LanguageChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Link {
        QRectF rect;
        QString url;
    };

    void ViewChanged();
    // Takes the layers of the kind, the key and the language anew.
    void ReloadLayers();
    void RequestTiles();
    // cachedOnly: from the disk cache alone, whatever its age.
    void StartRequest(const std::string& url, bool cachedOnly);
    // A tile's answer: received when a body came (from the service or the disk), cancelled when the request
    // was given up by ReleaseTiles.
    void OnTile(const std::string& url, bool cachedOnly, bool received, bool cancelled, const QByteArray& body);
    std::vector<std::string> VisibleUrls() const;
    // The view's tiles with the service each counts against.
    std::vector<std::pair<std::string, std::string>> VisibleRequests() const;
    // Finer tiles on a HiDPI screen, while the kind has a finer zoom.
    int TileDetailHere() const;
    CTileDiskCache* DiskCache();
    qint64 NowMs() const;

    void DrawLand(QPainter& p) const;
    void DrawLayer(QPainter& p, const TileLayer& layer);
    void DrawCircles(QPainter& p);
    // The circles on the screen (every copy of the world), in the order drawn.
    std::vector<ScreenCircle> ProjectedCircles() const;
    void DrawBands(QPainter& p);
    // A band of outlines: its fill and its edge on the screen, every copy of the world near the view.
    void RingBandPaths(const MapBand& band, QPainterPath& fill, QPainterPath& edge) const;
    void DrawPlates(QPainter& p);
    void DrawPlaces(QPainter& p) const;
    void DrawPlaceLabels(QPainter& p) const;
    // The name of the place whose marker is under a point of the widget; empty for none.
    QString PlaceNameAt(const QPointF& point) const;
    void DrawMarker(QPainter& p) const;
    void DrawLegend(QPainter& p) const;
    void DrawControls(QPainter& p);
    void DrawAttribution(QPainter& p);
    void DrawNotes(QPainter& p);
    QRect ZoomInRect() const;
    QRect ZoomOutRect() const;

    MapViewport m_view;
    int m_kind = 0;
    TileChoice m_choice;
    MapKindLayers m_layers;
    std::optional<GeoPoint> m_marker;
    std::vector<MapCircle> m_circles;
    QStringList m_legend;
    std::vector<MapSizeKey> m_sizeKey;
    std::vector<MapPlace> m_places;
    std::vector<MapBand> m_bands;
    QString m_bandsCaption;
    // The bands' shapes as drawn at m_bandZoom, made again when the bands or the zoom change.
    std::vector<WorldArea> m_bandAreas;
    int m_bandZoom = -1;
    QString m_tilesFailedText;
    // Whether the last paint told that tiles are failing.
    bool m_bFailingDrawn = false;
    QString m_note;
    QString m_action;
    QRectF m_actionRect;
    std::vector<Link> m_links;
    QByteArray m_userAgent;

    CTileDiskCache* m_diskCache = nullptr;
    TileCache m_cache;
    TileRequestQueue m_queue;
    QHash<QString, QPixmap> m_pixmaps;
    QHash<QString, QPointer<CTileFetch>> m_fetches;
    QTimer m_requestTimer;
    QTimer m_retryTimer;
    QTimer m_slowTimer;
    // New circles while many come at once redraw the map a few times a second, not for every one.
    QTimer m_circlesTimer;
    QElapsedTimer m_sinceCirclesDrawn;
    bool m_bReleased = false;
    bool m_bPlatesShown = true;
    // The plate lines as drawn for the view of m_platesKey (zoom, world origin, size, device pixel ratio); let go
    // when the map has not been painted for a while (m_platesIdleTimer).
    QImage m_platesImage;
    QTimer m_platesIdleTimer;
    std::array<double, 6> m_platesKey{};
    int m_paintedDetail = 0;

    QPointF m_pressAt;
    QPointF m_lastDrag;
    bool m_bPressed = false;
    bool m_bDragging = false;
    int m_wheelSteps = 0;
};

}  // namespace dravik
