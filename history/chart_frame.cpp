#include "history/chart_frame.h"

#include <QPainter>

#include "history/chart_painter.h"
#include "history/history_chart.h"

namespace dravik {

CChartFrame::CChartFrame(QWidget* parent) : QWidget(parent) {}

void CChartFrame::SetChartSource(ChartSource source) {
    m_source = std::move(source);
    update();
}

void CChartFrame::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setClipRect(rect());
    if (m_source) {
        PaintChart(painter, m_source(ChartRect{0, 0, width(), height()}), palette());
        return;
    }
    ChartGeometry empty;
    empty.frame = {0, 0, width(), height()};
    empty.background = {1, 1, width() - 1, height() - 1};
    PaintChart(painter, empty, palette());
}

}  // namespace dravik
