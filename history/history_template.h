#pragma once

#include <string>

#include "platform/dialog_template.h"

// The history window's controls beyond the shared table's: the shaking filter on a row of its own under the
// region (its label and level list), and the shaking value kind as a third chart value.
namespace dravik {

inline constexpr int kIdValueShaking = 1009;
inline constexpr int kIdShakingLevel = 1020;
inline constexpr int kIdShakingLabel = 1021;

// `base` (the window's table, its texts translated) with the row and the radio button added, everything below
// the top row moved down to make room and the window as much taller; the texts are the new controls'.
DialogTemplate WithShakingControls(const DialogTemplate& base, const std::string& filterText,
                                   const std::string& valueText);

}  // namespace dravik
