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

// A queue's page: its paper, printable area and dots, from its PPD or its
// attributes, and the options a job goes with.
namespace gridorra {

using namespace cups;

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
    if (ppd_option_t* duplex = ppdFindOption(ppd, "Duplex"))
        page.twoSided = ppdFindChoice(duplex, "DuplexNoTumble") != nullptr;
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
    page.twoSided = page.twoSided || cupsCheckDestSupported(http, dest, info, CUPS_SIDES,
                                                            CUPS_SIDES_TWO_SIDED_PORTRAIT) != 0;
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
#endif

} // namespace

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
