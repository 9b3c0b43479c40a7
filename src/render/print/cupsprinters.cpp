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

namespace gridorra {

namespace {

#ifndef Q_OS_WIN
// A whole-point page of the paper's size: a standard one where it is one.
QPageSize pageSizeOf(const QSizeF& points, const QString& name)
{
    const QPageSize::PageSizeId id = QPageSize::id(
        QSize(qRound(points.width()), qRound(points.height())), QPageSize::FuzzyMatch);
    return id != QPageSize::Custom ? QPageSize(id) : QPageSize(points, QPageSize::Point, name);
}

// From the queue's PPD, once the queue's defaults and the user's or the
// instance's options are marked: the HWResolution of the marked print
// quality (cupsPrintQuality), else of the marked Resolution, and the marked
// paper with its printable area. A driverless queue's PPD holds one
// resolution per quality, while the queue reports its lowest as its
// default. NoPpd where the queue has none; Refused where the server asks
// for a password it was not given (the queue's attributes would then give
// another paper than its own).
// (libcups marks its PPD functions deprecated, with nothing yet in their
// place for a queue's marked choices.)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
enum class PpdRead { Read, NoPpd, Refused };
PpdRead readPpd(http_t* http, const cups_dest_t* dest, QueuePage& page)
{
    // Fetched in this conversation (cupsGetPPD2 would open one of its own,
    // which waits without a bound), into memory; with the password the
    // jobs then go with.
    const int fd = ::memfd_create("gridorra-ppd", MFD_CLOEXEC);
    if (fd < 0)
        return PpdRead::NoPpd;
    const QByteArray resource = QByteArray("/printers/") + dest->name + ".ppd";
    const http_status_t got = cupsGetFd(http, resource.constData(), fd);
    ppd_file_t* ppd =
        got == HTTP_STATUS_OK && ::lseek(fd, 0, SEEK_SET) == 0 ? ppdOpenFd(fd) : nullptr;
    ::close(fd);
    if (got == HTTP_STATUS_UNAUTHORIZED || got == HTTP_STATUS_FORBIDDEN ||
        got == HTTP_STATUS_CUPS_AUTHORIZATION_CANCELED)
        return PpdRead::Refused;
    if (!ppd)
        return PpdRead::NoPpd;
    page.postScript = ppd->num_filters == 0;
    ppdMarkDefaults(ppd);
    cupsMarkOptions(ppd, dest->num_options, dest->options);
    // The HWResolution the marked choices set up: the print quality's
    // (cupsPrintQuality), or whichever option names it (hpcups'
    // OutputMode, Gutenprint's StpQuality and Resolution), the one sent
    // last (the highest order) winning, as in the page device; else a
    // Resolution named so ("600x300dpi").
    static const QRegularExpression hw(
        QStringLiteral("HWResolution\\s*\\[\\s*(\\d+)\\s+(\\d+)\\s*\\]"));
    static const QRegularExpression named(QStringLiteral("^(\\d+)(?:x(\\d+))?dpi$"));
    float order = -1;
    const auto take = [&](int across, int down) {
        page.dotsAcross = across;
        page.dotsDown = down;
        page.dpi = std::max(across, down);
    };
    for (const ppd_option_t* option = ppdFirstOption(ppd); option; option = ppdNextOption(ppd)) {
        const ppd_choice_t* choice = ppdFindMarkedChoice(ppd, option->keyword);
        if (!choice || !choice->code)
            continue;
        const auto m = hw.match(QString::fromUtf8(choice->code));
        const bool quality = qstrcmp(option->keyword, "cupsPrintQuality") == 0;
        if (m.hasMatch() && (quality || option->order >= order)) {
            order = quality ? 1e9f : option->order;
            take(m.captured(1).toInt(), m.captured(2).toInt());
        }
    }
    if (page.dpi <= 0)
        if (const ppd_choice_t* choice = ppdFindMarkedChoice(ppd, "Resolution"))
            if (const auto n = named.match(QString::fromUtf8(choice->choice)); n.hasMatch())
                take(n.captured(1).toInt(),
                     n.captured(2).isEmpty() ? n.captured(1).toInt() : n.captured(2).toInt());
    if (const ppd_size_t* size = ppdPageSize(ppd, nullptr)) {
        page.paper = QSizeF(size->width, size->length);
        page.media = QString::fromUtf8(size->name);
        page.layout = QPageLayout(pageSizeOf(page.paper, page.media), QPageLayout::Portrait,
                                  QMarginsF(size->left, size->length - size->top,
                                            size->width - size->right, size->bottom),
                                  QPageLayout::Point);
    }
    ppdClose(ppd);
    return PpdRead::Read;
}
#pragma GCC diagnostic pop

// From the queue's own attributes, where it has no PPD: the default media
// with its margins, and the default resolution.
void readAttributes(http_t* http, cups_dest_t* dest, QueuePage& page)
{
    cups_dinfo_t* info = cupsCopyDestInfo(http, dest);
    if (!info)
        return;
    if (page.dpi <= 0) {
        if (ipp_attribute_t* attr = cupsFindDestDefault(http, dest, info, "printer-resolution")) {
            int y = 0;
            ipp_res_t units = IPP_RES_PER_INCH;
            const int x = ippGetResolution(attr, 0, &y, &units);
            page.dpi = units == IPP_RES_PER_CM ? int(x * 2.54 + 0.5) : x;
        }
    }
    cups_size_t size{};
    if (!page.layout.isValid() && cupsGetDestMediaDefault(http, dest, info, 0, &size)) {
        constexpr double pointsPerHundredthMm = 72 / 2540.0;
        page.paper = QSizeF(size.width, size.length) * pointsPerHundredthMm;
        page.media = QString::fromUtf8(size.media);
        page.layout = QPageLayout(pageSizeOf(page.paper, page.media), QPageLayout::Portrait,
                                  QMarginsF(size.left, size.top, size.right, size.bottom) *
                                      pointsPerHundredthMm,
                                  QPageLayout::Point);
    }
    cupsFreeDestInfo(info);
}
#endif

// The lines of the lpoptions files, where the print library keeps them: the
// system's file, then the user's. Each is "Dest QUEUE[/INSTANCE] OPTIONS" or
// "Default ..."; as (name, options).
QList<QPair<QString, QString>> lpoptionsLines()
{
    QList<QPair<QString, QString>> lines;
    const QString serverRoot = qEnvironmentVariableIsSet("CUPS_SERVERROOT")
                                   ? qEnvironmentVariable("CUPS_SERVERROOT")
                                   : QStringLiteral("/etc/cups");
    const QStringList files = {serverRoot + QStringLiteral("/lpoptions"),
                               QDir::homePath() + QStringLiteral("/.cups/lpoptions")};
    for (const QString& path : files) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            continue;
        while (!file.atEnd()) {
            const QString line = QString::fromUtf8(file.readLine()).trimmed();
            const QString word = line.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
            if (word.compare(QStringLiteral("Dest"), Qt::CaseInsensitive) &&
                word.compare(QStringLiteral("Default"), Qt::CaseInsensitive))
                continue;
            const QString name = line.section(QLatin1Char(' '), 1, 1, QString::SectionSkipEmpty);
            if (!name.isEmpty())
                lines.append(
                    {name, line.section(QLatin1Char(' '), 2, -1, QString::SectionSkipEmpty)});
        }
    }
    return lines;
}

// A request about the queue, addressed by its URI (given back in `uri`).
ipp_t* printerRequest(ipp_op_t operation, const QByteArray& queue, QByteArray* uri = nullptr)
{
    char address[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, address, sizeof(address), "ipp", nullptr, "localhost",
                     ippPort(), "/printers/%s", queue.constData());
    ipp_t* request = ippNewRequest(operation);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, address);
    if (uri)
        *uri = address;
    return request;
}

