#include "mainwindow/event_list_view.h"

#include <QApplication>
#include <QEvent>
#include <QHeaderView>
#include <algorithm>
#include <limits>
#include <memory>
#include <unordered_map>
#include <utility>

#include "alerts/time_display.h"
#include "app/settings_key.h"
#include "app/ui_texts.h"
#include "catalogue/event_merge.h"
#include "mainwindow/event_list.h"
#include "mainwindow/event_list_model.h"
#include "mainwindow/event_list_sort.h"
#include "mainwindow/ui_texts.h"
#include "platform/qt/dialog_builder.h"
#include "platform/ui_thread.h"

namespace dravik {
namespace {

constexpr int kPlaceColumns[] = {kColumnDistance, kColumnShaking};

// The origin a row ages by: the source's. A classic page's row has none the program could trust (its date and
// time are the page's texts); it leaves by the row count only, before the others.
std::int64_t AgeKey(const EventListRow& row) {
    return row.hasNumbers ? row.originUtcMs : std::numeric_limits<std::int64_t>::min();
}

// The values of a row that come from its event, and the keys they sort by. What was felt is kept when a
// report says nothing of it; a centre's tsunami message is the row's own mark, which no report takes back.
void SetRowEvent(EventListRow& row, const QuakeEvent& event) {
    row.mag = event.mag;
    row.data1 = event.data1;
    row.data2 = event.data2;
    row.region = event.region;
    row.wsp1 = event.wsp1;
    row.wsp2 = event.wsp2;
    row.depth = event.depth;
    row.hasNumbers = event.hasNumbers;
    row.originUtcMs = event.originUtcMs;
    row.magnitude = event.magnitude;
    row.latitude = event.latitude;
    row.longitude = event.longitude;
    if (event.felt.Any()) {
        row.felt = event.felt;
    }
    // A revision's report comes without what was measured; the quake keeps it.
    if (event.measured) {
        row.measured = event.measured;
    }
    row.magKey = NumberSortKey(event.mag);
    row.latKey = NumberSortKey(event.wsp1);
    row.lonKey = NumberSortKey(event.wsp2);
    row.depthKey = NumberSortKey(event.depth);
}

void SetRowView(EventListRow& row, const EventRowView& view) {
    row.display = view.display;
    row.tooltip = view.tooltip;
    row.distanceKm = view.distanceKm;
    row.shaking = view.shaking;
    row.aftershocks = view.aftershocks;
}

std::unique_ptr<EventListRow> MakeRow(const QuakeEvent& event, int image, const EventRowView& view) {
    auto row = std::make_unique<EventListRow>();
    row->eventId = event.eventId;
    row->image = static_cast<signed char>(image >= 0 && image <= std::numeric_limits<signed char>::max() ? image : -1);
    SetRowEvent(*row, event);
    SetRowView(*row, view);
    return row;
}

// Gives the region column the list's spare width whenever the list or another column changes size, so a wide
// window shows whole regions instead of an empty band.
class CRegionWidthKeeper final : public QObject {
public:
    CRegionWidthKeeper(CEventList& list, int ownWidth) : QObject(&list), m_list(list), m_ownWidth(ownWidth) {
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
        for (int column = 0; column < m_list.Model().columnCount(); ++column) {
            if (column != kColumnRegion && !m_list.isColumnHidden(column)) {
                others += m_list.columnWidth(column);
            }
        }
        m_list.setColumnWidth(kColumnRegion, RegionColumnWidth(m_list.viewport()->width(), others, m_ownWidth));
    }

