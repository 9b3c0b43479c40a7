#include "printservice.h"

#include "passwords.h"

#include <QDeadlineTimer>

#ifndef Q_OS_WIN
#include <cups/cups.h>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#endif

namespace gridorra {

#ifndef Q_OS_WIN

namespace {

QString serverName()
{
    return QString::fromLocal8Bit(cupsServer());
}

// A service that just let a request wait out its bound is not asked again
// for a while: a job or a command against it fails within one wait.
struct Silence {
    QString server;
    QString why;
    QDeadlineTimer until;
};
Silence& silence()
{
    static Silence s;
    return s;
}

// The bound of the request under way on this thread: every wait of the
// connection shorter than a whole request, each asking whether the bound
// has passed, so that an answer that trickles in is cut off too.
thread_local QDeadlineTimer requestBound;
constexpr double waitSeconds = 0.25;

int withinBound(http_t*, void*)
{
    return requestBound.hasExpired() ? 0 : 1;
}

} // namespace

void PrintService::rearm()
{
    requestBound = QDeadlineTimer(timeoutSeconds * 1000);
}

bool PrintService::wentSilent(QString* why)
{
    const Silence& s = silence();
    if (s.server != serverName() || s.until.hasExpired())
        return false;
    if (why)
        *why = s.why;
    return true;
}

PrintService::PrintService()
{
    if (wentSilent(&m_failure)) {
        m_silent = true;
        return;
    }
    m_http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                          timeoutSeconds * 1000, nullptr);
    if (!m_http) {
        m_failure =
            QStringLiteral("%1 (%2)").arg(QString::fromUtf8(cupsLastErrorString()), serverName());
        return;
    }
    httpSetTimeout(m_http, waitSeconds, withinBound, nullptr);
    passwords::begin(m_http);
}

PrintService::~PrintService()
{
    if (m_http)
        httpClose(m_http);
}

void PrintService::requestFailed(const QString& why)
{
    if (!m_http)
        return;
    const int error = httpError(m_http);
    const bool waited = error == ETIMEDOUT || requestBound.hasExpired();
    // Its status line came, but not the rest of the answer within the bound.
    const bool began = waited && httpGetStatus(m_http) == HTTP_STATUS_OK;
    // Reached, but no answer that can be used came.
    m_silent = waited || !why.isEmpty() || error == 0 || error == EINVAL;
    if (!why.isEmpty())
        m_failure = QStringLiteral("%1 (%2)").arg(why, serverName());
    else if (began)
        m_failure = QStringLiteral("it sends its answer too slowly, not whole within %1 "
                                   "seconds (%2)")
                        .arg(timeoutSeconds)
                        .arg(serverName());
    else if (waited)
        m_failure = QStringLiteral("no answer within %1 seconds (%2)")
                        .arg(timeoutSeconds)
                        .arg(serverName());
    else if (error == 0 || error == EINVAL)
        m_failure =
            QStringLiteral("it answers with something that is not IPP (%1)").arg(serverName());
    else
        m_failure = QStringLiteral("%1 (%2)").arg(QString::fromLocal8Bit(std::strerror(error)),
                                                  serverName());
    httpClose(m_http);
    m_http = nullptr;
    if (waited)
        silence() = {serverName(), m_failure, QDeadlineTimer(30000)};
}

namespace {

// Reads an IPP message from memory, for ippReadIO.
struct Cursor {
    const QByteArray* data;
    qsizetype at = 0;
};
ssize_t readFrom(void* source, ipp_uchar_t* buffer, size_t length)
{
    auto* cursor = static_cast<Cursor*>(source);
    const qsizetype n = std::min<qsizetype>(qsizetype(length), cursor->data->size() - cursor->at);
    std::memcpy(buffer, cursor->data->constData() + cursor->at, size_t(n));
    cursor->at += n;
    return n;
}

} // namespace

ipp_t* PrintService::request(ipp_t* request, const char* resource, const QByteArray& document)
{
    if (!m_http) {
        ippDelete(request);
        return nullptr;
    }
    rearm();
    if (!document.isEmpty())
        return withDocument(request, resource, document);
    // No document: the request goes in chunks (its length unsaid), the last,
    // empty one ends it.
    http_status_t status = cupsSendRequest(m_http, request, resource, 0);
    if (status == HTTP_STATUS_CONTINUE && httpWrite2(m_http, "", 0) < 0)
        status = HTTP_STATUS_ERROR;
    while (status == HTTP_STATUS_CONTINUE && !requestBound.hasExpired())
        status = httpUpdate(m_http);
    if (status == HTTP_STATUS_CONTINUE)
        status = HTTP_STATUS_ERROR;
    if (status != HTTP_STATUS_OK) {
        if (status >= HTTP_STATUS_MULTIPLE_CHOICES && status < HTTP_STATUS_BAD_REQUEST &&
            status != HTTP_STATUS_NOT_MODIFIED) {
            // A print service answers; one that sends its requests
            // elsewhere is not followed (libcups would follow it without
            // end where it points back at itself).
            const QString to = QString::fromUtf8(httpGetField(m_http, HTTP_FIELD_LOCATION));
            ippDelete(request);
            requestFailed(
                to.contains(serverName())
                    ? QStringLiteral("it redirects in a loop, to itself (HTTP %1)").arg(int(status))
                    : QStringLiteral("it redirects its requests elsewhere (HTTP %1 "
                                     "to %2), which is not followed")
                          .arg(int(status))
                          .arg(to));
            return nullptr;
        }
        httpFlush(m_http);
        if (status == HTTP_STATUS_ERROR) {
            ippDelete(request);
            requestFailed();
            return nullptr;
        }
        // Authentication, encryption, a redirection: libcups' own way.
        return withDocument(request, resource, document);
    }
    ippDelete(request);
    QByteArray body;
    char piece[65536];
    ssize_t n = 0;
    while (!requestBound.hasExpired() && (n = httpRead2(m_http, piece, sizeof piece)) > 0)
        body.append(piece, n);
    Cursor cursor{&body};
    ipp_t* response = ippNew();
    if (requestBound.hasExpired() || n < 0 ||
        ippReadIO(&cursor, readFrom, 1, nullptr, response) != IPP_STATE_DATA) {
        ippDelete(response);
        requestFailed();
        return nullptr;
    }
    return response;
}

ipp_t* PrintService::withDocument(ipp_t* request, const char* resource, const QByteArray& document)
{
    rearm();
    // libcups sends a document from a file: this one is in memory.
    const int fd = document.isEmpty() ? -1 : ::memfd_create("gridorra-document", MFD_CLOEXEC);
    if (!document.isEmpty() &&
        (fd < 0 || ::write(fd, document.constData(), size_t(document.size())) != document.size() ||
         ::lseek(fd, 0, SEEK_SET) != 0)) {
        if (fd >= 0)
            ::close(fd);
        ippDelete(request);
        return nullptr;
    }
    ipp_t* response = cupsDoIORequest(m_http, request, resource, fd, -1);
    if (fd >= 0)
        ::close(fd);
    if (!response && httpError(m_http))
        requestFailed();
    return response;
}

#else

PrintService::PrintService() = default;
PrintService::~PrintService() = default;
void PrintService::requestFailed(const QString&) {}
void PrintService::rearm() {}
bool PrintService::wentSilent(QString*)
{
    return false;
}
ipp_t* PrintService::request(ipp_t*, const char*, const QByteArray&)
{
    return nullptr;
}

#endif

} // namespace gridorra
