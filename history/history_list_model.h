#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QLocale>
#include <QPixmap>
#include <QStringList>
#include <string>
#include <vector>

#include "alerts/alert_rule.h"

namespace dravik {

// One listed event: the six columns' texts and the magnitude-class image of column 0.
struct HistoryRow {
    std::string mag;
    std::string region;
    std::string data1;
    std::string data2;
    std::string wsp1;
    std::string wsp2;
    int image = 0;
    // The strongest expected intensity level at the user's places, where the window asked for it; 0: none.
    int shaking = 0;
    // What an agency said people felt (the row's tooltip).
    FeltData felt{};
};

// The history list's rows in the order they were read; the view never sorts them. Texts are held as read
// from the table and turned into QStrings only when shown.
class CHistoryListModel final : public QAbstractTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CHistoryListModel)

public:
    static constexpr int kColumns = 6;

    explicit CHistoryListModel(QObject* parent = nullptr);

    void SetHeaders(const QStringList& headers);
    void SetImages(const QList<QPixmap>& images);
    void SetRows(std::vector<HistoryRow> rows);
    // How dates and times are shown; the rows keep the archive's form.
    void SetTimeDisplay(TimeDisplay display);
    // Dates read as this locale's short dates (texts that are no date stay as they are); unset: as stored.
    void SetDateLocale(const QLocale& locale);
    // The language of the rows' tooltips.
    void SetLanguage(const std::string& lang) { m_lang = lang; }
    const std::vector<HistoryRow>& Rows() const { return m_rows; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QString DateShown(const std::string& text) const;

    QStringList m_headers;
    QList<QPixmap> m_images;
    std::vector<HistoryRow> m_rows;
    TimeDisplay m_timeDisplay = TimeDisplay::Classic;
    std::string m_lang;
    QString m_dateFormat;
    QLocale m_dateLocale;
};

}  // namespace dravik
