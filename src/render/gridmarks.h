#pragma once

#include "gridlines.h"
#include "marks.h"

namespace gridorra {

// The window's grid as marks: the lines drawGridLines draws, in its order
// and with its pens, every rounding rule kept. With `heavyEvery` M > 0, a
// third pen (the wide one x 1.5 + 2) for every M-th wide line of each
// direction, the first included: millimetre paper's 1, 5 and 10 mm lines.
Marks gridMarks(StepRunner& run, const GridGeometry& g, const GridLabels& labels,
                int heavyEvery = 0);

} // namespace gridorra
