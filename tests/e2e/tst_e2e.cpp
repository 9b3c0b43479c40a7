// The installed program as a user meets it: a real window in a real X server,
// driven with xdotool, printing on a private CUPS scheduler.
#include "support/cupsqueues.h"
#include "support/pdfraster.h"
#include "support/silentsocket.h"

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

using namespace gridorra::test;

namespace {

// Centres of controls in the window, in pixels of its client area.
const QPoint text1(124, 39);
const QPoint text2(124, 67);
const QPoint text6(308, 123);
const QPoint startPrinting(268, 250);
const QPoint centimetres(216, 60);
const QPoint printerList(268, 207);
const QPoint previewInside(378, 114); // the preview's top-left pixel inside its border

QString xdotool(const QStringList& args, int timeoutMs = 20000)
{
    QProcess p;
    p.start(QStringLiteral("xdotool"), args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// The visible window whose title is exactly `title`, waiting for it.
QString windowTitled(const QString& title)
{
    QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired()) {
        const QString ids = xdotool(
            {"search", "--onlyvisible", "--name", "^" + QRegularExpression::escape(title) + "$"},
            5000);
        if (!ids.isEmpty())
            return ids.split('\n').last();
        QThread::msleep(50);
    }
    return {};
}

bool waitForWindowGone(const QString& id)
{
    QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        if (!xdotool({"search", "--onlyvisible", "--name", ".*"}).split('\n').contains(id))
            return true;
        QThread::msleep(50);
    }
    return false;
}

} // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT
private:
    QTemporaryDir home;
    QProcess program;
    QProcess windowManager;
    QString window;

    QString settingsFile() const { return home.filePath("config/Marnova.conf"); }
    QString settingsText() const
    {
        QFile f(settingsFile());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    bool waitForSetting(const QString& line)
    {
        QDeadlineTimer deadline(10000);
        while (!deadline.hasExpired()) {
            if (settingsText().split('\n').contains(line))
                return true;
            QThread::msleep(20);
        }
        return false;
    }

    // With `accessibility`, Qt's bridge to the accessibility bus is on, as
    // when a screen reader runs.
    // With `cupsServer`, the print service is that one: where it has no
    // printers, the companion printer's box comes before the window.
    void startProgram(bool accessibility = false, const QString& cupsServer = QString())
    {
        QFile::remove(settingsFile()); // every test starts as a first run
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (accessibility)
            env.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
        else
            env.remove("QT_LINUX_ACCESSIBILITY_ALWAYS_ON");
        env.insert("XDG_CONFIG_HOME", home.filePath("config"));
        env.insert("HOME", home.path());
        env.insert("PATH", home.filePath("bin") + ":" + env.value("PATH"));
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.remove("PRINTER");
        env.remove("LPDEST");
        if (!cupsServer.isEmpty())
            env.insert("CUPS_SERVER", cupsServer);
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(qEnvironmentVariable("GRIDORRA_EXE"), {});
        QVERIFY(program.waitForStarted());
        if (!cupsServer.isEmpty()) {
            const QString box = windowTitled("Gridorra");
            QVERIFY2(!box.isEmpty(), "the companion printer's box did not appear");
            xdotool({"windowfocus", "--sync", box});
            xdotool({"key", "Return"});
        }
        window = windowTitled("Gridorra Software");
        QVERIFY2(!window.isEmpty(), "the main window did not appear");
        xdotool({"windowfocus", "--sync", window});
    }

    // Orca, started on the program's window with its speech in the debug
    // log `name` (no audio is there); the log's path.
    QString startOrca(QProcess& orca, const QString& name)
    {
        const QString log = home.filePath(name);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home.path());
        env.insert("XDG_CONFIG_HOME", home.filePath("orca-config"));
        env.insert("XDG_DATA_HOME", home.filePath("orca-data"));
        orca.setProcessEnvironment(env);
        orca.start("orca", {"--debug-file=" + log, "--replace"});
        if (orca.waitForStarted())
            QTest::qWait(10000); // Orca finds the program's window
        return log;
    }
    // What Orca said, in order, once it is ended (it writes its log whole
    // when it ends).
    static QStringList spokenBy(QProcess& orca, const QString& log)
    {
        ::kill(pid_t(orca.processId()), SIGINT);
        if (!orca.waitForFinished(15000)) {
            orca.kill();
            orca.waitForFinished();
        }
        QFile file(log);
        QStringList said;
        if (!file.open(QIODevice::ReadOnly))
            return said;
        for (const QByteArray& line : file.readAll().split('\n'))
            if (const qsizetype at = line.indexOf("SPEECH OUTPUT: '"); at >= 0)
                said << QString::fromUtf8(line.mid(at + 16)).section(QLatin1Char('\''), 0, 0);
        return said;
    }

    void clickAt(QPoint p)
    {
        xdotool({"mousemove", "--window", window, QString::number(p.x()), QString::number(p.y()),
                 "click", "1"});
    }

    // A press and a release 100 ms apart, as a person clicks, with the
    // program's event loop running between them.
    void clickSlowlyAt(QPoint p)
    {
        xdotool({"mousemove", "--window", window, QString::number(p.x()), QString::number(p.y()),
                 "mousedown", "1", "sleep", "0.1", "mouseup", "1"});
    }
    // Answers the box of that title with Return.
    void dismissBox(const char* what, const QString& title = "Gridorra")
    {
        const QString box = windowTitled(title);
        QVERIFY2(!box.isEmpty(), what);
        xdotool({"windowfocus", "--sync", box});
        xdotool({"key", "Return"});
        QVERIFY(waitForWindowGone(box));
    }
    // The program's visible windows: the main one, and a list that is open.
    int visibleWindows()
    {
        return int(
            xdotool({"search", "--onlyvisible", "--pid", QString::number(program.processId())})
                .split('\n', Qt::SkipEmptyParts)
                .size());
    }

    QImage grab()
    {
        return QGuiApplication::primaryScreen()->grabWindow(window.toULongLong()).toImage();
    }

    // The window without the first field, where the text caret blinks.
    static QImage withoutCaret(QImage shot)
    {
        QPainter(&shot).fillRect(QRect(88, 28, 73, 22), Qt::black);
        return shot;
    }

    // The rows of the preview's first column that hold dark pixels.
    QList<int> previewRows()
    {
        const QImage shot = grab();
        QList<int> rows;
        for (int y = 0; y < 43; ++y)
            if (qGray(shot.pixel(previewInside.x() + 5, previewInside.y() + y)) < 100)
                rows << y;
        return rows;
    }

