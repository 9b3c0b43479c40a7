// Every kind of paper measured where a user meets it: the PNG, the SVG as
// librsvg renders it, the PDF as poppler and Ghostscript render it, and a
// driverless printer's raster (measured by the same code built as the
// helper pattern-raster, which tests/cups/driverless-check runs). The
// places expected are worked out here from each kind's geometry, in dots
// from the page's corner.
#include "support/inprocess.h"
#include "support/pdfraster.h"
#include "support/pinlocale.h"
#include "support/programrun.h"
#include "support/testservices.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <functional>

using namespace gridorra::test;

namespace {

constexpr double sqrt3 = 1.7320508075688772;

// The sheet's printable area in dots from the page's corner: the paper's
// exact size less the margins, as a ruler measures it.
struct Area {
    double dpi, x, y, w, h;
    double cm() const { return dpi / 2.54; }
    double twip() const { return dpi / 1440; }
    double right() const { return x + w; }
    double bottom() const { return y + h; }
};

// A mark crossing the probe: its centre, its width along the probe, and
// how near they must be: 0.5 dot and exact for marks across or down the
// page; for slanted lines and rings, edges within 1 dot of the exact ones
// across the line, which the probe meets `stretch` times as long.
struct Crossing {
    double centre;
    double width;
    bool exact;
    double stretch = 1;
};

// A row (y) or column (x) of the page and what crosses it: all of it, or
// where a kind's slanted lines meet the area's sides, the part between
// `from` and `to`.
struct Probe {
    bool row;
    double at;
    QList<Crossing> crossings;
    double from = -1e9, to = 1e9;
};

// What a sheet must show: the marks the probes cross and, where the kind
// says how far it reaches, the box its ink fills (each side within a dot;
// NaN where the kind leaves a side open).
struct Expected {
    Expected(QList<Probe> p, QRectF box = {}, double step = 0)
        : probes(std::move(p)), ink(box), pitch(step)
    {}
    QList<Probe> probes;
    QRectF ink;
    // The lines' step along the first probe, fitted over all of them
    // (within 0.01 %), where they are evenly spaced.
    double pitch;
    // Places in the middle of a mark and the colour found there (each
    // channel within 12), where the weights have colours of their own.
    struct Ink {
        double x, y;
        QRgb rgb;
    };
    QList<Ink> inks;
};

void sortByCentre(QList<Crossing>& list)
{
    std::sort(list.begin(), list.end(),
              [](const Crossing& a, const Crossing& b) { return a.centre < b.centre; });
}

// Lines across the probe at `from` + i `step`, the i-th `pen(i)` wide:
// those whose whole pen lies before `to`.
QList<Crossing> evenly(double from, double to, double step, const std::function<int(int)>& pen)
{
    QList<Crossing> out;
    for (int i = 0; from + i * step <= to + 1e-6; ++i)
        if (from + i * step + pen(i) / 2.0 <= to + 1e-6)
            out.append({from + i * step, double(pen(i)), true});
    return out;
}

// The pens as the README gives them: a wide pen is the thin one x 1.5 + 2,
// a heavy one the wide x 1.5 + 2, halves to even.
int wider(int pen)
{
    return int(std::nearbyint(pen * 1.5 + 2));
}

using Expect = std::function<Expected(const Area&)>;

struct Kind {
    QString name;
    QStringList args;
    Expect expect;
    bool landscape = false; // the page turned: the sheet across its long side
};

QStringList numbers(std::initializer_list<std::pair<const char*, double>> options)
{
    QStringList out;
    for (const auto& [option, value] : options)
        out << QLatin1String(option) << QString::number(value);
    return out;
}

// Lines `step` apart from half the widest pen in, the i-th of `pen(i)`,
// each direction run to the last line whose pen fits; every line reaches
// from the outer edge of the first line across it to that of the last.
Expected lattice(const Area& a, double step, const std::function<int(int)>& pen, int widest)
{
    const QList<Crossing> across = evenly(a.x + widest / 2.0, a.right(), step, pen);
    const QList<Crossing> down = evenly(a.y + widest / 2.0, a.bottom(), step, pen);
    return {{{true, a.y + widest / 2.0 + step / 2, across},
             {false, a.x + widest / 2.0 + step / 2, down}},
            QRectF(QPointF(a.x, a.y), QPointF(across.last().centre + across.last().width / 2,
                                              down.last().centre + down.last().width / 2)),
            step};
}

// `widePen`, `heavyPen`: the pens given (--wide-thickness,
// --heavy-thickness), else 0 for the rule's.
Kind heavyGrid(int thickness, int widePen = 0, int heavyPen = 0)
{
    // The window's rules: 5 lines a centimetre are 567 / 5 = 113 twips
    // apart (whole twips); every 2nd line wide, every 2nd wide heavy.
    const int thin = thickness, wide = widePen ? widePen : wider(thin),
              heavy = heavyPen ? heavyPen : wider(wide);
    QStringList pens;
    if (widePen)
        pens << "--wide-thickness" << QString::number(widePen);
    if (heavyPen)
        pens << "--heavy-thickness" << QString::number(heavyPen);
    return {QStringLiteral("grid, three weights, thickness %1%2")
                .arg(thickness)
                .arg(pens.isEmpty() ? QString() : ", " + pens.join(' ')),
            numbers({{"--lines-down", 5},
                     {"--lines-across", 5},
                     {"--wide-down", 2},
                     {"--wide-across", 2},
                     {"--heavy-every", 2},
                     {"--thickness", thickness}}) +
                pens,
            [=](const Area& a) {
                return lattice(
                    a, 113 * a.twip(),
                    [=](int i) { return i % 4 == 0   ? heavy
                                        : i % 2 == 0 ? wide
                                                     : thin; }, heavy);
            }};
}

Kind exactGrid(int thickness, int perUnit, bool inches)
{
    // Exactly the unit over the count apart, every 5th line wide.
    const int thin = thickness, wide = wider(thin);
    return {QStringLiteral("grid, exact lengths, %1 per %2, thickness %3")
                .arg(perUnit)
                .arg(inches ? "inch" : "cm")
                .arg(thickness),
            QStringList{"--unit", inches ? "in" : "cm"} +
                numbers({{"--lines-down", perUnit},
                         {"--lines-across", perUnit},
                         {"--wide-down", 5},
                         {"--wide-across", 5},
                         {"--thickness", thickness}}) +
                QStringList{"--exact-lengths"},
            [=](const Area& a) {
                return lattice(
                    a, (inches ? a.dpi : a.cm()) / perUnit,
                    [=](int i) { return i % 5 ? thin : wide; }, wide);
            }};
}

Kind dots(int dot, int wideDot)
{
    // Half a centimetre apart from half the wide dot in; every 4th row's
    // every 4th dot the wide one.
    return {
        QStringLiteral("dots, %1 and %2").arg(dot).arg(wideDot),
        QStringList{"--pattern", "dots"} + numbers({{"--lines-down", 2},
                                                    {"--lines-across", 2},
                                                    {"--dot-size", dot},
                                                    {"--wide-dot-size", wideDot},
                                                    {"--wide-down", 4},
                                                    {"--wide-across", 4}}),
        [=](const Area& a) {
            const double step = a.cm() / 2, in = wideDot / 2.0;
            const auto each = [=](int) { return dot; };
            return Expected{
                {{true, a.y + in,
                  evenly(a.x + in, a.right(), step, [=](int i) { return i % 4 ? dot : wideDot; })},
                 {true, a.y + in + step, evenly(a.x + in, a.right(), step, each)},
                 {false, a.x + in + step, evenly(a.y + in, a.bottom(), step, each)}}};
        }};
}

Kind lined(int thickness, int widePen = 0)
{
    // Lines a centimetre apart from half the wide pen in, every 3rd wide;
    // the margin line 2 cm from the left, wide, from the area's top to
    // its foot. The wide pen given, or the rule's.
    const int thin = thickness, wide = widePen ? widePen : wider(thin);
    return {
        QStringLiteral("lined, thickness %1%2")
            .arg(thickness)
            .arg(widePen ? QStringLiteral(", --wide-thickness %1").arg(widePen) : QString()),
        QStringList{"--pattern", "lined"} +
            numbers({{"--lines-down", 1},
                     {"--wide-down", 3},
                     {"--thickness", thickness},
                     {"--margin-line", 2}}) +
            (widePen ? QStringList{"--wide-thickness", QString::number(widePen)} : QStringList()),
        [=](const Area& a) {
            const QList<Crossing> lines = evenly(a.y + wide / 2.0, a.bottom(), a.cm(),
                                                 [=](int i) { return i % 3 ? thin : wide; });
            return Expected{
                {{false, a.x + a.cm(), lines},
                 {true, a.y + wide / 2.0 + a.cm() / 2, {{a.x + 2 * a.cm(), double(wide), true}}}},
                QRectF(QPointF(a.x, a.y), QPointF(a.right(), a.bottom()))};
        }};
}

Kind checklist(int thickness)
{
    // Ruled lines a centimetre apart from half the wide pen in, every 3rd
    // wide; in every space between two of them a box of 0.5 cm, centred in
    // the space, as far from the area's left edge (less half the wide pen)
    // as from the lines: probed down its middle and across the first.
    const int thin = thickness, wide = wider(thin);
    return {QStringLiteral("checklist, thickness %1").arg(thickness),
            QStringList{"--pattern", "checklist"} + numbers({{"--lines-down", 1},
                                                             {"--wide-down", 3},
                                                             {"--thickness", thickness},
                                                             {"--box-size", 0.5}}),
            [=](const Area& a) {
                const double in = wide / 2.0, space = a.cm(), box = a.cm() / 2;
                const QList<Crossing> lines =
                    evenly(a.y + in, a.bottom(), space, [=](int i) { return i % 3 ? thin : wide; });
                QList<Crossing> down = lines;
                for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
                    const double middle = (lines[i].centre + lines[i + 1].centre) / 2;
                    down.append({middle - box / 2, double(thin), true});
                    down.append({middle + box / 2, double(thin), true});
                }
                sortByCentre(down);
                const double left = a.x + in + (space - box) / 2;
                return Expected{
                    {{false, left + box / 2, down},
                     {true,
                      a.y + in + space / 2,
                      {{left, double(thin), true}, {left + box, double(thin), true}}}},
                    QRectF(QPointF(a.x, a.y),
                           QPointF(a.right(), lines.last().centre + lines.last().width / 2))};
            }};
}

