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

namespace {

// A print service on 127.0.0.1 that misbehaves in the way asked for
// (tests/cups/misbehaving-server.py): it sends its answer a byte a second,
// redirects every request to itself, or answers with bytes that are no
// HTTP.
class MisbehavingServer {
public:
    explicit MisbehavingServer(const QString& mode)
    {
        const QString portFile = m_dir.filePath("port");
        m_server.start("python3", {MISBEHAVING_SERVER, mode, portFile});
        QDeadlineTimer ready(10000);
        while (!QFile::exists(portFile) && !ready.hasExpired())
            QThread::msleep(20);
        QFile file(portFile);
        if (file.open(QIODevice::ReadOnly))
            m_address = "127.0.0.1:" + QString::fromLatin1(file.readAll()).trimmed();
    }
    ~MisbehavingServer()
    {
        m_server.kill();
        m_server.waitForFinished(5000);
    }
    QString address() const { return m_address; }

private:
    QTemporaryDir m_dir;
    QProcess m_server;
    QString m_address;
};

} // namespace

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

    // A service that misbehaves costs a command about as long as one that
    // does not answer at all, and it is said what it did.
    void misbehavingServices_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");
        const QList<std::pair<const char*, const char*>> modes = {
            {"drip", "it sends its answer too slowly, not whole within 3 seconds"},
            {"redirect", "it redirects in a loop, to itself (HTTP 301)"},
            {"garbage", "it answers with something that is not IPP"}};
        for (const auto& [mode, why] : modes) {
            QTest::addRow("%s, print", mode)
                << mode << QStringList{"--print", "--printer", "Office"} << 1
                << QString("gridorra: cannot reach the print service: %1").arg(why);
            QTest::addRow("%s, export on a printer's paper", mode)
                << mode << QStringList{"--export", "o.pdf", "--printer", "Office"} << 1
                << QString("gridorra: cannot reach the print service: %1").arg(why);
            QTest::addRow("%s, export on the default paper", mode)
                << mode << QStringList{"--export", "d.pdf"} << 0
                << QString("gridorra: the print service does not answer: %1").arg(why);
        }
    }
    void misbehavingServices()
    {
        QFETCH(QString, mode);
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, said);
        const MisbehavingServer server(mode);
        QVERIFY(!server.address().isEmpty());
        QTemporaryDir home;
        QProcessEnvironment env = withoutDisplay(QProcessEnvironment::systemEnvironment());
        env.insert("HOME", home.path());
        env.insert("XDG_CONFIG_HOME", home.path());
        env.insert("CUPS_SERVER", server.address());
        QElapsedTimer clock;
        clock.start();
        const ProgramRun run = runProgram(args, env, 20000, home.path());
        QVERIFY2(clock.elapsed() < 4500, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(run.status, status);
        QVERIFY2(run.err.startsWith(said), qPrintable(run.err));
    }

    // The window's job through the same code: a stalled service is a printer
    // error under the step that met it, and the job ends. Against a service
    // that misbehaves the window opens within the bound, with no printer.
    void theWindowsJob_data()
    {
        QTest::addColumn<int>("relayed");
        QTest::addColumn<QString>("mode"); // a misbehaving server's, or the stalling proxy
        for (int k = 0; k <= 8; ++k)
            QTest::addRow("%d relayed", k) << k << QString();
        for (const char* mode : {"drip", "redirect", "garbage"})
            QTest::addRow("%s", mode) << 0 << mode;
    }
    void theWindowsJob()
    {
        QFETCH(int, relayed);
        QFETCH(QString, mode);
        IsolatedConfig config;
        QTemporaryDir folder;
        const QString socket = folder.filePath("cups.sock");
        const StallingProxy proxy(socket, CupsQueues::socket(), relayed);
        QVERIFY(proxy.listening());
        const std::unique_ptr<MisbehavingServer> server =
            mode.isEmpty() ? nullptr : std::make_unique<MisbehavingServer>(mode);
        cupsSetServer(server ? server->address().toUtf8().constData()
                             : QFile::encodeName(socket).constData());
        const auto restore = qScopeGuard([] { cupsSetServer(nullptr); });
        QElapsedTimer clock;
        clock.start();
        TestServices services;
        services.random.value = 0.5f;
        CupsPrinters printers;
        Form1 form(services.services(printers));
        form.Form_Load();
        if (server) {
            QVERIFY2(clock.elapsed() < 4500, qPrintable(QString::number(clock.elapsed())));
            QCOMPARE(form.combo1()->count(), 0);
        }
        form.pushButton2()->click();
        QVERIFY2(clock.elapsed() < 15000, qPrintable(QString::number(clock.elapsed())));
        const QStringList said = services.boxes.said();
        QVERIFY2(!said.isEmpty() && said.last() == "Done.", qPrintable(said.join(" | ")));
        // A stalled service's calls are printer errors, or the service
        // that does not answer; a misbehaving one's say what it did.
        const QString unanswered = server ? "Printer error: "
                                          : "Printer error: the print service "
                                            "does not answer\r\n";
        for (const auto& box : services.boxes.boxes.mid(0, said.size() - 1))
            QVERIFY2(box.text.startsWith("Printer error\r\n") || box.text.startsWith(unanswered) ||
                         box.text.contains("Marnova PDF Writer"),
                     qPrintable(box.text));
        QVERIFY(!form.printBusy());
    }
};

QTEST_MAIN(TestStalledService)
#include "tst_stalledservice.moc"
