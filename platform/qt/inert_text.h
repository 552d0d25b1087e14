#pragma once

#include <QString>

namespace dravik {

// Text from a source, a file or the user for a place where Qt guesses rich text by content (a tooltip, the tray's
// tooltip and balloon title, a label left at Qt::AutoText): shown as the text itself. Text that looks like markup
// is escaped and wrapped as rich text, lines kept, so no tag in it is ever read (an <img> would make Qt open a
// file); other text is returned as it is. Labels and message boxes that only ever show such text take
// Qt::PlainText instead.
QString InertText(const QString& text);

}  // namespace dravik
