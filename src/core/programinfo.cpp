#include "programinfo.h"

#include "failure.h"

#include <QDateTime>
#include <QFileInfo>

namespace gridorra {

QString appTitleFrom(const QString& productName)
{
    QString title = productName;
    do {
        const qsizetype blank = title.lastIndexOf(QLatin1Char(' '));
        if (blank < 0)
            throw Failure(QStringLiteral("Invalid procedure call or argument"));
        title.truncate(blank);
    } while (title.size() > longestAppTitle);
    return title;
}

QString programFile(const QString& folder, const QString& relativeName)
{
    QString path = folder + relativeName;
#ifndef Q_OS_WIN
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
#endif
    return path;
}

bool fileExists(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() && info.lastModified().isValid();
}

bool ordinaryFileExists(const QString& path)
{
    const QFileInfo info(path);
    return info.isFile() && !info.isHidden();
}

} // namespace gridorra
