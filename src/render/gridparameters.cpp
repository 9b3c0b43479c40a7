#include "gridparameters.h"

namespace gridorra {

void readPens(StepRunner& run, const GridWindow& window, GridGeometry& g, const PenLabels& labels)
{
    qint16 thickness = 0;
    run.step(labels.readThickness, [&] { thickness = number::toInt16(window.fieldText(5)); });
    run.step(labels.zeroToOne, [&] { thickness = grid::thinWidth(thickness); });
    g.thinWidth = thickness;
    run.step(labels.wideWidth, [&] { g.wideWidth = grid::wideWidth(thickness); });
}

void readSpacingsAndPeriods(StepRunner& run, const GridWindow& window, GridGeometry& g,
                            const SpacingLabels& labels)
{
    const auto spacings = [&](int horizontalLabel, int verticalLabel, qint16 unitLength) {
        run.step(horizontalLabel,
                 [&] { g.horizontalSpacing = grid::spacing(unitLength, window.fieldText(1)); });
        run.step(verticalLabel,
                 [&] { g.verticalSpacing = grid::spacing(unitLength, window.fieldText(2)); });
    };
    if (run.test(labels.inches, [&] { return window.inchesSelected(); }))
        spacings(labels.horizontalInch, labels.verticalInch, grid::twipsPerInch);
    else if (run.test(labels.centimetres, [&] { return window.centimetresSelected(); }))
        spacings(labels.horizontalCm, labels.verticalCm, grid::twipsPerCentimetre);
    run.step(labels.horizontalPeriod,
             [&] { g.horizontalPeriod = number::toInt16(window.fieldText(4)); });
    run.step(labels.verticalPeriod,
             [&] { g.verticalPeriod = number::toInt16(window.fieldText(3)); });
}

} // namespace gridorra
