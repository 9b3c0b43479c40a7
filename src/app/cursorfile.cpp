#include "cursorfile.h"

#include "core/failure.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QtEndian>

namespace gridorra {

namespace {

quint16 word(const QByteArray& b, qsizetype at)
{
    return qFromLittleEndian<quint16>(b.constData() + at);
}
quint32 dword(const QByteArray& b, qsizetype at)
{
    return qFromLittleEndian<quint32>(b.constData() + at);
}

// The common case, a 32-bit image with its alpha channel, read directly; the
// image-format plugin (slower to load) reads every other kind. Every size and
// offset of the file is checked against the file's length in 64 bits, so no
// value the file holds can wrap a check around.
QImage readTrueColour(const QByteArray& bytes)
{
    const qint64 length = bytes.size();
    const qint64 size = dword(bytes, 6 + 8);
    const qint64 offset = dword(bytes, 6 + 12);
    if (size < 40 || offset > length - 40 || size > length - offset)
        return {};
    const qsizetype bmp = qsizetype(offset);
    const qint64 width = qint32(dword(bytes, bmp + 4));
    const qint64 height = qint32(dword(bytes, bmp + 8)) / 2; // colour and mask
    if (dword(bytes, bmp) != 40 || word(bytes, bmp + 14) != 32 || dword(bytes, bmp + 16) != 0 ||
        width <= 0 || width > 256 || height <= 0 || height > 256)
        return {};
    const qint64 pixels = offset + 40;
    if (width * height * 4 > length - pixels)
        return {};
    QImage image(int(width), int(height), QImage::Format_ARGB32);
    for (qint64 y = 0; y < height; ++y) {
        // Rows are stored bottom-up, as blue, green, red, alpha.
        const uchar* row = reinterpret_cast<const uchar*>(bytes.constData()) + pixels +
                           (height - 1 - y) * width * 4;
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(int(y)));
        for (qint64 x = 0; x < width; ++x)
            out[x] = qRgba(row[4 * x + 2], row[4 * x + 1], row[4 * x], row[4 * x + 3]);
    }
    return image;
}

} // namespace

QCursor loadCursorFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(fail::invalidPicture);
    return cursorFromBytes(file.readAll());
}

QCursor cursorFromBytes(const QByteArray& bytes)
{
    // ICONDIR (reserved 0, type 2 for cursors, count) then the first entry,
    // whose planes and bit-count fields hold the hot spot.
    constexpr int headerSize = 6 + 16;
    if (bytes.size() < headerSize || word(bytes, 0) != 0 || word(bytes, 2) != 2 ||
        word(bytes, 4) < 1)
        throw Failure(fail::invalidPicture);
    const int hotX = word(bytes, 6 + 4);
    const int hotY = word(bytes, 6 + 6);
    QImage image = readTrueColour(bytes);
    if (image.isNull()) {
        QBuffer buffer;
        buffer.setData(bytes);
        QImageReader reader(&buffer, "cur");
        image = reader.read();
    }
    if (image.isNull())
        throw Failure(fail::invalidPicture);
    return QCursor(QPixmap::fromImage(image), hotX, hotY);
}

int desktopPointerSize()
{
    bool ok = false;
    const int size = qEnvironmentVariableIntValue("XCURSOR_SIZE", &ok);
    return ok && size >= 8 && size <= 256 ? size : 0;
}

QCursor atPointerSize(const QCursor& cursor, int size, qreal ratio)
{
    const QPixmap own = cursor.pixmap();
    if (own.isNull() || own.width() <= 0)
        return cursor;
    const int logical = size > 0 ? size : own.width();
    const qreal scale = qreal(logical) / own.width();
    const int device = qRound(logical * ratio);
    if (device == own.width() && ratio == 1)
        return cursor;
    QPixmap drawn = own.scaled(device, qRound(own.height() * scale * ratio), Qt::KeepAspectRatio,
                               Qt::SmoothTransformation);
    drawn.setDevicePixelRatio(ratio);
    return QCursor(drawn, qRound(cursor.hotSpot().x() * scale),
                   qRound(cursor.hotSpot().y() * scale));
}

} // namespace gridorra
