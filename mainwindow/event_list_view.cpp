#include "mainwindow/event_list_view.h"

#include <QApplication>
#include <QHeaderView>
#include <QTableWidget>
#include <algorithm>
#include <limits>
#include <unordered_map>
#include <utility>

#include "feed/time_display.h"
#include "mainwindow/event_list_sort.h"
#include "mainwindow/ui_texts.h"
#include "platform/qt/dialog_builder.h"
#include "platform/ui_thread.h"

namespace dravik {
namespace {

Qt::Alignment ColumnAlignment(int column) {
    return (kEventColumns[column].alignRight ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
}

QTableWidgetItem* MakeItem(const std::string& text, int column) {
    auto* item = new CEventListItem(QString::fromStdString(text));
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
    kRoleAgeMs,        // the origin the list ages the row by, UTC ms (a classic page's from its date and time)
};

// The origin a row ages by: the source's, else the classic page's date and time read back, else none (the
// row leaves only by the row count, first of all).
qlonglong AgeKey(const QuakeEvent& event) {
    if (event.hasNumbers) {
        return event.originUtcMs;
    }
    std::int64_t seconds = 0;
    if (ClassicToUtc(event.data1, event.data2, &seconds)) {
        return seconds * 1000;
    }
    return std::numeric_limits<qlonglong>::min();
}

void SetRowNumbers(QTableWidgetItem& magItem, const QuakeEvent& event) {
    magItem.setData(kRoleHasNumbers, event.hasNumbers);
    magItem.setData(kRoleOriginUtcMs, QVariant::fromValue<qlonglong>(event.originUtcMs));
    magItem.setData(kRoleMagnitude, event.magnitude);
    magItem.setData(kRoleLatitude, event.latitude);
    magItem.setData(kRoleLongitude, event.longitude);
    magItem.setData(kRoleAgeMs, AgeKey(event));
}

// The texts that sort a row, from the archive's form of date and time, which reads the same whatever the display.
void SetSortKeys(QTableWidget& list, int row, const QuakeEvent& event) {
    list.item(row, 0)->setData(CEventListItem::kSortKeyRole, MagnitudeSortKey(event.mag));
    const QString when = QString::fromStdString(DateTimeSortKey(event.data1, event.data2));
    list.item(row, 2)->setData(kRoleArchiveText, QString::fromStdString(event.data1));
    list.item(row, 3)->setData(kRoleArchiveText, QString::fromStdString(event.data2));
    list.item(row, 2)->setData(CEventListItem::kSortKeyRole, when);
    list.item(row, 3)->setData(CEventListItem::kSortKeyRole, when);
}

}  // namespace

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

namespace {

// Gives an empty row its event's items; `atTop` tells a sorted list where the event came in.
void FillEventRow(QTableWidget& list, const QList<QIcon>& images, int index, const QuakeEvent& event, int image,
                  const EventRowView& view, bool atTop) {
    QTableWidgetItem* magItem = MakeItem(event.mag, 0);
    if (image >= 0 && image < images.size()) {
        magItem->setIcon(images[image]);
    }
    list.setItem(index, 0, magItem);
    const std::string* subItems[] = {&event.region, &event.data1, &event.data2, &event.wsp1, &event.wsp2, &event.depth};
    for (int column = 1; column < kEventColumnCount; ++column) {
        list.setItem(index, column, MakeItem(*subItems[column - 1], column));
    }
    magItem->setData(kRoleEventId, QString::fromStdString(event.eventId));
    SetRowNumbers(*magItem, event);
    SetSortKeys(list, index, event);
    ApplyEventRowView(list, index, view);
    if (CEventListSorter* sorter = CEventListSorter::Of(list)) {
        sorter->RowInserted(index, atTop);
    }
}

}  // namespace

void InsertEventRow(QTableWidget& list, const QList<QIcon>& images, int index, const QuakeEvent& event, int image,
                    const EventRowView& view) {
    list.insertRow(index);
    FillEventRow(list, images, index, event, image, view, index == 0);
}

void ApplyEventRowView(QTableWidget& list, int row, const EventRowView& view) {
    if (row < 0 || row >= list.rowCount() || list.item(row, 0) == nullptr) {
        return;
    }
    const QuakeEvent event = EventOfRow(list, row);
    const DateTimeText shown =
        DisplayedTime(event.data1, event.data2, event.hasNumbers, event.originUtcMs / 1000, view.display);
    list.item(row, 2)->setText(QString::fromStdString(shown.date));
    list.item(row, 3)->setText(QString::fromStdString(shown.time));
    QString tooltip = QString::fromStdString(view.tooltip);
    const QString change = list.item(row, 0)->data(kRoleRevision).toString();
    if (!change.isEmpty()) {
        tooltip = tooltip.isEmpty() ? change : tooltip + "\n" + change;
    }
    for (int column = 0; column < kEventColumnCount; ++column) {
        if (QTableWidgetItem* cell = list.item(row, column)) {
            cell->setToolTip(tooltip);
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
    event.mag = text(0);
    event.region = text(1);
    event.data1 = archive(2);
    event.data2 = archive(3);
    event.wsp1 = text(4);
    event.wsp2 = text(5);
    event.depth = text(6);
    event.hasNumbers = magItem->data(kRoleHasNumbers).toBool();
    event.originUtcMs = magItem->data(kRoleOriginUtcMs).toLongLong();
    event.magnitude = magItem->data(kRoleMagnitude).toDouble();
    event.latitude = magItem->data(kRoleLatitude).toDouble();
    event.longitude = magItem->data(kRoleLongitude).toDouble();
    return event;
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
    const int columns[] = {1, 4, 5, 6};
    for (int i = 0; i < 4; ++i) {
        list.item(row, columns[i])->setText(QString::fromStdString(*subItems[i]));
    }
    SetRowNumbers(*magItem, event);
    SetSortKeys(list, row, event);
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
        const EventListBatch batch(m_list);
        // The rows go in together, so the list (and every index kept into it) moves once, not once a row.
        const bool append = index == kAppendItem;
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
        for (const QuakeRevision& revision : revisions) {
            const auto found = rows.find(QuakeIdKey(revision.event.eventId));
            const int row = found == rows.end() ? -1 : found->second;
            if (row < 0) {
                continue;
            }
            const EventRowView view = m_rowView ? m_rowView(revision.event) : EventRowView{};
            ReviseEventRow(m_list, m_images, row, revision.event, revision.change, view);
            if (m_rowRevised) {
                m_rowRevised(row);
            }
        }
    });
}

std::vector<std::string> TrimEventRows(QTableWidget& list, std::int64_t cutoffUtcMs, int maxRows) {
    struct Aged {
        qlonglong age;
        int row;
    };
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
        // Down to a hundredth below the bound, so that a stream of single new quakes takes rows out in blocks
        // now and then, not one row (and one move of every index into the list) per quake.
        const std::size_t keep = bound - bound / 100;
        // The oldest beyond the bound; equal origins leave from the bottom up.
        const auto older = [](const Aged& a, const Aged& b) { return a.age != b.age ? a.age < b.age : a.row > b.row; };
        std::nth_element(rows.begin(), rows.begin() + static_cast<std::ptrdiff_t>(rows.size() - keep), rows.end(),
                         older);
        for (std::size_t i = 0; i < rows.size() - keep; ++i) {
            going.push_back(rows[i].row);
        }
    }
    std::vector<std::string> ids;
    if (going.empty()) {
        return ids;
    }
    std::sort(going.begin(), going.end());
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
