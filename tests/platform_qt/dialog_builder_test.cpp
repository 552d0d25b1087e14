#include "platform/qt/dialog_builder.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>
#include <memory>

#include <gtest/gtest.h>

#include "resources/resource_tables.h"

namespace dravik {
namespace {

// The expected pixel rectangle of a control, computed here from the base units alone.
QRect Expected(const QSize& base, int x, int y, int w, int h) {
    auto scale = [](int v, int unit, int div) { return (v * unit + div / 2) / div; };
    return {scale(x, base.width(), 4), scale(y, base.height(), 8), scale(w, base.width(), 4),
            scale(h, base.height(), 8)};
}

std::unique_ptr<QDialog> Build(int id, const ControlFactory& factory = nullptr, const MenuTemplate* menu = nullptr) {
    auto dialog = std::make_unique<QDialog>();
    const DialogTemplate* tmpl = FindDialogTemplate(id);
    EXPECT_NE(tmpl, nullptr);
    if (tmpl != nullptr) {
        BuildDialog(dialog.get(), *tmpl, factory, menu);
    }
    return dialog;
}

TEST(DialogBuilderTest, DialogUnitsFollowTheDialogFont) {
    QFont small;
    small.setPointSize(8);
    QFont large = small;
    large.setPointSize(16);
    const QSize a = DialogBaseUnits(small);
    const QSize b = DialogBaseUnits(large);
    EXPECT_GE(a.width(), 3);
    EXPECT_GE(a.height(), 8);
    EXPECT_GT(b.width(), a.width());
    EXPECT_GT(b.height(), a.height());
    EXPECT_EQ(DialogUnitsToPixels(QSize(6, 13), 26, 12, 35, 10), QRect(39, 20, 53, 16));
    EXPECT_EQ(DialogUnitsToPixels(QSize(7, 14), 4, 8, 1, 3), QRect(7, 14, 2, 5));
}

TEST(DialogBuilderTest, LanguageDialogControlsAtTheirPixelRectangles) {
    auto dialog = Build(kDialogLanguage);
    const QSize base = DialogBaseUnits(dialog->font());
    EXPECT_EQ(dialog->font().pointSize(), 8);
    EXPECT_EQ(dialog->windowTitle(), QString::fromUtf8("Język programu (language)"));
    EXPECT_EQ(dialog->size(), Expected(base, 0, 0, 186, 66).size());

    struct Case {
        int id;
        const char* text;
        QRect units;
    };
    const Case cases[] = {
        {1007, "Polski", {26, 12, 35, 10}},
        {1008, "English", {115, 12, 39, 10}},
        {kIdOk, "Dalej", {65, 44, 50, 14}},
        {kIdCancel, "Zakończ", {123, 44, 50, 14}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        auto* button = qobject_cast<QAbstractButton*>(FindControl(dialog.get(), c.id));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), QString::fromUtf8(c.text));
        EXPECT_EQ(button->geometry(), Expected(base, c.units.x(), c.units.y(), c.units.width(), c.units.height()));
        EXPECT_EQ(ControlId(button), c.id);
    }
    EXPECT_NE(qobject_cast<QRadioButton*>(FindControl(dialog.get(), 1007)), nullptr);
    EXPECT_TRUE(qobject_cast<QPushButton*>(FindControl(dialog.get(), kIdOk))->isDefault());
    EXPECT_FALSE(qobject_cast<QPushButton*>(FindControl(dialog.get(), kIdCancel))->isDefault());
    EXPECT_EQ(FindControl(dialog.get(), 4242), nullptr);

