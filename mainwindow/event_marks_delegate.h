#pragma once

#include <QStyledItemDelegate>

namespace dravik {

// Draws the region cell as usual, with the row's marks (CEventListModel::kMarksRole: what was felt, PAGER's
// level, a tsunami message in force) as small framed labels at its end; the region gives them the room.
class CEventMarksDelegate final : public QStyledItemDelegate {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CEventMarksDelegate)

public:
    explicit CEventMarksDelegate(QObject* parent);
    ~CEventMarksDelegate() override;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace dravik
