#pragma once

#include <QColor>
#include <cstddef>

// What the map widget's drawing shares between its files.
namespace dravik::map_look {

// Between the widget's edge and what is drawn along it (buttons, legend).
inline constexpr int kMargin = 10;

// Decoded tiles kept in memory (256 KiB each): a few screenfuls of a window's map, and the way back after a zoom.
inline constexpr std::size_t kTilesInMemory = 96;

// The plates' boundaries: a dark orange-red, over a light halo that keeps it readable on satellite images as on
// street and topographic maps.
inline const QColor kPlateLine{0xc4, 0x30, 0x00};
inline const QColor kPlateHalo{255, 255, 255, 170};

// The circles' colour by age: 0 the last hour, 1 the last day, 2 older.
QColor AgeColour(int age);

}  // namespace dravik::map_look
