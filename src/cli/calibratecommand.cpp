#include "commandrules.h"
#include "sheetparts.h"

#include <QCommandLineParser>

#include <tuple>

namespace gridorra {

using namespace sheet;

std::optional<calibration::Lengths> calibrationLengths(const QString& printerName,
                                                       CommandStreams& streams)
{
    std::optional<calibration::Lengths> lengths;
    runInProcess(
        [&] {
            const Choice printer = choosePrinter(printerName);
            if (printer.unreachable)
                return unreachable(printer.unreachable->why);
            if (printer.unknown)
                return unknownPrinter(printerName, printer.match);
            const std::optional<PageSetup> page = printerPage(printer, SheetRequest());
            if (!page)
                return 1;
            lengths =
                calibration::lengthsFor(page->layout.paintRect(QPageLayout::Millimeter).size());
            return 0;
        },
        streams);
    return lengths;
}

namespace {

// The store kept the correction from changing: said, and the run fails.
int cannotStore(const QString& why)
{
    say(QStringLiteral("%1: the correction was not stored: %2").arg(programName(), why));
    return 1;
}

} // namespace

int calibrateCommand(char* program, const CalibrateRequest& request)
{
    const WindowlessApplication app(program);
    Calibrations calibrations;
    const auto factors = describe;
    if (request.kind == CalibrateRequest::Kind::List) {
        bool unreadable = false;
        int listed = 0;
        QStringList lines;
        for (const StoredCorrection& entry : calibrations.all()) {
            if (entry.correction) {
                ++listed;
                lines << QStringLiteral("%1: %2\n").arg(entry.printer, factors(*entry.correction));
            } else {
                unreadable = true;
                sayUnreadable(entry);
            }
        }
        if (listed == 0 && !unreadable)
            lines << QStringLiteral("no printer is calibrated\n");
        if (!writeOut(lines.join(QString())))
            return cannotWriteOutput();
        return unreadable ? 1 : 0;
    }
    const Choice printer = choosePrinter(request.printer);
    if (printer.unreachable)
        return unreachable(printer.unreachable->why);
    if (printer.unknown)
        return unknownPrinter(request.printer, printer.match);
    if (request.kind == CalibrateRequest::Kind::Reset) {
        QString problem;
        const bool removed = calibrations.remove(printer.queue, &problem);
        if (!problem.isEmpty())
            return cannotStore(problem);
        return writeOut(QStringLiteral("%1: %2\n")
                            .arg(printer.deviceName,
                                 removed ? QStringLiteral("correction removed")
                                         : QStringLiteral("no correction was stored")))
                   ? 0
                   : cannotWriteOutput();
    }
    // The rulers this printer's sheet has, and what was measured of them.
    const std::optional<PageSetup> page = printerPage(printer, SheetRequest());
    if (!page)
        return 1;
    const calibration::Lengths lengths =
        calibration::lengthsFor(page->layout.paintRect(QPageLayout::Millimeter).size());
    Correction correction;
    for (const auto& [option, text, measured, mm, in, into] :
         {std::tuple{"--across", request.acrossText, request.across, lengths.acrossMm,
                     lengths.acrossIn, &correction.across},
          std::tuple{"--down", request.downText, request.down, lengths.downMm, lengths.downIn,
                     &correction.down}}) {
        const double nominal = measured.inches ? in * 25.4 : mm;
        *into = nominal / measured.millimetres;
        if (*into < Calibrations::lowest || *into > Calibrations::highest) {
            say(QStringLiteral("%1: %2 %3: the ruler runs to %4 %5 on this printer's sheet; "
                               "that is %6 off, more than a printer is (measure again)")
                    .arg(programName(), QLatin1String(option), text)
                    .arg(measured.inches ? in : mm)
                    .arg(measured.inches ? QStringLiteral("in") : QStringLiteral("mm"))
                    .arg(QStringLiteral("%1%").arg(std::abs(*into - 1) * 100, 0, 'f', 1)));
            return 2;
        }
    }
    if (const QString problem = calibrations.store(printer.queue, correction); !problem.isEmpty())
        return cannotStore(problem);
    return writeOut(QStringLiteral("%1: %2\n").arg(printer.deviceName, factors(correction)))
               ? 0
               : cannotWriteOutput();
}

} // namespace gridorra

namespace gridorra::rules::calibrating {

QString read(const QCommandLineParser& parser, CalibrateRequest& calibrate)
{
    const bool across = parser.isSet(QStringLiteral("across"));
    const bool down = parser.isSet(QStringLiteral("down"));
    const bool reset = parser.isSet(QStringLiteral("reset"));
    if (parser.isSet(QStringLiteral("calibration"))) {
        if (parser.isSet(QStringLiteral("calibrate")) || across || down || reset ||
            parser.isSet(QStringLiteral("printer")))
            return QStringLiteral("--calibration lists the corrections; give it alone");
        return {};
    }
    calibrate.printer = parser.value(QStringLiteral("printer"));
    if (calibrate.printer.isEmpty())
        return QStringLiteral("--calibrate: name the printer with --printer");
    if (reset) {
        if (across || down)
            return QStringLiteral("--reset removes the correction; give no lengths");
        calibrate.kind = CalibrateRequest::Kind::Reset;
        return {};
    }
    if (!across || !down)
        return QStringLiteral("--calibrate: give both rulers as measured, --across and --down, "
                              "as read on the printer's calibration sheet");
    calibrate.kind = CalibrateRequest::Kind::Store;
    calibrate.acrossText = parser.value(QStringLiteral("across"));
    calibrate.downText = parser.value(QStringLiteral("down"));
    for (const auto& [option, text, into] :
         {std::tuple{"--across", calibrate.acrossText, &calibrate.across},
          std::tuple{"--down", calibrate.downText, &calibrate.down}}) {
        QString why;
        const std::optional<Measured> m = measuredLength(text, &why);
        if (!m)
            return QStringLiteral("%1 %2: %3").arg(QLatin1String(option), text, why);
        *into = *m;
    }
    return {};
}

} // namespace gridorra::rules::calibrating
