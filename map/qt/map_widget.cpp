#include "map/qt/map_widget.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QElapsedTimer>
#include <QFontMetricsF>
#include <QHelpEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTextDocument>
#include <QToolTip>
#include <algorithm>
#include <cmath>

#include "map/circle_hit.h"
#include "map/land_outline.h"
#include "map/qt/map_look.h"
#include "map/qt/tile_disk_cache.h"
#include "map/qt/tile_fetch.h"

namespace dravik {

namespace {

// And never more bytes than these, whatever the tiles' sizes or the view's.
constexpr std::size_t kTileBytesInMemory = 64 * 1024 * 1024;
constexpr int kButtonSize = 26;
// How far inside the edges a quake brought into view stands: clear of the zoom buttons and the credits.
constexpr double kKeepClearOfEdges = 48;
// How many zooms out a tile in memory may stand in for one not yet here.
constexpr int kStandInLevels = 3;
constexpr qint64 kCirclesRedrawMs = 250;

const QColor kSea(0xaa, 0xd3, 0xdf);
const QColor kLand(0xf2, 0xef, 0xe4);
const QColor kCoast(0x8c, 0x9a, 0x9e);
const QColor kAgeColours[] = {QColor(0xe3, 0x1a, 0x1c), QColor(0xfd, 0x8d, 0x3c), QColor(0xfe, 0xd9, 0x76)};
using map_look::kMargin;
using map_look::kTilesInMemory;

// The land in world pixels at zoom 0, built once.
const QPainterPath& LandPath() {
    static const QPainterPath path = [] {
        QPainterPath made;
        made.setFillRule(Qt::WindingFill);
        for (const std::vector<GeoPoint>& ring : LandRings()) {
            QPolygonF polygon;
            polygon.reserve(static_cast<qsizetype>(ring.size()));
            for (const GeoPoint& point : ring) {
                const WorldPoint w = ToWorld(point, 0);
                // ToWorld takes 180° as -180°: the rings that end on the date line keep to their side.
                polygon << QPointF(point.lon >= 180.0 ? WorldSize(0) : w.x, w.y);
            }
            made.addPolygon(polygon);
            made.closeSubpath();
        }
        return made;
    }();
    return path;
}

// A map is a picture to a screen reader, not an unnamed filler; its name is its owner's to give.
QAccessibleInterface* MapAccessible(const QString& className, QObject* object) {
    if (className == QLatin1String("dravik::CMapWidget") && object != nullptr && object->isWidgetType()) {
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Graphic);
    }
    return nullptr;
}

}  // namespace

QColor map_look::AgeColour(int age) {
    return kAgeColours[std::clamp(age, 0, 2)];
}

CMapWidget::CMapWidget(QWidget* parent)
    : QWidget(parent),
      m_view({20, 10}, 2, 0, 0),
      m_choice{TileUrlOverride(), TileSubdomainsOverride(), std::string(), std::string()},
      m_layers(LayersOfKind(0, m_choice)),
      m_cache(kTilesInMemory, kTileBytesInMemory) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(MapAccessible);
        return true;
    }();
    (void)factoryInstalled;
    setMouseTracking(true);
    setCursor(Qt::OpenHandCursor);
    setMinimumSize(60, 60);
    m_requestTimer.setSingleShot(true);
    m_requestTimer.setInterval(0);
    connect(&m_requestTimer, &QTimer::timeout, this, [this] { RequestTiles(); });
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, [this] { RequestTiles(); });
    m_slowTimer.setSingleShot(true);
    connect(&m_slowTimer, &QTimer::timeout, this, [this] { RequestTiles(); });
    m_circlesTimer.setSingleShot(true);
    connect(&m_circlesTimer, &QTimer::timeout, this, [this] { update(); });
    m_platesIdleTimer.setSingleShot(true);
    connect(&m_platesIdleTimer, &QTimer::timeout, this, [this] { m_platesImage = QImage(); });
}

CMapWidget::~CMapWidget() {
    // The requests go first, while the widget their answers would reach is still whole; a request ended
    // this way says nothing.
    for (const QPointer<CTileFetch>& fetch : std::as_const(m_fetches)) {
        delete fetch.data();
    }
}

qint64 CMapWidget::NowMs() const {
    static QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return clock.elapsed();
}

void CMapWidget::SetKind(int kind) {
    if (kind == m_kind && !m_layers.base.urlTemplate.empty()) {
        return;
    }
    m_kind = kind;
    ReloadLayers();
}

