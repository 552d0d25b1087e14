#include "history/text_fit.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QWidget>
#include <algorithm>
#include <limits>

#include "platform/qt/dialog_builder.h"

namespace dravik {

namespace {

bool VerticallyOverlap(const QRect& a, const QRect& b) {
    return a.top() < b.bottom() && b.top() < a.bottom();
}

}  // namespace

void FitTexts(QWidget* dialog, const std::vector<int>& keep) {
    constexpr int kGap = 3;
    const int edge = dialog->width() - 7;
    const QList<QWidget*> controls = dialog->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget* control : controls) {
        const bool text = qobject_cast<QLabel*>(control) != nullptr || qobject_cast<QAbstractButton*>(control);
        if (!text || control->isHidden() || std::find(keep.begin(), keep.end(), ControlId(control)) != keep.end()) {
            continue;
        }
        const QRect old = control->geometry();
        QRect place = old;
        const QSize hint = control->sizeHint();
        // Rows of radio buttons stand a line apart: the text's height, not the indicator's margins, must fit.
        place.setHeight(std::max(old.height(), control->fontMetrics().height()));
        place.setWidth(std::max(old.width(), hint.width()));
        std::vector<QWidget*> row;
        int nearest = std::numeric_limits<int>::max();
        for (QWidget* other : controls) {
            const QRect o = other->geometry();
            if (other != control && o.left() > old.right() && VerticallyOverlap(o, old)) {
                row.push_back(other);
                nearest = std::min(nearest, o.left());
            }
        }
        const int shift = row.empty() ? 0 : place.right() + kGap - nearest;
        if (shift > 0) {
            QWidget* widest = nullptr;
            int rowRight = 0;
            for (QWidget* other : row) {
                other->move(other->x() + shift, other->y());
                rowRight = std::max(rowRight, other->geometry().right());
                if (qobject_cast<QComboBox*>(other) != nullptr &&
                    (widest == nullptr || other->width() > widest->width())) {
                    widest = other;
                }
            }
            if (rowRight > edge && widest != nullptr) {
                widest->resize(std::max(widest->minimumSizeHint().width(), widest->width() - (rowRight - edge)),
                               widest->height());
            }
        }
        control->setGeometry(place);
    }
}

}  // namespace dravik
