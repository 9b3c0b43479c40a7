#include "previewgraph.h"

#include "gridlines.h"
#include "gridparameters.h"
#include "mousepointer.h"

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

    run.step(100, [&] { window.setMousePointer(pointer::busy); });
    run.step(102, [&] { box.cls(); });
    run.step(104, [&] { g.colour = window.lineColour(); });
    readPens(run, window, g, {106, 108, 110});
    run.step(112, [&] { g.height = toInt16(box.scaleHeight()); });
    run.step(114, [&] { g.width = toInt16(box.scaleWidth()); });
    run.step(116, [&] { g.topMargin = g.wideWidth; });
    run.step(118, [&] { g.leftMargin = g.wideWidth; });
    run.step(120, [&] { box.setScaleMode(printerScaleMode); });
    readSpacingsAndPeriods(run, window, g, {122, 124, 126, 128, 130, 132, 134, 136});
    run.step(142, [&] { window.setProgressValue(100.0); });

    static constexpr GridLabels labels{{144, 148, 150, 152, 154, 156, 158},
                                       {160, 164, 166, 168, 170, 172, 174}};
    drawGridLines(run, box, g, labels);

    run.step(176, [&] { window.setMousePointer(pointer::normal); });
    // One line with two statements, as in the print job (label 198).
    run.step(178, [&] { window.setProgressValue(0); });
    run.step(178, [&] { window.setProgressText(QStringLiteral("Progress Bar")); });
    if (failed)
        *failed = counted.count > 0;
    return g;
}

} // namespace gridorra
