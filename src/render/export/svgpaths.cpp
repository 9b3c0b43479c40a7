#include "svgpaths.h"

namespace gridorra {

namespace {

QByteArray decimal(double v)
{
    return QByteArray::number(v, 'f', 3);
}

} // namespace

void SvgPaths::add(double width, const QString& colour, const QList<QLineF>& lines)
{
    QByteArray& d = m_paths[{colour, width}];
    for (const QLineF& l : lines) {
        d += 'M' + decimal(l.x1()) + ' ' + decimal(l.y1());
        if (l.y1() == l.y2())
            d += 'H' + decimal(l.x2());
        else if (l.x1() == l.x2())
            d += 'V' + decimal(l.y2());
        else
            d += 'L' + decimal(l.x2()) + ' ' + decimal(l.y2());
    }
}

void SvgPaths::addDots(double diameter, const QString& colour, const QList<QPointF>& centres)
{
    // A dot is a path of no length with round caps: a circle of the pen.
    QByteArray& d = m_dots[{colour, diameter}];
    for (const QPointF& c : centres)
        d += 'M' + decimal(c.x()) + ' ' + decimal(c.y()) + "h0";
}

void SvgPaths::addRings(double width, const QString& colour, const QList<QPointF>& centres,
                        const QList<QSizeF>& radii)
{
    // Two half ellipses each.
    QByteArray& d = m_paths[{colour, width}];
    for (qsizetype i = 0; i < centres.size(); ++i) {
        const QByteArray r = decimal(radii[i].width()) + ' ' + decimal(radii[i].height());
        const QByteArray across = decimal(2 * radii[i].width());
        d += 'M' + decimal(centres[i].x() - radii[i].width()) + ' ' + decimal(centres[i].y()) +
             'a' + r + " 0 1 0 " + across + " 0a" + r + " 0 1 0 -" + across + " 0z";
    }
}

QByteArray SvgPaths::svg(const QString& title) const
{
    const QSizeF units = m_points * (m_dpi / 72.0);
    QByteArray out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" +
                     decimal(m_points.width() * 25.4 / 72) + "mm\" height=\"" +
                     decimal(m_points.height() * 25.4 / 72) + "mm\" viewBox=\"0 0 " +
                     decimal(units.width()) + ' ' + decimal(units.height()) + "\">\n<title>" +
                     title.toHtmlEscaped().toUtf8() + "</title>\n";
    for (auto it = m_paths.cbegin(); it != m_paths.cend(); ++it)
        out += "<path fill=\"none\" stroke=\"" + it.key().first.toUtf8() + "\" stroke-width=\"" +
               decimal(it.key().second) + "\" d=\"" + it.value() + "\"/>\n";
    for (auto it = m_dots.cbegin(); it != m_dots.cend(); ++it)
        out += "<path fill=\"none\" stroke=\"" + it.key().first.toUtf8() +
               "\" stroke-linecap=\"round\" stroke-width=\"" + decimal(it.key().second) +
               "\" d=\"" + it.value() + "\"/>\n";
    return out + "</svg>\n";
}

} // namespace gridorra
