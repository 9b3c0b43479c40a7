#include "bitpage.h"

#include <QtEndian>

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace gridorra {

namespace {

void appendChunk(QByteArray& png, const char* kind, const QByteArray& data)
{
    const QByteArray body = QByteArray(kind, 4) + data;
    char length[4];
    qToBigEndian<quint32>(quint32(data.size()), length);
    char crc[4];
    qToBigEndian<quint32>(
        quint32(::crc32(0, reinterpret_cast<const Bytef*>(body.constData()), uInt(body.size()))),
        crc);
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
    // The bits of each byte the span touches; spans of one height (the
    // vertical lines of a grid) gather in one row, laid over their rows once.
    const int first = x0 / 8, last = (x1 - 1) / 8;
    // A span one pixel high (a row of a slanted line or a ring) goes
    // straight to its row.
    char* row = nullptr;
    if (y1 - y0 == 1) {
        row = m_bits.data() + qsizetype(y0) * m_stride;
    } else {
        // Spans of one height come one after another (a row of dots): the
        // last one's row is kept at hand. Only an insertion moves the rows,
        // and the row inserted becomes the one at hand.
        if (!m_lastRow || m_lastSpan != qMakePair(y0, y1)) {
            m_lastSpan = {y0, y1};
            m_lastRow = &m_spans[m_lastSpan];
            if (m_lastRow->isEmpty())
                *m_lastRow = QByteArray(m_stride, '\0');
        }
        row = m_lastRow->data();
    }
    for (int i = first; i <= last; ++i) {
        quint8 mask = 0xFF;
        if (i == first)
            mask &= quint8(0xFF >> (x0 % 8));
        if (i == last)
            mask &= quint8(0xFF << (7 - (x1 - 1) % 8));
        row[i] = char(quint8(row[i]) | mask);
    }
}

namespace {

// The pixels whose centres lie in [a, b): the first and one past the last.
std::pair<int, int> centresIn(double a, double b)
{
    return {int(std::ceil(a - 0.5)), int(std::ceil(b - 0.5))};
}

} // namespace

void BitPage::fillConvex(const QList<QPointF>& corners)
{
    double top = corners.first().y(), bottom = top;
    for (const QPointF& p : corners) {
        top = std::min(top, p.y());
        bottom = std::max(bottom, p.y());
    }
    const auto [first, end] = centresIn(top, bottom);
    for (int y = std::max(first, 0); y < std::min(end, m_height); ++y) {
        // The row's centre line crosses the polygon between two edges.
        const double at = y + 0.5;
        double left = 1e300, right = -1e300;
        for (qsizetype i = 0; i < corners.size(); ++i) {
            const QPointF a = corners[i], b = corners[(i + 1) % corners.size()];
            if ((a.y() <= at) == (b.y() <= at))
                continue;
            const double x = a.x() + (at - a.y()) * (b.x() - a.x()) / (b.y() - a.y());
            left = std::min(left, x);
            right = std::max(right, x);
        }
        if (left < right) {
            const auto [x0, x1] = centresIn(left, right);
            fill(x0, y, x1, y + 1);
        }
    }
}

void BitPage::fillRing(const QPointF& c, double rx, double ry, double width)
{
    const double h = width / 2;
    const double oy = ry + h, ox = rx + h, iy = ry - h, ix = rx - h;
    const auto [first, end] = centresIn(c.y() - oy, c.y() + oy);
    for (int y = std::max(first, 0); y < std::min(end, m_height); ++y) {
        const double dy = y + 0.5 - c.y();
        const double outer = ox * std::sqrt(std::max(0.0, 1 - dy * dy / (oy * oy)));
        if (iy <= 0 || std::abs(dy) >= iy) {
            const auto [x0, x1] = centresIn(c.x() - outer, c.x() + outer);
            fill(x0, y, x1, y + 1);
            continue;
        }
        const double inner = ix * std::sqrt(1 - dy * dy / (iy * iy));
        const auto [l0, l1] = centresIn(c.x() - outer, c.x() - inner);
        fill(l0, y, l1, y + 1);
        const auto [r0, r1] = centresIn(c.x() + inner, c.x() + outer);
        fill(r0, y, r1, y + 1);
    }
}

void BitPage::lay() const
{
    char* bits = m_bits.data();
    for (auto it = m_spans.cbegin(); it != m_spans.cend(); ++it) {
        const char* span = it.value().constData();
        for (int y = it.key().first; y < it.key().second; ++y) {
            char* row = bits + qsizetype(y) * m_stride;
            for (int i = 0; i < m_stride; ++i)
                row[i] = char(row[i] | span[i]);
        }
    }
    m_spans.clear();
    m_lastRow = nullptr;
}

QByteArray BitPage::png(quint32 ink, int dpi) const
{
    lay();
    QByteArray raw;
    raw.reserve(qsizetype(m_stride + 1) * m_height);
    for (int y = 0; y < m_height; ++y)
        raw.append('\0').append(m_bits.constData() + qsizetype(y) * m_stride, m_stride);
    const char palette[6] = {char(0xFF),      char(0xFF),     char(0xFF),
                             char(ink >> 16), char(ink >> 8), char(ink)};
    return pngOf(m_width, m_height, 1, raw, QByteArray(palette, 6), dpi);
}

BitPage& BitPage::layer(int index)
{
    if (index <= 0)
        return *this;
    while (int(m_layers.size()) < std::min(index, 2))
        m_layers.push_back(std::make_unique<BitPage>(m_width, m_height));
    return *m_layers[std::min(index, 2) - 1];
}

QByteArray BitPage::png(const QList<quint32>& inks, int dpi) const
{
    if (m_layers.empty())
        return png(inks.value(0), dpi);
    QList<const BitPage*> layers{this};
    for (const auto& layer : m_layers)
        layers.append(layer.get());
    // Each bit of a layer becomes two, its ink's index (1 to 3) where set.
    quint16 spread[256];
    for (int b = 0; b < 256; ++b) {
        spread[b] = 0;
        for (int i = 0; i < 8; ++i)
            if (b & (0x80 >> i))
                spread[b] |= quint16(0xC000 >> (2 * i));
    }
    const BitPage& first = *layers.first();
    const int stride = (first.m_width * 2 + 7) / 8;
    QByteArray raw(qsizetype(stride + 1) * first.m_height, '\0');
    for (const BitPage* layer : layers)
        layer->lay();
    for (int y = 0; y < first.m_height; ++y) {
        uchar* row = reinterpret_cast<uchar*>(raw.data()) + qsizetype(y) * (stride + 1) + 1;
        for (qsizetype l = 0; l < layers.size() && l < 3; ++l) {
            const quint16 value = quint16(0x5555 * (l + 1));
            const uchar* bits = reinterpret_cast<const uchar*>(layers[l]->m_bits.constData()) +
                                qsizetype(y) * first.m_stride;
            for (int i = 0; i < first.m_stride; ++i) {
                if (!bits[i])
                    continue;
                const quint16 mask = spread[bits[i]];
                const quint16 was =
                    quint16(row[2 * i] << 8 | (2 * i + 1 < stride ? row[2 * i + 1] : 0));
                const quint16 now = quint16((was & ~mask) | (value & mask));
                row[2 * i] = uchar(now >> 8);
                if (2 * i + 1 < stride)
                    row[2 * i + 1] = uchar(now);
            }
        }
    }
    QByteArray palette("\xFF\xFF\xFF", 3);
    for (qsizetype l = 0; l < layers.size() && l < 3; ++l) {
        const quint32 ink = inks.value(l);
        palette += char(ink >> 16);
        palette += char(ink >> 8);
        palette += char(ink);
    }
    return pngOf(first.m_width, first.m_height, 2, raw, palette, dpi);
}

QByteArray BitPage::pngOf(int width, int height, int bits, const QByteArray& raw,
                          const QByteArray& palette, int dpi)
{
    // qCompress gives a zlib stream behind four bytes of length.
    const QByteArray compressed = qCompress(raw, 1).mid(4);
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    QByteArray header = bigEndian({quint32(width), quint32(height)});
    header.append(char(bits)).append("\x03\x00\x00\x00", 4); // a palette
    appendChunk(png, "IHDR", header);
    appendChunk(png, "PLTE", palette);
    const quint32 perMetre = quint32(std::lround(dpi / 0.0254));
    appendChunk(png, "pHYs", bigEndian({perMetre, perMetre}) + QByteArray("\x01", 1));
    appendChunk(png, "IDAT", compressed);
    appendChunk(png, "IEND", QByteArray());
    return png;
}

} // namespace gridorra
