#include "core/errorreport.h"
#include "core/failure.h"
#include "render/gridlines.h"
#include "render/marks.h"
#include "render/placedmarks.h"
#include "render/print/printercanvas.h"
#include "support/pdfraster.h"
#include "support/recordingboxes.h"

#include <QBuffer>
#include <QFileInfo>
#include <QPageLayout>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace gridorra;
using namespace gridorra::test;

namespace {

constexpr GridLabels labels{{1, 2, 3, 4, 5, 6, 7}, {8, 9, 10, 11, 12, 13, 14}};

// A printer writing a PDF file on Letter paper with margins of a quarter inch
// at the sides and half an inch at top and bottom.
void setUpPdfPrinter(QPdfWriter& printer)
{
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait,
                                      QMarginsF(0.25, 0.5, 0.25, 0.5), QPageLayout::Inch));
}

GridGeometry defaultsOn(const Canvas& canvas)
{
    GridGeometry g;
    g.thinWidth = 1;
    g.wideWidth = 4;
    g.topMargin = g.leftMargin = 4;
    g.horizontalSpacing = g.verticalSpacing = 144;
    g.horizontalPeriod = g.verticalPeriod = 10;
    g.width = qint16(canvas.scaleWidth());
    g.height = qint16(canvas.scaleHeight());
    return g;
}

// The pen widths (the operands of "w") in a PDF's compressed streams.
QList<double> penWidthsIn(const QByteArray& pdf)
{
    QList<double> widths;
    static const QRegularExpression streams("stream\r?\n");
    static const QRegularExpression pens("(?:^|\\s)([0-9.]+) w\\b");
    for (auto m = streams.globalMatch(pdf); m.hasNext();) {
        const auto found = m.next();
        const qsizetype from = found.capturedEnd();
        const qsizetype to = pdf.indexOf("endstream", from);
        // qUncompress takes the length first, as a hint.
        const QByteArray data =
            qUncompress(QByteArray("\x00\x10\x00\x00", 4) + pdf.mid(from, to - from));
        for (auto p = pens.globalMatch(QString::fromLatin1(data)); p.hasNext();)
            widths << p.next().captured(1).toDouble();
    }
    return widths;
}

} // namespace

class TestPrinterCanvas : public QObject {
    Q_OBJECT
private slots:
    // A slanted line or a ring is stroked half a dot narrower than its pen,
    // but a 1-dot one at a dot: never at 0, which a PDF reader draws as
    // thin as its device allows.
    void slantedPensInAPdf_data()
    {
        QTest::addColumn<int>("pen");
        QTest::addColumn<double>("stroked");
        QTest::newRow("1 dot") << 1 << 1.0;
        QTest::newRow("2 dots") << 2 << 1.5;
        QTest::newRow("3 dots") << 3 << 2.5;
    }
    void slantedPensInAPdf()
    {
        QFETCH(int, pen);
        QFETCH(double, stroked);
        QBuffer document;
        document.open(QIODevice::WriteOnly);
        QPdfWriter printer(&document);
        setUpPdfPrinter(printer);
        printer.setResolution(600);
        PdfCanvas canvas(printer);
        Marks marks;
        marks.pens = {pen};
        marks.segment(0, 100, 100, 1000, 700); // slanted
        marks.circle(0, 2000, 2000, 500);
        const QList<double> widths = penWidthsIn(canvas.drawMarks(marks, 0));
        QCOMPARE(widths, QList<double>({stroked, stroked}));
    }

