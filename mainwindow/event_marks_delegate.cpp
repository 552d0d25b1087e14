#include "mainwindow/event_marks_delegate.h"

#include <QColor>
#include <QFontMetrics>
#include <QPainter>
#include <QVariantList>
#include <algorithm>
#include <vector>

#include "mainwindow/event_list_model.h"

namespace dravik {
namespace {

constexpr int kMarkPadding = 3;
constexpr int kMarkGap = 3;

}  // namespace

CEventMarksDelegate::CEventMarksDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

CEventMarksDelegate::~CEventMarksDelegate() = default;

void CEventMarksDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const QVariantList marks = index.data(CEventListModel::kMarksRole).toList();
    if (marks.isEmpty()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QFont font = option.font;
    font.setPointSizeF(std::max(6.0, font.pointSizeF() * 0.85));
    const QFontMetrics metrics(font);
    std::vector<int> widths;
    int total = 0;
    for (const QVariant& mark : marks) {
        const int width = metrics.horizontalAdvance(mark.toList().value(0).toString()) + 2 * kMarkPadding;
        widths.push_back(width);
        total += width + kMarkGap;
    }
    // The region keeps at least half the cell; marks that do not fit then are left out from the end.
    const int room = std::min(total, option.rect.width() / 2);
    QStyleOptionViewItem textOption = option;
    textOption.rect.setRight(option.rect.right() - room);
    QStyledItemDelegate::paint(painter, textOption, index);

    painter->save();
    painter->setFont(font);
    const bool selected = (option.state & QStyle::State_Selected) != 0;
    int x = option.rect.right() - room + kMarkGap;
    for (int i = 0; i < marks.size(); ++i) {
        const int width = widths[static_cast<std::size_t>(i)];
        if (x + width > option.rect.right()) {
            break;
        }
        const QVariantList mark = marks[i].toList();
        // On a selected row the selection's own text colour: the marks' shades are made for the list's base.
        const QColor colour =
            selected ? option.palette.color(QPalette::HighlightedText) : mark.value(1).value<QColor>();
        const QRect box(x, option.rect.top() + 2, width, option.rect.height() - 4);
        painter->setPen(colour);
        painter->drawRect(box.adjusted(0, 0, -1, -1));
        painter->drawText(box, Qt::AlignCenter, mark.value(0).toString());
        x += width + kMarkGap;
    }
    painter->restore();
}

}  // namespace dravik