    CEventList& m_list;
    int m_ownWidth;
};

}  // namespace

int RegionColumnWidth(int viewportWidth, int otherColumnsWidth, int ownWidth) {
    return std::max(ownWidth, viewportWidth - otherColumnsWidth);
}

void SetUpEventList(CEventList& list) {
    CEventListModel& model = list.Model();
    for (int column = 0; column < kEventColumnCount; ++column) {
        model.setHeaderData(column, Qt::Horizontal, QString::fromStdString(GetUiText(kEventColumns[column].textNumber)),
                            Qt::DisplayRole);
    }
    for (int column = 0; column < model.columnCount(); ++column) {
        list.setColumnWidth(column, ScaledColumnWidth(list.font(), kEventColumns[column].width));
    }
    list.setAccessibleName(QString::fromStdString(EventListName(UiLanguage())));
    list.verticalHeader()->hide();
    list.horizontalHeader()->setSectionsClickable(false);
    list.horizontalHeader()->setHighlightSections(false);
    list.horizontalHeader()->setStretchLastSection(false);
    new CRegionWidthKeeper(list, list.columnWidth(kColumnRegion));
    list.setSelectionBehavior(QAbstractItemView::SelectRows);
    list.setSelectionMode(QAbstractItemView::SingleSelection);
    list.setEditTriggers(QAbstractItemView::NoEditTriggers);
    list.setShowGrid(true);
    list.setSortingEnabled(false);
    list.setWordWrap(false);
    list.setIconSize(QSize(16, 16));
    list.verticalHeader()->setDefaultSectionSize(std::max(18, list.fontMetrics().height() + 4));
    // Every row as tall as the others: the view never asks the model to measure one.
    list.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // The selection stays as visible as with the focus.
    QPalette palette = list.palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    list.setPalette(palette);
}

void ShowPlaceColumns(CEventList& list, bool show) {
    CEventListModel& model = list.Model();
    if (model.PlaceColumns() == show) {
        return;
    }
    if (!show) {
        CEventListSorter* sorter = CEventListSorter::Of(list);
        if (sorter != nullptr &&
            (sorter->Order().column == kColumnDistance || sorter->Order().column == kColumnShaking)) {
            sorter->SetOrder({});
        }
    }
    // Absent rather than hidden: a screen reader reads no column the list does not show.
    model.SetPlaceColumns(show);
    if (show) {
        for (const int column : kPlaceColumns) {
            // Its header is longer than its values in some languages: read whole rather than cut off.
            const int wanted = list.horizontalHeader()->sectionSizeHint(column);
            list.setColumnWidth(column, std::max(ScaledColumnWidth(list.font(), kEventColumns[column].width), wanted));
        }
    }
}

void InsertEventRow(CEventList& list, const QList<QIcon>& images, int index, const QuakeEvent& event, int image,
                    const EventRowView& view) {
    list.Model().SetImages(images);
    list.Model().InsertAt(index, MakeRow(event, image, view));
}

void ApplyEventRowView(CEventList& list, int row, const EventRowView& view) {
    CEventListModel& model = list.Model();
    if (row < 0 || row >= model.RowCount()) {
        return;
    }
    SetRowView(model.MutableRow(row), view);
    model.RowChanged(row);
}

QuakeEvent EventOfRow(const CEventList& list, int row) {
    QuakeEvent event;
    const CEventListModel& model = list.Model();
    if (row < 0 || row >= model.RowCount()) {
        return event;
    }
    const EventListRow& r = model.Row(row);
    event.eventId = r.eventId;
    event.mag = r.mag;
    event.region = r.region;
    event.data1 = r.data1;
    event.data2 = r.data2;
    event.wsp1 = r.wsp1;
    event.wsp2 = r.wsp2;
    event.depth = r.depth;
    event.hasNumbers = r.hasNumbers;
    event.originUtcMs = r.originUtcMs;
    event.magnitude = r.magnitude;
    event.latitude = r.latitude;
    event.longitude = r.longitude;
    event.felt = r.felt;
    event.measured = r.measured;
    return event;
}

bool SetRowMeasured(CEventList& list, int row, const std::shared_ptr<const QuakeProducts>& measured) {
    CEventListModel& model = list.Model();
    if (row < 0 || row >= model.RowCount() || model.Row(row).measured == measured) {
        return false;
    }
    model.MutableRow(row).measured = measured;
    return true;
}

bool MarkTsunamiRow(CEventList& list, int row) {
    CEventListModel& model = list.Model();
    if (row < 0 || row >= model.RowCount() || model.Row(row).tsunami) {
        return false;
    }
    model.MutableRow(row).tsunami = true;
    return true;
}

bool RowHasTsunamiMessage(const CEventList& list, int row) {
    const CEventListModel& model = list.Model();
    return row >= 0 && row < model.RowCount() && model.Row(row).tsunami;
}

void ReviseEventRow(CEventList& list, const QList<QIcon>& images, int row, const QuakeEvent& event,
                    const std::string& change, const EventRowView& view) {
    CEventListModel& model = list.Model();
    if (row < 0 || row >= model.RowCount()) {
        return;
    }
    model.SetImages(images);
    EventListRow& r = model.MutableRow(row);
    SetRowEvent(r, event);
    const int image = MagnitudeClass(event.mag);
    r.image = static_cast<signed char>(image >= 0 && image <= std::numeric_limits<signed char>::max() ? image : -1);
    r.revision = change;
    SetRowView(r, view);
    model.NoteAge(r);
    model.RowChanged(row);
}

int FindEventRow(const CEventList& list, const std::string& eventId) {
    const std::string key = QuakeIdKey(eventId);
    const CEventListModel& model = list.Model();
    for (int row = 0; row < model.RowCount(); ++row) {
        if (QuakeIdKey(model.Row(row).eventId) == key) {
            return row;
        }
    }
    return -1;
}

CEventListView::CEventListView(CEventList& list, const QList<QIcon>& images, IUiThread& uiThread,
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
        CEventListModel& model = m_list.Model();
        model.SetImages(m_images);
        if (index == kAppendItem || index == 0) {
            std::vector<CEventListModel::NewRow> rows;
            rows.push_back({MakeRow(event, imageIndex, view), PlaceOf(index, event)});
            model.Insert(std::move(rows));
        } else {
            model.InsertAt(index, MakeRow(event, imageIndex, view));
        }
    });
}