    // The etched frame around the radio buttons, created after them, must not take their clicks.
    dialog->show();
    QWidget* english = FindControl(dialog.get(), 1008);
    EXPECT_EQ(dialog->childAt(english->geometry().center()), english);
}

TEST(DialogBuilderTest, AboutBoxIconAndUncutLabels) {
    auto dialog = Build(kDialogAbout);
    const QSize base = DialogBaseUnits(dialog->font());
    const QList<QLabel*> labels = dialog->findChildren<QLabel*>();
    int icons = 0;
    for (QLabel* label : labels) {
        if (!label->pixmap().isNull()) {
            ++icons;
            EXPECT_EQ(label->geometry(), QRect(Expected(base, 11, 17, 20, 20).topLeft(), QSize(32, 32)));
            continue;
        }
        // A label keeps its place and shows its whole text, within the dialog.
        EXPECT_GE(label->width(), std::min(label->sizeHint().width(), dialog->width() - label->x()))
            << label->text().toStdString();
        EXPECT_LE(label->geometry().right(), dialog->width());
    }
    EXPECT_EQ(icons, 1);
}

TEST(DialogBuilderTest, OkAndCancelButtonsEndTheDialog) {
    auto dialog = Build(kDialogLanguage);
    qobject_cast<QPushButton*>(FindControl(dialog.get(), kIdOk))->click();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    auto other = Build(kDialogLanguage);
    other->setResult(QDialog::Accepted);
    qobject_cast<QPushButton*>(FindControl(other.get(), kIdCancel))->click();
    EXPECT_EQ(other->result(), QDialog::Rejected);
}

TEST(DialogBuilderTest, HistoryDialogKindsGroupsAndHiddenButton) {
    auto dialog = Build(kDialogHistory);
    const QSize base = DialogBaseUnits(dialog->font());
    dialog->show();

    auto* list = qobject_cast<QTreeWidget*>(FindControl(dialog.get(), 1012));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->geometry(), Expected(base, 7, 29, 320, 165));
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_FALSE(list->rootIsDecorated());

    auto* from = qobject_cast<QDateEdit*>(FindControl(dialog.get(), 1010));
    ASSERT_NE(from, nullptr);
    EXPECT_TRUE(from->calendarPopup());
    EXPECT_TRUE(from->displayFormat().contains(QLatin1String("yyyy")));
    EXPECT_EQ(from->geometry(), Expected(base, 44, 7, 54, 15));

    auto* combo = qobject_cast<QComboBox*>(FindControl(dialog.get(), 1014));
    ASSERT_NE(combo, nullptr);
    const QRect comboRect = Expected(base, 172, 7, 155, 161);
    EXPECT_EQ(combo->geometry().topLeft(), comboRect.topLeft());
    EXPECT_EQ(combo->width(), comboRect.width());
    EXPECT_FALSE(combo->isEditable());

    EXPECT_FALSE(FindControl(dialog.get(), 1002)->isVisible());  // created hidden and stays so
    EXPECT_TRUE(FindControl(dialog.get(), 1013)->isVisible());
    EXPECT_EQ(FindControl(dialog.get(), 1013)->geometry(), Expected(base, 7, 198, 320, 61));

    // Two radio groups: checking one in each group leaves both checked.
    EXPECT_EQ(CheckedRadioIndex(dialog.get(), 1007), -1);
    SetCheckedRadioIndex(dialog.get(), 1007, 0);
    SetCheckedRadioIndex(dialog.get(), 1016, 1);
    EXPECT_EQ(CheckedRadioIndex(dialog.get(), 1007), 0);
    EXPECT_EQ(CheckedRadioIndex(dialog.get(), 1016), 1);
    qobject_cast<QRadioButton*>(FindControl(dialog.get(), 1008))->click();
    EXPECT_EQ(CheckedRadioIndex(dialog.get(), 1007), 1);
    EXPECT_TRUE(qobject_cast<QRadioButton*>(FindControl(dialog.get(), 1017))->isChecked());
}

