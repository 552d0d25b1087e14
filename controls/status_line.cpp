#include "controls/status_line.h"

#include <QLabel>
#include <QPalette>
#include <QStyle>

#include "controls/palette_colours.h"

namespace dravik {
namespace {

constexpr const char* kIconName = "statusProblemIcon";
constexpr const char* kProblemProperty = "dravikStatusProblem";

}  // namespace

void ShowStatusText(QLabel* label, const QString& text, bool problem) {
    if (label == nullptr) {
        return;
    }
    // Source names and reasons come from outside.
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    auto* icon = label->findChild<QLabel*>(QString::fromLatin1(kIconName), Qt::FindDirectChildrenOnly);
    if (icon == nullptr) {
        icon = new QLabel(label);
        icon->setObjectName(QString::fromLatin1(kIconName));
    }
    label->setProperty(kProblemProperty, problem);
    if (!problem) {
        icon->hide();
        label->setContentsMargins(0, 0, 0, 0);
        // Back to the window's own colours.
        label->setPalette(QPalette());
        return;
    }
    const int side = label->fontMetrics().height();
    icon->setPixmap(label->style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(side, side));
    icon->setGeometry(0, 0, side, side);
    icon->show();
    label->setContentsMargins(side + 3, 0, 0, 0);
    QPalette colours = label->palette();
    colours.setColor(QPalette::WindowText, QColor(WarningTextColour(colours)));
    label->setPalette(colours);
}

bool StatusShowsProblem(const QLabel* label) {
    return label != nullptr && label->property(kProblemProperty).toBool();
}

}  // namespace dravik
