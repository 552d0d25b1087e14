#include "resources/resource_images.h"

#include <QFile>
#include <QImage>

#include "resources/resource_tables.h"

namespace dravik {
namespace {

constexpr int kMarkSize = 16;
constexpr int kMarkCount = 4;
constexpr QRgb kMaskColour = qRgb(255, 0, 255);

}  // namespace

QString ResourceIconPath(int id) {
    if (id == kIconProgram || id == kIconBlink) {
        return QStringLiteral(":/icons/%1.svg").arg(id);
    }
    return {};
}

QIcon ResourceIcon(int id) {
    const QString path = ResourceIconPath(id);
    return path.isEmpty() ? QIcon() : QIcon(path);
}

QList<QPixmap> QuakeMarkPixmaps() {
    QImage bitmap(QStringLiteral(":/bitmaps/%1.png").arg(kBitmapQuakeMarks));
    QList<QPixmap> images;
    if (bitmap.isNull()) {
        return images;
    }
    bitmap = bitmap.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < bitmap.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(bitmap.scanLine(y));
        for (int x = 0; x < bitmap.width(); ++x) {
            if ((line[x] & RGB_MASK) == (kMaskColour & RGB_MASK)) {
                line[x] = qRgba(0, 0, 0, 0);
            }
        }
    }
    // Whole images only; the spare columns at the right are not used.
    for (int i = 0; i < kMarkCount && (i + 1) * kMarkSize <= bitmap.width(); ++i) {
        images.append(QPixmap::fromImage(bitmap.copy(i * kMarkSize, 0, kMarkSize, kMarkSize)));
    }
    return images;
}

QList<QIcon> QuakeMarkIcons() {
    QList<QIcon> icons;
    for (const QPixmap& pixmap : QuakeMarkPixmaps()) {
        icons.append(QIcon(pixmap));
    }
    return icons;
}

QString DefaultSoundUrl() {
    return QStringLiteral("qrc:/sounds/earthquake-04.wav");
}

}  // namespace dravik
