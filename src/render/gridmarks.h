#pragma once

#include "gridlines.h"
#include "marks.h"

namespace gridorra {

// The window's grid as marks: the lines drawGridLines draws, in its order
// and with its pens, every rounding rule kept (a notebook of the window's
// grid).
Marks gridMarks(StepRunner& run, const GridGeometry& g, const GridLabels& labels);

} // namespace gridorra
