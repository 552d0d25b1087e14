#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <set>

#include <gtest/gtest.h>

#include "platform/environment.h"
#include "platform/qt/qt_sound.h"
#include "resources/resource_images.h"
#include "resources/resource_tables.h"

namespace dravik {
namespace {

TEST(ResourcesTest, QuakeMarksAreFourMaskedImagesOfGrowingSize) {
    const QList<QPixmap> marks = QuakeMarkPixmaps();
    ASSERT_EQ(marks.size(), 4);
    int previous = -1;
    for (int i = 0; i < marks.size(); ++i) {
        SCOPED_TRACE(i);
        const QImage image = marks[i].toImage().convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(image.size(), QSize(16, 16));
        int opaque = 0;
        int red = 0;
        int darkRed = 0;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                const QRgb p = image.pixel(x, y);
                if (qAlpha(p) == 0) {
                    continue;
                }
                ++opaque;
                EXPECT_NE(p & RGB_MASK, qRgb(255, 0, 255) & RGB_MASK);
                red += (p & RGB_MASK) == (qRgb(255, 0, 0) & RGB_MASK);
                darkRed += (p & RGB_MASK) == (qRgb(128, 0, 0) & RGB_MASK);
            }
        }
        if (i == 0) {
            EXPECT_EQ(opaque, 0);
        } else {
            EXPECT_GT(red, 0);
            EXPECT_GT(darkRed, 0);
            EXPECT_EQ(red + darkRed, opaque);
            EXPECT_GT(opaque, previous);
        }
        previous = opaque;
    }
    EXPECT_EQ(QuakeMarkIcons().size(), 4);
    const QImage bitmap(QStringLiteral(":/bitmaps/135.png"));
    EXPECT_EQ(bitmap.size(), QSize(69, 16));
}

// At twice the pixels the list's marks are drawn strokes, not the bitmap's pixels doubled: sharp, with pixels no
// doubling gives (a doubled image is made of 2x2 blocks of one colour).
TEST(ResourcesTest, QuakeMarksAreSharpAtTwiceThePixels) {
    const QList<QIcon> icons = QuakeMarkIcons();
    ASSERT_EQ(icons.size(), 4);
    for (int i = 1; i < icons.size(); ++i) {
        SCOPED_TRACE(i);
        const QPixmap pixmap = icons[i].pixmap(QSize(16, 16), 2.0);
        const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), QSize(32, 32));
        int red = 0;
        bool doubled = true;
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                red += qAlpha(image.pixel(x, y)) > 0 && qRed(image.pixel(x, y)) > 200 && qGreen(image.pixel(x, y)) < 80;
                doubled = doubled && image.pixel(x, y) == image.pixel(x & ~1, y & ~1);
            }
        }
        EXPECT_GT(red, 10);
        EXPECT_FALSE(doubled) << "the 1x bitmap scaled up";
    }
    EXPECT_TRUE(
        icons[0].pixmap(QSize(16, 16), 2.0).toImage().convertToFormat(QImage::Format_ARGB32).pixel(16, 8) >> 24 == 0);
}

TEST(ResourcesTest, GlobeIconsRender) {
    for (int id : {kIconProgram, kIconBlink}) {
        SCOPED_TRACE(id);
        const QIcon icon = ResourceIcon(id);
        ASSERT_FALSE(icon.isNull());
        const QImage image = icon.pixmap(48, 48).toImage();
        ASSERT_FALSE(image.isNull());
        EXPECT_GT(qAlpha(image.pixel(image.width() / 2, image.height() / 2)), 0);
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    }
    EXPECT_NE(ResourceIcon(kIconProgram).pixmap(32, 32).toImage(), ResourceIcon(kIconBlink).pixmap(32, 32).toImage());
    EXPECT_TRUE(ResourceIcon(1).isNull());
}

TEST(ResourcesTest, TemplatesFitTheirDialogsAndIdsAreUnique) {
    for (int id : {kDialogAbout, kDialogMain, kDialogLanguage, kDialogHistory}) {
        SCOPED_TRACE(id);
        const DialogTemplate* tmpl = FindDialogTemplate(id);
        ASSERT_NE(tmpl, nullptr);
        std::set<int> ids;
        for (const DialogControl& c : tmpl->controls) {
            EXPECT_LE(c.x + c.w, tmpl->w) << c.id;
            if (c.kind != ControlKind::ComboBox) {  // a combo's height is its dropped-down list's
                EXPECT_LE(c.y + c.h, tmpl->h) << c.id;
            }
            if (c.id != kNoControlId) {
                EXPECT_TRUE(ids.insert(c.id).second) << c.id;
            }
        }
    }
    EXPECT_EQ(FindDialogTemplate(101), nullptr);
    EXPECT_EQ(FindMenuTemplate(1), nullptr);
    EXPECT_EQ(LoadResourceString(kStringAboutItem), "&About dravik...");
    EXPECT_EQ(LoadResourceString(102), "");
}

TEST(ResourcesTest, DefaultSoundIsBuiltInUnlessTheDataDirectoryHasOne) {
    QFile wave(QStringLiteral(":/sounds/earthquake-04.wav"));
    ASSERT_TRUE(wave.open(QIODevice::ReadOnly));
    const QByteArray bytes = wave.readAll();
    EXPECT_LT(bytes.size(), 100 * 1024);
    EXPECT_TRUE(bytes.startsWith("RIFF"));
    EXPECT_EQ(bytes.mid(8, 4), QByteArray("WAVE"));

    const QString local = QString::fromStdString(DataFilePath("earthquake-04.wav"));
    QFile::remove(local);
    EXPECT_EQ(CQtSound::ResolveSound("earthquake-04.wav"), DefaultSoundUrl());
    ASSERT_TRUE(QFile::copy(QStringLiteral(":/sounds/earthquake-04.wav"), local));
    EXPECT_EQ(CQtSound::ResolveSound("earthquake-04.wav"), local);
    // Only a file name counts: a path cannot reach outside the data directory.
    EXPECT_EQ(CQtSound::ResolveSound("../../earthquake-04.wav"), local);
    QFile::remove(local);
    EXPECT_EQ(CQtSound::ResolveSound("no-such-sound.wav"), QString());
    EXPECT_EQ(CQtSound::ResolveSound(""), QString());
}

}  // namespace
}  // namespace dravik
