#include "patterns.h"

#include "core/number.h"

#include <QHash>

#include <algorithm>
#include <cmath>
#include <functional>

namespace gridorra::patterns {

namespace {

constexpr double sqrt3 = 1.7320508075688772;

// What every kind works from: the area, the pens and a length's dots.
struct Frame {
    const PatternParameters& p;
    const PatternArea& area;
    double dotsPerTwip() const { return area.dpi / 1440.0; }
    double dots(double twips) const { return twips * dotsPerTwip(); }
    // Half a pen, in twips.
    double half(int pen) const { return pen / 2.0 / dotsPerTwip(); }
    // The first marks' distance from the corner: exactly half the widest
    // pen, so that an odd pen's edges fall on the dots as an even one's do.
    double inset(int widest) const { return half(widest); }
    // Whether a mark of `pen` centred at (x, y) lies wholly on the area's
    // near side of its far edges (x or y less than 0: that way not asked).
    bool fits(int pen, double x, double y = -1) const
    {
        return x + half(pen) <= area.width + 1e-6 && y + half(pen) <= area.height + 1e-6;
    }
    // The printable area as a user reads it, in the sheet's unit.
    QString areaText() const
    {
        const bool inches = p.unit == 1440;
        return QStringLiteral("%1 x %2 %3")
            .arg(QString::number(area.width / p.unit, 'f', 2),
                 QString::number(area.height / p.unit, 'f', 2),
                 inches ? QStringLiteral("in") : QStringLiteral("cm"));
    }
};

QString number(double v)
{
    return QString::number(v, 'g', 4);
}

// Why the values make no sheet, thrown from where it is found.
struct Refusal {
    QString why;
};

Refusal refuse(const char* option, double value, const QString& why)
{
    return {QStringLiteral("--%1 %2: %3").arg(QLatin1String(option), number(value), why)};
}

// Refused unless one whole `cell` (`across` x `down` twips, inset by
// `inset` from every edge) fits on the printable area: a sheet without a
// whole cell is no sheet of its kind.
void wholeCell(const Frame& f, double across, double down, double inset, const char* option,
               double value, const char* cell)
{
    if (across + 2 * inset <= f.area.width + 1e-6 && down + 2 * inset <= f.area.height + 1e-6)
        return;
    throw refuse(option, value,
                 QStringLiteral("not one whole %1 fits on the printable area (%2)")
                     .arg(QLatin1String(cell), f.areaText()));
}

// The distance between lines `count` to the unit apart.
double spacingOf(const Frame& f, const char* option, double count)
{
    if (!(count > 0) || !std::isfinite(count))
        throw refuse(option, count, QStringLiteral("give more than 0 lines"));
    return f.p.unit / count;
}

// The part of the segment inside [0, w] x [0, h] (Liang and Barsky); false
// when none is.
bool clip(double& x1, double& y1, double& x2, double& y2, double w, double h)
{
    double t0 = 0, t1 = 1;
    const double dx = x2 - x1, dy = y2 - y1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x1, w - x1, y1, h - y1};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
    }
    if (t0 >= t1)
        return false;
    const double ax = x1 + t0 * dx, ay = y1 + t0 * dy;
    x2 = x1 + t1 * dx;
    y2 = y1 + t1 * dy;
    x1 = ax;
    y1 = ay;
    return true;
}

// Positions from `from` to `to` (included, to a thousandth of a twip) in steps.
template <typename Each> void along(double from, double to, double step, Each&& each)
{
    for (int i = 0;; ++i) {
        const double at = from + i * step;
        if (at > to + 1e-3)
            return;
        each(i, at);
    }
}

bool every(int i, int period)
{
    return period > 0 && i % period == 0;
}

// Dots at every crossing of rows `rowStep` apart and columns `columnStep`
// apart; rows shifted by half a column every other row with `staggered`.
void dotsAt(const Frame& f, double rowStep, double columnStep, bool staggered,
            const std::function<int(int, int)>& penOf, Marks& m)
{
    const int widest = *std::max_element(m.pens.cbegin(), m.pens.cend());
    for (const double step : {rowStep, columnStep})
        if (f.dots(step) <= widest)
            throw refuse("dot-size", widest,
                         QStringLiteral("a dot of %1 dots is as large as the spacing of %2 dots "
                                        "or larger; give a smaller dot or a wider spacing")
                             .arg(widest)
                             .arg(number(f.dots(step))));
    const double inset = f.inset(widest);
    along(inset, f.area.height, rowStep, [&](int row, double y) {
        const double shift = staggered && row % 2 ? columnStep / 2 : 0;
        along(inset + shift, f.area.width, columnStep, [&](int column, double x) {
            const int pen = penOf(row, column);
            if (f.fits(m.pens[pen], x, y))
                m.dot(pen, x, y);
        });
    });
}

void dots(const Frame& f, Marks& m)
{
    const int size = f.p.dotSize.value_or(4);
    m.pens = {size, f.p.wideDotSize.value_or(size)};
    const double rows = spacingOf(f, "lines-down", f.p.linesDown);
    const double columns = spacingOf(f, "lines-across", f.p.linesAcross);
    const double inset = f.inset(std::max(m.pens[0], m.pens[1]));
    wholeCell(f, 0, rows, inset, "lines-down", f.p.linesDown, "row of dots");
    wholeCell(f, columns, 0, inset, "lines-across", f.p.linesAcross, "column of dots");
    dotsAt(
        f, rows, columns, false,
        [&](int row, int column) {
            return every(row, f.p.wideDown) && every(column, f.p.wideAcross) ? 1 : 0;
        },
        m);
}