// Where the lines at 60 degrees through (x0 + j s, y0) cross the probe,
// the j-th `wide` when j is a multiple of `period`, else `thin`; only
// between the rows of corners y0 and y1 and away from the area's sides.
QList<Crossing> slantedCrossings(const Area& a, const Probe& p, double x0, double y0, double y1,
                                 double s, int period, int thin, int wide)
{
    QList<Crossing> out;
    for (const int sense : {1, -1})
        for (int j = -200; j <= 200; ++j) {
            const double w = std::abs(j) % period == 0 ? wide : thin;
            const double at = x0 + j * s;
            if (p.row) {
                const double x = at + sense * (p.at - y0) / sqrt3;
                if (x > a.x + wide && x < a.right() - wide)
                    out.append({x, w * 2 / sqrt3, false, 2 / sqrt3});
            } else {
                const double y = y0 + sense * (p.at - at) * sqrt3;
                if (y > y0 + wide && y < y1 - wide)
                    out.append({y, w * 2, false, 2});
            }
        }
    return out;
}

Kind isometric(int thickness)
{
    // Triangles of 1 cm from half the wide pen in: horizontal lines 0.866
    // cm apart, every 2nd wide, as far as a whole pen fits; every 3rd
    // slanted line wide, the slanted lines between the first row and the
    // last.
    const int thin = thickness, wide = wider(thin);
    return {QStringLiteral("isometric, thickness %1").arg(thickness),
            QStringList{"--pattern", "isometric"} + numbers({{"--side", 1},
                                                             {"--thickness", thickness},
                                                             {"--wide-down", 2},
                                                             {"--wide-across", 3}}),
            [=](const Area& a) {
                const double s = a.cm(), h = s * sqrt3 / 2, x0 = a.x + wide / 2.0,
                             y0 = a.y + wide / 2.0;
                const QList<Crossing> rows =
                    evenly(y0, a.bottom(), h, [=](int i) { return i % 2 ? thin : wide; });
                QList<Probe> probes = {{true, y0 + h / 2, {}}, {false, x0 + 2 * s + s / 4, {}}};
                for (Probe& p : probes) {
                    p.crossings =
                        slantedCrossings(a, p, x0, y0, rows.last().centre, s, 3, thin, wide);
                    if (!p.row)
                        p.crossings += rows;
                    sortByCentre(p.crossings);
                }
                return Expected{probes};
            }};
}

Kind isodots(int dot)
{
    // Dots at the corners of 1 cm triangles, from half a dot in; every
    // other row shifted by half a side.
    return {QStringLiteral("isodots, %1").arg(dot),
            QStringList{"--pattern", "isodots"} + numbers({{"--side", 1}, {"--dot-size", dot}}),
            [=](const Area& a) {
                const double s = a.cm(), h = s * sqrt3 / 2, in = dot / 2.0;
                const auto each = [=](int) { return dot; };
                return Expected{
                    {{true, a.y + in, evenly(a.x + in, a.right(), s, each)},
                     {true, a.y + in + h, evenly(a.x + in + s / 2, a.right(), s, each)}}};
            }};
}

Kind hex(int thickness)
{
    // Hexagons 1 cm across the flats, points up, from half the pen in:
    // the first row's flats cross its centre line 1 cm apart.
    return {QStringLiteral("hex, thickness %1").arg(thickness),
            QStringList{"--pattern", "hex"} +
                numbers({{"--hex-size", 1}, {"--thickness", thickness}}),
            [=](const Area& a) {
                const double f = a.cm(), side = f / sqrt3, in = thickness / 2.0;
                const int cells = int((a.w - 2 * in) / f + 1e-9);
                QList<Crossing> flats;
                for (int j = 0; j <= cells; ++j)
                    flats.append({a.x + in + j * f, double(thickness), true});
                return Expected{{{true, a.y + in + side, flats}}};
            }};
}

// The lines of `decades` decades from `from` to `to`, growing towards
// `to`, or towards `from` with `up`: `wide` at the powers of ten.
QList<Crossing> decadeLines(double from, double to, int decades, bool up, int thin, int wide)
{
    QList<Crossing> out;
    const double decade = (to - from) / decades;
    for (int d = 0; d <= decades; ++d)
        for (int k = 1; k <= (d == decades ? 1 : 9); ++k) {
            const double at = (d + std::log10(k)) * decade;
            out.append({up ? to - at : from + at, double(k == 1 ? wide : thin), true});
        }
    sortByCentre(out);
    return out;
}

Kind semilog(int thickness)
{
    // Two decades down between the wide lines half a wide pen inside the
    // top and the foot; a centimetre across from half a wide pen in, every
    // 5th vertical line wide, as far as a whole pen fits.
    const int thin = thickness, wide = wider(thin);
    return {QStringLiteral("semilog, thickness %1").arg(thickness),
            QStringList{"--pattern", "semilog"} + numbers({{"--decades", 2},
                                                           {"--lines-across", 1},
                                                           {"--wide-across", 5},
                                                           {"--thickness", thickness}}),
            [=](const Area& a) {
                const double in = wide / 2.0;
                const QList<Crossing> across =
                    evenly(a.x + in, a.right(), a.cm(), [=](int i) { return i % 5 ? thin : wide; });
                const QList<Crossing> down =
                    decadeLines(a.y + in, a.bottom() - in, 2, true, thin, wide);
                return Expected{
                    {{false, a.x + in + a.cm() / 2, down},
                     {true, (down[0].centre + down[1].centre) / 2, across}},
                    QRectF(QPointF(a.x, a.y),
                           QPointF(across.last().centre + across.last().width / 2, a.bottom()))};
            }};
}

Kind loglog(int thickness)
{
    // Two decades down, one across, the wide lines half a wide pen inside
    // every side: the decades fill the printable area.
    const int thin = thickness, wide = wider(thin);
    return {QStringLiteral("loglog, thickness %1").arg(thickness),
            QStringList{"--pattern", "loglog"} +
                numbers({{"--decades", 2}, {"--decades-across", 1}, {"--thickness", thickness}}),
            [=](const Area& a) {
                const double in = wide / 2.0;
                const QList<Crossing> down =
                    decadeLines(a.y + in, a.bottom() - in, 2, true, thin, wide);
                return Expected{{{true, (down[0].centre + down[1].centre) / 2,
                                  decadeLines(a.x + in, a.right() - in, 1, false, thin, wide)},
                                 {false, a.x + a.w / 3, down}},
                                QRectF(QPointF(a.x, a.y), QPointF(a.right(), a.bottom()))};
            }};
}

Kind polar(int thickness)
{
    // Rings a centimetre apart about the printable area's middle, every
    // 3rd wide, as many as fit half a wide pen inside; four rays. A row
    // 1.5 cm below the centre meets the rings from the second on and the
    // ray down.
    const int thin = thickness, wide = wider(thin);
    return {QStringLiteral("polar, thickness %1").arg(thickness),
            QStringList{"--pattern", "polar"} + numbers({{"--ring-spacing", 1},
                                                         {"--rays", 4},
                                                         {"--wide-down", 3},
                                                         {"--thickness", thickness}}),
            [=](const Area& a) {
                const double r = a.cm(), cx = a.x + a.w / 2, cy = a.y + a.h / 2, dy = 1.5 * r;
                const int rings = int((std::min(a.w, a.h) / 2 - wide / 2.0) / r + 1e-9);
                QList<Crossing> crossings = {{cx, double(thin), true}};
                for (int k = 2; k <= rings; ++k) {
                    const double w = k % 3 ? thin : wide, dx = std::sqrt(k * r * k * r - dy * dy);
                    for (const double side : {-1, 1})
                        crossings.append({cx + side * dx, w * k * r / dx, false, k * r / dx});
                }
                sortByCentre(crossings);
                return Expected{{{true, cy + dy, crossings}}};
            }};
}

Kind staff(int thickness)
{
    // Staves of five lines 2 mm apart, 1 cm between staves, from half the
    // pen in; a staff only where all five lines fit.
    return {QStringLiteral("staff, thickness %1").arg(thickness),
            QStringList{"--pattern", "staff"} +
                numbers({{"--line-gap", 0.2}, {"--staff-gap", 1}, {"--thickness", thickness}}),
            [=](const Area& a) {
                QList<Crossing> lines;
                const double gap = a.cm() / 5, in = thickness / 2.0;
                for (double top = a.y + in; top + 4 * gap + in <= a.bottom() + 1e-6;
                     top += 4 * gap + a.cm())
                    for (int k = 0; k < 5; ++k)
                        lines.append({top + k * gap, double(thickness), true});
                return Expected{{{false, a.x + a.w / 2, lines}}};
            }};
}

