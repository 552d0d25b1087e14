#include "controls/question_icon.h"

#include <QFont>
#include <QMessageBox>
#include <QPainter>
#include <QStyle>
#include <cmath>

namespace dravik {

QPixmap QuestionIcon(int size, qreal ratio, const QColor& disc, const QColor& mark) {
    const int pixels = static_cast<int>(std::lround(size * ratio));
    QPixmap pixmap(pixels, pixels);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(disc);
    const QRectF whole(0, 0, size, size);
    painter.drawEllipse(whole.adjusted(0.5, 0.5, -0.5, -0.5));
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(static_cast<int>(size * 0.7));
    painter.setFont(font);
    painter.setPen(mark);
    painter.drawText(whole, Qt::AlignCenter, QStringLiteral("?"));
    return pixmap;
}

void UseSharpQuestionIcon(QMessageBox* box) {
    const int size = box->style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, box);
    const QPalette& palette = box->palette();
    box->setIconPixmap(QuestionIcon(size, box->devicePixelRatioF(), palette.color(QPalette::Highlight),
                                    palette.color(QPalette::HighlightedText)));
}

}  // namespace dravik