double triangleSide(const Frame& f)
{
    return f.p.side ? *f.p.side * f.p.unit : spacingOf(f, "lines-across", f.p.linesAcross);
}

// Refused unless one whole triangle of side `s` fits inside `inset`.
void wholeTriangle(const Frame& f, double s, double inset)
{
    wholeCell(f, s, s * sqrt3 / 2, inset, f.p.side ? "side" : "lines-across",
              f.p.side ? *f.p.side : f.p.linesAcross, "triangle");
}

void isodots(const Frame& f, Marks& m)
{
    m.pens = {f.p.dotSize.value_or(4)};
    const double s = triangleSide(f);
    wholeTriangle(f, s, f.inset(m.pens[0]));
    dotsAt(
        f, s * sqrt3 / 2, s, true, [](int, int) { return 0; }, m);
}

void lined(const Frame& f, Marks& m)
{
    const double inset = f.inset(m.pens[1]);
    const double spacing = spacingOf(f, "lines-down", f.p.linesDown);
    wholeCell(f, 0, spacing, inset, "lines-down", f.p.linesDown, "line space");
    along(inset, f.area.height, spacing, [&](int i, double y) {
        const int pen = every(i, f.p.wideDown) ? 1 : 0;
        if (f.fits(m.pens[pen], -1, y))
            m.segment(pen, 0, y, f.area.width, y);
    });
    if (f.p.marginLine) {
        const double x = *f.p.marginLine * f.p.unit;
        if (x <= 0 || x >= f.area.width)
            throw refuse("margin-line", *f.p.marginLine,
                         QStringLiteral("the margin line must lie inside the sheet"));
        m.segment(1, x, 0, x, f.area.height);
    }
}

// Ruled lines as lined paper has them, and in every line space a square
// box of the thin pen at the start: its side `--box-size` (0.6 of the line
// space), centred in the space, as far from the area's left (less half the
// wide pen) as from the lines above and below it.
void checklist(const Frame& f, Marks& m)
{
    const double inset = f.inset(m.pens[1]);
    const double spacing = spacingOf(f, "lines-down", f.p.linesDown);
    wholeCell(f, 0, spacing, inset, "lines-down", f.p.linesDown, "line space");
    const double box = f.p.boxSize ? *f.p.boxSize * f.p.unit : spacing * 0.6;
    const double thin = f.half(m.pens[0]);
    if (!(box > 0) || box + 2 * thin + 2 * f.half(m.pens[1]) > spacing + 1e-6)
        throw refuse("box-size", f.p.boxSize.value_or(box / f.p.unit),
                     QStringLiteral("a box must lie between its lines, which are %1 apart")
                         .arg(number(spacing / f.p.unit)));
    const double left = inset + (spacing - box) / 2;
    if (!f.fits(m.pens[0], left + box))
        throw refuse("box-size", f.p.boxSize.value_or(box / f.p.unit),
                     QStringLiteral("the box is wider than the sheet"));
    QList<double> lines;
    along(inset, f.area.height, spacing, [&](int i, double y) {
        const int pen = every(i, f.p.wideDown) ? 1 : 0;
        if (f.fits(m.pens[pen], -1, y)) {
            m.segment(pen, 0, y, f.area.width, y);
            lines << y;
        }
    });
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        const double top = (lines[i] + lines[i + 1]) / 2 - box / 2, bottom = top + box;
        m.segment(0, left - thin, top, left + box + thin, top);
        m.segment(0, left - thin, bottom, left + box + thin, bottom);
        m.segment(0, left, top, left, bottom);
        m.segment(0, left + box, top, left + box, bottom);
    }
}

// Lines at 60 degrees to the horizontal lines, both ways, through the
// corners of triangles of side `s` whose first row of corners begins at
// (x0, y0), from that row down to `y1`; every `period`-th of each family
// wide. A slanted line's flat end sticks out beyond its end point by a
// quarter of its pen up or down and by 0.87 of half its pen sideways:
// they stop that far inside the area's sides.
void slanted(const Frame& f, double x0, double y0, double y1, double s, int period, Marks& m)
{
    const double side = f.half(m.pens[1]) * sqrt3 / 2;
    const double w = f.area.width - 2 * side, h = y1 - y0;
    const double run = h / sqrt3; // how far a line moves across, top to bottom
    for (const int sense : {1, -1}) {
        // Lines through (x0 + j s, y0); enough of them to cross the area.
        const int first = int(std::floor((-run - x0) / s)) - 1;
        const int last = int(std::ceil((f.area.width + run - x0) / s)) + 1;
        for (int j = first; j <= last; ++j) {
            const double at = x0 + j * s - side;
            double ax = at, ay = 0;
            double bx = at + sense * h / sqrt3, by = h;
            if (clip(ax, ay, bx, by, w, h))
                m.segment(every(std::abs(j), period) ? 1 : 0, ax + side, ay + y0, bx + side,
                          by + y0);
        }
    }
}

void isometric(const Frame& f, Marks& m)
{
    const double s = triangleSide(f);
    if (f.dots(s) < 2 * m.pens[1] + 2)
        throw refuse("side", s / f.p.unit,
                     QStringLiteral("triangles of %1 dots are too small for their lines")
                         .arg(number(f.dots(s))));
    const double inset = f.inset(m.pens[1]);
    wholeTriangle(f, s, inset);
    double last = inset;
    along(inset, f.area.height, s * sqrt3 / 2, [&](int i, double y) {
        const int pen = every(i, f.p.wideDown) ? 1 : 0;
        if (!f.fits(m.pens[pen], -1, y))
            return;
        m.segment(pen, 0, y, f.area.width, y);
        last = y;
    });
    slanted(f, inset, inset, last, s, f.p.wideAcross, m);
}

