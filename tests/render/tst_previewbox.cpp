#include "core/failure.h"
#include "render/previewbox.h"
#include "support/pixelruns.h"

#include <QtTest>

using namespace gridorra;
using namespace gridorra::test;

namespace {

// The preview box as the window places it: 2055 x 705 twips outside.
std::unique_ptr<PreviewBox> makeBox()
{
    auto box = std::make_unique<PreviewBox>();
    box->resize(137, 47);
    return box;
}

// The pixel ratio the test runs at; a run with QT_SCALE_FACTOR set must
// really get that ratio, or the test proves nothing.
int ratioOf(const PreviewBox& box)
{
    const int r = qRound(box.devicePixelRatioF());
    const QByteArray scale = qgetenv("QT_SCALE_FACTOR");
    if (!scale.isEmpty())
        [&] { QCOMPARE(r, scale.toInt()); }();
    return r;
}

} // namespace

class TestPreviewBox : public QObject {
    Q_OBJECT
private slots:
    void extentIsTheInsideInTwips()
    {
        auto box = makeBox();
        QCOMPARE(box->scaleWidth(), 1995.0);
        QCOMPARE(box->scaleHeight(), 645.0);
        box->setScaleMode(Canvas::pixels);
        QCOMPARE(box->scaleWidth(), 133.0);
        QVERIFY_THROWS_EXCEPTION(Failure, box->setScaleMode(7));
        QCOMPARE(box->scaleMode(), int(Canvas::pixels));
    }

    void pensAreScreenPixelsScaledByThePixelRatio()
    {
        auto box = makeBox();
        box->show();
        const int r = ratioOf(*box);
        box->cls();
        QCOMPARE(box->image().size(), QSize(133 * r, 43 * r));
        box->setDrawWidth(4);
        box->line(0, 150, 1995, 150, 0x000000FF); // red, 10 pixels down
        box->setDrawWidth(1);
        box->line(300, 0, 300, 645, 0x000000FF); // 20 pixels across
        box->setDrawWidth(0);
        box->line(600, 0, 600, 645, 0x000000FF); // below 1: still one pixel
        box->setDrawWidth(-7);
        box->line(900, 0, 900, 645, 0x000000FF);
        const QImage image = box->image();
        const QColor red(Qt::red);
        // Each pen r times as wide, centred on its place in device pixels
        // (an odd one, with no middle pixel, half a pixel after it).
        QCOMPARE(runsInColumn(image, 2 * r, red), Runs({{10 * r - 2 * r, 10 * r + 2 * r - 1}}));
        const auto at = [r](int x) { return qMakePair(x * r - r / 2, x * r - r / 2 + r - 1); };
        QCOMPARE(runsInRow(image, 2 * r, red), Runs({at(20), at(40), at(60)}));
    }

    void drawingOutsideTheBoxIsClipped()
    {
        auto box = makeBox();
        box->cls();
        box->setDrawWidth(3);
        box->line(-5000, 300, 40000, 300, 0);
        box->line(30000, -100, 30000, 9000, 0);
        const QImage image = box->image();
        const int r = qRound(box->devicePixelRatioF());
        QCOMPARE(runsInRow(image, 20 * r, Qt::black), Runs({{0, image.width() - 1}}));
    }

    void clsBlanksTheBox()
    {
        auto box = makeBox();
        box->cls();
        box->line(0, 300, 1995, 300, 0);
        box->cls();
        const QImage image = box->image();
        QVERIFY(runsInColumn(image, 5, Qt::black).isEmpty());
        QCOMPARE(image.pixelColor(5, 20), box->backgroundColour());
    }

    void repaintsWhatWasDrawnWithoutBeingAskedToDrawAgain()
    {
        auto box = makeBox();
        box->show();
        QVERIFY(QTest::qWaitForWindowExposed(box.get()));
        box->cls();
        box->setDrawWidth(1);
        box->line(0, 300, 1995, 300, 0x00FF0000); // blue, 20 pixels down
        // Painting the widget (as after being uncovered) shows the drawing,
        // inside the 2-pixel sunken border.
        const QImage shown = box->grab().toImage();
        const int r = qRound(box->devicePixelRatioF());
        QCOMPARE(shown.pixelColor(10 * r, 22 * r), QColor(Qt::blue));
        QCOMPARE(shown.pixelColor(10 * r, 30 * r), box->backgroundColour());
        const QImage again = box->grab().toImage();
        QCOMPARE(again, shown);
    }
};

QTEST_MAIN(TestPreviewBox)
#include "tst_previewbox.moc"
