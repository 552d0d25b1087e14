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
    painter.setPen(QPen(Qt::black, 1));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    if (m_source) {
        PaintChart(painter, m_source(ChartRect{0, 0, width(), height()}));
    }
}

}  // namespace dravik
