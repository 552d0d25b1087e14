#pragma once

#include <QObject>
#include <QPersistentModelIndex>
#include <QTimer>
#include <QVariantMap>
#include <ctime>
#include <functional>
#include <vector>

#include "mainwindow/map_events.h"

class QModelIndex;
class QTableWidget;

namespace dravik {

class CMapBridge;

// Keeps the built-in map's circles in step with the main list: every listed event with a position is a
// circle; rows the feed inserts go to the page together once the insertion is over, without a reload; the
// ages are looked at again every minute; a click on a circle selects its row. A page that loads gets them
// all, with the legend and the home place. Rows keep their circle through sorting.
class CQuakeMap final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CQuakeMap)

public:
    using Clock = std::function<std::time_t()>;

    CQuakeMap(QTableWidget& list, CMapBridge& bridge, QObject* parent, Clock now = {});

    // Sends the rows inserted since the last time now (otherwise the event loop's next turn does it).
    void Flush();
    // Looks at the circles' ages again and sends those that changed.
    void UpdateAges();
    // The row's event was revised: its circle moves and takes its new size.
    void RowRevised(int row);

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
    };

    void OnRowsInserted(const QModelIndex& parent, int first, int last);
    void Rebuild();
    void SendAll();
    QVariantMap ToVariant(int id) const;
    // The circles in the order the page draws them, oldest first.
    QVariantList ToVariants(std::vector<int> ids) const;
    void OldestFirst(std::vector<int>* ids) const;
    std::time_t Now() const;

    QTableWidget& m_list;
    CMapBridge& m_bridge;
    Clock m_now;
    // A circle's id is its place here.
    std::vector<Entry> m_entries;
    std::vector<QPersistentModelIndex> m_pending;
    QTimer m_flushTimer;
    QTimer m_ageTimer;
};

}  // namespace dravik
