// Every kind of paper measured where a user meets it: the PNG, the SVG as
// librsvg renders it, the PDF as poppler and Ghostscript render it, and
// (run by tests/cups/driverless-check) a driverless printer's raster. The
// places expected are worked out here from each kind's geometry, in dots
// from the page's corner.
#include "support/pdfraster.h"
#include "support/pinlocale.h"
#include "support/programrun.h"

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

// The sheet's printable area in dots.
struct Area {
    double dpi, x, y, w, h;
    double cm() const { return dpi / 2.54; }
    double twip() const { return dpi / 1440; }
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

// A row (y) or column (x) of the page and what crosses it.
struct Probe {
    bool row;
    double at;
    QList<Crossing> crossings;
};

void sortByCentre(QList<Crossing>& list)
{
    std::sort(list.begin(), list.end(),
              [](const Crossing& a, const Crossing& b) { return a.centre < b.centre; });
}

// Lines across the probe at `from` + i `step` up to `to`, the i-th `pen(i)` wide.
QList<Crossing> evenly(double from, double to, double step, const std::function<int(int)>& pen)
{
    QList<Crossing> out;
    for (int i = 0; from + i * step <= to + 1e-6; ++i)
        out.append({from + i * step, double(pen(i)), true});
    return out;
}

using Expect = std::function<QList<Probe>(const Area&)>;

QList<Probe> heavyGrid(const Area& a)
{
    // The window's rules: 567 / 5 is 113 twips, margins of the wide pen
    // (4) in twips; every 2nd line wide, every 2nd wide heavy (8).
    const double step = 113 * a.twip(), first = 4 * a.twip();
    const auto pen = [](int i) { return i % 4 == 0 ? 8 : i % 2 == 0 ? 4 : 1; };
    return {{true, a.y + first + step / 2, evenly(a.x + first, a.x + a.w, step, pen)},
            {false, a.x + first + step / 2, evenly(a.y + first, a.y + a.h, step, pen)}};
}

QList<Probe> dots(const Area& a)
{
    // Half a centimetre apart from 5 dots in (half the wide dot), every
    // 4th row's every 4th dot 9 across, the others 5.
    const double step = a.cm() / 2, inset = 5;
    return {{true, a.y + inset,
             evenly(a.x + inset, a.x + a.w - inset, step, [](int i) { return i % 4 ? 5 : 9; })},
            {true, a.y + inset + step,
             evenly(a.x + inset, a.x + a.w - inset, step, [](int) { return 5; })},
            {false, a.x + inset + step,
             evenly(a.y + inset, a.y + a.h - inset, step, [](int) { return 5; })}};
}

QList<Probe> lined(const Area& a)
{
    // Lines a centimetre apart from 3 dots in, every 3rd wide (5 for 2);
    // the margin line 2 cm from the left, wide.
    return {{false, a.x + a.cm(),
             evenly(a.y + 3, a.y + a.h - 3, a.cm(), [](int i) { return i % 3 ? 2 : 5; })},
            {true, a.y + 3 + a.cm() / 2, {{a.x + 2 * a.cm(), 5, true}}}};
}

// Where the lines at 60 degrees through (x0 + j s, y0) cross the probe,
// the j-th wide (4) when j is a multiple of `wide`, else 1.
QList<Crossing> slantedCrossings(const Area& a, const Probe& p, double x0, double y0, double s,
                                 int wide)
{
    QList<Crossing> out;
    for (const int sense : {1, -1})
        for (int j = -200; j <= 200; ++j) {
            const double w = std::abs(j) % wide == 0 ? 4 : 1;
            const double at = x0 + j * s;
            if (p.row) {
                const double x = at + sense * (p.at - y0) / sqrt3;
                if (x > a.x + 3 && x < a.x + a.w - 3)
                    out.append({x, w * 2 / sqrt3, false, 2 / sqrt3});
            } else {
                const double y = y0 + sense * (p.at - at) * sqrt3;
                if (y > a.y + 3 && y < a.y + a.h - 3)
                    out.append({y, w * 2, false, 2});
            }
        }
    return out;
}

QList<Probe> isometric(const Area& a)
{
    // Triangles of 1 cm from 2 dots in (half the wide pen): horizontal
    // lines 0.866 cm apart, every 2nd wide; every 3rd slanted line wide.
    const double s = a.cm(), h = s * sqrt3 / 2, x0 = a.x + 2, y0 = a.y + 2;
    QList<Probe> probes = {{true, y0 + h / 2, {}}, {false, x0 + 2 * s + s / 4, {}}};
    for (Probe& p : probes) {
        p.crossings = slantedCrossings(a, p, x0, y0, s, 3);
        if (!p.row)
            p.crossings += evenly(y0, a.y + a.h, h, [](int i) { return i % 2 ? 1 : 4; });
        sortByCentre(p.crossings);
    }
    return probes;
}

QList<Probe> isodots(const Area& a)
{
    // Dots 6 across at the corners of 1 cm triangles, from 3 dots in;
    // every other row shifted by half a side.
    const double s = a.cm(), h = s * sqrt3 / 2, in = 3;
    const auto six = [](int) { return 6; };
    return {{true, a.y + in, evenly(a.x + in, a.x + a.w - in, s, six)},
            {true, a.y + in + h, evenly(a.x + in + s / 2, a.x + a.w - in, s, six)}};
}

QList<Probe> hex(const Area& a)
{
    // Hexagons 1 cm across the flats, points up, from 1 dot in: the first
    // row's flats cross its centre line 1 cm apart, 2 dots wide.
    const double f = a.cm(), side = f / sqrt3, in = 1;
    const int cells = int((a.w - 2 * in) / f + 1e-9);
    QList<Crossing> flats;
    for (int j = 0; j <= cells; ++j)
        flats.append({a.x + in + j * f, 2, true});
    return {{true, a.y + in + side, flats}};
}

// The lines of `decades` decades from `from` to `to`, growing towards
// `to`, or towards `from` with `up`: wide (4) at the powers of ten.
QList<Crossing> decadeLines(double from, double to, int decades, bool up)
{
    QList<Crossing> out;
    const double decade = (to - from) / decades;
    for (int d = 0; d <= decades; ++d)
        for (int k = 1; k <= (d == decades ? 1 : 9); ++k) {
            const double at = (d + std::log10(k)) * decade;
            out.append({up ? to - at : from + at, k == 1 ? 4.0 : 1.0, true});
        }
    sortByCentre(out);
    return out;
}

QList<Probe> semilog(const Area& a)
{
    // Two decades down, a centimetre across, every 5th vertical line wide.
    const double in = 2;
    const QList<Crossing> across =
        evenly(a.x + in, a.x + a.w - in, a.cm(), [](int i) { return i % 5 ? 1 : 4; });
    return {{false, a.x + in + a.cm() / 2, decadeLines(a.y + in, a.y + a.h - in, 2, true)},
            {true, a.y + a.h / 2 + 7, across}};
}

QList<Probe> loglog(const Area& a)
{
    // Two decades down, one across.
    const double in = 2;
    const QList<Crossing> down = decadeLines(a.y + in, a.y + a.h - in, 2, true);
    return {{true, (down[0].centre + down[1].centre) / 2,
             decadeLines(a.x + in, a.x + a.w - in, 1, false)},
            {false, a.x + a.w / 3, down}};
}

QList<Probe> polar(const Area& a)
{
    // Rings a centimetre apart about the area's middle, every 3rd wide;
    // four rays. A row 1.5 cm below the centre meets the rings from the
    // second on and the ray down.
    const double r = a.cm(), cx = a.x + a.w / 2, cy = a.y + a.h / 2, dy = 1.5 * r;
    const int rings = int((std::min(a.w, a.h) / 2 - 2) / r + 1e-9);
    QList<Crossing> crossings = {{cx, 1, true}};
    for (int k = 2; k <= rings; ++k) {
        const double w = k % 3 ? 1 : 4, dx = std::sqrt(k * r * k * r - dy * dy);
        for (const double side : {-1, 1})
            crossings.append({cx + side * dx, w * k * r / dx, false, k * r / dx});
    }
    sortByCentre(crossings);
    return {{true, cy + dy, crossings}};
}

QList<Probe> staff(const Area& a)
{
    // Staves of five lines 2 mm apart, 1 cm between staves, from 1 dot in.
    QList<Crossing> lines;
    const double gap = a.cm() / 5, in = 1;
    for (double top = a.y + in; top + 4 * gap <= a.y + a.h - in; top += 4 * gap + a.cm())
        for (int k = 0; k < 5; ++k)
            lines.append({top + k * gap, 1, true});
    return {{false, a.x + a.w / 2, lines}};
}

struct Kind {
    const char* name;
    QStringList args;
    Expect expect;
};

const QList<Kind>& kinds()
{
    static const QList<Kind> list = {
        {"grid, three weights",
         {"--lines-down", "5", "--lines-across", "5", "--wide-down", "2", "--wide-across", "2",
          "--heavy-every", "2", "--thickness", "1"},
         heavyGrid},
        {"dots",
         {"--pattern", "dots", "--lines-down", "2", "--lines-across", "2", "--dot-size", "5",
          "--wide-dot-size", "9", "--wide-down", "4", "--wide-across", "4"},
         dots},
        {"lined",
         {"--pattern", "lined", "--lines-down", "1", "--wide-down", "3", "--thickness", "2",
          "--margin-line", "2"},
         lined},
        {"isometric",
         {"--pattern", "isometric", "--side", "1", "--thickness", "1", "--wide-down", "2",
          "--wide-across", "3"},
         isometric},
        {"isodots", {"--pattern", "isodots", "--side", "1", "--dot-size", "6"}, isodots},
        {"hex", {"--pattern", "hex", "--hex-size", "1", "--thickness", "2"}, hex},
        {"semilog",
         {"--pattern", "semilog", "--decades", "2", "--lines-across", "1", "--wide-across", "5",
          "--thickness", "1"},
         semilog},
        {"loglog",
         {"--pattern", "loglog", "--decades", "2", "--decades-across", "1", "--thickness", "1"},
         loglog},
        {"polar",
         {"--pattern", "polar", "--ring-spacing", "1", "--rays", "4", "--wide-down", "3",
          "--thickness", "1"},
         polar},
        {"staff",
         {"--pattern", "staff", "--line-gap", "0.2", "--staff-gap", "1", "--thickness", "1"},
         staff},
    };
    return list;
}

const Kind* kindNamed(const QString& name)
{
    for (const Kind& k : kinds())
        if (QLatin1String(k.name) == name)
            return &k;
    return nullptr;
}

// One row or column of the rendered page, as an image one pixel thick.
using Strip = std::function<QImage(bool row, int at)>;

// Compares the dark runs along each probe with what crosses it.
void measure(const Strip& strip, const QList<Probe>& probes)
{
    for (const Probe& p : probes) {
        const int at = int(std::floor(p.at));
        const QImage image = strip(p.row, at);
        QVERIFY2(!image.isNull(), "nothing rendered");
        const Runs runs =
            p.row
                ? runsWhere(image.width(), [&](int x) { return qGray(image.pixel(x, 0)) < 128; })
                : runsWhere(image.height(), [&](int y) { return qGray(image.pixel(0, y)) < 128; });
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
                QVERIFY2(std::abs(centre - c.centre) <= 0.5 && width == c.width, qPrintable(what));
            } else { // both edges within a dot of the exact ones
                QVERIFY2(std::abs(runs[i].first - (c.centre - c.width / 2)) <= c.stretch &&
                             std::abs(runs[i].second + 1 - (c.centre + c.width / 2)) <= c.stretch,
                         qPrintable(what));
            }
        }
    }
}

