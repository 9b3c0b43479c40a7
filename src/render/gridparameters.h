#pragma once

#include "core/steplabels.h"
#include "core/steprunner.h"
#include "gridgeometry.h"
#include "gridwindow.h"

namespace gridorra {

// The steps the preview and the print job share, each with its own labels:
// the thin and wide pens from the thickness ...
void readPens(StepRunner& run, const GridWindow& window, GridGeometry& g, const PenLabels& labels);

// ... and the spacings in the chosen unit and the wide periods.
void readSpacingsAndPeriods(StepRunner& run, const GridWindow& window, GridGeometry& g,
                            const SpacingLabels& labels);

} // namespace gridorra
