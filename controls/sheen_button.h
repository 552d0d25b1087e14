#pragma once

#include <QPushButton>
#include <QRgb>
#include <optional>

class QPainter;
class QPalette;

namespace dravik {

// The face is a vertical gradient from a lighter to a darker shade of the palette's button colour (white to
// grey on a light theme), a little lighter at the bottom while the pointer is over the button.
struct SheenFace {
    QRgb top;
    QRgb bottom;
};

SheenFace SheenFaceColours(const QPalette& palette, bool hover);
// The caption's colour: the palette's button text, moved off the face where it would not read on it.
QRgb SheenTextColour(const QPalette& palette, bool hover);

// The part of the button the gradient covers: inside the frame's top-left line, clear of its bottom-right
// shadow (one pixel in at the top and left, two at the right and bottom).
QRect SheenFaceRect(const QRect& itemRect);
// The keyboard focus mark: a dotted frame in the caption's colour two pixels inside the face.
QRect SheenFocusRect(const QRect& itemRect);

// Where the caption goes: centred on the client area when it fits, from the area's left edge (to be cut
// with an ellipsis) when it does not, one pixel right and down while pressed. Nothing for an area less than
// one pixel wide.
std::optional<QRect> SheenCaptionRect(const QRect& client, const QSize& textSize, bool pressed);

// Fills rect with a linear gradient whose first and last pixel rows (columns when not vertical) are exactly
// colour1 and colour2.
void DrawGradient(QPainter& painter, const QRect& rect, const QColor& colour1, const QColor& colour2, bool vertical);

// A push button with a drawn face: the style's push-button frame, the sheen gradient, and the caption
// centred on it, embossed grey when disabled, and a focus mark while it has the keyboard focus. Dialog builders create
// it in place of a template's push button.
class CSheenButton final : public QPushButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CSheenButton)

public:
    explicit CSheenButton(QWidget* parent = nullptr);
    explicit CSheenButton(const QString& text, QWidget* parent = nullptr);

    bool IsHovering() const { return m_bHover; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    bool m_bHover = false;
};

}  // namespace dravik