// The strips of a whole image.
Strip stripsOf(const QImage& image)
{
    return [image](bool row, int at) {
        return row ? image.copy(0, at, image.width(), 1) : image.copy(at, 0, 1, image.height());
    };
}

Strip rendered(const QString& file, const QString& renderer, int dpi, const QSize& pixels)
{
    if (renderer == QStringLiteral("png"))
        return stripsOf(QImage(file));
    if (renderer == QStringLiteral("poppler")) // only the strip: a whole page takes seconds
        return [=](bool row, int at) {
            return rasterisePdf(file, dpi,
                                row ? QRect(0, at, pixels.width(), 1)
                                    : QRect(at, 0, 1, pixels.height()));
        };
    if (renderer == QStringLiteral("ghostscript")) {
        QImageReader::setAllocationLimit(512);
        return stripsOf(rasterisePdfWithGhostscript(file, dpi, QRect()));
    }
    QProcess rsvg; // the SVG as librsvg (the desktop's) draws it
    rsvg.start(QStringLiteral("rsvg-convert"),
               {"--dpi-x", QString::number(dpi), "--dpi-y", QString::number(dpi), "-b", "white",
                "-o", file + ".png", file});
    rsvg.waitForFinished(60000);
    return stripsOf(QImage(file + ".png"));
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

} // namespace