Kind seyes(int thickness, double marginCm = 0)
{
    // Squares of 8 mm, each ruled in four, from half the wide pen in, as
    // many whole squares as fit; the squares' lines and the margin line
    // (four squares in, or as given from the area's left) wide. Probed
    // down the first square's middle and across the first line space.
    const int thin = thickness, wide = wider(thin);
    QStringList args{"--pattern", "seyes", "--thickness", QString::number(thickness)};
    if (marginCm > 0)
        args << "--margin-line" << QString::number(marginCm);
    return {
        QStringLiteral("seyes, thickness %1%2")
            .arg(thickness)
            .arg(marginCm > 0 ? QStringLiteral(", margin line %1 cm").arg(marginCm) : QString()),
        args, [=](const Area& a) {
            const double in = wide / 2.0, square = 0.8 * a.cm(), fine = square / 4;
            const int across = int((a.w - wide) / square + 1e-9);
            const int down = int((a.h - wide) / square + 1e-9);
            QList<Crossing> rows, columns;
            for (int i = 0; i <= 4 * down; ++i)
                rows.append({a.y + in + i * fine, double(i % 4 ? thin : wide), true});
            const double margin = a.x + (marginCm > 0 ? marginCm * a.cm() : in + 4 * square);
            for (int j = 0; j <= across; ++j)
                if (std::abs(a.x + in + j * square - margin) > 1e-6)
                    columns.append({a.x + in + j * square, double(wide), true});
            columns.append({margin, double(wide), true});
            sortByCentre(columns);
            return Expected{
                {{false, a.x + in + square / 2, rows}, {true, a.y + in + fine / 2, columns}},
                QRectF(QPointF(a.x, a.y), QPointF(a.x + in + across * square + wide / 2.0,
                                                  a.y + in + down * square + wide / 2.0)),
                fine};
        }};
}

Kind handwriting(int thickness)
{
    // Rows of a thin head line, a dashed middle line 6 mm below it and a
    // wide base line 6 mm further, 6 mm (one x-height) between rows, from
    // half the wide pen in. Dashes of 3 mm every 6 mm from the area's left:
    // a column through the first dash meets three lines a row, one through
    // the first gap two.
    const int thin = thickness, wide = wider(thin);
    return {QStringLiteral("handwriting, thickness %1").arg(thickness),
            QStringList{"--pattern", "handwriting"} +
                numbers({{"--x-height", 0.6}, {"--thickness", thickness}}),
            [=](const Area& a) {
                const double in = wide / 2.0, h = 0.6 * a.cm();
                QList<Crossing> dash, gap;
                double base = 0;
                for (double top = a.y + in; top + 2 * h + in <= a.bottom() + 1e-6; top += 3 * h) {
                    base = top + 2 * h;
                    dash << Crossing{top, double(thin), true}
                         << Crossing{top + h, double(thin), true}
                         << Crossing{base, double(wide), true};
                    gap << Crossing{top, double(thin), true} << Crossing{base, double(wide), true};
                }
                // The first line is a thin one, half the wide pen in.
                return Expected{{{false, a.x + h / 4, dash}, {false, a.x + 3 * h / 4, gap}},
                                QRectF(QPointF(a.x, a.y + in - thin / 2.0),
                                       QPointF(a.right(), base + wide / 2.0))};
            }};
}

Kind doubleruled(int thickness, int slant)
{
    // Pairs of a thin waist line over a wide base line 5 mm apart, 1 cm
    // (two x-heights) between pairs, from half the wide pen in; thin guide
    // lines at `slant` degrees, 1 cm apart along the last base line, from
    // the first waist line down to it. A row through the first pair's
    // middle meets the guide lines; upright ones are probed down too.
    const int thin = thickness, wide = wider(thin);
    return {
        QStringLiteral("doubleruled, thickness %1, slant %2").arg(thickness).arg(slant),
        QStringList{"--pattern", "doubleruled"} +
            numbers({{"--x-height", 0.5}, {"--slant", slant}, {"--thickness", thickness}}),
        [=](const Area& a) {
            const double in = wide / 2.0, h = 0.5 * a.cm(), step = 2 * h;
            const double y0 = a.y + in;
            QList<Crossing> lines;
            double last = y0;
            for (double top = y0; top + h + in <= a.bottom() + 1e-6; top += 3 * h) {
                lines << Crossing{top, double(thin), true} << Crossing{top + h, double(wide), true};
                last = top + h;
            }
            const double probe = y0 + h / 2;
            QList<Crossing> guides;
            if (slant == 90) {
                for (double x = a.x + thin / 2.0; x + thin / 2.0 <= a.right() + 1e-6; x += step)
                    guides.append({x, double(thin), true});
                return Expected{
                    {{true, probe, guides}, {false, a.x + thin / 2.0 + h, lines}},
                    QRectF(QPointF(a.x, y0 - thin / 2.0), QPointF(a.right(), last + wide / 2.0))};
            }
            const double angle = slant * M_PI / 180, stretch = 1 / std::sin(angle);
            // Measured from a space past the left side to one short of the
            // right: there the lines are whole.
            for (int j = -100; j <= 200; ++j) {
                const double x = a.x + j * step + (last - probe) / std::tan(angle);
                if (x > a.x + step && x < a.right() - step)
                    guides.append({x, thin * stretch, false, stretch});
            }
            return Expected{{{true, probe, guides, guides.first().centre - step / 2,
                              guides.last().centre + step / 2}}};
        }};
}

Kind hexup(int thickness)
{
    // Hexagons with a flat side up, 1 cm between the flats, from half the
    // pen in: down the first column's middle the flats lie 1 cm apart, as
    // many as whole hexagons fit.
    return {QStringLiteral("hexup, thickness %1").arg(thickness),
            QStringList{"--pattern", "hexup"} +
                numbers({{"--hex-size", 1}, {"--thickness", thickness}}),
            [=](const Area& a) {
                const double f = a.cm(), side = f / sqrt3, in = thickness / 2.0;
                const int cells = int((a.h - 2 * in) / f + 1e-9);
                QList<Crossing> flats;
                for (int k = 0; k <= cells; ++k)
                    flats.append({a.y + in + k * f, double(thickness), true});
                return Expected{{{false, a.x + in + side, flats}}, QRectF(), f};
            }};
}

Kind cornell(int thickness)
{
    // A wide line across 4 cm above the area's foot, a wide cue line 5 cm
    // from the left down to it, thin ruled lines a centimetre apart from
    // half the wide pen in, each at least half a centimetre above it.
    const int thin = thickness, wide = wider(thin);
    return {QStringLiteral("cornell, thickness %1").arg(thickness),
            QStringList{"--pattern", "cornell"} + numbers({{"--lines-down", 1},
                                                           {"--cue-width", 5},
                                                           {"--summary-height", 4},
                                                           {"--thickness", thickness}}),
            [=](const Area& a) {
                const double in = wide / 2.0, summary = a.bottom() - 4 * a.cm();
                QList<Crossing> down;
                for (double y = a.y + in; y <= summary - a.cm() / 2 + 1e-6; y += a.cm())
                    down.append({y, double(thin), true});
                down.append({summary, double(wide), true});
                return Expected{
                    {{false, a.x + 6 * a.cm(), down},
                     {true, a.y + in + a.cm() / 2, {{a.x + 5 * a.cm(), double(wide), true}}}},
                    QRectF(QPointF(a.x, a.y), QPointF(a.right(), summary + wide / 2.0))};
            }};
}

Kind programming(int thickness)
{
    // An 80-column coding form on the area's width less the wide pen: its
    // column lines thin, every tenth wide; a header band of two number
    // heights (2.5 mm, or less where four columns are narrower than the
    // number "80") between wide lines; rows a centimetre apart below it.
    // Down the middle of column 5 the number 5 has three bars across (top,
    // middle, foot); column 3 has no number.
    const int thin = thickness, wide = wider(thin);
    return {QStringLiteral("programming, thickness %1").arg(thickness),
            QStringList{"--pattern", "programming"} +
                numbers({{"--lines-down", 1}, {"--thickness", thickness}}),
            [=](const Area& a) {
                const double in = wide / 2.0, cell = (a.w - wide) / 80;
                const double h = std::min(2.5 / 25.4 * a.dpi, 4 * cell / 1.25);
                QList<Crossing> rows{{a.y + in, double(wide), true},
                                     {a.y + in + 2 * h, double(wide), true}};
                for (double y = a.y + in + 2 * h + a.cm(); y + thin / 2.0 <= a.bottom() + 1e-6;
                     y += a.cm())
                    rows.append({y, double(thin), true});
                QList<Crossing> five = rows;
                for (const double bar : {0.5, 1.0, 1.5})
                    five.append({a.y + in + bar * h, double(thin), true});
                sortByCentre(five);
                QList<Crossing> columns;
                for (int j = 0; j <= 80; ++j)
                    columns.append({a.x + in + j * cell, double(j % 10 ? thin : wide), true});
                return Expected{
                    {{true, a.y + in + 2 * h + a.cm() / 2, columns},
                     {false, a.x + in + 4.5 * cell, five},
                     {false, a.x + in + 2.5 * cell, rows}},
                    QRectF(QPointF(a.x, a.y), QPointF(a.right(), rows.last().centre + thin / 2.0))};
            }};
}

