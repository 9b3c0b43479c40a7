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

} // namespace

PrintService::PrintService()
{
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
}

bool PrintService::answers(QString* why)
{
    // A service that just let a request wait out its bound is not asked
    // again for a while: a print job against it fails within one wait.
    static QString silentServer;
    static QString silentWhy;
    static QDeadlineTimer silentFor;
    if (silentServer == serverName() && !silentFor.hasExpired()) {
        if (why)
            *why = silentWhy;
        return false;
    }
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
    if (service.silent()) {
        silentServer = serverName();
        silentWhy = service.failure();
        silentFor.setRemainingTime(30000);
    }
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

#endif

} // namespace gridorra
