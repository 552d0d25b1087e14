#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QWidget>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/about_dlg.h"
#include "app/language_dlg.h"
#include "app/settings_dlg.h"

namespace dravik {
namespace {

// Tab from the first stop round to it again; each stop's top-left corner in the dialog. The stops are added to
// reached when given.
std::vector<QPoint> TabStops(QDialog& dialog, std::set<QWidget*>* reached = nullptr) {
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    // The first control that takes the focus by Tab, as the window's opening gives it.
    QWidget* candidate = &dialog;
    do {
        candidate = candidate->nextInFocusChain();
    } while (candidate != &dialog && !((candidate->focusPolicy() & Qt::TabFocus) != 0 &&
                                       candidate->isVisibleTo(&dialog) && candidate->isEnabled()));
    candidate->setFocus(Qt::TabFocusReason);
    QWidget* first = QApplication::focusWidget();
    std::vector<QPoint> stops;
    if (first == nullptr) {
        return stops;
    }
    stops.push_back(first->mapTo(&dialog, QPoint(0, 0)));
    for (int presses = 0; presses < 60; ++presses) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* now = QApplication::focusWidget();
        if (now == first || now == nullptr) {
            break;
        }
        stops.push_back(now->mapTo(&dialog, QPoint(0, 0)));
        if (reached != nullptr) {
            reached->insert(now);
        }
    }
    return stops;
}

// Tab reads a window as the eye does: down the rows, and along a row from left to right.
std::string BackwardSteps(const std::vector<QPoint>& stops) {
    std::string faults;
    constexpr int kSameRow = 6;  // pixels: controls of one row differ a little in height
    for (std::size_t i = 1; i < stops.size(); ++i) {
        const QPoint a = stops[i - 1];
        const QPoint b = stops[i];
        const bool up = b.y() < a.y() - kSameRow;
        const bool leftInRow = std::abs(b.y() - a.y()) <= kSameRow && b.x() < a.x();
        if (up || leftInRow) {
            faults += "stop " + std::to_string(i) + " goes back; ";
        }
    }
    return faults;
}

TEST(TabOrderTest, SettingsLanguageAndAboutWindowsAreReadTopDownLeftToRight) {
    {
        // Page by page: the page titles, each page's fields and boxes, then OK and Cancel.
        CSettingsDlg settings(AlertSettings{}, "PL");
        std::set<QWidget*> reached;
        for (int page = 0; page < settings.Pages()->count(); ++page) {
            settings.Pages()->setCurrentIndex(page);
            const std::vector<QPoint> stops = TabStops(settings, &reached);
            EXPECT_EQ(BackwardSteps(stops), "") << "settings page " << page;
        }
        // Every field, the three boxes, the time display and the two buttons.
        EXPECT_GE(reached.size(), 17u);
        for (QAbstractButton* button : settings.findChild<QDialogButtonBox*>()->buttons()) {
            EXPECT_EQ(reached.count(button), 1u) << button->text().toStdString();
        }
        for (QWidget* field :
             {static_cast<QWidget*>(settings.Field(AlertField::Latitude)), static_cast<QWidget*>(settings.TimeBox()),
              static_cast<QWidget*>(settings.SessionBox()), static_cast<QWidget*>(settings.EsriKeyField())}) {
            EXPECT_EQ(reached.count(field), 1u) << field->objectName().toStdString();
        }
    }
    {
        CLanguageDlg language;
        const std::vector<QPoint> stops = TabStops(language);
        EXPECT_EQ(stops.size(), 3u) << "the language (one group), Dalej, Zakończ";
        EXPECT_EQ(BackwardSteps(stops), "") << "language";
    }
    {
        CAboutDlg about(std::vector<std::string>{"https://www.seismicportal.eu/"});
        EXPECT_EQ(TabStops(about).size(), 1u) << "only OK";
    }
}

}  // namespace
}  // namespace dravik