Kind labelledSemilog(int thickness)
{
    // Semi-log paper as above, with --labels: the decades and the columns
    // begin 4 mm further right, and in that band each line up the page has
    // its number, as tall as 2.5 mm or 0.8 of the gap between the lines at
    // 9 and 10, centred on the band and on its line, kept on the area. A
    // row through the upper half of the number 1 at the foot meets its
    // right-hand bar, then the columns.
    const int thin = thickness, wide = wider(thin);
    return {QStringLiteral("semilog, numbered, thickness %1").arg(thickness),
            QStringList{"--pattern", "semilog", "--labels"} + numbers({{"--decades", 2},
                                                                       {"--lines-across", 1},
                                                                       {"--wide-across", 5},
                                                                       {"--thickness", thickness}}),
            [=](const Area& a) {
                const double in = wide / 2.0, band = 4 / 25.4 * a.dpi;
                const QList<Crossing> across = evenly(a.x + band + in, a.right(), a.cm(),
                                                      [=](int i) { return i % 5 ? thin : wide; });
                const double top = a.y + in, foot = a.bottom() - in;
                const QList<Crossing> down = decadeLines(top, foot, 2, true, thin, wide);
                const double h =
                    std::min(2.5 / 25.4 * a.dpi, 0.8 * (foot - top) / 2 * (1 - std::log10(9.0)));
                const double middle = std::min(foot, a.bottom() - h / 2 - thin / 2.0);
                QList<Crossing> one{{a.x + band / 2 + h / 4, double(thin), true}};
                one += across;
                return Expected{
                    {{false, a.x + band + in + a.cm() / 2, down}, {true, middle - h / 4, one}}};
            }};
}

Kind engineering(int thickness)
{
    // Five lines to the inch each way, exact, every 5th wide, as the grid
    // of exact lengths lays them out; on its last lines a title block 7 cm
    // by 2.4 cm of three fields 8 mm high (the last halved), with no grid
    // inside. A row through the middle field meets the columns left of the
    // block, its left side, and the last column; a column through its right
    // part meets the rows above it, its top, its two dividers and the last
    // row; one through the E of NAME (letters 2 mm high, 1 mm in, with a
    // quarter of their height between them) meets its three bars across,
    // and those of the Es under it.
    const int thin = thickness, wide = wider(thin);
    return {QStringLiteral("engineering, thickness %1").arg(thickness),
            QStringList{"--pattern", "engineering", "--unit", "in"} +
                numbers({{"--lines-down", 5},
                         {"--lines-across", 5},
                         {"--wide-down", 5},
                         {"--wide-across", 5},
                         {"--thickness", thickness}}),
            [=](const Area& a) {
                const Expected grid = lattice(
                    a, a.dpi / 5, [=](int i) { return i % 5 ? thin : wide; }, wide);
                const QList<Crossing>& across = grid.probes[0].crossings;
                const QList<Crossing>& down = grid.probes[1].crossings;
                const double right = across.last().centre, bottom = down.last().centre;
                const double mm = a.dpi / 25.4;
                const double width = std::min(70 * mm, 0.6 * (right - a.x));
                const double height = std::min(24 * mm, 0.3 * (bottom - a.y));
                const double left = right - width, top = bottom - height, row = height / 3;
                const double letter = std::min(2 * mm, row / 3);
                QList<Crossing> middle, block, e;
                for (const Crossing& c : across)
                    if (c.centre < left || c.centre == right)
                        middle.append(c);
                middle.append({left, double(wide), true});
                for (const Crossing& c : down)
                    if (c.centre < top || c.centre == bottom)
                        block.append(c);
                for (const double y : {top, top + row, top + 2 * row})
                    block.append({y, double(wide), true});
                // The E of NAME, of DATE and the second of SHEET lie one
                // under the other.
                e = block;
                for (const int field : {0, 1, 2})
                    for (const double y : {0.5, 1.0, 1.5})
                        e.append({top + field * row + y * letter, double(thin), true});
                sortByCentre(middle);
                sortByCentre(block);
                sortByCentre(e);
                return Expected{{{true, top + 1.5 * row, middle},
                                 {false, left + 0.75 * width, block},
                                 {false, left + 3 * letter, e}},
                                grid.ink};
            }};
}

// A kind with --centre: what it draws moved by as much as leaves the same
// room on both sides of its ink, as a ruler measures the room.
Kind centred(const Kind& k)
{
    return {k.name + ", centred", k.args + QStringList{"--centre"}, [e = k.expect](const Area& a) {
                Expected out = e(a);
                const QRectF& ink = out.ink;
                const QPointF by((a.right() - ink.right() - (ink.left() - a.x)) / 2,
                                 (a.bottom() - ink.bottom() - (ink.top() - a.y)) / 2);
                for (Probe& p : out.probes) {
                    p.at += p.row ? by.y() : by.x();
                    for (Crossing& c : p.crossings)
                        c.centre += p.row ? by.x() : by.y();
                }
                out.ink.translate(by);
                return out;
            }};
}

// A kind with its weights in colours of their own (`colours`: the
// options), each mark the probes cross exactly in the colour of its width.
Kind coloured(const Kind& k, const QStringList& colours, const QMap<int, QRgb>& byWidth)
{
    return {k.name + ", in colours", k.args + colours,
            [=, e = k.expect](const Area& a) {
                Expected out = e(a);
                for (const Probe& p : out.probes)
                    for (const Crossing& c : p.crossings)
                        if (c.exact && byWidth.contains(int(c.width)) && out.inks.size() < 8)
                            out.inks.append({p.row ? c.centre : p.at, p.row ? p.at : c.centre,
                                             byWidth.value(int(c.width))});
                return out;
            },
            k.landscape};
}

// A kind on the page turned.
Kind turned(const Kind& k)
{
    return {k.name + ", landscape", k.args + QStringList{"--orientation", "landscape"}, k.expect,
            true};
}

// Every kind with an odd and an even widest pen or dot.
const QList<Kind>& kinds()
{
    static const QList<Kind> list = {
        heavyGrid(1),
        heavyGrid(3),
        heavyGrid(1, 2, 7), // light thin lines, a dark heavy one
        lined(1, 6),
        exactGrid(1, 2, false),
        exactGrid(2, 4, false),
        exactGrid(1, 10, false),
        exactGrid(2, 4, true),
        exactGrid(1, 5, true),
        exactGrid(2, 7, true),
        dots(5, 9),
        dots(4, 8),
        lined(2),
        lined(1),
        isometric(1),
        isometric(2),
        isodots(6),
        isodots(7),
        hex(2),
        hex(1),
        semilog(1),
        semilog(2),
        loglog(1),
        loglog(2),
        polar(1),
        polar(2),
        staff(1),
        staff(2),
        checklist(1),
        checklist(2),
        seyes(1),
        seyes(2, 3),
        handwriting(1),
        handwriting(2),
        doubleruled(1, 55),
        doubleruled(2, 90),
        hexup(1),
        hexup(2),
        cornell(1),
        cornell(2),
        coloured(heavyGrid(2),
                 {"--colour", "#2040c0", "--wide-colour", "#c02020", "--heavy-colour", "#000000"},
                 {{2, qRgb(0x20, 0x40, 0xc0)}, {5, qRgb(0xc0, 0x20, 0x20)}, {10, qRgb(0, 0, 0)}}),
        coloured(lined(1), {"--colour", "#2040c0", "--wide-colour", "#c02020"},
                 {{1, qRgb(0x20, 0x40, 0xc0)}, {4, qRgb(0xc0, 0x20, 0x20)}}),
        coloured(dots(4, 8), {"--colour", "#2040c0", "--wide-colour", "#c02020"},
                 {{4, qRgb(0x20, 0x40, 0xc0)}, {8, qRgb(0xc0, 0x20, 0x20)}}),
        centred(exactGrid(1, 2, false)),
        centred(seyes(2)),
        programming(1),
        programming(2),
        labelledSemilog(1),
        labelledSemilog(2),
        engineering(1),
        engineering(2),
        turned(exactGrid(2, 4, false)),
        turned(hexup(1)),
        turned(centred(cornell(1))),
    };
    return list;
}

// A kind's options, in centimetres unless they name their unit.
QStringList withUnit(const QStringList& args)
{
    return args.contains("--unit") ? args : QStringList{"--unit", "cm"} + args;
}

const Kind* kindNamed(const QString& name)
{
    for (const Kind& k : kinds())
        if (k.name == name)
            return &k;
    return nullptr;
}

// One row or column of the rendered page, as an image one pixel thick.
using Strip = std::function<QImage(bool row, int at)>;

// A page as rendered: its strips, and the whole page where the renderer
// gives it at once (poppler is asked for strips only).
struct Page {
    Strip strip;
    QImage whole;
};

bool dark(QRgb pixel)
{
    return qGray(pixel) < 128;
}

