#pragma once

#include "canvas.h"
#include "core/steprunner.h"
#include "gridgeometry.h"

namespace gridorra {

// The labels of one direction's loop in a guarded drawing procedure.
struct LineLoopLabels {
    int resetCounter; // wide counter := 0
    int test;         // is the wide counter 0?
    int setCounter;   // counter := period - 1
    int widePen;      // DrawWidth := wide width
    int decrement;    // counter := counter - 1
    int thinPen;      // DrawWidth := thin width
    int line;         // Line; also the loop's advance
};

struct GridLabels {
    LineLoopLabels horizontal;
    LineLoopLabels vertical;
};

// Draws the grid on the canvas: all horizontal lines top to bottom, then all
// vertical lines left to right. In each direction the first line is wide and
// so is every period-th one after it; the pen is set before every line.
// A line exactly on the far edge is drawn. A spacing of 0 draws one line.
void drawGridLines(StepRunner& run, Canvas& canvas, const GridGeometry& g,
                   const GridLabels& labels);

} // namespace gridorra
