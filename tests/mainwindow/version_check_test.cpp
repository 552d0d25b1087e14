#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "mainwindow/version_check.h"
#include "platform/environment.h"
#include "tests/common/scoped_env.h"

namespace dravik {
namespace {

TEST(VersionCheckTest, NoticeFollowsTheSevenByteRule) {
    struct Row {
        std::string answer;
        std::string lang;
        std::string expected;
    };
    const std::string pl115 =
        "Posiadasz wersję 1.14 programu.\nDostępna jest nowa o numerze 1.15.\nDo pobrania na stronie dravik.example";
    const std::string en = "Updates available. Look on dravik.example";
    const std::vector<Row> rows = {
        {"ok:1.14", "PL", ""},
        {"xyz1.14", "EN", ""},
        {"ok:1.15", "PL", pl115},
        {"ok:1.15", "EN", en},
        {"ok:1.15", "DE", en},
        {"ok:1.15", "", en},
        {"ok:1.10", "PL",
         "Posiadasz wersję 1.14 programu.\nDostępna jest nowa o numerze 1.10.\nDo pobrania na stronie dravik.example"},
        {"ok1.15", "PL", ""},    // 6 bytes
        {"ok:1.150", "PL", ""},  // 8 bytes
        {"", "PL", ""},
        {"ok:1.1 ", "EN", en},  // another text in the last four bytes counts too
    };
    for (const auto& row : rows) {
        EXPECT_EQ(VersionNotice(row.answer, row.lang, "dravik.example"), row.expected)
            << "'" << row.answer << "' " << row.lang;
    }
}

TEST(VersionCheckTest, AsksTheSiteOnceAndShowsTheNoticeCaptionedWithTheApplicationName) {
    test::ScopedEnv site("DRAVIK_SITE_URL", "http://127.0.0.1:9/");
    std::vector<std::string> asked;
    QString caption;
    QString text;
    int buttons = 0;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            caption = box->windowTitle();
            text = box->text();
            buttons = box->buttons().size();
            box->accept();
        }
    });
    RunVersionCheck(nullptr, [&](const std::string& url) {
        asked.push_back(url);
        return std::string("ok:2.00");
    });
    EXPECT_EQ(asked, std::vector<std::string>{"http://127.0.0.1:9/wersja.php?w=1.14"});
    EXPECT_EQ(caption.toStdString(), ApplicationName());
    EXPECT_TRUE(text.endsWith("127.0.0.1")) << text.toStdString();
    EXPECT_EQ(buttons, 1);

    // An empty answer shows nothing (a box would block here).
    RunVersionCheck(nullptr, [](const std::string&) { return std::string(); });
}

}  // namespace
}  // namespace dravik
