#include "app/form1.h"
#include "app/pushbutton.h"
#include "app/qtpassworddialog.h"
#include "panel/numericfield.h"
#include "render/print/cupsprinters.h"
#include "render/print/passwords.h"
#include "render/print/printservice.h"
#include "support/cupsqueues.h"
#include "support/pdfraster.h"
#include "support/pinlocale.h"
#include "support/programrun.h"
#include "support/testservices.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <cups/cups.h>

#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace gridorra;
using namespace gridorra::test;

// A print server as offices have one (tests/cups/cupsd-start --servers):
// over TCP, encrypted, with a queue that asks for a password ("Locked",
// user tester, password secret) and a class ("Pool").

namespace {

QString port()
{
    QFile f(CupsQueues::dir() + "/port");
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()).trimmed() : QString();
}

// The environment a user of the server has: the server by address and
// encryption required, client certificates kept in the test's own home.
QProcessEnvironment onTheServer(const QString& server)
{
    QProcessEnvironment env = withoutDisplay(QProcessEnvironment::systemEnvironment());
    env.insert("HOME", CupsQueues::dir() + "/home");
    env.insert("CUPS_USER", "tester");
    env.remove("CUPS_ENCRYPTION");
    if (server.isEmpty()) { // from the user's client.conf
        env.remove("CUPS_SERVER");
    } else {
        env.insert("CUPS_SERVER", server);
        env.insert("CUPS_ENCRYPTION", "Required");
    }
    return env;
}

QByteArray documentWithoutDate(int job)
{
    QFile f(CupsQueues::documentOf(job));
    return f.open(QIODevice::ReadOnly) ? withoutCreationDate(f.readAll()) : QByteArray();
}

// The program in a session of its own: no controlling terminal at all. Its
// standard output and error, together.
ProgramRun withoutTerminal(const QStringList& args, const QProcessEnvironment& env)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.setChildProcessModifier([] { ::setsid(); });
    p.start(GRIDORRA_EXE, args);
    ProgramRun run;
    if (p.waitForFinished(20000))
        run.status = p.exitCode();
    run.out = QString::fromLocal8Bit(p.readAllStandardOutput() + p.readAllStandardError());
    return run;
}

// Whether the job went to the queue's own paper, A4.
bool onA4(int job)
{
    return CupsQueues::controlOf(job).contains(QByteArray("media\0\2A4", 9));
}

// The program on a terminal of its own, answering each password prompt with
// the next answer (an empty line once they run out).
ProgramRun onATerminal(const QStringList& args, const QProcessEnvironment& env,
                       const QStringList& answers, int* prompts)
{
    QList<QByteArray> argv{GRIDORRA_EXE};
    for (const QString& a : args)
        argv << a.toLocal8Bit();
    QList<QByteArray> envp;
    for (const QString& e : env.toStringList())
        envp << e.toLocal8Bit();
    int master = -1;
    const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    if (pid == 0) {
        std::vector<char*> a, e;
        for (QByteArray& s : argv)
            a.push_back(s.data());
        for (QByteArray& s : envp)
            e.push_back(s.data());
        a.push_back(nullptr);
        e.push_back(nullptr);
        ::execve(a[0], a.data(), e.data());
        ::_exit(127);
    }
    ProgramRun run;
    QByteArray out;
    *prompts = 0;
    QDeadlineTimer deadline(30000);
    while (!deadline.hasExpired()) {
        pollfd p{master, POLLIN, 0};
        if (::poll(&p, 1, 200) <= 0)
            continue;
        char buffer[4096];
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n <= 0)
            break;
        out.append(buffer, n);
        while (out.count("Password for ") > *prompts) {
            const QByteArray answer =
                (*prompts < answers.size() ? answers[*prompts] : QString()).toLocal8Bit() + '\n';
            (void)!::write(master, answer.constData(), size_t(answer.size()));
            ++*prompts;
        }
    }
    int status = 0;
    if (deadline.hasExpired())
        ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    ::close(master);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = QString::fromLocal8Bit(out);
    return run;
}

