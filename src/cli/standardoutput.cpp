#include "standardoutput.h"

#include <QByteArray>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace gridorra::standardOutput {

namespace {
bool closedAtStart = false;
} // namespace

void noteClosed()
{
    closedAtStart = true;
}

bool wasClosed()
{
    return closedAtStart;
}

bool write(const QString& text)
{
    if (closedAtStart) {
        errno = EBADF;
        return false;
    }
    const QByteArray bytes = text.toLocal8Bit();
    errno = 0;
    const bool written =
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size());
    return std::fflush(stdout) == 0 && written && !std::ferror(stdout);
}

QString failure()
{
    return QStringLiteral("cannot write to standard output: %1")
        .arg(QString::fromLocal8Bit(std::strerror(errno ? errno : EIO)));
}

} // namespace gridorra::standardOutput
