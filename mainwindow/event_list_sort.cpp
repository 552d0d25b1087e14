#include "mainwindow/event_list_sort.h"

#include <QHeaderView>
#include <QTableWidget>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace dravik {

namespace {

constexpr const char* kSorterName = "dravikEventListSorter";
constexpr int kColumnMag = 0;
constexpr int kColumnDate = 2;
constexpr int kColumnTime = 3;

locale_t CLocale() {
    static const locale_t c = ::newlocale(LC_ALL_MASK, "C", nullptr);
    return c;
}

}  // namespace

bool IsSortableColumn(int column) {
    return column == kColumnMag || column == kColumnDate || column == kColumnTime;
}

EventListOrder NextOrder(const EventListOrder& now, int clickedColumn) {
    if (!IsSortableColumn(clickedColumn)) {
        return now;
    }
    // Date and time are one key: a click on either continues the cycle of the other.
    const auto sameKey = [](int a, int b) { return a == b || (a != kColumnMag && b != kColumnMag && a >= 0); };
    if (now.column < 0 || !sameKey(now.column, clickedColumn)) {
        return {clickedColumn, Qt::DescendingOrder};
    }
    if (now.order == Qt::DescendingOrder) {
        return {clickedColumn, Qt::AscendingOrder};
    }
    return {};
}

double MagnitudeSortKey(const std::string& mag) {
    char* end = nullptr;
    const double value = ::strtod_l(mag.c_str(), &end, CLocale());
    if (end == mag.c_str() || !std::isfinite(value)) {
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
}  // namespace

bool CEventListItem::operator<(const QTableWidgetItem& other) const {
    const auto order = [](const QTableWidgetItem& item) { return item.data(kListedOrderRole).toDouble(); };
    if (!g_bClassicSort) {
        const QVariant key = data(kSortKeyRole);
        const QVariant otherKey = other.data(kSortKeyRole);
        if (key.typeId() == QMetaType::Double) {
            const double a = key.toDouble();
            const double b = otherKey.toDouble();
            if (a != b) {
                return a < b;
            }
        } else {
            const int compared = QString::compare(key.toString(), otherKey.toString());
            if (compared != 0) {
                return compared < 0;
            }
        }
        // Equal keys: the later listed counts as smaller, so that largest or newest first keeps them in
        // classic order.
        return order(*this) > order(other);
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

int CEventListSorter::PlaceOf(double magnitudeKey, const QString& dateTimeKey, bool atTop) const {
    CEventListItem key(QString{});
    if (m_order.column == kColumnMag) {
        key.setData(CEventListItem::kSortKeyRole, magnitudeKey);
    } else {
        key.setData(CEventListItem::kSortKeyRole, dateTimeKey);
    }
    key.setData(CEventListItem::kListedOrderRole, atTop ? m_topOrder - 1 : m_bottomOrder + 1);
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