class TestPatterns : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { pinLocale(); }

    // Every kind in every form it leaves the program in, on a page of 5.5
    // x 8.5 inches (whole dots at 600 dpi, so that Ghostscript, which
    // counts its rows from the page's foot, has the page's top on a dot)
    // with margins of 18 points, in centimetres.
    void marksWhereTheyBelong_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("renderer");
        for (const Kind& k : kinds())
            for (const char* renderer : {"png", "svg", "poppler", "ghostscript"})
                QTest::addRow("%s, %s", k.name, renderer) << k.name << renderer;
    }
    void marksWhereTheyBelong()
    {
        QFETCH(QString, kind);
        QFETCH(QString, renderer);
        const Kind* k = kindNamed(kind);
        const bool pdf = renderer == "poppler" || renderer == "ghostscript";
        const int dpi = pdf ? 600 : 300;
        QTemporaryDir home;
        const QProcessEnvironment env = environmentIn(home);
        const QString file = home.filePath(renderer == "png"   ? "sheet.png"
                                           : renderer == "svg" ? "sheet.svg"
                                                               : "sheet.pdf");
        const ProgramRun run =
            runProgram(QStringList{"--export", file, "--page-size", "Statement", "--margins", "18",
                                   "--unit", "cm", "--resolution", QString::number(dpi)} +
                           k->args,
                       env);
        QVERIFY2(run.status == 0, qPrintable(run.err));
        const Area area{double(dpi), 18.0 * dpi / 72, 18.0 * dpi / 72, (396 - 36.0) * dpi / 72,
                        (612 - 36.0) * dpi / 72};
        measure(rendered(file, renderer, dpi, QSize(396, 612) * dpi / 72), k->expect(area));
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
            "isodots, hex, semilog, loglog, polar, staff");
        row("an unknown kind, printing", {"--print", "--pattern", "waves"},
            "--pattern waves: no such pattern");
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
    }
    void refusals()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, said);
        QTemporaryDir home;
        const QProcessEnvironment env = environmentIn(home);
        if (!args.contains("--print"))
            args = QStringList{"--export", home.filePath("x.pdf"), "--page-size", "A5"} +
                   (args.contains("--calibration-sheet")
                        ? QStringList()
                        : QStringList{"--unit", "cm", "--resolution", "300"}) +
                   args;
        const ProgramRun run = runProgram(args, env);
        QCOMPARE(run.status, 2);
        QCOMPARE(run.err.count('\n'), 1);
        QVERIFY2(run.err.startsWith("gridorra: " + said), qPrintable(run.err));
        QVERIFY(!QFile::exists(home.filePath("x.pdf")));
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

    // The raster a driverless printer received for a kind, at 600 dpi on
    // A4 (tests/cups/driverless-check prints it and names it here).
    void printedRaster()
    {
        const QString file = qEnvironmentVariable("GRIDORRA_RASTER");
        if (file.isEmpty())
            QSKIP("run by tests/cups/driverless-check with a printed raster");
        const Kind* k = kindNamed(qEnvironmentVariable("GRIDORRA_RASTER_KIND"));
        QVERIFY(k);
        const QStringList a = qEnvironmentVariable("GRIDORRA_RASTER_AREA").split(',');
        QCOMPARE(a.size(), 4);
        QImageReader::setAllocationLimit(512);
        const Area area{600, a[0].toDouble(), a[1].toDouble(), a[2].toDouble(), a[3].toDouble()};
        measure(stripsOf(QImage(file)), k->expect(area));
    }

    // The arguments that print a kind, for the driverless check.
    void argumentsOf()
    {
        const QString name = qEnvironmentVariable("GRIDORRA_RASTER_KIND");
        if (name.isEmpty() || !qEnvironmentVariableIsSet("GRIDORRA_PRINT_ARGUMENTS"))
            QSKIP("asked by tests/cups/driverless-check");
        QFile out(qEnvironmentVariable("GRIDORRA_PRINT_ARGUMENTS"));
        QVERIFY(kindNamed(name) && out.open(QIODevice::WriteOnly));
        out.write(kindNamed(name)->args.join('\n').toUtf8());
    }
};

QTEST_GUILESS_MAIN(TestPatterns)
#include "tst_patterns.moc"