void freeNamedDest(cups_dest_t* dest)
{
    free(dest->name);
    free(dest->instance);
    cupsFreeOptions(dest->num_options, dest->options);
    free(dest);
}

// The queue (or instance) as libcups' cupsGetNamedDest gives it, asked in
// this conversation only: that function looks for a queue it cannot get
// among every printer on the network, through connections of its own that
// wait without a bound. Its options are those of the lpoptions files (the
// queue's line, then the instance's), its URI the queue's. Nothing when the
// queue is gone or the service did not answer.
cups_dest_t* namedDest(PrintService& service, const QByteArray& name, const QByteArray& instance)
{
    QByteArray uri;
    ipp_t* request = printerRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, name, &uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
                 "printer-name");
    ipp_t* response = service.request(request, "/");
    const bool found = response && ippGetStatusCode(response) <= IPP_STATUS_OK_EVENTS_COMPLETE;
    ippDelete(response);
    if (!found)
        return nullptr;
    // Freed by freeNamedDest: libcups' own cupsFreeDests frees names from a
    // string pool of its own.
    auto* dest = static_cast<cups_dest_t*>(calloc(1, sizeof(cups_dest_t)));
    dest->name = strdup(name.constData());
    dest->instance = instance.isEmpty() ? nullptr : strdup(instance.constData());
    dest->num_options =
        cupsAddOption("printer-uri-supported", uri.constData(), dest->num_options, &dest->options);
    const QString queue = QString::fromUtf8(name);
    const QString full =
        instance.isEmpty() ? queue : queue + QLatin1Char('/') + QString::fromUtf8(instance);
    for (const QString& which : instance.isEmpty() ? QStringList{queue} : QStringList{queue, full})
        for (const auto& [line, options] : lpoptionsLines())
            if (line == which)
                dest->num_options = cupsParseOptions(options.toUtf8().constData(),
                                                     dest->num_options, &dest->options);
    return dest;
}
} // namespace