// Hexagons' size across the flats: `--hex-size`, else one over the count
// of lines `option` names; refused where their lines would run together.
double hexagonSize(const Frame& f, const Marks& m, const char* option, double count)
{
    const double across = f.p.hexSize ? *f.p.hexSize * f.p.unit : spacingOf(f, option, count);
    if (f.dots(across) < 4 * m.pens[0] + 4)
        throw refuse("hex-size", across / f.p.unit,
                     QStringLiteral("hexagons of %1 dots are too small for their lines")
                         .arg(number(f.dots(across))));
    return across;
}

void hex(const Frame& f, Marks& m)
{
    // Hexagons with a point up: flats left and right, `across` apart; each
    // edge drawn once.
    const double across = hexagonSize(f, m, "lines-across", f.p.linesAcross);
    const double a = across / sqrt3; // a side, and the centre's distance to a point
    const double inset = f.inset(m.pens[0]);
    wholeCell(f, across, 2 * a, inset, f.p.hexSize ? "hex-size" : "lines-across",
              f.p.hexSize ? *f.p.hexSize : f.p.linesAcross, "hexagon");
    QHash<QPair<qint64, qint64>, bool> drawn;
    const auto edge = [&](double x1, double y1, double x2, double y2) {
        const QPair<qint64, qint64> key{std::llround((x1 + x2) * 50), std::llround((y1 + y2) * 50)};
        if (drawn.contains(key))
            return;
        drawn.insert(key, true);
        m.segment(0, x1, y1, x2, y2);
    };
    for (int row = 0;; ++row) {
        const double cy = inset + a + row * 1.5 * a;
        if (cy + a > f.area.height - inset + 1e-3)
            break;
        for (int column = 0;; ++column) {
            const double cx = inset + across / 2 + column * across + (row % 2 ? across / 2 : 0);
            if (cx + across / 2 > f.area.width - inset + 1e-3)
                break;
            const double l = cx - across / 2, r = cx + across / 2;
            edge(l, cy - a / 2, l, cy + a / 2);
            edge(r, cy - a / 2, r, cy + a / 2);
            edge(l, cy - a / 2, cx, cy - a);
            edge(cx, cy - a, r, cy - a / 2);
            edge(l, cy + a / 2, cx, cy + a);
            edge(cx, cy + a, r, cy + a / 2);
        }
    }
}

// The lines of `decades` decades over [from, to]: a wide line at every
// power of ten, thin ones at 2 .. 9 times it; with `up` the values grow
// from `to` towards `from` (a vertical axis grows upwards).
void logLines(const Frame& f, const char* option, int decades, double from, double to, bool up,
              int widest, const std::function<void(int pen, double at, int value)>& line)
{
    if (decades < 1 || decades > 20)
        throw refuse(option, decades, QStringLiteral("give 1 to 20 decades"));
    const double decade = (to - from) / decades;
    // The lines at 9 and 10 are the closest: there must be a dot between them.
    const double closest = f.dots(decade * (1 - std::log10(9.0)));
    if (closest < widest + 1)
        throw refuse(option, decades,
                     QStringLiteral("the lines at 9 and 10 would be %1 dots apart, too close "
                                    "for their pens; give fewer decades")
                         .arg(number(closest)));
    for (int d = 0; d <= decades; ++d)
        for (int k = 1; k <= (d == decades ? 1 : 9); ++k) {
            const double at = (d + std::log10(double(k))) * decade;
            line(k == 1 ? 1 : 0, up ? to - at : from + at, k);
        }
}

// With `--labels`, log paper's numbers: 1 to 9 in each decade, in a band
// 4 mm wide left of the decades up the page (and, on log-log paper, 4 mm
// high below those across), each centred on its line and on the band, at
// most 2.5 mm high and no higher than 0.8 of the gap between the lines at
// 9 and 10; each kept whole on the printable area.
constexpr double labelBand = 4 / 25.4 * 1440;
constexpr double labelHeight = 2.5 / 25.4 * 1440;

void logPaper(const Frame& f, bool logAcross, Marks& m)
{
    const double inset = f.inset(m.pens[1]);
    const double band = f.p.labels ? labelBand : 0;
    const double left = inset + band, top = inset;
    const double bottom = f.area.height - inset - (logAcross ? band : 0);
    double right = f.area.width - inset;
    QList<QPair<int, double>> across; // the vertical lines' pens and places
    QList<QPair<double, int>> labelsAcross;
    const int decadesAcross = f.p.decadesAcross.value_or(f.p.decades.value_or(2));
    if (logAcross) {
        logLines(f, "decades-across", decadesAcross, left, right, false, m.pens[1],
                 [&](int pen, double x, int k) {
                     across.append({pen, x});
                     labelsAcross.append({x, k});
                 });
    } else {
        const double spacing = spacingOf(f, "lines-across", f.p.linesAcross);
        wholeCell(f, spacing, 0, inset, "lines-across", f.p.linesAcross, "column");
        along(left, f.area.width, spacing, [&](int i, double x) {
            const int pen = every(i, f.p.wideAcross) ? 1 : 0;
            if (f.fits(m.pens[pen], x))
                across.append({pen, x});
        });
        right = across.last().second;
    }
    // Every line runs from the outer edge of the first line across it to
    // the outer edge of the last: the decades' frame is closed at its
    // corners, and nothing reaches past the printable area.
    const double from = left - f.half(m.pens[across.first().first]);
    const double to = right + f.half(m.pens[across.last().first]);
    QList<QPair<double, int>> labelsDown;
    const int decades = f.p.decades.value_or(2);
    logLines(f, "decades", decades, top, bottom, true, m.pens[1], [&](int pen, double y, int k) {
        m.segment(pen, from, y, to, y);
        labelsDown.append({y, k});
    });
    for (const auto& [pen, x] : across)
        m.segment(pen, x, top - f.half(m.pens[1]), x, bottom + f.half(m.pens[1]));
    if (!f.p.labels)
        return;
    const auto heightFor = [](double length, int count) {
        return std::min(labelHeight, 0.8 * length / count * (1 - std::log10(9.0)));
    };
    // Each number's strokes, their pens included, on the printable area.
    const double pen = f.half(m.pens[0]);
    const double down = heightFor(bottom - top, decades);
    for (const auto& [y, k] : labelsDown)
        digits(m, 0, k, band / 2, std::clamp(y, down / 2 + pen, f.area.height - down / 2 - pen),
               down);
    const double sideways = heightFor(right - left, decadesAcross);
    for (const auto& [x, k] : labelsAcross) {
        const double half = digitsWidth(k, sideways) / 2 + pen;
        digits(m, 0, k, std::clamp(x, half, f.area.width - half), f.area.height - band / 2,
               sideways);
    }
}

