#include "cupsparts.h"
#include "cupsprinters.h"

#include "core/failure.h"
#include "passwords.h"
#include "printercanvas.h"
#include "printservice.h"
#include "settings/calibration.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QPdfWriter>
#include <QPrinterInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>

#ifndef Q_OS_WIN
#include <cups/cups.h>
#include <cups/ppd.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

// A job: its document set up on the queue's page, each copy handed over as
// a Print-Job request, and what the scheduler then says of the queue.
namespace gridorra {

using namespace cups;

#ifndef Q_OS_WIN
namespace cups {

// Why the print service refused a job, in words a user understands.
QString refusalOf(ipp_status_t status, const QString& printer, const QString& said)
{
    switch (status) {
    case IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS:
        return QStringLiteral("%1 is not accepting jobs").arg(printer);
    case IPP_STATUS_ERROR_NOT_FOUND:
        return QStringLiteral("%1 no longer exists").arg(printer);
    case IPP_STATUS_ERROR_NOT_AUTHENTICATED:
        return QStringLiteral("%1 asks for a password").arg(printer);
    case IPP_STATUS_ERROR_FORBIDDEN:
    case IPP_STATUS_ERROR_NOT_AUTHORIZED:
        return QStringLiteral("the printer refused the password");
    case IPP_STATUS_ERROR_SERVICE_UNAVAILABLE:
        return QStringLiteral("the print service does not answer");
    default:
        return said.isEmpty() ? QString::fromUtf8(ippErrorString(status)) : said;
    }
}

} // namespace cups
#endif

namespace {

// Whether what a backend or filter says of the job it is on tells of a
// printer it cannot reach or use ("The printer may not exist or is
// unavailable at this time.", "Unable to connect to printer; will retry in
// 30 seconds..."), rather than of a printer at work ("Printing.", a
// filter's remark): a printer busy with another job is busy, not stuck.
bool printerInTrouble(const QString& said)
{
    static const QRegularExpression trouble(
        QStringLiteral("unavailable|not exist|not responding|unreachable|offline|unable to|"
                       "will retry|waiting for printer|refused|timed out|cannot|failed|error"),
        QRegularExpression::CaseInsensitiveOption);
    return trouble.match(said).hasMatch();
}

// What keeps the queue's jobs from printing, where a job of it tells: the
// scheduler stopped one (its device failed: a file it cannot write), or the
// printer is still on a job from before this run that it cannot get done
// (one whose device does not answer, say), not one of `ours`. `why` is then
// what was said of that job.
enum class JobsWait { No, Stopped, Behind };
JobsWait jobsWait(PrintService& service, const QByteArray& queue, const QList<int>& ours,
                  QString* why)
{
    ipp_t* request = printerRequest(IPP_OP_GET_JOBS, queue);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "which-jobs", nullptr,
                 "not-completed");
    static const char* const wanted[] = {"job-id", "job-state", "job-printer-state-message"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 3, nullptr,
                  wanted);
    ipp_t* response = service.request(request, "/");
    if (!response)
        return JobsWait::No;
    JobsWait found = JobsWait::No;
    int id = 0;
    ipp_jstate_t state = IPP_JSTATE_PENDING;
    QString said;
    const auto endOfJob = [&] {
        const JobsWait wait =
            state == IPP_JSTATE_STOPPED ? JobsWait::Stopped
            : state == IPP_JSTATE_PROCESSING && !ours.contains(id) && printerInTrouble(said)
                ? JobsWait::Behind
                : JobsWait::No;
        if (wait != JobsWait::No && found != JobsWait::Stopped) {
            found = wait;
            *why = said;
        }
        id = 0;
        state = IPP_JSTATE_PENDING;
        said.clear();
    };
    for (ipp_attribute_t* attr = ippFirstAttribute(response); attr;
         attr = ippNextAttribute(response)) {
        const char* name = ippGetName(attr);
        if (!name)
            endOfJob();
        else if (qstrcmp(name, "job-id") == 0)
            id = ippGetInteger(attr, 0);
        else if (qstrcmp(name, "job-state") == 0)
            state = ipp_jstate_t(ippGetInteger(attr, 0));
        else if (qstrcmp(name, "job-printer-state-message") == 0)
            said = QString::fromUtf8(ippGetString(attr, 0, nullptr));
    }
    endOfJob();
    ippDelete(response);
    return found;
}

// Whether the refusal holds for every later job of the queue in this run.
bool refusesEveryJob(ipp_status_t status)
{
    return status == IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS || status == IPP_STATUS_ERROR_NOT_FOUND ||
           status == IPP_STATUS_ERROR_FORBIDDEN || status == IPP_STATUS_ERROR_NOT_AUTHORIZED ||
           status == IPP_STATUS_ERROR_NOT_AUTHENTICATED ||
           status == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE;
}

} // namespace

