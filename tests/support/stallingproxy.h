#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <atomic>
#include <thread>
#include <vector>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace gridorra::test {

// A print service that answers a few conversations and then stalls: a
// Unix socket in front of a real scheduler that relays the first `relayed`
// connections to it and takes every later one without ever answering (a
// scheduler that got stuck, a remote one that dropped mid-run).
class StallingProxy {
public:
    StallingProxy(const QString& path, const QString& upstream, int relayed)
        : m_listener(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)),
          m_upstream(QFile::encodeName(upstream)), m_relayed(relayed)
    {
        const sockaddr_un address = addressOf(QFile::encodeName(path));
        m_listening =
            ::bind(m_listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
            ::listen(m_listener, 64) == 0;
        if (m_listening)
            m_thread = std::thread([this] { run(); });
    }
    ~StallingProxy()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        for (int fd : m_open)
            ::close(fd);
        ::close(m_listener);
    }
    StallingProxy(const StallingProxy&) = delete;
    StallingProxy& operator=(const StallingProxy&) = delete;

    bool listening() const { return m_listening; }

private:
    static sockaddr_un addressOf(const QByteArray& path)
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        qstrncpy(address.sun_path, path.constData(), sizeof address.sun_path);
        return address;
    }

    void run()
    {
        std::vector<std::pair<int, int>> pairs; // relayed: client, scheduler
        while (!m_stop) {
            std::vector<pollfd> fds{{m_listener, POLLIN, 0}};
            for (const auto& [client, server] : pairs) {
                fds.push_back({client, POLLIN, 0});
                fds.push_back({server, POLLIN, 0});
            }
            if (::poll(fds.data(), fds.size(), 50) <= 0)
                continue;
            const std::size_t polled = pairs.size();
            if (fds[0].revents & POLLIN) {
                const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
                m_open.push_back(client);
                if (m_accepted++ < m_relayed) {
                    const int server = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
                    const sockaddr_un address = addressOf(m_upstream);
                    ::connect(server, reinterpret_cast<const sockaddr*>(&address), sizeof address);
                    m_open.push_back(server);
                    pairs.emplace_back(client, server);
                }
            }
            std::vector<std::pair<int, int>> alive(pairs.begin() + polled, pairs.end());
            for (std::size_t p = 0; p < polled; ++p) {
                bool open = true;
                for (const std::size_t i : {1 + 2 * p, 2 + 2 * p}) {
                    if (!open || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                        continue;
                    const int from = fds[i].fd;
                    const int to = from == pairs[p].first ? pairs[p].second : pairs[p].first;
                    char buffer[65536];
                    const ssize_t n = ::read(from, buffer, sizeof buffer);
                    open = n > 0 && ::send(to, buffer, std::size_t(n), MSG_NOSIGNAL) == n;
                }
                if (open)
                    alive.push_back(pairs[p]);
                else // a conversation ended: both ends closed
                    for (const int fd : {pairs[p].first, pairs[p].second})
                        ::shutdown(fd, SHUT_RDWR);
            }
            pairs.swap(alive);
        }
    }

    int m_listener;
    QByteArray m_upstream;
    int m_relayed;
    int m_accepted = 0;
    bool m_listening = false;
    std::atomic<bool> m_stop{false};
    std::vector<int> m_open;
    std::thread m_thread;
};

} // namespace gridorra::test
