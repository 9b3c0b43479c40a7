#include "sheetcommand.h"

#include "core/colour.h"
#include "core/messageboxes.h"
#include "core/number.h"
#include "core/product.h"
#include "core/programinfo.h"
#include "outputfile.h"
#include "paperchoice.h"
#include "render/calibrationsheet.h"
#include "render/canvas.h"
#include "render/export/bitpage.h"
#include "render/export/svgpaths.h"
#include "render/gridgeometry.h"
#include "render/gridmarks.h"
#include "render/gridwindow.h"
#include "render/patterns.h"
#include "render/print/cupsprinters.h"
#include "render/print/printercanvas.h"
#include "render/print/printjob.h"
#include "render/print/printservice.h"
#include "render/systemcolours.h"
#include "settings/calibration.h"
#include "settings/keys.h"
#include "settings/settingsstore.h"
#include "settings/userregistry.h"
#include "standardoutput.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSvgGenerator>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <tuple>
#include <type_traits>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace gridorra {

namespace {

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

// The error report on standard error: one line per failure, in the report's
// own words.
class StderrReport : public ErrorReporter {
public:
    void report(const QString& description, const QString& location, int label) override
    {
        ++m_failures;
        say(QStringLiteral("%1: %2 %3at line %4")
                .arg(QCoreApplication::applicationName(), description, location)
                .arg(label));
    }
    int failures() const { return m_failures; }

private:
    int m_failures = 0;
};

// The controls' values as the window would hold them after its start-up:
// the stored texts, unit and colour, each replaced by the request's value
// where it gives one. The unit and the colour are read as the start-up reads
// them, with its reports: a stored Scale that is no number selects inches, a
// stored Color that is no colour leaves the swatch black. Nothing is written
// back.
class StoredWindow : public GridWindow {
public:
    StoredWindow(const SettingsStore& store, const SheetRequest& request, QString printer,
                 ErrorReporter& report)
        : m_store(store), m_request(request), m_printer(std::move(printer))
    {
        StepRunner run(QStringLiteral("in Gridorra2021/08/31.Form1.Form_Load "), report);
        m_inches = request.inches
                       ? *request.inches
                       : run.test(140, [&] { return number::toInt16(stored(keys::scale)) == 1; });
        if (request.colour)
            m_colour = *request.colour;
        else
            run.step(146,
                     [&] { m_colour = colour::checked(number::toInt32(stored(keys::colour))); });
    }

    quint32 lineColour() const override { return m_colour; }
    QString fieldText(int field) const override
    {
        if (field == field::copies && m_request.kind == SheetRequest::Kind::Export)
            return QStringLiteral("1"); // a file holds the sheet of one copy
        if (m_request.fields.contains(field))
            return m_request.fields.value(field);
        return stored(keys::text[field - 1]);
    }
    bool inchesSelected() const override { return m_inches; }
    bool centimetresSelected() const override { return !m_inches; }
    QString printerChoice() const override { return m_printer; }

    void setMousePointer(int) override {}
    void setProgressValue(double value) override
    {
        // On a terminal, each copy as it starts; none that the queue keeps
        // back (a password not given or refused, a queue that takes no job).
        if (t_streams && t_streams->progress)
            t_streams->progress(value);
        if (value <= 0 || m_request.kind != SheetRequest::Kind::Print || !stderrIsTerminal())
            return;
        ++m_copy;
        if (!m_keptBack || !m_keptBack())
            say(QStringLiteral("copy %1 of %2").arg(m_copy).arg(qRound(m_copy * 100.0 / value)));
    }
    // Whether the copies are kept from leaving from now on.
    void setKeptBack(std::function<bool()> keptBack) { m_keptBack = std::move(keptBack); }
    void setProgressText(const QString&) override {}

private:
    QString stored(const keys::Key& key) const
    {
        return m_store.read(keys::name(key), keys::defaultOf(key));
    }

