// A print service that answers the first few conversations and then takes
// connections without ever answering: every command and the window's job
// end within seconds, with the words the README gives for a service that
// cannot be reached.
#include "app/form1.h"
#include "app/pushbutton.h"
#include "render/print/cupsprinters.h"
#include "support/cupsqueues.h"
#include "support/pinlocale.h"
#include "support/programrun.h"
#include "support/stallingproxy.h"
#include "support/testservices.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QtTest>

#include <cups/cups.h>

using namespace gridorra;
using namespace gridorra::test;

class TestStalledService : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        pinLocale();
        QVERIFY2(CupsQueues::available(), "the private CUPS scheduler is not running");
    }

    void theCommandLine_data()
    {
        QTest::addColumn<int>("relayed");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("unreachable"); // what a failing run says
        for (int k = 1; k <= 8; ++k) {
            QTest::addRow("print, %d relayed", k)
                << k << QStringList{"--print", "--printer", "Office"}
                << "gridorra: cannot reach the print service: no answer within 3 seconds";
            // Never a failure: the locale's paper, and a word on it.
            QTest::addRow("export on the default paper, %d relayed", k)
                << k << QStringList{"--export", "d.pdf"} << "";
            QTest::addRow("export on a printer's paper, %d relayed", k)
                << k << QStringList{"--export", "o.pdf", "--printer", "Office"}
                << "gridorra: cannot reach the print service: no answer within 3 seconds";
        }
    }
    void theCommandLine()
    {
        QFETCH(int, relayed);
        QFETCH(QStringList, args);
        QFETCH(QString, unreachable);
        QTemporaryDir home;
        const StallingProxy proxy(home.filePath("cups.sock"), CupsQueues::socket(), relayed);
        QVERIFY(proxy.listening());
        QProcessEnvironment env = withoutDisplay(QProcessEnvironment::systemEnvironment());
        env.insert("HOME", home.path());
        env.insert("XDG_CONFIG_HOME", home.path());
        env.insert("CUPS_SERVER", home.filePath("cups.sock"));
        QElapsedTimer clock;
        clock.start();
        const ProgramRun run = runProgram(args, env, 20000, home.path());
        QVERIFY2(clock.elapsed() < 15000, qPrintable(QString::number(clock.elapsed())));
        if (unreachable.isEmpty()) {
            QCOMPARE(run.status, 0);
            QVERIFY(QFile::exists(home.filePath("d.pdf")));
            QVERIFY2(run.err.isEmpty() ||
                         (run.err.startsWith("gridorra: the print service does not answer: no "
                                             "answer within 3 seconds") &&
                          run.err.endsWith("the sheet is on the paper of the locale\n")),
                     qPrintable(run.err));
        } else {
            QVERIFY2(run.status == 0 ? run.err.isEmpty()
                                     : run.status == 1 && run.err.contains(unreachable),
                     qPrintable(QString("%1: %2").arg(run.status).arg(run.err)));
        }
    }

    // The window's job through the same code: a stalled service is a printer
    // error under the step that met it, and the job ends.
    void theWindowsJob_data()
    {
        QTest::addColumn<int>("relayed");
        for (int k = 0; k <= 8; ++k)
            QTest::addRow("%d relayed", k) << k;
    }
    void theWindowsJob()
    {
        QFETCH(int, relayed);
        IsolatedConfig config;
        QTemporaryDir folder;
        const QString socket = folder.filePath("cups.sock");
        const StallingProxy proxy(socket, CupsQueues::socket(), relayed);
        QVERIFY(proxy.listening());
        cupsSetServer(QFile::encodeName(socket).constData());
        const auto restore = qScopeGuard([] { cupsSetServer(nullptr); });
        QElapsedTimer clock;
        clock.start();
        TestServices services;
        services.random.value = 0.5f;
        CupsPrinters printers;
        Form1 form(services.services(printers));
        form.Form_Load();
        form.pushButton2()->click();
        QVERIFY2(clock.elapsed() < 15000, qPrintable(QString::number(clock.elapsed())));
        const QStringList said = services.boxes.said();
        QVERIFY2(!said.isEmpty() && said.last() == "Done.", qPrintable(said.join(" | ")));
        for (const auto& box : services.boxes.boxes.mid(0, said.size() - 1))
            QVERIFY2(
                box.text.startsWith("Printer error\r\n") ||
                    box.text.startsWith("Printer error: the print service does not answer\r\n") ||
                    box.text.contains("Marnova PDF Writer"),
                qPrintable(box.text));
        QVERIFY(!form.printBusy());
    }
};

QTEST_MAIN(TestStalledService)
#include "tst_stalledservice.moc"
