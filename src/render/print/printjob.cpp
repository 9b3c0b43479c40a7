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
    run.step(label::print::colour, [&] { g.colour = window.lineColour(); });
    readPens(run, window, g, label::print::pens);
    run.step(label::print::height, [&] { g.height = toInt16(printer.scaleHeight()); });
    run.step(label::print::width, [&] { g.width = toInt16(printer.scaleWidth()); });
    run.step(label::print::topMargin, [&] { g.topMargin = g.wideWidth; });
    run.step(label::print::leftMargin, [&] { g.leftMargin = g.wideWidth; });
    readSpacingsAndPeriods(run, window, g, label::print::spacings);
}

void printJob(PrintJobContext& job)
{
    using namespace number;
    GridWindow& window = job.window;
    StepRunner run(QStringLiteral("in Gridorra2021/08/31.Form1.PushButton2_Click "), job.reporter);
    GridGeometry g;
    qint16 copies = 0;

    if (!run.test(label::print::notBusy, [&] { return !job.busy; }))
        return;
    run.step(label::print::busy, [&] { job.busy = true; });
    run.step(label::print::busyPointer, [&] { window.setMousePointer(pointer::busy); });
    if (run.test(label::print::isCompanion,
                 [&] { return window.printerChoice() == companionPrinter; }))
        run.step(label::print::bypassSaveAs, [&] { ClearBypassSaveAs(job.registry); });

    // The first printer whose name is exactly the chosen one becomes current;
    // with none, the current printer stays.
    QStringList names;
    run.step(label::print::printers, [&] {
        job.printers.refresh();
        names = job.printers.deviceNames();
    });
    for (int i = 0; i < names.size(); ++i) {
        if (run.test(label::print::isChosen, [&] { return names[i] == window.printerChoice(); })) {
            run.step(label::print::makeCurrent, [&] { job.printers.makeCurrent(i); });
            break;
        }
    }
    CurrentPrinter printer(job.printers);
    job.printers.setJobTitle(job.appTitle);

    readPrintedGrid(run, window, printer, g);
    run.step(label::print::copies, [&] { copies = toInt16(window.fieldText(field::copies)); });
    run.step(label::print::zeroIsOne, [&] {
        if (copies == 0)
            copies = 1;
    });

    // Every copy is the same sheet, read once above, and leaves as a job of
    // its own.
    run.forLoop(label::print::copyLoop, 1, copies, 1, [&](qint16 copy) {
        run.step(label::print::progress,
                 [&] { window.setProgressValue(double(copy) / copies * 100); });
        drawGridLines(run, printer, g, label::print::lines);
        run.step(label::print::copyLoop, [&] { printer.endDoc(); });
    });

    run.step(label::print::normalPointer, [&] { window.setMousePointer(pointer::normal); });
    run.step(label::print::emptyBar, [&] { window.setProgressValue(0); });
    run.step(label::print::emptyBar,
             [&] { window.setProgressText(QStringLiteral("Progress Bar")); });
    run.step(label::print::done, [&] {
        job.boxes.show(QStringLiteral("Done."), job.appTitle, MessageBoxes::Icon::None);
    });
    run.step(label::print::idle, [&] { job.busy = false; });
}

} // namespace gridorra
