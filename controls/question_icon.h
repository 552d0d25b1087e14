#pragma once

#include <QPixmap>

class QMessageBox;

namespace dravik {

// A question mark in a disc, drawn for the screen's pixels (size logical pixels at ratio device pixels each):
// the style's own is a small bitmap that a scale of 2 blows up into blocks.
QPixmap QuestionIcon(int size, qreal ratio, const QColor& disc, const QColor& mark);

// The message box shows the drawn question mark at its screen's ratio, the size the style gives its icons.
void UseSharpQuestionIcon(QMessageBox* box);

}  // namespace dravik
