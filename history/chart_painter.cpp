#include "history/chart_painter.h"

#include <QPainter>
#include <QPalette>
#include <QPen>

#include "history/history_chart.h"

namespace dravik {

namespace {

// The selected event stands out against the palette's highlight in light and dark themes alike.
const QColor kSelectedAccent(235, 110, 0);

QColor InkColour(ChartInk ink, const QPalette& palette) {
    switch (ink) {
        case ChartInk::kBackground:
            return palette.color(QPalette::Base);
        case ChartInk::kFrame:
        case ChartInk::kAxis:
            return palette.color(QPalette::Text);
        case ChartInk::kGrid: {
            QColor grid = palette.color(QPalette::Text);
            grid.setAlpha(40);
            return grid;
        }
        case ChartInk::kBar:
        case ChartInk::kLine:
            return palette.color(QPalette::Highlight);
        case ChartInk::kSelected:
            return kSelectedAccent;
    }
    return palette.color(QPalette::Text);
}

QRect ToQRect(const ChartRect& r) {
    return QRect(r.left, r.top, r.Width(), r.Height());
}

void PaintBox(QPainter& painter, const ChartBox& box, const QPalette& palette) {
    const QRect rect(box.x, box.y, box.width, box.height);
    painter.fillRect(rect, InkColour(box.ink, palette));
    if (box.ink == ChartInk::kSelected) {
        painter.setPen(QPen(InkColour(ChartInk::kAxis, palette), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect.adjusted(0, 0, -1, -1));
    }
}

}  // namespace

void PaintChart(QPainter& painter, const ChartGeometry& chart, const QPalette& palette) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QRect frame = ToQRect(chart.frame);
    if (!frame.isEmpty()) {
        painter.setPen(QPen(InkColour(ChartInk::kFrame, palette), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(frame.adjusted(0, 0, -1, -1));
    }
    painter.fillRect(ToQRect(chart.background), InkColour(ChartInk::kBackground, palette));
    for (const ChartLine& line : chart.lines) {
        painter.setPen(QPen(InkColour(line.ink, palette), 1, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(line.x1, line.y1, line.x2, line.y2);
    }
    painter.setPen(InkColour(ChartInk::kAxis, palette));
    for (const ChartLabel& label : chart.labels) {
        const int horizontal = label.align == LabelAlign::kRight  ? Qt::AlignRight
                               : label.align == LabelAlign::kLeft ? Qt::AlignLeft
                                                                  : Qt::AlignHCenter;
        const int align = horizontal | Qt::AlignVCenter;
        painter.drawText(ToQRect(label.box), align | Qt::TextDontClip, QString::fromStdString(label.text));
    }
    // Marks stay right of the value axis and above the time labels, a dot on the time axis included.
    constexpr int kBelowAxis = 2;
    painter.setClipRect(QRect(chart.plot.left, chart.background.top, chart.background.right - chart.plot.left,
                              chart.plot.bottom + 1 + kBelowAxis - chart.background.top),
                        Qt::IntersectClip);
    for (const ChartBox& bar : chart.bars) {
        PaintBox(painter, bar, palette);
    }
    if (chart.polyline.size() >= 2) {
        painter.setPen(QPen(InkColour(ChartInk::kLine, palette), 1, Qt::SolidLine));
        QPolygon polygon;
        polygon.reserve(static_cast<int>(chart.polyline.size()));
        for (const ChartPoint& p : chart.polyline) {
            polygon << QPoint(p.x, p.y);
        }
        painter.drawPolyline(polygon);
    }
    for (const ChartBox& marker : chart.markers) {
        PaintBox(painter, marker, palette);
    }
    painter.restore();
}

}  // namespace dravik