// A coding form: `--columns` (80) columns across the sheet from half the
// wide pen in, their lines thin and every tenth wide; a header band two
// number heights high between two wide lines, in which the first column
// and every fifth are numbered (numbers at most 2.5 mm high, and no wider
// than four columns, each over its column and whole on the area); below
// it, rows `--lines-down` to the unit, as many as fit.
void programming(const Frame& f, Marks& m)
{
    const int columns = f.p.columns.value_or(80);
    const double inset = f.inset(m.pens[1]);
    const double cell = (f.area.width - 2 * inset) / columns;
    if (f.dots(cell) < m.pens[1] + 1)
        throw refuse("columns", columns,
                     QStringLiteral("columns %1 dots wide are too narrow for their lines")
                         .arg(number(f.dots(cell))));
    const double spacing = spacingOf(f, "lines-down", f.p.linesDown);
    const double h = std::min(labelHeight, 4 * cell / 1.25);
    const double header = inset + 2 * h;
    wholeCell(f, 0, 2 * h + spacing, inset, "lines-down", f.p.linesDown, "row under the header");
    m.segment(1, 0, inset, f.area.width, inset);
    m.segment(1, 0, header, f.area.width, header);
    double last = header;
    for (double y = header + spacing; f.fits(m.pens[0], -1, y); y += spacing) {
        m.segment(0, 0, y, f.area.width, y);
        last = y;
    }
    const double foot = last + f.half(m.pens[last == header ? 1 : 0]);
    for (int j = 0; j <= columns; ++j)
        m.segment(j % 10 ? 0 : 1, inset + j * cell, 0, inset + j * cell, foot);
    // Each number over its column, kept whole on the printable area.
    for (int c = 1; c <= columns; ++c) {
        if (c != 1 && c % 5 != 0)
            continue;
        const double half = digitsWidth(c, h) / 2 + f.half(m.pens[0]);
        digits(m, 0, c, std::clamp(inset + (c - 0.5) * cell, half, f.area.width - half), inset + h,
               h);
    }
}

// Engineering paper: the grid of `--lines-down` and `--lines-across` lines
// to the unit, exact, every `--wide-down`-th and `--wide-across`-th wide
// (as the grid of exact lengths lays it out), and in its lower right
// corner a title block of wide lines, 7 cm by 2.4 cm (at most 0.6 of the
// grid's width and 0.3 of its height), its right and foot on the grid's
// last lines: three fields, NAME, DATE, and SHEET beside OF, each named at
// its top left in letters 2 mm high, and no grid inside it.
void engineering(const Frame& f, Marks& m)
{
    const double down = spacingOf(f, "lines-down", f.p.linesDown);
    const double across = spacingOf(f, "lines-across", f.p.linesAcross);
    const Marks grid =
        lattice({down, across, f.p.wideDown, f.p.wideAcross, 0, m.pens[0], m.pens[1], 0}, f.area);
    if (grid.marks.isEmpty())
        throw refuse("lines-down", f.p.linesDown,
                     QStringLiteral("not one whole square fits on the printable area (%1)")
                         .arg(f.areaText()));
    // The last lines' places: the last vertical line's x, the last
    // horizontal line's y.
    double right = 0, bottom = 0;
    for (const Mark& mark : grid.marks) {
        right = std::max(right, mark.x1);
        bottom = std::max(bottom, mark.y1);
    }
    const double cm = 1440 / 2.54;
    const double width = std::min(7 * cm, 0.6 * right), height = std::min(2.4 * cm, 0.3 * bottom);
    const double left = right - width, top = bottom - height;
    // The grid, but inside the block.
    for (Mark mark : grid.marks) {
        if (mark.y1 == mark.y2 && mark.y1 > top && mark.y1 < bottom)
            mark.x2 = std::min(mark.x2, left);
        if (mark.x1 == mark.x2 && mark.x1 > left && mark.x1 < right)
            mark.y2 = std::min(mark.y2, top);
        m.marks.append(mark);
    }
    const double row = height / 3, letters = std::min(0.2 * cm, row / 3);
    m.segment(1, left, top, right, top);
    m.segment(1, left, top, left, bottom);
    m.segment(1, left, top + row, right, top + row);
    m.segment(1, left, top + 2 * row, right, top + 2 * row);
    m.segment(1, left + width / 2, top + 2 * row, left + width / 2, bottom);
    const auto name = [&](const QString& text, double x, double y) {
        bars(m, 0, text, x + letters / 2 + textWidth(text, letters) / 2, y + letters, letters);
    };
    name(QStringLiteral("NAME"), left, top);
    name(QStringLiteral("DATE"), left, top + row);
    name(QStringLiteral("SHEET"), left, top + 2 * row);
    name(QStringLiteral("OF"), left + width / 2, top + 2 * row);
}

