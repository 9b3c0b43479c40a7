#include "commandrules.h"
#include "sheetparts.h"

namespace gridorra::sheet {

// The jobs handed over, as lp tells them, and what keeps them from
// printing where the scheduler knows it (a stopped queue, held jobs).
// False when standard output could not be written.
bool sayJobs(const Choice& printer, CupsPrinters& printers)
{
    QString ids;
    for (const int id : printers.jobIds())
        ids += QStringLiteral("request id is %1-%2 (1 file(s))\n")
                   .arg(printer.queue.section(QLatin1Char('/'), 0, 0))
                   .arg(id);
    if (const QString state = printers.queueState(); !state.isEmpty())
        say(QStringLiteral("%1: %2").arg(programName(), state));
    return ids.isEmpty() || writeOut(ids);
}

// Said once per run: the queue's instance or the user asked for scaling,
// which the jobs override.
void sayScalingOverridden(const Choice& printer, const CupsPrinters& printers)
{
    const QStringList asked = printers.scalingAsked();
    if (!asked.isEmpty())
        say(QStringLiteral("%1: \"%2\" asks for %3; printed at true size, unscaled")
                .arg(programName(), printer.deviceName, asked.join(QStringLiteral(", "))));
}

int printCalibrationSheet(const Choice& printer, const QString& title, int copies)
{
    CupsPrinters printers(printer.listed, printer.conversation);
    try {
        const int index = int(printers.deviceNames().indexOf(printer.deviceName));
        printers.makeCurrent(index);
        printers.setJobTitle(title);
        PdfCanvas& canvas = printers.printerCanvas(); // set up on the queue
        for (int copy = 0; copy < copies; ++copy)
            canvas.drawPage(
                calibrationSheet(printers.page().layout, printers.page().dpi, printer.deviceName));
        sayScalingOverridden(printer, printers);
    } catch (const Failure& failure) {
        say(QStringLiteral("%1: the calibration sheet could not be printed on \"%2\": %3")
                .arg(programName(), printer.deviceName, failure.description()));
        return 1;
    }
    return 0;
}

// Said when a negative number of copies prints nothing.
void sayNoCopies(const SheetRequest& request, qint16 copies)
{
    say(QStringLiteral("%1: nothing printed: %2 is %3")
            .arg(programName(), request.fields.contains(field::copies)
                                    ? QStringLiteral("--copies")
                                    : QStringLiteral("the stored number of copies"))
            .arg(copies));
}

// The copies of a sheet of marks, one job each, as the window's job sends
// them: the marks made once, on the chosen printer's page and dots.
int printMarks(const SheetRequest& request, const Choice& printer, const SettingsStore& store,
               const QString& title)
{
    StderrReport report;
    StoredWindow window(store, request, printer.deviceName, report);
    qint16 copies = 1;
    try {
        copies = number::toInt16(window.fieldText(field::copies));
    } catch (const Failure& failure) {
        say(QStringLiteral("%1: --copies %2: %3")
                .arg(programName(), window.fieldText(field::copies), failure.description()));
        return 2;
    }
    if (copies < 0) {
        sayNoCopies(request, copies);
        return 0;
    }
    CupsPrinters printers(printer.listed, printer.conversation);
    window.setKeptBack([&printers] { return !printers.refusal().isEmpty(); });
    try {
        printers.makeCurrent(int(printers.deviceNames().indexOf(printer.deviceName)));
        printers.setJobTitle(title);
        PrinterCanvas& canvas = printers.printerCanvas();
        // A landscape sheet is turned onto the queue's portrait page.
        const SheetMarks marks = marksFor(request, window, canvas, printers.page().dpi, report,
                                          request.pattern.landscape);
        if (!marks.refusal.isEmpty()) {
            say(QStringLiteral("%1: %2").arg(programName(), marks.refusal));
            return 2;
        }
        if (request.doubleSided) {
            if (printers.page().twoSided)
                printers.printTwoSided();
            else
                say(QStringLiteral("%1: \"%2\" prints on one side only: the even pages, "
                                   "mirrored, come out on sheets of their own")
                        .arg(programName(), printer.deviceName));
        }
        for (int copy = 1; copy <= std::max<int>(copies, 1); ++copy) {
            window.setProgressValue(copy * 100.0 / std::max<int>(copies, 1));
            canvas.drawMarks(marks.marks, window.lineColour(), request.pages,
                             marks.back ? &*marks.back : nullptr);
        }
        sayInexact(request, window);
        sayScalingOverridden(printer, printers);
        if (!sayJobs(printer, printers))
            return cannotWriteOutput();
    } catch (const Failure& failure) {
        QString why;
        if (PrintService::wentSilent(&why))
            return unreachable(why);
        say(QStringLiteral("%1: the sheet could not be printed on \"%2\": %3")
                .arg(programName(), printer.deviceName, failure.description()));
        return 1;
    }
    return report.failures() > 0 ? 1 : 0;
}

int printSheet(const SheetRequest& request, const Choice& printer, const SettingsStore& store,
               const QString& title)
{
    if (printer.queue.isEmpty()) {
        say(QStringLiteral("%1: no default printer: name one with --printer").arg(programName()));
        return 1;
    }
    if (request.calibrationSheet) {
        // As many copies as asked, one job each; one where none are.
        int copies = 1;
        if (request.fields.contains(field::copies)) {
            try {
                copies = std::max<int>(1, number::toInt16(request.fields.value(field::copies)));
            } catch (const Failure& failure) {
                say(QStringLiteral("%1: --copies %2: %3")
                        .arg(programName(), request.fields.value(field::copies),
                             failure.description()));
                return 2;
            }
        }
        return printCalibrationSheet(printer, title, copies);
    }
    if (const StoredCorrection stored = Calibrations().find(printer.queue);
        !stored.problem.isEmpty()) {
        sayUnreadable(stored, QStringLiteral("; printed without it"));
    }
    if (request.drawsMarks())
        return printMarks(request, printer, store, title);
    StderrReport report;
    StoredWindow window(store, request, printer.deviceName, report);
    NoBoxes boxes;
    UserRegistry registry;
    CupsPrinters printers(printer.listed, printer.conversation);
    window.setKeptBack([&printers] { return !printers.refusal().isEmpty(); });
    bool busy = false;
    PrintJobContext job{window, printers, registry, boxes, report, title, busy};
    printJob(job);
    sayTooDense(window);
    sayInexact(request, window);
    sayScalingOverridden(printer, printers);
    if (!sayJobs(printer, printers))
        return cannotWriteOutput();
    if (QString why; PrintService::wentSilent(&why))
        unreachable(why);
    // As in the window, a negative count prints nothing; a script is told.
    try {
        if (const qint16 copies = number::toInt16(window.fieldText(field::copies)); copies < 0)
            sayNoCopies(request, copies);
    } catch (const Failure&) {
        // reported by the job
    }
    return report.failures() > 0 ? 1 : 0;
}

} // namespace gridorra::sheet

namespace gridorra::rules::printing {

QString print(const QString&, SheetRequest& sheet)
{
    sheet.kind = SheetRequest::Kind::Print;
    return {};
}

} // namespace gridorra::rules::printing
