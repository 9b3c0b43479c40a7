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

} // namespace

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
    httpSetTimeout(m_http, timeoutSeconds, nullptr, nullptr);
    passwords::begin(m_http);
}

PrintService::~PrintService()
{
    if (m_http)
        httpClose(m_http);
}

void PrintService::requestFailed()
{
    if (!m_http)
        return;
    const int error = httpError(m_http);
    m_silent = error == ETIMEDOUT || error == 0;
    m_failure = error == ETIMEDOUT || error == 0
                    ? QStringLiteral("no answer within %1 seconds (%2)")
                          .arg(timeoutSeconds)
                          .arg(serverName())
                    : QStringLiteral("%1 (%2)").arg(QString::fromLocal8Bit(std::strerror(error)),
                                                    serverName());
    httpClose(m_http);
    m_http = nullptr;
    if (m_silent)
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
    if (!document.isEmpty())
        return withDocument(request, resource, document);
    // No document: the request goes in chunks (its length unsaid), the last,
    // empty one ends it.
    http_status_t status = cupsSendRequest(m_http, request, resource, 0);
    if (status == HTTP_STATUS_CONTINUE && httpWrite2(m_http, "", 0) < 0)
        status = HTTP_STATUS_ERROR;
    while (status == HTTP_STATUS_CONTINUE)
        status = httpUpdate(m_http);
    if (status != HTTP_STATUS_OK) {
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
    while ((n = httpRead2(m_http, piece, sizeof piece)) > 0)
        body.append(piece, n);
    Cursor cursor{&body};
    ipp_t* response = ippNew();
    if (n < 0 || ippReadIO(&cursor, readFrom, 1, nullptr, response) != IPP_STATE_DATA) {
        ippDelete(response);
        requestFailed();
        return nullptr;
    }
    return response;
}

ipp_t* PrintService::withDocument(ipp_t* request, const char* resource, const QByteArray& document)
{
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
void PrintService::requestFailed() {}
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