void polar(const Frame& f, Marks& m)
{
    const double spacing =
        f.p.ringSpacing ? *f.p.ringSpacing * f.p.unit : spacingOf(f, "lines-down", f.p.linesDown);
    if (f.dots(spacing) < m.pens[1] + 1)
        throw refuse("ring-spacing", spacing / f.p.unit,
                     QStringLiteral("rings %1 dots apart are finer than a dot between their "
                                    "pens")
                         .arg(number(f.dots(spacing))));
    const int rays = f.p.rays.value_or(36);
    if (rays < 1 || rays > 720)
        throw refuse("rays", rays, QStringLiteral("give 1 to 720 rays"));
    const double cx = f.area.width / 2, cy = f.area.height / 2;
    const double outer = std::min(cx, cy) - f.inset(m.pens[1]);
    const int rings = int(std::floor(outer / spacing + 1e-6));
    if (rings < 1)
        throw refuse("ring-spacing", spacing / f.p.unit,
                     QStringLiteral("not one ring fits on the sheet"));
    for (int k = 1; k <= rings; ++k)
        m.circle(every(k, f.p.wideDown) ? 1 : 0, cx, cy, k * spacing);
    const double r = rings * spacing;
    for (int i = 0; i < rays; ++i) {
        const double angle = 2 * M_PI * i / rays;
        // Rays on the axes are exactly across or down.
        const double c = i * 4 % rays == 0 ? std::round(std::cos(angle)) : std::cos(angle);
        const double s = i * 4 % rays == 0 ? std::round(std::sin(angle)) : std::sin(angle);
        // From the first ring out: inside it the rays would run together.
        m.segment(0, cx + spacing * c, cy - spacing * s, cx + r * c, cy - r * s);
    }
}

void staff(const Frame& f, Marks& m)
{
    const double gap =
        f.p.lineGap ? *f.p.lineGap * f.p.unit : spacingOf(f, "lines-down", f.p.linesDown);
    const double between = f.p.staffGap ? *f.p.staffGap * f.p.unit : 8 * gap;
    if (f.dots(gap) < m.pens[0] + 1)
        throw refuse("line-gap", gap / f.p.unit,
                     QStringLiteral("lines %1 dots apart leave no dot between them")
                         .arg(number(f.dots(gap))));
    // Staves closer than their own lines would run together.
    if (!(between >= gap))
        throw refuse("staff-gap", between / f.p.unit,
                     QStringLiteral("staves closer than their lines' gap (%1) would run "
                                    "together; give at least that")
                         .arg(number(gap / f.p.unit)));
    const double inset = f.inset(m.pens[0]);
    wholeCell(f, 0, 4 * gap, inset, f.p.lineGap ? "line-gap" : "lines-down",
              f.p.lineGap ? *f.p.lineGap : f.p.linesDown, "staff");
    for (double top = inset; top + 4 * gap <= f.area.height - inset + 1e-3;
         top += 4 * gap + between)
        for (int k = 0; k < 5; ++k)
            m.segment(0, inset, top + k * gap, f.area.width - inset, top + k * gap);
}

// French ruling: squares of `--square` (8 mm), each ruled in four by thin
// lines; the squares' lines wide, as far as whole squares fit, and a wide
// margin line (four squares in, or `--margin-line` from the left).
void seyes(const Frame& f, Marks& m)
{
    const double square = f.p.square ? *f.p.square * f.p.unit : 0.8 * 1440 / 2.54;
    const double fine = square / 4;
    if (f.dots(fine) < m.pens[1] + 1)
        throw refuse("square", square / f.p.unit,
                     QStringLiteral("its ruled lines, %1 dots apart, are too close for their pens")
                         .arg(number(f.dots(fine))));
    const double inset = f.inset(m.pens[1]);
    wholeCell(f, square, square, inset, "square", square / f.p.unit, "square");
    const int across = int(std::floor((f.area.width - 2 * inset) / square + 1e-6));
    const int down = int(std::floor((f.area.height - 2 * inset) / square + 1e-6));
    const double right = inset + across * square + f.half(m.pens[1]);
    const double bottom = inset + down * square + f.half(m.pens[1]);
    for (int i = 0; i <= 4 * down; ++i)
        m.segment(i % 4 ? 0 : 1, 0, inset + i * fine, right, inset + i * fine);
    const double margin = f.p.marginLine ? *f.p.marginLine * f.p.unit : inset + 4 * square;
    if (margin - f.half(m.pens[1]) < -1e-6 || margin + f.half(m.pens[1]) > right + 1e-6)
        throw refuse("margin-line", margin / f.p.unit,
                     QStringLiteral("the margin line must lie inside the squares"));
    for (int j = 0; j <= across; ++j)
        if (std::abs(inset + j * square - margin) > 1e-6)
            m.segment(1, inset + j * square, 0, inset + j * square, bottom);
    m.segment(1, margin, 0, margin, bottom);
}

