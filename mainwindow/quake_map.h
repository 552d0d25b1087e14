#pragma once

#include <QObject>
#include <QPersistentModelIndex>
#include <QString>
#include <QTimer>
#include <ctime>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "mainwindow/map_events.h"
#include "mainwindow/shaking_bands.h"

class QModelIndex;

namespace dravik {

class CMapWidget;
class CEventList;

// Keeps the map's circles in step with the main list: every listed event with a position is a circle; rows
// the feed inserts reach the map together once the insertion is over; rows the list lets go take their circle
// with them; the ages are looked at again every minute; a click on a circle selects its row. Rows keep their
// circle through sorting. The map also gets the legend and the home place.
class CQuakeMap final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CQuakeMap)

public:
    using Clock = std::function<std::time_t()>;

    CQuakeMap(CEventList& list, CMapWidget& map, QObject* parent, Clock now = {});

    // Sends the rows inserted since the last time now (otherwise the event loop's next turn does it).
    void Flush();
    // Looks at the circles' ages again and redraws those that changed.
    void UpdateAges();
    // The row's event was revised: its circle moves and takes its new size.
    void RowRevised(int row);
    // The legend's language, the places and the Esri key are read again (the settings or the language changed).
    void RefreshSettings();
    // The bands of expected shaking of the list row's quake (the one the marker now shows); none for -1 or a row
    // without magnitude or position.
    // With `zone`, its sequence's zone among them.
    void ShowShaking(int row, std::optional<SequenceZoneBand> zone = std::nullopt);

    int CircleCount() const { return static_cast<int>(m_entries.size()); }
    // The circle of a list row and the row of a circle; -1 for none.
    int CircleOfRow(int row) const;
    int RowOfCircle(int id) const;
    // Selects the circle's row and scrolls the list to it, as a click on the circle does.
    void SelectCircle(int id);

private:
    struct Entry {
        QPersistentModelIndex index;
        MapEvent event;
        EventAge age;
        // Made once: the map is handed every circle whenever one changes.
        QString tooltip;
    };

    void OnRowsInserted(const QModelIndex& parent, int first, int last);
    void OnRowsAboutToBeRemoved(const QModelIndex& parent, int first, int last);
    void Rebuild();
    // Hands the map every circle, oldest first, so that the newest are drawn on top.
    void Push();
    // Hands the map the bands of m_shaking with the legend's caption in the language of the moment.
    void PushShaking(const std::string& lang);
    std::time_t Now() const;

    CEventList& m_list;
    CMapWidget& m_map;
    Clock m_now;
    std::map<int, Entry> m_entries;
    int m_nextId = 0;
    std::vector<QPersistentModelIndex> m_pending;
    QuakeShaking m_shaking;
    std::optional<SequenceZoneBand> m_zone;
    QTimer m_flushTimer;
    QTimer m_ageTimer;
};

}  // namespace dravik
