#pragma once

#include <QCursor>
#include <QString>

namespace gridorra {

// Loads a Windows cursor file (.cur) with the hot spot it names. A file that
// does not hold a cursor fails with "Invalid picture".
QCursor loadCursorFile(const QString& path);
// The same, from the file's bytes.
QCursor cursorFromBytes(const QByteArray& bytes);

// The pointer size the desktop asks for (XCURSOR_SIZE, as X and Wayland
// desktops set it), or 0 where it asks for none.
int desktopPointerSize();

// The cursor at the pointer size `size` (its own where 0), its picture
// drawn for `ratio` device pixels a pixel, the hot spot kept on its spot.
QCursor atPointerSize(const QCursor& cursor, int size, qreal ratio);

} // namespace gridorra
