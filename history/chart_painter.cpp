#include "history/chart_painter.h"

#include <QPainter>
#include <QPen>

#include "history/history_chart.h"

namespace dravik {

namespace {

QColor ToQColor(const ChartColor& c) {
    return QColor(c.r, c.g, c.b);
}

}  // namespace

void PaintChart(QPainter& painter, const ChartGeometry& chart) {
    const ChartRect& bg = chart.background;
    painter.fillRect(QRect(bg.left, bg.top, bg.right - bg.left, bg.bottom - bg.top), ToQColor(kChartBackground));
    for (const ChartBar& bar : chart.bars) {
        painter.fillRect(QRect(bar.x, bar.y, bar.width, bar.height), ToQColor(bar.color));
    }
    if (chart.polyline.size() < 2) {
        return;  // a single point is a pen move only
    }
    painter.setPen(QPen(Qt::black, 1, Qt::SolidLine));
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPoint previous(chart.polyline.front().x, chart.polyline.front().y);
    for (std::size_t i = 1; i < chart.polyline.size(); ++i) {
        const QPoint next(chart.polyline[i].x, chart.polyline[i].y);
        painter.drawLine(previous, next);
        previous = next;
    }
}

}  // namespace dravik
