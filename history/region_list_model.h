#pragma once

#include <QAbstractListModel>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

namespace dravik {

// The region combo's entries: the one for all regions first, then the archive's regions in the order they were
// listed. Each entry keeps its region's exact bytes (Qt::UserRole, as item data), which the filter matches.
// The entries are prepared away from the UI thread and handed over in one go: a year of USGS places is tens
// of thousands of regions, twenty years most of a million.
class CRegionListModel final : public QAbstractListModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CRegionListModel)

public:
    struct Entries {
        std::vector<std::string> regions;  // [0] is kAllRegions
        QStringList texts;                 // regions[1..] as shown
    };
    // The entries for `regions`, already ordered and distinct; made on the thread that read them.
    static Entries Prepare(std::vector<std::string> regions);

    // Until SetEntries, the all-regions entry alone, shown as `allText`.
    explicit CRegionListModel(QString allText, QObject* parent = nullptr);

    void SetEntries(Entries entries);
    // The filter bytes of an entry; empty for no entry.
    std::string RegionAt(int row) const;
    const std::vector<std::string>& Regions() const { return m_entries.regions; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    QString TextAt(int row) const;

    QString m_allText;
    Entries m_entries;
};

}  // namespace dravik