    const SettingsStore& m_store;
    const SheetRequest& m_request;
    QString m_printer;
    bool m_inches = true;
    quint32 m_colour = colour::black;
    int m_copy = 0;
    std::function<bool()> m_keptBack;
};

// The boxes of the job ("Done.") have nothing to tell a script.
class NoBoxes : public MessageBoxes {
public:
    void show(const QString&, const QString&, Icon) override {}
};

// The page of an export as the current printer: the one printer of an
// export, drawing a PDF, an SVG or a PNG.
class PagePrinters : public Printers {
public:
    PagePrinters(QPaintDevice& device, PrinterCanvas& canvas) : m_device(device), m_canvas(canvas)
    {}

    QStringList deviceNames() const override { return {}; }
    void refresh() override {}
    QString currentDeviceName() const override { return {}; }
    void makeCurrent(int) override { throw Failure(fail::printerError); }
    int printerScaleMode() const override { return Canvas::twips; }
    Canvas& canvas() override { return m_canvas; }
    void setJobTitle(const QString& title) override { m_canvas.setJobTitle(title); }
    PrinterCanvas& printerCanvas() { return m_canvas; }

    // A sheet on which nothing could be drawn is still a page.
    void blankPageIfNothingWasDrawn()
    {
        if (m_canvas.documentsEnded() == 0)
            QPainter(&m_device).end();
    }

private:
    QPaintDevice& m_device;
    PrinterCanvas& m_canvas;
};

struct PageSetup {
    QPageLayout layout;
    int dpi = 600;
};

// The page of an export: the printer's, or the locale's paper with margins
// of 12 points at 600 dpi where there is no printer; then the request's.
PageSetup pageFor(const QString& queue, const SheetRequest& request,
                  PrintService* conversation = nullptr)
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
    if (request.resolution)
        page.dpi = *request.resolution;
    else if (request.format == SheetRequest::Format::Png)
        page.dpi = 300; // pixels, not a printer's dots
    return page;
}

// The queue the request names (see CupsPrinters::match), or the default
// one; empty when there is none.
struct Choice {
    QString queue;
    QString deviceName;
    bool unknown = false;
    CupsPrinters::Match match; // the names that could be meant, when unknown
    std::optional<ServiceFailure> unreachable;
    // The conversation the printers were listed in, and the list: the job
    // goes on in it rather than starting over.
    std::shared_ptr<PrintService> conversation;
    QList<CupsPrinters::Queue> listed;
};
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

// The calibration sheet on a printer's canvas, never corrected and never
// scaled: the printable area's corner, in dots.
void drawCalibrationSheet(PrinterCanvas& canvas, const QPageLayout& layout, int dpi,
                          const QString& printerName)
{
    canvas.drawPage([&](QPainter& painter) {
        calibration::draw(painter, dpi / 25.4, layout.paintRect(QPageLayout::Millimeter).size(),
                          printerName);
    });
}

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
        PrinterCanvas& canvas = printers.printerCanvas(); // set up on the queue
        for (int copy = 0; copy < copies; ++copy)
            drawCalibrationSheet(canvas, printers.page().layout, printers.page().dpi,
                                 printer.deviceName);
        sayScalingOverridden(printer, printers);
    } catch (const Failure& failure) {
        say(QStringLiteral("%1: the calibration sheet could not be printed on \"%2\": %3")
                .arg(programName(), printer.deviceName, failure.description()));
        return 1;
    }
    return 0;
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
void sayUnreadable(const StoredCorrection& entry, const QString& after = QString())
{
    if (entry.printer.isEmpty())
        say(QStringLiteral("%1: the corrections cannot be read: %2%3")
                .arg(programName(), entry.problem, after));
    else
        say(QStringLiteral("%1: the correction of \"%2\" cannot be read: %3%4")
                .arg(programName(), entry.printer, entry.problem, after));
}

// Qt writes an SVG's width and height from its whole pixels; the page is
// given its exact physical size instead, in millimetres.
QByteArray exactSvgSize(QByteArray svg, const QPageLayout& layout)
{
    const QSizeF mm = layout.fullRect(QPageLayout::Millimeter).size();
    const qsizetype from = svg.indexOf("width=\"");
    const qsizetype heightAt = svg.indexOf("height=\"", from);
    const qsizetype to = svg.indexOf('"', heightAt + 8);
    if (from < 0 || heightAt < 0 || to < 0 || to > 512)
        return svg;
    return svg.replace(from, to + 1 - from,
                       QStringLiteral("width=\"%1mm\" height=\"%2mm\"")
                           .arg(mm.width(), 0, 'f', 3)
                           .arg(mm.height(), 0, 'f', 3)
                           .toUtf8());
}

