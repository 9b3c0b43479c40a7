#include "cursorfile.h"

#include "core/failure.h"

#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QtEndian>

namespace gridorra {

QCursor loadCursorFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(fail::invalidPicture);
    const QByteArray bytes = file.readAll();
    // ICONDIR (reserved 0, type 2 for cursors, count) then the first entry,
    // whose planes and bit-count fields hold the hot spot.
    constexpr int headerSize = 6 + 16;
    if (bytes.size() < headerSize || qFromLittleEndian<quint16>(bytes.constData()) != 0 ||
        qFromLittleEndian<quint16>(bytes.constData() + 2) != 2 ||
        qFromLittleEndian<quint16>(bytes.constData() + 4) < 1)
        throw Failure(fail::invalidPicture);
    const int hotX = qFromLittleEndian<quint16>(bytes.constData() + 6 + 4);
    const int hotY = qFromLittleEndian<quint16>(bytes.constData() + 6 + 6);
    QImage image;
    if (!image.loadFromData(bytes, "CUR") || image.isNull())
        throw Failure(fail::invalidPicture);
    return QCursor(QPixmap::fromImage(image), hotX, hotY);
}

} // namespace gridorra