QString CupsPrinters::queueState()
{
    if (m_jobs.isEmpty() || !m_service || !m_service->reachable())
        return {};
    // What the scheduler knows once it has the jobs: a queue that is
    // stopped, or that holds them, prints nothing yet.
    const QByteArray queue = m_current.name.section(QLatin1Char('/'), 0, 0).toUtf8();
    ipp_t* request = printerRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, queue);
    static const char* const wanted[] = {"printer-state", "printer-state-message",
                                         "queued-job-count"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 3, nullptr,
                  wanted);
    ipp_t* response = m_service->request(request, "/");
    if (!response)
        return {};
    ipp_attribute_t* state = ippFindAttribute(response, "printer-state", IPP_TAG_ENUM);
    ipp_attribute_t* waiting = ippFindAttribute(response, "queued-job-count", IPP_TAG_INTEGER);
    ipp_attribute_t* message = ippFindAttribute(response, "printer-state-message", IPP_TAG_TEXT);
    const bool stopped = state && ippGetInteger(state, 0) == IPP_PSTATE_STOPPED;
    const int count = waiting ? ippGetInteger(waiting, 0) : int(m_jobs.size());
    QString why = message ? QString::fromUtf8(ippGetString(message, 0, nullptr)) : QString();
    ippDelete(response);
    QList<int> ours;
    for (const HandedOver& job : m_jobs)
        ours << job.id;
    // Only a job that is not ours can be one the printer is stuck on, or one
    // the scheduler stopped: where the queue holds no more jobs than this
    // run handed over, the jobs need not be asked after (a round trip less).
    const JobsWait wait =
        stopped || count <= ours.size() ? JobsWait::No : jobsWait(*m_service, queue, ours, &why);
    const bool held =
        std::any_of(m_jobs.cbegin(), m_jobs.cend(), [](const HandedOver& job) { return job.held; });
    const QString jobs =
        count == 1 ? QStringLiteral("1 job waits") : QStringLiteral("%1 jobs wait").arg(count);
    QString said;
    if (stopped)
        said = QStringLiteral("%1 is stopped: %2").arg(m_current.deviceName, jobs);
    else if (wait == JobsWait::Stopped)
        said = QStringLiteral("%1 cannot print: %2 (%3)")
                   .arg(m_current.deviceName, jobs,
                        why.isEmpty() ? QStringLiteral("its device failed, and the print "
                                                       "service stopped a job")
                                      : why);
    else if (wait == JobsWait::Behind)
        said = QStringLiteral("%1 is still on an earlier job: %2").arg(m_current.deviceName, jobs);
    else if (held)
        said = QStringLiteral("%1 holds the jobs until they are released: %2")
                   .arg(m_current.deviceName, jobs);
    if (!said.isEmpty() && !why.isEmpty() && wait != JobsWait::Stopped)
        said += QStringLiteral(" (%1)").arg(why);
    m_states.insert(m_current.deviceName, said);
    return said;
}

PrintService& CupsPrinters::service()
{
    if (!m_service)
        m_service = std::make_shared<PrintService>();
    return *m_service;
}

Canvas& CupsPrinters::canvas()
{
    if (!m_canvas) {
        m_writer = std::make_unique<QPdfWriter>(&m_document);
        m_canvas = std::make_unique<PdfCanvas>(*m_writer);
        m_canvas->setJobTitle(m_jobTitle);
        m_canvas->setSender(&m_document, [this](const QByteArray& pdf) { send(pdf); });
    }
    // The current queue is set up on first use, and again after it failed;
    // a queue that is gone, or a service that does not answer, is said
    // once in a job, and nothing of that job reaches the queue after it.
    if (!m_configured && !m_current.name.isEmpty() && m_refusal.isEmpty()) {
        try {
            select(m_current);
        } catch (const Failure&) {
            const bool gone =
                std::none_of(m_queues.cbegin(), m_queues.cend(),
                             [this](const Queue& q) { return q.name == m_current.name; });
            if (passwords::outcome() != passwords::Outcome::None)
                m_refusal = passwords::refusal();
            else if (!service().reachable())
                m_refusal = refusalOf(IPP_STATUS_ERROR_SERVICE_UNAVAILABLE, {}, {});
            else if (gone && !m_queues.isEmpty())
                m_refusal = refusalOf(IPP_STATUS_ERROR_NOT_FOUND, m_current.deviceName, {});
            else
                throw;
            throw Failure(fail::printerError + QStringLiteral(": ") + m_refusal);
        }
    }
    return *m_canvas;
}

QString CupsPrinters::note(const QString& deviceName) const
{
    QStringList said;
    for (const Queue& queue : m_queues)
        if (queue.deviceName == deviceName)
            if (const auto correction = Calibrations().of(queue.name))
                said << QStringLiteral("Calibrated: ") + describe(*correction);
    if (const QString state = m_states.value(deviceName); !state.isEmpty())
        said << state;
    return said.join(QStringLiteral("; "));
}

