#include "bitpage.h"

#include <QtEndian>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace gridorra {

namespace {

quint32 crc32(const QByteArray& data)
{
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 n = 0; n < 256; ++n) {
            quint32 c = n;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    quint32 c = 0xFFFFFFFFu;
    for (const char byte : data)
        c = table[(c ^ quint8(byte)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

void appendChunk(QByteArray& png, const char* kind, const QByteArray& data)
{
    const QByteArray body = QByteArray(kind, 4) + data;
    char length[4];
    qToBigEndian<quint32>(quint32(data.size()), length);
    char crc[4];
    qToBigEndian<quint32>(crc32(body), crc);
    png.append(length, 4).append(body).append(crc, 4);
}

QByteArray bigEndian(std::initializer_list<quint32> values)
{
    QByteArray out;
    for (const quint32 v : values) {
        char b[4];
        qToBigEndian<quint32>(v, b);
        out.append(b, 4);
    }
    return out;
}

} // namespace

BitPage::BitPage(int width, int height)
    : m_width(width), m_height(height), m_stride((width + 7) / 8),
      m_bits(qsizetype(m_stride) * height, '\0')
{}

void BitPage::fill(int x0, int y0, int x1, int y1)
{
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, m_width);
    y1 = std::min(y1, m_height);
    if (x0 >= x1 || y0 >= y1)
        return;
    // Whole bytes at once between the partial ones at either end.
    const int firstWhole = (x0 + 7) / 8, endWhole = x1 / 8;
    char* bits = m_bits.data();
    for (int y = y0; y < y1; ++y) {
        char* row = bits + qsizetype(y) * m_stride;
        if (firstWhole >= endWhole) {
            for (int x = x0; x < x1; ++x)
                row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
            continue;
        }
        for (int x = x0; x < firstWhole * 8; ++x)
            row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
        std::memset(row + firstWhole, 0xFF, size_t(endWhole - firstWhole));
        for (int x = endWhole * 8; x < x1; ++x)
            row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
    }
}

bool BitPage::inked(int x, int y) const
{
    return m_bits[qsizetype(y) * m_stride + x / 8] & (0x80 >> (x % 8));
}

QByteArray BitPage::png(quint32 ink, int dpi) const
{
    QByteArray raw;
    raw.reserve(qsizetype(m_stride + 1) * m_height);
    for (int y = 0; y < m_height; ++y)
        raw.append('\0').append(m_bits.constData() + qsizetype(y) * m_stride, m_stride);
    // qCompress gives a zlib stream behind four bytes of length.
    const QByteArray compressed = qCompress(raw, 1).mid(4);
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    QByteArray header = bigEndian({quint32(m_width), quint32(m_height)});
    header.append("\x01\x03\x00\x00\x00", 5); // 1 bit, a palette
    appendChunk(png, "IHDR", header);
    const char palette[6] = {char(0xFF),      char(0xFF),     char(0xFF),
                             char(ink >> 16), char(ink >> 8), char(ink)};
    appendChunk(png, "PLTE", QByteArray(palette, 6));
    const quint32 perMetre = quint32(std::lround(dpi / 0.0254));
    appendChunk(png, "pHYs", bigEndian({perMetre, perMetre}) + QByteArray("\x01", 1));
    appendChunk(png, "IDAT", compressed);
    appendChunk(png, "IEND", QByteArray());
    return png;
}

} // namespace gridorra
