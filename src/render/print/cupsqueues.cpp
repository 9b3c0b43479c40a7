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

// The printers as the print service lists them, and the one chosen.
namespace gridorra {

namespace cups {

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

#ifndef Q_OS_WIN
ipp_t* printerRequest(ipp_op_t operation, const QByteArray& queue, QByteArray* uri)
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
#endif

} // namespace cups

using namespace cups;

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

} // namespace gridorra
