#include "history/history_list_model.h"

#include <QDate>

#include "alerts/time_display.h"
#include "app/ui_texts.h"
#include "platform/qt/inert_text.h"

namespace dravik {

namespace {

// Latitude and longitude stand right-aligned, the rest left.
Qt::Alignment ColumnAlignment(int column) {
    return (column >= 4 ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
}

const std::string& CellText(const HistoryRow& row, int column) {
    switch (column) {
        case 0:
            return row.mag;
        case 1:
            return row.region;
        case 2:
            return row.data1;
        case 3:
            return row.data2;
        case 4:
            return row.wsp1;
        default:
            return row.wsp2;
    }
}

}  // namespace

CHistoryListModel::CHistoryListModel(QObject* parent) : QAbstractTableModel(parent) {}

void CHistoryListModel::SetHeaders(const QStringList& headers) {
    m_headers = headers;
    emit headerDataChanged(Qt::Horizontal, 0, kColumns - 1);
}

void CHistoryListModel::SetImages(const QList<QPixmap>& images) {
    m_images = images;
}

void CHistoryListModel::SetRows(std::vector<HistoryRow> rows) {
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

void CHistoryListModel::SetTimeDisplay(TimeDisplay display) {
    beginResetModel();
    m_timeDisplay = display;
    endResetModel();
}

void CHistoryListModel::SetDateLocale(const QLocale& locale) {
    beginResetModel();
    m_dateLocale = locale;
    m_dateFormat = locale.dateFormat(QLocale::ShortFormat);
    if (!m_dateFormat.contains(QLatin1String("yyyy"))) {
        m_dateFormat.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    }
    endResetModel();
}

QString CHistoryListModel::DateShown(const std::string& text) const {
    const QString stored = QString::fromStdString(text);
    if (m_dateFormat.isEmpty()) {
        return stored;
    }
    const QDate date = QDate::fromString(stored, Qt::ISODate);
    return date.isValid() ? m_dateLocale.toString(date, m_dateFormat) : stored;
}

int CHistoryListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CHistoryListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant CHistoryListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(m_rows.size())) {
        return {};
    }
    const HistoryRow& row = m_rows[static_cast<std::size_t>(index.row())];
    switch (role) {
        case Qt::DisplayRole:
            if ((index.column() == 2 || index.column() == 3) && m_timeDisplay != TimeDisplay::Classic) {
                const DateTimeText shown = DisplayedTime(row.data1, row.data2, false, 0, m_timeDisplay);
                return index.column() == 2 ? DateShown(shown.date) : QString::fromStdString(shown.time);
            }
            if (index.column() == 2) {
                return DateShown(row.data1);
            }
            return QString::fromStdString(CellText(row, index.column()));
        case Qt::DecorationRole:
            if (index.column() == 0 && row.image >= 0 && row.image < m_images.size()) {
                return m_images[row.image];
            }
            return {};
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(ColumnAlignment(index.column()));
        case Qt::ToolTipRole: {
            // Sources' words, shown as plain text whatever they hold.
            std::string tip;
            for (const std::string& line : HistoryFeltLines(m_lang, row.felt)) {
                tip += (tip.empty() ? "" : "\n") + line;
            }
            return tip.empty() ? QVariant() : QVariant(InertText(QString::fromStdString(tip)));
        }
        default:
            return {};
    }
}

QVariant CHistoryListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumns) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return section < m_headers.size() ? m_headers[section] : QString();
    }
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(ColumnAlignment(section));
    }
    return {};
}

}  // namespace dravik
