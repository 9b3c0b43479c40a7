#include "sheetparts.h"

namespace gridorra {

namespace sheet {

// The streams of a command run inside the program (the window's menu):
// none for a command of its own process.
thread_local CommandStreams* t_streams = nullptr;

void say(const QString& line)
{
    if (t_streams) {
        t_streams->errors << line;
        return;
    }
    std::fputs(qPrintable(line + QLatin1Char('\n')), stderr);
    std::fflush(stderr);
}

// Standard output's share of a command; false when it could not be written.
bool writeOut(const QString& text)
{
    if (t_streams) {
        t_streams->out += text;
        return true;
    }
    return standardOutput::write(text);
}

bool stderrIsTerminal()
{
    if (t_streams)
        return false;
#ifndef Q_OS_WIN
    return ::isatty(STDERR_FILENO) != 0;
#else
    return false;
#endif
}

// The page of an export: the printer's, or the locale's paper with margins
// of 12 points at 600 dpi where there is no printer; then the request's.
PageSetup pageFor(const QString& queue, const SheetRequest& request, PrintService* conversation)
{
    PageSetup page;
    if (!queue.isEmpty()) {
        std::optional<PrintService> own;
        PrintService& service = conversation ? *conversation : own.emplace();
        const QueuePage queuePage = CupsPrinters::pageOf(service, queue);
        page.layout = queuePage.layout;
        page.dpi = queuePage.dpi;
    } else {
        const bool inches = QLocale().measurementSystem() != QLocale::MetricSystem;
        page.layout =
            QPageLayout(QPageSize(inches ? QPageSize::Letter : QPageSize::A4),
                        QPageLayout::Portrait, QMarginsF(12, 12, 12, 12), QPageLayout::Point);
    }
    if (request.pageSize) {
        page.layout.setUnits(QPageLayout::Point);
        const QMarginsF margins = page.layout.margins();
        page.layout =
            QPageLayout(*request.pageSize, QPageLayout::Portrait, margins, QPageLayout::Point);
    }
    if (request.margins) {
        page.layout.setUnits(QPageLayout::Point);
        page.layout.setMinimumMargins(QMarginsF());
        const double m = *request.margins;
        page.layout.setMargins(QMarginsF(m, m, m, m));
    }
    // Two upright pages side by side: the paper turned.
    if (request.pattern.landscape || request.twoUp)
        page.layout.setOrientation(QPageLayout::Landscape);
    if (request.resolution)
        page.dpi = *request.resolution;
    else if (request.format == SheetRequest::Format::Png)
        page.dpi = 300; // pixels, not a printer's dots
    return page;
}

Choice choosePrinter(const QString& name)
{
    Choice choice;
    choice.conversation = std::make_shared<PrintService>();
    ServiceFailure failure;
    choice.listed = CupsPrinters::queues(name.isEmpty(), &failure, choice.conversation.get());
    if (!failure.why.isEmpty()) {
        choice.unreachable = failure;
        return choice;
    }
    int index = -1;
    if (name.isEmpty()) {
        for (int i = 0; i < choice.listed.size(); ++i)
            if (choice.listed[i].isDefault)
                index = i;
    } else {
        choice.match = CupsPrinters::match(choice.listed, name);
        index = choice.match.index;
        choice.unknown = index < 0;
    }
    if (index >= 0) {
        choice.queue = choice.listed[index].name;
        choice.deviceName = choice.listed[index].deviceName;
    }
    return choice;
}

QString programName()
{
    return QCoreApplication::applicationName();
}

int cannotWriteOutput()
{
    say(QStringLiteral("%1: %2").arg(programName(), standardOutput::failure()));
    return 1;
}

int unreachable(const QString& why)
{
    say(QStringLiteral("%1: cannot reach the print service: %2").arg(programName(), why));
    return 1;
}

// A printer name that means none, or more than one: said with the names
// that could be meant.
int unknownPrinter(const QString& name, const CupsPrinters::Match& match)
{
    QStringList quoted;
    for (const QString& c : match.candidates)
        quoted << QLatin1Char('"') + c + QLatin1Char('"');
    const bool several = match.ambiguous;
    QString line = several ? QStringLiteral("%1: \"%2\" names more than one printer")
                           : QStringLiteral("%1: no printer named \"%2\"");
    line = line.arg(programName(), name);
    if (!quoted.isEmpty())
        line += (several ? QStringLiteral(": ") : QStringLiteral("; the printers: ")) +
                quoted.join(QStringLiteral(", "));
    say(line);
    return 2;
}

// Said when the print service stopped answering and an export of the
// default printer's paper goes on with the locale's.
void sayLocalePaper(const QString& why)
{
    say(QStringLiteral("%1: the print service does not answer: %2; the sheet is on the paper of "
                       "the locale")
            .arg(programName(), why));
}

// The page the request draws on (see pageFor); nothing, once said why,
// when the print service or the printer gives none. An export on the
// default printer's paper goes on with the locale's paper when the service
// stops answering.
std::optional<PageSetup> printerPage(const Choice& printer, const SheetRequest& request)
{
    try {
        return pageFor(printer.queue, request, printer.conversation.get());
    } catch (const Failure& failure) {
        QString why;
        if (!PrintService::wentSilent(&why)) {
            say(QStringLiteral("%1: the printer \"%2\" gives no page: %3")
                    .arg(programName(), printer.deviceName, failure.description()));
        } else if (request.kind == SheetRequest::Kind::Export && request.printer.isEmpty()) {
            sayLocalePaper(why);
            return pageFor(QString(), request);
        } else {
            unreachable(why);
        }
        return std::nullopt;
    }
}

// The calibration sheet's drawing, never corrected and never scaled: the
// painter at the printable area's corner, in dots.
std::function<void(QPainter&)> calibrationSheet(const QPageLayout& layout, int dpi,
                                                const QString& printerName)
{
    return [=](QPainter& painter) {
        calibration::draw(painter, dpi / 25.4, layout.paintRect(QPageLayout::Millimeter).size(),
                          printerName);
    };
}

// Lines closer than a twip cannot be drawn: as in the window, one line is
// drawn in that direction, the first. Said, so that no such sheet passes
// for the grid asked for.
void sayTooDense(const GridWindow& window)
{
    const qint16 unit = window.inchesSelected() ? grid::twipsPerInch : grid::twipsPerCentimetre;
    for (const auto& [which, direction] :
         {std::pair{field::linesDown, "horizontal"}, std::pair{field::linesAcross, "vertical"}}) {
        try {
            if (number::toInt16(window.fieldText(which)) != 0 &&
                grid::spacing(unit, window.fieldText(which)) == 0)
                say(QStringLiteral("%1: %2 %3 lines per %4 are closer than a twip (1/1440 inch) "
                                   "and cannot be drawn; one %3 line is drawn, the first")
                        .arg(programName(), window.fieldText(which), QLatin1String(direction),
                             window.inchesSelected() ? QStringLiteral("inch")
                                                     : QStringLiteral("centimetre")));
        } catch (const Failure&) {
            // reported by the job
        }
    }
}

// The window's grid takes its spacing in whole twips: where that is more
// than 0.05 % off the length asked for, one line says how long the squares
// really are and how to have them exact (for the grid not already drawn
// from exact lengths).
void sayInexact(const SheetRequest& request, const GridWindow& window)
{
    if (request.calibrationSheet || !request.isGrid() || request.exactLengths.value_or(false))
        return;
    const QString note =
        grid::roundingNote(window.inchesSelected(), window.fieldText(field::linesDown),
                           window.fieldText(field::linesAcross));
    if (!note.isEmpty())
        say(QStringLiteral("%1: the grid's %2; --exact-lengths draws them exact")
                .arg(programName(), note));
}

// A stored correction that cannot be used, and why.
void sayUnreadable(const StoredCorrection& entry, const QString& after)
{
    if (entry.printer.isEmpty())
        say(QStringLiteral("%1: the corrections cannot be read: %2%3")
                .arg(programName(), entry.problem, after));
    else
        say(QStringLiteral("%1: the correction of \"%2\" cannot be read: %3%4")
                .arg(programName(), entry.printer, entry.problem, after));
}

SheetMarks marksFor(const SheetRequest& request, const GridWindow& window,
                    const PrinterCanvas& canvas, int dpi, ErrorReporter& report, bool turn)
{
    const QSizeF page = canvas.printableArea();
    const QSizeF area = turn ? page.transposed() : page;
    SheetMarks sheet = marksOn(request, window, canvas, area, dpi, report);
    if (request.doubleSided && request.pages > 1)
        sheet.back = markmoves::mirrored(sheet.marks, area);
    if (turn) {
        sheet.marks = markmoves::turned(sheet.marks, page);
        if (sheet.back)
            sheet.back = markmoves::turned(*sheet.back, page);
    }
    return sheet;
}

SheetMarks marksOn(const SheetRequest& request, const GridWindow& window,
                   const PrinterCanvas& canvas, const QSizeF& area, int dpi, ErrorReporter& report)
{
    SheetMarks sheet = laidOut(request, window, canvas, area, dpi, report);
    if (request.pattern.centre)
        markmoves::centre(sheet.marks, area, dpi);
    // The thin, wide and heavy pens' colours, where a weight has its own.
    patterns::inked(sheet.marks, request.pattern, window.lineColour());
    return sheet;
}

// The kind's marks as it lays them out from the printable corner.
SheetMarks laidOut(const SheetRequest& request, const GridWindow& window,
                   const PrinterCanvas& canvas, const QSizeF& area, int dpi, ErrorReporter& report)
{
    if (request.isGrid()) {
        StepRunner run(QStringLiteral("in Gridorra2021/08/31.Form1.PushButton2_Click "), report);
        GridGeometry g;
        readPrintedGrid(run, window, canvas, g);
        const bool exact = request.exactLengths.value_or(false);
        if (!request.heavyEvery && !exact && !request.pattern.wideThickness &&
            !request.pattern.centre && !request.pattern.landscape && !request.pattern.wideColour &&
            !request.pattern.heavyColour)
            return {gridMarks(run, g, label::print::lines), {}};
        // The window's pens and wide-line periods, its whole-twip spacing
        // or the exact one, laid out as every kind is.
        Lattice lattice{double(g.horizontalSpacing),
                        double(g.verticalSpacing),
                        g.horizontalPeriod,
                        g.verticalPeriod,
                        request.heavyEvery.value_or(0),
                        g.thinWidth,
                        g.wideWidth,
                        0};
        // A pen of its own for the wide and the heavy lines, never
        // narrower than the lines below it.
        if (const auto wide = request.pattern.wideThickness) {
            if (*wide < lattice.thin)
                return {{},
                        QStringLiteral("--wide-thickness %1: narrower than the thin lines (%2 "
                                       "dots)")
                            .arg(*wide)
                            .arg(lattice.thin)};
            lattice.wide = *wide;
        }
        if (const auto heavy = request.heavyThickness) {
            if (*heavy < lattice.wide)
                return {{},
                        QStringLiteral("--heavy-thickness %1: narrower than the wide lines (%2 "
                                       "dots)")
                            .arg(*heavy)
                            .arg(lattice.wide)};
            lattice.heavy = *heavy;
        }
        if (exact) {
            lattice.down =
                grid::exactSpacing(window.inchesSelected(), window.fieldText(field::linesDown));
            lattice.across =
                grid::exactSpacing(window.inchesSelected(), window.fieldText(field::linesAcross));
        }
        return {patterns::lattice(lattice, {area.width(), area.height(), dpi}), {}};
    }
    PatternSheet sheet =
        paper::kindMarks(request.pattern, window, area, dpi, request.fields.keys());
    return {std::move(sheet.marks), sheet.refusal};
}

// Standard error carries the reports and nothing else: the toolkit's own
// notes (a missing runtime folder, a font) are no concern of a script's.
void onlyFatalMessages(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    if (type == QtFatalMsg)
        say(text);
}

int runInProcess(const std::function<int()>& command, CommandStreams& streams)
{
    CommandStreams* const outer = t_streams;
    t_streams = &streams;
    const auto restore = qScopeGuard([outer] { t_streams = outer; });
    return command();
}

} // namespace sheet

using namespace sheet;

int runCommand(const QStringList& arguments, CommandStreams& streams)
{
    const CommandLine line = readCommandLine(arguments, true);
    if (!line.mistake.isEmpty())
        streams.errors << QStringLiteral("%1: %2").arg(programName(), line.mistake);
    if (line.exitNow)
        return *line.exitNow;
    if (line.calibrate)
        return calibrate(*line.calibrate, streams);
    if (line.sheet)
        return drawSheet(*line.sheet, streams);
    streams.errors
        << QStringLiteral("%1: no command: the window is not opened here").arg(programName());
    return 2;
}

int drawSheet(const SheetRequest& request, CommandStreams& streams)
{
    char program[] = "gridorra";
    return runInProcess([&] { return drawSheetWithoutWindow(program, request); }, streams);
}

int calibrate(const CalibrateRequest& request, CommandStreams& streams)
{
    char program[] = "gridorra";
    return runInProcess([&] { return calibrateCommand(program, request); }, streams);
}

int drawSheetWithoutWindow(char* program, const SheetRequest& given)
{
    // The calibration sheet has words on it: the offscreen platform, which
    // has the fonts.
    const WindowlessApplication app(program, given.calibrationSheet);
    const SettingsStore store(SettingsStore::Access::ReadOnly);
    SheetRequest request = given;
    if (!request.exactLengths)
        request.exactLengths =
            store.read(keys::name(keys::exactLengths), keys::defaultOf(keys::exactLengths)) ==
            QStringLiteral("1");
    // The kind of paper the window chose, where the request names none.
    if (QString why; !PaperChoice::stored(store).applyTo(request, &why))
        say(QStringLiteral("%1: the stored kind of paper is refused (%2); the grid is drawn")
                .arg(programName(), why));
    const QString title = appTitleFrom(product::name);
    // An export that names its paper and no printer asks the print service
    // nothing.
    const bool exporting = request.kind == SheetRequest::Kind::Export;
    const Choice printer = exporting && request.pageSize && request.printer.isEmpty()
                               ? Choice()
                               : choosePrinter(request.printer);
    if (printer.unreachable) {
        if (!exporting || !request.printer.isEmpty())
            return unreachable(printer.unreachable->why);
        // With no print service at all the locale's paper is the page; one
        // that is there and does not answer is worth a word.
        if (printer.unreachable->silent)
            sayLocalePaper(printer.unreachable->why);
    }
    if (printer.unknown)
        return unknownPrinter(request.printer, printer.match);
    return exporting ? exportSheet(request, printer, store, title)
                     : printSheet(request, printer, store, title);
}

} // namespace gridorra
