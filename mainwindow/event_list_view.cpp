#include "mainwindow/event_list_view.h"

#include <QApplication>
#include <QEvent>
#include <QHeaderView>
#include <QTableWidget>
#include <algorithm>
#include <array>
#include <limits>
#include <unordered_map>
#include <utility>

#include "feed/intensity.h"
#include "feed/time_display.h"
#include "mainwindow/event_list_sort.h"
#include "mainwindow/ui_texts.h"
#include "platform/qt/dialog_builder.h"
#include "platform/qt/inert_text.h"
#include "platform/ui_thread.h"

namespace dravik {
namespace {

// The columns that show only while a place is set, their items made only then: most lists have none, and an
// item a row is memory.
constexpr int kPlaceColumns[] = {kColumnDistance, kColumnShaking};
bool IsPlaceColumn(int column) {
    return column == kColumnDistance || column == kColumnShaking;
}

// Up to this many new rows go straight to their places in a sorted list; more are inserted together and the
// list is sorted once.
constexpr std::size_t kPlacedOneByOne = 16;

Qt::Alignment ColumnAlignment(int column) {
    return (kEventColumns[column].alignRight ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
}

QTableWidgetItem* MakeItem(const std::string& text, int column) {
    auto* item = new CEventListItem(QString::fromStdString(text), column);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    item->setTextAlignment(ColumnAlignment(column));
    return item;
}

// What a row keeps of its event besides the shown texts.
enum EventRowRole : int {
    kRoleEventId = Qt::UserRole,
    kRoleHasNumbers,
    kRoleOriginUtcMs,
    kRoleMagnitude,
    kRoleLatitude,
    kRoleLongitude,
    kRoleArchiveText,  // on the date and time cells: the archive's form
    kRoleRevision,     // what the last revision changed
    kRoleAgeMs,        // the origin the list ages the row by, UTC ms
    kRoleTsunami,      // a tsunami message was issued for the quake (its agency's flag, or a centre's message)
};

// The origin a row ages by: the source's. A classic page's row has none the program could trust (its date and
// time are the page's texts); it leaves by the row count only, before the others.
qlonglong AgeKey(const QuakeEvent& event) {
    return event.hasNumbers ? event.originUtcMs : std::numeric_limits<qlonglong>::min();
}

// The oldest known origin among the list's rows, kept on the list as rows go in, so that a round which ages
// nothing out and stays within the bound does not look at every row. It may be older than the truth (a row
// revised or gone), never newer.
constexpr const char* kOldestAgeProperty = "dravikOldestAgeMs";

void NoteRowAge(QTableWidget& list, qlonglong age) {
    if (age == std::numeric_limits<qlonglong>::min()) {
        return;
    }
    const QVariant oldest = list.property(kOldestAgeProperty);
    if (!oldest.isValid() || age < oldest.toLongLong()) {
        list.setProperty(kOldestAgeProperty, age);
    }
}

void SetRowNumbers(QTableWidgetItem& magItem, const QuakeEvent& event) {
    magItem.setData(kRoleHasNumbers, event.hasNumbers);
    magItem.setData(kRoleOriginUtcMs, QVariant::fromValue<qlonglong>(event.originUtcMs));
    magItem.setData(kRoleMagnitude, event.magnitude);
    magItem.setData(kRoleLatitude, event.latitude);
    magItem.setData(kRoleLongitude, event.longitude);
    magItem.setData(kRoleAgeMs, AgeKey(event));
    // Once marked, a row stays marked: a revision without the flag does not take a centre's message back.
    if (event.felt.tsunami) {
        magItem.setData(kRoleTsunami, true);
    }
}

// The keys that sort a row by its event's texts: numbers read from the shown texts, date and time from the
// archive's form, which reads the same whatever the display. The region sorts by its text, the distance by the
// row's view.
void SetSortKeys(QTableWidgetItem* const* cells, const QuakeEvent& event) {
    cells[kColumnMagnitude]->setData(CEventListItem::kSortKeyRole, NumberSortKey(event.mag));
    cells[kColumnLatitude]->setData(CEventListItem::kSortKeyRole, NumberSortKey(event.wsp1));
    cells[kColumnLongitude]->setData(CEventListItem::kSortKeyRole, NumberSortKey(event.wsp2));
    cells[kColumnDepth]->setData(CEventListItem::kSortKeyRole, NumberSortKey(event.depth));
    const QString when = QString::fromStdString(DateTimeSortKey(event.data1, event.data2));
    cells[kColumnDate]->setData(kRoleArchiveText, QString::fromStdString(event.data1));
    cells[kColumnTime]->setData(kRoleArchiveText, QString::fromStdString(event.data2));
    cells[kColumnDate]->setData(CEventListItem::kSortKeyRole, when);
    cells[kColumnTime]->setData(CEventListItem::kSortKeyRole, when);
}

// The shown date and time, the distance (text and key, when the row has the item) and the tooltip of a row's
// cells.
void ShowRowView(QTableWidgetItem* const* cells, const QuakeEvent& event, const EventRowView& view) {
    const DateTimeText shown =
        DisplayedTime(event.data1, event.data2, event.hasNumbers, event.originUtcMs / 1000, view.display);
    cells[kColumnDate]->setText(QString::fromStdString(shown.date));
    cells[kColumnTime]->setText(QString::fromStdString(shown.time));
    if (QTableWidgetItem* distance = cells[kColumnDistance]) {
        distance->setText(view.distanceKm ? QString::fromStdString(KmText(*view.distanceKm)) : QString());
        distance->setData(CEventListItem::kSortKeyRole,
                          view.distanceKm.value_or(-std::numeric_limits<double>::infinity()));
    }
    if (QTableWidgetItem* shaking = cells[kColumnShaking]) {
        const int level = view.shaking ? IntensityLevel(*view.shaking) : 0;
        shaking->setText(QString::fromStdString(RomanNumeral(level)));
        shaking->setData(CEventListItem::kSortKeyRole, view.shaking.value_or(-std::numeric_limits<double>::infinity()));
        if (level > 0) {
            // The scale's colours are all light: dark text reads on each, in a dark theme too.
            shaking->setBackground(QColor::fromRgb(IntensityColour(level)));
            shaking->setForeground(QColor(Qt::black));
        } else {
            shaking->setData(Qt::BackgroundRole, QVariant());
            shaking->setData(Qt::ForegroundRole, QVariant());
        }
    }
    QString tooltip = QString::fromStdString(view.tooltip);
    const QString change = cells[0]->data(kRoleRevision).toString();
    if (!change.isEmpty()) {
        tooltip = tooltip.isEmpty() ? change : tooltip + "\n" + change;
    }
    // Kept once, on the row's first item, which the others ask (CEventListItem::data); most rows have none.
    QTableWidgetItem* first = cells[kColumnMagnitude];
    if (!tooltip.isEmpty() || !first->toolTip().isEmpty()) {
        first->setToolTip(InertText(tooltip));
    }
}

// Gives the region column the list's spare width whenever the list or another column changes size, so a wide
// window shows whole regions instead of an empty band.
class CRegionWidthKeeper final : public QObject {
public:
    CRegionWidthKeeper(QTableWidget& list, int ownWidth) : QObject(&list), m_list(list), m_ownWidth(ownWidth) {
        list.viewport()->installEventFilter(this);
        connect(list.horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column) {
            if (column != kColumnRegion) {
                Apply();
            }
        });
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Resize) {
            Apply();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void Apply() {
        int others = 0;
        for (int column = 0; column < m_list.columnCount(); ++column) {
            if (column != kColumnRegion) {
                others += m_list.columnWidth(column);
            }
        }
        m_list.setColumnWidth(kColumnRegion, RegionColumnWidth(m_list.viewport()->width(), others, m_ownWidth));
    }

    QTableWidget& m_list;
    int m_ownWidth;
};

}  // namespace

int RegionColumnWidth(int viewportWidth, int otherColumnsWidth, int ownWidth) {
    return std::max(ownWidth, viewportWidth - otherColumnsWidth);
}

void SetUpEventList(QTableWidget& list) {
    list.setColumnCount(kEventColumnCount);
    for (int column = 0; column < kEventColumnCount; ++column) {
        auto* header = new QTableWidgetItem(QString::fromStdString(GetUiText(kEventColumns[column].textNumber)));
        header->setTextAlignment(ColumnAlignment(column));
        list.setHorizontalHeaderItem(column, header);
        list.setColumnWidth(column, ScaledColumnWidth(list.font(), kEventColumns[column].width));
    }
    list.verticalHeader()->hide();
    list.horizontalHeader()->setSectionsClickable(false);
    list.horizontalHeader()->setHighlightSections(false);
    list.horizontalHeader()->setStretchLastSection(false);
    new CRegionWidthKeeper(list, list.columnWidth(kColumnRegion));
    // Without a place the list keeps its classic columns.
    for (const int column : kPlaceColumns) {
        list.setColumnHidden(column, true);
    }
    list.setSelectionBehavior(QAbstractItemView::SelectRows);
    list.setSelectionMode(QAbstractItemView::SingleSelection);
    list.setEditTriggers(QAbstractItemView::NoEditTriggers);
    list.setShowGrid(true);
    list.setSortingEnabled(false);
    list.setWordWrap(false);
    list.setIconSize(QSize(16, 16));
    list.verticalHeader()->setDefaultSectionSize(std::max(18, list.fontMetrics().height() + 4));
    // The selection stays as visible as with the focus.
    QPalette palette = list.palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    list.setPalette(palette);
}

void ShowPlaceColumns(QTableWidget& list, bool show) {
    for (const int column : kPlaceColumns) {
        if (!show) {
            CEventListSorter* sorter = CEventListSorter::Of(list);
            if (sorter != nullptr && sorter->Order().column == column) {
                sorter->SetOrder({});
            }
        }
        list.setColumnHidden(column, !show);
        // Its header is longer than its values in some languages: read whole rather than cut off.
        const int wanted = list.horizontalHeader()->sectionSizeHint(column);
        if (show && list.columnWidth(column) < wanted) {
            list.setColumnWidth(column, wanted);
        }
    }
}

namespace {

// A row's items for an event, complete, its classic place taken when the list has a sorter (`atTop` tells
// where the event came in). Each item is complete before it goes in: a change to an item in the list makes
// the list look for it among all its items. The distance item is made only while its column shows: most
// lists have no home place, and an item a row is memory (ApplyEventRowView makes it when the column comes).
using RowCells = std::array<QTableWidgetItem*, kEventColumnCount>;
RowCells MakeRowCells(const QTableWidget& list, const QList<QIcon>& images, const QuakeEvent& event, int image,
                      const EventRowView& view, bool atTop) {
    RowCells cells{};
    const std::string* texts[] = {&event.mag,  &event.region, &event.data1, &event.data2, &event.wsp1,
                                  &event.wsp2, &event.depth,  nullptr,      nullptr};
    for (int column = 0; column < kEventColumnCount; ++column) {
        if (texts[column] != nullptr) {
            cells[column] = MakeItem(*texts[column], column);
        }
    }
    for (const int column : kPlaceColumns) {
        if (!list.isColumnHidden(column)) {
            cells[column] = MakeItem(std::string(), column);
        }
    }
    QTableWidgetItem* magItem = cells[kColumnMagnitude];
    if (image >= 0 && image < images.size()) {
        magItem->setIcon(images[image]);
    }
    magItem->setData(kRoleEventId, QString::fromStdString(event.eventId));
    SetRowNumbers(*magItem, event);
    SetSortKeys(cells.data(), event);
    ShowRowView(cells.data(), event, view);
    if (CEventListSorter* sorter = CEventListSorter::Of(list)) {
        const double order = sorter->TakeListedOrder(atTop);
        for (QTableWidgetItem* cell : cells) {
            if (cell != nullptr) {
                cell->setData(CEventListItem::kListedOrderRole, order);
            }
        }
    }
    return cells;
}

// Puts a row's items into the empty row `index`; `placed` that the row is at its sorted place already.
void PutRowCells(QTableWidget& list, int index, const RowCells& cells, bool placed) {
    for (int column = 0; column < kEventColumnCount; ++column) {
        if (cells[column] != nullptr) {
            list.setItem(index, column, cells[column]);
        }
    }
    NoteRowAge(list, cells[kColumnMagnitude]->data(kRoleAgeMs).toLongLong());
    CEventListSorter* sorter = CEventListSorter::Of(list);
    if (sorter != nullptr && !placed) {
        sorter->RowFilled();
    }
}

void FillEventRow(QTableWidget& list, const QList<QIcon>& images, int index, const QuakeEvent& event, int image,
                  const EventRowView& view, bool atTop) {
    PutRowCells(list, index, MakeRowCells(list, images, event, image, view, atTop), false);
}

}  // namespace

void InsertEventRow(QTableWidget& list, const QList<QIcon>& images, int index, const QuakeEvent& event, int image,
                    const EventRowView& view) {
    list.insertRow(index);
    FillEventRow(list, images, index, event, image, view, index == 0);
}

void ApplyEventRowView(QTableWidget& list, int row, const EventRowView& view) {
    if (row < 0 || row >= list.rowCount()) {
        return;
    }
    QTableWidgetItem* cells[kEventColumnCount];
    for (int column = 0; column < kEventColumnCount; ++column) {
        cells[column] = list.item(row, column);
        if (cells[column] == nullptr && !IsPlaceColumn(column)) {
            return;
        }
    }
    // The places' columns have come since the row went in: their items, complete before they go in.
    QTableWidgetItem* made[kEventColumnCount] = {};
    for (const int column : kPlaceColumns) {
        if (cells[column] == nullptr && !list.isColumnHidden(column)) {
            made[column] = MakeItem(std::string(), column);
            made[column]->setData(CEventListItem::kListedOrderRole,
                                  cells[kColumnMagnitude]->data(CEventListItem::kListedOrderRole));
            cells[column] = made[column];
        }
    }
    ShowRowView(cells, EventOfRow(list, row), view);
    for (const int column : kPlaceColumns) {
        if (made[column] != nullptr) {
            list.setItem(row, column, made[column]);
        }
    }
}

QuakeEvent EventOfRow(const QTableWidget& list, int row) {
    QuakeEvent event;
    const QTableWidgetItem* magItem = list.item(row, 0);
    if (magItem == nullptr) {
        return event;
    }
    const auto text = [&](int column) {
        const QTableWidgetItem* cell = list.item(row, column);
        return cell != nullptr ? cell->text().toStdString() : std::string();
    };
    const auto archive = [&](int column) {
        const QTableWidgetItem* cell = list.item(row, column);
        return cell != nullptr ? cell->data(kRoleArchiveText).toString().toStdString() : std::string();
    };
    event.eventId = magItem->data(kRoleEventId).toString().toStdString();
    event.mag = text(kColumnMagnitude);
    event.region = text(kColumnRegion);
    event.data1 = archive(kColumnDate);
    event.data2 = archive(kColumnTime);
    event.wsp1 = text(kColumnLatitude);
    event.wsp2 = text(kColumnLongitude);
    event.depth = text(kColumnDepth);
    event.hasNumbers = magItem->data(kRoleHasNumbers).toBool();
    event.originUtcMs = magItem->data(kRoleOriginUtcMs).toLongLong();
    event.magnitude = magItem->data(kRoleMagnitude).toDouble();
    event.latitude = magItem->data(kRoleLatitude).toDouble();
    event.longitude = magItem->data(kRoleLongitude).toDouble();
    event.felt.tsunami = magItem->data(kRoleTsunami).toBool();
    return event;
}

bool MarkTsunamiRow(QTableWidget& list, int row) {
    QTableWidgetItem* magItem = list.item(row, 0);
    if (magItem == nullptr || magItem->data(kRoleTsunami).toBool()) {
        return false;
    }
    magItem->setData(kRoleTsunami, true);
    return true;
}

void ReviseEventRow(QTableWidget& list, const QList<QIcon>& images, int row, const QuakeEvent& event,
                    const std::string& change, const EventRowView& view) {
    QTableWidgetItem* magItem = list.item(row, 0);
    if (row < 0 || row >= list.rowCount() || magItem == nullptr) {
        return;
    }
    magItem->setText(QString::fromStdString(event.mag));
    const int image = MagnitudeClass(event.mag);
    magItem->setIcon(image >= 0 && image < images.size() ? images[image] : QIcon());
    const std::string* subItems[] = {&event.region, &event.wsp1, &event.wsp2, &event.depth};
    const int columns[] = {kColumnRegion, kColumnLatitude, kColumnLongitude, kColumnDepth};
    for (int i = 0; i < 4; ++i) {
        list.item(row, columns[i])->setText(QString::fromStdString(*subItems[i]));
    }
    SetRowNumbers(*magItem, event);
    NoteRowAge(list, magItem->data(kRoleAgeMs).toLongLong());
    QTableWidgetItem* cells[kEventColumnCount];
    for (int column = 0; column < kEventColumnCount; ++column) {
        cells[column] = list.item(row, column);
    }
    SetSortKeys(cells, event);
    magItem->setData(kRoleRevision, QString::fromStdString(change));
    ApplyEventRowView(list, row, view);
}

int FindEventRow(const QTableWidget& list, const std::string& eventId) {
    const std::string key = QuakeIdKey(eventId);
    for (int row = 0; row < list.rowCount(); ++row) {
        const QTableWidgetItem* magItem = list.item(row, 0);
        if (magItem != nullptr && QuakeIdKey(magItem->data(kRoleEventId).toString().toStdString()) == key) {
            return row;
        }
    }
    return -1;
}

CEventListView::CEventListView(QTableWidget& list, const QList<QIcon>& images, IUiThread& uiThread,
                               std::function<void()> refreshMap, RowViewSource rowView, RowRevised rowRevised)
    : m_list(list),
      m_images(images),
      m_uiThread(uiThread),
      m_refreshMap(std::move(refreshMap)),
      m_rowView(std::move(rowView)),
      m_rowRevised(std::move(rowRevised)) {}

void CEventListView::BeginUpdate() {
    m_uiThread.RunOnUiThread([this] {
        m_list.setUpdatesEnabled(false);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_bWaitCursor = true;
    });
}

void CEventListView::InsertEvent(int index, const QuakeEvent& event, int imageIndex) {
    m_uiThread.RunOnUiThread([&] {
        const EventRowView view = m_rowView ? m_rowView(event) : EventRowView{};
        InsertEventRow(m_list, m_images, index == kAppendItem ? m_list.rowCount() : index, event, imageIndex, view);
    });
}

void CEventListView::InsertEvents(int index, const std::vector<QuakeEvent>& events) {
    if (events.empty()) {
        return;
    }
    m_uiThread.RunOnUiThread([&] {
        const bool append = index == kAppendItem;
        CEventListSorter* sorter = CEventListSorter::Of(m_list);
        if (sorter != nullptr && sorter->Sorted() && events.size() <= kPlacedOneByOne) {
            // A few rows into a sorted list: each straight to its place, the list is not sorted again.
            for (const QuakeEvent& event : events) {
                const bool atTop = !append && index == 0;
                const EventRowView view = m_rowView ? m_rowView(event) : EventRowView{};
                const RowCells cells = MakeRowCells(m_list, m_images, event, MagnitudeClass(event.mag), view, atTop);
                const QTableWidgetItem* key = cells[static_cast<std::size_t>(sorter->Order().column)];
                // (A row without the sorted column's item, never expected, goes in at the end and sorts the list.)
                const int row = key != nullptr ? sorter->PlaceOf(*key) : m_list.rowCount();
                m_list.insertRow(row);
                PutRowCells(m_list, row, cells, key != nullptr);
            }
            return;
        }
        const EventListBatch batch(m_list);
        // The rows go in together, so the list (and every index kept into it) moves once, not once a row.
        const int at = append ? m_list.rowCount() : index;
        const int count = static_cast<int>(events.size());
        m_list.model()->insertRows(at, count);
        for (int i = 0; i < count; ++i) {
            const QuakeEvent& event = events[static_cast<std::size_t>(i)];
            const EventRowView view = m_rowView ? m_rowView(event) : EventRowView{};
            // As if inserted one by one at `index`: at the top the batch's last event ends up first.
            const int row = append ? at + i : at + count - 1 - i;
            FillEventRow(m_list, m_images, row, event, MagnitudeClass(event.mag), view, !append && at == 0);
        }
    });
}

void CEventListView::ReviseEvents(const std::vector<QuakeRevision>& revisions) {
    m_uiThread.RunOnUiThread([&] {
        // One look over the list for all of them, not one a revision (a revision moves no row).
        std::unordered_map<std::string, int> rows;
        for (int row = 0; row < m_list.rowCount(); ++row) {
            if (const QTableWidgetItem* magItem = m_list.item(row, 0)) {
                rows.emplace(QuakeIdKey(magItem->data(kRoleEventId).toString().toStdString()), row);
            }
        }
        std::vector<int> revised;
        for (const QuakeRevision& revision : revisions) {
            const auto found = rows.find(QuakeIdKey(revision.event.eventId));
            const int row = found == rows.end() ? -1 : found->second;
            if (row < 0) {
                continue;
            }
            const EventRowView view = m_rowView ? m_rowView(revision.event) : EventRowView{};
            ReviseEventRow(m_list, m_images, row, revision.event, revision.change, view);
            revised.push_back(row);
            if (m_rowRevised) {
                m_rowRevised(row);
            }
        }
        // Revised values may have moved a row's place in a sorted list: sorted again, once, if so.
        if (CEventListSorter* sorter = CEventListSorter::Of(m_list)) {
            sorter->RowsChanged(revised);
        }
    });
}

std::vector<std::string> TrimEventRows(QTableWidget& list, std::int64_t cutoffUtcMs, int maxRows) {
    struct Aged {
        qlonglong age;
        int row;
    };
    const QVariant oldest = list.property(kOldestAgeProperty);
    if (list.rowCount() <= maxRows && (!oldest.isValid() || oldest.toLongLong() >= cutoffUtcMs)) {
        return {};
    }
    std::vector<Aged> rows;
    rows.reserve(static_cast<std::size_t>(list.rowCount()));
    std::vector<int> going;
    for (int row = 0; row < list.rowCount(); ++row) {
        const QTableWidgetItem* magItem = list.item(row, 0);
        const qlonglong age = magItem != nullptr ? magItem->data(kRoleAgeMs).toLongLong() : 0;
        const bool aged = magItem != nullptr && age != std::numeric_limits<qlonglong>::min() && age < cutoffUtcMs;
        if (aged) {
            going.push_back(row);
        } else {
            rows.push_back({age, row});
        }
    }
    const std::size_t bound = static_cast<std::size_t>(std::max(maxRows, 0));
    if (rows.size() > bound) {
        // In the classic order, down to a hundredth below the bound, so that a stream of single new quakes takes
        // rows out in one block now and then, not one row (and one move of every index into the list) per quake.
        // Sorted by another column the oldest rows lie apart, a block would be many removals at once, so only
        // the excess goes.
        const CEventListSorter* sorter = CEventListSorter::Of(list);
        const bool sorted = sorter != nullptr && sorter->Sorted();
        const std::size_t keep = sorted ? bound : bound - bound / 100;
        // The oldest beyond the bound; equal origins leave from the bottom up.
        const auto older = [](const Aged& a, const Aged& b) { return a.age != b.age ? a.age < b.age : a.row > b.row; };
        std::nth_element(rows.begin(), rows.begin() + static_cast<std::ptrdiff_t>(rows.size() - keep), rows.end(),
                         older);
        for (std::size_t i = 0; i < rows.size() - keep; ++i) {
            going.push_back(rows[i].row);
        }
    }
    std::sort(going.begin(), going.end());
    qlonglong oldestKept = std::numeric_limits<qlonglong>::max();
    for (const Aged& row : rows) {
        if (row.age != std::numeric_limits<qlonglong>::min() &&
            !std::binary_search(going.begin(), going.end(), row.row)) {
            oldestKept = std::min(oldestKept, row.age);
        }
    }
    list.setProperty(kOldestAgeProperty,
                     oldestKept == std::numeric_limits<qlonglong>::max() ? QVariant() : QVariant(oldestKept));
    std::vector<std::string> ids;
    if (going.empty()) {
        return ids;
    }
    ids.reserve(going.size());
    for (const int row : going) {
        if (const QTableWidgetItem* magItem = list.item(row, 0)) {
            ids.push_back(magItem->data(kRoleEventId).toString().toStdString());
        }
    }
    // Contiguous runs go in one call each, from the bottom, so the rows above keep their numbers meanwhile and
    // the list and every index into it move once a run.
    QAbstractItemModel* model = list.model();
    std::size_t end = going.size();
    while (end > 0) {
        std::size_t begin = end - 1;
        while (begin > 0 && going[begin - 1] == going[begin] - 1) {
            --begin;
        }
        model->removeRows(going[begin], static_cast<int>(end - begin));
        end = begin;
    }
    return ids;
}

std::vector<std::string> CEventListView::TrimRows(std::int64_t cutoffUtcMs, int maxRows) {
    std::vector<std::string> ids;
    m_uiThread.RunOnUiThread([&] { ids = TrimEventRows(m_list, cutoffUtcMs, maxRows); });
    return ids;
}

void CEventListView::SelectItem(int index) {
    m_uiThread.RunOnUiThread([&] {
        if (index >= 0 && index < m_list.rowCount()) {
            m_list.selectRow(index);
        }
    });
}

void CEventListView::ShowSelectionOnMap() {
    m_uiThread.RunOnUiThread(m_refreshMap);
}

void CEventListView::EndUpdate() {
    m_uiThread.RunOnUiThread([this] {
        m_list.setUpdatesEnabled(true);
        m_list.viewport()->repaint();
        if (m_bWaitCursor) {
            QApplication::restoreOverrideCursor();
            m_bWaitCursor = false;
        }
    });
}

}  // namespace dravik
