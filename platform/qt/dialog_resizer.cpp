#include "platform/qt/dialog_resizer.h"

#include <QEvent>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace dravik {

namespace {

int Moved(int edge, double share, int growth) {
    return edge + static_cast<int>(std::lround(share * std::max(0, growth)));
}

}  // namespace

QRect GrownRect(const QRect& base, const GrowthShare& share, const QSize& growth) {
    const int left = Moved(base.x(), share.left, growth.width());
    const int top = Moved(base.y(), share.top, growth.height());
    const int right = Moved(base.x() + base.width(), share.right, growth.width());
    const int bottom = Moved(base.y() + base.height(), share.bottom, growth.height());
    return {left, top, std::max(0, right - left), std::max(0, bottom - top)};
}

CDialogResizer::CDialogResizer(QWidget* dialog, const ShareOf& shareOf)
    : QObject(dialog), m_dialog(dialog), m_templateSize(dialog->size()) {
    for (QWidget* child : dialog->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (child->isWindow()) {
            continue;
        }
        m_placed.push_back({child, child->geometry(), shareOf ? shareOf(child) : kKeepTopLeft});
    }
    dialog->setMinimumSize(m_templateSize);
    dialog->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    dialog->installEventFilter(this);
}

void CDialogResizer::Apply() {
    const QSize growth = m_dialog->size() - m_templateSize;
    for (const Placed& placed : m_placed) {
        if (placed.widget) {
            placed.widget->setGeometry(GrownRect(placed.base, placed.share, growth));
        }
    }
}

bool CDialogResizer::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_dialog && event->type() == QEvent::Resize) {
        Apply();
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace dravik