TEST(DialogBuilderTest, MainDialogWithMenuAndFactory) {
    QLabel* browser = nullptr;
    const ControlFactory factory = [&](const DialogControl& control, QWidget* parent) -> QWidget* {
        if (control.kind == ControlKind::Browser) {
            browser = new QLabel(QStringLiteral("map"), parent);
            return browser;
        }
        return nullptr;
    };
    auto dialog = Build(kDialogMain, factory, FindMenuTemplate(kMenuMain));
    const QSize base = DialogBaseUnits(dialog->font());
    auto* bar = dialog->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    const int top = bar->height();
    EXPECT_GT(top, 0);
    EXPECT_EQ(dialog->height(), Expected(base, 0, 0, 459, 413).height() + top);

    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(FindControl(dialog.get(), 1004), browser);
    EXPECT_EQ(browser->geometry(), Expected(base, 7, 144, 445, 229).translated(0, top));
    EXPECT_EQ(FindControl(dialog.get(), 1003)->geometry(), Expected(base, 7, 6, 445, 135).translated(0, top));
    EXPECT_EQ(qobject_cast<QTreeWidget*>(FindControl(dialog.get(), 1003))->selectionMode(),
              QAbstractItemView::SingleSelection);
    EXPECT_EQ(qobject_cast<QCheckBox*>(FindControl(dialog.get(), 1006))->text(), QString::fromUtf8("Pokaż na mapie"));

    // The four map kinds form one group.
    for (int index : {3, 1, 0}) {
        SetCheckedRadioIndex(dialog.get(), 1007, index);
        EXPECT_EQ(CheckedRadioIndex(dialog.get(), 1007), index);
    }

    struct Command {
        int id;
        const char* text;
        const char* shortcut;
    };
    for (const Command& c :
         {Command{kCmdHide, "&Ukryj", "Ctrl+W"}, Command{kCmdSettings, "U&stawienia...", "Ctrl+,"},
          Command{kCmdChangeLanguage, "Zmień &język...", ""}, Command{kCmdMenuClose, "&Zamknij", "Ctrl+Q"},
          Command{kCmdHistory, "&Historia", "Ctrl+H"}, Command{kCmdAbout, "&O programie", ""}}) {
        QAction* action = FindCommand(bar, c.id);
        ASSERT_NE(action, nullptr) << c.id;
        EXPECT_EQ(action->text(), QString::fromUtf8(c.text));
        EXPECT_EQ(CommandId(action), c.id);
        EXPECT_EQ(action->shortcut(), QKeySequence(QString::fromLatin1(c.shortcut))) << c.text;
    }
    EXPECT_EQ(FindCommand(bar, kCmdShowList), nullptr);
}

// Every entry of a menu level opens with a letter of its own, Alt+letter on the bar.
TEST(DialogBuilderTest, MainMenuEntriesHaveDistinctMnemonics) {
    QWidget window;
    QMenuBar* bar = BuildMenuBar(*FindMenuTemplate(kMenuMain), &window);
    const auto check = [](const QList<QAction*>& actions, const char* level) {
        QList<QKeySequence> seen;
        for (QAction* action : actions) {
            if (action->isSeparator()) {
                continue;
            }
            const QKeySequence key = QKeySequence::mnemonic(action->text());
            EXPECT_FALSE(key.isEmpty()) << level << ": " << action->text().toStdString();
            EXPECT_FALSE(seen.contains(key)) << level << ": " << action->text().toStdString();
            seen << key;
        }
    };
    check(bar->actions(), "bar");
    EXPECT_EQ(QKeySequence::mnemonic(bar->actions().at(0)->text()), QKeySequence(Qt::ALT | Qt::Key_P));
    for (QAction* top : bar->actions()) {
        if (top->menu() != nullptr) {
            check(top->menu()->actions(), top->text().toUtf8().constData());
        }
    }
}

