#include "mainwindow/quake_map.h"

#include <QTableWidget>
#include <algorithm>

#include "app/settings_key.h"
#include "app/settings_value.h"
#include "app/ui_texts.h"
#include "mainwindow/event_list_view.h"
#include "mainwindow/map_bridge.h"

namespace dravik {

namespace {

constexpr int kAgeCheckMs = 60 * 1000;
// Where the circle's id is kept on the row's first item.
constexpr int kCircleIdRole = Qt::UserRole + 103;

QString Text(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

void CQuakeMap::OldestFirst(std::vector<int>* ids) const {
    // The page draws later circles over earlier ones: the newest events stay on top.
    std::stable_sort(ids->begin(), ids->end(), [this](int a, int b) {
        return m_entries[static_cast<std::size_t>(a)].event.when < m_entries[static_cast<std::size_t>(b)].event.when;
    });
}

CQuakeMap::CQuakeMap(QTableWidget& list, CMapBridge& bridge, QObject* parent, Clock now)
    : QObject(parent), m_list(list), m_bridge(bridge), m_now(std::move(now)) {
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
    connect(model, &QAbstractItemModel::rowsRemoved, this, [this] { Rebuild(); });
    connect(model, &QAbstractItemModel::modelReset, this, [this] { Rebuild(); });
    connect(&bridge, &CMapBridge::PageBecameReady, this, [this] { SendAll(); });
    connect(&bridge, &CMapBridge::CircleClicked, this, [this](int id) { SelectCircle(id); });
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

void CQuakeMap::Rebuild() {
    for (Entry& entry : m_entries) {
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
    if (m_bridge.IsReady()) {
        SendAll();
    }
}

void CQuakeMap::Flush() {
    m_flushTimer.stop();
    std::vector<int> added;
    const std::time_t now = Now();
    for (const QPersistentModelIndex& index : m_pending) {
        QTableWidgetItem* first = index.isValid() ? m_list.item(index.row(), 0) : nullptr;
        if (first == nullptr || first->data(kCircleIdRole).isValid()) {
            continue;
        }
        // The archive's form of date and time, whatever the list shows.
        const QuakeEvent listed = EventOfRow(m_list, index.row());
        std::optional<MapEvent> event =
            MapEventFromRow(listed.mag, listed.region, listed.data1, listed.data2, listed.wsp1, listed.wsp2);
        if (!event) {
            continue;
        }
        const int id = static_cast<int>(m_entries.size());
        first->setData(kCircleIdRole, id);
        const EventAge age = AgeOf(event->when, now);
        m_entries.push_back({index, std::move(*event), age});
        added.push_back(id);
    }
    m_pending.clear();
    if (!added.empty() && m_bridge.IsReady()) {
        emit m_bridge.eventsAdded(ToVariants(added));
    }
}

void CQuakeMap::RowRevised(int row) {
    const int id = CircleOfRow(row);
    if (id < 0) {
        return;
    }
    const QuakeEvent listed = EventOfRow(m_list, row);
    std::optional<MapEvent> event =
        MapEventFromRow(listed.mag, listed.region, listed.data1, listed.data2, listed.wsp1, listed.wsp2);
    if (!event) {
        return;
    }
    Entry& entry = m_entries[static_cast<std::size_t>(id)];
    entry.event = std::move(*event);
    entry.age = AgeOf(entry.event.when, Now());
    // Rare enough that the page simply takes every circle again.
    if (m_bridge.IsReady()) {
        SendAll();
    }
}

void CQuakeMap::UpdateAges() {
    QVariantList changed;
    const std::time_t now = Now();
    for (std::size_t id = 0; id < m_entries.size(); ++id) {
        Entry& entry = m_entries[id];
        const EventAge age = AgeOf(entry.event.when, now);
        if (age != entry.age) {
            entry.age = age;
            changed.push_back(static_cast<int>(id));
            changed.push_back(static_cast<int>(age));
        }
    }
    if (!changed.isEmpty() && m_bridge.IsReady()) {
        emit m_bridge.eventsAged(changed);
    }
}

QVariantList CQuakeMap::ToVariants(std::vector<int> ids) const {
    OldestFirst(&ids);
    QVariantList list;
    list.reserve(static_cast<qsizetype>(ids.size()));
    for (int id : ids) {
        list.push_back(ToVariant(id));
    }
    return list;
}

QVariantMap CQuakeMap::ToVariant(int id) const {
    const Entry& entry = m_entries[static_cast<std::size_t>(id)];
    const MapEvent& e = entry.event;
    return {{"id", id},
            {"lat", e.lat},
            {"lon", e.lon},
            {"radius", e.radius},
            {"age", static_cast<int>(entry.age)},
            {"mag", Text(e.mag)},
            {"region", Text(e.region)},
            {"date", Text(e.date)},
            {"time", Text(e.time)}};
}

void CQuakeMap::SendAll() {
    Flush();
    const std::string lang = UiLanguage();
    QStringList legend;
    for (int age = 0; age < 3; ++age) {
        legend << Text(MapAgeLegendText(lang, age));
    }
    emit m_bridge.legendChanged(legend);

    const HomePlaceTexts texts = ReadHomePlaceTexts();
    QVariantMap home;
    if (const std::optional<HomePlace> place = HomePlaceFromTexts(texts.lat, texts.lon, texts.name)) {
        home = {{"lat", place->lat},
                {"lon", place->lon},
                {"name", Text(place->name.empty() ? HomePlaceDefaultName(lang) : place->name)}};
    }
    emit m_bridge.homeChanged(home);

    UpdateAges();
    std::vector<int> all;
    all.reserve(m_entries.size());
    for (std::size_t id = 0; id < m_entries.size(); ++id) {
        if (m_entries[id].index.isValid()) {
            all.push_back(static_cast<int>(id));
        }
    }
    emit m_bridge.eventsReset(ToVariants(all));
}

int CQuakeMap::CircleOfRow(int row) const {
    const QTableWidgetItem* first = m_list.item(row, 0);
    const QVariant id = first != nullptr ? first->data(kCircleIdRole) : QVariant();
    return id.isValid() ? id.toInt() : -1;
}

int CQuakeMap::RowOfCircle(int id) const {
    if (id < 0 || id >= CircleCount()) {
        return -1;
    }
    const QPersistentModelIndex& index = m_entries[static_cast<std::size_t>(id)].index;
    return index.isValid() ? index.row() : -1;
}

void CQuakeMap::SelectCircle(int id) {
    const int row = RowOfCircle(id);
    if (row < 0) {
        return;
    }
    m_list.selectRow(row);
    m_list.scrollToItem(m_list.item(row, 0), QAbstractItemView::PositionAtCenter);
}

}  // namespace dravik