// Answers as a user would, and remembers what it was asked.
class ScriptedPrompt : public PasswordPrompt {
public:
    struct Asked {
        QString printer, server, user;
        bool again;
    };
    QList<Asked> asked;
    QList<std::optional<Login>> answers;

    std::optional<Login> ask(const QString& printer, const QString& server, const QString& user,
                             bool again) override
    {
        asked.append({printer, server, user, again});
        return answers.isEmpty() ? std::nullopt : answers.takeFirst();
    }
};

} // namespace

Q_DECLARE_METATYPE(QList<std::optional<gridorra::PasswordPrompt::Login>>)

class TestPrintServers : public QObject {
    Q_OBJECT
private:
    IsolatedConfig config;

private slots:
    void initTestCase()
    {
        pinLocale();
        QVERIFY2(CupsQueues::available() && !port().isEmpty(),
                 "the private print server is not running");
        qputenv("CUPS_SERVER", ("127.0.0.1:" + port()).toLocal8Bit());
        qputenv("CUPS_ENCRYPTION", "Required");
        qputenv("CUPS_USER", "tester");
        QDir().mkpath(config.path() + "/.cups");
    }

    void init() { passwords::forget(); }

    // Over TCP (v4 and v6, or as the user's client.conf names it), with
    // encryption, the queue gets the document the local socket gets, to the
    // byte, on its own paper.
    void aServerOverTcpGetsTheSameDocument_data()
    {
        QTest::addColumn<QString>("server");
        QTest::newRow("IPv4") << "127.0.0.1:";
        QTest::newRow("IPv6") << "[::1]:";
        QTest::newRow("client.conf") << "";
    }
    void aServerOverTcpGetsTheSameDocument()
    {
        QFETCH(QString, server);
        QFile conf(CupsQueues::dir() + "/home/.cups/client.conf");
        QDir().mkpath(CupsQueues::dir() + "/home/.cups");
        QVERIFY(conf.open(QIODevice::WriteOnly));
        conf.write(("ServerName 127.0.0.1:" + port() + "\nEncryption Required\n").toLatin1());
        conf.close();
        const auto cleanup = qScopeGuard([&] { conf.remove(); });
        const QStringList args{"--print", "--printer", "Office", "--thickness", "2"};
        const int before = CupsQueues::lastJob();
        QCOMPARE(runProgram(args, onTheServer(server.isEmpty() ? server : server + port())).status,
                 0);
        QProcessEnvironment local = onTheServer(CupsQueues::socket());
        local.remove("CUPS_ENCRYPTION");
        QCOMPARE(runProgram(args, local).status, 0);
        QVERIFY(CupsQueues::waitUntilIdle());
        const auto jobs = CupsQueues::jobsAfter(before);
        QCOMPARE(jobs.size(), 2);
        const QByteArray remote = documentWithoutDate(jobs[0].first);
        QVERIFY(remote.startsWith("%PDF"));
        QVERIFY(remote == documentWithoutDate(jobs[1].first));
        QVERIFY(onA4(jobs[0].first));
        QVERIFY(CupsQueues::controlOf(jobs[0].first)
                    .contains(QByteArray("print-scaling\0\4none", 19))); // never scaled
    }

    void theConversationIsEncrypted()
    {
        PrintService service;
        QVERIFY(service.reachable());
        QVERIFY(httpIsEncrypted(service.connection()));
    }

