#include "apptitle.h"

#include "failure.h"

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

} // namespace gridorra
