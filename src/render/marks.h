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
    // Each pen's colour (as the window keeps its line colour), where the
    // weights have colours of their own; empty: every pen the line colour.
    QList<quint32> inks;
    // Numbers drawn as strokes (see patterns::digits): the marks from
    // `first`, `count` of them, centred across on `centre`. A mirror moves
    // them, and never turns them about.
    struct Words {
        qsizetype first = 0, count = 0;
        double centre = 0;
    };
    QList<Words> words;

    // The marks of each colour in turn, the thin pen's first (so that the
    // wider weights lie over it): the marks of one ink, with every pen.
    QList<QPair<quint32, Marks>> byInk() const
    {
        QList<QPair<quint32, Marks>> out;
        for (qsizetype pen = 0; pen < pens.size(); ++pen) {
            const quint32 ink = inks.value(pen, inks.value(0));
            qsizetype at = 0;
            while (at < out.size() && out[at].first != ink)
                ++at;
            if (at == out.size())
                out.append({ink, Marks{pens, {}, {}, {}}});
            for (const Mark& m : marks)
                if (m.pen == pen)
                    out[at].second.marks.append(m);
        }
        return out;
    }

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
