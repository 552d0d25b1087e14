#pragma once

#include <vector>

class QWidget;

namespace dravik {

// Template places were made for Polish at one font: each label and button of a built dialog that needs more
// (a German text, a larger font) gets its text's width and height; when it would run into its right neighbour,
// the rest of its row moves along and the row's widest combo gives up what would pass the window's edge.
// Controls of the `keep` ids stay as placed.
void FitTexts(QWidget* dialog, const std::vector<int>& keep);

}  // namespace dravik
