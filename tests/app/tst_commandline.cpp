// The program's command line, run as a user runs it: the executable itself.
#include <QProcess>
#include <QtTest>

namespace {

struct Run {
    int status = -1; // -1: still running, its window up
    QString out;
    QString err;
};

// Runs the program; one that is still running after `aliveMs` has started
// its window and is ended.
Run runProgram(const QStringList& args, bool withoutDisplay, int aliveMs = 3000)
{
    QTemporaryDir home; // the settings the window writes go there
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home.path());
    env.insert("XDG_CONFIG_HOME", home.path());
    if (withoutDisplay) {
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.remove("QT_QPA_PLATFORM");
    }
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(GRIDORRA_EXE), args);
    Run run;
    if (p.waitForFinished(aliveMs)) {
        run.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : 128;
    } else {
        p.kill();
        p.waitForFinished();
    }
    run.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(p.readAllStandardError());
    return run;
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
        const Run run = runProgram(args, withoutDisplay);
        QCOMPARE(run.status, status);
        QVERIFY2(run.out.contains(out), qPrintable(run.out));
        if (status > 0) {
            // One line that says what is wrong, nothing more.
            QCOMPARE(run.err.count('\n'), 1);
            QVERIFY2(run.err.startsWith(err), qPrintable(run.err));
        }
        if (status == 1)
            QVERIFY(run.err.contains("xvfb-run"));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
