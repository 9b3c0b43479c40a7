#include "core/errorreport.h"
#include "render/gridgeometry.h"
#include "render/gridlines.h"
#include "render/patterns.h"
#include "support/pinlocale.h"
#include "support/recordingboxes.h"
#include "support/recordingcanvas.h"

#include <QtTest>

using namespace gridorra;
using test::RecordingBoxes;
using test::RecordingCanvas;

namespace {

constexpr GridLabels labels{{144, 148, 150, 152, 154, 156, 158},
                            {160, 164, 166, 168, 170, 172, 174}};

// The geometry of the stored defaults on a W x H canvas.
GridGeometry defaults(qint16 width, qint16 height)
{
    GridGeometry g;
    g.colour = 0x00FF0000;
    g.thinWidth = 1;
    g.wideWidth = 4;
    g.topMargin = g.leftMargin = 4;
    g.horizontalSpacing = g.verticalSpacing = 144;
    g.horizontalPeriod = g.verticalPeriod = 10;
    g.width = width;
    g.height = height;
    return g;
}

struct Drawn {
    RecordingCanvas canvas{0, 0};
    RecordingBoxes boxes;
};

void draw(Drawn& d, const GridGeometry& g)
{
    ErrorReport report(d.boxes);
    StepRunner run(QStringLiteral("in test "), report);
    drawGridLines(run, d.canvas, g, labels);
}

QList<int> positions(const QList<RecordingCanvas::Line>& lines, bool horizontal)
{
    QList<int> out;
    for (const auto& l : lines)
        out << int(horizontal ? l.y1 : l.x1);
    return out;
}

QList<int> widePositions(const QList<RecordingCanvas::Line>& lines, bool horizontal, int wide)
{
    QList<int> out;
    for (const auto& l : lines)
        if (l.pen == wide)
            out << int(horizontal ? l.y1 : l.x1);
    return out;
}

} // namespace

