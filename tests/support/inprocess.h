#pragma once

#include "cli/sheetcommand.h"
#include "support/programrun.h"

#include <QCoreApplication>
#include <QDir>

namespace gridorra::test {

// The command line run in this process, as the program runs it without a
// window, with its standard output and error passed in: milliseconds where
// a process takes a tenth of a second. In `folder`, where given. The
// settings are this process's (see IsolatedConfig), and the print service
// the one CUPS_SERVER named when it was first asked.
inline ProgramRun runInProcess(const QStringList& args, const QString& folder = QString())
{
    QCoreApplication::setApplicationName(QStringLiteral("gridorra"));
    const QString before = QDir::currentPath();
    if (!folder.isEmpty())
        QDir::setCurrent(folder);
    CommandStreams streams;
    ProgramRun run;
    run.status = runCommand(QStringList{QStringLiteral("gridorra")} + args, streams);
    QDir::setCurrent(before);
    run.out = streams.out;
    for (const QString& line : streams.errors)
        run.err += line + QLatin1Char('\n');
    return run;
}

} // namespace gridorra::test
