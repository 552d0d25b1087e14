#pragma once

class QLabel;
class QString;

namespace dravik {

// Puts text in a status label. A problem (an archive that cannot be written, a source that cannot be read)
// stands out: the style's warning icon before the text and the text in the palette's warning colour. The
// label's text stays the text given; a text wider than the label is drawn cut with an ellipsis, and the whole
// text is the label's tooltip and accessible description, so nothing said is lost.
void ShowStatusText(QLabel* label, const QString& text, bool problem);
// Whether the label shows its text as a problem.
bool StatusShowsProblem(const QLabel* label);
// The text as the label draws it at its present width (the whole text when it fits).
QString StatusShownText(const QLabel* label);

}  // namespace dravik