// Compares the dark runs along each probe with what crosses it.
void measureProbes(const Strip& strip, const QList<Probe>& probes)
{
    for (const Probe& p : probes) {
        const int at = int(std::floor(p.at));
        const QImage image = strip(p.row, at);
        QVERIFY2(!image.isNull(), "nothing rendered");
        Runs runs = p.row
                        ? runsWhere(image.width(), [&](int x) { return dark(image.pixel(x, 0)); })
                        : runsWhere(image.height(), [&](int y) { return dark(image.pixel(0, y)); });
        runs.removeIf([&](const auto& r) {
            const double centre = (r.first + r.second + 1) / 2.0;
            return centre < p.from || centre > p.to;
        });
        const QString where = QStringLiteral("%1 %2").arg(p.row ? "row" : "column").arg(at);
        QVERIFY2(runs.size() == p.crossings.size(),
                 qPrintable(QStringLiteral("%1: %2 marks, %3 expected")
                                .arg(where)
                                .arg(runs.size())
                                .arg(p.crossings.size())));
        for (qsizetype i = 0; i < runs.size(); ++i) {
            const Crossing& c = p.crossings[i];
            const double centre = (runs[i].first + runs[i].second + 1) / 2.0;
            const int width = runs[i].second - runs[i].first + 1;
            const QString what = QStringLiteral("%1, mark %2: centre %3 (exact %4), width %5 (%6)")
                                     .arg(where)
                                     .arg(i)
                                     .arg(centre)
                                     .arg(c.centre, 0, 'f', 2)
                                     .arg(width)
                                     .arg(c.width, 0, 'f', 2);
            if (c.exact) {
                QVERIFY2(std::abs(centre - c.centre) <= 0.5 + 1e-6 && width == c.width,
                         qPrintable(what));
            } else {
                // Both edges within a dot of the exact ones, across the
                // line; a run's edge on the probe is a whole pixel, so half
                // of one more.
                const double near = c.stretch + 0.5;
                QVERIFY2(std::abs(runs[i].first - (c.centre - c.width / 2)) <= near &&
                             std::abs(runs[i].second + 1 - (c.centre + c.width / 2)) <= near,
                         qPrintable(what));
            }
        }
    }
}

// No dot inked wholly outside the printable area, and the ink's box where
// the kind says how far it reaches.
void measureInk(const QImage& image, const Area& a, const QRectF& expected)
{
    const QImage page = image.convertToFormat(QImage::Format_Grayscale8);
    int left = page.width(), top = page.height(), right = -1, bottom = -1;
    qint64 outside = 0;
    for (int y = 0; y < page.height(); ++y) {
        const bool rowOutside = y + 1 <= a.y || y >= a.bottom();
        const uchar* line = page.constScanLine(y);
        for (int x = 0; x < page.width(); ++x) {
            if (line[x] >= 128)
                continue;
            left = std::min(left, x);
            right = std::max(right, x + 1);
            top = std::min(top, y);
            bottom = std::max(bottom, y + 1);
            if (rowOutside || x + 1 <= a.x || x >= a.right())
                ++outside;
        }
    }
    QVERIFY2(outside == 0, qPrintable(QStringLiteral("%1 dots inked outside the printable area "
                                                     "(%2, %3 to %4, %5); the ink spans %6, %7 "
                                                     "to %8, %9")
                                          .arg(outside)
                                          .arg(a.x)
                                          .arg(a.y)
                                          .arg(a.right())
                                          .arg(a.bottom())
                                          .arg(left)
                                          .arg(top)
                                          .arg(right)
                                          .arg(bottom)));
    if (expected.isNull())
        return;
    const double sides[4][2] = {{double(left), expected.left()},
                                {double(top), expected.top()},
                                {double(right), expected.right()},
                                {double(bottom), expected.bottom()}};
    for (const auto& [got, want] : sides)
        QVERIFY2(std::abs(got - want) <= 1,
                 qPrintable(QStringLiteral("the ink spans %1, %2 to %3, %4; expected %5, %6 to "
                                           "%7, %8")
                                .arg(left)
                                .arg(top)
                                .arg(right)
                                .arg(bottom)
                                .arg(expected.left())
                                .arg(expected.top())
                                .arg(expected.right())
                                .arg(expected.bottom())));
}

// The step of the runs along the first probe, fitted by least squares.
void measurePitch(const Strip& strip, const Probe& probe, double pitch)
{
    const QImage image = strip(probe.row, int(std::floor(probe.at)));
    const Runs runs =
        probe.row ? runsWhere(image.width(), [&](int x) { return dark(image.pixel(x, 0)); })
                  : runsWhere(image.height(), [&](int y) { return dark(image.pixel(0, y)); });
    double n = 0, si = 0, sc = 0, sii = 0, sic = 0;
    for (qsizetype i = 0; i < runs.size(); ++i) {
        const double c = (runs[i].first + runs[i].second + 1) / 2.0;
        n += 1, si += i, sc += c, sii += double(i) * i, sic += i * c;
    }
    const double slope = (n * sic - si * sc) / (n * sii - si * si);
    QVERIFY2(std::abs(slope / pitch - 1) <= 1e-4,
             qPrintable(QStringLiteral("a step of %1 dots over %2 lines, %3 expected")
                            .arg(slope, 0, 'f', 4)
                            .arg(runs.size())
                            .arg(pitch, 0, 'f', 4)));
}

void measure(const Page& page, const Area& area, const Expected& expected)
{
    measureProbes(page.strip, expected.probes);
    if (expected.pitch > 0 && !QTest::currentTestFailed())
        measurePitch(page.strip, expected.probes.first(), expected.pitch);
    if (QTest::currentTestFailed() || page.whole.isNull())
        return;
    measureInk(page.whole, area, expected.ink);
}

// The strips of a whole image.
Page wholePage(const QImage& image)
{
    return {[image](bool row, int at) {
                return row ? image.copy(0, at, image.width(), 1)
                           : image.copy(at, 0, 1, image.height());
            },
            image};
}

#ifndef GRIDORRA_RASTER_TOOL
// The page as a renderer draws it.
Page rendered(const QString& file, const QString& renderer, int dpi, const QSize& pixels)
{
    if (renderer == QStringLiteral("png"))
        return wholePage(QImage(file));
    if (renderer == QStringLiteral("poppler")) // only the strip: a whole page takes seconds
        return {[=](bool row, int at) {
                    return rasterisePdf(file, dpi,
                                        row ? QRect(0, at, pixels.width(), 1)
                                            : QRect(at, 0, 1, pixels.height()));
                },
                QImage()};
    if (renderer == QStringLiteral("ghostscript")) {
        QImageReader::setAllocationLimit(512);
        return wholePage(rasterisePdfWithGhostscript(file, dpi, QRect()));
    }
    QProcess rsvg; // the SVG as librsvg (the desktop's) draws it
    rsvg.start(QStringLiteral("rsvg-convert"),
               {"--dpi-x", QString::number(dpi), "--dpi-y", QString::number(dpi), "-b", "white",
                "-o", file + ".png", file});
    rsvg.waitForFinished(60000);
    return wholePage(QImage(file + ".png"));
}

// No display, no print service, and a settings store of its own in `home`.
QProcessEnvironment environmentIn(const QTemporaryDir& home)
{
    QProcessEnvironment env = withoutDisplay(QProcessEnvironment::systemEnvironment());
    env.insert("HOME", home.path());
    env.insert("XDG_CONFIG_HOME", home.path());
    env.insert("CUPS_SERVER", home.filePath("no-scheduler.sock"));
    return env;
}
#endif

} // namespace

class TestPatterns : public QObject {
    Q_OBJECT
    IsolatedConfig config; // the store of the commands run in this process

private slots:
    void initTestCase()
    {
        pinLocale();
        // The commands run in this process: no print service.
        qputenv("CUPS_SERVER", QFile::encodeName(config.path() + "/no-scheduler.sock"));
    }

#ifndef GRIDORRA_RASTER_TOOL

