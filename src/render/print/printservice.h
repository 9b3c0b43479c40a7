#pragma once

#include <QByteArray>
#include <QString>

typedef struct _http_s http_t;
typedef struct _ipp_s ipp_t;

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

    // Sends the request (which it frees), with `document` as its data, and
    // returns the answer; nothing when no answer came (the service is then
    // unreachable). An answer to a request without a document (a list of
    // printers can be long) is read whole, in large pieces with one bounded
    // wait for each, where libcups reads it a field at a time, waiting
    // before each.
    ipp_t* request(ipp_t* request, const char* resource, const QByteArray& document = {});

    // Whether a request to the service went unanswered in the last 30
    // seconds; `why` says what happened.
    static bool wentSilent(QString* why = nullptr);

private:
    ipp_t* withDocument(ipp_t* request, const char* resource, const QByteArray& document);

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
