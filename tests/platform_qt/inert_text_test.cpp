#include "platform/qt/inert_text.h"

#include <gtest/gtest.h>

#include "tests/common/rendered_text.h"

namespace dravik {
namespace {

// Hostile texts from a source or the user: shown as themselves, and no file is opened for them.
TEST(InertTextTest, MarkupFromOutsideIsShownAsTextAndLoadsNothing) {
    const QString texts[] = {
        QStringLiteral("<img src=\"/nonexistent/probe.png\">"),
        QStringLiteral("CRETE <b>GREECE</b>\n12 km N of <img src=\"file:///etc/passwd\">"),
        QStringLiteral("<qt>a & b</qt>"),
    };
    for (const QString& text : texts) {
        // Put where Qt guesses, the raw text would open the file: the case the helper is for.
        if (text.contains(QStringLiteral("<img"))) {
            EXPECT_FALSE(test::RenderedText(text).asked.isEmpty()) << text.toStdString();
        }
        const test::RenderedText shown(InertText(text));
        EXPECT_TRUE(shown.asked.isEmpty()) << text.toStdString();
        EXPECT_EQ(shown.toPlainText(), text) << text.toStdString();
    }
    // Plain text stays as it is, lines and all.
    EXPECT_EQ(InertText(QStringLiteral("1 315 km SW of Home\nM 4.5 → M 4.8")),
              QStringLiteral("1 315 km SW of Home\nM 4.5 → M 4.8"));
    EXPECT_TRUE(InertText(QString()).isEmpty());
}

}  // namespace
}  // namespace dravik
