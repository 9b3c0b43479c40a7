#include "gridparameters.h"

namespace gridorra {

void readPens(StepRunner& run, const GridWindow& window, GridGeometry& g, const PenLabels& labels)
{
    qint16 thickness = 0;
    run.step(labels.readThickness,
             [&] { thickness = number::toInt16(window.fieldText(field::thickness)); });
    run.step(labels.zeroToOne, [&] { thickness = grid::thinWidth(thickness); });
    g.thinWidth = thickness;
    run.step(labels.wideWidth, [&] { g.wideWidth = grid::wideWidth(thickness); });
}

void readSpacingsAndPeriods(StepRunner& run, const GridWindow& window, GridGeometry& g,
                            const SpacingLabels& labels)
{
    const auto spacings = [&](int horizontalLabel, int verticalLabel, qint16 unitLength) {
        run.step(horizontalLabel, [&] {
            g.horizontalSpacing = grid::spacing(unitLength, window.fieldText(field::linesDown));
        });
        run.step(verticalLabel, [&] {
            g.verticalSpacing = grid::spacing(unitLength, window.fieldText(field::linesAcross));
        });
    };
    if (run.test(labels.inches, [&] { return window.inchesSelected(); }))
        spacings(labels.horizontalInch, labels.verticalInch, grid::twipsPerInch);
    else if (run.test(labels.centimetres, [&] { return window.centimetresSelected(); }))
        spacings(labels.horizontalCm, labels.verticalCm, grid::twipsPerCentimetre);
    run.step(labels.horizontalPeriod,
             [&] { g.horizontalPeriod = number::toInt16(window.fieldText(field::wideDown)); });
    run.step(labels.verticalPeriod,
             [&] { g.verticalPeriod = number::toInt16(window.fieldText(field::wideAcross)); });
}

} // namespace gridorra
