#pragma once

#include <QObject>
#include <string>
#include <vector>

namespace dravik {

class CEventList;
struct EventListRow;

// The main list's order: the classic one (column -1: as listed, newest on top) or a column's.
struct EventListOrder {
    int column = -1;
    Qt::SortOrder order = Qt::DescendingOrder;
    bool operator==(const EventListOrder& other) const {
        return column == other.column && (column < 0 || order == other.order);
    }
};

// How a column's values compare: by a number (the magnitude, coordinates, depth, distance), by text as people
// read it (the region: the collation of the program's language, case aside, numbers inside by value), or by
// the archive's date and time together.
enum class EventSortKind : unsigned char { Number, Text, DateTime };

// The columns of the main event list, in their order.
enum EventColumnIndex : int {
    kColumnMagnitude,
    kColumnRegion,
    kColumnDate,
    kColumnTime,
    kColumnLatitude,
    kColumnLongitude,
    kColumnDepth,
    kColumnDistance,  // from the nearest place; hidden while there is none
    kColumnShaking,   // the strongest expected intensity at the places; hidden likewise
};

// A column: header text number, width in pixels, right alignment, how it sorts and its first click's order.
struct EventColumn {
    int textNumber;
    int width;
    bool alignRight;
    EventSortKind sortKind;
    Qt::SortOrder firstOrder;
};
inline constexpr EventColumn kEventColumns[] = {
    {1, 40, false, EventSortKind::Number, Qt::DescendingOrder},
    {2, 160, false, EventSortKind::Text, Qt::AscendingOrder},
    {3, 70, false, EventSortKind::DateTime, Qt::DescendingOrder},
    {4, 55, false, EventSortKind::DateTime, Qt::DescendingOrder},
    {5, 52, true, EventSortKind::Number, Qt::DescendingOrder},
    {6, 52, true, EventSortKind::Number, Qt::DescendingOrder},
    {9, 55, true, EventSortKind::Number, Qt::DescendingOrder},
    {10, 70, true, EventSortKind::Number, Qt::AscendingOrder},
    {11, 60, false, EventSortKind::Number, Qt::DescendingOrder},
};
inline constexpr int kEventColumnCount = 9;
static_assert(sizeof(kEventColumns) / sizeof(kEventColumns[0]) == kEventColumnCount);

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

// Whether row `a` is shown above row `b` in `order`: by the column's key, a value the row lacks (no number, no
// text) last on the first click, equal keys in classic order in the direction of the column's first click, so
// that the second click is the exact reverse. The classic order compares the rows' classic places.
bool ShownBefore(const EventListRow& a, const EventListRow& b, const EventListOrder& order);
// The same for many rows at once: the region's collation keys are made once a row, not once a comparison.
void SortRows(std::vector<int>& rows, const std::vector<const EventListRow*>& all, const EventListOrder& order);

// Sorts the main list by a click on a column's header, with the header's sort indicator on that column (none
// in the classic order), and shows the new order from its top. Rows the feed inserts take their places in the
// order at once (the list's model keeps it). Lives as the list's child.
class CEventListSorter final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CEventListSorter)

public:
    explicit CEventListSorter(CEventList& list);

    // The sorter of a list, or nullptr when it has none.
    static CEventListSorter* Of(const CEventList& list);

    const EventListOrder& Order() const;
    void OnHeaderClicked(int column);
    void SetOrder(const EventListOrder& order);

    // Whether a column's order holds.
    bool Sorted() const { return Order().column >= 0; }
    // Rows whose keys changed in place (a revision, a new home place): the list is sorted again when one of
    // them no longer stands in order beside its neighbours.
    void RowsChanged(const std::vector<int>& rows);

private:
    CEventList& m_list;
};

}  // namespace dravik
