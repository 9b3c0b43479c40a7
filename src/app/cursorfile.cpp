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
// image-format plugin (slower to load) reads every other kind.
QImage readTrueColour(const QByteArray& bytes)
{
    const quint32 size = dword(bytes, 6 + 8);
    const quint32 offset = dword(bytes, 6 + 12);
    if (offset + 40 > quint32(bytes.size()) || size < 40 || offset + size > quint32(bytes.size()))
        return {};
    const qsizetype bmp = offset;
    const int width = int(dword(bytes, bmp + 4));
    const int height = int(dword(bytes, bmp + 8)) / 2; // colour and mask
    if (dword(bytes, bmp) != 40 || word(bytes, bmp + 14) != 32 || dword(bytes, bmp + 16) != 0 ||
        width <= 0 || width > 256 || height <= 0 || height > 256)
        return {};
    const qsizetype pixels = bmp + 40;
    if (pixels + qsizetype(width) * height * 4 > bytes.size())
        return {};
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        // Rows are stored bottom-up, as blue, green, red, alpha.
        const uchar* row = reinterpret_cast<const uchar*>(bytes.constData()) + pixels +
                           qsizetype(height - 1 - y) * width * 4;
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
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
    const QByteArray bytes = file.readAll();
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

} // namespace gridorra