void CMapWidget::SetEsriKey(const std::string& key) {
    if (key != m_choice.esriKey) {
        m_choice.esriKey = key;
        ReloadLayers();
    }
}

void CMapWidget::SetCreditLanguage(const std::string& lang) {
    if (lang != m_choice.lang) {
        m_choice.lang = lang;
        ReloadLayers();
    }
}

void CMapWidget::ReloadLayers() {
    m_layers = LayersOfKind(m_kind, m_choice);
    QString credits;
    for (const AttributionPart& part : m_layers.attribution) {
        credits += QString::fromStdString(part.text);
    }
    setAccessibleDescription(credits);
    if (m_view.Zoom() > m_layers.maxZoom) {
        m_view.ZoomAt(m_layers.maxZoom, {width() / 2.0, height() / 2.0}, m_layers.maxZoom);
    }
    ViewChanged();
}

void CMapWidget::SetMarker(const std::optional<GeoPoint>& marker) {
    m_marker = marker;
    update();
}

void CMapWidget::CentreOn(const GeoPoint& centre, int zoom) {
    m_view = MapViewport(centre, std::min(zoom, m_layers.maxZoom), width(), height());
    ViewChanged();
}

void CMapWidget::BringIntoView(const GeoPoint& place) {
    // Not under the zoom buttons, the legend or the credits along the edges.
    m_view.BringIntoView(place, kKeepClearOfEdges);
    ViewChanged();
}

void CMapWidget::SetZoom(int zoom) {
    m_view.ZoomAt(zoom, {width() / 2.0, height() / 2.0}, m_layers.maxZoom);
    ViewChanged();
}

void CMapWidget::ZoomStep(int steps) {
    // About the selected quake while it is in view, so it stays there; else about the middle.
    ScreenPoint anchor{width() / 2.0, height() / 2.0};
    if (m_marker && m_view.Contains(*m_marker)) {
        anchor = m_view.ToScreen(*m_marker);
    }
    m_view.ZoomAt(m_view.Zoom() + steps, anchor, m_layers.maxZoom);
    ViewChanged();
}

void CMapWidget::SetCircles(std::vector<MapCircle> drawOrder) {
    m_circles = std::move(drawOrder);
    if (m_circlesTimer.isActive()) {
        return;
    }
    const qint64 since = m_sinceCirclesDrawn.isValid() ? m_sinceCirclesDrawn.elapsed() : kCirclesRedrawMs;
    if (since >= kCirclesRedrawMs) {
        update();
    } else {
        m_circlesTimer.start(static_cast<int>(kCirclesRedrawMs - since));
    }
}

void CMapWidget::SetSizeKey(std::vector<MapSizeKey> key) {
    m_sizeKey = std::move(key);
    update();
}

void CMapWidget::SetLegend(const QStringList& texts) {
    m_legend = texts;
    update();
}

void CMapWidget::SetPlaces(std::vector<MapPlace> places) {
    m_places = std::move(places);
    update();
}

void CMapWidget::SetBands(std::vector<MapBand> outermostFirst, const QString& caption) {
    m_bands = std::move(outermostFirst);
    m_bandsCaption = caption;
    m_bandAreas.clear();
    m_bandZoom = -1;
    update();
}

void CMapWidget::SetTilesFailedText(const QString& text) {
    m_tilesFailedText = text;
    update();
}

void CMapWidget::SetNote(const QString& text) {
    m_note = text;
    update();
}

void CMapWidget::SetAction(const QString& text) {
    m_action = text;
    update();
}

void CMapWidget::ViewChanged() {
    m_bReleased = false;
    m_cache.ViewMoved();
    m_requestTimer.start();
    update();
}

std::vector<ScreenCircle> CMapWidget::ProjectedCircles() const {
    std::vector<ScreenCircle> drawn;
    for (const MapCircle& c : m_circles) {
        for (const ScreenPoint& s : m_view.ToScreenCopies(c.at, c.radius)) {
            if (s.y + c.radius >= 0 && s.y - c.radius <= height()) {
                drawn.push_back({s.x, s.y, c.radius, c.id, c.age});
            }
        }
    }
    return drawn;
}

int CMapWidget::CircleAt(const QPointF& point) const {
    return HitCircle(ProjectedCircles(), point.x(), point.y());
}

void CMapWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_view.SetSize(width(), height());
    m_cache.ViewMoved();
    // Released tiles stay so: a new size is no look at the map.
    m_requestTimer.start();
    update();
}

void CMapWidget::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_requestTimer.start();
}

void CMapWidget::paintEvent(QPaintEvent*) {
    // A move to a screen of another scale asks for the tiles of its detail.
    if (TileDetailHere() != m_paintedDetail) {
        m_paintedDetail = TileDetailHere();
        m_requestTimer.start();
    }
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.fillRect(rect(), kSea);
    DrawLand(p);
    DrawLayer(p, m_layers.base);
    if (!m_layers.overlay.urlTemplate.empty()) {
        DrawLayer(p, m_layers.overlay);
    }
    DrawBands(p);
    DrawPlates(p);
    DrawCircles(p);
    DrawPlaces(p);
    DrawMarker(p);
    DrawPlaceLabels(p);
    DrawLegend(p);
    DrawControls(p);
    DrawAttribution(p);
    DrawNotes(p);
}

void CMapWidget::DrawLand(QPainter& p) const {
    const double size = WorldSize(m_view.Zoom());
    const ScreenPoint origin = m_view.WorldOrigin();
    double x = origin.x;
    while (x > 0) {
        x -= size;
    }
    QPen coast(kCoast, 1);
    coast.setCosmetic(true);
    for (; x < width(); x += size) {
        p.save();
        p.translate(x, origin.y);
        p.scale(size / WorldSize(0), size / WorldSize(0));
        p.setPen(coast);
        p.setBrush(kLand);
        p.drawPath(LandPath());
        p.restore();
    }
}

void CMapWidget::DrawLayer(QPainter& p, const TileLayer& layer) {
    // Unsmoothed edges, so that tiles meet without a seam at any device pixel ratio.
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    const qint64 now = NowMs();
    for (const TilePlacement& placement : m_view.VisibleTiles(TileDetailHere())) {
        // Every tile's corner has the same fraction, so rounding keeps them edge to edge.
        const int size = static_cast<int>(std::lround(placement.size));
        const QRect target(static_cast<int>(std::lround(placement.left)), static_cast<int>(std::lround(placement.top)),
                           size, size);
        // Until its own tile comes, a tile of a few zooms out stands in for it, enlarged.
        for (int up = 0; up <= kStandInLevels; ++up) {
            const TileSection section = AncestorSection(placement.tile, up);
            if (up > 0 && section.tile.z < kMinZoom) {
                break;
            }
            const std::string url = TileUrl(layer, section.tile);
            const auto it = m_pixmaps.constFind(QString::fromStdString(url));
            if (it != m_pixmaps.constEnd()) {
                m_cache.Touch(url, now);
                p.drawPixmap(target, *it, QRect(section.x, section.y, section.size, section.size));
                break;
            }
        }
    }
    p.restore();
}

void CMapWidget::DrawCircles(QPainter& p) {
    m_sinceCirclesDrawn.start();
    m_circlesTimer.stop();
    p.setPen(QPen(QColor(0x33, 0x33, 0x33), 1));
    for (const ScreenCircle& c : WithoutCoveredRepeats(ProjectedCircles())) {
        QColor fill = map_look::AgeColour(c.style);
        fill.setAlphaF(0.75F);
        p.setBrush(fill);
        p.drawEllipse(QPointF(c.x, c.y), c.radius, c.radius);
    }
}

void CMapWidget::DrawMarker(QPainter& p) const {
    if (!m_marker) {
        return;
    }
    // A pin whose point is on the place.
    QPainterPath pin;
    pin.moveTo(0, 0);
    pin.cubicTo(-3, -10, -12, -18, -12, -28);
    pin.arcTo(QRectF(-12, -40, 24, 24), 180, -180);
    pin.cubicTo(12, -18, 3, -10, 0, 0);
    pin.closeSubpath();
    for (const ScreenPoint& s : m_view.ToScreenCopies(*m_marker, 40)) {
        p.save();
        p.translate(s.x, s.y);
        p.setPen(QPen(QColor(0x1b, 0x4f, 0x80), 1.2));
        p.setBrush(QColor(0x2a, 0x81, 0xcb));
        p.drawPath(pin);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(0, -28), 4.5, 4.5);
        p.restore();
    }
}

QRect CMapWidget::ZoomInRect() const {
    return {kMargin, kMargin, kButtonSize, kButtonSize};
}

