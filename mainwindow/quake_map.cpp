#include "mainwindow/quake_map.h"

#include <algorithm>

#include "app/alert_settings_key.h"
#include "app/settings_dlg.h"
#include "app/settings_key.h"
#include "app/ui_texts.h"
#include "mainwindow/event_list.h"
#include "mainwindow/event_list_model.h"
#include "mainwindow/event_list_view.h"
#include "mainwindow/map_events.h"
#include "map/qt/map_widget.h"

namespace dravik {

namespace {

constexpr int kAgeCheckMs = 60 * 1000;
constexpr int kCircleIdRole = CEventListModel::kCircleIdRole;

QString Text(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString TooltipOf(const MapEvent& e) {
    return Text(e.mag + "  " + e.region + "\n" + e.date + " " + e.time);
}

}  // namespace

CQuakeMap::CQuakeMap(CEventList& list, CMapWidget& map, QObject* parent, Clock now)
    : QObject(parent), m_list(list), m_map(map), m_now(std::move(now)) {
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(0);
    connect(&m_flushTimer, &QTimer::timeout, this, [this] { Flush(); });
    m_ageTimer.setInterval(kAgeCheckMs);
    connect(&m_ageTimer, &QTimer::timeout, this, [this] { UpdateAges(); });
    m_ageTimer.start();

    QAbstractItemModel* model = list.model();
    // The row is still empty when it is announced; its texts are read once the insertion is over.
    connect(model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex& at, int first, int last) { OnRowsInserted(at, first, last); });
    // Announced while the rows and their ids are still there.
    connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex& at, int first, int last) { OnRowsAboutToBeRemoved(at, first, last); });
    connect(model, &QAbstractItemModel::modelReset, this, [this] { Rebuild(); });
    connect(&map, &CMapWidget::CircleClicked, this, [this](int id) { SelectCircle(id); });
    // The legend and notes follow a language set while the program runs.
    connect(&map, &CMapWidget::LanguageChanged, this, [this] { RefreshSettings(); });
    RefreshSettings();
    Rebuild();
}

std::time_t CQuakeMap::Now() const {
    return m_now ? m_now() : std::time(nullptr);
}

void CQuakeMap::OnRowsInserted(const QModelIndex& parent, int first, int last) {
    for (int row = first; row <= last; ++row) {
        m_pending.emplace_back(m_list.model()->index(row, 0, parent));
    }
    m_flushTimer.start();
}

void CQuakeMap::OnRowsAboutToBeRemoved(const QModelIndex& parent, int first, int last) {
    if (parent.isValid()) {
        return;
    }
    bool removed = false;
    for (int row = first; row <= last; ++row) {
        const int id = CircleOfRow(row);
        removed = m_entries.erase(id) > 0 || removed;
    }
    if (removed) {
        Push();
    }
}

void CQuakeMap::Rebuild() {
    for (auto& [id, entry] : m_entries) {
        if (entry.index.isValid()) {
            m_list.model()->setData(entry.index, QVariant(), kCircleIdRole);
        }
    }
    m_entries.clear();
    m_pending.clear();
    for (int row = 0; row < m_list.rowCount(); ++row) {
        m_pending.emplace_back(m_list.model()->index(row, 0));
    }
    Flush();
    Push();
}

void CQuakeMap::Flush() {
    m_flushTimer.stop();
    bool added = false;
    const std::time_t now = Now();
    for (const QPersistentModelIndex& index : m_pending) {
        if (!index.isValid() || index.data(kCircleIdRole).isValid()) {
            continue;
        }
        // The archive's form of date and time, whatever the list shows.
        const QuakeEvent listed = EventOfRow(m_list, index.row());
        std::optional<MapEvent> event =
            MapEventFromRow(listed.mag, listed.region, listed.data1, listed.data2, listed.wsp1, listed.wsp2);
        if (!event) {
            continue;
        }
        const int id = m_nextId++;
        m_list.model()->setData(index, id, kCircleIdRole);
        const EventAge age = AgeOf(event->when, now);
        QString tooltip = TooltipOf(*event);
        m_entries.emplace(id, Entry{index, std::move(*event), age, std::move(tooltip)});
        added = true;
    }
    m_pending.clear();
    if (added) {
        Push();
    }
}

void CQuakeMap::RowRevised(int row) {
    const auto it = m_entries.find(CircleOfRow(row));
    if (it == m_entries.end()) {
        return;
    }
    const QuakeEvent listed = EventOfRow(m_list, row);
    std::optional<MapEvent> event =
        MapEventFromRow(listed.mag, listed.region, listed.data1, listed.data2, listed.wsp1, listed.wsp2);
    if (!event) {
        return;
    }
    it->second.event = std::move(*event);
    it->second.age = AgeOf(it->second.event.when, Now());
    it->second.tooltip = TooltipOf(it->second.event);
    Push();
}

