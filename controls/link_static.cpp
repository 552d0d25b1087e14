#include "controls/link_static.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QUrl>

namespace dravik {

QRgb LinkTextColour(bool over, bool visited) {
    if (visited) {
        return kLinkVisitedColour;
    }
    return over ? kLinkHoverColour : kLinkColour;
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
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, QColor(LinkTextColour(m_bOver, m_bVisited)));
    setPalette(colours);
    update();
}

}  // namespace dravik
