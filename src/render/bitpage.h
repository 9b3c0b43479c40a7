#pragma once

#include <QByteArray>
#include <QHash>
#include <QPair>
#include <QtGlobal>

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

    // The page as a PNG: 1 bit a pixel, a palette of white and `ink`
    // (0xRRGGBB), and
    // `dpi` in its pHYs chunk.
    QByteArray png(quint32 ink, int dpi) const;

private:
    void lay() const;

    int m_width;
    int m_height;
    int m_stride;
    mutable QByteArray m_bits;
    mutable QHash<QPair<int, int>, QByteArray> m_spans; // rows y0..y1: bits to lay
};

} // namespace gridorra
