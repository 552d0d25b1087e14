#include "mainwindow/event_list_sort.h"

#include <QCollator>
#include <QHeaderView>
#include <QScrollBar>
#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "app/settings_key.h"
#include "mainwindow/event_list.h"
#include "mainwindow/event_list_model.h"

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

double NumberKey(const EventListRow& row, int column) {
    constexpr double kNone = -std::numeric_limits<double>::infinity();
    switch (column) {
        case kColumnMagnitude:
            return row.magKey;
        case kColumnLatitude:
            return row.latKey;
        case kColumnLongitude:
            return row.lonKey;
        case kColumnDepth:
            return row.depthKey;
        case kColumnDistance:
            return row.distanceKm.value_or(kNone);
        case kColumnShaking:
            return row.shaking.value_or(kNone);
        default:
            return kNone;
    }
}

// Date and time compared as DateTimeSortKey's one text, without making it.
int CompareDateTime(const EventListRow& a, const EventListRow& b) {
    const auto at = [](const EventListRow& r, std::size_t i) -> int {
        if (i < r.data1.size()) {
            return static_cast<unsigned char>(r.data1[i]);
        }
        if (i == r.data1.size()) {
            return ' ';
        }
        i -= r.data1.size() + 1;
        return i < r.data2.size() ? static_cast<unsigned char>(r.data2[i]) : -1;
    };
    const std::size_t length = std::max(a.data1.size() + a.data2.size(), b.data1.size() + b.data2.size()) + 1;
    for (std::size_t i = 0; i < length; ++i) {
        const int x = at(a, i);
        const int y = at(b, i);
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    return 0;
}

int Sign(int value) {
    return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

// Compares two rows' keys of a column: below zero when `a` sorts before `b` in ascending order, zero when equal.
// A missing value (an empty text, a number read as nothing) compares as the last of the first click's order.
// `collated` compares two non-empty region texts.
template <typename Collated>
int CompareKeys(const EventListRow& a, const EventListRow& b, int column, const Collated& collated) {
    const EventColumn& c = kEventColumns[column];
    const bool missingLast = c.firstOrder == Qt::AscendingOrder;
    switch (c.sortKind) {
        case EventSortKind::Number: {
            double x = NumberKey(a, column);
            double y = NumberKey(b, column);
            // A key read as nothing is -infinity: the last of largest first; nearest first wants it at the end.
            if (missingLast) {
                constexpr double kInf = std::numeric_limits<double>::infinity();
                x = x == -kInf ? kInf : x;
                y = y == -kInf ? kInf : y;
            }
            return x < y ? -1 : (y < x ? 1 : 0);
        }
        case EventSortKind::Text:
            if (a.region.empty() != b.region.empty()) {
                return a.region.empty() == missingLast ? 1 : -1;
            }
            return a.region.empty() ? 0 : Sign(collated());
        case EventSortKind::DateTime:
            return CompareDateTime(a, b);
    }
    return 0;
}

// Whether `a` is less than `b` in the column's ascending order: equal keys stand in classic order in the first
// click's direction (in descending order the later listed counts as smaller, in ascending order as larger).
bool Less(const EventListRow& a, const EventListRow& b, int column, int compared) {
    if (compared != 0) {
        return compared < 0;
    }
    return kEventColumns[column].firstOrder == Qt::DescendingOrder ? a.listedOrder > b.listedOrder
                                                                   : a.listedOrder < b.listedOrder;
}

}  // namespace

bool ShownBefore(const EventListRow& a, const EventListRow& b, const EventListOrder& order) {
    if (!IsSortableColumn(order.column)) {
        return a.listedOrder < b.listedOrder;
    }
    const EventListRow& x = order.order == Qt::AscendingOrder ? a : b;
    const EventListRow& y = order.order == Qt::AscendingOrder ? b : a;
    const int compared = CompareKeys(x, y, order.column, [&] {
        return TextCollator().compare(QString::fromStdString(x.region), QString::fromStdString(y.region));
    });
    return Less(x, y, order.column, compared);
}

void SortRows(std::vector<int>& rows, const std::vector<const EventListRow*>& all, const EventListOrder& order) {
    if (!IsSortableColumn(order.column) || kEventColumns[order.column].sortKind != EventSortKind::Text) {
        std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) {
            return ShownBefore(*all[static_cast<std::size_t>(a)], *all[static_cast<std::size_t>(b)], order);
        });
        return;
    }
    std::vector<QCollatorSortKey> keys;
    keys.reserve(all.size());
    for (const EventListRow* row : all) {
        keys.push_back(TextCollator().sortKey(QString::fromStdString(row->region)));
    }
    std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) {
        const std::size_t x = static_cast<std::size_t>(order.order == Qt::AscendingOrder ? a : b);
        const std::size_t y = static_cast<std::size_t>(order.order == Qt::AscendingOrder ? b : a);
        const int compared = CompareKeys(*all[x], *all[y], order.column, [&] { return keys[x].compare(keys[y]); });
        return Less(*all[x], *all[y], order.column, compared);
    });
}

CEventListSorter::CEventListSorter(CEventList& list) : QObject(&list), m_list(list) {
    setObjectName(QLatin1String(kSorterName));
    QHeaderView* header = list.horizontalHeader();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(false);
    connect(header, &QHeaderView::sectionClicked, this, [this](int column) { OnHeaderClicked(column); });
}

CEventListSorter* CEventListSorter::Of(const CEventList& list) {
    return list.findChild<CEventListSorter*>(QLatin1String(kSorterName), Qt::FindDirectChildrenOnly);
}

const EventListOrder& CEventListSorter::Order() const {
    return m_list.Model().Order();
}

void CEventListSorter::OnHeaderClicked(int column) {
    SetOrder(NextOrder(Order(), column));
}

void CEventListSorter::SetOrder(const EventListOrder& order) {
    QHeaderView* header = m_list.horizontalHeader();
    const bool changed = !(order == Order()) || order.column >= 0;
    if (order.column < 0) {
        header->setSortIndicatorShown(false);
    } else {
        header->setSortIndicator(order.column, order.order);
        header->setSortIndicatorShown(true);
    }
    m_list.Model().SetOrder(order);
    if (changed) {
        // The new order read from its top: its first rows are the point of a sort.
        m_list.scrollToTop();
    }
}

void CEventListSorter::RowsChanged(const std::vector<int>& rows) {
    if (!Sorted()) {
        return;
    }
    // The list was in order, and only the pairs beside a changed row can have left it.
    const CEventListModel& model = m_list.Model();
    for (const int row : rows) {
        if ((row > 0 && !model.InOrder(row - 1, row)) || (row + 1 < model.RowCount() && !model.InOrder(row, row + 1))) {
            m_list.Model().SetOrder(Order());
            return;
        }
    }
}

}  // namespace dravik
