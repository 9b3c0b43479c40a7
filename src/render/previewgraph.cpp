#include "previewgraph.h"

#include "gridlines.h"
#include "gridparameters.h"
#include "mousepointer.h"

#include "core/steplabels.h"

namespace gridorra {

namespace {

// Passes every report on, and counts them.
class CountingReporter : public ErrorReporter {
public:
    explicit CountingReporter(ErrorReporter& to) : m_to(to) {}
    void report(const QString& description, const QString& location, int label) override
    {
        ++count;
        m_to.report(description, location, label);
    }
    int count = 0;

private:
    ErrorReporter& m_to;
};

} // namespace

GridGeometry previewGraph(GridWindow& window, Canvas& box, int printerScaleMode,
                          ErrorReporter& reporter, bool* failed)
{
    using namespace number;
    CountingReporter counted(reporter);
    StepRunner run(QStringLiteral("in Gridorra2021/08/31.Form1.PreviewGraph "), counted);
    GridGeometry g;

    run.step(label::preview::busyPointer, [&] { window.setMousePointer(pointer::busy); });
    run.step(label::preview::clear, [&] { box.cls(); });
    run.step(label::preview::colour, [&] { g.colour = window.lineColour(); });
    readPens(run, window, g, label::preview::pens);
    run.step(label::preview::height, [&] { g.height = toInt16(box.scaleHeight()); });
    run.step(label::preview::width, [&] { g.width = toInt16(box.scaleWidth()); });
    run.step(label::preview::topMargin, [&] { g.topMargin = g.wideWidth; });
    run.step(label::preview::leftMargin, [&] { g.leftMargin = g.wideWidth; });
    run.step(label::preview::scaleMode, [&] { box.setScaleMode(printerScaleMode); });
    readSpacingsAndPeriods(run, window, g, label::preview::spacings);
    run.step(label::preview::fullBar, [&] { window.setProgressValue(100.0); });

    drawGridLines(run, box, g, label::preview::lines);

    run.step(label::preview::normalPointer, [&] { window.setMousePointer(pointer::normal); });
    run.step(label::preview::emptyBar, [&] { window.setProgressValue(0); });
    run.step(label::preview::emptyBar,
             [&] { window.setProgressText(QStringLiteral("Progress Bar")); });
    if (failed)
        *failed = counted.count > 0;
    return g;
}

} // namespace gridorra
