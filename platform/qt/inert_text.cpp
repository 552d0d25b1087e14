#include "platform/qt/inert_text.h"

#include <QTextDocument>

namespace dravik {

QString InertText(const QString& text) {
    if (!Qt::mightBeRichText(text)) {
        return text;
    }
    return QStringLiteral("<p style=\"white-space:pre-wrap\">") + text.toHtmlEscaped() + QStringLiteral("</p>");
}

}  // namespace dravik
