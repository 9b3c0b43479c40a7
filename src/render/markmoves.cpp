#include "markmoves.h"

#include <algorithm>

namespace gridorra::markmoves {

QRectF inkBox(const Marks& marks, int dpi)
{
    double left = 0, top = 0, right = 0, bottom = 0;
    bool any = false;
    const auto cover = [&](double x0, double y0, double x1, double y1) {
        if (!any) {
            left = x0, top = y0, right = x1, bottom = y1;
            any = true;
            return;
        }
        left = std::min(left, x0), top = std::min(top, y0);
        right = std::max(right, x1), bottom = std::max(bottom, y1);
    };
    for (const Mark& m : marks.marks) {
        const double half = marks.pens.value(m.pen, 1) / 2.0 * 1440.0 / dpi;
        switch (m.kind) {
        case Mark::Kind::Segment: {
            const bool across = m.y1 == m.y2, down = m.x1 == m.x2;
            const double hx = across && !down ? 0 : half, hy = down && !across ? 0 : half;
            cover(std::min(m.x1, m.x2) - hx, std::min(m.y1, m.y2) - hy, std::max(m.x1, m.x2) + hx,
                  std::max(m.y1, m.y2) + hy);
            break;
        }
        case Mark::Kind::Dot:
            cover(m.x1 - half, m.y1 - half, m.x1 + half, m.y1 + half);
            break;
        case Mark::Kind::Circle:
            cover(m.x1 - m.x2 - half, m.y1 - m.x2 - half, m.x1 + m.x2 + half, m.y1 + m.x2 + half);
            break;
        }
    }
    return any ? QRectF(QPointF(left, top), QPointF(right, bottom)) : QRectF();
}

QPointF centring(const Marks& marks, const QSizeF& area, int dpi)
{
    const QRectF box = inkBox(marks, dpi);
    if (box.isNull())
        return {};
    return {(area.width() - box.right() - box.left()) / 2,
            (area.height() - box.bottom() - box.top()) / 2};
}

void centre(Marks& marks, const QSizeF& area, int dpi)
{
    move(marks, centring(marks, area, dpi));
}

void move(Marks& marks, const QPointF& by)
{
    const double dx = by.x(), dy = by.y();
    for (Marks::Words& w : marks.words)
        w.centre += dx;
    for (Mark& m : marks.marks) {
        m.x1 += dx;
        m.y1 += dy;
        if (m.kind == Mark::Kind::Segment) {
            m.x2 += dx;
            m.y2 += dy;
        }
    }
}

Marks mirrored(const Marks& marks, const QSizeF& area)
{
    Marks out = marks;
    for (Mark& m : out.marks) {
        m.x1 = area.width() - m.x1;
        if (m.kind == Mark::Kind::Segment)
            m.x2 = area.width() - m.x2;
    }
    // Numbers go where the mirror puts them, and read as before.
    for (const Marks::Words& w : marks.words) {
        const double by = area.width() - 2 * w.centre;
        for (qsizetype i = w.first; i < w.first + w.count; ++i) {
            Mark& m = out.marks[i];
            m = marks.marks[i];
            m.x1 += by;
            if (m.kind == Mark::Kind::Segment)
                m.x2 += by;
        }
    }
    for (Marks::Words& w : out.words)
        w.centre = area.width() - w.centre;
    return out;
}

Marks turned(const Marks& marks, const QSizeF& portrait)
{
    Marks out = marks;
    for (Mark& m : out.marks) {
        const Mark was = m;
        m.x1 = was.y1;
        m.y1 = portrait.height() - was.x1;
        if (m.kind == Mark::Kind::Segment) {
            m.x2 = was.y2;
            m.y2 = portrait.height() - was.x2;
        }
    }
    return out;
}

} // namespace gridorra::markmoves
