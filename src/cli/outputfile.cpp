#include "outputfile.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <utility>

#ifdef Q_OS_UNIX
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <QSaveFile>
#endif

namespace gridorra {

namespace {

#ifdef Q_OS_UNIX

QString describe(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Writes straight to a descriptor and keeps the first error: a short or
// failed write is never passed over.
class DescriptorDevice : public QIODevice {
public:
    void attach(int fd)
    {
        m_fd = fd;
        QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }
    int error() const { return m_error; }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 length) override
    {
        if (m_error)
            return -1;
        qint64 done = 0;
        while (done < length) {
            const ssize_t n = ::write(m_fd, data + done, size_t(length - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                m_error = n < 0 ? errno : ENOSPC;
                return -1;
            }
            done += n;
        }
        return done;
    }

private:
    int m_fd = -1;
    int m_error = 0;
};

// A named part-file (only where the file system has no unnamed files) is
// removed when a signal ends the program.
int pendingDir = -1;
char pendingName[64];

void removePendingAndDie(int signal)
{
    if (pendingName[0])
        ::unlinkat(pendingDir, pendingName, 0);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

QByteArray partName()
{
    return ".gridorra-" + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
}

#endif

} // namespace

#ifdef Q_OS_UNIX

class OutputFile::Private {
public:
    ~Private()
    {
        if (fd >= 0 && fd != STDOUT_FILENO)
            ::close(fd);
        forgetPart(true);
        if (dir >= 0)
            ::close(dir);
    }

    bool fail(int error)
    {
        message = describe(error);
        return false;
    }

    void forgetPart(bool remove)
    {
        if (part.isEmpty())
            return;
        if (remove)
            ::unlinkat(dir, part.constData(), 0);
        pendingName[0] = 0;
        part.clear();
    }

    bool openPart()
    {
        fd = ::openat(dir, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
        if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL))
            return fd >= 0 || fail(errno);
        // No unnamed files here: a hidden part-file, removed on every way out.
        for (int tries = 0; fd < 0 && tries < 100; ++tries) {
            part = partName();
            fd = ::openat(dir, part.constData(),
                          O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, 0600);
            if (fd < 0 && errno != EEXIST) {
                part.clear();
                return fail(errno);
            }
        }
        if (fd < 0) {
            part.clear();
            return fail(EEXIST);
        }
        pendingDir = dir;
        qstrncpy(pendingName, part.constData(), sizeof pendingName);
        for (const int signal : {SIGINT, SIGTERM, SIGHUP})
            std::signal(signal, removePendingAndDie);
        return true;
    }

    bool openDirect(const QByteArray& path)
    {
        fd = ::open(path.constData(), O_WRONLY | O_TRUNC | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            return fail(errno);
        direct = true;
        device.attach(fd);
        return true;
    }

    // Gives the finished unnamed file the target's name: straight, when
    // nothing stands there; else a hidden name first, renamed over the target.
    bool linkUnnamed()
    {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
        const auto link = [&](const char* name) {
            if (::linkat(AT_FDCWD, self.constData(), dir, name, AT_SYMLINK_FOLLOW) == 0)
                return 0;
            if (errno == ENOENT && ::linkat(fd, "", dir, name, AT_EMPTY_PATH) == 0)
                return 0;
            return errno;
        };
        if (!existed) {
            const int error = link(base.constData());
            if (error != EEXIST)
                return error == 0 || fail(error);
        }
        // No signal may end the program while the hidden name stands.
        sigset_t all, before;
        sigfillset(&all);
        sigprocmask(SIG_BLOCK, &all, &before);
        int error = EEXIST;
        QByteArray name;
        for (int tries = 0; error == EEXIST && tries < 100; ++tries) {
            name = partName();
            error = link(name.constData());
        }
        // In a folder where others may write, another user could put
        // something else under the hidden name: it is renamed only while it
        // is still this file.
        struct stat ours {
        }, there{};
        const bool swapped =
            !error && (::fstat(fd, &ours) != 0 ||
                       ::fstatat(dir, name.constData(), &there, AT_SYMLINK_NOFOLLOW) != 0 ||
                       ours.st_dev != there.st_dev || ours.st_ino != there.st_ino);
        if (!error && !swapped && ::renameat(dir, name.constData(), dir, base.constData()) != 0) {
            error = errno;
            ::unlinkat(dir, name.constData(), 0);
        }
        sigprocmask(SIG_SETMASK, &before, nullptr);
        if (swapped) {
            message = QStringLiteral("its temporary name %1 was replaced by another file")
                          .arg(QFile::decodeName(name));
            return false;
        }
        return error == 0 || fail(error);
    }

    int fd = -1;
    int dir = -1;
    bool direct = false;
    bool existed = false;
    struct stat old {};
    QByteArray base;
    QByteArray part; // a named part-file, where unnamed ones cannot be made
    DescriptorDevice device;
    QString message;
};

OutputFile::OutputFile() : d(std::make_unique<Private>()) {}

OutputFile::~OutputFile() = default;

bool OutputFile::open(const QString& name)
{
    if (name == QStringLiteral("-")) {
        d->fd = STDOUT_FILENO;
        d->direct = true;
        d->device.attach(d->fd);
        return true;
    }
    // A device, a pipe or a descriptor's name (/dev/stdout) is written where
    // it is, through whatever links lead there.
    QByteArray path = QFile::encodeName(name);
    struct stat st {};
    const bool aDescriptor =
        path.startsWith("/dev/std") || path.startsWith("/dev/fd/") || path.startsWith("/proc/");
    if (::stat(path.constData(), &st) == 0 &&
        (aDescriptor || (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))))
        return d->openDirect(path);
    // Follow symbolic links to the file they name, as `>` does.
    bool exists = false;
    for (int hops = 0;; ++hops) {
        if (::lstat(path.constData(), &st) != 0) {
            if (errno != ENOENT)
                return d->fail(errno);
            break;
        }
        exists = true;
        if (!S_ISLNK(st.st_mode))
            break;
        if (hops == 40)
            return d->fail(ELOOP);
        QByteArray target(PATH_MAX, Qt::Uninitialized);
        const ssize_t n = ::readlink(path.constData(), target.data(), size_t(target.size()));
        if (n < 0)
            return d->fail(errno);
        target.truncate(n);
        const qsizetype slash = path.lastIndexOf('/');
        path = target.startsWith('/') || slash < 0 ? target : path.left(slash + 1) + target;
        exists = false;
    }
    if (exists && S_ISDIR(st.st_mode))
        return d->fail(EISDIR);
    if (exists && !S_ISREG(st.st_mode))
        return d->openDirect(path);
    // A file its owner made read-only stays as it is, whoever asks.
    if (exists && (st.st_mode & 0222) == 0)
        return d->fail(EACCES);
    if (exists && ::access(path.constData(), W_OK) != 0)
        return d->fail(errno);
    if (!exists) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        st.st_mode = 0666 & ~mask;
    }
    const qsizetype slash = path.lastIndexOf('/');
    d->base = path.mid(slash + 1);
    const QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? "/" : path.left(slash);
    if (d->base.isEmpty())
        return d->fail(EISDIR);
    d->dir = ::open(folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (d->dir < 0)
        return d->fail(errno);
    // A name the folder cannot hold fails now, not after the drawing.
    if (d->base.size() > 255)
        return d->fail(ENAMETOOLONG);
    d->existed = exists;
    d->old = st;
    if (!d->openPart())
        return false;
    d->device.attach(d->fd);
    return true;
}

QIODevice& OutputFile::device()
{
    return d->device;
}

bool OutputFile::commit()
{
    if (d->device.error())
        return d->fail(d->device.error());
    const auto synced = [&] {
        // Pipes, terminals and devices have nothing to sync.
        return ::fsync(d->fd) == 0 || errno == EINVAL || errno == EROFS || errno == ENOTSUP;
    };
    if (d->direct) {
        if (!synced())
            return d->fail(errno);
        if (d->fd != STDOUT_FILENO && ::close(std::exchange(d->fd, -1)) != 0)
            return d->fail(errno);
        return true;
    }
    if (::fchmod(d->fd, d->old.st_mode & 07777) != 0)
        return d->fail(errno);
    if (d->existed && ::geteuid() == 0 && ::fchown(d->fd, d->old.st_uid, d->old.st_gid) != 0)
        return d->fail(errno);
    if (::fsync(d->fd) != 0)
        return d->fail(errno);
    if (!d->part.isEmpty()) {
        if (::renameat(d->dir, d->part.constData(), d->dir, d->base.constData()) != 0)
            return d->fail(errno);
        d->forgetPart(false);
    } else if (!d->linkUnnamed()) {
        return false;
    }
    if (::close(std::exchange(d->fd, -1)) != 0)
        return d->fail(errno);
    return true;
}

QString OutputFile::errorString() const
{
    return d->message;
}

#else

class OutputFile::Private {
public:
    std::unique_ptr<QFile> direct;
    std::unique_ptr<QSaveFile> saved;
    QString message;
};

OutputFile::OutputFile() : d(std::make_unique<Private>()) {}

OutputFile::~OutputFile() = default;

bool OutputFile::open(const QString& name)
{
    if (name == QStringLiteral("-")) {
        d->direct = std::make_unique<QFile>();
        if (d->direct->open(stdout, QIODevice::WriteOnly))
            return true;
        d->message = d->direct->errorString();
        return false;
    }
    d->saved = std::make_unique<QSaveFile>(name);
    if (d->saved->open(QIODevice::WriteOnly))
        return true;
    d->message = d->saved->errorString();
    return false;
}

QIODevice& OutputFile::device()
{
    return d->saved ? static_cast<QIODevice&>(*d->saved) : *d->direct;
}

bool OutputFile::commit()
{
    const bool ok = d->saved ? d->saved->commit() : d->direct->flush();
    if (!ok)
        d->message = d->saved ? d->saved->errorString() : d->direct->errorString();
    return ok;
}

QString OutputFile::errorString() const
{
    return d->message;
}

#endif

} // namespace gridorra
