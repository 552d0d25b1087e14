#include "mainwindow/event_list_model.h"

#include <QColor>
#include <QGuiApplication>
#include <QPalette>
#include <algorithm>
#include <cmath>
#include <limits>

#include "app/headline_texts.h"
#include "app/sequence_texts.h"
#include "app/settings_key.h"
#include "catalogue/event_merge.h"
#include "mainwindow/list_colours.h"
#include "mainwindow/ui_texts.h"
#include "platform/qt/inert_text.h"
#include "shaking/intensity.h"

namespace dravik {

namespace {

// Up to this many separate places take new rows one run at a time; more are inserted together and sorted once,
// since every insertion moves every persistent index (the map keeps one a circle).
constexpr std::size_t kPlacedRuns = 16;

constexpr int kClassicColumns = kColumnDistance;

QString Text(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

Qt::Alignment ColumnAlignment(int column) {
    return (kEventColumns[column].alignRight ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
}

int ShakingLevel(const EventListRow& row) {
    return row.shaking ? IntensityLevel(*row.shaking) : 0;
}

QRgb ListBackground() {
    return QGuiApplication::palette().color(QPalette::Active, QPalette::Base).rgb();
}

}  // namespace

HeadlineCandidate CandidateOf(const EventListRow& row) {
    HeadlineCandidate quake;
    quake.eventId = row.eventId;
    quake.hasOrigin = row.hasNumbers;
    quake.originUtcMs = row.originUtcMs;
    quake.hasMagnitude = row.hasNumbers || std::isfinite(row.magKey);
    quake.magnitude = row.hasNumbers ? row.magnitude : row.magKey;
    quake.distanceKm = row.distanceKm;
    quake.expectedLevel = ShakingLevel(row);
    quake.felt = row.felt;
    quake.tsunamiMessage = row.tsunami;
    return quake;
}

std::vector<RowMark> RowMarks(const EventListRow& row, QRgb background) {
    std::vector<RowMark> marks;
    const int level = ObservedLevel(row.felt);
    if (row.felt.reports > 0 || level > 0) {
        QString label = level > 0 ? QString::fromStdString(RomanNumeral(level)) : QString();
        if (row.felt.reports > 0) {
            label += (label.isEmpty() ? QString() : QStringLiteral("\u00b7")) + QString::number(row.felt.reports);
        }
        marks.push_back({label, FeltMarkColour(background)});
    }
    if (const std::optional<QRgb> pager = PagerTextColour(row.felt.alert, background)) {
        marks.push_back({QStringLiteral("PAGER"), *pager});
    }
    if (row.tsunami) {
        marks.push_back({QStringLiteral("TSUNAMI"), TsunamiMarkColour(background)});
    }
    return marks;
}

std::vector<std::string> RowMarkNames(const std::string& lang, const EventListRow& row) {
    std::vector<std::string> names;
    if (std::string felt = ObservedFeltText(lang, row.felt); !felt.empty()) {
        names.push_back(std::move(felt));
    }
    if (std::string pager = PagerText(lang, row.felt.alert); !pager.empty()) {
        names.push_back(std::move(pager));
    }
    if (row.tsunami) {
        names.push_back(TsunamiIssuedText(lang));
    }
    return names;
}

CEventListModel::CEventListModel(QObject* parent) : QAbstractTableModel(parent) {}

CEventListModel::~CEventListModel() = default;

int CEventListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : RowCount();
}

int CEventListModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid()) {
        return 0;
    }
    return m_bPlaceColumns ? kEventColumnCount : kClassicColumns;
}

// The region, and beside a main shock's its aftershocks' count (sorting reads the region alone).
QString CEventListModel::RegionCellText(const EventListRow& row) const {
    const std::string mark = SequenceCountMark(row.aftershocks);
    return mark.empty() ? Text(row.region) : Text(row.region) + QStringLiteral("  ") + Text(mark);
}

QString CEventListModel::DisplayText(const EventListRow& row, int column) const {
    switch (column) {
        case kColumnMagnitude:
            return Text(row.mag);
        case kColumnRegion:
            return RegionCellText(row);
        case kColumnDate:
        case kColumnTime: {
            const DateTimeText shown =
                DisplayedTime(row.data1, row.data2, row.hasNumbers, row.originUtcMs / 1000, row.display);
            return Text(column == kColumnDate ? shown.date : shown.time);
        }
        case kColumnLatitude:
            return Text(row.wsp1);
        case kColumnLongitude:
            return Text(row.wsp2);
        case kColumnDepth:
            return Text(row.depth);
        case kColumnDistance:
            return row.distanceKm ? Text(KmText(*row.distanceKm)) : QString();
        case kColumnShaking: {
            // Below II nobody feels it: an empty cell says so more quietly than a column of "I" (the tooltip
            // still names the level at each place).
            const int level = ShakingLevel(row);
            return level >= kFeltLevel ? Text(RomanNumeral(level)) : QString();
        }
        default:
            return QString();
    }
}

