#include "cupsprinters.h"

#include "core/failure.h"
#include "printercanvas.h"
#include "printservice.h"
#include "settings/calibration.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QPrintEngine>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>

#include <algorithm>
#include <functional>

#ifndef Q_OS_WIN
#include <cups/cups.h>
#include <cups/ppd.h>
#include <unistd.h>
#endif

namespace gridorra {

namespace {

// What a job on the queue (or instance) takes from the print service: the
// dots it is rendered at (the PPD's marked choice, else the queue's default
// resolution, else 0), the paper the page is put on, and the options the
// user gave it in lpoptions, as names and values one after the other. Asked
// in one conversation.
struct JobSettings {
    int dpi = 0;
    QSizeF paper; // in points, as the queue's PPD gives it; none without one
    QStringList options;
};

#ifndef Q_OS_WIN
// From the queue's PPD, once the queue's defaults and the user's or the
// instance's options are marked: the HWResolution of the marked print
// quality (cupsPrintQuality), else of the marked Resolution, and the size of
// the paper named `paperKey`. A driverless queue's PPD holds one resolution
// per quality, while the queue reports its lowest as its default.
// (libcups marks its PPD functions deprecated, with nothing yet in their
// place for a queue's marked choices.)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
void readPpd(http_t* http, const cups_dest_t* dest, const QByteArray& paperKey,
             JobSettings& settings)
{
    const char* file = cupsGetPPD2(http, dest->name);
    if (!file)
        return;
    ppd_file_t* ppd = ppdOpenFile(file);
    ::unlink(file);
    if (!ppd)
        return;
    ppdMarkDefaults(ppd);
    cupsMarkOptions(ppd, dest->num_options, dest->options);
    static const QRegularExpression hw(QStringLiteral("HWResolution\\s*\\[\\s*(\\d+)"));
    static const QRegularExpression named(QStringLiteral("^(\\d+)(x\\d+)?dpi$"));
    for (const char* option : {"cupsPrintQuality", "Resolution"}) {
        const ppd_choice_t* choice = ppdFindMarkedChoice(ppd, option);
        if (!choice)
            continue;
        if (const auto m = hw.match(QString::fromUtf8(choice->code ? choice->code : ""));
            m.hasMatch())
            settings.dpi = m.captured(1).toInt();
        else if (const auto n = named.match(QString::fromUtf8(choice->choice)); n.hasMatch())
            settings.dpi = n.captured(1).toInt();
        if (settings.dpi > 0)
            break;
    }
    if (const ppd_size_t* size = paperKey.isEmpty() ? nullptr : ppdPageSize(ppd, paperKey))
        settings.paper = QSizeF(size->width, size->length);
    ppdClose(ppd);
}
#pragma GCC diagnostic pop
#endif

JobSettings jobSettings(const QString& queue, const QByteArray& paperKey)
{
    JobSettings settings;
#ifndef Q_OS_WIN
    const QByteArray name = queue.section(QLatin1Char('/'), 0, 0).toUtf8();
    const QByteArray instance = queue.section(QLatin1Char('/'), 1).toUtf8();
    PrintService service;
    cups_dest_t* dest = service.reachable()
                            ? cupsGetNamedDest(service.connection(), name.constData(),
                                               instance.isEmpty() ? nullptr : instance.constData())
                            : nullptr;
    if (!dest)
        return settings;
    for (int i = 0; i < dest->num_options; ++i)
        settings.options << QString::fromUtf8(dest->options[i].name)
                         << QString::fromUtf8(dest->options[i].value);
    readPpd(service.connection(), dest, paperKey, settings);
    if (cups_dinfo_t* info =
            settings.dpi > 0 ? nullptr : cupsCopyDestInfo(service.connection(), dest)) {
        if (ipp_attribute_t* attr =
                cupsFindDestDefault(service.connection(), dest, info, "printer-resolution")) {
            int y = 0;
            ipp_res_t units = IPP_RES_PER_INCH;
            const int x = ippGetResolution(attr, 0, &y, &units);
            settings.dpi = units == IPP_RES_PER_CM ? int(x * 2.54 + 0.5) : x;
        }
        cupsFreeDestInfo(info);
    }
    cupsFreeDests(1, dest);
#else
    Q_UNUSED(queue);
    Q_UNUSED(paperKey);
#endif
    return settings;
}

// The toolkit's print engine takes the job's CUPS options under this key,
// as a list of names and values one after the other.
const auto cupsOptionsKey = QPrintEngine::PrintEnginePropertyKey(0xfe00);

} // namespace

CupsPrinters::CupsPrinters() : m_queues(queues(true))
{
    for (const Queue& queue : m_queues)
        if (queue.isDefault)
            m_current = queue;
}

CupsPrinters::~CupsPrinters() = default;

QList<CupsPrinters::Queue> CupsPrinters::queues(bool findDefault, ServiceFailure* unreachable)
{
    QList<Queue> list;
#ifndef Q_OS_WIN
    PrintService service;
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
    ipp_t* response = cupsDoRequest(service.connection(), request, "/");
    if (!response) {
        service.requestFailed();
        return gone();
    }
    Queue queue;
    const auto finish = [&] {
        if (!queue.name.isEmpty())
            list.append(queue);
        queue = Queue();
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
    ippDelete(response);
    // The instances the user defined, as printers of their own.
    const QList<Queue> queuesOnly = list;
    for (const QString& instance : lpoptionsInstances()) {
        const QString base = instance.section(QLatin1Char('/'), 0, 0);
        for (const Queue& q : queuesOnly)
            if (q.name == base)
                list.append({instance, q.description, q.description, false});
    }
    // In the order in which Qt and the print dialogs list them: by queue, an
    // instance after its queue.
    std::stable_sort(list.begin(), list.end(), [](const Queue& a, const Queue& b) {
        const int byQueue =
            a.name.section(QLatin1Char('/'), 0, 0)
                .compare(b.name.section(QLatin1Char('/'), 0, 0), Qt::CaseInsensitive);
        if (byQueue != 0)
            return byQueue < 0;
        return a.name.section(QLatin1Char('/'), 1)
                   .compare(b.name.section(QLatin1Char('/'), 1), Qt::CaseInsensitive) < 0;
    });
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
    // Where the print library keeps them: the system's file, then the user's.
    const QString serverRoot = qEnvironmentVariableIsSet("CUPS_SERVERROOT")
                                   ? qEnvironmentVariable("CUPS_SERVERROOT")
                                   : QStringLiteral("/etc/cups");
    const QStringList files = {serverRoot + QStringLiteral("/lpoptions"),
                               QDir::homePath() + QStringLiteral("/.cups/lpoptions")};
    for (const QString& path : files) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            continue;
        // Lines of "Dest QUEUE[/INSTANCE] options" or "Default ...".
        while (!file.atEnd()) {
            const QStringList words =
                QString::fromUtf8(file.readLine()).simplified().split(QLatin1Char(' '));
            if (words.size() < 2 ||
                (words[0].compare(QStringLiteral("Dest"), Qt::CaseInsensitive) &&
                 words[0].compare(QStringLiteral("Default"), Qt::CaseInsensitive)))
                continue;
            const QString& name = words[1];
            if (name.section(QLatin1Char('/'), 1).isEmpty() || instances.contains(name))
                continue;
            instances << name;
        }
    }
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

QPrinter& CupsPrinters::printer()
{
    if (!m_printer) {
        // The toolkit asks the service for its default printer here, and
        // would wait on a silent one without end.
        if (!PrintService::answers())
            throw Failure(fail::printerError);
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        m_canvas = std::make_unique<PrinterCanvas>(*m_printer);
        m_canvas->setJobTitle(m_jobTitle);
#ifndef Q_OS_WIN
        // Qt hands the document to the service without looking at the answer:
        // a queue that refuses the job must not pass for a printed copy.
        m_canvas->setJobCheck([] {
            if (cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE)
                throw Failure(fail::printerError);
        });
        // Nor does it bound the wait when it hands the document over.
        m_canvas->setSendCheck([] {
            if (!PrintService::answers())
                throw Failure(fail::printerError);
        });
#endif
    }
    return *m_printer;
}

Canvas& CupsPrinters::canvas()
{
    printer();
    // The current queue is set up on first use, and again after it failed.
    if (!m_configured && !m_current.name.isEmpty())
        select(m_current);
    return *m_canvas;
}

QString CupsPrinters::note(const QString& deviceName) const
{
    for (const Queue& queue : m_queues)
        if (queue.deviceName == deviceName)
            if (const auto correction = Calibrations().of(queue.name))
                return QStringLiteral("Calibrated: ") + describe(*correction);
    return {};
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
    const bool same = m_printer && m_configured && queue.name == m_current.name;
    m_current = queue;
    if (!m_printer || same)
        return; // a new printer is set up when it is first used
    m_configured = false;
    if (!PrintService::answers())
        throw Failure(fail::printerError);
    const PrinterSetUp setUp = CupsPrinters::setUp(*m_printer, queue.name);
    m_scalingAsked = setUp.scalingAsked;
    m_canvas->setPaper(setUp.paper);
    // A printer the user calibrated prints true to size.
    const Correction correction = Calibrations().of(queue.name).value_or(Correction());
    m_canvas->setCorrection(correction.across, correction.down);
    m_configured = true;
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

PrinterSetUp CupsPrinters::setUp(QPrinter& printer, const QString& queue)
{
    printer.setPrinterName(queue);
    // Qt ignores a queue it does not know.
    if (printer.printerName() != queue)
        throw Failure(fail::printerError);
    // Qt starts every printer on A4: the queue's own default media counts.
    // Its margins are the queue's too: Qt keeps the margins of the page it had
    // before wherever they are wider than the new page's.
    const QPageSize size = QPrinterInfo::printerInfo(queue).defaultPageSize();
    if (size.isValid())
        printer.setPageSize(size);
    const QPageLayout layout = printer.pageLayout();
    printer.setPageMargins(layout.minimumMargins(), layout.units());
    // Dots are the queue's; Qt's high resolution where the queue names none.
    const JobSettings job = jobSettings(queue, layout.pageSize().key().toUtf8());
    printer.setResolution(job.dpi > 0 ? job.dpi : 1200);
    // Every option of the chosen instance (or of the user's lpoptions
    // default for the queue) goes with each job, as `lp -d QUEUE/INSTANCE`
    // sends them: Qt itself passes on only those it has a setting for. The
    // sheet is never scaled, whatever the queue's defaults or the instance
    // ask: each job says so.
    PrinterSetUp setUp;
    setUp.paper = job.paper;
    printer.printEngine()->setProperty(cupsOptionsKey, unscaled(job.options, &setUp.scalingAsked));
    return setUp;
}

} // namespace gridorra
