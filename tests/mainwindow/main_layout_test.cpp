#include <gtest/gtest.h>

#include <QMenuBar>
#include "mainwindow/event_list.h"

#include "controls/link_static.h"
#include "controls/sheen_button.h"
#include "history/history_dlg.h"
#include "mainwindow/monitor_dlg.h"
#include "platform/qt/dialog_builder.h"
#include "resources/resource_tables.h"
#include "tests/common/fake_settings_storage.h"
#include "tests/common/fake_sound.h"

namespace dravik {
namespace {

constexpr int kIdsMain[] = {1002, 1003, 1004, 1006, 1018, 1019, 1007, 1008, 1016, 1017, 1020};

// The window as it was before it could grow: the same template, the same widget classes, a fixed size.
std::unique_ptr<QDialog> ClassicMainWindow() {
    auto dialog = std::make_unique<QDialog>();
    BuildDialog(
        dialog.get(), *FindDialogTemplate(kDialogMain),
        [](const DialogControl& control, QWidget* parent) -> QWidget* {
            switch (control.id) {
                case 1002:
                    return new CSheenButton(QString::fromStdString(control.text), parent);
                case 1003:
                    return new CEventList(parent);
                case 1018:
                    return new CLinkStatic(parent);
                default:
                    return nullptr;
            }
        },
        FindMenuTemplate(kMenuMain));
    return dialog;
}

// Visible controls of a window (its menu bar too) that lie on each other, or outside the window.
std::vector<std::string> LayoutFaults(QWidget& window, const std::vector<QWidget*>& controls) {
    std::vector<std::string> faults;
    const auto name = [](const QWidget* w) { return w->objectName().toStdString(); };
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const QRect a = controls[i]->geometry();
        if (!window.rect().contains(a)) {
            faults.push_back(name(controls[i]) + " leaves the window");
        }
        for (std::size_t j = i + 1; j < controls.size(); ++j) {
            if (a.intersects(controls[j]->geometry())) {
                faults.push_back(name(controls[i]) + " overlaps " + name(controls[j]));
            }
        }
    }
    return faults;
}

class MainLayoutTest : public ::testing::Test {
protected:
    MainLayoutTest() {
        m_storage.StoreText(test::kFakeLangKey, "lang", "PL");
        MonitorServices services;
        services.sound = &m_sound;
        services.startFeedWorker = false;
        m_dlg = std::make_unique<CMonitorDlg>(nullptr, services);
    }

    // Where a control stands in the window: the list within its area, which holds the headline band above it
    // and stands where the list always stood.
    QWidget* Placed(int id) const {
        return id == 1003 ? m_dlg->findChild<QWidget*>(QString::fromLatin1(CMonitorDlg::kListAreaName))
                          : m_dlg->GetDlgItem(id);
    }

    std::vector<QWidget*> Controls() {
        std::vector<QWidget*> controls{m_dlg->m_menuBar};
        for (int id : kIdsMain) {
            controls.push_back(Placed(id));
        }
        return controls;
    }

