#include "mainwindow/event_list.h"

#include "mainwindow/event_list_model.h"

namespace dravik {

CEventList::CEventList(QWidget* parent) : QTableView(parent), m_model(new CEventListModel(this)) {
    setModel(m_model);
}

CEventList::~CEventList() = default;

int CEventList::rowCount() const {
    return m_model->RowCount();
}

bool CEventList::isColumnHidden(int column) const {
    return column >= m_model->columnCount() || QTableView::isColumnHidden(column);
}

QString CEventList::Text(int row, int column, int role) const {
    return m_model->index(row, column).data(role).toString();
}

void CEventList::ScrollToRow(int row, ScrollHint hint) {
    scrollTo(m_model->index(row, 0), hint);
}

}  // namespace dravik
