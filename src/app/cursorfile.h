#pragma once

#include <QCursor>
#include <QString>

namespace gridorra {

// Loads a Windows cursor file (.cur) with the hot spot it names. A file that
// does not hold a cursor fails with "Invalid picture".
QCursor loadCursorFile(const QString& path);
// The same, from the file's bytes.
QCursor cursorFromBytes(const QByteArray& bytes);

} // namespace gridorra
