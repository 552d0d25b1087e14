#include "mainwindow/headline_band.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include "mainwindow/list_colours.h"
#include "shaking/intensity.h"

namespace dravik {
namespace {

constexpr int kEdgeWidth = 6;
constexpr int kPadding = 4;

}  // namespace

CHeadlineBand::CHeadlineBand(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
    setVisible(false);
}

CHeadlineBand::~CHeadlineBand() = default;

void CHeadlineBand::ShowHeadline(const QString& text, const std::string& eventId, int level,
                                 const QString& description) {
    m_eventId = text.isEmpty() ? std::string() : eventId;
    m_level = level;
    if (text != this->text()) {
        setText(text);
        // Read whole where the band cuts it.
        setToolTip(text);
        setAccessibleName(text);
    }
    setAccessibleDescription(description);
    setVisible(!text.isEmpty());
    update();
}

QSize CHeadlineBand::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()) + kEdgeWidth + 3 * kPadding, metrics.height() + 2 * kPadding};
}

QSize CHeadlineBand::minimumSizeHint() const {
    return {kEdgeWidth + 2 * kPadding, sizeHint().height()};
}

void CHeadlineBand::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QPalette& pal = palette();
    // Set apart from the list, its text as readable.
    const BandColours colours =
        HeadlineBandColours(pal.color(QPalette::Window).rgb(), pal.color(QPalette::WindowText).rgb(),
                            pal.color(QPalette::Highlight).rgb(), isDown());
    const QRgb background = colours.background;
    const QRgb textColour = colours.text;
    painter.fillRect(rect(), QColor::fromRgb(background));
    // The edge in the scale's colour of the level at the places, as the map's bands draw it.
    const QRgb edge = m_level >= 2 ? (0xFF000000u | IntensityColour(m_level)) : pal.color(QPalette::Highlight).rgb();
    painter.fillRect(QRect(0, 0, kEdgeWidth, height()), QColor::fromRgb(edge));
    const QRect textRect = rect().adjusted(kEdgeWidth + kPadding, 0, -kPadding, 0);
    painter.setPen(QColor::fromRgb(textColour));
    painter.setFont(font());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                     fontMetrics().elidedText(text(), Qt::ElideRight, textRect.width()));
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(kEdgeWidth, 1, -1, -1);
        focus.backgroundColor = QColor::fromRgb(background);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

}  // namespace dravik
