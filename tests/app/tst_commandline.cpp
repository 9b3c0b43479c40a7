// The program's command line, run as a user runs it: the executable itself.
#include "support/pdfraster.h"
#include "support/programrun.h"

#include <QSettings>
#include <QtTest>

using namespace gridorra::test;

namespace {

// Runs the program with its settings in `home`; one that is still running
// after `aliveMs` has started its window and is ended. No printer is
// reachable: the scheduler's socket does not exist.
ProgramRun runIn(const QString& home, const QStringList& args, bool noDisplay, int aliveMs = 3000)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home);
    env.insert("XDG_CONFIG_HOME", home);
    env.insert("CUPS_SERVER", home + "/no-scheduler.sock");
    return runProgram(args, noDisplay ? withoutDisplay(env) : env, aliveMs, home);
}

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
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
        QTest::newRow("an unknown printer")
            << QStringList{"--print", "--printer", "Nowhere"} << true << 2 << ""
            << "gridorra: no printer named \"Nowhere\"";
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
        const ProgramRun run = runIn(home.path(), args, withoutDisplay);
        QCOMPARE(run.status, status);
        QVERIFY2(run.out.contains(out), qPrintable(run.out));
        if (status > 0) {
            // One line that says what is wrong, nothing more.
            QCOMPARE(run.err.count('\n'), 1);
            QVERIFY2(run.err.startsWith(err), qPrintable(run.err));
        }
        if (status == 1)
            QVERIFY(run.err.contains("xvfb-run"));
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
                                  "Gridorra2021/08/31.Form1.PushButton2_Click at line 120\n"));
        QVERIFY(
            !darkRunCentres(rasterisePdf(home.filePath("sheet.pdf"), 600, QRect(0, 300, 4960, 1)))
                 .isEmpty());

        QDir(home.path()).mkdir("folder");
        run = runIn(home.path(), {"--export", "folder"}, true);
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.startsWith("gridorra: cannot write folder:"), qPrintable(run.err));
        QCOMPARE(run.err.count('\n'), 1);
        run = runIn(home.path(), {"--export", "missing/sheet.pdf"}, true);
        QCOMPARE(run.status, 1);
        QCOMPARE(QDir(home.path()).entryList({"*.pdf", ".*"}, QDir::Files | QDir::Hidden),
                 QStringList({"sheet.pdf"}));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
