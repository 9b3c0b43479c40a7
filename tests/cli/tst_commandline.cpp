// The program's command line, run as a user runs it: the executable itself.
#include "render/calibrationsheet.h"
#include "support/inprocess.h"
#include "support/pdfraster.h"
#include "support/programrun.h"
#include "support/silentsocket.h"
#include "support/testservices.h"

#include <QImageReader>
#include <QSettings>
#include <QtTest>

#include <atomic>
#include <csignal>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace gridorra::test;

namespace {

// The settings in `home`, and no printer reachable: the scheduler's socket
// does not exist.
QProcessEnvironment environment(const QString& home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home);
    env.insert("XDG_CONFIG_HOME", home);
    env.insert("CUPS_SERVER", home + "/no-scheduler.sock");
    return env;
}

// Runs the program with its settings in `home`; one that is still running
// after `aliveMs` has started its window and is ended.
ProgramRun runIn(const QString& home, const QStringList& args, bool noDisplay, int aliveMs = 3000)
{
    const QProcessEnvironment env = environment(home);
    return runProgram(args, noDisplay ? withoutDisplay(env) : env, aliveMs, home);
}

// Whether the arguments are a command that runs as well in this process:
// a sheet, a calibration, with no option of Qt's, standard output or the
// window in it.
bool runsInProcess(const QStringList& args)
{
    const bool command = std::any_of(args.cbegin(), args.cend(), [](const QString& a) {
        return a.startsWith("--export") || a == "--print" || a.startsWith("--calibrat");
    });
    const bool apart = std::any_of(args.cbegin(), args.cend(), [](const QString& a) {
        return a == "-" || a == "-platform" || a == "-style" || a == "-display" ||
               a.startsWith("--help") || a == "--version";
    });
    return command && !apart;
}

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT
    IsolatedConfig config; // the store of the commands run in this process
