#pragma once

#include "marks.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace gridorra {

// The kinds of paper besides the window's grid, made as marks from the
// sheet's values and the printable area. Lengths are in the chosen unit,
// pens in device dots. Every kind begins at the printable area's top-left
// corner, its first marks inset by half its widest pen so that none is cut
// by the edge; polar paper alone is centred, as its pole is the middle of
// the sheet.
struct PatternParameters {
    QString name;
    double unit = 1440;    // twips per inch or per centimetre
    double linesDown = 10; // horizontal lines (rows) per unit
    double linesAcross = 10;
    int wideDown = 10;                // every so many horizontal lines (rows) is wide
    int wideAcross = 10;              // every so many vertical lines (columns) is wide
    int thickness = 1;                // thin pen in dots; wide = thin x 1.5 + 2
    std::optional<int> wideThickness; // the wide lines' pen in dots, where not the rule's
    std::optional<int> dotSize, wideDotSize;
    std::optional<double> marginLine;    // lined: a vertical line this far from the left
    std::optional<double> side;          // isometric, isodots: the triangles' side
    std::optional<double> hexSize;       // hex: across the flats
    std::optional<int> decades;          // semilog, loglog: decades down
    std::optional<int> decadesAcross;    // loglog: decades across (else as down)
    std::optional<double> ringSpacing;   // polar
    std::optional<int> rays;             // polar
    std::optional<double> lineGap;       // staff: between a staff's lines
    std::optional<double> staffGap;      // staff: between staves
    std::optional<double> boxSize;       // checklist: a box's side
    std::optional<double> square;        // seyes: a square's side
    std::optional<double> xHeight;       // handwriting, doubleruled: base to middle line
    std::optional<double> rowGap;        // handwriting, doubleruled: between rows
    std::optional<double> slant;         // doubleruled: the guide lines' angle, degrees
    std::optional<double> cueWidth;      // cornell: the cue column's width
    std::optional<double> summaryHeight; // cornell: the summary band's height
    // The wide (and the grid's heavy) lines' colour, as the window keeps
    // its line colour, where not the line colour.
    std::optional<quint32> wideColour, heavyColour;
    // Every kind: whole cells fitted and centred between the margins; the
    // sheet laid across the page's long side.
    bool centre = false;
    bool landscape = false;
    bool labels = false;        // semilog, loglog: numbered axes
    std::optional<int> columns; // programming: the form's columns
};

// The printable area in twips and the dots per inch it is drawn at.
struct PatternArea {
    double width = 0;
    double height = 0;
    int dpi = 600;
};

struct PatternSheet {
    Marks marks;
    QString refusal; // why these values make no sheet (then no marks)
};

// The grid drawn as the other kinds are: its lines `down` and `across`
// twips apart (0: one line that way), every `wideDown`-th and
// `wideAcross`-th line wide (the window's counting: the first is wide, and
// with a period of 0 or less only the first), every `heavyEvery`-th wide
// line heavier (the wide pen x 1.5 + 2; 0: none), its first lines half the
// widest pen inside the printable corner. Pens in dots.
struct Lattice {
    double down = 0;
    double across = 0;
    int wideDown = 10;
    int wideAcross = 10;
    int heavyEvery = 0;
    int thin = 1;
    int wide = 4;
    int heavy = 0; // the heavy pen; 0: the wide one x 1.5 + 2
};

namespace patterns {

// Every kind by name, the window's grid first.
QStringList names();

// The options (without dashes) a kind takes beyond those of every sheet.
QStringList optionsOf(const QString& name);

// The marks of a kind other than the grid.
PatternSheet make(const PatternParameters& p, const PatternArea& area);

// The grid's lines as marks, each whole pen inside the area: a line whose
// pen would reach past the far side is left out; every line runs from the
// outer edge of the first line across it to the outer edge of the last.
Marks lattice(const Lattice& l, const PatternArea& area);

// A whole number as strokes across and down (the seven bars of a digit
// display), `height` twips high, its digits half as wide with a quarter of
// the height between them, centred on `centreX` and on `middleY`; in pen
// `pen`. Marks::words keeps where it is.
void digits(Marks& marks, int pen, int value, double centreX, double middleY, double height);
// The width of such a number.
double digitsWidth(int value, double height);
// Words of the letters A, D, E, F, H, M, N, O, S, T and the digits as bars
// in the same way (the letters with bars down the middle and slanting ones
// as well), centred on `centreX` and `middleY`; and their width.
void bars(Marks& marks, int pen, const QString& text, double centreX, double middleY,
          double height);
double textWidth(const QString& text, double height);

// The thin, wide and heavy pens' colours (Marks::inks), where the wide or
// heavy lines have a colour of their own; `line`: the line colour.
void inked(Marks& marks, const PatternParameters& p, quint32 line);

// Thin, wide and heavy pens from a thickness, as the grid has them.
int thinPen(int thickness);
int widerPen(int pen);

} // namespace patterns
} // namespace gridorra
