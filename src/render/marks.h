#pragma once

#include <QList>
#include <QtGlobal>

namespace gridorra {

// One thing drawn on a sheet, in twips from the printable area's top-left
// corner (y down), with the pen it is drawn with.
struct Mark {
    enum class Kind : quint8 {
        Segment, // a straight line from (x1, y1) to (x2, y2), its pen wide
        Dot,     // a filled round dot centred on (x1, y1), its pen across
        Circle,  // a circle about (x1, y1) of radius x2, its pen wide
    };
    Kind kind = Kind::Segment;
    quint8 pen = 0; // index in Marks::pens
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

// A sheet as marks: what a pattern makes and every surface draws (the
// printer's page, the PDF, the SVG and the PNG).
struct Marks {
    QList<int> pens; // widths in device dots (a dot's diameter)
    QList<Mark> marks;

    void segment(int pen, double x1, double y1, double x2, double y2)
    {
        marks.append({Mark::Kind::Segment, quint8(pen), x1, y1, x2, y2});
    }
    void dot(int pen, double x, double y)
    {
        marks.append({Mark::Kind::Dot, quint8(pen), x, y, 0, 0});
    }
    void circle(int pen, double x, double y, double radius)
    {
        marks.append({Mark::Kind::Circle, quint8(pen), x, y, radius, 0});
    }
};

} // namespace gridorra