    // A class prints each copy on one of its members, on the members' paper.
    void aClassPrintsOnItsMembers()
    {
        const int before = CupsQueues::lastJob();
        const ProgramRun run = runProgram({"--print", "--printer", "Pool", "--copies", "2"},
                                          onTheServer("127.0.0.1:" + port()));
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QCOMPARE(run.out.count(QRegularExpression("request id is Pool-[0-9]+ \\(1 file\\(s\\)\\)")),
                 2);
        QVERIFY(CupsQueues::waitUntilIdle());
        const auto jobs = CupsQueues::jobsAfter(before);
        QCOMPARE(jobs.size(), 2);
        for (const auto& [id, queue] : jobs) {
            QCOMPARE(queue, QString("Pool"));
            QVERIFY(onA4(id));
        }
    }

    // The window asks in a dialog: the user's name filled in, asked again
    // when refused (three tries in all), and never again in the run once
    // taken. Cancel prints nothing and says so once.
    void theWindowAsksForThePassword_data()
    {
        using Login = PasswordPrompt::Login;
        QTest::addColumn<QList<std::optional<Login>>>("answers");
        QTest::addColumn<int>("jobs");
        QTest::addColumn<int>("asked");
        QTest::addColumn<QString>("report");
        QTest::newRow("the right one")
            << QList<std::optional<Login>>{Login{"tester", "secret"}} << 2 << 1 << "";
        QTest::newRow("cancelled")
            << QList<std::optional<Login>>{std::nullopt} << 0 << 1 << "no password was given";
        QTest::newRow("wrong, then right")
            << QList<std::optional<Login>>{Login{"tester", "wrong"}, Login{"tester", "secret"}} << 2
            << 2 << "";
        QTest::newRow("wrong three times")
            << QList<std::optional<Login>>{Login{"tester", "a"}, Login{"tester", "b"},
                                           Login{"tester", "c"}, Login{"tester", "secret"}}
            << 0 << 3 << "the printer refused the password";
        QTest::newRow("another name") << QList<std::optional<Login>>{Login{"nobody", "secret"}} << 0
                                      << 2 << "the printer refused the password";
    }
    void theWindowAsksForThePassword()
    {
        QFETCH(QList<std::optional<PasswordPrompt::Login>>, answers);
        QFETCH(int, jobs);
        QFETCH(int, asked);
        QFETCH(QString, report);
        cupsSetUser("tester");
        ScriptedPrompt prompt;
        prompt.answers = answers;
        passwords::setPrompt(&prompt);
        const auto restore = qScopeGuard([] {
            passwords::setPrompt(nullptr);
            cupsSetUser("tester");
        });
        TestServices services;
        CupsPrinters printers;
        Form1 form(services.services(printers));
        form.Form_Load();
        form.combo1()->setCurrentText("Locked Printer");
        form.textField(6)->setText("2");
        const int before = CupsQueues::lastJob();
        form.pushButton2()->click();
        QVERIFY(CupsQueues::waitUntilIdle());
        QCOMPARE(CupsQueues::jobsAfter(before).size(), jobs);
        QCOMPARE(prompt.asked.size(), asked);
        QCOMPARE(prompt.asked[0].user, QString("tester"));
        QCOMPARE(prompt.asked[0].printer, QString("Locked"));
        QCOMPARE(prompt.asked[0].server, QString("127.0.0.1"));
        for (int i = 0; i < asked; ++i)
            QCOMPARE(prompt.asked[i].again, i > 0);
        if (report.isEmpty()) {
            QCOMPARE(services.boxes.said(), QStringList{"Done."});
        } else {
            QCOMPARE(services.boxes.said(), QStringList({"126", "Done."}));
            QVERIFY2(services.boxes.boxes[0].text.startsWith("Printer error: " + report),
                     qPrintable(services.boxes.boxes[0].text));
            return;
        }
        // Taken once, given again for the rest of the run.
        form.pushButton2()->click();
        QVERIFY(CupsQueues::waitUntilIdle());
        QCOMPARE(CupsQueues::jobsAfter(before).size(), 2 * jobs);
        QCOMPARE(prompt.asked.size(), asked);
    }

