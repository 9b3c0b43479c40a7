#pragma once

#include <QFile>
#include <QString>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace gridorra::test {

// A Unix socket that takes connections and never answers: a print service
// that is stuck, or a remote one behind a firewall.
struct SilentSocket {
    explicit SilentSocket(const QString& path) : fd(::socket(AF_UNIX, SOCK_STREAM, 0))
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        qstrncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof address.sun_path);
        listening = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                    ::listen(fd, 64) == 0;
    }
    ~SilentSocket() { ::close(fd); }
    SilentSocket(const SilentSocket&) = delete;
    SilentSocket& operator=(const SilentSocket&) = delete;

    int fd;
    bool listening = false;
};

} // namespace gridorra::test
