#include "sheetcommand.h"

#include "core/colour.h"
#include "core/messageboxes.h"
#include "core/number.h"
#include "core/product.h"
#include "core/programinfo.h"
#include "outputfile.h"
#include "render/canvas.h"
#include "render/cupsprinters.h"
#include "render/gridwindow.h"
#include "render/printercanvas.h"
#include "render/printjob.h"
#include "render/printservice.h"
#include "settings/keys.h"
#include "settings/settingsstore.h"
#include "settings/userregistry.h"

#include <QGuiApplication>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>

#include <cstdio>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace gridorra {

namespace {

void say(const QString& line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stderr);
    std::fflush(stderr);
}

bool stderrIsTerminal()
{
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
        if (field == 6 && m_request.kind == SheetRequest::Kind::Export)
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
        // On a terminal, each copy as it starts.
        if (value <= 0 || m_request.kind != SheetRequest::Kind::Print || !stderrIsTerminal())
            return;
        ++m_copy;
        say(QStringLiteral("copy %1 of %2").arg(m_copy).arg(qRound(m_copy * 100.0 / value)));
    }
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
};

// The boxes of the job ("Done.") have nothing to tell a script.
class NoBoxes : public MessageBoxes {
public:
    void show(const QString&, const QString&, Icon) override {}
};

// A PDF writer as the current printer: the one printer of an export.
class PdfWriterPrinters : public Printers {
public:
    explicit PdfWriterPrinters(QPdfWriter& writer) : m_writer(writer), m_canvas(writer) {}

    QStringList deviceNames() const override { return {}; }
    void refresh() override {}
    QString currentDeviceName() const override { return {}; }
    void makeCurrent(int) override { throw Failure(fail::printerError); }
    int printerScaleMode() const override { return Canvas::twips; }
    Canvas& canvas() override { return m_canvas; }
    void setJobTitle(const QString& title) override { m_canvas.setJobTitle(title); }

    // A sheet on which nothing could be drawn is still a page.
    void blankPageIfNothingWasDrawn()
    {
        if (m_canvas.documentsEnded() == 0)
            QPainter(&m_writer).end();
    }

private:
    QPdfWriter& m_writer;
    PrinterCanvas m_canvas;
};

struct PageSetup {
    QPageLayout layout;
    int dpi = 600;
};

// The page of an export: the printer's, or the locale's paper with margins
// of 12 points at 600 dpi where there is no printer; then the request's.
PageSetup pageFor(const QString& queue, const SheetRequest& request)
{
    PageSetup page;
    if (!queue.isEmpty()) {
        QPrinter printer(QPrinter::HighResolution);
        CupsPrinters::setUp(printer, queue);
        page.layout = printer.pageLayout();
        page.dpi = printer.resolution();
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
    return page;
}

// The queue the request names (by its listed name or its queue name), or
// the default one; empty when there is none.
struct Choice {
    QString queue;
    QString deviceName;
    bool unknown = false;
    std::optional<ServiceFailure> unreachable;
};
Choice choosePrinter(const QString& name)
{
    ServiceFailure failure;
    const QList<CupsPrinters::Queue> queues = CupsPrinters::queues(name.isEmpty(), &failure);
    if (!failure.why.isEmpty())
        return {{}, {}, false, failure};
    for (const auto& byDeviceName : {true, false})
        for (const CupsPrinters::Queue& q : queues)
            if (name.isEmpty() ? q.isDefault : (byDeviceName ? q.deviceName : q.name) == name)
                return {q.name, q.deviceName, false, std::nullopt};
    return {{}, {}, !name.isEmpty(), std::nullopt};
}

QString programName()
{
    return QCoreApplication::applicationName();
}

int unreachable(const QString& why)
{
    say(QStringLiteral("%1: cannot reach the print service: %2").arg(programName(), why));
    return 1;
}

int exportSheet(const SheetRequest& request, const Choice& printer, const SettingsStore& store,
                const QString& title)
{
    PageSetup page;
    try {
        QString why;
        if (!printer.queue.isEmpty() && !PrintService::answers(&why))
            return unreachable(why);
        page = pageFor(printer.queue, request);
    } catch (const Failure& failure) {
        say(QStringLiteral("%1: the printer \"%2\" gives no page: %3")
                .arg(programName(), printer.deviceName, failure.description()));
        return 1;
    }
    const QSizeF paper = page.layout.fullRect(QPageLayout::Point).size();
    if (request.margins && 2 * *request.margins >= std::min(paper.width(), paper.height())) {
        say(QStringLiteral("%1: --margins %2: leave no room on a page of %3 x %4 points")
                .arg(programName(), request.marginsText)
                .arg(paper.width())
                .arg(paper.height()));
        return 2;
    }

    const auto cannotWrite = [&](const QString& why) {
        say(QStringLiteral("%1: cannot write %2: %3").arg(programName(), request.file, why));
        return 1;
    };
    OutputFile file;
    if (!file.open(request.file))
        return cannotWrite(file.errorString());
    StderrReport report;
    StoredWindow window(store, request, QString(), report);
    NoBoxes boxes;
    UserRegistry registry;
    bool busy = false;
    {
        QPdfWriter writer(&file.device());
        writer.setResolution(page.dpi);
        writer.setPageLayout(page.layout);
        PdfWriterPrinters pdf(writer);
        PrintJobContext job{window, pdf, registry, boxes, report, title, busy};
        printJob(job);
        pdf.blankPageIfNothingWasDrawn();
    }
    if (!file.commit())
        return cannotWrite(file.errorString());
    return report.failures() > 0 ? 1 : 0;
}

int printSheet(const SheetRequest& request, const Choice& printer, const SettingsStore& store,
               const QString& title)
{
    if (printer.queue.isEmpty()) {
        say(QStringLiteral("%1: no default printer: name one with --printer").arg(programName()));
        return 1;
    }
    StderrReport report;
    StoredWindow window(store, request, printer.deviceName, report);
    NoBoxes boxes;
    UserRegistry registry;
    CupsPrinters printers;
    bool busy = false;
    PrintJobContext job{window, printers, registry, boxes, report, title, busy};
    printJob(job);
    // As in the window, a negative count prints nothing; a script is told.
    try {
        if (const qint16 copies = number::toInt16(window.fieldText(6)); copies < 0)
            say(QStringLiteral("%1: nothing printed: %2 is %3")
                    .arg(programName(), request.fields.contains(6)
                                            ? QStringLiteral("--copies")
                                            : QStringLiteral("the stored number of copies"))
                    .arg(copies));
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

} // namespace

int drawSheetWithoutWindow(char* program, const SheetRequest& request)
{
    qInstallMessageHandler(onlyFatalMessages);
    // No window is opened, so no display is needed: the minimal platform,
    // whatever -platform, QT_QPA_PLATFORM or the display say, and none of
    // the window system's options. (It starts without reading the fonts,
    // which lines do not need: an export then costs little more than
    // starting the program.)
    qputenv("QT_QPA_PLATFORM", "minimal");
    int argc = 1;
    char* argv[] = {program, nullptr};
    QGuiApplication app(argc, argv);
    const SettingsStore store(SettingsStore::Access::ReadOnly);
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
            say(QStringLiteral("%1: the print service does not answer: %2; the sheet is on "
                               "the paper of the locale")
                    .arg(programName(), printer.unreachable->why));
    }
    if (printer.unknown) {
        say(QStringLiteral("%1: no printer named \"%2\"").arg(programName(), request.printer));
        return 2;
    }
    return exporting ? exportSheet(request, printer, store, title)
                     : printSheet(request, printer, store, title);
}

} // namespace gridorra
