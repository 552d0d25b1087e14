#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QList>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "alerts/headline.h"
#include "alerts/time_display.h"
#include "mainwindow/event_list_sort.h"
#include "sources/event_detail.h"
#include "sources/quake_parser.h"

namespace dravik {

// A listed quake: its values once, the keys its columns sort by, and how the row shows it.
struct EventListRow {
    std::string eventId, mag, region, data1, data2, wsp1, wsp2, depth;
    std::string tooltip;   // the row view's (the distance and direction from home)
    std::string revision;  // what the last revision changed
    std::int64_t originUtcMs = 0;
    double magnitude = 0.0, latitude = 0.0, longitude = 0.0;
    // The row's place in the classic order: smaller is higher.
    double listedOrder = 0.0;
    // Number keys read from the texts; -infinity for none.
    double magKey = 0.0, latKey = 0.0, lonKey = 0.0, depthKey = 0.0;
    std::optional<double> distanceKm;
    std::optional<double> shaking;
    int circleId = -1;
    unsigned aftershocks = 0;  // as a main shock
    signed char image = -1;
    TimeDisplay display = TimeDisplay::Classic;
    bool hasNumbers = false;
    // A tsunami warning centre's message in force names this quake (the agency's own flag is in `felt`).
    bool tsunami = false;
    // What the agency says people felt, its PAGER level and its tsunami flag.
    FeltData felt{};
    // What USGS measured of the quake, once read (catalogue/quake_products).
    std::shared_ptr<const QuakeProducts> measured;
};

// What the headline's ranking and the "significant only" filter read of a row.
HeadlineCandidate CandidateOf(const EventListRow& row);

// A mark drawn at the end of a row's region cell: a short label and its colour.
struct RowMark {
    QString label;
    QRgb colour = 0;
};
// The row's marks on a background: what people felt (with the count), PAGER's level, a tsunami message in force.
std::vector<RowMark> RowMarks(const EventListRow& row, QRgb background);
// The same as words, one a mark, for screen readers and the tooltip.
std::vector<std::string> RowMarkNames(const std::string& lang, const EventListRow& row);

// Where a new row goes in the classic order.
enum class ClassicPlace : unsigned char {
    Top,       // above every row (a row without a trusted origin, after the first fill)
    End,       // below every row (the first fill)
    ByOrigin,  // above the highest row with an older origin, else at the end: newest first over all sources
};

// The main list's rows, in the order shown: the classic one or a column's (`EventListOrder`). A sort moves the
// rows and every persistent index with them, so the selection and the map's circles follow their quakes. The
// places' columns (distance, shaking) exist only while a place is set, so nothing hidden is exposed.
class CEventListModel final : public QAbstractTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CEventListModel)

public:
    // Read and written by the map: the circle a row has.
    static constexpr int kCircleIdRole = Qt::UserRole + 103;
    // The region cell's marks (RowMarks on the application's base colour), a QVariantList of [label, QColor].
    static constexpr int kMarksRole = Qt::UserRole + 104;

    explicit CEventListModel(QObject* parent);
    ~CEventListModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // A full sort by a column (-1: the classic order); the shown order becomes that one.
    void sort(int column, Qt::SortOrder order) override;
    bool removeRows(int row, int count, const QModelIndex& parent = {}) override;

    int RowCount() const { return static_cast<int>(m_rows.size()); }
    const EventListRow& Row(int row) const { return *m_rows[static_cast<std::size_t>(row)]; }
    // A row to change in place; RowChanged tells the views.
    EventListRow& MutableRow(int row) { return *m_rows[static_cast<std::size_t>(row)]; }
    void RowChanged(int row);
    void Clear();

    void SetImages(const QList<QIcon>& images) { m_images = images; }
    bool PlaceColumns() const { return m_bPlaceColumns; }
    void SetPlaceColumns(bool shown);

    const EventListOrder& Order() const { return m_order; }
    void SetOrder(const EventListOrder& order);
    // Whether two neighbouring rows stand in the shown order.
    bool InOrder(int upperRow, int lowerRow) const;

    // New rows, each with its classic place; they are shown at their places in the shown order, each contiguous
    // run in one insertion (many scattered rows: together, then sorted once).
    struct NewRow {
        std::unique_ptr<EventListRow> row;
        ClassicPlace place = ClassicPlace::End;
    };
    void Insert(std::vector<NewRow> rows);
    // One row at a shown place, in the classic order (a sorted list puts it at its sorted place, `index` 0 counting
    // as the classic top and any other as the end).
    void InsertAt(int index, std::unique_ptr<EventListRow> row);

    // The oldest origin among the rows (a source's), kept as rows go in: never newer than the truth.
    std::optional<std::int64_t> OldestAge() const { return m_oldestAge; }
    void SetOldestAge(std::optional<std::int64_t> age) { m_oldestAge = age; }
    void NoteAge(const EventListRow& row);

private:
    QString DisplayText(const EventListRow& row, int column) const;
    QString RegionCellText(const EventListRow& row) const;
    double ClassicOrderFor(const EventListRow& row, ClassicPlace place, const std::vector<EventListRow*>& classic);
    void Renumber();
    // Shows the rows in the order of `from`: shown row i becomes the row that stood at from[i].
    void Reorder(const std::vector<int>& from);
    std::vector<int> SortedOrder() const;

    std::vector<std::unique_ptr<EventListRow>> m_rows;
    QList<QIcon> m_images;
    QString m_headers[kEventColumnCount];
    EventListOrder m_order;
    double m_topOrder = 0.0;
    double m_bottomOrder = 0.0;
    std::optional<std::int64_t> m_oldestAge;
    bool m_bPlaceColumns = false;
};

}  // namespace dravik
