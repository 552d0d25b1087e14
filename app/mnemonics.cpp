#include "app/mnemonics.h"

#include <QAbstractButton>
#include <QLabel>
#include <QWidget>

namespace dravik {

namespace {

// Where the text's own mnemonic stands (the index of its letter), or -1.
int OwnMnemonic(const QString& text) {
    for (int i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('&')) {
            if (text.at(i + 1) != QLatin1Char('&')) {
                return i + 1;
            }
            ++i;
        }
    }
    return -1;
}

}  // namespace

QString WithMnemonic(const QString& text, QSet<QChar>* used) {
    if (const int own = OwnMnemonic(text); own >= 0) {
        used->insert(text.at(own).toLower());
        return text;
    }
    const auto free = [&](int i) { return text.at(i).isLetter() && !used->contains(text.at(i).toLower()); };
    int chosen = -1;
    for (int i = 0; i < text.size() && chosen < 0; ++i) {
        const bool wordStart = i == 0 || !text.at(i - 1).isLetterOrNumber();
        if (wordStart && free(i)) {
            chosen = i;
        }
    }
    for (int i = 0; i < text.size() && chosen < 0; ++i) {
        if (free(i) && !(i > 0 && text.at(i - 1) == QLatin1Char('&'))) {
            chosen = i;
        }
    }
    if (chosen < 0) {
        return text;
    }
    used->insert(text.at(chosen).toLower());
    QString marked = text;
    marked.insert(chosen, QLatin1Char('&'));
    return marked;
}

void GiveMnemonics(QWidget* root, QSet<QChar>* used) {
    for (QWidget* widget : root->findChildren<QWidget*>()) {
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            // A label without a field would show its "&": only those that lead to a field take one.
            if (label->buddy() != nullptr && label->textFormat() != Qt::RichText) {
                label->setText(WithMnemonic(label->text(), used));
            }
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            if (!button->text().isEmpty()) {
                button->setText(WithMnemonic(button->text(), used));
            }
        }
    }
}

}  // namespace dravik
