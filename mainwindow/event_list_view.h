#pragma once

#include <QIcon>
#include <QList>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "alerts/alert_rule.h"
#include "catalogue/quake_list_update.h"
#include "mainwindow/event_list.h"
#include "mainwindow/event_list_model.h"
#include "mainwindow/event_list_sort.h"

namespace dravik {

class IUiThread;

class CEventList;

// Gives the list its columns (headers in the language stored now; the places' columns absent), its accessible
// name, the report look (grid lines, full-row single selection shown also without focus, no editing) and the
// images' size.
void SetUpEventList(CEventList& list);

// Gives the list the columns of the places, distance and shaking (a place is set), or takes them out. Taken out
// while the list is sorted by one of them, the classic order comes back.
void ShowPlaceColumns(CEventList& list, bool show);

// The region column's width: the room the other columns leave in the list, never less than its own width.
int RegionColumnWidth(int viewportWidth, int otherColumnsWidth, int ownWidth);

// How a row shows its event: the time display, the row's tooltip (the distance and direction from home, or none;
// a revised row adds what changed) and the distance column's kilometres (none without a home place or a
// position).
struct EventRowView {
    TimeDisplay display = TimeDisplay::Classic;
    std::string tooltip;
    std::optional<double> distanceKm;
    // The strongest expected intensity over the places (unrounded), for the shaking column.
    std::optional<double> shaking;
    // As a main shock: how many aftershocks its sequence has had ("+23" beside its region).
    unsigned aftershocks = 0;
};

// The view of a row under the alert settings: their time display, the distance from home in its column and as
// the tooltip (in the language stored now). UI thread.
EventRowView AlertRowView(const QuakeEvent& event, const AlertSettings& settings);
EventRowView AlertRowView(const QuakeEvent& event, const AlertSettings& settings, const std::string& lang);

// Inserts one event at row `index`: the magnitude with its class image, then region, date, time, latitude,
// longitude, depth and the distance from home. The row keeps the event's id and its archive-form date and time, so that
// it can be shown another way later. UI thread.
void InsertEventRow(CEventList& list, const QList<QIcon>& images, int index, const QuakeEvent& event, int image,
                    const EventRowView& view = {});
// Shows a listed row another way (the settings changed).
void ApplyEventRowView(CEventList& list, int row, const EventRowView& view);
// The event a row was made from, as far as the row keeps it (id, texts, the source's numbers).
QuakeEvent EventOfRow(const CEventList& list, int row);
// Gives a row the tsunami mark its tooltip shows (a centre's message named its quake); whether it lacked it.
bool MarkTsunamiRow(CEventList& list, int row);
// Whether a row carries a centre's tsunami message.
bool RowHasTsunamiMessage(const CEventList& list, int row);
// Gives the row's quake what USGS measured of it; whether that changed anything.
bool SetRowMeasured(CEventList& list, int row, const std::shared_ptr<const QuakeProducts>& measured);
// Gives a listed row its quake's revised values in place (texts, image, the numbers it keeps) and remembers what
// changed for its tooltip.
void ReviseEventRow(CEventList& list, const QList<QIcon>& images, int row, const QuakeEvent& event,
                    const std::string& change, const EventRowView& view = {});
// The row of the quake with that id, in any of its forms (a qualified id whole, a classic page's by its leading
// number), wherever sorting has put it; -1 for none.
int FindEventRow(const CEventList& list, const std::string& eventId);

// Takes out the rows whose origin is before `cutoffUtcMs`, then, past `maxRows`, the oldest down to a hundredth
// below it, in contiguous runs; returns their events' ids. Rows without the source's origin (the classic page's)
// leave only by the count, before the others.
std::vector<std::string> TrimEventRows(CEventList& list, std::int64_t cutoffUtcMs, int maxRows);

// The feed's view of the event list: each operation is carried to the UI thread and has finished there
// before it returns; after the UI side has shut down the operations do nothing.
class CEventListView final : public IQuakeListView {
public:
    // Asked on the list's thread, for each event as it is inserted.
    using RowViewSource = std::function<EventRowView(const QuakeEvent&)>;

    // Told the row of each revision, on the list's thread.
    using RowRevised = std::function<void(int row)>;

    CEventListView(CEventList& list, const QList<QIcon>& images, IUiThread& uiThread, std::function<void()> refreshMap,
                   RowViewSource rowView = {}, RowRevised rowRevised = {});

    void BeginUpdate() override;
    void InsertEvent(int index, const QuakeEvent& event, int imageIndex) override;
    void InsertEvents(int index, const std::vector<QuakeEvent>& events) override;
    void ReviseEvents(const std::vector<QuakeRevision>& revisions) override;
    void SelectItem(int index) override;
    void ShowSelectionOnMap() override;
    void EndUpdate() override;
    std::vector<std::string> TrimRows(std::int64_t cutoffUtcMs, int maxRows) override;

private:
    // Where an event the feed inserts at `index` (0 or kAppendItem) goes in the classic order.
    ClassicPlace PlaceOf(int index, const QuakeEvent& event) const;

    CEventList& m_list;
    const QList<QIcon>& m_images;
    IUiThread& m_uiThread;
    std::function<void()> m_refreshMap;
    RowViewSource m_rowView;
    RowRevised m_rowRevised;
    bool m_bWaitCursor = false;
};

}  // namespace dravik