    // Every kind in every form it leaves the program in: the PNG and the
    // SVG on A4 and Letter, the PDF on a page of 5.5 x 8.5 inches (whole
    // dots at 600 dpi, so that Ghostscript, which counts its rows from the
    // page's foot, has the page's top on a dot); margins of 18 points, in
    // centimetres. The printable area is the paper's exact size (A4 is
    // 210 x 297 mm) less the margins.
    void marksWhereTheyBelong_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("renderer");
        QTest::addColumn<QString>("paper");
        for (const Kind& k : kinds()) {
            for (const char* renderer : {"png", "svg"})
                for (const char* paper : {"A4", "Letter"})
                    QTest::addRow("%s, %s, %s", qPrintable(k.name), renderer, paper)
                        << k.name << renderer << paper;
            for (const char* renderer : {"poppler", "ghostscript"})
                QTest::addRow("%s, %s", qPrintable(k.name), renderer)
                    << k.name << renderer << "Statement";
        }
    }
    void marksWhereTheyBelong()
    {
        QFETCH(QString, kind);
        QFETCH(QString, renderer);
        QFETCH(QString, paper);
        const Kind* k = kindNamed(kind);
        const bool pdf = renderer == "poppler" || renderer == "ghostscript";
        const int dpi = pdf ? 600 : 300;
        QTemporaryDir home;
        const QString file = home.filePath(renderer == "png"   ? "sheet.png"
                                           : renderer == "svg" ? "sheet.svg"
                                                               : "sheet.pdf");
        const ProgramRun run =
            runInProcess(QStringList{"--export", file, "--page-size", paper, "--margins", "18",
                                     "--resolution", QString::number(dpi)} +
                         withUnit(k->args));
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QSizeF points = paper == "A4"       ? QSizeF(210 / 25.4 * 72, 297 / 25.4 * 72)
                        : paper == "Letter" ? QSizeF(612, 792)
                                            : QSizeF(396, 612);
        if (k->landscape)
            points.transpose();
        const double dot = dpi / 72.0;
        const Area area{double(dpi), 18 * dot, 18 * dot, (points.width() - 36) * dot,
                        (points.height() - 36) * dot};
        const Expected expected = k->expect(area);
        const Page page = rendered(file, renderer, dpi, (points * dot).toSize());
        measure(page, area, expected);
        // The colours, where the renderer gives them (Ghostscript, as the
        // print filters run it here, draws in grey).
        for (const Expected::Ink& ink : expected.inks) {
            if (renderer == "ghostscript" || QTest::currentTestFailed())
                break;
            const QPoint at(int(std::floor(ink.x)), int(std::floor(ink.y)));
            QImage pixel = page.whole.isNull() ? QImage() : page.whole.copy(QRect(at, QSize(1, 1)));
            if (renderer == "poppler") {
                QProcess p;
                p.start("pdftoppm", {"-r", QString::number(dpi), "-singlefile", "-png", "-x",
                                     QString::number(at.x()), "-y", QString::number(at.y()), "-W",
                                     "1", "-H", "1", file, file + ".ink"});
                QVERIFY(p.waitForFinished(60000) && p.exitCode() == 0);
                pixel = QImage(file + ".ink.png");
            }
            const QRgb got = pixel.pixel(0, 0);
            QVERIFY2(std::abs(qRed(got) - qRed(ink.rgb)) <= 12 &&
                         std::abs(qGreen(got) - qGreen(ink.rgb)) <= 12 &&
                         std::abs(qBlue(got) - qBlue(ink.rgb)) <= 12,
                     qPrintable(QStringLiteral("at %1, %2: %3, %4 expected")
                                    .arg(at.x())
                                    .arg(at.y())
                                    .arg(QColor(got).name(), QColor(ink.rgb).name())));
        }
    }

    // The window's grid is the same document it was before the other
    // kinds came: the same bytes, but for the time it was made. (The
    // digests are of the previous release's documents, with Debian 12's Qt.)
    void theGridKeepsItsBytes_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("sha256");
        QTest::newRow("stored defaults, Letter")
            << QStringList{"--page-size", "Letter"}
            << QByteArray("70016ace5a30412f8df69769987b9149a6ad536d4ed3ddbf5bc67ba32a2a98ba");
        QTest::newRow("centimetres, colour, thickness 3, A4")
            << QStringList{"--page-size",    "A4", "--unit",      "cm", "--lines-down", "7",
                           "--lines-across", "3",  "--thickness", "3",  "--colour",     "#ff0000",
                           "--wide-down",    "4"}
            << QByteArray("f1b6827c7f10f4604445759e31e6f54ef7a8234cd0232530fb88428329c75328");
        QTest::newRow("100 lines per inch, A3 at 300 dpi")
            << QStringList{"--page-size",  "A3",  "--resolution",   "300", "--margins", "9.6",
                           "--lines-down", "100", "--lines-across", "100"}
            << QByteArray("5cd5430196a0ca4fd273906421a7e376e601ae7f092776e029d84b941080d538");
    }
    void theGridKeepsItsBytes()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, sha256);
        QTemporaryDir home;
        const QProcessEnvironment env = environmentIn(home);
        QProcess p; // standard output as bytes
        p.setProcessEnvironment(env);
        p.start(GRIDORRA_EXE, QStringList{"--export", "-"} + args);
        QVERIFY(p.waitForFinished(60000) && p.exitCode() == 0);
        const QByteArray made = p.readAllStandardOutput();
        QVERIFY(made.indexOf("/CreationDate (D:") > 0);
        const QByteArray bytes = withoutCreationDate(made);
        QCOMPARE(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex(), sha256);
    }

    // The grid drawn as marks (as in a notebook) is the window's grid:
    // every line where the window's document has it, in its pen.
    void theGridAsMarks_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("stored defaults") << QStringList{};
        QTest::newRow("centimetres, thickness 3")
            << QStringList{"--unit",      "cm", "--lines-down", "7", "--lines-across", "3",
                           "--thickness", "3",  "--wide-down",  "4"};
        QTest::newRow("one line down") << QStringList{"--lines-down", "3000"};
    }
    void theGridAsMarks()
    {
        QFETCH(QStringList, args);
        QTemporaryDir home;
        const QProcessEnvironment env = environmentIn(home);
        QList<QImage> strips;
        for (const QString pages : {"1", "2"}) {
            const QString pdf = home.filePath(pages + ".pdf");
            const ProgramRun run = runProgram(QStringList{"--export", pdf, "--page-size", "A5",
                                                          "--margins", "18", "--pages", pages} +
                                                  args,
                                              env);
            QVERIFY2(run.status == 0, qPrintable(run.err));
            for (const QRect& r : {QRect(0, 300, 3500, 1), QRect(300, 0, 1, 4958)})
                strips << rasterisePdf(pdf, 600, r);
        }
        QCOMPARE(strips[2], strips[0]);
        QCOMPARE(strips[3], strips[1]);
    }

    // What a user can get wrong: said in one line, exit 2, nothing written.
    void refusals_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("said");
        const auto row = [](const char* name, const QStringList& args, const char* said) {
            QTest::newRow(name) << args << QString::fromUtf8(said);
        };
        row("an unknown kind", {"--pattern", "waves"},
            "--pattern waves: no such pattern; the patterns: grid, dots, lined, isometric, "
            "isodots, hex, semilog, loglog, polar, staff, checklist, seyes, handwriting, "
            "doubleruled, hexup, cornell, programming, engineering");
        row("a box as big as its line space",
            {"--pattern", "checklist", "--lines-down", "1", "--box-size", "1"},
            "--box-size 1: a box must lie between its lines, which are 1 apart");
        row("an unknown kind, printing", {"--print", "--pattern", "waves"},
            "--pattern waves: no such pattern");
        row("wide lines narrower than the thin", {"--thickness", "3", "--wide-thickness", "2"},
            "--wide-thickness 2: narrower than the thin lines (3 dots)");
        row("wide lines of a kind narrower than its thin",
            {"--pattern", "polar", "--thickness", "4", "--wide-thickness", "3"},
            "--wide-thickness 3: narrower than the thin lines (4 dots)");
        row("heavy lines narrower than the wide",
            {"--heavy-every", "2", "--wide-thickness", "5", "--heavy-thickness", "4"},
            "--heavy-thickness 4: narrower than the wide lines (5 dots)");
        row("heavy lines without heavy lines", {"--heavy-thickness", "6"},
            "--heavy-thickness goes with --heavy-every");
        row("a wide pen for dots", {"--pattern", "dots", "--wide-thickness", "3"},
            "--wide-thickness has no place in the pattern dots");
        row("an option the kind does not take", {"--pattern", "dots", "--thickness", "2"},
            "--thickness has no place in the pattern dots, which takes --lines-down");
        row("the grid's option elsewhere", {"--heavy-every", "2", "--pattern", "lined"},
            "--heavy-every has no place in the pattern lined");
        row("another kind's option on the grid", {"--dot-size", "3"},
            "--dot-size has no place in the pattern grid");
        row("no decades", {"--pattern", "semilog", "--decades", "0"},
            "--decades 0: give a whole number from 1 to 20");
        row("decades that do not fit",
            {"--pattern", "semilog", "--decades", "20", "--thickness", "4"},
            "--decades 20: the lines at 9 and 10 would be");
        row("a dot larger than the spacing",
            {"--pattern", "dots", "--dot-size", "30", "--lines-down", "10", "--lines-across", "10"},
            "--dot-size 30: a dot of 30 dots is as large as the spacing of 11.81 dots");
        row("rings finer than a dot", {"--pattern", "polar", "--ring-spacing", "0.001"},
            "--ring-spacing 0.001: rings 0.1181 dots apart are finer than a dot");
        row("no lines to the centimetre", {"--pattern", "dots", "--lines-down", "0"},
            "--lines-down 0: give more than 0 lines");
        row("a margin line off the sheet", {"--pattern", "lined", "--margin-line", "30"},
            "--margin-line 30: the margin line must lie inside the sheet");
        row("a notebook of no pages", {"--pages", "0"},
            "--pages 0: give a whole number from 1 to 10000");
        row("a notebook as a PNG", {"--pages", "3", "--format", "png"},
            "--pages: a notebook is a PDF");
        row("a kind on the calibration sheet", {"--calibration-sheet", "--pattern", "dots"},
            "--pattern has no place on the calibration sheet");
        row("exact lengths elsewhere", {"--pattern", "dots", "--exact-lengths"},
            "--exact-lengths has no place in the pattern dots");
        // Values that leave a kind without one whole cell on the printable
        // area (A5 less 12 points: 13.95 x 20.15 cm).
        row("a hexagon larger than the sheet", {"--pattern", "hex", "--hex-size", "1000"},
            "--hex-size 1000: not one whole hexagon fits on the printable area (13.95 x 20.15 cm)");
        row("a hexagon a little too tall", {"--pattern", "hex", "--hex-size", "17.4"},
            "--hex-size 17.4: not one whole hexagon fits");
        row("a staff taller than the sheet", {"--pattern", "staff", "--line-gap", "10"},
            "--line-gap 10: not one whole staff fits");
        row("staves that touch", {"--pattern", "staff", "--line-gap", "0.2", "--staff-gap", "0"},
            "--staff-gap 0: staves closer than their lines' gap (0.2) would run together");
        row("a triangle wider than the sheet", {"--pattern", "isometric", "--side", "100"},
            "--side 100: not one whole triangle fits");
        row("a triangle of 1e300", {"--pattern", "isometric", "--side", "1e300"},
            "--side 1e+300: not one whole triangle fits");
        row("isodots of one corner", {"--pattern", "isodots", "--side", "15"},
            "--side 15: not one whole triangle fits");
        row("no whole row of dots", {"--pattern", "dots", "--lines-down", "0.04"},
            "--lines-down 0.04: not one whole row of dots fits");
        row("no whole column of dots", {"--pattern", "dots", "--lines-across", "0.05"},
            "--lines-across 0.05: not one whole column of dots fits");
        row("one ruled line", {"--pattern", "lined", "--lines-down", "0.04"},
            "--lines-down 0.04: not one whole line space fits");
        row("no whole column of semilog", {"--pattern", "semilog", "--lines-across", "0.05"},
            "--lines-across 0.05: not one whole column fits");
        row("no ring", {"--pattern", "polar", "--ring-spacing", "8"},
            "--ring-spacing 8: not one ring fits on the sheet");
        row("a heavy colour without heavy lines", {"--heavy-colour", "#000000"},
            "--heavy-colour goes with --heavy-every");
        row("a wide colour that is none", {"--wide-colour", "dark"},
            "--wide-colour dark: not a colour (give #RRGGBB");
        row("a wide colour where all lines are one",
            {"--pattern", "hex", "--wide-colour", "#ff0000"},
            "--wide-colour has no place in the pattern hex");
        row("two pages to a side of a turned page", {"--two-up", "--orientation", "landscape"},
            "--two-up turns the paper itself; its pages are upright");
        row("two-up to a printer", {"--print", "--two-up"},
            "--two-up is for --export; a printer prints on its own paper");
        row("numbers on a grid", {"--labels"}, "--labels has no place in the pattern grid");
        row("a coding form of no columns", {"--pattern", "programming", "--columns", "0"},
            "--columns 0: give a whole number from 1 to 200");
        row("columns too narrow for their lines",
            {"--pattern", "programming", "--columns", "200", "--thickness", "6"},
            "--columns 200: columns");
        row("a slant that lies down", {"--pattern", "doubleruled", "--slant", "10"},
            "--slant 10: give an angle from 20 to 90 degrees from the lines");
        row("a slant past upright", {"--pattern", "doubleruled", "--slant", "95"},
            "--slant 95: give an angle from 20 to 90 degrees");
        row("a slant elsewhere", {"--pattern", "handwriting", "--slant", "55"},
            "--slant has no place in the pattern handwriting");
        row("a sideways page", {"--orientation", "sideways"},
            "--orientation sideways: give portrait or landscape");
        row("one page printed on both sides", {"--double-sided"},
            "--double-sided: one page has no back; give --pages 2 or more");
        row("a page centred on the calibration sheet", {"--calibration-sheet", "--centre"},
            "--centre has no place on the calibration sheet");
        row("seyes squares too small for their lines",
            {"--pattern", "seyes", "--square", "0.02", "--thickness", "3"},
            "--square 0.02: its ruled lines, 0.5906 dots apart, are too close for their pens");
        row("a seyes margin off the squares", {"--pattern", "seyes", "--margin-line", "20"},
            "--margin-line 20: the margin line must lie inside the squares");
        row("a square larger than the sheet", {"--pattern", "seyes", "--square", "15"},
            "--square 15: not one whole square fits");
        row("writing lines too close", {"--pattern", "handwriting", "--x-height", "0.01"},
            "--x-height 0.01: lines 1.181 dots apart are too close for their pens");
        row("a row taller than the sheet", {"--pattern", "handwriting", "--x-height", "11"},
            "--x-height 11: not one whole row fits");
        row("no x-height", {"--pattern", "doubleruled", "--x-height", "0"},
            "--x-height 0: give a length more than 0");
        row("a hexagon with a flat up taller than the sheet",
            {"--pattern", "hexup", "--hex-size", "25"},
            "--hex-size 25: not one whole hexagon fits");
        row("a cue column wider than the sheet", {"--pattern", "cornell", "--cue-width", "14"},
            "--cue-width 14: the cue column must lie inside the sheet (13.95 x 20.15 cm)");
        row("a summary band over the whole sheet",
            {"--pattern", "cornell", "--summary-height", "20.1"},
            "--summary-height 20.1: the summary band leaves no line for notes");
    }
    void refusals()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, said);
        QTemporaryDir home;
        if (!args.contains("--print"))
            args = QStringList{"--export", home.filePath("x.pdf"), "--page-size", "A5"} +
                   (args.contains("--calibration-sheet")
                        ? QStringList()
                        : QStringList{"--unit", "cm", "--resolution", "300"}) +
                   args;
        const ProgramRun run = runInProcess(args);
        QCOMPARE(run.status, 2);
        QCOMPARE(run.err.count('\n'), 1);
        QVERIFY2(run.err.startsWith("gridorra: " + said), qPrintable(run.err));
        QVERIFY(!QFile::exists(home.filePath("x.pdf")));
    }

    // Every number of the command line is read as the window's fields
    // read theirs, in the user's locale: blanks around it, a sign, the
    // group and decimal separators and an exponent are taken, anything
    // else is refused; a whole-number option takes no fraction.
    void numbersAreReadOneWay_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("refused");
        const auto row = [](const char* name, const char* locale, const QStringList& args,
                            const char* refused = "") {
            QTest::newRow(name) << locale << args << QString::fromUtf8(refused);
        };
        row("blanks around a dot size", "C", {"--pattern", "dots", "--dot-size", " 4 "});
        row("an exponent for pages", "C", {"--pages", "1e1"});
        row("an exponent for a length", "C", {"--pattern", "hex", "--hex-size", "1e0"});
        row("a decimal comma in German", "de_DE.UTF-8",
            {"--pattern", "staff", "--line-gap", "0,2", "--staff-gap", "1,5"});
        row("a letter after a dot size", "C", {"--pattern", "dots", "--dot-size", "4x"},
            "--dot-size: give a whole number from 1 to 100");
        row("a letter after a length", "C", {"--pattern", "hex", "--hex-size", "1cm"},
            "--hex-size: give a length more than 0");
        row("a letter after a field", "C", {"--lines-down", "4x"},
            "--lines-down: Must be a numeric value.");
        row("a decimal point in German", "de_DE.UTF-8", {"--pattern", "staff", "--line-gap", "0.2"},
            "--line-gap: give a length more than 0");
        row("a fraction of rays", "C", {"--pattern", "polar", "--rays", "2.5"},
            "--rays: give a whole number from 1 to 720");
        row("a fraction of pages", "C", {"--pages", "2.5"},
            "--pages: give a whole number from 1 to 10000");
        row("a fraction of decades", "C", {"--pattern", "semilog", "--decades", "1.5"},
            "--decades: give a whole number from 1 to 20");
    }
    void numbersAreReadOneWay()
    {
        QFETCH(QString, locale);
        QFETCH(QStringList, args);
        QFETCH(QString, refused);
        QTemporaryDir home;
        QProcessEnvironment env = environmentIn(home);
        env.insert("LC_ALL", locale);
        const QString pdf = home.filePath("x.pdf");
        const ProgramRun run = runProgram(
            QStringList{"--export", pdf, "--page-size", "A5", "--unit", "cm"} + args, env);
        if (refused.isEmpty()) {
            QVERIFY2(run.status == 0, qPrintable(run.err));
            QVERIFY(QFileInfo(pdf).size() > 0);
        } else {
            QCOMPARE(run.status, 2);
            QVERIFY2(run.err.startsWith("gridorra: " + refused.section(':', 0, 0)) &&
                         run.err.contains(refused.section(':', 1).trimmed()),
                     qPrintable(run.err));
            QVERIFY(!QFile::exists(pdf));
        }
    }

    // The window's grid takes whole twips; where that is more than 0.05 %
    // off the lengths asked for, an export says how long the squares really
    // are (and still succeeds). --exact-lengths, or the stored choice, draws
    // them exact and says nothing.
    void theGridSaysHowLongItsSquaresAre_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("stored");
        QTest::addColumn<QString>("said");
        const QStringList cm2{"--unit", "cm", "--lines-down", "2", "--lines-across", "2"};
        const QString exact = "; --exact-lengths draws them exact\n";
        QTest::newRow("2 per cm") << cm2 << false
                                  << "gridorra: the grid's lines are 5.009 mm apart both ways, "
                                     "not 5 mm (the window's whole twips)" +
                                         exact;
        QTest::newRow("3 per cm, 0.01 % off")
            << QStringList{"--unit", "cm", "--lines-down", "3", "--lines-across", "3"} << false
            << "";
        QTest::newRow("7 per inch across")
            << QStringList{"--unit", "in", "--lines-down", "10", "--lines-across", "7"} << false
            << "gridorra: the grid's vertical lines are 0.1431 in apart, not 0.1429 in (the "
               "window's whole twips)" +
                   exact;
        QTest::newRow("2 per cm, exact lengths")
            << cm2 + QStringList{"--exact-lengths"} << false << "";
        QTest::newRow("2 per cm, exact lengths stored") << cm2 << true << "";
    }
    void theGridSaysHowLongItsSquaresAre()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, stored);
        QFETCH(QString, said);
        QTemporaryDir home;
        const QProcessEnvironment env = environmentIn(home);
        if (stored) {
            QFile store(home.filePath("Marnova.conf"));
            QVERIFY(store.open(QIODevice::WriteOnly));
            store.write("[Gridorra%20Software]\nExactLengths=1\n");
        }
        const QString png = home.filePath("sheet.png");
        const ProgramRun run =
            runProgram(QStringList{"--export", png, "--page-size", "A4"} + args, env);
        QCOMPARE(run.status, 0);
        QCOMPARE(run.err, said);
        if (!stored)
            return;
        // The stored choice draws what the option draws.
        const QString option = home.filePath("option.png");
        QCOMPARE(
            runProgram(
                QStringList{"--export", option, "--page-size", "A4", "--exact-lengths"} + args, env)
                .status,
            0);
        QCOMPARE(QImage(png), QImage(option));
        QFile::remove(home.filePath("Marnova.conf"));
        const QString window = home.filePath("window.png");
        QCOMPARE(
            runProgram(QStringList{"--export", window, "--page-size", "A4"} + args, env).status, 0);
        QVERIFY(QImage(window) != QImage(option));
    }

    // A notebook's pages are the one page's drawing, placed again: a
    // hundred pages cost less than another page's bytes, and the last page
    // is the first.
    void notebooks_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("the grid") << QStringList{};
        QTest::newRow("a millimetre dot grid")
            << QStringList{"--pattern", "dots", "--lines-down", "10", "--lines-across", "10"};
        QTest::newRow("lined") << QStringList{"--pattern", "lined", "--lines-down", "1"};
    }
    void notebooks()
    {
        QFETCH(QStringList, args);
        QTemporaryDir home;
        const QProcessEnvironment env = environmentIn(home);
        QList<qint64> sizes;
        QList<QImage> rows;
        for (const QString pages : {"1", "100"}) {
            const QString pdf = home.filePath(pages + ".pdf");
            const ProgramRun run = runProgram(QStringList{"--export", pdf, "--page-size", "A5",
                                                          "--unit", "cm", "--pages", pages} +
                                                  args,
                                              env);
            QVERIFY2(run.status == 0, qPrintable(run.err));
            sizes << QFileInfo(pdf).size();
            QProcess info;
            info.start("pdfinfo", {pdf});
            QVERIFY(info.waitForFinished());
            QVERIFY(QString::fromUtf8(info.readAllStandardOutput())
                        .contains(QRegularExpression("Pages: +" + pages + "\n")));
            // The last page's column through the first dots.
            QProcess raster;
            raster.start("pdftoppm",
                         {"-r", "600", "-gray", "-singlefile", "-png", "-f", pages, "-x", "102",
                          "-y", "0", "-W", "1", "-H", "4960", pdf, pdf + ".strip"});
            QVERIFY(raster.waitForFinished(60000) && raster.exitCode() == 0);
            rows << QImage(pdf + ".strip.png");
        }
        QVERIFY2(sizes[1] < 2 * sizes[0], qPrintable(QStringLiteral("%1 bytes for one page, %2 "
                                                                    "for a hundred")
                                                         .arg(sizes[0])
                                                         .arg(sizes[1])));
        QVERIFY(!darkRunsInRow(rows[0].transformed(QTransform().rotate(90)), 0).isEmpty());
        QCOMPARE(rows[1].size(), rows[0].size());
        QCOMPARE(rows[1], rows[0]);
    }

    // A double-sided notebook's even pages are its odd pages in a mirror:
    // lined paper's margin line on the outer side, each line where the
    // mirror puts it (about the middle of the page, whose margins are
    // equal), as poppler renders them. Two-up, an A4 sheet turned holds an
    // even page on its left half and an odd one on its right, each half
    // with margins of its own.
    void doubleSidedNotebooks_data()
    {
        QTest::addColumn<bool>("twoUp");
        QTest::newRow("A5, three pages") << false;
        QTest::newRow("A5 pages two-up on A4, four pages") << true;
    }
    void doubleSidedNotebooks()
    {
        QFETCH(bool, twoUp);
        const Kind& k = lined(2);
        QTemporaryDir home;
        const QString pdf = home.filePath("notebook.pdf");
        const ProgramRun run = runInProcess(
            QStringList{"--export", pdf, "--page-size", twoUp ? "A4" : "A5", "--margins", "18",
                        "--resolution", "300", "--pages", twoUp ? "4" : "3", "--double-sided"} +
            (twoUp ? QStringList{"--two-up"} : QStringList()) + withUnit(k.args));
        QVERIFY2(run.status == 0, qPrintable(run.err));
        const double dot = 300 / 72.0, half = twoUp ? 297 / 2.0 / 25.4 * 72 * dot : 0;
        const Area a{300, 18 * dot, 18 * dot, (148 / 25.4 * 72 - 36) * dot,
                     (210 / 25.4 * 72 - 36) * dot};
        const Area right{300, half + a.x, a.y, twoUp ? half - 36 * dot : a.w, a.h};
        const auto mirrored = [](Expected e, const Area& in) {
            const auto mirror = [&](double x) { return 2 * in.x + in.w - x; };
            for (Probe& p : e.probes) {
                if (!p.row)
                    p.at = mirror(p.at);
                else
                    for (Crossing& c : p.crossings)
                        c.centre = mirror(c.centre);
                sortByCentre(p.crossings);
            }
            return e;
        };
        const int pages = twoUp ? 2 : 3;
        for (int page = 1; page <= pages; ++page) {
            QProcess raster;
            raster.start("pdftoppm",
                         {"-r", "300", "-gray", "-singlefile", "-png", "-f", QString::number(page),
                          "-l", QString::number(page), pdf, pdf + ".page"});
            QVERIFY(raster.waitForFinished(60000) && raster.exitCode() == 0);
            const QImage image(pdf + ".page.png");
            // Two-up, every side is alike.
            Expected e = page % 2 == 0 && !twoUp ? mirrored(k.expect(a), a) : k.expect(right);
            Page measured = wholePage(image);
            if (twoUp) {
                // Each side: the even page's left half and the odd page's
                // right half, rows across both.
                const Area left{300, a.x, a.y, right.w, a.h};
                const Expected even = mirrored(k.expect(left), left);
                for (qsizetype i = 0, n = e.probes.size(); i < n; ++i) {
                    if (e.probes[i].row) {
                        e.probes[i].crossings += even.probes[i].crossings;
                        sortByCentre(e.probes[i].crossings);
                    } else {
                        e.probes.append(even.probes[i]);
                    }
                }
                measured.whole = QImage(); // each half inks outside the other's area
            }
            measure(measured, twoUp ? right : a, e);
            if (QTest::currentTestFailed())
                qWarning("page %d", page);
        }
    }

