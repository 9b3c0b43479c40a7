#pragma once

#include <QString>

typedef struct _http_s http_t;

namespace gridorra {

// One conversation with the print service (CUPS on Linux) in which no
// request waits without end: the connection and every answer are bounded,
// so that a scheduler that is stuck, or a remote one behind a firewall,
// costs seconds instead of minutes. After the first request that gets no
// answer the service counts as unreachable: the conversation asks nothing
// more, and for 30 seconds no new conversation with it begins.
class PrintService {
public:
    // How long the connection and each answer may take.
    static constexpr int timeoutSeconds = 3;

    PrintService();
    ~PrintService();
    PrintService(const PrintService&) = delete;
    PrintService& operator=(const PrintService&) = delete;

    // The connection for libcups' calls; nullptr once unreachable.
    http_t* connection() const { return m_http; }
    bool reachable() const { return m_http != nullptr; }
    // Why the service cannot be reached: libcups' reason, or the wait.
    const QString& failure() const { return m_failure; }
    // Whether it was reached but did not answer (a scheduler that is stuck),
    // rather than not there at all.
    bool silent() const { return m_silent; }
    // To call after a request that got no answer at all: the service is
    // unreachable from then on.
    void requestFailed();

    // Whether the service answers one small request in time; `why` says
    // why not.
    static bool answers(QString* why = nullptr);
    // Whether a request to the service went unanswered in the last 30
    // seconds; `why` says what happened.
    static bool wentSilent(QString* why = nullptr);

private:
    http_t* m_http = nullptr;
    QString m_failure;
    bool m_silent = false;
};

// Why a list of printers is empty: the service was not reached.
struct ServiceFailure {
    QString why;
    bool silent = false; // reached, but it did not answer
};

} // namespace gridorra
