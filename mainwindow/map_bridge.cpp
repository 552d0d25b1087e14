#include "mainwindow/map_bridge.h"

#include <QEvent>
#include <utility>

namespace dravik {

CMapBridge::CMapBridge(std::function<bool()> isOwnPage, QObject* parent)
    : QObject(parent), m_isOwnPage(std::move(isOwnPage)) {}

void CMapBridge::pageReady() {
    if (!m_isOwnPage()) {
        return;
    }
    m_bReady = true;
    emit PageBecameReady();
}

void CMapBridge::circleClicked(int id) {
    if (!m_bReady || !m_isOwnPage()) {
        return;
    }
    emit CircleClicked(id);
}

bool CMapBridge::event(QEvent* event) {
    if (event->type() == QEvent::DeferredDelete) {
        return true;
    }
    return QObject::event(event);
}

}  // namespace dravik