#else
    // The raster a driverless printer received for each kind, on the
    // printer's paper at 600 dpi: tests/cups/driverless-check prints the
    // kind and runs this for its row, with the raster in GRIDORRA_RASTER
    // and the printable area it read from the queue's PPD in
    // GRIDORRA_RASTER_AREA (x,y,w,h in dots).
    void printedRaster_data()
    {
        kindRows();
    }
    void printedRaster()
    {
        QFETCH(QString, kind);
        const QString file = qEnvironmentVariable("GRIDORRA_RASTER");
        const QStringList a = qEnvironmentVariable("GRIDORRA_RASTER_AREA").split(',');
        QVERIFY2(!file.isEmpty() && a.size() == 4, "no raster, or no area, to measure");
        QImageReader::setAllocationLimit(512);
        const Area area{600, a[0].toDouble(), a[1].toDouble(), a[2].toDouble(), a[3].toDouble()};
        const Kind* k = kindNamed(kind);
        if (!k->landscape) {
            measure(wholePage(QImage(file)), area, k->expect(area));
            return;
        }
        // A landscape sheet is read with the page turned a quarter to the
        // right: its top lies along the paper's left edge, and the
        // printable area's foot margin is then its left one.
        const QImage page(file);
        const Area turnedArea{600, page.height() - area.bottom(), area.x, area.h, area.w};
        measure(wholePage(page.transformed(QTransform().rotate(90))), turnedArea,
                k->expect(turnedArea));
    }

    // The arguments that print each kind, one a line, into the file
    // GRIDORRA_PRINT_ARGUMENTS names.
    void argumentsOf_data()
    {
        kindRows();
    }
    void argumentsOf()
    {
        QFETCH(QString, kind);
        QFile out(qEnvironmentVariable("GRIDORRA_PRINT_ARGUMENTS"));
        QVERIFY2(out.open(QIODevice::WriteOnly), "no file for the arguments");
        out.write(withUnit(kindNamed(kind)->args).join('\n').toUtf8());
    }

private:
    static void kindRows()
    {
        QTest::addColumn<QString>("kind");
        for (const Kind& k : kinds())
            QTest::newRow(qPrintable(k.name)) << k.name;
    }
#endif
};

#ifdef GRIDORRA_RASTER_TOOL
QTEST_GUILESS_MAIN(TestPatterns)
#else
QTEST_MAIN(TestPatterns)
#endif
#include "tst_patterns.moc"
