#include "mainwindow/event_list_sort.h"

#include <QCollator>
#include <QHeaderView>
#include <QTableWidget>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "app/settings_key.h"
#include "mainwindow/event_list_view.h"

namespace dravik {

namespace {

constexpr const char* kSorterName = "dravikEventListSorter";

locale_t CLocale() {
    static const locale_t c = ::newlocale(LC_ALL_MASK, "C", nullptr);
    return c;
}

}  // namespace

bool IsSortableColumn(int column) {
    return column >= 0 && column < kEventColumnCount;
}

EventListOrder NextOrder(const EventListOrder& now, int clickedColumn) {
    if (!IsSortableColumn(clickedColumn)) {
        return now;
    }
    const EventColumn& clicked = kEventColumns[clickedColumn];
    // Date and time are one key: a click on either continues the cycle of the other.
    const bool sameKey =
        now.column == clickedColumn || (IsSortableColumn(now.column) && clicked.sortKind == EventSortKind::DateTime &&
                                        kEventColumns[now.column].sortKind == EventSortKind::DateTime);
    if (!sameKey) {
        return {clickedColumn, clicked.firstOrder};
    }
    if (now.order == clicked.firstOrder) {
        return {clickedColumn, clicked.firstOrder == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder};
    }
    return {};
}

double NumberSortKey(const std::string& text) {
    char* end = nullptr;
    const double value = ::strtod_l(text.c_str(), &end, CLocale());
    if (end == text.c_str() || !std::isfinite(value)) {
        return -std::numeric_limits<double>::infinity();
    }
    return value;
}

std::string DateTimeSortKey(const std::string& data1, const std::string& data2) {
    return data1 + " " + data2;
}

namespace {
// Set while the classic order is brought back: items compare by their classic place only. Sorting runs on the UI
// thread alone, and a flag here costs a compare nothing, unlike a property of the list looked up by name.
bool g_bClassicSort = false;

// Region names as people order them in the program's language (which needs a restart to change): case aside,
// letters with accents where that language puts them, "10" after "9". Not the C locale's, which compares code
// points. Made once; only the UI thread sorts.
const QCollator& TextCollator() {
    static const QCollator collator = [] {
        QLocale locale(QString::fromStdString(UiLanguage()).toLower());
        if (locale.language() == QLocale::C) {
            locale = QLocale(QLocale::English);
        }
        QCollator c(locale);
        c.setCaseSensitivity(Qt::CaseInsensitive);
        c.setNumericMode(true);
        return c;
    }();
    return collator;
}

// Compares two keys of a column: below zero when `a` sorts before `b` in ascending order, zero when equal.
// A missing value (an empty text, a number read as nothing) compares as the last of the first click's order.
int CompareKeys(const QTableWidgetItem& a, const QTableWidgetItem& b, const EventColumn& column) {
    const bool missingLast = column.firstOrder == Qt::AscendingOrder;
    switch (column.sortKind) {
        case EventSortKind::Number: {
            double x = a.data(CEventListItem::kSortKeyRole).toDouble();
            double y = b.data(CEventListItem::kSortKeyRole).toDouble();
            // A key stored as nothing is -infinity: the last of largest first; nearest first wants it at the end.
            if (missingLast) {
                constexpr double kInf = std::numeric_limits<double>::infinity();
                x = x == -kInf ? kInf : x;
                y = y == -kInf ? kInf : y;
            }
            return x < y ? -1 : (y < x ? 1 : 0);
        }
        case EventSortKind::Text: {
            const QString x = a.text();
            const QString y = b.text();
            if (x.isEmpty() != y.isEmpty()) {
                return x.isEmpty() == missingLast ? 1 : -1;
            }
            return TextCollator().compare(x, y);
        }
        case EventSortKind::DateTime:
            return QString::compare(a.data(CEventListItem::kSortKeyRole).toString(),
                                    b.data(CEventListItem::kSortKeyRole).toString());
    }
    return 0;
}

}  // namespace

QVariant CEventListItem::data(int role) const {
    if (role == Qt::ToolTipRole && m_column != 0) {
        // Asked only when the pointer rests on a cell, so finding the row may take a look through the list.
        const QTableWidget* list = tableWidget();
        const QTableWidgetItem* first = list != nullptr ? list->item(row(), 0) : nullptr;
        return first != nullptr ? first->data(role) : QVariant();
    }
    return QTableWidgetItem::data(role);
}

bool CEventListItem::operator<(const QTableWidgetItem& other) const {
    const auto order = [](const QTableWidgetItem& item) { return item.data(kListedOrderRole).toDouble(); };
    if (!g_bClassicSort && IsSortableColumn(m_column)) {
        const EventColumn& column = kEventColumns[m_column];
        const int compared = CompareKeys(*this, other, column);
        if (compared != 0) {
            return compared < 0;
        }
        // Equal keys stand in classic order in the first click's direction: in descending order the later
        // listed counts as smaller, in ascending order as larger.
        return column.firstOrder == Qt::DescendingOrder ? order(*this) > order(other) : order(*this) < order(other);
    }
    return order(*this) < order(other);
}

CEventListSorter::CEventListSorter(QTableWidget& list) : QObject(&list), m_list(list) {
    setObjectName(QLatin1String(kSorterName));
    QHeaderView* header = list.horizontalHeader();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(false);
    connect(header, &QHeaderView::sectionClicked, this, [this](int column) { OnHeaderClicked(column); });
}

CEventListSorter* CEventListSorter::Of(const QTableWidget& list) {
    return list.findChild<CEventListSorter*>(QLatin1String(kSorterName), Qt::FindDirectChildrenOnly);
}

void CEventListSorter::OnHeaderClicked(int column) {
    SetOrder(NextOrder(m_order, column));
}

void CEventListSorter::SetOrder(const EventListOrder& order) {
    QHeaderView* header = m_list.horizontalHeader();
    if (order.column < 0) {
        header->setSortIndicatorShown(false);
        if (m_order.column >= 0) {
            m_order = order;
            // The classic order back: each row's place as listed.
            g_bClassicSort = true;
            m_list.sortItems(0, Qt::AscendingOrder);
            g_bClassicSort = false;
        }
        m_order = order;
        return;
    }
    // Every row carries its classic place from its insertion on, so leaving the classic order changes no item.
    m_order = order;
    header->setSortIndicator(order.column, order.order);
    header->setSortIndicatorShown(true);
    Sort();
}

void CEventListSorter::RowFilled() {
    if (m_order.column < 0) {
        return;
    }
    if (m_nBatch > 0) {
        m_bPending = true;
        return;
    }
    Sort();
}

void CEventListSorter::BeginBatch() {
    ++m_nBatch;
}

void CEventListSorter::EndBatch() {
    if (m_nBatch > 0 && --m_nBatch == 0 && m_bPending) {
        m_bPending = false;
        Sort();
    }
}

int CEventListSorter::PlaceOf(const QTableWidgetItem& key) const {
    int low = 0;
    int high = m_list.rowCount();
    while (low < high) {
        const int middle = low + (high - low) / 2;
        const QTableWidgetItem* other = m_list.item(middle, m_order.column);
        // The first row that the new one sorts before; the list holds the order sortItems gave it.
        const bool before = other == nullptr || (m_order.order == Qt::AscendingOrder ? key < *other : *other < key);
        if (before) {
            high = middle;
        } else {
            low = middle + 1;
        }
    }
    return low;
}

bool CEventListSorter::InOrder(int upperRow, int lowerRow) const {
    const QTableWidgetItem* upper = m_list.item(upperRow, m_order.column);
    const QTableWidgetItem* lower = m_list.item(lowerRow, m_order.column);
    if (upper == nullptr || lower == nullptr) {
        return true;
    }
    return m_order.order == Qt::AscendingOrder ? !(*lower < *upper) : !(*upper < *lower);
}

void CEventListSorter::RowsChanged(const std::vector<int>& rows) {
    if (m_order.column < 0) {
        return;
    }
    // The list was in order, and only the pairs beside a changed row can have left it.
    for (const int row : rows) {
        if ((row > 0 && !InOrder(row - 1, row)) || (row + 1 < m_list.rowCount() && !InOrder(row, row + 1))) {
            RowFilled();
            return;
        }
    }
}

void CEventListSorter::Sort() {
    if (m_order.column >= 0) {
        m_list.sortItems(m_order.column, m_order.order);
    }
}

EventListBatch::EventListBatch(const QTableWidget& list) : m_sorter(CEventListSorter::Of(list)) {
    if (m_sorter != nullptr) {
        m_sorter->BeginBatch();
    }
}

EventListBatch::~EventListBatch() {
    if (m_sorter != nullptr) {
        m_sorter->EndBatch();
    }
}

}  // namespace dravik
