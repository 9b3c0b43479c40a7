#include "app/form1.h"
#include "app/progressbar.h"
#include "panel/colourswatch.h"
#include "panel/numericfield.h"
#include "render/mousepointer.h"
#include "render/previewbox.h"
#include "render/previewgraph.h"
#include "support/formfixture.h"
#include "support/pinlocale.h"
#include "support/pixelruns.h"
#include "support/recordingcanvas.h"
#include "support/testservices.h"

#include <QLineEdit>
#include <QRadioButton>
#include <QtTest>

using namespace gridorra;
using namespace gridorra::test;

namespace {

const QString location = QStringLiteral("in Gridorra2021/08/31.Form1.PreviewGraph ");

void setFields(Form1& form, const QStringList& texts)
{
    for (int i = 0; i < texts.size(); ++i)
        form.textField(i + 1)->setText(texts[i]);
}

} // namespace

class TestPreviewGraph : public QObject, public test::FormFixture {
    Q_OBJECT
private:
private slots:
    void initTestCase() { pinLocale(); }

    void init()
    {
        begin();
        makeForm();
        setFields(*form, {"10", "10", "10", "10", "1", "1"});
    }

    void cleanup() { end(); }

    void defaultsDrawTheTopLeftCornerAtTrueSize()
    {
        form->PreviewGraph();
        QVERIFY(services->boxes.boxes.isEmpty());
        const QImage image = form->picture2()->image();
        QCOMPARE(image.size(), QSize(133, 43));
        const QColor black(Qt::black);
        // Between lines: the vertical lines, 144 twips apart from 4 twips, the
        // first and the eleventh (1444 twips) 4 pixels wide.
        const Runs columns = {{0, 1},   {10, 10},   {19, 19},   {29, 29},  {39, 39},
                              {48, 48}, {58, 58},   {67, 67},   {77, 77},  {87, 87},
                              {94, 97}, {106, 106}, {115, 115}, {125, 125}};
        QCOMPARE(runsInRow(image, 5, black), columns);
        QCOMPARE(runsInColumn(image, 5, black),
                 Runs({{0, 1}, {10, 10}, {19, 19}, {29, 29}, {39, 39}}));
    }

    void centimetresSpaceTheLines57TwipsApart()
    {
        form->option2()->setChecked(true);
        form->PreviewGraph();
        QVERIFY(services->boxes.boxes.isEmpty());
        const QImage image = form->picture2()->image();
        const Runs rows = {{0, 1},   {4, 4},   {8, 8},   {12, 12}, {15, 15}, {19, 19},
                           {23, 23}, {27, 27}, {31, 31}, {34, 34}, {36, 39}, {42, 42}};
        QCOMPARE(runsInColumn(image, 2, QColor(Qt::black)), rows);
        QCOMPARE(form->textField(1)->text(), QString("10"));
    }

    void linesTakeTheSwatchColour()
    {
        form->picture1()->setBackColor(16711680); // blue
        form->PreviewGraph();
        const QImage image = form->picture2()->image();
        QCOMPARE(image.pixelColor(10, 5), QColor(Qt::blue));
        QCOMPARE(image.pixelColor(5, 5), form->picture2()->backgroundColour());
    }

    void horizontalAndVerticalCountsApart()
    {
        setFields(*form, {"4", "8"});
        form->PreviewGraph();
        const QImage image = form->picture2()->image();
        // 360 twips down (24 px), 180 twips across (12 px).
        QCOMPARE(runsInColumn(image, 5, QColor(Qt::black)), Runs({{0, 1}, {24, 24}}));
        QCOMPARE(runsInRow(image, 5, QColor(Qt::black)).mid(0, 3),
                 Runs({{0, 1}, {12, 12}, {24, 24}}));
    }

    void thicknessZeroDrawsLikeOne()
    {
        form->PreviewGraph();
        const QImage one = form->picture2()->image();
        form->textField(5)->setText("0");
        form->PreviewGraph();
        QCOMPARE(form->picture2()->image(), one);
        QVERIFY(services->boxes.boxes.isEmpty());
    }

    void negativeThicknessDrawsOnePixelSilently()
    {
        form->textField(5)->setText("-3");
        form->PreviewGraph();
        // wide = -3 * 1.5 + 2 = -2.5 -> -2, so the margin is -2 twips and the
        // lines lie at -2, 142, 286 ... twips; both pens draw 1 pixel wide.
        QVERIFY(services->boxes.boxes.isEmpty());
        const QImage image = form->picture2()->image();
        QCOMPARE(runsInRow(image, 20, QColor(Qt::black)).mid(0, 2), Runs({{0, 0}, {9, 9}}));
    }

