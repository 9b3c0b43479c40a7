#include "terminalpassword.h"

#include <QScopeGuard>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#endif

#include <cerrno>

namespace gridorra {

#ifndef Q_OS_WIN

namespace {

// The controlling terminal, closed when done.
struct Terminal {
    int fd = ::open("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY);
    ~Terminal()
    {
        if (fd >= 0)
            ::close(fd);
    }
    bool write(const QByteArray& text) const
    {
        qsizetype at = 0;
        while (at < text.size()) {
            const ssize_t n = ::write(fd, text.constData() + at, size_t(text.size() - at));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            at += n;
        }
        return true;
    }
};

} // namespace

bool TerminalPassword::canAsk() const
{
    return Terminal().fd >= 0;
}

std::optional<PasswordPrompt::Login> TerminalPassword::ask(const QString& printer,
                                                           const QString& server,
                                                           const QString& user, bool again)
{
    Q_UNUSED(printer);
    const Terminal tty;
    if (tty.fd < 0)
        return std::nullopt;
    // Echo off before the prompt shows, and nothing typed ahead dropped:
    // an answer given as soon as the prompt appears is read, never shown.
    termios before{};
    const bool quiet = ::tcgetattr(tty.fd, &before) == 0;
    if (quiet) {
        termios silent = before;
        silent.c_lflag &= tcflag_t(~(ECHO | ECHONL));
        silent.c_lflag |= ICANON;
        ::tcsetattr(tty.fd, TCSANOW, &silent);
    }
    const auto restore = qScopeGuard([&] {
        if (quiet)
            ::tcsetattr(tty.fd, TCSANOW, &before);
    });
    if (again)
        tty.write("The printer refused the password.\n");
    if (!tty.write(QStringLiteral("Password for %1 on %2? ").arg(user, server).toLocal8Bit()))
        return std::nullopt;
    QByteArray line;
    char c = 0;
    for (;;) {
        const ssize_t n = ::read(tty.fd, &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || c == '\n' || c == '\r')
            break;
        line.append(c);
    }
    tty.write("\n");
    const QString password = QString::fromLocal8Bit(line);
    line.fill('\0');
    if (password.isEmpty())
        return std::nullopt;
    return Login{user, password};
}

#else

bool TerminalPassword::canAsk() const
{
    return false;
}

std::optional<PasswordPrompt::Login> TerminalPassword::ask(const QString&, const QString&,
                                                           const QString&, bool)
{
    return std::nullopt;
}

#endif

} // namespace gridorra