QVariant CEventListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= RowCount() || index.column() >= columnCount()) {
        return QVariant();
    }
    const EventListRow& row = Row(index.row());
    const int column = index.column();
    switch (role) {
        case Qt::DisplayRole:
            return DisplayText(row, column);
        case Qt::DecorationRole:
            if (column == kColumnMagnitude && row.image >= 0 && row.image < m_images.size()) {
                return m_images[row.image];
            }
            return QVariant();
        case Qt::ToolTipRole: {
            // One tooltip a row, whichever cell the pointer rests on: the places, what was felt and PAGER's
            // level, the tsunami words, then what a revision changed.
            QString tooltip = Text(row.tooltip);
            const std::string lang = UiLanguage();
            std::vector<std::string> lines = FeltLines(lang, row.felt);
            if (row.tsunami) {
                lines.push_back(TsunamiIssuedText(lang));
            }
            for (const std::string& line : lines) {
                tooltip += (tooltip.isEmpty() ? QString() : QStringLiteral("\n")) + Text(line);
            }
            if (!row.revision.empty()) {
                tooltip = tooltip.isEmpty() ? Text(row.revision) : tooltip + "\n" + Text(row.revision);
            }
            return tooltip.isEmpty() ? QVariant() : QVariant(InertText(tooltip));
        }
        case Qt::TextAlignmentRole:
            return static_cast<int>(ColumnAlignment(column));
        case Qt::ForegroundRole: {
            // Coloured text rather than filled cells: a fill of the scale's pale tints glares in a dark theme.
            if (column == kColumnMagnitude) {
                const std::optional<QRgb> colour = MagnitudeTextColour(row.image, ListBackground());
                return colour ? QVariant(QColor::fromRgb(*colour)) : QVariant();
            }
            const int level = column == kColumnShaking ? ShakingLevel(row) : 0;
            return level >= kFeltLevel ? QVariant(QColor::fromRgb(ShakingTextColour(level, ListBackground())))
                                       : QVariant();
        }
        case kMarksRole: {
            if (column != kColumnRegion) {
                return QVariant();
            }
            QVariantList marks;
            for (const RowMark& mark : RowMarks(row, ListBackground())) {
                marks.push_back(QVariantList{mark.label, QColor::fromRgb(mark.colour)});
            }
            return marks.isEmpty() ? QVariant() : QVariant(marks);
        }
        case Qt::AccessibleDescriptionRole: {
            if (column != kColumnRegion) {
                return QVariant();
            }
            QString names;
            for (const std::string& name : RowMarkNames(UiLanguage(), row)) {
                names += (names.isEmpty() ? QString() : QStringLiteral("; ")) + Text(name);
            }
            return names.isEmpty() ? QVariant() : QVariant(names);
        }
        case kCircleIdRole:
            return column == 0 && row.circleId >= 0 ? QVariant(row.circleId) : QVariant();
        default:
            return QVariant();
    }
}

bool CEventListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != kCircleIdRole || !index.isValid() || index.row() >= RowCount()) {
        return false;
    }
    MutableRow(index.row()).circleId = value.isValid() ? value.toInt() : -1;
    return true;
}

QVariant CEventListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kEventColumnCount) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    if (role == Qt::DisplayRole) {
        return m_headers[section];
    }
    if (role == Qt::TextAlignmentRole) {
        return static_cast<int>(ColumnAlignment(section));
    }
    return QVariant();
}

bool CEventListModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant& value, int role) {
    if (orientation != Qt::Horizontal || (role != Qt::DisplayRole && role != Qt::EditRole) || section < 0 ||
        section >= kEventColumnCount) {
        return false;
    }
    m_headers[section] = value.toString();
    if (section < columnCount()) {
        emit headerDataChanged(orientation, section, section);
    }
    return true;
}

Qt::ItemFlags CEventListModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled : Qt::NoItemFlags;
}

void CEventListModel::RowChanged(int row) {
    if (row >= 0 && row < RowCount()) {
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    }
}

void CEventListModel::Clear() {
    beginResetModel();
    m_rows.clear();
    m_topOrder = m_bottomOrder = 0.0;
    m_oldestAge.reset();
    endResetModel();
}