ClassicPlace CEventListView::PlaceOf(int index, const QuakeEvent& event) const {
    // Newest first over all sources: a quake with its source's origin goes by it, at the first fill too (one
    // agency's two addresses, or a poll and its catch-up, come as pages one after the other); a classic page's
    // rows keep the page's own order.
    if (!event.hasNumbers) {
        return index == kAppendItem ? ClassicPlace::End : ClassicPlace::Top;
    }
    return ClassicPlace::ByOrigin;
}

void CEventListView::InsertEvents(int index, const std::vector<QuakeEvent>& events) {
    if (events.empty()) {
        return;
    }
    m_uiThread.RunOnUiThread([&] {
        CEventListModel& model = m_list.Model();
        model.SetImages(m_images);
        std::vector<CEventListModel::NewRow> rows;
        rows.reserve(events.size());
        // As if inserted one by one at `index`: at the top the batch's last event ends up first.
        for (const QuakeEvent& event : events) {
            const EventRowView view = m_rowView ? m_rowView(event) : EventRowView{};
            rows.push_back({MakeRow(event, MagnitudeClass(event.mag), view),
                            PlaceOf(index == kAppendItem ? kAppendItem : 0, event)});
        }
        model.Insert(std::move(rows));
    });
}

void CEventListView::ReviseEvents(const std::vector<QuakeRevision>& revisions) {
    m_uiThread.RunOnUiThread([&] {
        const CEventListModel& model = m_list.Model();
        // One look over the list for all of them, not one a revision (a revision moves no row).
        std::unordered_map<std::string, int> rows;
        for (int row = 0; row < model.RowCount(); ++row) {
            rows.emplace(QuakeIdKey(model.Row(row).eventId), row);
        }
        std::vector<int> revised;
        for (const QuakeRevision& revision : revisions) {
            const auto found = rows.find(QuakeIdKey(revision.event.eventId));
            if (found == rows.end()) {
                continue;
            }
            const int row = found->second;
            // The report brings no measured shaking; the row's stays and its view still tells it.
            QuakeEvent revisedEvent = revision.event;
            if (!revisedEvent.measured) {
                revisedEvent.measured = model.Row(row).measured;
            }
            const EventRowView view = m_rowView ? m_rowView(revisedEvent) : EventRowView{};
            ReviseEventRow(m_list, m_images, row, revisedEvent, revision.change, view);
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

std::vector<std::string> TrimEventRows(CEventList& list, std::int64_t cutoffUtcMs, int maxRows) {
    struct Aged {
        std::int64_t age;
        int row;
    };
    CEventListModel& model = list.Model();
    const std::optional<std::int64_t> oldest = model.OldestAge();
    if (model.RowCount() <= maxRows && (!oldest || *oldest >= cutoffUtcMs)) {
        return {};
    }
    constexpr std::int64_t kNoAge = std::numeric_limits<std::int64_t>::min();
    std::vector<Aged> rows;
    rows.reserve(static_cast<std::size_t>(model.RowCount()));
    std::vector<int> going;
    for (int row = 0; row < model.RowCount(); ++row) {
        const std::int64_t age = AgeKey(model.Row(row));
        if (age != kNoAge && age < cutoffUtcMs) {
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
        const bool sorted = model.Order().column >= 0;
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
    std::optional<std::int64_t> oldestKept;
    for (const Aged& row : rows) {
        if (row.age != kNoAge && !std::binary_search(going.begin(), going.end(), row.row) &&
            (!oldestKept || row.age < *oldestKept)) {
            oldestKept = row.age;
        }
    }
    model.SetOldestAge(oldestKept);
    std::vector<std::string> ids;
    ids.reserve(going.size());
    for (const int row : going) {
        ids.push_back(model.Row(row).eventId);
    }
    // Contiguous runs go in one call each, from the bottom, so the rows above keep their numbers meanwhile and
    // the list and every index into it move once a run.
    std::size_t end = going.size();
    while (end > 0) {
        std::size_t begin = end - 1;
        while (begin > 0 && going[begin - 1] == going[begin] - 1) {
            --begin;
        }
        model.removeRows(going[begin], static_cast<int>(end - begin));
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
