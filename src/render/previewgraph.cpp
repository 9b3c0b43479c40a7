#include "previewgraph.h"

#include "gridlines.h"
#include "mousepointer.h"

namespace gridorra {

void previewGraph(GridWindow& window, Canvas& box, int printerScaleMode, ErrorReporter& reporter)
{
    using namespace number;
    StepRunner run(QStringLiteral("in Gridorra2021/08/31.Form1.PreviewGraph "), reporter);
    GridGeometry g;
    qint16 thickness = 0;

    run.step(100, [&] { window.setMousePointer(pointer::busy); });
    run.step(102, [&] { box.cls(); });
    run.step(104, [&] { g.colour = window.lineColour(); });
    run.step(106, [&] { thickness = toInt16(window.fieldText(5)); });
    run.step(108, [&] { thickness = grid::thinWidth(thickness); });
    g.thinWidth = thickness;
    run.step(110, [&] { g.wideWidth = grid::wideWidth(thickness); });
    run.step(112, [&] { g.height = toInt16(box.scaleHeight()); });
    run.step(114, [&] { g.width = toInt16(box.scaleWidth()); });
    run.step(116, [&] { g.topMargin = g.wideWidth; });
    run.step(118, [&] { g.leftMargin = g.wideWidth; });
    run.step(120, [&] { box.setScaleMode(printerScaleMode); });
    if (run.test(122, [&] { return window.inchesSelected(); })) {
        run.step(124, [&] {
            g.horizontalSpacing = grid::spacing(grid::twipsPerInch, window.fieldText(1));
        });
        run.step(126, [&] {
            g.verticalSpacing = grid::spacing(grid::twipsPerInch, window.fieldText(2));
        });
    } else if (run.test(128, [&] { return window.centimetresSelected(); })) {
        run.step(130, [&] {
            g.horizontalSpacing = grid::spacing(grid::twipsPerCentimetre, window.fieldText(1));
        });
        run.step(132, [&] {
            g.verticalSpacing = grid::spacing(grid::twipsPerCentimetre, window.fieldText(2));
        });
    }
    run.step(134, [&] { g.horizontalPeriod = toInt16(window.fieldText(4)); });
    run.step(136, [&] { g.verticalPeriod = toInt16(window.fieldText(3)); });
    run.step(142, [&] { window.setProgressValue(100.0); });

    static constexpr GridLabels labels{{144, 148, 150, 152, 154, 156, 158},
                                       {160, 164, 166, 168, 170, 172, 174}};
    drawGridLines(run, box, g, labels);

    run.step(176, [&] { window.setMousePointer(pointer::normal); });
    run.step(178, [&] { window.setProgressValue(0); });
    run.step(178, [&] { window.setProgressText(QStringLiteral("Progress Bar")); });
}

} // namespace gridorra