private slots:
    void initTestCase()
    {
        // The commands run in this process: no print service.
        qputenv("CUPS_SERVER", QFile::encodeName(config.path() + "/no-scheduler.sock"));
    }

    void answers_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("withoutDisplay");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::newRow("--help, no display") << QStringList{"--help"} << true << 0 << "--version"
                                            << "";
        QTest::newRow("--version, no display")
            << QStringList{"--version"} << true << 0 << "gridorra "
            << "";
        QTest::newRow("--help-all lists Qt's options")
            << QStringList{"--help-all"} << true << 0 << "--platform <"
            << "";
        QTest::newRow("unknown option") << QStringList{"--bogus"} << false << 2 << ""
                                        << "gridorra: Unknown option 'bogus'.";
        QTest::newRow("stray argument") << QStringList{"sheet.pdf"} << false << 2 << ""
                                        << "gridorra: unexpected argument 'sheet.pdf'";
        // No display at all: one clear line, not the platform's abort.
        QTest::newRow("no display") << QStringList{} << true << 1 << ""
                                    << "gridorra: no display to open the window on";
        // Qt's own options are taken, and the window starts.
        QTest::newRow("-style -platform")
            << QStringList{"-style", "fusion", "-platform", "offscreen"} << true << -1 << ""
            << "";
        // A sheet drawn without the window: a value the field would refuse,
        // and a page that cannot be, are refused before anything is drawn.
        QTest::newRow("letters for a count")
            << QStringList{"--export", "x.pdf", "--lines-down", "abc"} << true << 2 << ""
            << "gridorra: --lines-down abc: Must be a numeric value.";
        QTest::newRow("unknown paper")
            << QStringList{"--export", "x.pdf", "--page-size", "B99"} << true << 2 << ""
            << "gridorra: --page-size B99:";
        QTest::newRow("negative margins")
            << QStringList{"--export", "x.pdf", "--margins", "-3"} << true << 2 << ""
            << "gridorra: --margins -3:";
        QTest::newRow("resolution too low")
            << QStringList{"--export", "x.pdf", "--resolution", "50"} << true << 2 << ""
            << "gridorra: --resolution 50:";
        QTest::newRow("not a colour")
            << QStringList{"--print", "--colour", "blue"} << true << 2 << ""
            << "gridorra: --colour blue:";
        QTest::newRow("a sheet option for the window")
            << QStringList{"--copies", "3"} << true << 2 << ""
            << "gridorra: --copies needs --export or --print";
        // No print service at all is not the same as an unknown printer.
        QTest::newRow("no print service, a printer named")
            << QStringList{"--print", "--printer", "Nowhere"} << true << 1 << ""
            << "gridorra: cannot reach the print service: ";
        QTest::newRow("no print service, the default printer")
            << QStringList{"--print"} << true << 1 << ""
            << "gridorra: cannot reach the print service: ";
        for (const char* m : {"nan", "inf", "-1e-9"})
            QTest::addRow("margins %s", m)
                << QStringList{"--export", "x.pdf", "--margins", m} << true << 2 << ""
                << QString("gridorra: --margins %1: give points, 0 or more").arg(m);
        for (const char* m : {"1e308", "297.5"})
            QTest::addRow("margins %s fill the page", m)
                << QStringList{"--export", "x.pdf", "--page-size", "A4", "--margins", m} << true
                << 2 << "" << QString("gridorra: --margins %1: leave no room").arg(m);
        QTest::newRow("an option twice")
            << QStringList{"--export", "x.pdf", "--lines-down", "abc", "--lines-down", "5"} << true
            << 2 << ""
            << "gridorra: --lines-down is given more than once";
        QTest::newRow("two files")
            << QStringList{"--export", "a.pdf", "--export", "b.pdf"} << true << 2 << ""
            << "gridorra: --export is given more than once";
        QTest::newRow("an option for a value")
            << QStringList{"--export", "--print"} << true << 2 << ""
            << "gridorra: --export --print: a value that looks like an option";
        // Calibration: lengths with their units, and the options that go together.
        QTest::newRow("a length without its unit")
            << QStringList{"--calibrate", "--printer", "Office", "--across",
                           "179.3",       "--down",    "250mm"}
            << true << 2 << ""
            << "gridorra: --across 179.3: give the length measured with its unit";
        QTest::newRow("a length that is no number")
            << QStringList{"--calibrate", "--printer", "Office", "--across",
                           "179mm",       "--down",    "abc mm"}
            << true << 2 << ""
            << "gridorra: --down abc mm: \"abc\" is no number";
        QTest::newRow("a ruler not measured")
            << QStringList{"--calibrate", "--printer", "Office", "--across", "179mm"} << true << 2
            << ""
            << "gridorra: --calibrate: give both rulers";
        QTest::newRow("no printer to calibrate")
            << QStringList{"--calibrate", "--across", "179mm", "--down", "250mm"} << true << 2 << ""
            << "gridorra: --calibrate: name the printer";
        QTest::newRow("a length without --calibrate")
            << QStringList{"--export", "x.pdf", "--across", "179mm"} << true << 2 << ""
            << "gridorra: --across goes with --calibrate";
        QTest::newRow("--calibrate with --export")
            << QStringList{"--calibrate", "--printer", "Office", "--reset", "--export", "x.pdf"}
            << true << 2 << ""
            << "gridorra: --export has no place with --calibrate";
        QTest::newRow("--reset with a length")
            << QStringList{"--calibrate", "--printer", "Office", "--reset", "--down", "250mm"}
            << true << 2 << ""
            << "gridorra: --reset removes the correction";
        QTest::newRow("an empty printer name")
            << QStringList{"--export", "x.pdf", "--printer", ""} << true << 2 << ""
            << "gridorra: --printer : give a printer's name";
        QTest::newRow("--calibrated with the calibration sheet")
            << QStringList{"--export",     "x.pdf",     "--calibration-sheet",
                           "--calibrated", "--printer", "Office"}
            << true << 2 << ""
            << "gridorra: --calibrated has no place on the calibration sheet";
        QTest::newRow("margins -inf")
            << QStringList{"--export", "x.pdf", "--margins", "-inf"} << true << 2 << ""
            << "gridorra: --margins -inf: give points, 0 or more";
        QTest::newRow("--calibrated without a printer")
            << QStringList{"--export", "x.pdf", "--calibrated"} << true << 2 << ""
            << "gridorra: --calibrated: name the printer";
        // Taken: the store's own signed form of a system colour, a window
        // system that is never used, and a value that looks like an option
        // where it is meant.
        QTest::newRow("a stored system colour")
            << QStringList{"--export", "x.pdf", "--page-size", "A4", "--colour", "-2147483633"}
            << true << 0 << ""
            << "";
        QTest::newRow("the least resolution")
            << QStringList{"--export", "x.pdf", "--page-size", "A4", "--resolution", "72"} << true
            << 0 << ""
            << "";
        QTest::newRow("no margins")
            << QStringList{"--export", "x.png", "--page-size", "A4", "--margins", "0"} << true << 0
            << ""
            << "";
        QTest::newRow("a notebook of two pages as an SVG")
            << QStringList{"--export", "x.svg", "--pages", "2"} << true << 2 << ""
            << "gridorra: --pages: a notebook is a PDF";
        QTest::newRow("a fraction of whole copies")
            << QStringList{"--export", "x.pdf", "--pages", "2.5"} << true << 2 << ""
            << "gridorra: --pages 2.5: give a whole number from 1 to 10000";
        QTest::newRow("-platform xcb, no display")
            << QStringList{"-platform", "xcb", "--export", "x.pdf", "--page-size", "A4"} << true
            << 0 << ""
            << "";
        QTest::newRow("--export=--print")
            << QStringList{"--export=--print", "--page-size", "A4"} << true << 0 << ""
            << "";
        QTest::newRow("-display, offscreen")
            << QStringList{"-platform", "offscreen", "-display", ":1", "-reverse"} << true << -1
            << ""
            << "";
    }
    void answers()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, withoutDisplay);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QTemporaryDir home;
        // Most rows in this process, their streams passed in; the window,
        // the answers and Qt's options in a process of their own.
        const ProgramRun run = runsInProcess(args) ? runInProcess(args, home.path())
                                                   : runIn(home.path(), args, withoutDisplay);
        QCOMPARE(run.status, status);
        QVERIFY2(run.out.contains(out), qPrintable(run.out));
        if (status > 0) {
            // One line that says what is wrong, nothing more.
            QCOMPARE(run.err.count('\n'), 1);
            QVERIFY2(run.err.startsWith(err), qPrintable(run.err));
        }
        if (args.isEmpty())
            QVERIFY(run.err.contains("xvfb-run"));
        if (status == 0)
            QCOMPARE(run.err, QString());
        // Nothing is left behind by a refusal.
        if (status > 0)
            QCOMPARE(QDir(home.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    // Without a printer or a display: the locale's paper (A4 here) with
    // margins of 12 points at 600 dpi. The first line lies 4 twips inside
    // the margin and the lines are 144 twips (60 dots) apart.
    void exportWithoutPrinterOrDisplay()
    {
        QTemporaryDir home;
        const ProgramRun run = runIn(home.path(), {"--export", "sheet.pdf"}, true);
        QCOMPARE(run.status, 0);
        QCOMPARE(run.err, QString()); // nothing on success
        const QString pdf = home.filePath("sheet.pdf");
        QCOMPARE(pdfPageSize(pdf), QSizeF(595, 842));
        const QImage row = rasterisePdf(pdf, 600, QRect(0, 300, 4960, 1));
        const QList<double> vertical = darkRunCentres(row);
        QVERIFY(vertical.size() > 10);
        for (int k = 0; k < vertical.size(); ++k)
            QVERIFY2(qAbs(vertical[k] - (100 + 4 / 2.4 + 60 * k)) <= 1.0,
                     qPrintable(QString("line %1 at %2").arg(k).arg(vertical[k])));
        // The settings are only read: the store is not made.
        QVERIFY(!QFile::exists(home.filePath("Marnova.conf")));
    }

    // The sheet begins at the printable area's exact corner, whatever the
    // margins: its first line's first dark column, at 600 dpi.
    void theOriginIsThePrintableCorner_data()
    {
        QTest::addColumn<QString>("margins");
        QTest::addColumn<int>("firstDark");
        QTest::newRow("12 pt") << "12" << 100;
        QTest::newRow("3.4 mm, a driverless printer's") << "9.6378" << 80;
        QTest::newRow("7.2 pt") << "7.2" << 60;
    }
    void theOriginIsThePrintableCorner()
    {
        QFETCH(QString, margins);
        QFETCH(int, firstDark);
        QTemporaryDir home;
        QCOMPARE(runIn(home.path(),
                       {"--export", "x.pdf", "--page-size", "A4", "--margins", margins,
                        "--resolution", "600"},
                       true)
                     .status,
                 0);
        const Runs runs =
            darkRunsInRow(rasterisePdf(home.filePath("x.pdf"), 600, QRect(0, 600, 400, 1)), 0);
        QVERIFY(!runs.isEmpty());
        QVERIFY2(qAbs(runs.first().first - firstDark) <= 1,
                 qPrintable(QString::number(runs.first().first)));
    }

    // Thin and wide lines are their widths in dots on both renderers a PDF
    // meets on its way to paper: poppler, and Ghostscript as CUPS runs it.
    void penWidthsOnEveryRenderer_data()
    {
        QTest::addColumn<bool>("ghostscript");
        QTest::addColumn<QString>("thickness");
        QTest::addColumn<int>("thin");
        QTest::addColumn<int>("wide");
        for (const bool gs : {false, true}) {
            QTest::addRow("%s, thickness 1", gs ? "Ghostscript" : "poppler") << gs << "1" << 1 << 4;
            QTest::addRow("%s, thickness 3", gs ? "Ghostscript" : "poppler") << gs << "3" << 3 << 6;
        }
    }
    void penWidthsOnEveryRenderer()
    {
        QFETCH(bool, ghostscript);
        QFETCH(QString, thickness);
        QFETCH(int, thin);
        QFETCH(int, wide);
        QTemporaryDir home;
        QCOMPARE(runIn(home.path(),
                       {"--export", "x.pdf", "--page-size", "A4", "--margins", "9.6378",
                        "--resolution", "600", "--thickness", thickness},
                       true)
                     .status,
                 0);
        const QString pdf = home.filePath("x.pdf");
        const QRect row(0, 600, 400, 1);
        const Runs runs = darkRunsInRow(ghostscript ? rasterisePdfWithGhostscript(pdf, 600, row)
                                                    : rasterisePdf(pdf, 600, row),
                                        0);
        QVERIFY(runs.size() > 2);
        QCOMPARE(runs[0].second - runs[0].first + 1, wide);
        QCOMPARE(runs[1].second - runs[1].first + 1, thin);
    }

    // The calibration sheet's marks lie where they say, to the dot: every
    // millimetre and every 1/16 inch of both rulers, from the start mark.
    void calibrationSheetMarks_data()
    {
        QTest::addColumn<bool>("across");
        QTest::addColumn<bool>("inches");
        QTest::newRow("across, mm") << true << false;
        QTest::newRow("across, inches") << true << true;
        QTest::newRow("down, mm") << false << false;
        QTest::newRow("down, inches") << false << true;
    }
    void calibrationSheetMarks()
    {
        QFETCH(bool, across);
        QFETCH(bool, inches);
        QTemporaryDir home;
        QCOMPARE(runIn(home.path(),
                       {"--calibration-sheet", "--export", "c.pdf", "--page-size", "A4",
                        "--margins", "12", "--resolution", "600"},
                       true)
                     .status,
                 0);
        using namespace gridorra::calibration;
        const double dpmm = 600 / 25.4, margin = 100; // 12 pt
        const Lengths lengths = lengthsFor(QSizeF(595.276 - 24, 841.89 - 24) / 72 * 25.4);
        // What the sheet's words say, on A4: as long as the page allows.
        QCOMPARE(lengths.acrossMm, 180);
        QCOMPARE(lengths.downMm, 240);
        // Just off the ruler's edge, on the side of the marks measured.
        const double edge = (across ? acrossEdge : downEdge) + (inches ? -1 : 1);
        const double start = across ? acrossStart : downStart;
        const int at = int(margin + edge * dpmm);
        QImage line = across ? rasterisePdf(home.filePath("c.pdf"), 600, QRect(0, at, 4960, 1))
                             : rasterisePdf(home.filePath("c.pdf"), 600, QRect(at, 0, 1, 7016))
                                   .transformed(QTransform().rotate(90));
        QList<double> marks = darkRunCentres(line);
        if (!across) { // top down, from the down ruler's start
            std::reverse(marks.begin(), marks.end());
            for (double& m : marks)
                m = 7016 - m;
            marks.erase(std::remove_if(marks.begin(), marks.end(),
                                       [&](double m) { return m < margin + (start - 1) * dpmm; }),
                        marks.end());
        }
        const double step = inches ? 25.4 / 16 : 1;
        const int count = (inches ? 16 * (across ? lengths.acrossIn : lengths.downIn)
                                  : (across ? lengths.acrossMm : lengths.downMm)) +
                          1;
        QCOMPARE(marks.size(), count);
        for (int k = 0; k < count; ++k)
            QVERIFY2(qAbs(marks[k] - (margin + (start + k * step) * dpmm)) <= 1,
                     qPrintable(QString("mark %1 at %2").arg(k).arg(marks[k])));

        // Between the longest marks (5 mm) and the labels, 6 mm from the
        // edge, only the start mark crosses: no label touches a mark.
        const int clear =
            int(margin + ((across ? acrossEdge : downEdge) + (inches ? -6 : 6)) * dpmm);
        line = across ? rasterisePdf(home.filePath("c.pdf"), 600, QRect(0, clear, 4960, 1))
                      : rasterisePdf(home.filePath("c.pdf"), 600, QRect(clear, 0, 1, 7016))
                            .transformed(QTransform().rotate(90));
        marks = darkRunCentres(line);
        if (!across)
            marks.erase(
                std::remove_if(marks.begin(), marks.end(),
                               [&](double m) { return 7016 - m < margin + (start - 1) * dpmm; }),
                marks.end());
        QCOMPARE(marks.size(), 1);
    }

    // An SVG or a PNG of the sheet where the name or --format asks for one,
    // at true size: the SVG's lines where the PDF's are, the PNG's on the
    // dots of the PDF at the PNG's resolution; refused where it cannot be.
    void otherFormats_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("err");
        const QStringList sheet{"--page-size", "Letter",         "--lines-down",
                                "10",          "--lines-across", "10"};
        QTest::newRow("svg") << QStringList{"--export", "s.SVG"} + sheet << 0 << "";
        QTest::newRow("png") << QStringList{"--export", "s.png"} + sheet << 0 << "";
        QTest::newRow("png at 600 dpi")
            << QStringList{"--export", "s.png", "--resolution", "600"} + sheet << 0 << "";
        QTest::newRow("another extension")
            << QStringList{"--export", "s.jpg"} + sheet << 2
            << "gridorra: unknown format .jpg: use .pdf, .svg or .png, or --format\n";
        QTest::newRow("another format") << QStringList{"--export", "s", "--format", "gif"} << 2
                                        << "gridorra: --format gif: give pdf, svg or png\n";
        QTest::newRow("a PNG too large")
            << QStringList{"--export", "s.png", "--page-size", "A0", "--resolution", "1200"} << 2
            << "gridorra: a PNG of 39733 x 56167 pixels (1200 dpi) is too large: at most 20000 "
               "on a side and 400 megapixels\n";
    }
    void otherFormats()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, err);
        QTemporaryDir home;
        const ProgramRun run = runIn(home.path(), args, true);
        QCOMPARE(run.status, status);
        QCOMPARE(run.err, err);
        if (status != 0) {
            QVERIFY(QDir(home.path()).entryList(QDir::Files).isEmpty());
            return;
        }
        // The PDF of the same sheet at the same resolution (600 dpi where
        // none is given, as the SVG's), and a row an inch down in both.
        const QString file = home.filePath(args[1]);
        const bool png = file.endsWith(".png");
        const int dpi = args.contains("600") ? 600 : png ? 300 : 720;
        QCOMPARE(runIn(home.path(),
                       QStringList{"--export", "s.pdf", "--resolution",
                                   QString::number(dpi == 720 ? 600 : dpi)} +
                           args.mid(2).filter(QRegularExpression("^(?!--resolution|600)")),
                       true)
                     .status,
                 0);
        QImageReader::setAllocationLimit(1024); // a page at 720 dpi
        QImage page;
        if (png) {
            QVERIFY(page.load(file));
            QCOMPARE(page.size(), QSize(8.5 * dpi, 11 * dpi));
            QCOMPARE(page.dotsPerMeterX(), qRound(dpi / 0.0254));
        } else {
            QFile svg(file);
            QVERIFY(svg.open(QIODevice::ReadOnly));
            const QByteArray text = svg.readAll();
            QVERIFY(text.contains("width=\"215.900mm\" height=\"279.400mm\""));
            QVERIFY(text.contains("<title>Gridorra"));
            QProcess rsvg;
            rsvg.start("rsvg-convert", {"-b", "white", "-d", "720", "-p", "720", "-o",
                                        home.filePath("svg.png"), file});
            QVERIFY(rsvg.waitForFinished(30000) && rsvg.exitCode() == 0);
            QVERIFY(page.load(home.filePath("svg.png")));
            QCOMPARE(page.size(), QSize(8.5 * dpi, 11 * dpi));
        }
        const QImage row = page.copy(0, dpi, page.width(), 1);
        const QImage pdfRow =
            rasterisePdf(home.filePath("s.pdf"), dpi, QRect(0, dpi, page.width(), 1));
        const Runs lines = darkRunsInRow(row, 0), pdfLines = darkRunsInRow(pdfRow, 0);
        QCOMPARE(lines.size(), pdfLines.size());
        for (qsizetype k = 0; k < lines.size(); ++k) {
            const int tolerance = png ? 0 : 1;
            QVERIFY2(qAbs(lines[k].first - pdfLines[k].first) <= tolerance &&
                         qAbs(lines[k].second - pdfLines[k].second) <= tolerance,
                     qPrintable(QString("line %1 at %2..%3, the PDF's at %4..%5")
                                    .arg(k)
                                    .arg(lines[k].first)
                                    .arg(lines[k].second)
                                    .arg(pdfLines[k].first)
                                    .arg(pdfLines[k].second)));
        }
    }

    // A stored value that fails a step: reported in the report's words, the
    // rest drawn, status 1. A file that cannot be written: one line, status 1.
    void failuresOfAnExport()
    {
        QTemporaryDir home;
        {
            QSettings store(home.filePath("Marnova.conf"), QSettings::IniFormat);
            store.setValue("Gridorra Software/Text5", "abc");
        }
        ProgramRun run = runIn(home.path(), {"--export", "sheet.pdf"}, true);
        QCOMPARE(run.status, 1);
        QCOMPARE(run.err, QString("gridorra: Type mismatch in "
                                  "Gridorra2021/08/31.Form1.PushButton2_Click at line 120\n"
                                  "gridorra: nothing was written to sheet.pdf\n"));

        QDir(home.path()).mkdir("folder");
        run = runIn(home.path(), {"--export", "folder"}, true);
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.startsWith("gridorra: cannot write folder:"), qPrintable(run.err));
        QCOMPARE(run.err.count('\n'), 1);
        run = runIn(home.path(), {"--export", "missing/sheet.pdf"}, true);
        QCOMPARE(run.status, 1);
        QCOMPARE(QDir(home.path()).entryList({"*.pdf", ".*"}, QDir::Files | QDir::Hidden),
                 QStringList());
    }

    // What stands at the target's name, and how the program is started: in a
    // folder of its own, prepared, run and checked by the shell, as a script
    // would. No row leaves a part-file behind.
    void target_data()
    {
        QTest::addColumn<QString>("prepare");
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("err");
        QTest::addColumn<QString>("verify");
        const QString exportT = "\"$G\" --export t.pdf --page-size A4";
        const QString isPdf = "head -c 5 t.pdf | grep -q %PDF- && tail -c 7 t.pdf | grep -q %%EOF";
        QTest::newRow("read-only file")
            << "echo old > t.pdf; chmod 444 t.pdf" << exportT << 1
            << "gridorra: cannot write t.pdf: Permission denied\n"
            << "test \"$(cat t.pdf)\" = old && test $(stat -c %a t.pdf) = 444";
        QTest::newRow("a file of the owner's only")
            << "echo old > t.pdf; chmod 600 t.pdf" << exportT << 0 << ""
            << isPdf + " && test $(stat -c %a t.pdf) = 600";
        QTest::newRow("a new file takes the umask's mode")
            << ""
            << "umask 027; " + exportT << 0 << "" << isPdf + " && test $(stat -c %a t.pdf) = 640";
        QTest::newRow("a link") << "mkdir d; echo old > d/real.pdf; ln -s d/real.pdf t.pdf"
                                << exportT << 0 << ""
                                << "test -L t.pdf && head -c 5 d/real.pdf | grep -q %PDF-";
        QTest::newRow("a named pipe")
            << "mkfifo t.pdf; (cat t.pdf > got & echo $! > reader)" << exportT << 0
            << ""
            // The reader ends when the sheet's writer closes the pipe.
            << "while kill -0 $(cat reader) 2>/dev/null; do sleep 0.05; done; "
               "test -p t.pdf && grep -q %%EOF got";
        QTest::newRow("standard output")
            << ""
            << "\"$G\" --export - --page-size A4 > got" << 0 << ""
            << "head -c 5 got | grep -q %PDF- && tail -c 7 got | grep -q %%EOF && test ! -e ./-";
        // A run that fails leaves the target as it was; output that cannot be
        // written fails; no PDF onto a terminal.
        const QString failedStep = "gridorra: Type mismatch in "
                                   "Gridorra2021/08/31.Form1.PushButton2_Click at line 136\n";
        QTest::newRow("a failed step keeps the file")
            << "echo old > t.pdf" << exportT + " --lines-down ''" << 1
            << failedStep + "gridorra: nothing was written to t.pdf\n"
            << "test \"$(cat t.pdf)\" = old";
        QTest::newRow("a failed step makes no file")
            << ""
            << "\"$G\" --export - --page-size A4 --lines-down '' > got" << 1
            << failedStep + "gridorra: nothing was written to standard output\n"
            << "test ! -s got";
        QTest::newRow("standard output closed")
            << ""
            << "\"$G\" --export - --page-size A4 >&-" << 1
            << "gridorra: cannot write standard output: Bad file descriptor\n"
            << "true";
        QTest::newRow("--help, standard output closed")
            << ""
            << "\"$G\" --help >&-" << 1
            << "gridorra: cannot write to standard output: Bad file descriptor\n"
            << "true";
        QTest::newRow("--calibration on a full disk")
            << ""
            << "\"$G\" --calibration > /dev/full" << 1
            << "gridorra: cannot write to standard output: No space left on device\n"
            << "true";
        QTest::newRow("standard output a terminal")
            << ""
            << "script -qec '\"$G\" --export - --page-size A4' /dev/null > got" << 2 << ""
            << "grep -q 'not writing a PDF to a terminal; use a file name or a pipe' got && "
               "! grep -q %PDF got";
        QTest::newRow("lines closer than a twip")
            << "" << exportT + " --unit cm --lines-down 1200" << 0
            << "gridorra: 1200 horizontal lines per centimetre are closer than a twip (1/1440 "
               "inch) and cannot be drawn; one horizontal line is drawn, the first\ngridorra: "
               "the grid's vertical lines are 1.005 mm apart, not 1 mm (the window's whole "
               "twips); --exact-lengths draws them exact\n"
            << isPdf;
        QTest::newRow("/dev/stdout")
            << ""
            << "\"$G\" --export /dev/stdout --page-size A4 > got" << 0 << ""
            << "tail -c 7 got | grep -q %%EOF";
        const QString longest(255, 'n');
        QTest::newRow("a name of 255 bytes")
            << ""
            << "\"$G\" --export " + longest + " --page-size A4" << 0 << ""
            << "test -s " + longest;
        QTest::newRow("a name of 256 bytes")
            << ""
            << "\"$G\" --export " + longest + "n --page-size A4" << 1
            << "gridorra: cannot write " + longest + "n: File name too long\n"
            << "test -z \"$(ls)\"";
        QTest::newRow("a folder") << "mkdir t.pdf" << exportT << 1
                                  << "gridorra: cannot write t.pdf: Is a directory\n"
                                  << "test -d t.pdf";
        // Standard descriptors closed: the report goes nowhere, not into the PDF.
        // (A count of 1 on this page overflows while the lines are drawn.)
        QTest::newRow("closed standard descriptors")
            << "printf '[Gridorra%%20Software]\\nText1=1\\n' > ../Marnova.conf"
            << "\"$G\" --export t.pdf --page-size A2 --margins 24 <&- >&- 2>&-" << 1 << ""
            << "test ! -e t.pdf";
        // The store read as the start-up reads it: its reports; a sheet
        // that was not drawn as asked is not written.
        QTest::newRow("a stored colour and unit the start-up reports")
            << "printf '[Gridorra%%20Software]\\nColor=blue\\nScale=x\\n' > ../Marnova.conf"
            << exportT << 1
            << "gridorra: Type mismatch in Gridorra2021/08/31.Form1.Form_Load at line 140\n"
               "gridorra: Type mismatch in Gridorra2021/08/31.Form1.Form_Load at line 146\n"
               "gridorra: nothing was written to t.pdf\n"
            << "test ! -e t.pdf";
        // An empty field passes, as the window's does; the job reports it.
        QTest::newRow("an empty field")
            << "" << exportT + " --thickness ''" << 1
            << "gridorra: Type mismatch in Gridorra2021/08/31.Form1.PushButton2_Click at line "
               "120\ngridorra: nothing was written to t.pdf\n"
            << "test ! -e t.pdf";
        // Numbers are read in the user's locale, every one of them.
        QTest::newRow("decimal commas")
            << ""
            << "LC_ALL=de_DE.UTF-8 " + exportT + " --margins 12,5 --thickness 2,5" << 0 << ""
            << isPdf;
        QTest::newRow("help on a full disk") << ""
                                             << "\"$G\" --help > /dev/full" << 1
                                             << "gridorra: cannot write to standard output: "
                                                "No space left on device\n"
                                             << "true";
    }
    void target()
    {
        QFETCH(QString, prepare);
        QFETCH(QString, command);
        QFETCH(int, status);
        QFETCH(QString, err);
        QFETCH(QString, verify);
        QTemporaryDir home;
        QVERIFY(QDir(home.path()).mkdir("out"));
        const QString out = home.filePath("out");
        const ProgramRun prepared = runScript(prepare, environment(home.path()), 10000, out);
        QCOMPARE(prepared.status, 0);
        const ProgramRun run = runScript(command, environment(home.path()), 30000, out);
        QCOMPARE(run.status, status);
        QCOMPARE(run.err, err);
        const ProgramRun verified = runScript(verify, environment(home.path()), 10000, out);
        QVERIFY2(verified.status == 0,
                 qPrintable(QDir(out)
                                .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)
                                .join(' ')));
        QCOMPARE(
            QDir(out).entryList({".*"}, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList());
    }

    // A disk that fills while the sheet is written: the failure is told, and
    // the good file from before stays as it was.
    void aDiskThatFills()
    {
        if (runProgram({"-m", "true"}, QProcessEnvironment::systemEnvironment(), 10000, {},
                       "unshare")
                .status != 0)
            QSKIP("no mount namespace of our own here (needs root)");
        QTemporaryDir home;
        const ProgramRun run = runProgram(
            {"-m", "sh", "-c",
             "mount -t tmpfs -o size=64k tmpfs \"$D\" && cd \"$D\" || exit 9\n"
             "\"$G\" --export t.pdf --page-size Letter --lines-down 100 --lines-across 100 "
             "|| exit 8\n"
             "before=$(md5sum < t.pdf)\n"
             // Leave 8 KiB: the second sheet starts to fit, then does not.
             "dd if=/dev/zero of=fill bs=1k count=$(($(df --output=avail -k . | tail -1) - 8)) "
             "2>/dev/null\n"
             "\"$G\" --export t.pdf --page-size Letter --lines-down 1440 --lines-across 1440\n"
             "echo status $?\n"
             "test \"$(md5sum < t.pdf)\" = \"$before\" && echo intact\n"
             "ls -A"},
            [&] {
                QProcessEnvironment env = environment(home.path());
                env.insert("D", home.path());
                env.insert("G", GRIDORRA_EXE);
                return env;
            }(),
            60000, {}, "unshare");
        QCOMPARE(run.out, QString("status 1\nintact\nfill\nt.pdf\n"));
        // The first sheet's whole twips are said once it is written; the
        // second, never written, says only why.
        QCOMPARE(run.err, QString("gridorra: the grid's lines are 0.0097 in apart both ways, not "
                                  "0.01 in (the window's whole twips); --exact-lengths draws "
                                  "them exact\ngridorra: cannot write t.pdf: No space left on "
                                  "device\n"));
    }

    // Ended by a signal while it writes: nothing is left behind but the old file.
    void endedBySignal_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGHUP") << int(SIGHUP);
        QTest::newRow("SIGKILL") << int(SIGKILL);
    }
    void endedBySignal()
    {
        QFETCH(int, signal);
        QTemporaryDir home;
        QVERIFY(QDir(home.path()).mkdir("out"));
        const QString out = home.filePath("out");
        QFile old(out + "/t.pdf");
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        // Told by the folder itself when the export opens its new file there
        // (a file without a name until it is whole: the folder is opened).
        const int watch = inotify_init1(IN_CLOEXEC);
        QVERIFY(inotify_add_watch(watch, QFile::encodeName(out).constData(), IN_OPEN) >= 0);
        const auto unwatch = qScopeGuard([&] { ::close(watch); });
        QProcess p;
        p.setProcessEnvironment(environment(home.path()));
        p.setWorkingDirectory(out);
        p.start(GRIDORRA_EXE, {"--export", "t.pdf", "--page-size", "Letter", "--lines-down", "1440",
                               "--lines-across", "1440"});
        QVERIFY(p.waitForStarted());
        const auto stop = qScopeGuard([&] {
            p.kill();
            p.waitForFinished();
        });
        pollfd opened{watch, POLLIN, 0};
        QVERIFY(::poll(&opened, 1, 20000) == 1);
        // The new file is among the export's open files.
        bool writing = false;
        const QString fds = QString("/proc/%1/fd/").arg(p.processId());
        for (const QString& fd : QDir(fds).entryList(QDir::AllEntries | QDir::System)) {
            char target[4096];
            const ssize_t n = ::readlink(QFile::encodeName(fds + fd), target, sizeof target);
            writing =
                writing ||
                (n > 0 && QFile::decodeName(QByteArray(target, int(n))).startsWith(out + "/"));
        }
        QVERIFY2(writing, "the export ended before it could be interrupted");
        ::kill(pid_t(p.processId()), signal);
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitStatus(), QProcess::CrashExit);
        QCOMPARE(QDir(out).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList({"t.pdf"}));
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old"));
    }

    // In a folder that others may write, one who swaps every new name for a
    // link to the user's own file: that file stays as it was.
    void aFolderOthersWrite()
    {
        QTemporaryDir home;
        QVERIFY(QDir(home.path()).mkdir("shared"));
        const QString shared = home.filePath("shared");
        const QByteArray victim = QFile::encodeName(home.filePath("secret"));
        QFile secret(victim);
        QVERIFY(secret.open(QIODevice::WriteOnly) && secret.write("secret") == 6);
        secret.close();
        QVERIFY(secret.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        const int watch = inotify_init1(IN_NONBLOCK);
        QVERIFY(inotify_add_watch(watch, QFile::encodeName(shared).constData(), IN_CREATE) >= 0);
        const int folder = ::open(QFile::encodeName(shared).constData(), O_DIRECTORY);
        std::atomic<bool> done = false;
        std::atomic<int> swapped = 0;
        std::thread attacker([&] {
            alignas(inotify_event) char buffer[4096];
            while (!done) {
                const ssize_t n = ::read(watch, buffer, sizeof buffer);
                for (ssize_t at = 0; at < n;) {
                    const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
                    if (e->len && e->name[0] == '.' && ::unlinkat(folder, e->name, 0) == 0 &&
                        ::symlinkat(victim.constData(), folder, e->name) == 0)
                        ++swapped;
                    at += qsizetype(sizeof(inotify_event) + e->len);
                }
            }
        });
        // The hidden name held (by strace) for half a second after it
        // is made: time for the attacker to put a link under it. (The leak
        // checker of a sanitizer build does not run under a tracer.)
        QProcessEnvironment traced = environment(home.path());
        traced.insert("ASAN_OPTIONS", "detect_leaks=0");
        QList<int> statuses;
        for (int i = 0; i < 3; ++i)
            statuses << runProgram({"-f", "-qq", "-o", "/dev/null", "-e",
                                    "inject=linkat:delay_exit=500000", "--", GRIDORRA_EXE,
                                    "--export", "t.pdf", "--page-size", "A4"},
                                   traced, 30000, shared, "strace")
                            .status;
        done = true;
        attacker.join();
        ::close(folder);
        ::close(watch);
        QVERIFY(secret.open(QIODevice::ReadOnly));
        QCOMPARE(secret.readAll(), QByteArray("secret"));
        struct stat st {};
        QCOMPARE(::stat(victim.constData(), &st), 0);
        QCOMPARE(st.st_mode & 07777, 0600u);
        // The target never became the attacker's link: a swapped name is
        // refused (the first export made the file, with no hidden name).
        QCOMPARE(statuses, QList<int>({0, 1, 1}));
        QVERIFY(swapped >= 2);
        QVERIFY(!QFileInfo(shared + "/t.pdf").isSymLink());
    }

    // A print service that takes the connection and never answers: the waits
    // are bounded, and an export that names its paper does not ask it.
    void aSilentPrintService_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("err");
        QTest::newRow("export of a named paper")
            << QStringList{"--export", "x.pdf", "--page-size", "A4"} << 0 << "";
        QTest::newRow("export on the default printer's paper")
            << QStringList{"--export", "x.pdf"} << 0
            << "gridorra: the print service does not answer: no answer within 3 seconds";
        QTest::newRow("print") << QStringList{"--print"} << 1
                               << "gridorra: cannot reach the print service: no answer within 3 "
                                  "seconds";
    }
    void aSilentPrintService()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, err);
        QTemporaryDir home;
        const SilentSocket silent(home.filePath("silent.sock"));
        QVERIFY(silent.listening);
        QProcessEnvironment env = environment(home.path());
        env.insert("CUPS_SERVER", home.filePath("silent.sock"));
        const ProgramRun run = runProgram(args, withoutDisplay(env), 15000, home.path());
        QCOMPARE(run.status, status);
        QVERIFY2(err.isEmpty() ? run.err.isEmpty()
                               : run.err.startsWith(err) && run.err.count('\n') == 1,
                 qPrintable(run.err));
        QCOMPARE(QFile::exists(home.filePath("x.pdf")), status == 0);
    }
};

QTEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"