    // A line across or down the page has both edges of its pen on the
    // printer's dots, counted from the device's origin (a device unit a
    // dot) or, where the printer's dots are larger than a device unit (600
    // x 300 dpi: rows two units high), from the page's corner; it moves by
    // half a dot at most. A slanted line, or one drawn off the dots, keeps
    // its place.
    void linesSnapToThePrintersDots_data()
    {
        QTest::addColumn<QLineF>("line");
        QTest::addColumn<double>("width");
        QTest::addColumn<QPointF>("origin");
        QTest::addColumn<double>("unitDown");
        QTest::addColumn<bool>("onDots");
        QTest::addColumn<QLineF>("snapped");
        const QLineF down(10.3, 0, 10.3, 50), across(0, 10.3, 50, 10.3);
        // Edges 9 and 11.
        QTest::newRow("2 dots down")
            << down << 2.0 << QPointF() << 1.0 << true << QLineF(10, 0, 10, 50);
        // Edges 9 and 12: centre 10.5.
        QTest::newRow("3 dots down")
            << down << 3.0 << QPointF() << 1.0 << true << QLineF(10.5, 0, 10.5, 50);
        // The origin a quarter unit down: the device's 10.55 goes to the
        // dot from 10 to 11, 10.25 from the origin.
        QTest::newRow("1 dot across, origin off the dots")
            << across << 1.0 << QPointF(0, 0.25) << 1.0 << true << QLineF(0, 10.25, 50, 10.25);
        // Rows two units high: one row is two units, edges 10 and 12.
        QTest::newRow("1 dot across, rows of 2 units")
            << across << 2.0 << QPointF() << 2.0 << true << QLineF(0, 11, 50, 11);
        QTest::newRow("slanted") << QLineF(0.3, 0.3, 40.6, 20.2) << 2.0 << QPointF() << 1.0 << true
                                 << QLineF(0.3, 0.3, 40.6, 20.2);
        QTest::newRow("off the dots") << down << 2.0 << QPointF() << 1.0 << false << down;
    }
    void linesSnapToThePrintersDots()
    {
        QFETCH(QLineF, line);
        QFETCH(double, width);
        QFETCH(QPointF, origin);
        QFETCH(double, unitDown);
        QFETCH(bool, onDots);
        QFETCH(QLineF, snapped);
        Placement p;
        p.origin = origin;
        p.onDots = onDots;
        p.unitDown = unitDown;
        const QLineF got = snappedLine(line, width, p);
        QVERIFY2(
            std::abs(got.x1() - snapped.x1()) < 1e-9 && std::abs(got.y1() - snapped.y1()) < 1e-9 &&
                std::abs(got.x2() - snapped.x2()) < 1e-9 &&
                std::abs(got.y2() - snapped.y2()) < 1e-9,
            qPrintable(
                QString("%1,%2 %3,%4").arg(got.x1()).arg(got.y1()).arg(got.x2()).arg(got.y2())));
    }

    void extentIsThePrintableAreaInTwips_data()
    {
        QTest::addColumn<QPageLayout>("layout");
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("height");
        const auto layout = [](QPageSize::PageSizeId size, QMarginsF margins, QPageLayout::Unit u) {
            return QPageLayout(QPageSize(size), QPageLayout::Portrait, margins, u);
        };
        QTest::newRow("Letter, inches")
            << layout(QPageSize::Letter, {0.25, 0.5, 0.25, 0.5}, QPageLayout::Inch) << 8 * 1440.0
            << 10 * 1440.0;
        // Margins that are no whole hundredth of an inch.
        QTest::newRow("Letter, 12 pt")
            << layout(QPageSize::Letter, {12, 12, 12, 12}, QPageLayout::Point) << 11760.0
            << 15360.0;
        QTest::newRow("A4, 18 and 36 pt")
            << layout(QPageSize::A4, {18, 36, 18, 36}, QPageLayout::Point) << 11180.0 << 15400.0;
    }
    void extentIsThePrintableAreaInTwips()
    {
        QFETCH(QPageLayout, layout);
        QFETCH(double, width);
        QFETCH(double, height);
        QTemporaryDir dir;
        QPdfWriter printer(dir.filePath("x.pdf"));
        QVERIFY(printer.setPageLayout(layout));
        PdfCanvas canvas(printer);
        QCOMPARE(canvas.scaleWidth(), width);
        QCOMPARE(canvas.scaleHeight(), height);
        QCOMPARE(canvas.scaleMode(), int(Canvas::twips));
        QVERIFY_THROWS_EXCEPTION(Failure, canvas.setScaleMode(Canvas::pixels));
    }

