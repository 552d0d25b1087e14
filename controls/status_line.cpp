#include "controls/status_line.h"

#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QPalette>
#include <QStyle>

#include "controls/palette_colours.h"
#include "platform/qt/inert_text.h"

namespace dravik {
namespace {

constexpr const char* kIconName = "statusProblemIcon";
constexpr const char* kElisionName = "statusElision";
constexpr const char* kProblemProperty = "dravikStatusProblem";

QRect TextArea(const QLabel* label) {
    const int margin = label->margin();
    return label->contentsRect().adjusted(margin, margin, -margin, -margin);
}

// A plain QLabel draws one line whole and clips it at its edge; this draws it cut with an ellipsis instead.
class CStatusElision final : public QObject {
public:
    explicit CStatusElision(QLabel* label) : QObject(label), m_label(label) {
        setObjectName(QString::fromLatin1(kElisionName));
        label->installEventFilter(this);
    }
    Q_DISABLE_COPY_MOVE(CStatusElision)

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != m_label || event->type() != QEvent::Paint) {
            return false;
        }
        QPainter painter(m_label);
        m_label->style()->drawItemText(&painter, TextArea(m_label), static_cast<int>(m_label->alignment()),
                                       m_label->palette(), m_label->isEnabled(), StatusShownText(m_label),
                                       m_label->foregroundRole());
        return true;
    }

private:
    QLabel* m_label;
};

}  // namespace

void ShowStatusText(QLabel* label, const QString& text, bool problem) {
    if (label == nullptr) {
        return;
    }
    // Source names and reasons come from outside.
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(false);
    label->setText(text);
    label->setToolTip(InertText(text));
    label->setAccessibleDescription(text);
    if (label->findChild<QObject*>(QString::fromLatin1(kElisionName), Qt::FindDirectChildrenOnly) == nullptr) {
        new CStatusElision(label);
    }
    auto* icon = label->findChild<QLabel*>(QString::fromLatin1(kIconName), Qt::FindDirectChildrenOnly);
    if (icon == nullptr) {
        icon = new QLabel(label);
        icon->setObjectName(QString::fromLatin1(kIconName));
    }
    label->setProperty(kProblemProperty, problem);
    label->update();
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

QString StatusShownText(const QLabel* label) {
    if (label == nullptr) {
        return QString();
    }
    return label->fontMetrics().elidedText(label->text(), Qt::ElideRight, TextArea(label).width());
}

}  // namespace dravik