class TestGridLayout : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test::pinLocale(); }

    // The kinds' own bounds hold when they are asked directly (as the
    // window's dialog and a hand-edited store may ask): values past them
    // make no sheet, and say why.
    void aKindsBoundsWithoutTheCommandLine_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("decades");
        QTest::addColumn<int>("rays");
        QTest::addColumn<QString>("refusal"); // empty: a sheet is made
        QTest::newRow("20 decades") << "semilog" << 20 << 36 << "";
        QTest::newRow("21 decades") << "semilog" << 21 << 36 << "--decades 21:";
        QTest::newRow("no decade") << "semilog" << 0 << 36 << "--decades 0:";
        QTest::newRow("720 rays") << "polar" << 2 << 720 << "";
        QTest::newRow("721 rays") << "polar" << 2 << 721 << "--rays 721:";
    }
    void aKindsBoundsWithoutTheCommandLine()
    {
        QFETCH(QString, kind);
        QFETCH(int, decades);
        QFETCH(int, rays);
        QFETCH(QString, refusal);
        gridorra::PatternParameters p;
        p.name = kind;
        p.decades = decades;
        p.rays = rays;
        p.ringSpacing = 0.5;
        // A large sheet at 4800 dpi, where 20 decades' finest lines fit.
        const gridorra::PatternSheet sheet =
            gridorra::patterns::make(p, {1440 * 40, 1440 * 40, 4800});
        QVERIFY2(refusal.isEmpty()
                     ? sheet.refusal.isEmpty() && !sheet.marks.marks.isEmpty()
                     : sheet.refusal.startsWith(refusal) && sheet.marks.marks.isEmpty(),
                 qPrintable(sheet.refusal));
    }

    // A line whose centre lies on the area but whose pen would reach past
    // its foot is left out: at 600 dpi, lines 1440 twips apart from half
    // the wide pen (2 dots, 4.8 twips) in, on an area that ends a quarter
    // of a thin pen (0.6 twips) past the fourth line's centre.
    void aLineIsDrawnOnlyWhereItsWholePenFits_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<double>("past"); // twips beyond the fourth line's centre
        QTest::addColumn<int>("lines");
        QTest::newRow("lined, the pen cut") << "lined" << 0.6 << 3;
        QTest::newRow("lined, the pen whole") << "lined" << 1.2 << 4;
        QTest::newRow("checklist, the pen cut") << "checklist" << 0.6 << 3;
    }
    void aLineIsDrawnOnlyWhereItsWholePenFits()
    {
        QFETCH(QString, kind);
        QFETCH(double, past);
        QFETCH(int, lines);
        gridorra::PatternParameters p;
        p.name = kind;
        p.linesDown = 1;   // a line an inch
        p.wideDown = 1000; // the first wide (4 dots), the others thin (1 dot)
        const double inset = 4 / 2.0 * 1440 / 600;
        const gridorra::PatternSheet sheet =
            gridorra::patterns::make(p, {1440 * 5, inset + 3 * 1440 + past, 600});
        QVERIFY2(sheet.refusal.isEmpty(), qPrintable(sheet.refusal));
        int across = 0; // the ruled lines: the page's width long
        for (const gridorra::Mark& m : sheet.marks.marks)
            across += m.y1 == m.y2 && m.x2 - m.x1 > 1440 * 4;
        QCOMPARE(across, lines);
    }

    void penWidths_data()
    {
        QTest::addColumn<int>("thickness");
        QTest::addColumn<int>("thin");
        QTest::addColumn<int>("wide");
        const int wide[] = {4, 4, 5, 6, 8, 10, 11, 12, 14, 16, 17};
        for (int t = 0; t <= 10; ++t)
            QTest::addRow("thickness %d", t) << t << (t == 0 ? 1 : t) << wide[t];
        QTest::newRow("negative") << -4 << -4 << -4;
    }
    void penWidths()
    {
        QFETCH(int, thickness);
        QFETCH(int, thin);
        QFETCH(int, wide);
        const qint16 t = grid::thinWidth(qint16(thickness));
        QCOMPARE(int(t), thin);
        QCOMPARE(int(grid::wideWidth(t)), wide);
    }

    void spacings_data()
    {
        QTest::addColumn<int>("unit");
        QTest::addColumn<QString>("count");
        QTest::addColumn<int>("spacing");
        for (auto [count, spacing] :
             {std::pair{4, 360}, {7, 206}, {10, 144}, {25, 58}, {64, 22}, {100, 14}})
            QTest::addRow("%d per inch", count) << 1440 << QString::number(count) << spacing;
        for (auto [count, spacing] : {std::pair{2, 284}, {4, 142}, {6, 94}, {10, 57}, {14, 40}})
            QTest::addRow("%d per cm", count) << 567 << QString::number(count) << spacing;
        QTest::newRow("2.5 read as 2") << 1440 << "2.5" << 720;
        QTest::newRow("3.5 read as 4") << 1440 << "3.5" << 360;
        QTest::newRow("negative count") << 1440 << "-10" << -144;
        QTest::newRow("2880 per inch rounds to 0") << 1440 << "2880" << 0;
        QTest::newRow("1134 per cm rounds to 0") << 567 << "1134" << 0;
    }
    void spacings()
    {
        QFETCH(int, unit);
        QFETCH(QString, count);
        QFETCH(int, spacing);
        QCOMPARE(int(grid::spacing(qint16(unit), count)), spacing);
    }

    void spacingFailures()
    {
        QVERIFY_THROWS_EXCEPTION(Failure, grid::spacing(1440, QStringLiteral("0")));
        try {
            grid::spacing(1440, QStringLiteral("0"));
        } catch (const Failure& f) {
            QCOMPARE(f.description(), fail::divisionByZero);
        }
        try {
            grid::spacing(1440, QString());
        } catch (const Failure& f) {
            QCOMPARE(f.description(), fail::typeMismatch);
        }
    }

    void defaultsLineUpAt144WithWideEveryTenth()
    {
        Drawn d;
        draw(d, defaults(3000, 3000));
        const auto h = d.canvas.horizontal();
        const auto v = d.canvas.vertical();
        QCOMPARE(positions(h, true).mid(0, 4), QList<int>({4, 148, 292, 436}));
        QCOMPARE(positions(h, true).last(), 2884);
        QCOMPARE(h.size(), 21); // 4 + 20 * 144 = 2884 <= 3000 < 3028
        QCOMPARE(widePositions(h, true, 4), QList<int>({4, 1444, 2884}));
        QCOMPARE(widePositions(v, false, 4), QList<int>({4, 1444, 2884}));
        for (const auto& l : h) {
            QCOMPARE(l.x1, 4.0f);
            QCOMPARE(l.x2, 3000.0f);
            QVERIFY(l.pen == 1 || l.pen == 4);
            QCOMPARE(l.colour, quint32(0x00FF0000));
        }
        for (const auto& l : v) {
            QCOMPARE(l.y1, 4.0f);
            QCOMPARE(l.y2, 3000.0f);
        }
        // All horizontal lines first, then the vertical ones; a pen before each.
        QCOMPARE(d.canvas.lines.size(), h.size() + v.size());
        QCOMPARE(d.canvas.lines[h.size() - 1].y1, 2884.0f);
        QCOMPARE(d.canvas.lines[h.size()].x1, 4.0f);
        QCOMPARE(d.canvas.penSets, int(d.canvas.lines.size()));
        QVERIFY(d.boxes.boxes.isEmpty());
    }

    void lineExactlyOnTheEdgeIsDrawn()
    {
        Drawn d;
        draw(d, defaults(148, 292));
        QCOMPARE(positions(d.canvas.horizontal(), true), QList<int>({4, 148, 292}));
        QCOMPARE(positions(d.canvas.vertical(), false), QList<int>({4, 148}));
    }

    void widePeriods_data()
    {
        QTest::addColumn<int>("period");
        QTest::addColumn<QList<int>>("wide");
        QTest::newRow("period 1: all wide") << 1 << QList<int>{4, 148, 292, 436, 580, 724};
        QTest::newRow("period 3") << 3 << QList<int>{4, 436};
        QTest::newRow("period 0: first only") << 0 << QList<int>{4};
        QTest::newRow("negative period: first only") << -5 << QList<int>{4};
    }
    void widePeriods()
    {
        QFETCH(int, period);
        QFETCH(QList<int>, wide);
        GridGeometry g = defaults(800, 800);
        g.horizontalPeriod = g.verticalPeriod = qint16(period);
        Drawn d;
        draw(d, g);
        QCOMPARE(widePositions(d.canvas.horizontal(), true, 4), wide);
        QCOMPARE(widePositions(d.canvas.vertical(), false, 4), wide);
        QVERIFY(d.boxes.boxes.isEmpty());
    }

    void negativeSpacingDrawsNothingOnALargeCanvas()
    {
        GridGeometry g = defaults(2000, 2000);
        g.horizontalSpacing = -144;
        Drawn d;
        draw(d, g);
        QVERIFY(d.canvas.horizontal().isEmpty());
        QCOMPARE(d.canvas.vertical().size(), 14);
    }

    void zeroSpacingDrawsOneLineAndEnds()
    {
        GridGeometry g = defaults(2000, 645);
        g.horizontalSpacing = 0;
        g.verticalSpacing = 0;
        Drawn d;
        draw(d, g);
        QCOMPARE(positions(d.canvas.horizontal(), true), QList<int>({4}));
        QCOMPARE(positions(d.canvas.vertical(), false), QList<int>({4}));
    }

    void zeroExtentGivesStrokesToTheEdge()
    {
        Drawn d;
        draw(d, defaults(400, 0));
        QVERIFY(d.canvas.horizontal().isEmpty());
        const auto v = d.canvas.vertical();
        QCOMPARE(positions(v, false), QList<int>({4, 148, 292}));
        QCOMPARE(v[0].y1, 4.0f);
        QCOMPARE(v[0].y2, 0.0f);
    }

    void overflowWhileAdvancingEndsThatDirectionOnly()
    {
        GridGeometry g = defaults(32767, 32767);
        g.horizontalSpacing = 20000;
        g.verticalSpacing = 30000;
        Drawn d;
        draw(d, g);
        QCOMPARE(positions(d.canvas.horizontal(), true), QList<int>({4, 20004}));
        QCOMPARE(positions(d.canvas.vertical(), false), QList<int>({4, 30004}));
        QCOMPARE(d.boxes.boxes.size(), 2);
        QVERIFY(d.boxes.boxes[0].text.contains("Overflow\r\nin test at line 158\r\r"));
        QVERIFY(d.boxes.boxes[1].text.contains("Overflow\r\nin test at line 174\r\r"));
    }

    void widePeriodAtTheBottomOfTheRangeIsReported()
    {
        GridGeometry g = defaults(300, 300);
        g.horizontalPeriod = -32768;
        Drawn d;
        draw(d, g);
        // period - 1 overflows: reported at 150, the counter stays 0 and every
        // line takes the wide pen; the drawing goes on.
        QCOMPARE(widePositions(d.canvas.horizontal(), true, 4), QList<int>({4, 148, 292}));
        QCOMPARE(d.boxes.boxes.size(), 3);
        QVERIFY(d.boxes.boxes[0].text.contains("at line 150\r\r"));
    }
};

QTEST_GUILESS_MAIN(TestGridLayout)
#include "tst_gridlayout.moc"