QRect CMapWidget::ZoomOutRect() const {
    return {kMargin, kMargin + kButtonSize + 1, kButtonSize, kButtonSize};
}

void CMapWidget::DrawControls(QPainter& p) {
    for (const auto& [area, sign, enabled] :
         {std::tuple{ZoomInRect(), QStringLiteral("+"), m_view.Zoom() < m_layers.maxZoom},
          std::tuple{ZoomOutRect(), QStringLiteral("\u2212"), m_view.Zoom() > kMinZoom}}) {
        p.setPen(QPen(QColor(0, 0, 0, 90), 1));
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(area).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
        QFont bold = font();
        bold.setBold(true);
        bold.setPixelSize(18);
        p.setFont(bold);
        p.setPen(enabled ? Qt::black : QColor(0xbb, 0xbb, 0xbb));
        p.drawText(area, Qt::AlignCenter, sign);
    }
    p.setFont(font());
    m_actionRect = QRectF();
    if (!m_action.isEmpty()) {
        const QFontMetricsF metrics(font());
        const double w = metrics.horizontalAdvance(m_action) + 16;
        m_actionRect = QRectF(width() - kMargin - w, kMargin, w, kButtonSize);
        p.setPen(QPen(QColor(0, 0, 0, 90), 1));
        p.setBrush(Qt::white);
        p.drawRoundedRect(m_actionRect.adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
        p.setPen(QColor(0x00, 0x78, 0xa8));
        p.drawText(m_actionRect, Qt::AlignCenter, m_action);
    }
}

void CMapWidget::DrawAttribution(QPainter& p) {
    m_links.clear();
    QFont small = font();
    small.setPointSizeF(std::max(6.0, small.pointSizeF() * 0.85));
    p.setFont(small);
    const QFontMetricsF metrics(small);
    double total = 0;
    for (const AttributionPart& part : m_layers.attribution) {
        total += metrics.horizontalAdvance(QString::fromStdString(part.text));
    }
    const double h = metrics.height() + 2;
    QRectF box(width() - total - 8, height() - h, total + 8, h);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawRect(box);
    double x = box.left() + 4;
    for (const AttributionPart& part : m_layers.attribution) {
        const QString text = QString::fromStdString(part.text);
        const QRectF area(x, box.top(), metrics.horizontalAdvance(text), h);
        p.setPen(part.link.empty() ? QColor(0x33, 0x33, 0x33) : QColor(0x00, 0x78, 0xa8));
        p.drawText(area, Qt::AlignVCenter | Qt::AlignLeft, text);
        if (!part.link.empty()) {
            m_links.push_back({area, QString::fromStdString(part.link)});
        }
        x += area.width();
    }
    p.setFont(font());
}

void CMapWidget::DrawNotes(QPainter& p) {
    QStringList lines;
    if (!m_note.isEmpty()) {
        lines << m_note;
    }
    m_bFailingDrawn = !m_tilesFailedText.isEmpty() && TilesFailing();
    if (m_bFailingDrawn) {
        lines << m_tilesFailedText;
    }
    if (lines.isEmpty()) {
        return;
    }
    const QFontMetricsF metrics(font());
    const QString text = lines.join(QLatin1Char('\n'));
    const QRectF bounds = metrics.boundingRect(QRectF(0, 0, width() - 4 * kMargin - 2 * kButtonSize, 1000),
                                               Qt::AlignCenter | Qt::TextWordWrap, text);
    const QRectF box((width() - bounds.width()) / 2 - 8, kMargin, bounds.width() + 16, bounds.height() + 8);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 220));
    p.drawRoundedRect(box, 4, 4);
    p.setPen(QColor(0x33, 0x33, 0x33));
    p.drawText(box, Qt::AlignCenter | Qt::TextWordWrap, text);
}

void CMapWidget::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) {
        emit LanguageChanged();
    }
}

bool CMapWidget::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int id = CircleAt(help->pos());
        QString text;
        for (const MapCircle& c : m_circles) {
            if (c.id == id) {
                text = c.tooltip;
            }
        }
        if (text.isEmpty()) {
            text = PlaceNameAt(help->pos());
        }
        if (text.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            // Texts from the feed are plain: markup in them is shown, never applied.
            QToolTip::showText(help->globalPos(), Qt::convertFromPlainText(text), this);
        }
        return true;
    }
    return QWidget::event(event);
}

}  // namespace dravik
