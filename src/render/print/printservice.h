#pragma once

#include <QByteArray>
#include <QString>

typedef struct _http_s http_t;
typedef struct _ipp_s ipp_t;

namespace gridorra {

// One conversation with the print service (CUPS on Linux) in which no
// request waits without end: the connection and every whole request (its
// answer read to the last byte) are bounded, so that a scheduler that is
// stuck, a remote one behind a firewall, or one that sends its answer a
// byte at a time costs seconds instead of minutes. A service that answers
// with something that is not IPP, or redirects its requests, is not
// followed. After the first request that fails so the service counts as
// unreachable: the conversation asks nothing more, and where it let the
// request wait out its bound, for 30 seconds no new conversation with it
// begins.
class PrintService {
public:
    // How long the connection and each answer may take.
    static constexpr int timeoutSeconds = 3;

    PrintService();
    ~PrintService();
    PrintService(const PrintService&) = delete;
    PrintService& operator=(const PrintService&) = delete;

    // The connection for libcups' calls, the bound of a whole request set
    // anew for the call it is taken for; nullptr once unreachable.
    http_t* connection() const
    {
        rearm();
        return m_http;
    }
    // Sets the bound of the request under way anew: after a prompt for a
    // password, which waits for the user and not for the service.
    static void rearm();
    bool reachable() const { return m_http != nullptr; }
    // Why the service cannot be reached: libcups' reason, or the wait.
    const QString& failure() const { return m_failure; }
    // Whether it was reached but gave no answer that can be used (a
    // scheduler that is stuck, or one that misbehaves), rather than not
    // there at all.
    bool silent() const { return m_silent; }
    // To call after a request that got no answer at all: the service is
    // unreachable from then on; `why` where it is known (else from the
    // connection's error and the bound).
    void requestFailed(const QString& why = QString());

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
