#include "controls/sheen_button.h"

#include "controls/palette_colours.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPen>
#include <QStyle>
#include <QStyleOptionButton>
#include <cmath>

namespace dravik {

SheenFace SheenFaceColours(const QPalette& palette, bool hover) {
    const QColor button = palette.color(QPalette::Active, QPalette::Button);
    // lighter() scales the value: a light grey goes to white at the top; a dark one gains a visible sheen.
    return {button.lighter(130).rgb(), button.darker(hover ? 109 : 120).rgb()};
}

QRgb SheenTextColour(const QPalette& palette, bool hover) {
    const SheenFace face = SheenFaceColours(palette, hover);
    const QRgb text = palette.color(QPalette::Active, QPalette::ButtonText).rgb();
    return WithContrast(WithContrast(text, face.top, kMinTextContrast), face.bottom, kMinTextContrast);
}

QRect SheenFaceRect(const QRect& itemRect) {
    return itemRect.adjusted(1, 1, -2, -2);
}

QRect SheenFocusRect(const QRect& itemRect) {
    return SheenFaceRect(itemRect).adjusted(2, 2, -2, -2);
}

std::optional<QRect> SheenCaptionRect(const QRect& client, const QSize& textSize, bool pressed) {
    if (client.width() < 1) {
        return std::nullopt;
    }
    int left = client.left();
    int right = client.left() + client.width();  // exclusive
    const int areaWidth = right - left;
    if (areaWidth > textSize.width()) {
        const int inset = (areaWidth - textSize.width()) / 2;
        left += inset;
        right -= inset;
    }
    const int top = client.top() + (client.height() - textSize.height()) / 2;
    QRect caption(left, top, right - left, textSize.height());
    if (pressed) {
        caption.translate(1, 1);
    }
    return caption;
}

void DrawGradient(QPainter& painter, const QRect& rect, const QColor& colour1, const QColor& colour2, bool vertical) {
    if (rect.isEmpty()) {
        return;
    }
    // Pixel centres lie at +0.5: anchoring the stops there makes the first and last rows the exact colours.
    const QPointF start(rect.left() + 0.5, rect.top() + 0.5);
    const QPointF end =
        vertical ? QPointF(rect.left() + 0.5, rect.bottom() + 0.5) : QPointF(rect.right() + 0.5, rect.top() + 0.5);
    QLinearGradient gradient(start, end);
    gradient.setColorAt(0.0, colour1);
    gradient.setColorAt(1.0, colour2);
    painter.fillRect(rect, gradient);
}

CSheenButton::CSheenButton(QWidget* parent) : CSheenButton(QString(), parent) {}

CSheenButton::CSheenButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {}

void CSheenButton::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QRect item = rect();
    painter.fillRect(item, palette().color(QPalette::Button));

    QStyleOptionButton option;
    initStyleOption(&option);
    option.state &= ~QStyle::State_HasFocus;
    style()->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, this);

    const SheenFace face = SheenFaceColours(palette(), m_bHover);
    DrawGradient(painter, SheenFaceRect(item), QColor(face.top), QColor(face.bottom), true);
    if (hasFocus()) {
        // The caption's colour reads on the whole face, so the mark does too; dotted, as keyboard focus looks.
        QPen pen{QColor(SheenTextColour(palette(), m_bHover))};
        pen.setStyle(Qt::DotLine);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        const QRect mark = SheenFocusRect(item);
        if (!mark.isEmpty()) {
            painter.drawRect(mark.adjusted(0, 0, -1, -1));
        }
    }

    const QString caption = text();
    const QFontMetrics metrics = fontMetrics();
    // Glyph advances are fractional: round the width up, or a caption that fits would lose its last letters.
    const int textWidth = static_cast<int>(std::ceil(QFontMetricsF(font()).horizontalAdvance(caption)));
    const std::optional<QRect> place = SheenCaptionRect(item, QSize(textWidth, metrics.height()), isDown());
    if (!place) {
        return;
    }
    const QString shown = metrics.elidedText(caption, Qt::ElideRight, place->width());
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
    if (isEnabled()) {
        painter.setPen(QColor(SheenTextColour(palette(), m_bHover)));
        painter.drawText(*place, flags, shown);
        return;
    }
    painter.setPen(palette().color(QPalette::Disabled, QPalette::Light));
    painter.drawText(place->translated(1, 1), flags, shown);
    painter.setPen(palette().color(QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(*place, flags, shown);
}

void CSheenButton::enterEvent(QEnterEvent* event) {
    m_bHover = true;
    update();
    QPushButton::enterEvent(event);
}

void CSheenButton::leaveEvent(QEvent* event) {
    m_bHover = false;
    update();
    QPushButton::leaveEvent(event);
}

}  // namespace dravik