// The x-height of writing lines (`--x-height`, else one over
// `--lines-down`), refused where lines that far apart leave no dot between
// their pens, or where not one `row` of `heights` x-heights fits.
double xHeightOf(const Frame& f, const Marks& m, int heights, const char* row)
{
    const double h =
        f.p.xHeight ? *f.p.xHeight * f.p.unit : spacingOf(f, "lines-down", f.p.linesDown);
    if (f.dots(h) < m.pens[1] + 1)
        throw refuse("x-height", h / f.p.unit,
                     QStringLiteral("lines %1 dots apart are too close for their pens")
                         .arg(number(f.dots(h))));
    wholeCell(f, 0, heights * h, f.inset(m.pens[1]), f.p.xHeight ? "x-height" : "lines-down",
              f.p.xHeight ? *f.p.xHeight : f.p.linesDown, row);
    return h;
}

// Rows of writing lines: from the top, a head line (thin), a dashed middle
// line one x-height above the base line, and the base line (wide); the
// next row's head line `--row-gap` below the base line. The lines run
// across the sheet; the dashes are half an x-height long, half an x-height
// apart, from the left edge.
void handwriting(const Frame& f, Marks& m)
{
    const double h = xHeightOf(f, m, 2, "row");
    const double gap = f.p.rowGap.value_or(h / f.p.unit) * f.p.unit;
    const double inset = f.inset(m.pens[1]);
    for (double top = inset; top + 2 * h <= f.area.height - inset + 1e-3; top += 2 * h + gap) {
        m.segment(0, 0, top, f.area.width, top);
        for (double x = 0; x < f.area.width - 1e-3; x += h)
            m.segment(0, x, top + h, std::min(x + h / 2, f.area.width), top + h);
        m.segment(1, 0, top + 2 * h, f.area.width, top + 2 * h);
    }
}

// Lines at `degrees` to the horizontal lines, leaning right, one every
// `step` along the line at `y1`, from `y0` down to `y1`; each stops far
// enough inside the area's sides that its flat end stays on it.
void guideLines(const Frame& f, double degrees, double step, double y0, double y1, Marks& m)
{
    const double angle = degrees * M_PI / 180;
    const double side = f.half(m.pens[0]) * std::sin(angle);
    const double run = (y1 - y0) / std::tan(angle); // across, foot to top
    const double w = f.area.width - 2 * side, h = y1 - y0;
    if (degrees == 90) {
        for (double x = f.inset(m.pens[0]); f.fits(m.pens[0], x); x += step)
            m.segment(0, x, y0, x, y1);
        return;
    }
    const int last = int(std::ceil(f.area.width / step)) + 1;
    for (int j = -int(std::ceil(run / step)) - 1; j <= last; ++j) {
        double ax = j * step - side, ay = h; // the foot
        double bx = ax + run, by = 0;
        if (clip(ax, ay, bx, by, w, h))
            m.segment(0, ax + side, ay + y0, bx + side, by + y0);
    }
}

// Calligraphy ruling: pairs of lines one x-height apart (a thin waist line
// above a wide base line), `--row-gap` (two x-heights) between pairs, and
// thin guide lines at `--slant` degrees (55), two x-heights apart, from the
// first waist line to the last base line.
void doubleruled(const Frame& f, Marks& m)
{
    const double h = xHeightOf(f, m, 1, "pair of lines");
    const double gap = f.p.rowGap ? *f.p.rowGap * f.p.unit : 2 * h;
    const double inset = f.inset(m.pens[1]);
    double last = inset;
    for (double top = inset; top + h <= f.area.height - inset + 1e-3; top += h + gap) {
        m.segment(0, 0, top, f.area.width, top);
        m.segment(1, 0, top + h, f.area.width, top + h);
        last = top + h;
    }
    guideLines(f, f.p.slant.value_or(55), 2 * h, inset, last, m);
}

// Hexagons with a flat side up: flats top and bottom `--hex-size` apart,
// columns 1.5 sides apart, every other one half a hexagon lower; each edge
// drawn once, by the hexagon on its left or above it where there is one.
void hexup(const Frame& f, Marks& m)
{
    const double across = hexagonSize(f, m, "lines-down", f.p.linesDown);
    const double a = across / sqrt3;
    const double inset = f.inset(m.pens[0]);
    wholeCell(f, 2 * a, across, inset, f.p.hexSize ? "hex-size" : "lines-down",
              f.p.hexSize ? *f.p.hexSize : f.p.linesDown, "hexagon");
    // The rows of each column that fit.
    QList<int> rows;
    for (int column = 0; inset + a + column * 1.5 * a + a <= f.area.width - inset + 1e-3;
         ++column) {
        int n = 0;
        while (inset + (n + 1) * across + (column % 2 ? across / 2 : 0) <=
               f.area.height - inset + 1e-3)
            ++n;
        rows << n;
    }
    // A neighbour on the right, up (-1) or down (+1): an odd column lies
    // half a hexagon lower than the even ones beside it.
    const auto rightNeighbour = [&](int column, int row, int sense) {
        const int r = row + (column % 2 ? (sense > 0 ? 1 : 0) : (sense > 0 ? 0 : -1));
        return column + 1 < rows.size() && r >= 0 && r < rows[column + 1];
    };
    for (int column = 0; column < rows.size(); ++column) {
        const double cx = inset + a + column * 1.5 * a;
        for (int row = 0; row < rows[column]; ++row) {
            const double cy = inset + across / 2 + row * across + (column % 2 ? across / 2 : 0);
            const double t = cy - across / 2, b = cy + across / 2;
            m.segment(0, cx - a / 2, t, cx + a / 2, t);
            m.segment(0, cx - a, cy, cx - a / 2, t);
            m.segment(0, cx - a, cy, cx - a / 2, b);
            if (row + 1 == rows[column])
                m.segment(0, cx - a / 2, b, cx + a / 2, b);
            if (!rightNeighbour(column, row, -1))
                m.segment(0, cx + a / 2, t, cx + a, cy);
            if (!rightNeighbour(column, row, 1))
                m.segment(0, cx + a / 2, b, cx + a, cy);
        }
    }
}