void CQuakeMap::UpdateAges() {
    bool changed = false;
    const std::time_t now = Now();
    for (auto& [id, entry] : m_entries) {
        const EventAge age = AgeOf(entry.event.when, now);
        changed = changed || age != entry.age;
        entry.age = age;
    }
    if (changed) {
        Push();
    }
}

void CQuakeMap::RefreshSettings() {
    const std::string lang = UiLanguage();
    QStringList legend;
    for (int age = 0; age < 3; ++age) {
        legend << Text(MapAgeLegendText(lang, age));
    }
    m_map.SetLegend(legend);
    // What a circle's size says: a magnitude's circle, the same in every language.
    std::vector<MapSizeKey> sizes;
    for (const char* mag : {"3", "5", "7"}) {
        sizes.push_back({QStringLiteral("M %1").arg(QLatin1String(mag)), CircleRadius(mag)});
    }
    m_map.SetSizeKey(std::move(sizes));
    m_map.SetTilesFailedText(Text(MapTilesFailedText(lang)));
    m_map.SetEsriKey(StoredEsriKey());

    // As the alert rule reads them, so the map shows the places the shaking rule watches.
    const AlertSettings settings = LoadAlertSettings();
    std::vector<MapPlace> places;
    for (const Place& place : AllPlaces(settings)) {
        const bool home = settings.hasHome && places.empty();
        places.push_back({{place.latitude, place.longitude},
                          Text(home && place.name.empty() ? HomePlaceDefaultName(lang) : place.name),
                          home});
    }
    m_map.SetPlaces(std::move(places));
    PushShaking(lang);
}

void CQuakeMap::ShowShaking(int row, std::optional<SequenceZoneBand> zone) {
    m_shaking = row >= 0 && row < m_list.rowCount() ? ShakingOf(EventOfRow(m_list, row)) : QuakeShaking();
    m_zone = zone;
    PushShaking(UiLanguage());
}

void CQuakeMap::PushShaking(const std::string& lang) {
    std::vector<MapBand> bands;
    bands.reserve(m_shaking.bands.size());
    for (const ShakingBand& band : m_shaking.bands) {
        MapBand shown{{m_shaking.latitude, m_shaking.longitude},
                      band.arcDegrees,
                      QColor::fromRgb(static_cast<QRgb>(band.rgb)),
                      Text(band.label)};
        // III's pale blue filled would read as the sea.
        shown.outline = band.level == kOutlinedBandLevel;
        for (const std::vector<LatLon>& ring : band.rings) {
            std::vector<GeoPoint> points;
            points.reserve(ring.size());
            for (const LatLon& point : ring) {
                points.push_back({point.latitude, point.longitude});
            }
            shown.rings.push_back(std::move(points));
        }
        bands.push_back(shown);
    }
    if (m_zone) {
        // Among the bands by its size, as they are drawn outermost first.
        MapBand zone{{m_zone->latitude, m_zone->longitude},
                     m_zone->arcDegrees,
                     QColor::fromRgb(static_cast<QRgb>(kSequenceZoneRgb)),
                     Text(MapSequenceZoneText(lang))};
        zone.apart = true;
        const auto at =
            std::find_if(bands.begin(), bands.end(), [&](const MapBand& b) { return b.arcDegrees < zone.arcDegrees; });
        bands.insert(at, zone);
    }
    m_map.SetBands(std::move(bands),
                   Text(m_shaking.measured ? MapMeasuredShakingCaptionText(lang) : MapShakingCaptionText(lang)));
}

void CQuakeMap::Push() {
    std::vector<const std::pair<const int, Entry>*> shown;
    shown.reserve(m_entries.size());
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        // A row gone some other way than the removal the list announces.
        if (!it->second.index.isValid()) {
            it = m_entries.erase(it);
            continue;
        }
        shown.push_back(&*it);
        ++it;
    }
    std::stable_sort(shown.begin(), shown.end(),
                     [](const auto* a, const auto* b) { return a->second.event.when < b->second.event.when; });
    std::vector<MapCircle> circles;
    circles.reserve(shown.size());
    for (const auto* item : shown) {
        const MapEvent& e = item->second.event;
        circles.push_back(
            {item->first, {e.lat, e.lon}, e.radius, static_cast<int>(item->second.age), item->second.tooltip});
    }
    m_map.SetCircles(std::move(circles));
}

int CQuakeMap::CircleOfRow(int row) const {
    const QVariant id = m_list.model()->index(row, 0).data(kCircleIdRole);
    return id.isValid() ? id.toInt() : -1;
}

int CQuakeMap::RowOfCircle(int id) const {
    const auto it = m_entries.find(id);
    if (it == m_entries.end()) {
        return -1;
    }
    return it->second.index.isValid() ? it->second.index.row() : -1;
}

void CQuakeMap::SelectCircle(int id) {
    const int row = RowOfCircle(id);
    if (row < 0) {
        return;
    }
    m_list.selectRow(row);
    m_list.ScrollToRow(row, QAbstractItemView::PositionAtCenter);
}

}  // namespace dravik