// The calibration sheet as a PNG of two colours, white and black, that
// says its resolution (pHYs).
void writePng(const QImage& page, int dpi, QRgb ink, QBuffer& document)
{
    QImage twoColours = page.convertToFormat(QImage::Format_Mono, {qRgb(255, 255, 255), ink},
                                             Qt::ThresholdDither | Qt::AvoidDither);
    const int perMetre = qRound(dpi / 0.0254);
    twoColours.setDotsPerMeterX(perMetre);
    twoColours.setDotsPerMeterY(perMetre);
    QImageWriter(&document, "png").write(twoColours);
}

// The marks of the sheet the request asks for, on the canvas's printable
// area at `dpi`: the window's grid read by its job's steps (a failed step
// reported as the job reports it), another kind from the fields' values
// and its own options. Where the values make no sheet, no marks and why.
struct SheetMarks {
    Marks marks;
    QString refusal;
};
SheetMarks marksFor(const SheetRequest& request, const GridWindow& window,
                    const PrinterCanvas& canvas, int dpi, ErrorReporter& report)
{
    const QSizeF area = canvas.printableArea();
    if (request.isGrid()) {
        StepRunner run(QStringLiteral("in Gridorra2021/08/31.Form1.PushButton2_Click "), report);
        GridGeometry g;
        readPrintedGrid(run, window, canvas, g);
        const bool exact = request.exactLengths.value_or(false);
        if (!request.heavyEvery && !exact)
            return {gridMarks(run, g, printedGridLabels), {}};
        // The window's pens and wide-line periods, its whole-twip spacing
        // or the exact one, laid out as every kind is.
        Lattice lattice{double(g.horizontalSpacing),
                        double(g.verticalSpacing),
                        g.horizontalPeriod,
                        g.verticalPeriod,
                        request.heavyEvery.value_or(0),
                        g.thinWidth,
                        g.wideWidth};
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

// Whether the page leaves no sheet to draw: margins that leave no room, a
// PNG too large. Said, when so.
bool pageRefused(const SheetRequest& request, const PageSetup& page)
{
    const QSizeF paper = page.layout.fullRect(QPageLayout::Point).size();
    if (request.margins && 2 * *request.margins >= std::min(paper.width(), paper.height())) {
        say(QStringLiteral("%1: --margins %2: leave no room on a page of %3 x %4 points")
                .arg(programName(), request.marginsText)
                .arg(paper.width())
                .arg(paper.height()));
        return true;
    }
    if (request.format == SheetRequest::Format::Png) {
        const QSize pixels = page.layout.fullRectPixels(page.dpi).size();
        if (pixels.width() > 20000 || pixels.height() > 20000 ||
            qint64(pixels.width()) * pixels.height() > 400'000'000) {
            say(QStringLiteral("%1: a PNG of %2 x %3 pixels (%4 dpi) is too large: at most 20000 "
                               "on a side and 400 megapixels")
                    .arg(programName())
                    .arg(pixels.width())
                    .arg(pixels.height())
                    .arg(page.dpi));
            return true;
        }
    }
    return false;
}

// The page of an export in the format asked for, and the canvas that draws
// on it: a PDF as a printer has it; an SVG of the page's physical size with
// the lines at their exact places (on dots with --resolution); a PNG with
// the lines on whole pixels, as on a printer's dots.
struct ExportPage {
    std::unique_ptr<QPdfWriter> pdf;
    std::unique_ptr<QSvgGenerator> svg;
    QImage image;
    std::unique_ptr<BitPage> bits;
    std::unique_ptr<SvgPaths> paths;
    QPaintDevice* device = nullptr;
    std::unique_ptr<PrinterCanvas> canvas;
    const PageSetup& page;
    const QString& title;
    QBuffer& document;

    ExportPage(const SheetRequest& request, const PageSetup& page, const QString& title,
               QBuffer& document)
        : page(page), title(title), document(document)
    {
        const QSize pixels = page.layout.fullRectPixels(page.dpi).size();
        const bool onDots = request.resolution.has_value();
        switch (request.format) {
        case SheetRequest::Format::Pdf:
            pdf = std::make_unique<QPdfWriter>(&document);
            pdf->setResolution(page.dpi);
            pdf->setPageLayout(page.layout);
            device = pdf.get();
            canvas = std::make_unique<PrinterCanvas>(*pdf);
            break;
        case SheetRequest::Format::Svg:
            // The grid written as text, a path a pen width; the calibration
            // sheet, with its words, painted by Qt's SVG generator.
            if (!request.calibrationSheet) {
                paths = std::make_unique<SvgPaths>(page.layout.fullRect(QPageLayout::Point).size(),
                                                   page.dpi);
                image = QImage(1, 1, QImage::Format_RGB32);
                canvas =
                    std::make_unique<PrinterCanvas>(*paths, image, page.layout, page.dpi, onDots);
                device = &image;
                break;
            }
            svg = std::make_unique<QSvgGenerator>();
            svg->setOutputDevice(&document);
            svg->setResolution(page.dpi);
            svg->setSize(pixels);
            svg->setViewBox(QRectF(QPointF(), page.layout.fullRect(QPageLayout::Point).size() *
                                                  (page.dpi / 72.0)));
            svg->setTitle(title + QStringLiteral(": calibration sheet"));
            device = svg.get();
            canvas = std::make_unique<PrinterCanvas>(*svg, page.layout, page.dpi, onDots);
            break;
        case SheetRequest::Format::Png:
            // The grid straight into two-colour pixels; the calibration
            // sheet, with its words, painted on an image.
            if (request.calibrationSheet) {
                image = QImage(pixels, QImage::Format_RGB32);
                image.fill(Qt::white);
                device = &image;
                canvas = std::make_unique<PrinterCanvas>(image, page.layout, page.dpi, true);
            } else {
                bits = std::make_unique<BitPage>(pixels.width(), pixels.height());
                image = QImage(1, 1, QImage::Format_RGB32);
                device = &image;
                canvas = std::make_unique<PrinterCanvas>(*bits, image, page.layout, page.dpi);
            }
            break;
        }
    }

    // Ends the page and puts the rest of the file into the document.
    void finish(QRgb ink)
    {
        canvas.reset();
        if (svg) {
            svg.reset();
            const QByteArray text = exactSvgSize(document.data(), page.layout);
            document.close();
            document.setData(text);
            document.open(QIODevice::WriteOnly | QIODevice::Append);
        }
        if (paths)
            document.write(paths->svg(title + QStringLiteral(": graph paper")));
        else if (bits)
            document.write(bits->png(ink, page.dpi));
        else if (!image.isNull())
            writePng(image, page.dpi, ink, document);
    }
};

int exportSheet(const SheetRequest& request, const Choice& printer, const SettingsStore& store,
                const QString& title)
{
    // The printer's correction, asked for: there must be one to draw with.
    const StoredCorrection stored =
        request.calibrated ? Calibrations().find(printer.queue) : StoredCorrection();
    if (request.calibrated && !stored.correction) {
        if (stored.problem.isEmpty())
            say(QStringLiteral("%1: --calibrated: \"%2\" is not calibrated")
                    .arg(programName(), printer.deviceName));
        else
            sayUnreadable(stored);
        return 2;
    }
    const std::optional<PageSetup> chosen = printerPage(printer, request);
    if (!chosen)
        return 1;
    const PageSetup& page = *chosen;
    if (pageRefused(request, page))
        return 2;
    const QString target =
        request.file == QStringLiteral("-") ? QStringLiteral("standard output") : request.file;
    const auto cannotWrite = [&](const QString& why) {
        say(QStringLiteral("%1: cannot write %2: %3").arg(programName(), target, why));
        return 1;
    };
    if (request.file == QStringLiteral("-") && standardOutput::wasClosed())
        return cannotWrite(QString::fromLocal8Bit(std::strerror(EBADF)));
    OutputFile file;
    if (!file.open(request.file))
        return cannotWrite(file.errorString());
    // The sheet is drawn whole in memory first: a run that fails leaves the
    // target as it was.
    QBuffer document;
    document.open(QIODevice::WriteOnly);
    StderrReport report;
    StoredWindow window(store, request, QString(), report);
    {
        ExportPage out(request, page, title, document);
        PagePrinters sheet(*out.device, *out.canvas);
        sheet.setJobTitle(title);
        if (request.calibrationSheet) {
            drawCalibrationSheet(sheet.printerCanvas(), page.layout, page.dpi,
                                 printer.deviceName.isEmpty() ? QStringLiteral("PRINTER")
                                                              : printer.deviceName);
        } else {
            if (stored.correction)
                sheet.printerCanvas().setCorrection(stored.correction->across,
                                                    stored.correction->down);
            if (request.drawsMarks()) {
                const SheetMarks marks =
                    marksFor(request, window, sheet.printerCanvas(), page.dpi, report);
                if (!marks.refusal.isEmpty()) {
                    say(QStringLiteral("%1: %2").arg(programName(), marks.refusal));
                    return 2;
                }
                document.write(sheet.printerCanvas().drawMarks(marks.marks, window.lineColour(),
                                                               request.pages));
            } else {
                NoBoxes boxes;
                UserRegistry registry;
                bool busy = false;
                PrintJobContext job{window, sheet, registry, boxes, report, title, busy};
                printJob(job);
            }
        }
        if (!out.bits && !out.paths)
            sheet.blankPageIfNothingWasDrawn();
        out.finish(toQColor(window.lineColour(), QGuiApplication::palette()).rgb());
    }
    if (!request.calibrationSheet && request.isGrid())
        sayTooDense(window);
    if (report.failures() > 0) {
        say(QStringLiteral("%1: nothing was written to %2").arg(programName(), target));
        return 1;
    }
    // A failed write is kept by the device, and told by the commit.
    file.device().write(document.data());
    if (!file.commit())
        return cannotWrite(file.errorString());
    sayInexact(request, window);
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
        const SheetMarks marks = marksFor(request, window, canvas, printers.page().dpi, report);
        if (!marks.refusal.isEmpty()) {
            say(QStringLiteral("%1: %2").arg(programName(), marks.refusal));
            return 2;
        }
        for (int copy = 1; copy <= std::max<int>(copies, 1); ++copy) {
            window.setProgressValue(copy * 100.0 / std::max<int>(copies, 1));
            canvas.drawMarks(marks.marks, window.lineColour());
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

// Standard error carries the reports and nothing else: the toolkit's own
// notes (a missing runtime folder, a font) are no concern of a script's.
void onlyFatalMessages(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    if (type == QtFatalMsg)
        say(text);
}

// The application object of a run that opens no window, so needs no
// display: the minimal platform, whatever -platform, QT_QPA_PLATFORM or the
// display say, and none of the window system's options. It starts without
// reading the fonts, which lines do not need, so an export costs little
// more than starting the program; `withFonts` takes the offscreen platform
// instead, which has them.
class WindowlessApplication {
public:
    // Inside a program that has its application object (the window's menu,
    // a test), that one serves.
    explicit WindowlessApplication(char* program, bool withFonts = false) : m_argv{program, nullptr}
    {
        if (QCoreApplication::instance())
            return;
        qInstallMessageHandler(onlyFatalMessages);
        qputenv("QT_QPA_PLATFORM", withFonts ? "offscreen" : "minimal");
        m_app.emplace(m_argc, m_argv);
    }

private:
    int m_argc = 1;
    char* m_argv[2];
    std::optional<QGuiApplication> m_app;
};

} // namespace

int runInProcess(const std::function<int()>& command, CommandStreams& streams)
{
    CommandStreams* const outer = t_streams;
    t_streams = &streams;
    const auto restore = qScopeGuard([outer] { t_streams = outer; });
    return command();
}

std::optional<calibration::Lengths> calibrationLengths(const QString& printerName,
                                                       CommandStreams& streams)
{
    std::optional<calibration::Lengths> lengths;
    runInProcess(
        [&] {
            const Choice printer = choosePrinter(printerName);
            if (printer.unreachable)
                return unreachable(printer.unreachable->why);
            if (printer.unknown)
                return unknownPrinter(printerName, printer.match);
            const std::optional<PageSetup> page = printerPage(printer, SheetRequest());
            if (!page)
                return 1;
            lengths =
                calibration::lengthsFor(page->layout.paintRect(QPageLayout::Millimeter).size());
            return 0;
        },
        streams);
    return lengths;
}

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

// The store kept the correction from changing: said, and the run fails.
int cannotStore(const QString& why)
{
    say(QStringLiteral("%1: the correction was not stored: %2").arg(programName(), why));
    return 1;
}

int calibrateCommand(char* program, const CalibrateRequest& request)
{
    const WindowlessApplication app(program);
    Calibrations calibrations;
    const auto factors = describe;
    if (request.kind == CalibrateRequest::Kind::List) {
        bool unreadable = false;
        int listed = 0;
        QStringList lines;
        for (const StoredCorrection& entry : calibrations.all()) {
            if (entry.correction) {
                ++listed;
                lines << QStringLiteral("%1: %2\n").arg(entry.printer, factors(*entry.correction));
            } else {
                unreadable = true;
                sayUnreadable(entry);
            }
        }
        if (listed == 0 && !unreadable)
            lines << QStringLiteral("no printer is calibrated\n");
        if (!writeOut(lines.join(QString())))
            return cannotWriteOutput();
        return unreadable ? 1 : 0;
    }
    const Choice printer = choosePrinter(request.printer);
    if (printer.unreachable)
        return unreachable(printer.unreachable->why);
    if (printer.unknown)
        return unknownPrinter(request.printer, printer.match);
    if (request.kind == CalibrateRequest::Kind::Reset) {
        QString problem;
        const bool removed = calibrations.remove(printer.queue, &problem);
        if (!problem.isEmpty())
            return cannotStore(problem);
        return writeOut(QStringLiteral("%1: %2\n")
                            .arg(printer.deviceName,
                                 removed ? QStringLiteral("correction removed")
                                         : QStringLiteral("no correction was stored")))
                   ? 0
                   : cannotWriteOutput();
    }
    // The rulers this printer's sheet has, and what was measured of them.
    const std::optional<PageSetup> page = printerPage(printer, SheetRequest());
    if (!page)
        return 1;
    const calibration::Lengths lengths =
        calibration::lengthsFor(page->layout.paintRect(QPageLayout::Millimeter).size());
    Correction correction;
    for (const auto& [option, text, measured, mm, in, into] :
         {std::tuple{"--across", request.acrossText, request.across, lengths.acrossMm,
                     lengths.acrossIn, &correction.across},
          std::tuple{"--down", request.downText, request.down, lengths.downMm, lengths.downIn,
                     &correction.down}}) {
        const double nominal = measured.inches ? in * 25.4 : mm;
        *into = nominal / measured.millimetres;
        if (*into < Calibrations::lowest || *into > Calibrations::highest) {
            say(QStringLiteral("%1: %2 %3: the ruler runs to %4 %5 on this printer's sheet; "
                               "that is %6 off, more than a printer is (measure again)")
                    .arg(programName(), QLatin1String(option), text)
                    .arg(measured.inches ? in : mm)
                    .arg(measured.inches ? QStringLiteral("in") : QStringLiteral("mm"))
                    .arg(QStringLiteral("%1%").arg(std::abs(*into - 1) * 100, 0, 'f', 1)));
            return 2;
        }
    }
    if (const QString problem = calibrations.store(printer.queue, correction); !problem.isEmpty())
        return cannotStore(problem);
    return writeOut(QStringLiteral("%1: %2\n").arg(printer.deviceName, factors(correction)))
               ? 0
               : cannotWriteOutput();
}

} // namespace gridorra