void CEventListModel::SetPlaceColumns(bool shown) {
    if (shown == m_bPlaceColumns) {
        return;
    }
    if (!shown && (m_order.column == kColumnDistance || m_order.column == kColumnShaking)) {
        SetOrder({});
    }
    if (shown) {
        beginInsertColumns({}, kClassicColumns, kEventColumnCount - 1);
        m_bPlaceColumns = true;
        endInsertColumns();
    } else {
        beginRemoveColumns({}, kClassicColumns, kEventColumnCount - 1);
        m_bPlaceColumns = false;
        endRemoveColumns();
    }
}

void CEventListModel::NoteAge(const EventListRow& row) {
    if (row.hasNumbers && (!m_oldestAge || row.originUtcMs < *m_oldestAge)) {
        m_oldestAge = row.originUtcMs;
    }
}

bool CEventListModel::InOrder(int upperRow, int lowerRow) const {
    return !ShownBefore(Row(lowerRow), Row(upperRow), m_order);
}

std::vector<int> CEventListModel::SortedOrder() const {
    std::vector<const EventListRow*> all;
    all.reserve(m_rows.size());
    for (const auto& row : m_rows) {
        all.push_back(row.get());
    }
    std::vector<int> order(m_rows.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = static_cast<int>(i);
    }
    SortRows(order, all, m_order);
    return order;
}

