#pragma once

#include "core/steprunner.h"
#include "gridgeometry.h"
#include "gridwindow.h"

namespace gridorra {

// The labels of the steps that read the pens from the thickness field.
struct PenLabels {
    int readThickness; // thickness := Text5
    int zeroToOne;     // a thickness of 0 becomes 1
    int wideWidth;     // wide width := thickness x 1.5 + 2
};

// The labels of the steps that read the spacings and the wide periods.
struct SpacingLabels {
    int inches;           // is "Inches" selected?
    int horizontalInch;   // 1440 / Text1
    int verticalInch;     // 1440 / Text2
    int centimetres;      // is "Centimeters" selected?
    int horizontalCm;     // 567 / Text1
    int verticalCm;       // 567 / Text2
    int horizontalPeriod; // Text4
    int verticalPeriod;   // Text3
};

// The steps the preview and the print job share, each with its own labels:
// the thin and wide pens from the thickness ...
void readPens(StepRunner& run, const GridWindow& window, GridGeometry& g, const PenLabels& labels);

// ... and the spacings in the chosen unit and the wide periods.
void readSpacingsAndPeriods(StepRunner& run, const GridWindow& window, GridGeometry& g,
                            const SpacingLabels& labels);

} // namespace gridorra
