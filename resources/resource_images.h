#pragma once

#include <QIcon>
#include <QList>
#include <QPixmap>
#include <QString>

// The icons, the list bitmap and the default sound compiled into the program.
namespace dravik {

// Icon 128 (the program's globe) or 133 (the blink globe); a null icon for another id.
QIcon ResourceIcon(int id);
// The resource path of an icon (":/icons/128.svg"), empty for another id.
QString ResourceIconPath(int id);

// Bitmap 135 cut into its four 16 x 16 images with the mask colour RGB(255, 0, 255) made transparent:
// 0 blank, 1-3 tremor marks of growing size.
QList<QPixmap> QuakeMarkPixmaps();
QList<QIcon> QuakeMarkIcons();

// The built-in sound's address for QSoundEffect ("qrc:/sounds/earthquake-04.wav").
QString DefaultSoundUrl();

}  // namespace dravik
