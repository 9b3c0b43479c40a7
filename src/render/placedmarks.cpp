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

namespace {

// The pen of a line `pen` printer dots wide in whole device units: whole
// dots of the axis it lies across.
int penOf(const QLineF& l, int pen, const Placement& p)
{
    if (l.x1() == l.x2())
        return int(std::lround(pen * p.unitAcross));
    if (l.y1() == l.y2())
        return int(std::lround(pen * p.unitDown));
    return int(std::lround(pen * (p.unitAcross + p.unitDown) / 2));
}

} // namespace

QLineF snappedLine(const QLineF& l, double w, const Placement& p)
{
    if (!p.onDots)
        return l;
    if (l.x1() == l.x2()) {
        const auto x = [&](double at) {
            return snappedToDots(at, p.origin.x(), p.corner.x(), w, p.unitAcross);
        };
        return QLineF(x(l.x1()), l.y1(), x(l.x2()), l.y2());
    }
    if (l.y1() == l.y2()) {
        const auto y = [&](double at) {
            return snappedToDots(at, p.origin.y(), p.corner.y(), w, p.unitDown);
        };
        return QLineF(l.x1(), y(l.y1()), l.x2(), y(l.y2()));
    }
    return l;
}

PlacedMarks place(const Marks& marks, const Placement& p)
{
    PlacedMarks out;
    out.unit = QSizeF(p.unitAcross, p.unitDown);
    const double kx = p.dotsPerTwip * p.across;
    const double ky = p.dotsPerTwip * p.down;
    const double ux = p.unitAcross, uy = p.unitDown;
    const auto snap = [&](double at, double origin, double corner, double w, double unit) {
        return p.onDots ? snappedToDots(at, origin, corner, w, unit) : at;
    };
    for (const Mark& m : marks.marks) {
        const int w = marks.pens.value(m.pen, 1);
        switch (m.kind) {
        case Mark::Kind::Segment: {
            const QLineF l(m.x1 * kx, m.y1 * ky, m.x2 * kx, m.y2 * ky);
            const int pen = penOf(l, w, p);
            out.lines[pen].append(snappedLine(l, pen, p));
            break;
        }
        case Mark::Kind::Dot:
            out.dots[w].append(QPointF(snap(m.x1 * kx, p.origin.x(), p.corner.x(), w * ux, ux),
                                       snap(m.y1 * ky, p.origin.y(), p.corner.y(), w * uy, uy)));
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