TEST(DialogBuilderTest, F10OpensTheMenuBarAndAShortcutRunsItsCommand) {
    QDialog window;
    window.resize(300, 200);
    QMenuBar* bar = BuildMenuBar(*FindMenuTemplate(kMenuMain), &window);
    auto* edit = new QLineEdit(&window);
    edit->move(10, 60);
    std::vector<int> triggered;
    QObject::connect(bar, &QMenuBar::triggered, [&](QAction* action) { triggered.push_back(CommandId(action)); });
    window.show();
    QApplication::setActiveWindow(&window);
    edit->setFocus();
    ASSERT_EQ(bar->activeAction(), nullptr);
    QTest::keyClick(edit, Qt::Key_F10);
    ASSERT_NE(bar->activeAction(), nullptr);
    EXPECT_EQ(bar->activeAction(), bar->actions().at(0));
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);

    QTest::keyClick(edit, Qt::Key_H, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Comma, Qt::ControlModifier);
    EXPECT_EQ(triggered, (std::vector<int>{kCmdHistory, kCmdSettings}));
}

TEST(DialogBuilderTest, TemplateTabOrderIsTheOneTabFollows) {
    auto dialog = Build(kDialogHistory);
    SetCheckedRadioIndex(dialog.get(), 1007, 0);
    SetCheckedRadioIndex(dialog.get(), 1016, 0);
    dialog->show();
    QApplication::setActiveWindow(dialog.get());
    const std::vector<int>& order = FindDialogTemplate(kDialogHistory)->tabOrder;
    ASSERT_FALSE(order.empty());
    FindControl(dialog.get(), order.front())->setFocus(Qt::TabFocusReason);
    // The control that holds the focus, itself or through a part of it (a date picker's field).
    const auto focused = [] {
        QWidget* w = QApplication::focusWidget();
        while (w != nullptr && ControlId(w) == kNoControlId) {
            w = w->parentWidget();
        }
        return ControlId(w);
    };
    // A date picker takes Tab for its day, month and year first: each control counts once, in the order met.
    std::vector<int> visited{focused()};
    for (int presses = 0; presses < 40; ++presses) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        const int now = focused();
        if (visited.size() > 1 && now == visited.front()) {
            break;
        }
        if (now != visited.back()) {
            visited.push_back(now);
        }
    }
    // The hidden button and the unchecked radio buttons take no stop.
    const std::vector<int> expected = {1010, 1011, 1014, 1012, 1007, 1016, kIdCancel};
    EXPECT_EQ(visited, expected);
}

TEST(DialogBuilderTest, TrayPopupMenus) {
    for (int id : {kMenuTrayPolish, kMenuTrayEnglish}) {
        SCOPED_TRACE(id);
        std::unique_ptr<QMenu> menu(BuildPopupMenu(*FindMenuTemplate(id), 0, nullptr));
        ASSERT_NE(menu, nullptr);
        const QList<QAction*> actions = menu->actions();
        ASSERT_EQ(actions.size(), 5);
        EXPECT_EQ(CommandId(actions[0]), kCmdShowList);
        EXPECT_EQ(CommandId(actions[1]), kCmdChangeLanguage);
        // The settings item stands above the separator.
        EXPECT_EQ(CommandId(actions[2]), kCmdSettings);
        EXPECT_TRUE(actions[3]->isSeparator());
        EXPECT_EQ(CommandId(actions[4]), kCmdTrayClose);
        EXPECT_EQ(BuildPopupMenu(*FindMenuTemplate(id), 1, nullptr), nullptr);
    }
    std::unique_ptr<QMenu> english(BuildPopupMenu(*FindMenuTemplate(kMenuTrayEnglish), 0, nullptr));
    EXPECT_EQ(english->actions()[0]->text(), QStringLiteral("Show list"));
    std::unique_ptr<QMenu> polish(BuildPopupMenu(*FindMenuTemplate(kMenuTrayPolish), 0, nullptr));
    EXPECT_EQ(polish->actions()[1]->text(), QString::fromUtf8("Zmień język"));
}