#ifndef Q_OS_WIN
namespace {
QString refusalOf(ipp_status_t status, const QString& printer, const QString& said);
} // namespace
#endif

QueuePage CupsPrinters::pageOf(PrintService& service, const QString& queue)
{
    QueuePage page;
#ifndef Q_OS_WIN
    const QByteArray name = queue.section(QLatin1Char('/'), 0, 0).toUtf8();
    const QByteArray instance = queue.section(QLatin1Char('/'), 1).toUtf8();
    cups_dest_t* dest = service.reachable() ? namedDest(service, name, instance) : nullptr;
    if (!dest) { // the queue is gone, or the service did not answer
        if (cupsLastError() >= IPP_STATUS_ERROR_INTERNAL || httpError(service.connection()))
            service.requestFailed();
        throw Failure(fail::printerError);
    }
    QStringList options;
    for (int i = 0; i < dest->num_options; ++i)
        if (qstrcmp(dest->options[i].name, "printer-uri-supported") != 0)
            options << QString::fromUtf8(dest->options[i].name)
                    << QString::fromUtf8(dest->options[i].value);
    const PpdRead read = readPpd(service.connection(), dest, page);
    if (read == PpdRead::NoPpd ||
        (read == PpdRead::Read && (page.dpi <= 0 || !page.layout.isValid())))
        readAttributes(service.connection(), dest, page);
    freeNamedDest(dest);
    if (!service.reachable())
        throw Failure(fail::printerError);
    if (read == PpdRead::Refused) {
        const QString why = passwords::refusal();
        throw Failure(fail::printerError + QStringLiteral(": ") +
                      (why.isEmpty() ? refusalOf(IPP_STATUS_ERROR_FORBIDDEN, {}, {}) : why));
    }
    // Dots are the queue's; a high resolution where the queue names none.
    if (page.dpi <= 0)
        page.dpi = 1200;
    // A queue that says nothing of its paper prints on A4 without margins.
    if (!page.layout.isValid())
        page.layout = QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF());
    // Every option of the chosen instance (or of the user's lpoptions
    // default for the queue) goes with each job, as `lp -d QUEUE/INSTANCE`
    // sends them; the sheet is never scaled, whatever the queue's defaults or
    // the instance ask.
    page.options = unscaled(options, &page.scalingAsked);
#else
    Q_UNUSED(service);
    Q_UNUSED(queue);
    throw Failure(fail::printerError);
#endif
    return page;
}

CupsPrinters::CupsPrinters() : m_queues(queues(true))
{
    for (const Queue& queue : m_queues)
        if (queue.isDefault)
            m_current = queue;
}

CupsPrinters::CupsPrinters(const QList<Queue>& listed, std::shared_ptr<PrintService> conversation)
    : m_service(std::move(conversation)), m_listedJustNow(true), m_queues(listed)
{
    for (const Queue& queue : m_queues)
        if (queue.isDefault)
            m_current = queue;
}

CupsPrinters::~CupsPrinters() = default;