    // --print asks on the terminal as lp does; an empty answer cancels at
    // once. Without a terminal it fails at once, and never prints on
    // another paper than the queue's.
    void theCommandLineAsksOnTheTerminal_data()
    {
        QTest::addColumn<bool>("terminal");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("prompts");
        QTest::addColumn<QString>("said");
        QTest::newRow("the right one")
            << true << QStringList{"secret"} << 0 << 1 << "request id is Locked-";
        QTest::newRow("wrong, then right")
            << true << QStringList{"wrong", "secret"} << 0 << 2 << "The printer refused";
        QTest::newRow("an empty answer")
            << true << QStringList{""} << 1 << 1 << "Printer error: no password was given";
        QTest::newRow("no terminal")
            << false << QStringList{} << 1 << 0 << "Printer error: the printer asks for a password";
    }
    void theCommandLineAsksOnTheTerminal()
    {
        QFETCH(bool, terminal);
        QFETCH(QStringList, answers);
        QFETCH(int, status);
        QFETCH(int, prompts);
        QFETCH(QString, said);
        const QStringList args{"--print", "--printer", "Locked", "--copies", "2"};
        const QProcessEnvironment env = onTheServer("127.0.0.1:" + port());
        const int before = CupsQueues::lastJob();
        int asked = 0;
        ProgramRun run;
        if (terminal) {
            run = onATerminal(args, env, answers, &asked);
        } else {
            run = withoutTerminal(args, env);
        }
        QVERIFY2(run.out.contains(said), qPrintable(run.out));
        QCOMPARE(run.status, status);
        QCOMPARE(asked, prompts);
        QVERIFY(!run.out.contains("secret"));
        // The copies are told on the terminal only where they leave.
        if (terminal)
            QVERIFY2(run.out.count(QRegularExpression("copy [12] of 2")) == (status == 0 ? 2 : 0),
                     qPrintable(run.out));
        QVERIFY(CupsQueues::waitUntilIdle());
        const auto jobs = CupsQueues::jobsAfter(before);
        QCOMPARE(jobs.size(), status == 0 ? 2 : 0);
        for (const auto& job : jobs)
            QVERIFY(onA4(job.first));
        if (terminal)
            return;
        // Nor is an export drawn on another paper than the queue's.
        const QString pdf = config.path() + "/locked.pdf";
        const ProgramRun exported = withoutTerminal({"--export", pdf, "--printer", "Locked"}, env);
        QCOMPARE(exported.status, 1);
        QVERIFY(exported.out.contains("the printer asks for a password"));
        QVERIFY(!QFile::exists(pdf));
    }

    // The dialog the window shows: the name filled in, Print only with a
    // password, Cancel gives nothing.
    void theDialogAsksForNameAndPassword_data()
    {
        QTest::addColumn<bool>("accept");
        QTest::newRow("Print") << true;
        QTest::newRow("Cancel") << false;
    }
    void theDialogAsksForNameAndPassword()
    {
        QFETCH(bool, accept);
        QtPasswordDialog dialog;
        bool filledIn = false, okWithoutPassword = true;
        QTimer::singleShot(0, [&] {
            auto* shown = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(shown);
            auto* user = shown->findChild<QLineEdit*>("user");
            auto* password = shown->findChild<QLineEdit*>("password");
            filledIn = user->text() == "tester" && password->echoMode() == QLineEdit::Password;
            auto* buttons = shown->findChild<QDialogButtonBox*>();
            okWithoutPassword = buttons->button(QDialogButtonBox::Ok)->isEnabled();
            QTest::keyClicks(password, "secret");
            buttons->button(accept ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
        });
        const auto login = dialog.ask("Locked", "print.example", "tester", true);
        QVERIFY(filledIn);
        QVERIFY(!okWithoutPassword);
        QCOMPARE(login.has_value(), accept);
        if (accept)
            QCOMPARE(login->password, QString("secret"));
    }
};

QTEST_MAIN(TestPrintServers)
#include "tst_printservers.moc"
