#pragma once

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>
#include <QWidget>

// Every text a window shows or tells of: its title, labels, buttons, group boxes, combo entries, list headers,
// menus and their actions, tooltips and placeholders; and the texts among them that belong to another language.
namespace dravik::test {

inline void AddActionTexts(QAction* action, QStringList& texts) {
    texts << action->text() << action->toolTip();
    if (QMenu* menu = action->menu()) {
        texts << menu->title();
        for (QAction* child : menu->actions()) {
            AddActionTexts(child, texts);
        }
    }
}

inline QStringList ShownTexts(QWidget* window) {
    QStringList texts{window->windowTitle()};
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    widgets.prepend(window);
    for (QWidget* widget : widgets) {
        texts << widget->toolTip();
        for (QAction* action : widget->actions()) {
            AddActionTexts(action, texts);
        }
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            texts << label->text();
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            texts << button->text();
        } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
            texts << group->title();
        } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            for (int i = 0; i < combo->count(); ++i) {
                texts << combo->itemText(i);
            }
        } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            texts << edit->placeholderText();
        } else if (auto* view = qobject_cast<QAbstractItemView*>(widget); view != nullptr && view->model()) {
            for (int column = 0; column < view->model()->columnCount(); ++column) {
                texts << view->model()->headerData(column, Qt::Horizontal).toString();
            }
        }
    }
    texts.removeAll(QString());
    return texts;
}

// The texts that hold one of the letters or one of the words (whole words, case ignored, "&" marks dropped).
inline QStringList ForeignTexts(const QStringList& texts, const QString& letters, const QStringList& words) {
    QSet<QString> foreign;
    for (const QString& word : words) {
        foreign.insert(word.toLower());
    }
    QStringList found;
    static const QRegularExpression kNonLetters(QStringLiteral("[^\\p{L}]+"));
    for (const QString& text : texts) {
        QString plain = text;
        plain.remove(QLatin1Char('&'));
        bool hit = false;
        for (const QChar letter : letters) {
            hit = hit || plain.contains(letter, Qt::CaseInsensitive);
        }
        for (const QString& word : plain.split(kNonLetters, Qt::SkipEmptyParts)) {
            hit = hit || foreign.contains(word.toLower());
        }
        if (hit) {
            found << text;
        }
    }
    return found;
}

inline const QString kPolishLetters = QStringLiteral("ąęłóśźżćń");
inline const QStringList kPolishWords = {
    "Zamknij",     "Ustawienia", "Pokaż",   "Historia", "Schowaj",       "Dalej",     "Zakończ",  "Analizy",
    "Normalna",    "Satelita",   "Hybryda", "Fizyczna", "Archiwum",      "Słupki",    "Wartość",  "Energia",
    "Anuluj",      "Alarmy",     "Miejsce", "Godziny",  "Powiadomienia", "Wszystkie", "Dane",     "Pytanie",
    "Lokalizacja", "Szer",       "Dług",    "Głęb",     "Godzina",       "Nazwa",     "Włączone", "Ukryj",
    "programie",   "od",         "do",      "na",       "mapie",         "listę",     "Język",    "Uruchamiaj",
    "czas",        "klasyczny",  "Źródła",  "Adresy"};
// English words German must not show (the words both languages share, "Name", "Region", "Magnitude", "OK",
// "UTC", "Hybrid", "Radius", "Desktop", are left out).
inline const QStringList kEnglishWords = {
    "Close",     "Show",   "Settings", "Hide",    "History",       "Language", "Next",      "Cancel",
    "Alerts",    "Alert",  "Home",     "Quiet",   "Notifications", "Map",      "Satellite", "Terrain",
    "Lines",     "Bars",   "Energy",   "Loading", "Time",          "Date",     "Depth",     "Lat",
    "Long",      "About",  "Seismic",  "data",    "from",          "to",       "of",        "the",
    "and",       "Change", "list",     "ALL",     "Quit",          "Analyses", "Program",   "Latitude",
    "Longitude", "Within", "hours",    "Always",  "wake",          "classic",  "local",     "Addresses",
    "Start",     "session"};

}  // namespace dravik::test
