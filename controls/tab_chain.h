#pragma once

class QWidget;

namespace dravik {

// Takes a widget and every child it has or gets later out of the Tab chain: they still take the focus when
// clicked. For a map, whose arrow keys pan it, a Tab that wanders into it would move the map instead of the
// focus.
void KeepOutOfTabChain(QWidget* widget);

}  // namespace dravik
