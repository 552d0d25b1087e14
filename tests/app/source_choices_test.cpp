#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/settings_dlg.h"
#include "app/source_choices.h"
#include "app/source_list.h"

namespace dravik {
namespace {

std::string Url(const char* name) {
    for (const Agency& agency : KnownAgencies()) {
        if (agency.name == name) {
            return agency.url;
        }
    }
    return {};
}

std::vector<std::string> Ticked(const std::vector<SourceChoice>& choices) {
    std::vector<std::string> names;
    for (const SourceChoice& c : choices) {
        if (c.ticked) {
            names.push_back(c.name);
        }
    }
    return names;
}

// Every value an earlier version stored reads as the list, and the list stores it back unchanged.
TEST(SourceChoicesTest, StoredValuesReadAndComeBackUnchanged) {
    const std::string usgsFdsn = "https://earthquake.usgs.gov/fdsnws/event/1/query?format=text&minmagnitude=2";
    struct Row {
        std::string stored;
        std::vector<std::string> ticked;
    };
    const std::vector<Row> rows = {
        {"", {"EMSC"}},
        {Url("EMSC"), {"EMSC"}},
        {Url("USGS"), {"USGS"}},
        {Url("USGS") + " " + Url("EMSC"), {"USGS", "EMSC"}},  // the order is the reading order: kept
        {usgsFdsn, {"earthquake.usgs.gov"}},
        {Url("GeoNet") + " http://127.0.0.1:8080/page", {"GeoNet", "127.0.0.1"}},
    };
    for (const Row& row : rows) {
        const std::vector<SourceChoice> choices = SourceChoicesOf(row.stored);
        EXPECT_EQ(Ticked(choices), row.ticked) << row.stored;
        const std::string back = StoredSourcesOf(choices);
        EXPECT_EQ(back, row.stored == Url("EMSC") ? "" : row.stored);
        // Every known agency is offered once, with where its terms are.
        for (const Agency& agency : KnownAgencies()) {
            EXPECT_EQ(std::count_if(choices.begin(), choices.end(),
                                    [&](const SourceChoice& c) { return c.url == agency.url && c.known; }),
                      1)
                << agency.name;
            EXPECT_EQ(agency.terms.rfind("https://", 0), 0u) << agency.name;
        }
    }
}

TEST(SourceChoicesTest, TickingAndOtherAddresses) {
    std::vector<SourceChoice> choices = SourceChoicesOf("");
    for (SourceChoice& c : choices) {
        c.ticked = c.name == "USGS" || c.name == "EMSC";
    }
    EXPECT_EQ(StoredSourcesOf(choices), Url("EMSC") + " " + Url("USGS"));
    for (SourceChoice& c : choices) {
        c.ticked = false;
    }
    EXPECT_EQ(StoredSourcesOf(choices), "");  // nothing ticked: the built-in source

    const std::string other = "https://service.example.org/fdsnws/event/1/query?format=text";
    EXPECT_TRUE(AddOtherSource(other, &choices));
    EXPECT_FALSE(AddOtherSource(other, &choices));  // already there
    EXPECT_FALSE(AddOtherSource("ftp://example.org/x", &choices));
    EXPECT_FALSE(AddOtherSource("https://a.example/1 https://b.example/2", &choices));
    EXPECT_FALSE(AddOtherSource("", &choices));
    EXPECT_EQ(StoredSourcesOf(choices), other);
    EXPECT_EQ(choices.front().name, "service.example.org");
}

// The window's list and its field show one value: a tick writes the field, a hand's edit moves the ticks.
TEST(SourceChoicesTest, SettingsWindowListAndFieldAgree) {
    AlertSettings settings;
    CSettingsDlg dlg(settings, "EN");
    CSourceList* list = dlg.SourceList();
    ASSERT_NE(list, nullptr);
    QLineEdit* field = dlg.Field(AlertField::Sources);
    ASSERT_EQ(list->List()->count(), static_cast<int>(KnownAgencies().size()));
    EXPECT_EQ(list->List()->item(0)->checkState(), Qt::Checked);
    list->List()->item(1)->setCheckState(Qt::Checked);  // USGS
    EXPECT_EQ(field->text().toStdString(), Url("EMSC") + " " + Url("USGS"));
    list->List()->item(0)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(field->text().toStdString(), Url("USGS"));

    field->selectAll();
    QTest::keyClicks(field, QString::fromStdString(Url("INGV")));
    EXPECT_EQ(list->List()->item(0)->text(), QStringLiteral("INGV"));
    EXPECT_EQ(list->List()->item(0)->checkState(), Qt::Checked);
    EXPECT_TRUE(list->List()->item(0)->toolTip().contains(QStringLiteral("Terms: https://")));

    EXPECT_TRUE(list->AddOther("http://127.0.0.1:9/q"));
    EXPECT_EQ(field->text().toStdString(), Url("INGV") + " http://127.0.0.1:9/q");
    dlg.accept();
    EXPECT_EQ(dlg.Settings().sources, Url("INGV") + " http://127.0.0.1:9/q");
}

}  // namespace
}  // namespace dravik