void CEventListModel::Reorder(const std::vector<int>& from) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> to(from.size());
    std::vector<std::unique_ptr<EventListRow>> rows;
    rows.reserve(m_rows.size());
    for (std::size_t i = 0; i < from.size(); ++i) {
        to[static_cast<std::size_t>(from[i])] = static_cast<int>(i);
        rows.push_back(std::move(m_rows[static_cast<std::size_t>(from[i])]));
    }
    m_rows = std::move(rows);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& old : before) {
        after.push_back(index(to[static_cast<std::size_t>(old.row())], old.column()));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void CEventListModel::SetOrder(const EventListOrder& order) {
    const bool wasClassic = m_order.column < 0;
    m_order = order.column >= 0 && IsSortableColumn(order.column) ? order : EventListOrder{};
    if (wasClassic && m_order.column < 0) {
        return;
    }
    Reorder(SortedOrder());
}

void CEventListModel::sort(int column, Qt::SortOrder order) {
    SetOrder(column < 0 ? EventListOrder{} : EventListOrder{column, order});
}

bool CEventListModel::removeRows(int row, int count, const QModelIndex& parent) {
    if (parent.isValid() || row < 0 || count <= 0 || row + count > RowCount()) {
        return false;
    }
    beginRemoveRows({}, row, row + count - 1);
    m_rows.erase(m_rows.begin() + row, m_rows.begin() + row + count);
    endRemoveRows();
    return true;
}

void CEventListModel::Renumber() {
    std::vector<EventListRow*> classic;
    classic.reserve(m_rows.size());
    for (const auto& row : m_rows) {
        classic.push_back(row.get());
    }
    std::stable_sort(classic.begin(), classic.end(),
                     [](const EventListRow* a, const EventListRow* b) { return a->listedOrder < b->listedOrder; });
    for (std::size_t i = 0; i < classic.size(); ++i) {
        classic[i]->listedOrder = static_cast<double>(i);
    }
    m_topOrder = 0.0;
    m_bottomOrder = classic.empty() ? 0.0 : static_cast<double>(classic.size() - 1);
}

double CEventListModel::ClassicOrderFor(const EventListRow& row, ClassicPlace place,
                                        const std::vector<EventListRow*>& classic) {
    if (place == ClassicPlace::Top) {
        return m_topOrder -= 1.0;
    }
    if (place == ClassicPlace::End || !row.hasNumbers) {
        return m_bottomOrder += 1.0;
    }
    const auto older = std::find_if(classic.begin(), classic.end(), [&](const EventListRow* other) {
        return other->hasNumbers && other->originUtcMs < row.originUtcMs;
    });
    if (older == classic.end()) {
        return m_bottomOrder += 1.0;
    }
    if (older == classic.begin()) {
        return m_topOrder -= 1.0;
    }
    const double upper = (*(older - 1))->listedOrder;
    const double lower = (*older)->listedOrder;
    const double between = upper + (lower - upper) / 2;
    // Halved this far, the gap has no room left: the order is counted anew (its sequence stays).
    if (!(between > upper && between < lower)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    return between;
}

void CEventListModel::Insert(std::vector<NewRow> rows) {
    if (rows.empty()) {
        return;
    }
    // The classic order, wherever a row goes by its origin.
    std::vector<EventListRow*> classic;
    const bool byOrigin = std::any_of(rows.begin(), rows.end(), [](const NewRow& r) {
        return r.place == ClassicPlace::ByOrigin && r.row->hasNumbers;
    });
    if (byOrigin) {
        classic.reserve(m_rows.size() + rows.size());
        for (const auto& row : m_rows) {
            classic.push_back(row.get());
        }
        if (m_order.column >= 0) {
            std::stable_sort(classic.begin(), classic.end(), [](const EventListRow* a, const EventListRow* b) {
                return a->listedOrder < b->listedOrder;
            });
        }
    }
    bool empty = m_rows.empty();
    for (NewRow& r : rows) {
        if (empty) {
            // The first row of an empty list: the classic order counts from it.
            m_topOrder = m_bottomOrder = 0.0;
        }
        double order = empty ? 0.0 : ClassicOrderFor(*r.row, r.place, classic);
        empty = false;
        if (std::isnan(order)) {
            for (std::size_t i = 0; i < classic.size(); ++i) {
                classic[i]->listedOrder = static_cast<double>(i);
            }
            m_topOrder = 0.0;
            m_bottomOrder = static_cast<double>(classic.size()) - 1.0;
            order = ClassicOrderFor(*r.row, r.place, classic);
        }
        r.row->listedOrder = order;
        NoteAge(*r.row);
        if (byOrigin) {
            classic.insert(std::upper_bound(classic.begin(), classic.end(), order,
                                            [](double o, const EventListRow* x) { return o < x->listedOrder; }),
                           r.row.get());
        }
    }
    // Each new row's place among the rows shown now, then runs of rows at one place.
    struct Placed {
        int at;
        std::unique_ptr<EventListRow> row;
    };
    std::vector<Placed> placed;
    placed.reserve(rows.size());
    for (NewRow& r : rows) {
        const auto at = std::lower_bound(m_rows.begin(), m_rows.end(), r.row, [&](const auto& shown, const auto& row) {
            return ShownBefore(*shown, *row, m_order);
        });
        placed.push_back({static_cast<int>(at - m_rows.begin()), std::move(r.row)});
    }
    std::stable_sort(placed.begin(), placed.end(), [&](const Placed& a, const Placed& b) {
        return a.at != b.at ? a.at < b.at : ShownBefore(*a.row, *b.row, m_order);
    });
    std::size_t runs = 0;
    for (std::size_t i = 0; i < placed.size(); ++i) {
        runs += i == 0 || placed[i].at != placed[i - 1].at ? 1 : 0;
    }
    if (runs > kPlacedRuns) {
        const int first = RowCount();
        beginInsertRows({}, first, first + static_cast<int>(placed.size()) - 1);
        for (Placed& p : placed) {
            m_rows.push_back(std::move(p.row));
        }
        endInsertRows();
        Reorder(SortedOrder());
        return;
    }
    // From the bottom up, so the places above stay as they were found.
    std::size_t end = placed.size();
    while (end > 0) {
        std::size_t begin = end - 1;
        while (begin > 0 && placed[begin - 1].at == placed[begin].at) {
            --begin;
        }
        const int at = placed[begin].at;
        beginInsertRows({}, at, at + static_cast<int>(end - begin) - 1);
        std::vector<std::unique_ptr<EventListRow>> run;
        run.reserve(end - begin);
        for (std::size_t i = begin; i < end; ++i) {
            run.push_back(std::move(placed[i].row));
        }
        m_rows.insert(m_rows.begin() + at, std::make_move_iterator(run.begin()), std::make_move_iterator(run.end()));
        endInsertRows();
        end = begin;
    }
}

void CEventListModel::InsertAt(int index, std::unique_ptr<EventListRow> row) {
    index = std::clamp(index, 0, RowCount());
    if (m_order.column >= 0 || m_rows.empty() || index == 0 || index == RowCount()) {
        std::vector<NewRow> rows;
        rows.push_back({std::move(row), index == 0 ? ClassicPlace::Top : ClassicPlace::End});
        Insert(std::move(rows));
        return;
    }
    // Shown in the classic order: between the rows about it.
    double upper = Row(index - 1).listedOrder;
    double lower = Row(index).listedOrder;
    if (!(upper + (lower - upper) / 2 > upper && upper + (lower - upper) / 2 < lower)) {
        Renumber();
        upper = Row(index - 1).listedOrder;
        lower = Row(index).listedOrder;
    }
    row->listedOrder = upper + (lower - upper) / 2;
    NoteAge(*row);
    beginInsertRows({}, index, index);
    m_rows.insert(m_rows.begin() + index, std::move(row));
    endInsertRows();
}

}  // namespace dravik
