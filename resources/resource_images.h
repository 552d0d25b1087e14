#pragma once

#include <QIcon>
#include <QImage>
#include <QList>
#include <QPixmap>
#include <QString>

// The icons, the list bitmap and the default sound compiled into the program.
namespace dravik {

// A PNG built into the program, read as PNG: an image read by its name alone has Qt load every image format
// plugin to ask it (the SVG one brings Qt Svg, 0.3 MiB in all).
QImage ReadBuiltInPng(const QString& path);

// Icon 128 (the program's globe) or 133 (the blink globe), drawn at every size a desktop asks for; a null icon
// for another id.
QIcon ResourceIcon(int id);

// Bitmap 135 cut into its four 16 x 16 images with the mask colour RGB(255, 0, 255) made transparent:
// 0 blank, 1-3 tremor marks of growing size.
QList<QPixmap> QuakeMarkPixmaps();
QList<QIcon> QuakeMarkIcons();

// The built-in sound's address for the player ("qrc:/sounds/earthquake-04.wav").
QString DefaultSoundUrl();

}  // namespace dravik
