#pragma once

class QPainter;

namespace dravik {

struct ChartGeometry;

// Draws a computed chart: the background, then the bars or the polyline with the painter's default pen.
// The caller sets the clip; nothing here decides a position.
void PaintChart(QPainter& painter, const ChartGeometry& chart);

}  // namespace dravik
