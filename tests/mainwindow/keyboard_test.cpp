#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include "mainwindow/event_list_view.h"
#include "mainwindow/monitor_dlg.h"
#include "platform/qt/dialog_builder.h"
#include "resources/resource_tables.h"
#include "tests/common/fake_settings_storage.h"
#include "tests/common/fake_sound.h"
#include "tests/common/test_hooks.h"

namespace dravik {
namespace {

class MainKeyboardTest : public ::testing::Test {
protected:
    MainKeyboardTest() {
        m_storage.StoreText(test::kFakeLangKey, "lang", "PL");
        MonitorServices services;
        services.sound = &m_sound;
        services.startFeedWorker = false;
        m_dlg = std::make_unique<CMonitorDlg>(nullptr, services);
        m_dlg->OnInitDialog();
        for (int row = 0; row < 3; ++row) {
            QuakeEvent e;
            e.eventId = std::to_string(row);
            e.mag = std::to_string(row * 10);
            e.region = std::to_string(row * 10 + 1);
            InsertEventRow(*m_dlg->m_listEvents, m_dlg->m_imageList, row, e, -1);
        }
        m_dlg->show();
        QApplication::setActiveWindow(m_dlg.get());
    }

    // The control (by template id) that holds the focus, its own or through a child.
    int FocusedControl() const {
        for (QWidget* w = QApplication::focusWidget(); w != nullptr; w = w->parentWidget()) {
            if (ControlId(w) != kNoControlId) {
                return ControlId(w);
            }
            if (w == m_dlg.get()) {
                break;
            }
        }
        return kNoControlId;
    }

    test::FakeSettingsStorage m_storage;
    test::ScopedSettingsStorage m_scoped{m_storage};
    test::FakeSound m_sound;
    std::unique_ptr<CMonitorDlg> m_dlg;
};

TEST_F(MainKeyboardTest, TabVisitsTheListOnceThenTheMapControlsTheHideButtonAndTheLinkNeverTheMap) {
    m_dlg->m_listEvents->setFocus(Qt::TabFocusReason);
    std::vector<int> visited{FocusedControl()};
    for (int presses = 0; presses < 20; ++presses) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        const int now = FocusedControl();
        if (now == visited.front()) {
            break;
        }
        visited.push_back(now);
    }
    // The map kinds are one stop (the arrow keys move within them), the checked one; the plates' box follows.
    // The "significant only" box above the list (no template id) comes just before it; the headline band too
    // while it shows.
    const std::vector<int> expected = {1003, 1006, 1007, 1020, 1002, 1018, kNoControlId};
    EXPECT_EQ(visited, expected);
    EXPECT_EQ(FocusedControl(), 1003) << "round to the list again";
}

TEST_F(MainKeyboardTest, ArrowKeysMoveWithinTheListAndTabLeavesItFromAnyRow) {
    CEventList* list = m_dlg->m_listEvents;
    list->setFocus(Qt::TabFocusReason);
    list->setCurrentIndex(list->model()->index(0, 0));
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(list->currentIndex().row(), 2);
    QTest::keyClick(list, Qt::Key_Right);
    EXPECT_EQ(list->currentIndex().row(), 2);
    QTest::keyClick(list, Qt::Key_Tab);
    EXPECT_EQ(FocusedControl(), 1006);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(FocusedControl(), 1003);
    EXPECT_EQ(list->currentIndex().row(), 2) << "Tab does not move the row";
}

TEST_F(MainKeyboardTest, MenuOpensWithF10AndAltAndItsCommandsShowTheirKeys) {
    QMenuBar* bar = m_dlg->m_menuBar;
    ASSERT_NE(bar, nullptr);
    m_dlg->m_listEvents->setFocus();
    QTest::keyClick(m_dlg->m_listEvents, Qt::Key_F10);
    EXPECT_EQ(bar->activeAction(), bar->actions().at(0));
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);

    QTest::keyClick(m_dlg->m_listEvents, Qt::Key_A, Qt::AltModifier);
    QWidget* popup = QApplication::activePopupWidget();
    ASSERT_NE(popup, nullptr) << "Alt+A opens \"Analizy\"";
    EXPECT_EQ(qobject_cast<QMenu*>(popup)->title(), QStringLiteral("&Analizy"));
    QTest::keyClick(popup, Qt::Key_Escape);

    const struct {
        int command;
        QKeySequence key;
    } keys[] = {{kCmdSettings, QKeySequence(Qt::CTRL | Qt::Key_Comma)},
                {kCmdHistory, QKeySequence(Qt::CTRL | Qt::Key_H)},
                {kCmdHide, QKeySequence(Qt::CTRL | Qt::Key_W)}};
    for (const auto& k : keys) {
        QAction* action = FindCommand(bar, k.command);
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->shortcut(), k.key) << k.command;
    }
}

TEST_F(MainKeyboardTest, CtrlWHidesTheWindow) {
    QTest::keyClick(m_dlg->m_listEvents, Qt::Key_W, Qt::ControlModifier);
    EXPECT_TRUE(m_dlg->m_bHiddenToTray || m_dlg->isMinimized());
    EXPECT_FALSE(m_dlg->IsEnded());
}

}  // namespace
}  // namespace dravik
