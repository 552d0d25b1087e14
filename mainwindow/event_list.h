#pragma once

#include <QTableView>

namespace dravik {

class CEventListModel;

// The main list: a table view over the list's own model.
class CEventList final : public QTableView {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CEventList)

public:
    explicit CEventList(QWidget* parent = nullptr);
    ~CEventList() override;

    CEventListModel& Model() const { return *m_model; }
    int rowCount() const;
    // Also true of a place column that does not exist now (no place is set).
    bool isColumnHidden(int column) const;
    // The text a cell shows (empty outside the rows and columns).
    QString Text(int row, int column, int role = Qt::DisplayRole) const;
    void ScrollToRow(int row, ScrollHint hint = EnsureVisible);

private:
    CEventListModel* m_model;
};

}  // namespace dravik
