#pragma once

// The parts that the commands without a window share: their streams, the
// window as the store holds it, the printer chosen, its page, and the
// marks of a sheet. Export, print and calibrate (exportcommand.cpp,
// printcommand.cpp, calibratecommand.cpp) are built on them.
#include "core/errorreport.h"
#include "core/steplabels.h"
#include "core/steprunner.h"
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
#include "render/markmoves.h"
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

namespace gridorra::sheet {

// The streams of a command run inside the program (the window's menu): none
// for a command of its own process.
extern thread_local CommandStreams* t_streams;

// A line on standard error (or the streams passed in).
void say(const QString& line);
// Standard output's share of a command; false when it could not be written.
bool writeOut(const QString& text);
bool stderrIsTerminal();
// Only the toolkit's fatal messages reach standard error.
void onlyFatalMessages(QtMsgType type, const QMessageLogContext&, const QString& text);

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
        m_inches = request.inches ? *request.inches : run.test(label::load::unitIsInches, [&] {
            return number::toInt16(stored(keys::scale)) == 1;
        });
        if (request.colour)
            m_colour = *request.colour;
        else
            run.step(label::load::colour,
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

struct PageSetup {
    QPageLayout layout;
    int dpi = 600;
};

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

// The marks of the sheet the request asks for, on the canvas's printable
// area at `dpi`: the window's grid read by its job's steps (a failed step
// reported as the job reports it), another kind from the fields' values
// and its own options. Where the values make no sheet, no marks and why.
struct SheetMarks {
    Marks marks;
    QString refusal;
    // The even pages' marks of a double-sided notebook: the sheet in a
    // mirror, left for right as the sheet is read (before it is turned).
    std::optional<Marks> back = std::nullopt;
};

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

// The page of an export: the printer's, or the locale's paper with margins
// of 12 points at 600 dpi where there is no printer; then the request's.
PageSetup pageFor(const QString& queue, const SheetRequest& request,
                  PrintService* conversation = nullptr);
// The queue the request names (see CupsPrinters::match), or the default one.
Choice choosePrinter(const QString& name);
QString programName();
int cannotWriteOutput();
int unreachable(const QString& why);
int unknownPrinter(const QString& name, const CupsPrinters::Match& match);
void sayLocalePaper(const QString& why);
std::optional<PageSetup> printerPage(const Choice& printer, const SheetRequest& request);
std::function<void(QPainter&)> calibrationSheet(const QPageLayout& layout, int dpi,
                                                const QString& printer);
void sayTooDense(const GridWindow& window);
void sayInexact(const SheetRequest& request, const GridWindow& window);
void sayUnreadable(const StoredCorrection& entry, const QString& after = QString());
// The marks, centred where the request asks; with `turn`, laid out across
// the canvas's page turned and placed back on it (a landscape sheet on a
// printer's portrait page).
SheetMarks marksFor(const SheetRequest& request, const GridWindow& window,
                    const PrinterCanvas& canvas, int dpi, ErrorReporter& report, bool turn = false);
// The marks on a printable area of `area` twips, centred where asked, each
// weight in its colour (laidOut: as the kind lays them out from the
// printable corner).
SheetMarks marksOn(const SheetRequest& request, const GridWindow& window,
                   const PrinterCanvas& canvas, const QSizeF& area, int dpi, ErrorReporter& report);
SheetMarks laidOut(const SheetRequest& request, const GridWindow& window,
                   const PrinterCanvas& canvas, const QSizeF& area, int dpi, ErrorReporter& report);
// Runs the command with its streams passed in.
int runInProcess(const std::function<int()>& command, CommandStreams& streams);

// The sheet written to a file (exportcommand.cpp), and its copies printed
// (printcommand.cpp).
int exportSheet(const SheetRequest& request, const Choice& printer, const SettingsStore& store,
                const QString& title);
int printSheet(const SheetRequest& request, const Choice& printer, const SettingsStore& store,
               const QString& title);

} // namespace gridorra::sheet
