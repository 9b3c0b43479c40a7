#pragma once

#include <QDeadlineTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QThread>

namespace gridorra::test {

// The private CUPS scheduler the tests run against (tests/cups/cupsd-start),
// found through GRIDORRA_CUPS_DIR.
class CupsQueues {
public:
    static QString dir() { return qEnvironmentVariable("GRIDORRA_CUPS_DIR"); }
    static QString socket() { return dir() + QStringLiteral("/cups.sock"); }
    static bool available() { return !dir().isEmpty() && QFile::exists(socket()); }

    // Runs a CUPS command against the private scheduler; its standard output.
    static QString run(const QString& program, QStringList args)
    {
        args.prepend(socket());
        args.prepend(QStringLiteral("-h"));
        QProcess p;
        p.start(program, args);
        p.waitForFinished(30000);
        return QString::fromUtf8(p.readAllStandardOutput());
    }

    // Waits until no job is pending or printing.
    static bool waitUntilIdle(int seconds = 60)
    {
        QDeadlineTimer deadline(seconds * 1000);
        while (!deadline.hasExpired()) {
            if (run(QStringLiteral("lpstat"), {QStringLiteral("-o")}).trimmed().isEmpty())
                return true;
            QThread::msleep(50);
        }
        return false;
    }

    // Completed jobs, id to queue name.
    static QMap<int, QString> completedJobs()
    {
        QMap<int, QString> jobs;
        const QString out =
            run(QStringLiteral("lpstat"),
                {QStringLiteral("-W"), QStringLiteral("completed"), QStringLiteral("-o")});
        for (const QString& line : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const QString job = line.section(QLatin1Char(' '), 0, 0);
            const int dash = int(job.lastIndexOf(QLatin1Char('-')));
            jobs.insert(job.mid(dash + 1).toInt(), job.left(dash));
        }
        return jobs;
    }

    // Completed jobs newer than `after`, in order, as id and queue.
    static QList<QPair<int, QString>> jobsAfter(int after)
    {
        QList<QPair<int, QString>> out;
        const auto jobs = completedJobs();
        for (auto it = jobs.begin(); it != jobs.end(); ++it)
            if (it.key() > after)
                out.append({it.key(), it.value()});
        return out;
    }

    static int lastJob()
    {
        const auto jobs = completedJobs();
        return jobs.isEmpty() ? 0 : jobs.lastKey();
    }

    // The document the program handed over for the job, kept in the spool.
    static QString documentOf(int job)
    {
        return dir() + QStringLiteral("/spool/d%1-001").arg(job, 5, 10, QLatin1Char('0'));
    }
    // The job's attributes, as the scheduler keeps them.
    static QByteArray controlOf(int job)
    {
        QFile f(dir() + QStringLiteral("/spool/c%1").arg(job, 5, 10, QLatin1Char('0')));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    static QString genericPpd()
    {
        return QStringLiteral("/usr/share/ppd/cupsfilters/Generic-PDF_Printer-PDF.ppd");
    }
    static void addQueue(const QString& name, const QString& description,
                         const QString& ppd = genericPpd(), const QStringList& options = {})
    {
        run(QStringLiteral("lpadmin"),
            QStringList{QStringLiteral("-p"), name, QStringLiteral("-D"), description,
                        QStringLiteral("-E"), QStringLiteral("-v"),
                        QStringLiteral("file:///dev/null"), QStringLiteral("-P"), ppd} +
                options);
    }
    static void removeQueue(const QString& name)
    {
        run(QStringLiteral("lpadmin"), {QStringLiteral("-x"), name});
    }
};

} // namespace gridorra::test