    void linesLieAtTheirTwipsInPrinterDots()
    {
        QTemporaryDir dir;
        const QString pdf = dir.filePath("sheet.pdf");
        QPdfWriter printer(pdf);
        setUpPdfPrinter(printer);
        QCOMPARE(printer.resolution(), 1200);
        PdfCanvas canvas(printer);
        RecordingBoxes boxes;
        ErrorReport report(boxes);
        StepRunner run("in test ", report);
        drawGridLines(run, canvas, defaultsOn(canvas), labels);
        canvas.endDoc();
        QVERIFY(boxes.boxes.isEmpty());
        QCOMPARE(pdfPageSize(pdf), QSizeF(612, 792));

        // At 1200 dpi a dot is a pixel; 1440 twips are 1200 dots. Look along
        // a row 200 twips into the printable area (between two horizontal
        // lines), across the first 3000 twips of the sheet.
        const int left = 300, top = 600; // the margins in dots
        const int y = top + 200 * 1200 / 1440;
        const QImage strip = rasterisePdf(pdf, 1200, QRect(0, y, left + 2500, 1));
        QVERIFY(!strip.isNull());
        const auto runs = darkRunsInRow(strip, 0);
        QCOMPARE(runs.size(), 21); // x = 4, 148, ..., 2884 twips
        for (int k = 0; k < runs.size(); ++k) {
            const double expected = left + (4 + 144 * k) * 1200.0 / 1440.0;
            const double centre = (runs[k].first + runs[k].second + 1) / 2.0;
            const int width = runs[k].second - runs[k].first + 1;
            QVERIFY2(
                qAbs(centre - expected) <= 1.0,
                qPrintable(QString("line %1 at %2, expected %3").arg(k).arg(centre).arg(expected)));
            const bool wide = k % 10 == 0;
            QVERIFY2(wide ? (width >= 3 && width <= 5) : (width >= 1 && width <= 2),
                     qPrintable(QString("line %1 is %2 dots wide").arg(k).arg(width)));
        }
    }

    void endDocWithNothingDrawnSendsNothing()
    {
        QTemporaryDir dir;
        const QString pdf = dir.filePath("empty.pdf");
        QPdfWriter printer(pdf);
        setUpPdfPrinter(printer);
        PdfCanvas canvas(printer);
        canvas.setDrawWidth(3);
        canvas.endDoc();
        QVERIFY(!QFileInfo::exists(pdf));
    }

    void aDocumentThatCannotBeginIsReportedOncePerDocument()
    {
        // A PDF file in a folder that does not exist cannot be opened.
        QPdfWriter printer("/nonexistent-folder/sheet.pdf");
        setUpPdfPrinter(printer);
        PdfCanvas canvas(printer);
        RecordingBoxes boxes;
        ErrorReport report(boxes);
        StepRunner run("in test ", report);
        GridGeometry g = defaultsOn(canvas);
        QTest::ignoreMessage(QtWarningMsg, "QPainter::begin(): Returned false");
        QTest::ignoreMessage(QtWarningMsg, "QPainter::begin(): Returned false");
        for (int copy = 0; copy < 2; ++copy) {
            drawGridLines(run, canvas, g, labels);
            run.step(15, [&] { canvas.endDoc(); });
        }
        QCOMPARE(boxes.boxes.size(), 2);
        QVERIFY(boxes.boxes[0].text.startsWith("Printer error\r\nin test at line 7\r\r"));
        QVERIFY(boxes.boxes[1].text.startsWith("Printer error\r\nin test at line 7\r\r"));
    }
};

QTEST_MAIN(TestPrinterCanvas)
#include "tst_printercanvas.moc"
