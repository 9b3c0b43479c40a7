#pragma once

#include "canvas.h"
#include "core/steplabels.h"
#include "core/steprunner.h"
#include "gridgeometry.h"

namespace gridorra {

// Draws the grid on the canvas: all horizontal lines top to bottom, then all
// vertical lines left to right. In each direction the first line is wide and
// so is every period-th one after it; the pen is set before every line.
// A line exactly on the far edge is drawn. A spacing of 0 draws one line.
void drawGridLines(StepRunner& run, Canvas& canvas, const GridGeometry& g,
                   const GridLabels& labels);

} // namespace gridorra