    test::FakeSettingsStorage m_storage;
    test::ScopedSettingsStorage m_scoped{m_storage};
    test::FakeSound m_sound;
    std::unique_ptr<CMonitorDlg> m_dlg;
};

TEST_F(MainLayoutTest, AtTheTemplateSizeEveryControlStandsWhereItAlwaysStood) {
    auto classic = ClassicMainWindow();
    m_dlg->show();
    EXPECT_EQ(m_dlg->size(), classic->size());
    EXPECT_EQ(m_dlg->minimumSize(), classic->size());
    EXPECT_TRUE(m_dlg->windowFlags() & Qt::WindowMaximizeButtonHint);
    const QSize base = DialogBaseUnits(m_dlg->font());
    const int top = m_dlg->m_menuBar->height();
    for (const QSize& size : {classic->size(), classic->size() * 2, classic->size()}) {
        m_dlg->resize(size);
        EXPECT_EQ(m_dlg->m_menuBar->geometry() == classic->findChild<QMenuBar*>()->geometry(), size == classic->size());
        for (const DialogControl& control : FindDialogTemplate(kDialogMain)->controls) {
            const QRect rect = Placed(control.id)->geometry();
            if (size == classic->size()) {
                EXPECT_EQ(rect, FindControl(classic.get(), control.id)->geometry()) << control.id;
                if (control.kind != ControlKind::Static) {
                    EXPECT_EQ(rect,
                              DialogUnitsToPixels(base, control.x, control.y, control.w, control.h).translated(0, top))
                        << control.id;
                }
            } else {
                EXPECT_NE(rect, FindControl(classic.get(), control.id)->geometry()) << control.id << " moved";
            }
        }
    }
    EXPECT_TRUE(LayoutFaults(*m_dlg, Controls()).empty());
}

TEST_F(MainLayoutTest, GrownTheListAndMapTakeTheRoomAndTheBottomRowKeepsToTheEdge) {
    m_dlg->show();
    const QSize classic = m_dlg->size();
    const QRect list = Placed(1003)->geometry();
    const QRect map = m_dlg->GetDlgItem(1004)->geometry();
    std::map<int, QRect> bottomRow;
    for (int id : {1002, 1006, 1018, 1019, 1007, 1008, 1016, 1017, 1020}) {
        bottomRow[id] = m_dlg->GetDlgItem(id)->geometry();
    }
    for (double factor : {1.5, 2.0}) {
        const QSize size(static_cast<int>(classic.width() * factor), static_cast<int>(classic.height() * factor));
        m_dlg->resize(size);
        const QSize growth = size - classic;
        SCOPED_TRACE(factor);
        EXPECT_EQ(LayoutFaults(*m_dlg, Controls()), std::vector<std::string>{});

        const QRect grownList = Placed(1003)->geometry();
        const QRect grownMap = m_dlg->GetDlgItem(1004)->geometry();
        EXPECT_EQ(grownList.width(), list.width() + growth.width());
        EXPECT_EQ(grownMap.width(), map.width() + growth.width());
        EXPECT_NEAR(grownList.height() - list.height(), 0.4 * growth.height(), 1);
        EXPECT_EQ(grownList.height() - list.height() + grownMap.height() - map.height(), growth.height());
        EXPECT_EQ(grownMap.top() - grownList.bottom(), map.top() - list.bottom());
        for (const auto& [id, rect] : bottomRow) {
            const QRect now = m_dlg->GetDlgItem(id)->geometry();
            EXPECT_EQ(size.height() - now.bottom(), classic.height() - rect.bottom()) << id;
            const bool right = id == 1002 || id == 1018;
            EXPECT_EQ(now.left(), rect.left() + (right ? growth.width() : 0)) << id;
        }
    }
}

TEST(HistoryLayoutTest, GrownTheListAndChartShareTheRoom) {
    test::FakeSettingsStorage storage;
    test::ScopedSettingsStorage scoped(storage);
    CHistoryDlg dlg;
    dlg.show();
    const QSize classic = dlg.size();
    EXPECT_EQ(dlg.minimumSize(), classic);
    QWidget* list = FindControl(&dlg, 1012);
    QWidget* chart = FindControl(&dlg, 1013);
    const QRect listAt = list->geometry();
    const QRect chartAt = chart->geometry();
    const QRect closeAt = FindControl(&dlg, kIdCancel)->geometry();
    std::vector<QWidget*> controls;
    for (QWidget* child : dlg.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        // The etched frame surrounds the others, and button 1002 is never shown.
        const bool frame = ControlId(child) == kNoControlId && child->inherits("QFrame") && !child->inherits("QLabel");
        if (!frame && !child->isHidden() && !child->isWindow()) {
            controls.push_back(child);
        }
    }
    ASSERT_GE(controls.size(), 11u);
    for (double factor : {1.5, 2.0}) {
        SCOPED_TRACE(factor);
        const QSize size(static_cast<int>(classic.width() * factor), static_cast<int>(classic.height() * factor));
        dlg.resize(size);
        const QSize growth = size - classic;
        EXPECT_EQ(LayoutFaults(dlg, controls), std::vector<std::string>{});
        EXPECT_EQ(list->width(), listAt.width() + growth.width());
        EXPECT_EQ(chart->width(), chartAt.width() + growth.width());
        EXPECT_EQ(list->height() - listAt.height() + chart->height() - chartAt.height(), growth.height());
        EXPECT_NEAR(chart->height() - chartAt.height(), growth.height() / 2.0, 1);
        EXPECT_EQ(FindControl(&dlg, kIdCancel)->geometry(), closeAt.translated(growth.width(), growth.height()));
    }
    dlg.resize(classic);
    EXPECT_EQ(list->geometry(), listAt);
    EXPECT_EQ(chart->geometry(), chartAt);
}

}  // namespace
}  // namespace dravik
