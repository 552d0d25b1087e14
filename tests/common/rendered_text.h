#pragma once

#include <QString>
#include <QStringList>
#include <QTextDocument>
#include <QUrl>
#include <QVariant>

namespace dravik::test {

// Lays a text out as a tooltip or an auto-format label does (rich text when Qt guesses it) and records every
// resource, an image's file among them, that the layout asks for.
class RenderedText final : public QTextDocument {
public:
    explicit RenderedText(const QString& text) {
        if (Qt::mightBeRichText(text)) {
            setHtml(text);
        } else {
            setPlainText(text);
        }
        // Images are asked for when the text is laid out.
        static_cast<void>(size());
    }

    QStringList asked;

protected:
    QVariant loadResource(int type, const QUrl& name) override {
        asked << name.toString();
        return QTextDocument::loadResource(type, name);
    }
};

}  // namespace dravik::test