#ifndef Q_OS_WIN
namespace {

// Every queue a Get-Printers answer names, with its description.
QList<CupsPrinters::Queue> queuesIn(ipp_t* response)
{
    QList<CupsPrinters::Queue> list;
    CupsPrinters::Queue queue;
    const auto finish = [&] {
        if (!queue.name.isEmpty())
            list.append(queue);
        queue = CupsPrinters::Queue();
    };
    for (ipp_attribute_t* attr = ippFirstAttribute(response); attr;
         attr = ippNextAttribute(response)) {
        const char* name = ippGetName(attr);
        if (!name) { // the end of one printer's attributes
            finish();
            continue;
        }
        if (ippGetGroupTag(attr) != IPP_TAG_PRINTER)
            continue;
        const QString value = QString::fromUtf8(ippGetString(attr, 0, nullptr));
        if (qstrcmp(name, "printer-name") == 0)
            queue.name = value;
        else if (qstrcmp(name, "printer-info") == 0)
            queue.deviceName = queue.description = value;
    }
    finish();
    return list;
}

// The instances the user defined, as printers of their own, in the order in
// which Qt and the print dialogs list them: by queue, an instance after its
// queue.
void withInstances(QList<CupsPrinters::Queue>& list, const QStringList& instances)
{
    const QList<CupsPrinters::Queue> queuesOnly = list;
    for (const QString& instance : instances) {
        const QString base = instance.section(QLatin1Char('/'), 0, 0);
        for (const CupsPrinters::Queue& q : queuesOnly)
            if (q.name == base)
                list.append({instance, q.description, q.description, false});
    }
    std::stable_sort(
        list.begin(), list.end(), [](const CupsPrinters::Queue& a, const CupsPrinters::Queue& b) {
            const int byQueue =
                a.name.section(QLatin1Char('/'), 0, 0)
                    .compare(b.name.section(QLatin1Char('/'), 0, 0), Qt::CaseInsensitive);
            if (byQueue != 0)
                return byQueue < 0;
            return a.name.section(QLatin1Char('/'), 1)
                       .compare(b.name.section(QLatin1Char('/'), 1), Qt::CaseInsensitive) < 0;
        });
}

} // namespace
#endif

QList<CupsPrinters::Queue> CupsPrinters::queues(bool findDefault, ServiceFailure* unreachable,
                                                PrintService* conversation)
{
    QList<Queue> list;
#ifndef Q_OS_WIN
    std::optional<PrintService> own;
    PrintService& service = conversation ? *conversation : own.emplace();
    const auto gone = [&] {
        if (unreachable)
            *unreachable = {service.failure(), service.silent()};
        return QList<Queue>();
    };
    if (!service.reachable())
        return gone();
    // One small request for every queue's name and description. (The
    // library's cupsGetDests asks for every attribute of every queue and
    // takes some twenty times longer.)
    ipp_t* request = ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
    static const char* const wanted[] = {"printer-name", "printer-info"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 2, nullptr,
                  wanted);
    ipp_t* response = service.request(request, "/");
    if (!response)
        return gone();
    list = queuesIn(response);
    ippDelete(response);
    withInstances(list, lpoptionsInstances());
    // The user's default (their lpoptions, else the service's).
    if (findDefault) {
        if (cups_dest_t* fallback = cupsGetNamedDest(service.connection(), nullptr, nullptr)) {
            QString defaultName = QString::fromUtf8(fallback->name);
            if (fallback->instance)
                defaultName += QLatin1Char('/') + QString::fromUtf8(fallback->instance);
            for (Queue& q : list)
                q.isDefault = q.name == defaultName;
            cupsFreeDests(1, fallback);
        }
    }
#else
    Q_UNUSED(unreachable);
    const QString defaultName = QPrinterInfo::defaultPrinterName();
    for (const QPrinterInfo& info : QPrinterInfo::availablePrinters())
        list.append({info.printerName(), info.description(), info.description(),
                     findDefault && info.printerName() == defaultName});
#endif
    nameDevices(list);
    return list;
}

void CupsPrinters::nameDevices(QList<Queue>& list)
{
    // A printer goes by its description, else by its queue's name. Printers
    // that would go by the same name (two of one model, a queue and its
    // instances) are told apart by their queue's name in parentheses.
    QHash<QString, int> uses;
    for (Queue& q : list) {
        if (q.deviceName.isEmpty())
            q.deviceName = q.name;
        ++uses[q.deviceName];
    }
    for (Queue& q : list)
        if (uses.value(q.deviceName) > 1)
            q.deviceName += QStringLiteral(" (") + q.name + QLatin1Char(')');
}

