#pragma once

#include <QColor>

// What the map widget's drawing shares between its files.
namespace dravik::map_look {

// Between the widget's edge and what is drawn along it (buttons, legend).
inline constexpr int kMargin = 10;

// The circles' colour by age: 0 the last hour, 1 the last day, 2 older.
QColor AgeColour(int age);

}  // namespace dravik::map_look
