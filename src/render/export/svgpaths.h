#pragma once

#include <QByteArray>
#include <QLineF>
#include <QList>
#include <QMap>
#include <QSizeF>
#include <QString>

namespace gridorra {

// A page of lines as SVG text: one path a pen width, every line at its
// exact place, the page at its physical size. Written directly, a dense
// grid is a small file made in about a millisecond.
class SvgPaths {
public:
    // `points`: the page's size; `dpi`: the drawing's units to the inch.
    SvgPaths(const QSizeF& points, int dpi) : m_points(points), m_dpi(dpi) {}

    // Lines a pen `width` units wide, in `colour` (#rrggbb).
    void add(double width, const QString& colour, const QList<QLineF>& lines);
    // Round dots `diameter` units across, and rings (ellipses) a pen
    // `width` wide.
    void addDots(double diameter, const QString& colour, const QList<QPointF>& centres);
    void addRings(double width, const QString& colour, const QList<QPointF>& centres,
                  const QList<QSizeF>& radii);
    QByteArray svg(const QString& title) const;

private:
    QSizeF m_points;
    int m_dpi;
    QMap<QPair<QString, double>, QByteArray> m_paths; // by colour and width
    QMap<QPair<QString, double>, QByteArray> m_dots;  // round caps, by colour and size
};

} // namespace gridorra
