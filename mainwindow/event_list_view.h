#pragma once

#include <QIcon>
#include <QList>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "feed/alert_rule.h"
#include "feed/quake_list_update.h"

class QTableWidget;

namespace dravik {

class IUiThread;

// The seven columns of the main event list: header text number, width in pixels, right alignment.
struct EventColumn {
    int textNumber;
    int width;
    bool alignRight;
};
inline constexpr EventColumn kEventColumns[] = {{1, 40, false}, {2, 160, false}, {3, 70, false}, {4, 55, false},
                                                {5, 52, true},  {6, 52, true},   {9, 55, true}};
inline constexpr int kEventColumnCount = 7;

// Gives the list its columns (headers in the language stored now), the report look (grid lines, full-row
// single selection shown also without focus, no sorting, no editing) and the images' size.
void SetUpEventList(QTableWidget& list);

// The region column's width: the room the other columns leave in the list, never less than its own width.
int RegionColumnWidth(int viewportWidth, int otherColumnsWidth, int ownWidth);

// How a row shows its event: the time display and the row's tooltip (the distance from home, or none; a
// revised row adds what changed).
struct EventRowView {
    TimeDisplay display = TimeDisplay::Classic;
    std::string tooltip;
};

// The view of a row under the alert settings: their time display, the distance from home as the tooltip
// (in the language stored now). UI thread.
EventRowView AlertRowView(const QuakeEvent& event, const AlertSettings& settings);

// Inserts one event at row `index`: the magnitude with its class image, then region, date, time, latitude,
// longitude and depth. The row keeps the event's id and its archive-form date and time, so that it can be
// shown another way later. UI thread.
void InsertEventRow(QTableWidget& list, const QList<QIcon>& images, int index, const QuakeEvent& event, int image,
                    const EventRowView& view = {});
// Shows a listed row another way (the settings changed).
void ApplyEventRowView(QTableWidget& list, int row, const EventRowView& view);
// The event a row was made from, as far as the row keeps it (id, texts, the source's numbers).
QuakeEvent EventOfRow(const QTableWidget& list, int row);
// Gives a listed row its quake's revised values in place (texts, image, the numbers it keeps) and remembers what
// changed for its tooltip.
void ReviseEventRow(QTableWidget& list, const QList<QIcon>& images, int row, const QuakeEvent& event,
                    const std::string& change, const EventRowView& view = {});
// The row of the quake with that id, in any of its forms (a qualified id whole, a classic page's by its leading
// number), wherever sorting has put it; -1 for none.
int FindEventRow(const QTableWidget& list, const std::string& eventId);

// Takes out the rows whose origin is before `cutoffUtcMs`, then, past `maxRows`, the oldest down to a hundredth
// below it, in contiguous runs; returns their events' ids. Rows without the source's origin (the classic page's)
// leave only by the count, before the others.
std::vector<std::string> TrimEventRows(QTableWidget& list, std::int64_t cutoffUtcMs, int maxRows);

// The feed's view of the event list: each operation is carried to the UI thread and has finished there
// before it returns; after the UI side has shut down the operations do nothing.
class CEventListView final : public IQuakeListView {
public:
    // Asked on the list's thread, for each event as it is inserted.
    using RowViewSource = std::function<EventRowView(const QuakeEvent&)>;

    // Told the row of each revision, on the list's thread.
    using RowRevised = std::function<void(int row)>;

    CEventListView(QTableWidget& list, const QList<QIcon>& images, IUiThread& uiThread,
                   std::function<void()> refreshMap, RowViewSource rowView = {}, RowRevised rowRevised = {});

    void BeginUpdate() override;
    void InsertEvent(int index, const QuakeEvent& event, int imageIndex) override;
    void InsertEvents(int index, const std::vector<QuakeEvent>& events) override;
    void ReviseEvents(const std::vector<QuakeRevision>& revisions) override;
    void SelectItem(int index) override;
    void ShowSelectionOnMap() override;
    void EndUpdate() override;
    std::vector<std::string> TrimRows(std::int64_t cutoffUtcMs, int maxRows) override;

private:
    QTableWidget& m_list;
    const QList<QIcon>& m_images;
    IUiThread& m_uiThread;
    std::function<void()> m_refreshMap;
    RowViewSource m_rowView;
    RowRevised m_rowRevised;
    bool m_bWaitCursor = false;
};

}  // namespace dravik
