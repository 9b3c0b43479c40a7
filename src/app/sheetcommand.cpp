#include "sheetcommand.h"

#include "core/colour.h"
#include "core/messageboxes.h"
#include "core/number.h"
#include "core/product.h"
#include "core/programinfo.h"
#include "render/canvas.h"
#include "render/cupsprinters.h"
#include "render/gridwindow.h"
#include "render/printercanvas.h"
#include "render/printjob.h"
#include "settings/keys.h"
#include "settings/settingsstore.h"
#include "settings/userregistry.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifndef Q_OS_WIN
#include <sys/stat.h>
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

// The controls' values as the window would hold them after its start-up:
// the stored texts, unit and colour, each replaced by the request's value
// where it gives one. Nothing is written back.
class StoredWindow : public GridWindow {
public:
    StoredWindow(const SettingsStore& store, const SheetRequest& request, QString printer)
        : m_store(store), m_request(request), m_printer(std::move(printer))
    {}

    quint32 lineColour() const override
    {
        if (m_request.colour)
            return *m_request.colour;
        // As the swatch takes it at start-up: a stored text that is no colour fails.
        return colour::checked(
            number::toInt32(m_store.read(keys::name(keys::colour), keys::defaultOf(keys::colour))));
    }
    QString fieldText(int field) const override
    {
        if (field == 6 && m_request.kind == SheetRequest::Kind::Export)
            return QStringLiteral("1"); // a file holds the sheet of one copy
        if (m_request.fields.contains(field))
            return m_request.fields.value(field);
        const keys::Key& key = keys::text[field - 1];
        return m_store.read(keys::name(key), keys::defaultOf(key));
    }
    bool inchesSelected() const override
    {
        if (m_request.inches)
            return *m_request.inches;
        // As the start-up selects it: 1 is inches, another number
        // centimetres, and a text that is no number inches.
        try {
            return number::toInt16(
                       m_store.read(keys::name(keys::scale), keys::defaultOf(keys::scale))) == 1;
        } catch (const Failure&) {
            return true;
        }
    }
    bool centimetresSelected() const override { return !inchesSelected(); }
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
    const SettingsStore& m_store;
    const SheetRequest& m_request;
    QString m_printer;
    int m_copy = 0;
};

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

// The boxes of the job ("Done.") have nothing to tell a script.
class NoBoxes : public MessageBoxes {
public:
    void show(const QString&, const QString&, Icon) override {}
};

// A PDF file as the current printer: the one printer of an export.
class PdfFilePrinters : public Printers {
public:
    PdfFilePrinters(const QString& file, const QPageLayout& layout, int dpi)
        : m_printer(QPrinter::HighResolution), m_canvas(m_printer)
    {
        m_printer.setOutputFormat(QPrinter::PdfFormat);
        m_printer.setOutputFileName(file);
        m_printer.setResolution(dpi);
        m_printer.setPageLayout(layout);
    }

    QStringList deviceNames() const override { return {}; }
    void refresh() override {}
    QString currentDeviceName() const override { return {}; }
    void makeCurrent(int) override { throw Failure(fail::printerError); }
    int printerScaleMode() const override { return Canvas::twips; }
    Canvas& canvas() override { return m_canvas; }
    void setJobTitle(const QString& title) override { m_canvas.setJobTitle(title); }

    // A sheet on which nothing could be drawn is still a page.
    void blankPageIfNothingWasDrawn(const QString& file)
    {
        if (QFileInfo(file).size() > 0)
            return;
        QPainter painter(&m_printer);
    }

private:
    QPrinter m_printer;
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
};
Choice choosePrinter(const QString& name)
{
    const QList<CupsPrinters::Queue> queues = CupsPrinters::queues(name.isEmpty());
    for (const auto& byDeviceName : {true, false})
        for (const CupsPrinters::Queue& q : queues)
            if (name.isEmpty() ? q.isDefault : (byDeviceName ? q.deviceName : q.name) == name)
                return {q.name, q.deviceName};
    return {{}, {}, !name.isEmpty()};
}

#ifndef Q_OS_WIN
// A new file's mode as the user's umask makes it.
void giveOrdinaryMode(const QString& file)
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(QFile::encodeName(file).constData(), 0666 & ~mask);
}
#endif

int exportSheet(const SheetRequest& request, const Choice& printer, const SettingsStore& store,
                const QString& title)
{
    PageSetup page;
    try {
        page = pageFor(printer.queue, request);
    } catch (const Failure& failure) {
        say(QStringLiteral("%1: the printer \"%2\" gives no page: %3")
                .arg(QCoreApplication::applicationName(), printer.deviceName,
                     failure.description()));
        return 1;
    }

    // The sheet is written beside the file and takes its name when whole:
    // a file that cannot be written is never left half made.
    const QFileInfo target(request.file);
    const auto cannotWrite = [&](const QString& why) {
        say(QStringLiteral("%1: cannot write %2: %3")
                .arg(QCoreApplication::applicationName(), request.file, why));
        return 1;
    };
    if (target.isDir())
        return cannotWrite(QStringLiteral("it is a folder"));
    QTemporaryFile partial(target.absolutePath() + QStringLiteral("/.") + target.fileName() +
                           QStringLiteral(".XXXXXX"));
    if (!partial.open())
        return cannotWrite(partial.errorString());
    partial.close();

    StoredWindow window(store, request, QString());
    StderrReport report;
    NoBoxes boxes;
    UserRegistry registry;
    bool busy = false;
    {
        PdfFilePrinters pdf(partial.fileName(), page.layout, page.dpi);
        PrintJobContext job{window, pdf, registry, boxes, report, title, busy};
        printJob(job);
        pdf.blankPageIfNothingWasDrawn(partial.fileName());
    }
    if (QFileInfo(partial.fileName()).size() == 0)
        return cannotWrite(QStringLiteral("nothing could be written"));
#ifndef Q_OS_WIN
    giveOrdinaryMode(partial.fileName());
#endif
    if (std::rename(QFile::encodeName(partial.fileName()).constData(),
                    QFile::encodeName(target.absoluteFilePath()).constData()) != 0)
        return cannotWrite(QString::fromLocal8Bit(std::strerror(errno)));
    partial.setAutoRemove(false);
    return report.failures() > 0 ? 1 : 0;
}

int printSheet(const SheetRequest& request, const Choice& printer, const SettingsStore& store,
               const QString& title)
{
    if (printer.queue.isEmpty()) {
        say(QStringLiteral("%1: no default printer: name one with --printer")
                .arg(QCoreApplication::applicationName()));
        return 1;
    }
    StoredWindow window(store, request, printer.deviceName);
    StderrReport report;
    NoBoxes boxes;
    UserRegistry registry;
    CupsPrinters printers;
    bool busy = false;
    PrintJobContext job{window, printers, registry, boxes, report, title, busy};
    printJob(job);
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

int drawSheetWithoutWindow(int& argc, char** argv, const SheetRequest& request)
{
    qInstallMessageHandler(onlyFatalMessages);
    // No window is opened, so no display is needed.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const SettingsStore store(SettingsStore::Access::ReadOnly);
    const QString title = appTitleFrom(product::name);
    const Choice printer = choosePrinter(request.printer);
    if (printer.unknown) {
        say(QStringLiteral("%1: no printer named \"%2\"")
                .arg(QCoreApplication::applicationName(), request.printer));
        return 2;
    }
    return request.kind == SheetRequest::Kind::Export ? exportSheet(request, printer, store, title)
                                                      : printSheet(request, printer, store, title);
}

} // namespace gridorra
