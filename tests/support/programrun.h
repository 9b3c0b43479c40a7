#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace gridorra::test {

// The program run as a user or a script runs it: the executable itself.
struct ProgramRun {
    int status = -1; // -1: still running after the time given, and ended
    QString out;
    QString err;
};

// The environment of this process without any display.
inline QProcessEnvironment withoutDisplay(QProcessEnvironment env)
{
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    return env;
}

inline ProgramRun runProgram(const QStringList& args, const QProcessEnvironment& env,
                             int aliveMs = 60000, const QString& folder = QString(),
                             const QString& executable = QStringLiteral(GRIDORRA_EXE))
{
    QProcess p;
    p.setProcessEnvironment(env);
    if (!folder.isEmpty())
        p.setWorkingDirectory(folder);
    p.start(executable, args);
    ProgramRun run;
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

// A shell script that runs the program as "$G", as a script would.
inline ProgramRun runScript(const QString& script, QProcessEnvironment env, int aliveMs = 60000,
                            const QString& folder = QString())
{
    env.insert(QStringLiteral("G"), QStringLiteral(GRIDORRA_EXE));
    return runProgram({QStringLiteral("-c"), script}, env, aliveMs, folder, QStringLiteral("sh"));
}

} // namespace gridorra::test
