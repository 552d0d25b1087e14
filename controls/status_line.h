#pragma once

class QLabel;
class QString;

namespace dravik {

// Puts text in a status label. A problem (an archive that cannot be written, a source that cannot be read)
// stands out: the style's warning icon before the text and the text in the palette's warning colour. The
// label's text stays the text given.
void ShowStatusText(QLabel* label, const QString& text, bool problem);
// Whether the label shows its text as a problem.
bool StatusShowsProblem(const QLabel* label);

}  // namespace dravik