private slots:
    void initTestCase()
    {
        // A window manager, as on a desktop.
        windowManager.start("openbox", {});
        QVERIFY2(windowManager.waitForStarted(), "openbox did not start");
        QVERIFY2(!qEnvironmentVariableIsEmpty("GRIDORRA_EXE"), "run through tests/e2e/run-e2e");
        QVERIFY2(CupsQueues::available(), "the private CUPS scheduler is not running");
        // About one start in a hundred opens the home page: a browser that
        // only says yes.
        QDir(home.path()).mkpath("bin");
        QFile browser(home.filePath("bin/xdg-open"));
        QVERIFY(browser.open(QIODevice::WriteOnly));
        browser.write("#!/bin/sh\nexit 0\n");
        browser.close();
        browser.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                               QFileDevice::ExeOwner);
    }

    void cleanupTestCase()
    {
        windowManager.terminate();
        windowManager.waitForFinished();
    }

    void cleanup()
    {
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished();
        }
    }

    // A print service that takes the connection and never answers: the
    // window opens within seconds, with no printer to choose.
    void aStuckPrintServiceCostsSeconds()
    {
        const SilentSocket silent(home.filePath("silent.sock"));
        QVERIFY(silent.listening);
        QElapsedTimer clock;
        clock.start();
        startProgram(false, home.filePath("silent.sock"));
        QVERIFY2(clock.elapsed() < 15000, qPrintable(QString::number(clock.elapsed())));
    }

    // A click at a person's speed, with letters left in the first field: the
    // field's box first and alone, then the clicked control's own action.
    void aClickAtAPersonsSpeed_data()
    {
        QTest::addColumn<QPoint>("at");
        QTest::newRow("Start Printing") << startPrinting;
        QTest::newRow("Centimeters") << centimetres;
        QTest::newRow("the printer list") << printerList;
    }
    void aClickAtAPersonsSpeed()
    {
        QFETCH(QPoint, at);
        startProgram();
        clickAt(text1);
        xdotool({"key", "--delay", "30", "ctrl+a", "a", "b", "c"});
        QVERIFY(waitForSetting("Text1=abc"));
        const int before = CupsQueues::lastJob();
        const int windows = visibleWindows();
        clickSlowlyAt(at);
        dismissBox("no \"Must be a numeric value.\" box");
        QVERIFY(waitForSetting("Text1=0"));
        if (at == startPrinting) {
            // The job reads the count of 0 and reports it, as it always does.
            dismissBox("no report of the count of 0", "Application Error");
            dismissBox("no \"Done.\" box");
            QVERIFY(CupsQueues::waitUntilIdle());
            QCOMPARE(CupsQueues::jobsAfter(before).size(), 1);
        } else if (at == centimetres) {
            QVERIFY(waitForSetting("Scale=2"));
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(), windows + 1, 5000);
        }
    }

    void theWindowAsAUserMeetsIt()
    {
        startProgram();
        QCOMPARE(xdotool({"getwindowname", window}), QString("Gridorra Software"));
        const QString geometry = xdotool({"getwindowgeometry", window});
        QVERIFY2(geometry.contains("Geometry: 536x306"), qPrintable(geometry));
        // A first start stores the six fields.
        QVERIFY(waitForSetting("Text1=10"));
        QVERIFY(waitForSetting("Text6=1"));
        QCOMPARE(previewRows(), QList<int>({0, 1, 10, 19, 29, 39}));

        if (!qEnvironmentVariableIsEmpty("GRIDORRA_SCREENSHOT"))
            grab().save(qEnvironmentVariable("GRIDORRA_SCREENSHOT"));

        // Four lines per inch in the first field, then Tab: stored and drawn.
        xdotool({"key", "--delay", "30", "ctrl+a", "4", "Tab"});
        QVERIFY(waitForSetting("Text1=4"));
        QTRY_COMPARE_WITH_TIMEOUT(previewRows(), QList<int>({0, 1, 24}), 5000);

        // Letters in the second field: the box, dismissed with Enter, and 0.
        xdotool({"type", "--delay", "30", "abc"});
        QVERIFY(waitForSetting("Text2=abc"));
        xdotool({"key", "Tab"});
        const QString box = windowTitled("Gridorra");
        QVERIFY2(!box.isEmpty(), "no message box");
        xdotool({"windowfocus", "--sync", box});
        xdotool({"key", "Return"});
        QVERIFY(waitForWindowGone(box));
        QVERIFY(waitForSetting("Text2=0"));

        // A count of 0 cannot be printed: back to 10 before printing.
        xdotool({"windowfocus", "--sync", window});
        clickAt(text2);
        xdotool({"key", "--delay", "30", "ctrl+a", "1", "0"});
        QVERIFY(waitForSetting("Text2=10"));

        // Two copies on the default printer.
        clickAt(text6);
        xdotool({"key", "--delay", "30", "ctrl+a", "2"});
        QVERIFY(waitForSetting("Text6=2"));
        const int before = CupsQueues::lastJob();
        clickAt(startPrinting);
        const QString done = windowTitled("Gridorra");
        QVERIFY2(!done.isEmpty(), "no \"Done.\" box");
        QVERIFY(CupsQueues::waitUntilIdle());
        const auto jobs = CupsQueues::jobsAfter(before);
        QCOMPARE(jobs.size(), 2);
        QCOMPARE(jobs[0].second, QString("Office"));
        QCOMPARE(jobs[1].second, QString("Office"));
        xdotool({"windowfocus", "--sync", done});
        xdotool({"key", "Return"});
        QVERIFY(waitForWindowGone(done));
    }

    // The window as a screen reader reads it over the accessibility bus;
    // with the bridge on, not a pixel of it changes.
    void theWindowThroughTheAccessibilityBus()
    {
        QVERIFY2(!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"),
                 "run through tests/e2e/run-e2e, in a D-Bus session");
        startProgram(false);
        const QImage plain = withoutCaret(grab());
        cleanup();
        startProgram(true);
        QProcess reader;
        reader.start(QStringLiteral(ATSPI_TREE), {"gridorra"});
        QVERIFY(reader.waitForFinished(60000));
        const QString err = QString::fromUtf8(reader.readAllStandardError());
        QVERIFY2(reader.exitCode() == 0, qPrintable(err));
        QStringList tree;
        for (const QString& line : QString::fromUtf8(reader.readAllStandardOutput()).split('\n'))
            tree << line.trimmed();
        const QStringList expected = {
            "text | Number Of Lines, Horizotal: | horizontal grid lines per inch or per "
            "centimetre",
            "text | Number Of Lines, Vertical: | vertical grid lines per inch or per centimetre",
            "text | Lines Per Wide Line, Horizotal: | horizontal lines per wide horizontal line",
            "text | Lines Per Wide Line, Vertical: | vertical lines per wide vertical line",
            "text | Look Of Lines, Thickness: | thickness of an ordinary line, in printer dots",
            "text | Print Option, No. of Copies: | number of copies to print",
            "push button | Color | Line colour: black, #000000",
            "image | Preview (Hit Tab to update) | The top-left corner of the sheet, at the "
            "screen's nominal 96 dpi: 10 lines per inch across and 10 down; a wide line every 10 "
            "lines across and "
            "every 10 down; lines 1 px wide, wide lines 4 px; black, #000000",
            "combo box | Office |",
            "push button | Start Printing |",
            "progress bar | Progress Bar |",
        };
        for (const QString& line : expected)
            QVERIFY2(tree.contains(line), qPrintable(line + "\n--- the tree:\n" + tree.join('\n')));
        QCOMPARE(withoutCaret(grab()), plain);

        // The chosen printer and its label, read over the bus; Down on the
        // list (the control before the last) chooses the next one, and the
        // bus tells it.
        const auto printerList = [] {
            QProcess reader;
            reader.start(QStringLiteral(ATSPI_TREE), {"gridorra", "list"});
            reader.waitForFinished(60000);
            return QString::fromUtf8(reader.readAllStandardOutput()).trimmed();
        };
        QCOMPARE(printerList(), QString("Office | Select Printer"));
        xdotool({"windowfocus", "--sync", window});
        xdotool({"key", "--delay", "100", "shift+Tab", "shift+Tab", "Down"});
        QTRY_COMPARE_WITH_TIMEOUT(printerList(), QString("US Letter Printer | Select Printer"),
                                  10000);
    }

    // A field reset to "0" by its box is heard once the window is active
    // again: a screen reader passes over what an inactive window says.
    void aFieldsResetIsHeard()
    {
        startProgram(true);
        QProcess listener;
        listener.start(QStringLiteral(ATSPI_EVENTS), {"30"});
        QVERIFY(listener.waitForReadyRead(20000)); // listening
        clickAt(text1);
        xdotool({"key", "--delay", "30", "ctrl+a", "a", "b", "c", "Tab"});
        dismissBox("no \"Must be a numeric value.\" box");
        QVERIFY(waitForSetting("Text1=0"));
        QThread::msleep(1000); // the last events on their way
        listener.kill();
        listener.waitForFinished();
        const QStringList heard = QString::fromUtf8(listener.readAllStandardOutput()).split('\n');
        const qsizetype activated = heard.lastIndexOf("activate Gridorra Software");
        QVERIFY2(activated >= 0 &&
                     heard.mid(activated).contains("text Number Of Lines, Horizotal: 0"),
                 qPrintable(heard.join('\n')));
    }

    // What Orca itself says, read from its debug log (its speech, as no
    // audio is there): every printer chosen with the arrow keys on the
    // closed list, one change after another; one chosen in the open list; a
    // character typed in a field; and a field's reset to "0" once the box is
    // gone, while the focus is elsewhere.
    void whatOrcaSays()
    {
        QVERIFY2(!QStandardPaths::findExecutable("orca").isEmpty(),
                 "orca is not installed (scripts/install-deps)");
        startProgram(true);
        QProcess orca;
        const QString log = startOrca(orca, "orca.log");
        QVERIFY2(orca.state() == QProcess::Running, "orca did not start");
        xdotool({"windowactivate", "--sync", window});
        xdotool({"key", "--delay", "300", "shift+Tab", "shift+Tab"});
        // Every change on the closed list, a few seconds apart, over three
        // printers; then one chosen in the open list.
        for (const char* key : {"Down", "Up", "Up", "Down"}) {
            QTest::qWait(1500);
            xdotool({"key", key});
        }
        QTest::qWait(2000);
        xdotool({"key", "--delay", "500", "alt+Down", "Up", "Return"});
        QTest::qWait(2000);
        clickAt(text1);
        xdotool({"key", "--delay", "300", "ctrl+a", "7"});
        QTest::qWait(1000);
        xdotool({"key", "--delay", "30", "ctrl+a", "a", "b", "c", "Tab"});
        dismissBox("no \"Must be a numeric value.\" box");
        QTest::qWait(5000);
        const QStringList said = spokenBy(orca, log);
        qsizetype at = said.indexOf("Office combo box.");
        QVERIFY2(at >= 0, qPrintable(said.join('\n')));
        const QStringList expected{"notification US Letter Printer.",
                                   "notification Office.",
                                   "notification Marnova PDF Writer.",
                                   "notification Office.",
                                   "List with 5 items.",
                                   "Marnova PDF Writer combo box.",
                                   "7 ",
                                   "notification Number Of Lines, Horizotal: set to 0."};
        for (const QString& heard : expected) {
            const qsizetype next = said.indexOf(heard, at + 1);
            QVERIFY2(next > at, qPrintable(QString("not heard: \"%1\" after line %2 of\n%3")
                                               .arg(heard)
                                               .arg(at)
                                               .arg(said.join('\n'))));
            at = next;
        }
    }

    // The window's menu from the keyboard alone, with Orca listening:
    // Shift+F10 in a field opens its edit menu with the window's items at
    // the foot, and Orca says them; Ctrl+K opens Kind of
    // Paper, the arrow key chooses Dots and Return takes it; Ctrl+P prints,
    // and the job holds dots, not lines.
    void theMenuFromTheKeyboard()
    {
        QVERIFY2(!QStandardPaths::findExecutable("orca").isEmpty(),
                 "orca is not installed (scripts/install-deps)");
        startProgram(true);
        QProcess orca;
        const QString log = startOrca(orca, "orca-menu.log");
        QVERIFY2(orca.state() == QProcess::Running, "orca did not start");
        xdotool({"windowactivate", "--sync", window});
        // In the first field: its edit menu, the window's items at its foot.
        xdotool({"key", "shift+F10"});
        QTest::qWait(2000);
        xdotool({"key", "Up"});
        QTest::qWait(2000);
        xdotool({"key", "Up"});
        QTest::qWait(2000);
        xdotool({"key", "Escape"});
        QTest::qWait(1000);
        xdotool({"key", "ctrl+k"});
        const QString dialog = windowTitled("Kind of Paper");
        QVERIFY2(!dialog.isEmpty(), "no Kind of Paper dialog");
        QTest::qWait(2000);
        xdotool({"key", "Right"});
        QTest::qWait(2000);
        xdotool({"key", "Return"});
        QVERIFY(waitForWindowGone(dialog));
        QVERIFY(waitForSetting("Paper=dots"));
        const int before = CupsQueues::lastJob();
        xdotool({"windowactivate", "--sync", window});
        xdotool({"key", "ctrl+p"});
        dismissBox("no \"Done.\" box");
        QVERIFY(CupsQueues::waitUntilIdle());
        const auto jobs = CupsQueues::jobsAfter(before);
        QCOMPARE(jobs.size(), 1);
        // Dots: many marks, none longer than a dot (a grid's lines run
        // across the page).
        const QString pdf = CupsQueues::documentOf(jobs[0].first);
        const QSizeF page = pdfPageSize(pdf);
        const QImage sheet = rasterisePdf(
            pdf, 150, QRect(0, 0, int(page.width() / 72 * 150), int(page.height() / 72 * 150)));
        int marks = 0, longest = 0;
        for (int y = 0; y < sheet.height(); ++y) {
            const Runs runs = darkRunsInRow(sheet, y);
            marks += int(runs.size());
            for (const auto& run : runs)
                longest = std::max(longest, run.second - run.first + 1);
        }
        QVERIFY2(marks > 1000 && longest <= 4,
                 qPrintable(QString("%1 runs, the longest %2 pixels").arg(marks).arg(longest)));

        const QStringList said = spokenBy(orca, log);
        qsizetype at = -1;
        for (const QString heard : {"About Gridorra", "Help", "Kind of Paper", "Dots"}) {
            qsizetype next = at + 1;
            while (next < said.size() && !said[next].contains(heard))
                ++next;
            QVERIFY2(next < said.size(),
                     qPrintable(QString("not heard: \"%1\" after line %2 of\n%3")
                                    .arg(heard)
                                    .arg(at)
                                    .arg(said.join('\n'))));
            at = next;
        }
    }

    void killedRightAfterTypingLosesNothing()
    {
        startProgram();
        clickAt(text1);
        xdotool({"key", "--delay", "30", "ctrl+a", "7", "5"});
        QThread::msleep(300); // the keystrokes reach the program
        ::kill(pid_t(program.processId()), SIGKILL);
        QVERIFY(program.waitForFinished());
        QVERIFY(settingsText().split('\n').contains("Text1=75"));
    }
};

QTEST_MAIN(TestEndToEnd)
#include "tst_e2e.moc"
