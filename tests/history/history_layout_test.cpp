#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QStyle>
#include <QTableView>
#include <cstdlib>
#include <string>
#include <vector>

#include "history/chart_frame.h"
#include "history/history_chart.h"
#include "history/history_dlg.h"
#include "platform/qt/dialog_builder.h"
#include "store/event_table.h"
#include "tests/common/fake_settings_storage.h"
#include "tests/common/process_events.h"
#include "tests/common/test_env.h"

// Run at 1x and, by a second registration, with QT_SCALE_FACTOR=2.
namespace dravik {
namespace {

bool Loaded(const CHistoryDlg& dlg) {
    return test::ProcessEventsUntil([&dlg] { return !dlg.IsLoading(); });
}

std::string EmptyArchive() {
    const std::string path = test::MakeTempDir("history-layout") + "/dravik.dat";
    CreateEventTable(path);
    return path;
}

// The width a control's text takes and the width it has for it.
int TextWidth(const QWidget* w, const QString& text) {
    return w->fontMetrics().horizontalAdvance(text);
}

TEST(HistoryLayout, EveryTextFitsItsControlInEveryLanguageAndTheChartTakesAThird) {
    if (std::getenv("DRAVIK_EXPECT_HIDPI") != nullptr) {
        ASSERT_EQ(qApp->devicePixelRatio(), 2.0);
    }
    const std::string path = EmptyArchive();
    for (const char* lang : {"PL", "EN", "DE"}) {
        SCOPED_TRACE(lang);
        test::FakeSettingsStorage storage;
        test::ScopedSettingsStorage scoped(storage);
        storage.StoreText(test::kFakeLangKey, "lang", lang);
        CHistoryDlg::Options options;
        options.databasePath = path;
        options.places = [] { return std::vector<Place>{Place{"Dom", 52.23, 21.01}}; };
        CHistoryDlg dlg(options);
        ASSERT_TRUE(Loaded(dlg));
        dlg.show();
        QApplication::processEvents();

        std::vector<QRect> texts;
        std::vector<std::string> names;
        for (QWidget* w : dlg.findChildren<QWidget*>()) {
            if (!w->isVisibleTo(&dlg) || w->parentWidget() != &dlg) {
                continue;
            }
            if (auto* label = qobject_cast<QLabel*>(w)) {
                if (label->text().isEmpty()) {
                    continue;
                }
                EXPECT_LE(TextWidth(label, label->text()), label->contentsRect().width())
                    << label->text().toStdString();
                EXPECT_LE(label->fontMetrics().height(), label->height()) << label->text().toStdString();
                texts.push_back(label->geometry());
                names.push_back(label->text().toStdString());
            } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
                EXPECT_LE(button->sizeHint().width(), button->width()) << button->text().toStdString();
                EXPECT_LE(button->fontMetrics().height(), button->height()) << button->text().toStdString();
                texts.push_back(button->geometry());
                names.push_back(button->text().toStdString());
            } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
                EXPECT_LE(combo->minimumSizeHint().width(), combo->width());
                EXPECT_LE(TextWidth(combo, combo->currentText()), combo->width()) << combo->currentText().toStdString();
                texts.push_back(combo->geometry());
                names.push_back("combo");
            }
        }
        // Widened texts pushed their neighbours along rather than under them, and stay in the window.
        for (std::size_t i = 0; i < texts.size(); ++i) {
            EXPECT_TRUE(dlg.rect().contains(texts[i])) << i;
            for (std::size_t j = i + 1; j < texts.size(); ++j) {
                EXPECT_FALSE(texts[i].intersects(texts[j])) << names[i] << " " << names[j] << " " << texts[i].y() << "+"
                                                            << texts[i].height() << " " << texts[j].y();
            }
        }

        auto* list = qobject_cast<QTableView*>(FindControl(&dlg, 1012));
        ASSERT_NE(list, nullptr);
        QHeaderView* header = list->horizontalHeader();
        for (int c = 0; c < header->count(); ++c) {
            const QString text = list->model()->headerData(c, Qt::Horizontal).toString();
            EXPECT_LE(header->fontMetrics().horizontalAdvance(text) + 8, header->sectionSize(c)) << text.toStdString();
        }
        // The columns fill the list, the region taking what the window gains.
        const int regionWidth = header->sectionSize(1);
        EXPECT_GE(header->length(), list->viewport()->width() - 1);
        dlg.resize(dlg.width() + 300, dlg.height() + 300);
        QApplication::processEvents();
        EXPECT_GE(header->sectionSize(1), regionWidth + 280);
        dlg.resize(dlg.minimumSize());
        QApplication::processEvents();

        auto* chart = qobject_cast<CChartFrame*>(FindControl(&dlg, 1013));
        ASSERT_NE(chart, nullptr);
        EXPECT_GE(chart->height() * 3, dlg.height());
    }
}

TEST(HistoryLayout, ValueAxisTitledEnergyRelativeNotJoules) {
    test::FakeSettingsStorage storage;
    test::ScopedSettingsStorage scoped(storage);
    storage.StoreText(test::kFakeLangKey, "lang", "EN");
    CHistoryDlg::Options options;
    options.databasePath = EmptyArchive();
    CHistoryDlg dlg(options);
    ASSERT_TRUE(Loaded(dlg));
    qobject_cast<QAbstractButton*>(FindControl(&dlg, 1008))->click();
    ASSERT_TRUE(Loaded(dlg));
    const ChartGeometry chart = dlg.CurrentChart();
    bool titled = false;
    for (const ChartLabel& label : chart.labels) {
        if (label.align == LabelAlign::kLeft) {
            titled = true;
            EXPECT_EQ(label.text, "Relative energy (M1 = 3, ×2 per unit)");
            // Above the plot, clear of the top tick's label.
            EXPECT_LE(label.box.bottom, chart.plot.top - 2);
        }
    }
    EXPECT_TRUE(titled);
}

TEST(HistoryLayout, LoadingIsSaidInTheListWhileAReadRuns) {
    test::FakeSettingsStorage storage;
    test::ScopedSettingsStorage scoped(storage);
    storage.StoreText(test::kFakeLangKey, "lang", "DE");
    CHistoryDlg::Options options;
    options.databasePath = EmptyArchive();
    CHistoryDlg dlg(options);
    auto* list = qobject_cast<QTableView*>(FindControl(&dlg, 1012));
    ASSERT_NE(list, nullptr);
    const auto note = [list]() -> QLabel* {
        for (QLabel* label : list->viewport()->findChildren<QLabel*>()) {
            if (label->text() == QString::fromUtf8("Wird geladen…")) {
                return label;
            }
        }
        return nullptr;
    };
    ASSERT_NE(note(), nullptr);
    // Nothing comes back before the event loop runs, so the first read is still awaited here.
    ASSERT_TRUE(dlg.IsLoading());
    EXPECT_TRUE(note()->isVisibleTo(&dlg));
    ASSERT_TRUE(Loaded(dlg));
    EXPECT_FALSE(note()->isVisibleTo(&dlg));
}

}  // namespace
}  // namespace dravik
