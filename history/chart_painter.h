#pragma once

class QPainter;
class QPalette;

namespace dravik {

struct ChartGeometry;

// Draws a computed chart in the palette's colours: the ground and the frame, grid and axes with their labels
// in the painter's font, then the bars or the joined points, the selected event in an accent of its own.
// The caller sets the clip; nothing here decides a position.
void PaintChart(QPainter& painter, const ChartGeometry& chart, const QPalette& palette);

}  // namespace dravik
