#pragma once

#include <string>

#include "sources/quake_parser.h"

// A report's numbers, whatever form its source gave them in. Plain functions, no Qt.
namespace dravik {

// The numbers of an event: from the source where it gave them, else read from the texts. Each part is
// known only when it reads as a number (a magnitude "4.5", coordinates "-21.71 " with "-" for south/west).
struct EventNumbers {
    bool hasMagnitude = false;
    double magnitude = 0.0;
    bool hasPosition = false;
    double latitude = 0.0;
    double longitude = 0.0;
};
EventNumbers NumbersOf(const QuakeEvent& event);

// A decimal number in the "C" form, blanks around allowed, nothing else; false for anything else, a NaN
// or an infinity.
bool ReadDecimal(const std::string& text, double* value);

}  // namespace dravik
