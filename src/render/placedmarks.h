#pragma once

#include "marks.h"

#include <QLineF>
#include <QList>
#include <QMap>
#include <QPointF>
#include <QRectF>
#include <QSizeF>

namespace gridorra {

// Where a sheet's marks land on a device: its dots per twip, the printer's
// correction (places stretched, pens kept), and the printable corner in
// device units, from which the dots are counted when marks snap to them.
struct Placement {
    double dotsPerTwip = 1;
    double across = 1;
    double down = 1;
    QPointF origin;
    bool onDots = true;
    // Device units per printer dot, across and down (a driver whose dots
    // are not square); pens are whole dots of the axis they lie across.
    double unitAcross = 1;
    double unitDown = 1;
    // The page's corner from `origin`, whole device units: dots larger than
    // a device unit are counted from it.
    QPointF corner;
};

// A ring as placed: an ellipse when the correction stretches one way more.
struct PlacedRing {
    QPointF centre;
    double rx = 0;
    double ry = 0;
};

// The marks in device units from the printable corner. On dots, a line
// across or down the page has its edges on dot boundaries, as a dot has
// its rows (see discRows); slanted lines and rings keep their exact places.
struct PlacedMarks {
    QMap<int, QList<QLineF>> lines;     // by pen width in device units
    QMap<int, QList<QPointF>> dots;     // by diameter in dots: the centres
    QMap<int, QList<PlacedRing>> rings; // by pen width in device units
    QSizeF unit{1, 1};                  // device units per dot, for a dot's rows
};

PlacedMarks place(const Marks& marks, const Placement& placement);

// A line across or down the page, in device units from the printable
// corner, its pen `width` device units, with its edges on dot boundaries
// where the placement is on dots (see snappedToDots); a slanted line keeps
// its place. Every line the program draws on a printer's dots is snapped
// here.
QLineF snappedLine(const QLineF& line, double width, const Placement& placement);

// A place on the device whose mark, `width` device units across, has its
// edges on dot boundaries: counted from `origin` where a dot is a device
// unit (`unit` 1), else every `unit` device units from `origin` + `corner`.
// It moves by half a dot at most.
double snappedToDots(double at, double origin, double corner, double width, double unit);

// The rows of a dot `diameter` dots across whose centre lies `diameter`/2
// from dot boundaries, as rectangles about the centre: a round dot made of
// whole dots, exactly `diameter` across and down, rows of one span merged.
QList<QRectF> discRows(int diameter);

// A line across or down the page as the rectangle its pen covers.
QRectF coveredBy(const QLineF& line, double width);

inline bool isAxisAligned(const QLineF& l)
{
    return l.x1() == l.x2() || l.y1() == l.y2();
}

} // namespace gridorra
