#include "gridlines.h"

namespace gridorra {

namespace {

// One direction: `from` and `to` run along the direction the lines advance in,
// `drawLine` draws the line at a position.
template <typename DrawLine>
void drawDirection(StepRunner& run, Canvas& canvas, const GridGeometry& g,
                   const LineLoopLabels& labels, qint16 from, qint16 to, qint16 spacing,
                   qint16 period, DrawLine&& drawLine)
{
    qint16 wideCounter = 0;
    run.step(labels.resetCounter, [&] { wideCounter = 0; });
    run.forLoop(labels.line, from, to, spacing, [&](qint16 position) {
        if (run.test(labels.test, [&] { return wideCounter == 0; })) {
            run.step(labels.setCounter, [&] { wideCounter = number::sub16(period, 1); });
            run.step(labels.widePen, [&] { canvas.setDrawWidth(g.wideWidth); });
        } else {
            run.step(labels.decrement, [&] { wideCounter = number::sub16(wideCounter, 1); });
            run.step(labels.thinPen, [&] { canvas.setDrawWidth(g.thinWidth); });
        }
        run.step(labels.line, [&] { drawLine(position); });
    });
}

} // namespace

void drawGridLines(StepRunner& run, Canvas& canvas, const GridGeometry& g, const GridLabels& labels)
{
    drawDirection(run, canvas, g, labels.horizontal, g.topMargin, g.height, g.horizontalSpacing,
                  g.horizontalPeriod,
                  [&](qint16 y) { canvas.line(g.leftMargin, y, g.width, y, g.colour); });
    drawDirection(run, canvas, g, labels.vertical, g.leftMargin, g.width, g.verticalSpacing,
                  g.verticalPeriod,
                  [&](qint16 x) { canvas.line(x, g.topMargin, x, g.height, g.colour); });
}

} // namespace gridorra
