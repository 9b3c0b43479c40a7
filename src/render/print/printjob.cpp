#include "printjob.h"

#include "core/messageboxes.h"
#include "printers.h"
#include "render/canvas.h"
#include "render/gridlines.h"
#include "render/gridparameters.h"
#include "render/mousepointer.h"
#include "settings/userregistry.h"

namespace gridorra {

namespace {

// The current printer as the job's statements reach it: each call asks for
// the printer afresh, so a printer that cannot be set up (a queue removed
// since the start) fails the statement that needed it, under its label.
class CurrentPrinter : public Canvas {
public:
    explicit CurrentPrinter(Printers& printers) : m_printers(printers) {}

    void cls() override { m_printers.canvas().cls(); }
    int scaleMode() const override { return m_printers.printerScaleMode(); }
    void setScaleMode(int mode) override { m_printers.canvas().setScaleMode(mode); }
    double scaleWidth() const override { return m_printers.canvas().scaleWidth(); }
    double scaleHeight() const override { return m_printers.canvas().scaleHeight(); }
    void setDrawWidth(qint16 width) override { m_printers.canvas().setDrawWidth(width); }
    void line(float x1, float y1, float x2, float y2, quint32 colour) override
    {
        m_printers.canvas().line(x1, y1, x2, y2, colour);
    }
    void endDoc() override { m_printers.canvas().endDoc(); }

private:
    Printers& m_printers;
};

} // namespace

const QString companionPrinter = QStringLiteral("Marnova PDF Writer");

void ClearBypassSaveAs(UserRegistry& registry)
{
    registry.setString(QStringLiteral("Software\\") + companionPrinter,
                       QStringLiteral("BypassSaveAs"), QStringLiteral("0"));
}

void readPrintedGrid(StepRunner& run, const GridWindow& window, const Canvas& printer,
                     GridGeometry& g)
{
    using number::toInt16;
    run.step(118, [&] { g.colour = window.lineColour(); });
    readPens(run, window, g, {120, 122, 124});
    run.step(126, [&] { g.height = toInt16(printer.scaleHeight()); });
    run.step(128, [&] { g.width = toInt16(printer.scaleWidth()); });
    run.step(130, [&] { g.topMargin = g.wideWidth; });
    run.step(132, [&] { g.leftMargin = g.wideWidth; });
    readSpacingsAndPeriods(run, window, g, {134, 136, 138, 140, 142, 144, 146, 148});
}

void printJob(PrintJobContext& job)
{
    using namespace number;
    GridWindow& window = job.window;
    StepRunner run(QStringLiteral("in Gridorra2021/08/31.Form1.PushButton2_Click "), job.reporter);
    GridGeometry g;
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
    CurrentPrinter printer(job.printers);
    job.printers.setJobTitle(job.appTitle);

    readPrintedGrid(run, window, printer, g);
    run.step(150, [&] { copies = toInt16(window.fieldText(field::copies)); });
    run.step(152, [&] {
        if (copies == 0)
            copies = 1;
    });

    // Every copy is the same sheet, read once above, and leaves as a job of
    // its own.
    run.forLoop(194, 1, copies, 1, [&](qint16 copy) {
        run.step(156, [&] { window.setProgressValue(double(copy) / copies * 100); });
        drawGridLines(run, printer, g, printedGridLabels);
        run.step(194, [&] { printer.endDoc(); });
    });

    run.step(196, [&] { window.setMousePointer(pointer::normal); });
    // One line of the procedure with two statements: the bar emptied and
    // its caption put back. Either may fail on its own, and each is
    // reported under the line's one label.
    run.step(198, [&] { window.setProgressValue(0); });
    run.step(198, [&] { window.setProgressText(QStringLiteral("Progress Bar")); });
    run.step(204, [&] {
        job.boxes.show(QStringLiteral("Done."), job.appTitle, MessageBoxes::Icon::None);
    });
    run.step(206, [&] { job.busy = false; });
}

} // namespace gridorra
