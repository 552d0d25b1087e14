#pragma once

#include <QObject>
#include <QTableWidgetItem>
#include <string>
#include <vector>

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

// How a column's items compare: by a number (the magnitude, coordinates, depth, distance), by text as people
// read it (the region: the collation of the program's language, case aside, numbers inside by value), or by
// the archive's date and time together.
enum class EventSortKind : unsigned char { Number, Text, DateTime };

// Whether a header click sorts by the column: every column of the list does.
bool IsSortableColumn(int column);

// The order after a click on a column's header: the first click sorts the way one reads the column first (text
// A to Z, the distance nearest first, the other numbers largest first, date and time newest first; date and
// time are one key, a click on either continues the other's cycle), a second click reverses it, a third
// brings the classic order back. A click outside the columns leaves the order as it is.
EventListOrder NextOrder(const EventListOrder& now, int clickedColumn);

// Sort keys: a number as the atof rules read it whatever the locale ("10 km" is 10; a text without a number
// sorts below every number), and date and time as one text, which compares as the time does since both are
// zero-padded.
double NumberSortKey(const std::string& text);
std::string DateTimeSortKey(const std::string& data1, const std::string& data2);

// An item of the main list: compares by its column's key (a text column by its text, others by kSortKeyRole),
// events of equal key in classic order in the direction of the column's first click, so that the second
// click is its exact reverse. A value the row lacks (no number, no text) goes last on the first click.
class CEventListItem final : public QTableWidgetItem {
public:
    // Item data: the sort key of the item's column, and the row's place in the classic order.
    // (Above the roles in which a row keeps its event.)
    static constexpr int kSortKeyRole = Qt::UserRole + 101;
    static constexpr int kListedOrderRole = Qt::UserRole + 102;

    CEventListItem(const QString& text, int column) : QTableWidgetItem(text), m_column(column) {}
    bool operator<(const QTableWidgetItem& other) const override;
    // The row's tooltip is its first item's: one copy a row, not one a cell.
    QVariant data(int role) const override;

private:
    int m_column;
};

// Sorts the main list by a click on a column's header, with the header's sort indicator on that column (none
// in the classic order). While a column's order holds, a row the feed inserts takes its place in that order at
// once, and the classic order it would have had (the top for an insertion at index 0, the end otherwise) is
// kept for the third click. Lives as the list's child.
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
    // The row before which a new row belongs while a column's order holds, given its complete item of the
    // sorted column (its classic place taken, which decides among equal keys), found by halving; a row filled
    // there needs no sorting of the whole list.
    int PlaceOf(const QTableWidgetItem& key) const;
    // Rows whose keys changed in place (a revision, a new home place): the list is sorted again when one of
    // them no longer stands in order beside its neighbours.
    void RowsChanged(const std::vector<int>& rows);
    // Rows inserted between the two are sorted once, at the end.
    void BeginBatch();
    void EndBatch();

private:
    void Sort();
    bool InOrder(int upperRow, int lowerRow) const;

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
