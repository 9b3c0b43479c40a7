#include "placedmarks.h"

#include <QHash>

#include <cmath>

namespace gridorra {

namespace {

// A place on the device whose mark, `width` dots across, has its edges on
// dot boundaries counted from `origin`: it moves by half a dot at most.
double snapped(double at, double origin, double width)
{
    const double half = width / 2.0;
    return std::round(origin + at - half) + half - origin;
}

} // namespace

PlacedMarks place(const Marks& marks, const Placement& p)
{
    PlacedMarks out;
    const double kx = p.dotsPerTwip * p.across;
    const double ky = p.dotsPerTwip * p.down;
    const auto snapX = [&](double x, int w) { return p.onDots ? snapped(x, p.origin.x(), w) : x; };
    const auto snapY = [&](double y, int w) { return p.onDots ? snapped(y, p.origin.y(), w) : y; };
    for (const Mark& m : marks.marks) {
        const int w = marks.pens.value(m.pen, 1);
        switch (m.kind) {
        case Mark::Kind::Segment: {
            QLineF l(m.x1 * kx, m.y1 * ky, m.x2 * kx, m.y2 * ky);
            if (m.x1 == m.x2)
                l.setLine(snapX(l.x1(), w), l.y1(), snapX(l.x2(), w), l.y2());
            else if (m.y1 == m.y2)
                l.setLine(l.x1(), snapY(l.y1(), w), l.x2(), snapY(l.y2(), w));
            out.lines[w].append(l);
            break;
        }
        case Mark::Kind::Dot:
            out.dots[w].append(QPointF(snapX(m.x1 * kx, w), snapY(m.y1 * ky, w)));
            break;
        case Mark::Kind::Circle:
            out.rings[w].append({QPointF(m.x1 * kx, m.y1 * ky), m.x2 * kx, m.x2 * ky});
            break;
        }
    }
    return out;
}

QList<QRectF> discRows(int d)
{
    static QHash<int, QList<QRectF>> made;
    if (const auto it = made.constFind(d); it != made.cend())
        return *it;
    QList<QRectF> rows;
    const double r = d / 2.0;
    for (int j = 0; j < d; ++j) {
        // The row's span: the circle's chord through the row's middle, cut
        // back by whole dots alike at both ends.
        const double dy = j + 0.5 - r;
        const double chord = std::sqrt(std::max(0.0, r * r - dy * dy));
        const double cut = std::round(r - chord);
        const QRectF row(-r + cut, -r + j, d - 2 * cut, 1);
        if (!rows.isEmpty() && rows.last().left() == row.left())
            rows.last().setBottom(row.bottom());
        else
            rows.append(row);
    }
    made.insert(d, rows);
    return rows;
}

QRectF coveredBy(const QLineF& l, double w)
{
    return l.x1() == l.x2() ? QRectF(l.x1() - w / 2, std::min(l.y1(), l.y2()), w, std::abs(l.dy()))
                            : QRectF(std::min(l.x1(), l.x2()), l.y1() - w / 2, std::abs(l.dx()), w);
}

} // namespace gridorra