TEST(DialogBuilderTest, SortedComboAddsAndFindsLikeTheSystemCombo) {
    auto dialog = Build(kDialogHistory);
    auto* combo = qobject_cast<QComboBox*>(FindControl(dialog.get(), 1014));
    for (const char* region : {"SOUTHERN GREECE", "ALASKA", "", "crete, greece"}) {
        AddComboString(combo, region);
    }
    EXPECT_EQ(AddComboString(combo, "WSZYSTKIE"), 4);
    QStringList entries;
    for (int i = 0; i < combo->count(); ++i) {
        entries << combo->itemText(i);
    }
    EXPECT_EQ(entries, (QStringList{"", "ALASKA", "crete, greece", "SOUTHERN GREECE", "WSZYSTKIE"}));

    EXPECT_EQ(FindComboString(combo, 0, "alaska"), 1);
    EXPECT_EQ(FindComboString(combo, 0, "CRETE"), 2);
    EXPECT_EQ(FindComboString(combo, 0, "WSZ"), 4);
    EXPECT_EQ(FindComboString(combo, 4, "ALA"), 1);  // wraps round
    EXPECT_EQ(FindComboString(combo, 0, ""), 1);     // the entry after the start matches an empty prefix
    EXPECT_EQ(FindComboString(combo, 0, "JAPAN"), -1);

    QComboBox unsorted;
    AddComboString(&unsorted, "b");
    EXPECT_EQ(AddComboString(&unsorted, "a"), 1);
}

// A screen reader names each field by the label before it in the template, never by its value: the history
// window's date boxes by "Pokaż od" and "do", a combo box by its label whatever item is chosen. A label before
// anything but a field names nothing.
TEST(DialogBuilderTest, FieldsAreNamedByTheirLabelsNotTheirValues) {
    const DialogTemplate tmpl{
        1,
        "t",
        200,
        100,
        {
            {kNoControlId, ControlKind::Static, "Pokaż &od:", 0, 0, 40, 8, kStyleNone},
            {10, ControlKind::DatePicker, "", 40, 0, 50, 12, kStyleTabStop},
            {kNoControlId, ControlKind::Static, "Czas", 0, 20, 40, 8, kStyleNone},
            {11, ControlKind::ComboBox, "", 40, 20, 80, 40, kStyleTabStop},
            {kNoControlId, ControlKind::Static, "Opis", 0, 40, 40, 8, kStyleNone},
            {12, ControlKind::PushButton, "Zamknij", 40, 40, 50, 14, kStyleTabStop},
            {13, ControlKind::ComboBox, "", 40, 60, 80, 40, kStyleTabStop},
        },
    };
    QDialog dialog;
    BuildDialog(&dialog, tmpl, nullptr, nullptr);
    auto* combo = qobject_cast<QComboBox*>(FindControl(&dialog, 11));
    ASSERT_NE(combo, nullptr);
    combo->addItems({QStringLiteral("Klasyczny"), QStringLiteral("UTC")});
    combo->setCurrentIndex(1);
    const auto name = [&](int id) {
        QAccessibleInterface* exposed = QAccessible::queryAccessibleInterface(FindControl(&dialog, id));
        return exposed != nullptr ? exposed->text(QAccessible::Name).toStdString() : std::string("<none>");
    };
    EXPECT_EQ(name(10), "Pokaż od");
    EXPECT_EQ(name(11), "Czas");
    EXPECT_EQ(name(12), "Zamknij") << "a button keeps its own text";
    qobject_cast<QComboBox*>(FindControl(&dialog, 13))->addItem(QStringLiteral("WSZYSTKIE"));
    EXPECT_EQ(name(13), "WSZYSTKIE") << "without a label the item still says something";
    QAccessibleInterface* box = QAccessible::queryAccessibleInterface(combo);
    EXPECT_EQ(box->role(), QAccessible::ComboBox);
    EXPECT_EQ(box->text(QAccessible::Value), QStringLiteral("UTC")) << "the chosen item is the value";
    ASSERT_EQ(box->childCount(), 1) << "the list of items is still reachable";
    EXPECT_EQ(box->child(0)->object(), combo->view());
    const auto* label = qobject_cast<QLabel*>(dialog.findChildren<QLabel*>().value(0));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->buddy(), FindControl(&dialog, 10)) << "the label's mnemonic reaches its field";
}

}  // namespace
}  // namespace dravik
