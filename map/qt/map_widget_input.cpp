// What the mouse does on the map: drag to pan, click a circle, a button or the action, wheel and double click
// to zoom.
#include <QDesktopServices>
#include <QMouseEvent>
#include <QUrl>
#include <QWheelEvent>

#include "map/qt/map_widget.h"

namespace dravik {

namespace {

constexpr int kDragThreshold = 3;

}  // namespace

void CMapWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPointF at = event->position();
    const QPointF centre(width() / 2.0, height() / 2.0);
    if (ZoomInRect().contains(at.toPoint())) {
        ZoomStep(1);
        return;
    }
    if (ZoomOutRect().contains(at.toPoint())) {
        ZoomStep(-1);
        return;
    }
    if (m_actionRect.contains(at)) {
        emit ActionClicked();
        return;
    }
    for (const Link& link : m_links) {
        if (link.rect.contains(at)) {
            // The credits lead to the services' pages in the user's browser; the map stays where it is.
            QDesktopServices::openUrl(QUrl(link.url));
            return;
        }
    }
    m_bPressed = true;
    m_bDragging = false;
    m_pressAt = at;
    m_lastDrag = at;
}

void CMapWidget::mouseMoveEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    if (m_bPressed) {
        if (!m_bDragging && (at - m_pressAt).manhattanLength() >= kDragThreshold) {
            m_bDragging = true;
            setCursor(Qt::ClosedHandCursor);
        }
        if (m_bDragging) {
            m_view.PanBy(at.x() - m_lastDrag.x(), at.y() - m_lastDrag.y());
            m_lastDrag = at;
            ViewChanged();
        }
        return;
    }
    bool overLink = ZoomInRect().contains(at.toPoint()) || ZoomOutRect().contains(at.toPoint()) ||
                    m_actionRect.contains(at) || CircleAt(at) >= 0;
    for (const Link& link : m_links) {
        overLink = overLink || link.rect.contains(at);
    }
    setCursor(overLink ? Qt::PointingHandCursor : Qt::OpenHandCursor);
}

void CMapWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_bPressed) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_bPressed = false;
    if (m_bDragging) {
        m_bDragging = false;
        setCursor(Qt::OpenHandCursor);
        return;
    }
    const int id = CircleAt(event->position());
    if (id >= 0) {
        emit CircleClicked(id);
    }
}

void CMapWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && CircleAt(event->position()) < 0 &&
        !ZoomInRect().contains(event->position().toPoint()) && !ZoomOutRect().contains(event->position().toPoint())) {
        m_view.ZoomAt(m_view.Zoom() + 1, {event->position().x(), event->position().y()}, m_layers.maxZoom);
        ViewChanged();
        return;
    }
    mousePressEvent(event);
}

void CMapWidget::wheelEvent(QWheelEvent* event) {
    // A notch is 120; touchpads send smaller steps that add up.
    m_wheelSteps += event->angleDelta().y();
    const int notches = m_wheelSteps / 120;
    if (notches != 0) {
        m_wheelSteps -= notches * 120;
        m_view.ZoomAt(m_view.Zoom() + notches, {event->position().x(), event->position().y()}, m_layers.maxZoom);
        ViewChanged();
    }
    event->accept();
}

}  // namespace dravik
