#include "history/region_list_model.h"

#include <QByteArray>
#include <utility>

#include "history/history_query.h"

namespace dravik {

CRegionListModel::Entries CRegionListModel::Prepare(std::vector<std::string> regions) {
    Entries entries;
    entries.regions.reserve(regions.size() + 1);
    entries.regions.emplace_back(kAllRegions);
    entries.texts.reserve(static_cast<qsizetype>(regions.size()));
    for (std::string& region : regions) {
        entries.texts.push_back(QString::fromUtf8(region.data(), static_cast<qsizetype>(region.size())));
        entries.regions.push_back(std::move(region));
    }
    return entries;
}

CRegionListModel::CRegionListModel(QString allText, QObject* parent)
    : QAbstractListModel(parent), m_allText(std::move(allText)) {
    m_entries.regions.emplace_back(kAllRegions);
}

void CRegionListModel::SetEntries(Entries entries) {
    beginResetModel();
    std::swap(m_entries, entries);
    endResetModel();
}

std::string CRegionListModel::RegionAt(int row) const {
    return row >= 0 && row < rowCount() ? m_entries.regions[static_cast<std::size_t>(row)] : std::string();
}

QString CRegionListModel::TextAt(int row) const {
    return row == 0 ? m_allText : m_entries.texts.at(row - 1);
}

int CRegionListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_entries.regions.size());
}

QVariant CRegionListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return TextAt(index.row());
        case Qt::UserRole: {
            const std::string& region = m_entries.regions[static_cast<std::size_t>(index.row())];
            return QByteArray(region.data(), static_cast<qsizetype>(region.size()));
        }
        default:
            return {};
    }
}

}  // namespace dravik
