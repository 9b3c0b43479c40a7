#include "printjob.h"

#include "canvas.h"
#include "core/messageboxes.h"
#include "gridlines.h"
#include "mousepointer.h"
#include "printers.h"
#include "settings/userregistry.h"

namespace gridorra {

const QString companionPrinter = QStringLiteral("Marnova PDF Writer");

void ClearBypassSaveAs(UserRegistry& registry)
{
    registry.setString(QStringLiteral("Software\\") + companionPrinter,
                       QStringLiteral("BypassSaveAs"), QStringLiteral("0"));
}

void printJob(PrintJobContext& job)
{
    using namespace number;
    GridWindow& window = job.window;
    StepRunner run(QStringLiteral("in Gridorra2021/08/31.Form1.PushButton2_Click "), job.reporter);
    GridGeometry g;
    qint16 thickness = 0;
    qint16 copies = 0;

    if (!run.test(100, [&] { return !job.busy; }))
        return;
    run.step(102, [&] { job.busy = true; });
    run.step(104, [&] { window.setMousePointer(pointer::busy); });
    if (run.test(106, [&] { return window.printerChoice() == companionPrinter; }))
        run.step(108, [&] { ClearBypassSaveAs(job.registry); });

    // The first printer whose name is exactly the chosen one becomes current;
    // with none, the current printer stays.
    QStringList names;
    run.step(110, [&] {
        job.printers.refresh();
        names = job.printers.deviceNames();
    });
    for (int i = 0; i < names.size(); ++i) {
        if (run.test(112, [&] { return names[i] == window.printerChoice(); })) {
            run.step(114, [&] { job.printers.makeCurrent(i); });
            break;
        }
    }
    Canvas& printer = job.printers.canvas();
    job.printers.setJobTitle(job.appTitle);

    run.step(118, [&] { g.colour = window.lineColour(); });
    run.step(120, [&] { thickness = toInt16(window.fieldText(5)); });
    run.step(122, [&] { thickness = grid::thinWidth(thickness); });
    g.thinWidth = thickness;
    run.step(124, [&] { g.wideWidth = grid::wideWidth(thickness); });
    run.step(126, [&] { g.height = toInt16(printer.scaleHeight()); });
    run.step(128, [&] { g.width = toInt16(printer.scaleWidth()); });
    run.step(130, [&] { g.topMargin = g.wideWidth; });
    run.step(132, [&] { g.leftMargin = g.wideWidth; });
    if (run.test(134, [&] { return window.inchesSelected(); })) {
        run.step(136, [&] {
            g.horizontalSpacing = grid::spacing(grid::twipsPerInch, window.fieldText(1));
        });
        run.step(138, [&] {
            g.verticalSpacing = grid::spacing(grid::twipsPerInch, window.fieldText(2));
        });
    } else if (run.test(140, [&] { return window.centimetresSelected(); })) {
        run.step(142, [&] {
            g.horizontalSpacing = grid::spacing(grid::twipsPerCentimetre, window.fieldText(1));
        });
        run.step(144, [&] {
            g.verticalSpacing = grid::spacing(grid::twipsPerCentimetre, window.fieldText(2));
        });
    }
    run.step(146, [&] { g.horizontalPeriod = toInt16(window.fieldText(4)); });
    run.step(148, [&] { g.verticalPeriod = toInt16(window.fieldText(3)); });
    run.step(150, [&] { copies = toInt16(window.fieldText(6)); });
    run.step(152, [&] {
        if (copies == 0)
            copies = 1;
    });

    // Every copy is the same sheet, read once above, and leaves as a job of
    // its own.
    static constexpr GridLabels labels{{162, 166, 168, 170, 172, 174, 176},
                                       {178, 182, 184, 186, 188, 190, 192}};
    run.forLoop(194, 1, copies, 1, [&](qint16 copy) {
        run.step(156, [&] { window.setProgressValue(double(copy) / copies * 100); });
        drawGridLines(run, printer, g, labels);
        run.step(194, [&] { printer.endDoc(); });
    });

    run.step(196, [&] { window.setMousePointer(pointer::normal); });
    run.step(198, [&] { window.setProgressValue(0); });
    run.step(198, [&] { window.setProgressText(QStringLiteral("Progress Bar")); });
    run.step(204, [&] {
        job.boxes.show(QStringLiteral("Done."), job.appTitle, MessageBoxes::Icon::None);
    });
    run.step(206, [&] { job.busy = false; });
}

} // namespace gridorra