CupsPrinters::Match CupsPrinters::match(const QList<Queue>& list, const QString& name)
{
    Match found;
    const auto queueOf = [](const Queue& q) { return q.name.section(QLatin1Char('/'), 0, 0); };
    for (const auto& same : {std::function([&](const Queue& q) { return q.deviceName == name; }),
                             std::function([&](const Queue& q) { return q.name == name; })}) {
        const auto it = std::find_if(list.cbegin(), list.cend(), same);
        if (it != list.cend())
            return {int(it - list.cbegin()), false, {}};
    }
    // By description: one queue, whatever instances it has, is that queue.
    QStringList queues;
    for (const Queue& q : list)
        if (q.description == name && !queues.contains(queueOf(q)))
            queues << queueOf(q);
    if (queues.size() == 1) {
        for (int i = 0; i < list.size(); ++i)
            if (list[i].name == queues[0])
                return {i, false, {}};
    }
    found.ambiguous = !queues.isEmpty();
    for (const Queue& q : list)
        if (queues.contains(queueOf(q))
                ? q.description == name
                : queues.isEmpty() && (q.deviceName.contains(name, Qt::CaseInsensitive) ||
                                       q.name.contains(name, Qt::CaseInsensitive)))
            found.candidates << q.deviceName;
    if (found.candidates.isEmpty() && list.size() <= 12)
        for (const Queue& q : list)
            found.candidates << q.deviceName;
    return found;
}

QStringList CupsPrinters::lpoptionsInstances()
{
    QStringList instances;
#ifndef Q_OS_WIN
    for (const auto& [name, options] : lpoptionsLines())
        if (!name.section(QLatin1Char('/'), 1).isEmpty() && !instances.contains(name))
            instances << name;
#endif
    return instances;
}

QStringList CupsPrinters::deviceNames() const
{
    QStringList names;
    for (const Queue& queue : m_queues)
        names << queue.deviceName;
    return names;
}

QString CupsPrinters::currentDeviceName() const
{
    return m_current.deviceName;
}

void CupsPrinters::makeCurrent(int index)
{
    if (index < 0 || index >= m_queues.size())
        throw Failure(fail::printerError);
    select(m_queues[index]);
}

int CupsPrinters::printerScaleMode() const
{
    return Canvas::twips;
}

void CupsPrinters::refresh()
{
    // A job's conversation with the print service: the list, the queue's
    // set-up and every copy.
    if (!m_listedJustNow || !m_service) {
        m_service = std::make_shared<PrintService>();
        m_queues = queues(false, nullptr, m_service.get());
    }
    m_listedJustNow = false;
    m_refusal.clear();
    m_jobs.clear();
}

QList<int> CupsPrinters::jobIds() const
{
    QList<int> ids;
    for (const HandedOver& job : m_jobs)
        ids << job.id;
    return ids;
}

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

namespace {

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

// Whether the refusal holds for every later job of the queue in this run.
bool refusesEveryJob(ipp_status_t status)
{
    return status == IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS || status == IPP_STATUS_ERROR_NOT_FOUND ||
           status == IPP_STATUS_ERROR_FORBIDDEN || status == IPP_STATUS_ERROR_NOT_AUTHORIZED ||
           status == IPP_STATUS_ERROR_NOT_AUTHENTICATED ||
           status == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE;
}

} // namespace

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
        m_canvas = std::make_unique<PrinterCanvas>(*m_writer);
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

QStringList CupsPrinters::unscaled(const QStringList& options, QStringList* asked)
{
    // What CUPS's filters take as a request to scale the page, and the value
    // of each that asks for none.
    static const QList<QPair<QString, QString>> trueSize = {
        {QStringLiteral("print-scaling"), QStringLiteral("none")},
        {QStringLiteral("fit-to-page"), QStringLiteral("false")},
        {QStringLiteral("fitplot"), QStringLiteral("false")},
        {QStringLiteral("scaling"), QStringLiteral("100")},
        {QStringLiteral("natural-scaling"), QStringLiteral("100")},
    };
    // Whether a value asks outright for a page of another size: print-scaling's
    // "auto" scales only a page larger than the paper, and passes unsaid.
    const auto asksForScaling = [](const QString& name, const QString& value) {
        const QString v = value.toLower();
        if (name == QStringLiteral("print-scaling"))
            return v == QStringLiteral("fit") || v == QStringLiteral("fill");
        if (name == QStringLiteral("scaling") || name == QStringLiteral("natural-scaling"))
            return v != QStringLiteral("100");
        return !QStringList{QStringLiteral("false"), QStringLiteral("no"), QStringLiteral("off"),
                            QStringLiteral("0")}
                    .contains(v);
    };
    QStringList out;
    for (int i = 0; i + 1 < options.size(); i += 2) {
        const QString& name = options[i];
        const QString& value = options[i + 1];
        const bool known = std::any_of(trueSize.cbegin(), trueSize.cend(),
                                       [&](const auto& o) { return o.first == name; });
        if (!known)
            out << name << value;
        else if (asked && asksForScaling(name, value))
            *asked << name + QLatin1Char('=') + value;
    }
    for (const auto& [name, value] : trueSize)
        out << name << value;
    return out;
}

} // namespace gridorra
