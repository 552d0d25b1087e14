#include "app/mnemonics.h"

#include <QAbstractButton>
#include <QLabel>
#include <QWidget>
#include <algorithm>
#include <vector>

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
    // Texts with few letters choose first: a long one has more letters left to choose from.
    struct Text {
        QWidget* widget;
        int letters;
    };
    std::vector<Text> texts;
    for (QWidget* widget : root->findChildren<QWidget*>()) {
        auto* label = qobject_cast<QLabel*>(widget);
        auto* button = qobject_cast<QAbstractButton*>(widget);
        // A label without a field would show its "&": only those that lead to a field take one.
        const bool named = label != nullptr && label->buddy() != nullptr && label->textFormat() != Qt::RichText;
        const QString text = named ? label->text() : button != nullptr ? button->text() : QString();
        if (text.isEmpty()) {
            continue;
        }
        QSet<QChar> letters;
        for (QChar c : text) {
            if (c.isLetter()) {
                letters.insert(c.toLower());
            }
        }
        texts.push_back({widget, static_cast<int>(letters.size())});
    }
    std::stable_sort(texts.begin(), texts.end(), [](const Text& a, const Text& b) { return a.letters < b.letters; });
    for (const Text& text : texts) {
        if (auto* label = qobject_cast<QLabel*>(text.widget)) {
            label->setText(WithMnemonic(label->text(), used));
        } else if (auto* button = qobject_cast<QAbstractButton*>(text.widget)) {
            button->setText(WithMnemonic(button->text(), used));
        }
    }
}

}  // namespace dravik
