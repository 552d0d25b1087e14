#include "controls/link_static.h"

#include "controls/palette_colours.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

namespace dravik {

QRgb LinkTextColour(const QPalette& palette, bool over, bool visited) {
    const QRgb window = palette.color(QPalette::Active, QPalette::Window).rgb();
    QRgb colour = palette.color(QPalette::Active, QPalette::Link).rgb();
    if (over && !visited) {
        colour = MixColours(colour, palette.color(QPalette::Active, QPalette::WindowText).rgb(), 0.5);
    }
    return WithContrast(colour, window, kMinTextContrast);
}

CLinkStatic::CLinkStatic(QWidget* parent, UrlOpener opener) : QLabel(parent), m_opener(std::move(opener)) {
    // Only the underline is fixed; family, size and weight still follow the dialog's font.
    QFont font;
    font.setUnderline(false);
    setFont(font);
    setTextFormat(Qt::PlainText);
    setCursor(Qt::PointingHandCursor);
    ApplyColour();
}

CLinkStatic::~CLinkStatic() = default;

void CLinkStatic::SetURL(const QString& url) {
    m_strURL = url;
}

void CLinkStatic::SetUrlOpener(UrlOpener opener) {
    m_opener = std::move(opener);
}

bool CLinkStatic::OpenURL(const QString& url) {
    // An empty address would ask the desktop to open nothing in particular (on some desktops the current
    // folder), so it is not handed over; the click still counts.
    if (url.trimmed().isEmpty()) {
        return true;
    }
    const QUrl target = QUrl::fromUserInput(url);
    if (m_opener) {
        m_opener(target);
    } else {
        QDesktopServices::openUrl(target);
    }
    return true;
}

void CLinkStatic::enterEvent(QEnterEvent* event) {
    m_bOver = true;
    ApplyColour();
    QLabel::enterEvent(event);
}

void CLinkStatic::leaveEvent(QEvent* event) {
    m_bOver = false;
    ApplyColour();
    QLabel::leaveEvent(event);
}

void CLinkStatic::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_bPressed = true;
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}

void CLinkStatic::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_bPressed) {
        m_bPressed = false;
        event->accept();
        if (rect().contains(event->position().toPoint())) {
            OnClicked();
        }
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void CLinkStatic::OnClicked() {
    const QString url = m_strURL;  // the opener may reenter and change the address
    OpenURL(url);
    m_bVisited = true;
    ApplyColour();
}

void CLinkStatic::ApplyColour() {
    update();
}

void CLinkStatic::paintEvent(QPaintEvent* /*event*/) {
    // The colour is worked out at each drawing from the palette in force, so a change of theme shows at once.
    QPainter painter(this);
    painter.setPen(QColor(LinkTextColour(palette(), m_bOver, m_bVisited)));
    const QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    painter.drawText(area, static_cast<int>(alignment()) | Qt::TextSingleLine, text());
}

}  // namespace dravik