void CupsPrinters::setJobTitle(const QString& title)
{
    m_jobTitle = title;
    if (m_canvas)
        m_canvas->setJobTitle(title);
}

void CupsPrinters::select(const Queue& queue)
{
    // The printer is set up on its queue once; choosing it again changes nothing.
    const bool same = m_canvas && m_configured && queue.name == m_current.name;
    m_current = queue;
    if (!m_canvas || same)
        return; // a new printer is set up when it is first used
    m_configured = false;
    m_refusal.clear();
    m_page = pageOf(service(), queue.name);
    m_writer->setPageLayout(m_page.layout);
    m_writer->setResolution(m_page.dpi);
    m_canvas->setPrinterDots(m_page.dotsAcross, m_page.dotsDown);
    m_canvas->setRowsFromFoot(m_page.postScript);
    m_canvas->setPaper(m_page.paper);
    // A printer the user calibrated prints true to size.
    const Correction correction = Calibrations().of(queue.name).value_or(Correction());
    m_canvas->setCorrection(correction.across, correction.down);
    m_configured = true;
}

void CupsPrinters::send(const QByteArray& pdf)
{
#ifndef Q_OS_WIN
    // The queue refused this run's jobs already, and said so once.
    if (!m_refusal.isEmpty())
        return;
    PrintService& conversation = service();
    if (!conversation.reachable())
        throw Failure(fail::printerError);
    // One Print-Job request with the document, on the job's conversation:
    // its answer bounded as every other. A queue that refuses the job fails
    // the copy.
    const QByteArray queue = m_current.name.section(QLatin1Char('/'), 0, 0).toUtf8();
    ipp_t* request = printerRequest(IPP_OP_PRINT_JOB, queue);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                 cupsUser());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr,
                 m_jobTitle.toUtf8().constData());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_MIMETYPE, "document-format", nullptr,
                 "application/pdf");
    cups_option_t* options = nullptr;
    int count = 0;
    if (!m_page.media.isEmpty())
        count = cupsAddOption("media", m_page.media.toUtf8().constData(), count, &options);
    for (int i = 0; i + 1 < m_page.options.size(); i += 2)
        count = cupsAddOption(m_page.options[i].toUtf8().constData(),
                              m_page.options[i + 1].toUtf8().constData(), count, &options);
    cupsEncodeOptions2(request, count, options, IPP_TAG_OPERATION);
    cupsEncodeOptions2(request, count, options, IPP_TAG_JOB);
    cupsFreeOptions(count, options);
    const QByteArray resource = "/printers/" + queue;
    ipp_t* response = conversation.request(request, resource.constData(), pdf);
    const ipp_status_t status =
        response
            ? ippGetStatusCode(response)
            : (conversation.reachable() ? cupsLastError() : IPP_STATUS_ERROR_SERVICE_UNAVAILABLE);
    if (status <= IPP_STATUS_OK_EVENTS_COMPLETE) {
        ipp_attribute_t* id = ippFindAttribute(response, "job-id", IPP_TAG_INTEGER);
        ipp_attribute_t* state = ippFindAttribute(response, "job-state", IPP_TAG_ENUM);
        m_jobs.append(
            {id ? ippGetInteger(id, 0) : 0, state && ippGetInteger(state, 0) == IPP_JSTATE_HELD});
        ippDelete(response);
        return;
    }
    ipp_attribute_t* message = ippFindAttribute(response, "status-message", IPP_TAG_TEXT);
    const QString said = message ? QString::fromUtf8(ippGetString(message, 0, nullptr)) : QString();
    ippDelete(response);
    // In the user's words; a refusal that holds for every job of the queue
    // is reported once, and the copies after it are not sent.
    const bool login = passwords::outcome() != passwords::Outcome::None;
    QString why = login ? passwords::refusal() : refusalOf(status, m_current.deviceName, said);
    // A queue that rejects jobs may say why (cupsreject -r "closed for
    // maintenance"): its own words go with the refusal.
    if (status == IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS && conversation.reachable()) {
        ipp_t* ask = printerRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, queue);
        ippAddString(ask, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
                     "printer-state-message");
        if (ipp_t* answer = conversation.request(ask, "/")) {
            ipp_attribute_t* reason =
                ippFindAttribute(answer, "printer-state-message", IPP_TAG_TEXT);
            const QString words =
                reason ? QString::fromUtf8(ippGetString(reason, 0, nullptr)).trimmed() : QString();
            if (!words.isEmpty() && words != QStringLiteral("Rejecting Jobs"))
                why += QStringLiteral(" (%1)").arg(words);
            ippDelete(answer);
        }
    }
    if (login || refusesEveryJob(status))
        m_refusal = why;
    throw Failure(fail::printerError + QStringLiteral(": ") + why);
#else
    Q_UNUSED(pdf);
    throw Failure(fail::printerError);
#endif
}

} // namespace gridorra
