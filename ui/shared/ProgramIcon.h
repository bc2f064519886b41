#pragma once
#include <QIcon>
#include <QPixmap>

// The program's icon, a speaker microphone with its coiled cable, drawn in
// code after docs/icons/qzm530rx.svg so that no image plug-in is needed.
namespace ProgramIcon {
// The icon at `size` by `size` device-independent pixels, sharp on screens
// with the given pixel ratio.
QPixmap Pixmap(int size, qreal devicePixelRatio = 1.0);
// The icon in the sizes that window frames and task bars ask for.
QIcon Icon();
} // namespace ProgramIcon