    void emptyThicknessIsReportedOnceThenDrawsThin()
    {
        form->textField(5)->setText("");
        form->PreviewGraph();
        QCOMPARE(services->boxes.said(), QStringList({"106"}));
        QCOMPARE(services->boxes.boxes[0].text,
                 "Type mismatch\r\n" + location +
                     "at line 106\r\rPlease email screenshot of this message to "
                     "support@gridorra.example");
        const QImage image = form->picture2()->image();
        // Thickness 0 -> 1, wide width 4: the drawing is the default one.
        QCOMPARE(runsInRow(image, 5, QColor(Qt::black)).mid(0, 2), Runs({{0, 1}, {10, 10}}));
    }

    void pointerAndBarAreRestoredAfterFailingSteps()
    {
        setFields(*form, {"", "x", "10", "10", "abc"});
        form->PreviewGraph();
        QCOMPARE(services->boxes.said(), QStringList({"106", "124", "126"}));
        QCOMPARE(form->mousePointer(), pointer::normal);
        QVERIFY(!QGuiApplication::overrideCursor());
        QCOMPARE(form->progressBar1()->value(), 0.0);
        QCOMPARE(form->progressBar1()->text(), QString("Progress Bar"));
    }

    void busyPointerAndFullBarWhileDrawing()
    {
        RecordingCanvas canvas(1995, 645);
        bool checked = false;
        int busyCursor = -1;
        canvas.onLine = [&] {
            if (checked)
                return;
            checked = true;
            QCOMPARE(form->mousePointer(), pointer::busy);
            busyCursor = QGuiApplication::overrideCursor()
                             ? int(QGuiApplication::overrideCursor()->shape())
                             : -1;
            QCOMPARE(form->progressBar1()->value(), 100.0);
        };
        form->progressBar1()->setText("something else");
        RecordingBoxes reports;
        ErrorReport report(reports);
        previewGraph(*form, canvas, Canvas::twips, report);
        QVERIFY(checked);
        QCOMPARE(busyCursor, int(Qt::WaitCursor));
        QCOMPARE(form->mousePointer(), pointer::normal);
        QCOMPARE(form->progressBar1()->text(), QString("Progress Bar"));
        QCOMPARE(canvas.horizontal().size(), 5);
        QCOMPARE(canvas.vertical().size(), 14);
    }

    void countOfZeroIsReportedAndEnds()
    {
        setFields(*form, {"0", "0"});
        RecordingCanvas canvas(1995, 645);
        ErrorReport report(services->boxes);
        previewGraph(*form, canvas, Canvas::twips, report);
        QCOMPARE(services->boxes.said(), QStringList({"124", "126"}));
        QVERIFY(services->boxes.boxes[0].text.startsWith("Division by zero\r\n"));
        QCOMPARE(canvas.horizontal().size(), 1);
        QCOMPARE(canvas.vertical().size(), 1);
    }

    void extentBeyond32767IsReportedAndTakenAsZero()
    {
        RecordingCanvas canvas(40000, 645);
        ErrorReport report(services->boxes);
        previewGraph(*form, canvas, Canvas::twips, report);
        QCOMPARE(services->boxes.said(), QStringList({"114"}));
        QVERIFY(services->boxes.boxes[0].text.startsWith("Overflow\r\n"));
        // W = 0: horizontal lines shrink to strokes back to the left edge and
        // no vertical line lies between the margin and W.
        QCOMPARE(canvas.horizontal().size(), 5);
        QCOMPARE(canvas.horizontal()[0].x2, 0.0f);
        QVERIFY(canvas.vertical().isEmpty());
    }

    void theBoxTakesThePrintersScaleMode()
    {
        form->picture2()->setScaleMode(Canvas::pixels);
        form->PreviewGraph();
        QCOMPARE(form->picture2()->scaleMode(), int(Canvas::twips));
        QVERIFY(services->boxes.boxes.isEmpty());
    }

    void negativeCountDrawsNoLineThatWay()
    {
        setFields(*form, {"-10", "10"});
        RecordingCanvas canvas(1995, 645);
        ErrorReport report(services->boxes);
        previewGraph(*form, canvas, Canvas::twips, report);
        QVERIFY(services->boxes.boxes.isEmpty());
        QVERIFY(canvas.horizontal().isEmpty());
        QCOMPARE(canvas.vertical().size(), 14);
    }
};

QTEST_MAIN(TestPreviewGraph)
#include "tst_previewgraph.moc"