// Cornell notes: a wide line across `--summary-height` above the area's
// foot closes the summary band; a wide cue line `--cue-width` from the left
// runs from the top down to it; thin ruled lines, `--lines-down` to the
// unit from half the wide pen in, cross the sheet above the band, each at
// least half a line space above its line.
void cornell(const Frame& f, Marks& m)
{
    const double spacing = spacingOf(f, "lines-down", f.p.linesDown);
    const double cue = f.p.cueWidth ? *f.p.cueWidth * f.p.unit : f.area.width * 0.3;
    const double band = f.p.summaryHeight ? *f.p.summaryHeight * f.p.unit : f.area.height * 0.2;
    const double inset = f.inset(m.pens[1]);
    const double summary = f.area.height - band;
    if (!(cue - f.half(m.pens[1]) >= 0) || !f.fits(m.pens[1], cue))
        throw refuse(
            "cue-width", cue / f.p.unit,
            QStringLiteral("the cue column must lie inside the sheet (%1)").arg(f.areaText()));
    if (!(summary - f.half(m.pens[1]) >= inset + spacing))
        throw refuse(
            "summary-height", band / f.p.unit,
            QStringLiteral("the summary band leaves no line for notes (%1)").arg(f.areaText()));
    for (double y = inset; y <= summary - spacing / 2 + 1e-3; y += spacing)
        m.segment(0, 0, y, f.area.width, y);
    m.segment(1, 0, summary, f.area.width, summary);
    m.segment(1, cue, 0, cue, summary);
}

} // namespace

QStringList names()
{
    return {QStringLiteral("grid"),        QStringLiteral("dots"),
            QStringLiteral("lined"),       QStringLiteral("isometric"),
            QStringLiteral("isodots"),     QStringLiteral("hex"),
            QStringLiteral("semilog"),     QStringLiteral("loglog"),
            QStringLiteral("polar"),       QStringLiteral("staff"),
            QStringLiteral("checklist"),   QStringLiteral("seyes"),
            QStringLiteral("handwriting"), QStringLiteral("doubleruled"),
            QStringLiteral("hexup"),       QStringLiteral("cornell"),
            QStringLiteral("programming"), QStringLiteral("engineering")};
}

QStringList optionsOf(const QString& name)
{
    static const QHash<QString, QStringList> options = {
        {"grid",
         {"lines-down", "lines-across", "wide-across", "wide-down", "thickness", "heavy-every",
          "exact-lengths", "wide-thickness", "heavy-thickness", "wide-colour", "heavy-colour"}},
        {"dots",
         {"lines-down", "lines-across", "wide-across", "wide-down", "dot-size", "wide-dot-size",
          "wide-colour"}},
        {"lined",
         {"lines-down", "wide-down", "thickness", "margin-line", "wide-thickness", "wide-colour"}},
        {"isometric",
         {"lines-across", "wide-across", "wide-down", "thickness", "side", "wide-thickness",
          "wide-colour"}},
        {"isodots", {"lines-across", "dot-size", "side"}},
        {"hex", {"lines-across", "thickness", "hex-size"}},
        {"semilog",
         {"lines-across", "wide-across", "thickness", "decades", "wide-thickness", "wide-colour",
          "labels"}},
        {"loglog",
         {"thickness", "decades", "decades-across", "wide-thickness", "wide-colour", "labels"}},
        {"polar",
         {"lines-down", "wide-down", "thickness", "ring-spacing", "rays", "wide-thickness",
          "wide-colour"}},
        {"staff", {"lines-down", "thickness", "line-gap", "staff-gap"}},
        {"checklist",
         {"lines-down", "wide-down", "thickness", "wide-thickness", "box-size", "wide-colour"}},
        {"seyes", {"thickness", "wide-thickness", "square", "margin-line", "wide-colour"}},
        {"handwriting",
         {"lines-down", "thickness", "wide-thickness", "x-height", "row-gap", "wide-colour"}},
        {"doubleruled",
         {"lines-down", "thickness", "wide-thickness", "x-height", "row-gap", "slant",
          "wide-colour"}},
        {"hexup", {"lines-down", "thickness", "hex-size"}},
        {"cornell",
         {"lines-down", "thickness", "wide-thickness", "cue-width", "summary-height",
          "wide-colour"}},
        {"programming", {"lines-down", "thickness", "wide-thickness", "wide-colour", "columns"}},
        {"engineering",
         {"lines-down", "lines-across", "wide-down", "wide-across", "thickness", "wide-thickness",
          "wide-colour"}},
    };
    return options.value(name);
}

double textWidth(const QString& text, double height)
{
    const qsizetype count = text.size();
    return count * height / 2 + (count - 1) * height / 4;
}

double digitsWidth(int value, double height)
{
    return textWidth(QString::number(value), height);
}

