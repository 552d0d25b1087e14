#pragma once

#include <QObject>
#include <QTableWidgetItem>
#include <string>

class QTableWidget;

namespace dravik {

// The main list's order: the classic one (column -1: as listed, newest on top) or a column's.
struct EventListOrder {
    int column = -1;
    Qt::SortOrder order = Qt::DescendingOrder;
    bool operator==(const EventListOrder& other) const {
        return column == other.column && (column < 0 || order == other.order);
    }
};

// The columns a header click sorts by: the magnitude, the date and the time (these two sort alike, by date
// and time together).
bool IsSortableColumn(int column);

// The order after a click on a column's header: a sortable column sorts largest and newest first, a second
// click reverses it, a third brings the classic order back. Other columns leave the order as it is.
EventListOrder NextOrder(const EventListOrder& now, int clickedColumn);

// Sort keys: the magnitude as the atof rules read it (a text without a number sorts below every
// magnitude), and date and time as one text, which compares as the time does since both are zero-padded.
double MagnitudeSortKey(const std::string& mag);
std::string DateTimeSortKey(const std::string& data1, const std::string& data2);

// An item of the main list: compares by its column's key, events of equal key in classic order.
class CEventListItem final : public QTableWidgetItem {
public:
    // Item data: the sort key of the item's column, and the row's place in the classic order.
    // (Above the roles in which a row keeps its event.)
    static constexpr int kSortKeyRole = Qt::UserRole + 101;
    static constexpr int kListedOrderRole = Qt::UserRole + 102;

    explicit CEventListItem(const QString& text) : QTableWidgetItem(text) {}
    bool operator<(const QTableWidgetItem& other) const override;
};

// Sorts the main list by a click on a sortable column's header. While a column's order holds, a row the
// feed inserts takes its place in that order at once, and the classic order it would have had (the top for
// an insertion at index 0, the end otherwise) is kept for the third click. Lives as the list's child.
class CEventListSorter final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CEventListSorter)

public:
    explicit CEventListSorter(QTableWidget& list);

    // The sorter of a list, or nullptr when it has none.
    static CEventListSorter* Of(const QTableWidget& list);

    const EventListOrder& Order() const { return m_order; }
    void OnHeaderClicked(int column);
    void SetOrder(const EventListOrder& order);

    // Whether a column's order holds (rows the feed inserts must take their place in it).
    bool Sorted() const { return m_order.column >= 0; }
    // The classic place of a row the feed inserts, to be given to its items before they go in; `atTop` when it
    // goes to the classic top, else to the end.
    double TakeListedOrder(bool atTop) { return atTop ? --m_topOrder : ++m_bottomOrder; }
    // Called by the list's insertion once a row is filled anywhere: the list is sorted (at the batch's end).
    void RowFilled();
    // The row before which an event with these sort keys belongs while a column's order holds, found by
    // halving (the classic place it would take, the top or the end, decides among equal keys); a row filled
    // there needs no sorting of the whole list.
    int PlaceOf(double magnitudeKey, const QString& dateTimeKey, bool atTop) const;
    // Rows inserted between the two are sorted once, at the end.
    void BeginBatch();
    void EndBatch();

private:
    void Sort();

    QTableWidget& m_list;
    EventListOrder m_order;
    double m_topOrder = 0;
    double m_bottomOrder = 0;
    int m_nBatch = 0;
    bool m_bPending = false;
};

// Holds off sorting while a batch of rows goes in (nothing when the list has no sorter).
class EventListBatch final {
public:
    explicit EventListBatch(const QTableWidget& list);
    ~EventListBatch();
    EventListBatch(const EventListBatch&) = delete;
    EventListBatch& operator=(const EventListBatch&) = delete;

private:
    CEventListSorter* m_sorter;
};

}  // namespace dravik
