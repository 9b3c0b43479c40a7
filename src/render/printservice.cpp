#include "printservice.h"

#include <QDeadlineTimer>

#ifndef Q_OS_WIN
#include <cups/cups.h>

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

bool PrintService::answers(QString* why)
{
    PrintService service;
    if (service.reachable()) {
        ipp_t* response =
            cupsDoRequest(service.connection(), ippNewRequest(IPP_OP_CUPS_GET_DEFAULT), "/");
        if (response)
            ippDelete(response);
        else
            service.requestFailed();
    }
    if (why)
        *why = service.failure();
    return service.reachable();
}

#else

PrintService::PrintService() = default;
PrintService::~PrintService() = default;
void PrintService::requestFailed() {}
bool PrintService::answers(QString*)
{
    return true;
}
bool PrintService::wentSilent(QString*)
{
    return false;
}

#endif

} // namespace gridorra
