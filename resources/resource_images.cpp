#include "resources/resource_images.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QPolygonF>
#include <algorithm>
#include <vector>

#include "resources/resource_tables.h"

namespace dravik {
namespace {

constexpr int kMarkSize = 16;
constexpr int kMarkCount = 4;
constexpr QRgb kMaskColour = qRgb(255, 0, 255);

// The swing of each peak of the marks in the bitmap (its generator draws the same zig-zags), the first mark empty.
const std::vector<std::vector<int>> kMarkAmplitudes = {{}, {1, 2, 2, 1}, {2, 4, 5, 4, 3, 2}, {3, 6, 7, 7, 6, 5, 3}};

// A mark drawn as strokes at `scale` device pixels a pixel: a HiDPI screen gets sharp lines where the bitmap's
// pixels would be doubled. The stroke's points are the bitmap's, at pixel centres.
QPixmap DrawnQuakeMark(const std::vector<int>& amplitudes, int scale) {
    QPixmap pixmap(kMarkSize * scale, kMarkSize * scale);
    pixmap.fill(Qt::transparent);
    if (amplitudes.empty()) {
        pixmap.setDevicePixelRatio(scale);
        return pixmap;
    }
    constexpr int kMiddle = 7;
    const int step = 14 / static_cast<int>(amplitudes.size());
    QPolygonF stroke;
    stroke << QPointF(1, kMiddle);
    for (std::size_t i = 0; i < amplitudes.size(); ++i) {
        const int swing = i % 2 == 0 ? -amplitudes[i] : amplitudes[i];
        stroke << QPointF(1 + static_cast<int>(i + 1) * step, std::clamp(kMiddle + swing, 1, kMarkSize - 3));
    }
    stroke << QPointF(14, kMiddle);
    stroke.translate(0.5, 0.5);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(scale, scale);
    // The bitmap's dark red shading below and to the right, then the red stroke over it.
    painter.setPen(QPen(QColor(128, 0, 0), 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(stroke.translated(0.5, 1.0));
    painter.setPen(QPen(QColor(255, 0, 0), 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(stroke);
    painter.end();
    pixmap.setDevicePixelRatio(scale);
    return pixmap;
}

}  // namespace

QImage ReadBuiltInPng(const QString& path) {
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

QIcon ResourceIcon(int id) {
    QIcon icon;
    if (id == kIconProgram || id == kIconBlink) {
        for (const int size : {DRAVIK_ICON_SIZES}) {
            const QImage image = ReadBuiltInPng(QStringLiteral(":/icons/%1-%2.png").arg(id).arg(size));
            if (!image.isNull()) {
                icon.addPixmap(QPixmap::fromImage(image));
            }
        }
    }
    return icon;
}

QList<QPixmap> QuakeMarkPixmaps() {
    QImage bitmap = ReadBuiltInPng(QStringLiteral(":/bitmaps/%1.png").arg(kBitmapQuakeMarks));
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
    const QList<QPixmap> pixmaps = QuakeMarkPixmaps();
    for (int i = 0; i < pixmaps.size(); ++i) {
        // The bitmap itself at 1x; drawn strokes where a pixel is two or three.
        QIcon icon(pixmaps[i]);
        if (static_cast<std::size_t>(i) < kMarkAmplitudes.size()) {
            for (const int scale : {2, 3}) {
                icon.addPixmap(DrawnQuakeMark(kMarkAmplitudes[static_cast<std::size_t>(i)], scale));
            }
        }
        icons.append(icon);
    }
    return icons;
}

QString DefaultSoundUrl() {
    return QStringLiteral("qrc:/sounds/earthquake-04.wav");
}

}  // namespace dravik
