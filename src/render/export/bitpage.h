#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>
#include <QPointF>
#include <QRectF>
#include <QtGlobal>

#include <memory>
#include <vector>

namespace gridorra {

// A page of two colours, one bit a pixel, rows top down, most significant
// bit first (as a PNG holds it): white paper and the lines' ink. Drawn
// into directly, it makes a PNG of a dense grid as fast as the process
// starts.
class BitPage {
public:
    BitPage(int width, int height);

    int width() const { return m_width; }
    int height() const { return m_height; }
    // Inks the pixels of [x0, x1) x [y0, y1) (whole pixels; clipped).
    void fill(int x0, int y0, int x1, int y1);
    // The same for an area of fractional edges, each rounded to a pixel's.
    void fill(const QRectF& area)
    {
        fill(qRound(area.left()), qRound(area.top()), qRound(area.right()), qRound(area.bottom()));
    }
    // Inks the pixels whose centres lie inside the convex polygon (a
    // slanted line as the quadrilateral its pen covers).
    void fillConvex(const QList<QPointF>& corners);
    // Inks the pixels whose centres lie between the ellipses of radii
    // (rx -+ width/2, ry -+ width/2) about the centre: a ring its pen wide.
    void fillRing(const QPointF& centre, double rx, double ry, double width);

    // The page as a PNG: 1 bit a pixel, a palette of white and `ink`
    // (0xRRGGBB), and `dpi` in its pHYs chunk.
    QByteArray png(quint32 ink, int dpi) const;
    // The page for the `index`-th ink (0: this one; up to 2 more, made on
    // first use, of the same size).
    BitPage& layer(int index);
    // The page and its layers as one PNG of their inks (0xRRGGBB, one a
    // layer) on white, 2 bits a pixel where there are layers: where they
    // overlap, the later layer's ink.
    QByteArray png(const QList<quint32>& inks, int dpi) const;

private:
    void lay() const;
    static QByteArray pngOf(int width, int height, int bits, const QByteArray& raw,
                            const QByteArray& palette, int dpi);

    int m_width;
    int m_height;
    int m_stride;
    mutable QByteArray m_bits;
    mutable QHash<QPair<int, int>, QByteArray> m_spans; // rows y0..y1: bits to lay
    mutable QPair<int, int> m_lastSpan;
    mutable QByteArray* m_lastRow = nullptr;        // m_spans[m_lastSpan]
    std::vector<std::unique_ptr<BitPage>> m_layers; // the further inks
};

} // namespace gridorra