void bars(Marks& marks, int pen, const QString& text, double centreX, double middleY, double height)
{
    // The bars of a digit display: top, upper right, lower right, foot,
    // lower left, upper left, middle; and for the letters, two down the
    // middle (upper, lower) and three slanting (from the top corners to the
    // middle, from the middle to the lower right).
    static const QString names = QStringLiteral("abcdefghijlm");
    static constexpr double ends[12][4] = {{0, 0, 1, 0},   {1, 0, 1, 1},     {1, 1, 1, 2},
                                           {0, 2, 1, 2},   {0, 1, 0, 2},     {0, 0, 0, 1},
                                           {0, 1, 1, 1},   {0, 0, 0.5, 1},   {0.5, 0, 0.5, 1},
                                           {1, 0, 0.5, 1}, {0.5, 1, 0.5, 2}, {0.5, 1, 1, 2}};
    static const QHash<QChar, const char*> shapes = {
        {'0', "abcdef"}, {'1', "bc"},     {'2', "abdeg"},  {'3', "abcdg"},   {'4', "bcfg"},
        {'5', "acdfg"},  {'6', "acdefg"}, {'7', "abc"},    {'8', "abcdefg"}, {'9', "abcdfg"},
        {'A', "abcefg"}, {'D', "abcdil"}, {'E', "adefg"},  {'F', "aefg"},    {'H', "bcefg"},
        {'M', "bcefhj"}, {'N', "bcefhm"}, {'O', "abcdef"}, {'S', "acdfg"},   {'T', "ail"}};
    const double w = height / 2, top = middleY - height / 2;
    double x = centreX - textWidth(text, height) / 2;
    const qsizetype first = marks.marks.size();
    for (const QChar c : text) {
        for (const char* bar = shapes.value(c, ""); *bar; ++bar) {
            const double* e = ends[names.indexOf(QLatin1Char(*bar))];
            marks.segment(pen, x + e[0] * w, top + e[1] * height / 2, x + e[2] * w,
                          top + e[3] * height / 2);
        }
        x += w + height / 4;
    }
    marks.words.append({first, marks.marks.size() - first, centreX});
}

void digits(Marks& marks, int pen, int value, double centreX, double middleY, double height)
{
    bars(marks, pen, QString::number(value), centreX, middleY, height);
}

void inked(Marks& marks, const PatternParameters& p, quint32 line)
{
    if (!p.wideColour && !p.heavyColour)
        return;
    marks.inks =
        QList<quint32>{line, p.wideColour.value_or(line), p.heavyColour.value_or(line)}.first(
            std::min<qsizetype>(3, marks.pens.size()));
}

int thinPen(int thickness)
{
    return std::max(1, thickness == 0 ? 1 : thickness);
}

int widerPen(int pen)
{
    return int(number::roundHalfEven(pen * 1.5 + 2));
}

Marks lattice(const Lattice& l, const PatternArea& area)
{
    Marks m;
    m.pens = {std::max(1, l.thin), std::max(1, l.wide)};
    if (l.heavyEvery > 0)
        m.pens.append(l.heavy > 0 ? l.heavy : widerPen(m.pens[1]));
    const double perDot = 1440.0 / area.dpi;
    const double inset = *std::max_element(m.pens.cbegin(), m.pens.cend()) / 2.0 * perDot;
    struct Line {
        int pen;
        double at;
    };
    // One direction's lines: their pens as the window counts them, while
    // the whole pen stays on the area.
    const auto lines = [&](double step, int period, double extent) {
        QList<Line> out;
        int wide = 0;
        for (int i = 0;; ++i) {
            const bool isWide = period > 0 ? i % period == 0 : i == 0;
            const int pen = !isWide ? 0 : l.heavyEvery > 0 && wide++ % l.heavyEvery == 0 ? 2 : 1;
            const double at = inset + i * step;
            if (at > extent + 1e-6)
                break;
            if (at + m.pens[pen] / 2.0 * perDot <= extent + 1e-6)
                out.append({pen, at});
            if (!(step >= 1))
                break;
        }
        return out;
    };
    const QList<Line> rows = lines(l.down, l.wideDown, area.height);
    const QList<Line> columns = lines(l.across, l.wideAcross, area.width);
    if (rows.isEmpty() || columns.isEmpty())
        return m;
    const auto outer = [&](const Line& line, int sense) {
        return line.at + sense * m.pens[line.pen] / 2.0 * perDot;
    };
    const double left = outer(columns.first(), -1), right = outer(columns.last(), 1);
    const double top = outer(rows.first(), -1), bottom = outer(rows.last(), 1);
    for (const Line& row : rows)
        m.segment(row.pen, left, row.at, right, row.at);
    for (const Line& column : columns)
        m.segment(column.pen, column.at, top, column.at, bottom);
    return m;
}

PatternSheet make(const PatternParameters& p, const PatternArea& area)
{
    const Frame f{p, area};
    PatternSheet sheet;
    Marks& m = sheet.marks;
    const int thin = thinPen(p.thickness);
    m.pens = {thin, p.wideThickness.value_or(widerPen(thin))};
    if (m.pens[1] < thin) {
        sheet.refusal = QStringLiteral("--wide-thickness %1: narrower than the thin lines (%2 "
                                       "dots)")
                            .arg(m.pens[1])
                            .arg(thin);
        sheet.marks = Marks();
        return sheet;
    }
    static const QHash<QString, void (*)(const Frame&, Marks&)> kinds = {
        {"dots", dots},
        {"lined", lined},
        {"isometric", isometric},
        {"isodots", isodots},
        {"hex", hex},
        {"semilog", [](const Frame& f, Marks& m) { logPaper(f, false, m); }},
        {"loglog", [](const Frame& f, Marks& m) { logPaper(f, true, m); }},
        {"polar", polar},
        {"staff", staff},
        {"checklist", checklist},
        {"seyes", seyes},
        {"handwriting", handwriting},
        {"doubleruled", doubleruled},
        {"hexup", hexup},
        {"cornell", cornell},
        {"programming", programming},
        {"engineering", engineering},
    };
    try {
        kinds.value(p.name)(f, m);
    } catch (const Refusal& refusal) {
        sheet.refusal = refusal.why;
        sheet.marks = Marks();
    }
    return sheet;
}

} // namespace gridorra::patterns
