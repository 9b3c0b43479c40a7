#include "placedmarks.h"

#include <QHash>

#include <cmath>

namespace gridorra {

double snappedToDots(double at, double origin, double corner, double width, double unit)
{
    const double half = width / 2.0;
    if (unit == 1)
        return std::round(origin + at - half) + half - origin;
    const double from = origin + corner;
    return std::round((from + at - half) / unit) * unit + half - from;
}

PlacedMarks place(const Marks& marks, const Placement& p)
{
    PlacedMarks out;
    out.unit = QSizeF(p.unitAcross, p.unitDown);
    const double kx = p.dotsPerTwip * p.across;
    const double ky = p.dotsPerTwip * p.down;
    const double ux = p.unitAcross, uy = p.unitDown;
    const auto snapX = [&](double x, double w) {
        return p.onDots ? snappedToDots(x, p.origin.x(), p.corner.x(), w, ux) : x;
    };
    const auto snapY = [&](double y, double w) {
        return p.onDots ? snappedToDots(y, p.origin.y(), p.corner.y(), w, uy) : y;
    };
    for (const Mark& m : marks.marks) {
        const int w = marks.pens.value(m.pen, 1);
        switch (m.kind) {
        case Mark::Kind::Segment: {
            QLineF l(m.x1 * kx, m.y1 * ky, m.x2 * kx, m.y2 * ky);
            int device = int(std::lround(w * (ux + uy) / 2));
            if (m.x1 == m.x2) {
                device = int(std::lround(w * ux));
                l.setLine(snapX(l.x1(), device), l.y1(), snapX(l.x2(), device), l.y2());
            } else if (m.y1 == m.y2) {
                device = int(std::lround(w * uy));
                l.setLine(l.x1(), snapY(l.y1(), device), l.x2(), snapY(l.y2(), device));
            }
            out.lines[device].append(l);
            break;
        }
        case Mark::Kind::Dot:
            out.dots[w].append(QPointF(snapX(m.x1 * kx, w * ux), snapY(m.y1 * ky, w * uy)));
            break;
        case Mark::Kind::Circle:
            out.rings[int(std::lround(w * (ux + uy) / 2))].append(
                {QPointF(m.x1 * kx, m.y1 * ky), m.x2 * kx, m.x2 * ky});
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
