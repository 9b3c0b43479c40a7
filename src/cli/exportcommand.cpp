#include "commandrules.h"
#include "sheetparts.h"

#include <unistd.h>

namespace gridorra::sheet {

// Qt writes an SVG's width and height from its whole pixels; the page is
// given its exact physical size instead, in millimetres.
QByteArray exactSvgSize(QByteArray svg, const QPageLayout& layout)
{
    const QSizeF mm = layout.fullRect(QPageLayout::Millimeter).size();
    const qsizetype from = svg.indexOf("width=\"");
    const qsizetype heightAt = svg.indexOf("height=\"", from);
    const qsizetype to = svg.indexOf('"', heightAt + 8);
    if (from < 0 || heightAt < 0 || to < 0 || to > 512)
        return svg;
    return svg.replace(from, to + 1 - from,
                       QStringLiteral("width=\"%1mm\" height=\"%2mm\"")
                           .arg(mm.width(), 0, 'f', 3)
                           .arg(mm.height(), 0, 'f', 3)
                           .toUtf8());
}

// The calibration sheet as a PNG of two colours, white and black, that
// says its resolution (pHYs).
void writePng(const QImage& page, int dpi, QRgb ink, QBuffer& document)
{
    QImage twoColours = page.convertToFormat(QImage::Format_Mono, {qRgb(255, 255, 255), ink},
                                             Qt::ThresholdDither | Qt::AvoidDither);
    const int perMetre = qRound(dpi / 0.0254);
    twoColours.setDotsPerMeterX(perMetre);
    twoColours.setDotsPerMeterY(perMetre);
    QImageWriter(&document, "png").write(twoColours);
}

// The page of an export as the current printer: the one printer of an
// export, drawing a PDF (`pdf`, the writer), an SVG or a PNG.
class PagePrinters : public Printers {
public:
    PagePrinters(PrinterCanvas& canvas, QPdfWriter* pdf) : m_canvas(canvas), m_pdf(pdf) {}

    QStringList deviceNames() const override { return {}; }
    void refresh() override {}
    QString currentDeviceName() const override { return {}; }
    void makeCurrent(int) override { throw Failure(fail::printerError); }
    int printerScaleMode() const override { return Canvas::twips; }
    Canvas& canvas() override { return m_canvas; }
    void setJobTitle(const QString& title) override { m_canvas.setJobTitle(title); }
    PrinterCanvas& printerCanvas() { return m_canvas; }

    // A PDF on which nothing could be drawn is still a page.
    void blankPageIfNothingWasDrawn()
    {
        if (m_pdf && m_canvas.documentsEnded() == 0)
            QPainter(m_pdf).end();
    }

private:
    PrinterCanvas& m_canvas;
    QPdfWriter* m_pdf;
};

// Whether the page leaves no sheet to draw: margins that leave no room, a
// PNG too large. Said, when so.
bool pageRefused(const SheetRequest& request, const PageSetup& page)
{
    const QSizeF paper = page.layout.fullRect(QPageLayout::Point).size();
    if (request.margins && 2 * *request.margins >= std::min(paper.width(), paper.height())) {
        say(QStringLiteral("%1: --margins %2: leave no room on a page of %3 x %4 points")
                .arg(programName(), request.marginsText)
                .arg(paper.width())
                .arg(paper.height()));
        return true;
    }
    if (request.format == SheetRequest::Format::Png) {
        const QSize pixels = page.layout.fullRectPixels(page.dpi).size();
        if (pixels.width() > 20000 || pixels.height() > 20000 ||
            qint64(pixels.width()) * pixels.height() > 400'000'000) {
            say(QStringLiteral("%1: a PNG of %2 x %3 pixels (%4 dpi) is too large: at most 20000 "
                               "on a side and 400 megapixels")
                    .arg(programName())
                    .arg(pixels.width())
                    .arg(pixels.height())
                    .arg(page.dpi));
            return true;
        }
    }
    return false;
}

// The page of an export in the format asked for, and the canvas that draws
// on it: a PDF as a printer has it; an SVG of the page's physical size with
// the lines at their exact places (on dots with --resolution); a PNG with
// the lines on whole pixels, as on a printer's dots.
struct ExportPage {
    std::unique_ptr<QPdfWriter> pdf;
    std::unique_ptr<QSvgGenerator> svg;
    QImage image;
    std::unique_ptr<BitPage> bits;
    std::unique_ptr<SvgPaths> paths;
    // The sheet's canvas; none for the calibration sheet of an SVG or a PNG,
    // which Qt paints on the generator's or the image's page.
    std::unique_ptr<PrinterCanvas> canvas;
    PdfCanvas* pdfCanvas = nullptr;
    BitsCanvas* bitsCanvas = nullptr;
    const PageSetup& page;
    const QString& title;
    QBuffer& document;

    ExportPage(const SheetRequest& request, const PageSetup& page, const QString& title,
               QBuffer& document)
        : page(page), title(title), document(document)
    {
        const QSize pixels = page.layout.fullRectPixels(page.dpi).size();
        const bool onDots = request.resolution.has_value();
        switch (request.format) {
        case SheetRequest::Format::Pdf:
            pdf = std::make_unique<QPdfWriter>(&document);
            pdf->setResolution(page.dpi);
            pdf->setPageLayout(page.layout);
            canvas = std::make_unique<PdfCanvas>(*pdf);
            pdfCanvas = static_cast<PdfCanvas*>(canvas.get());
            break;
        case SheetRequest::Format::Svg:
            // The grid written as text, a path a pen width; the calibration
            // sheet, with its words, painted by Qt's SVG generator.
            if (!request.calibrationSheet) {
                paths = std::make_unique<SvgPaths>(page.layout.fullRect(QPageLayout::Point).size(),
                                                   page.dpi);
                canvas = std::make_unique<SvgCanvas>(*paths, page.layout, page.dpi, onDots);
                break;
            }
            svg = std::make_unique<QSvgGenerator>();
            svg->setOutputDevice(&document);
            svg->setResolution(page.dpi);
            svg->setSize(pixels);
            svg->setViewBox(QRectF(QPointF(), page.layout.fullRect(QPageLayout::Point).size() *
                                                  (page.dpi / 72.0)));
            svg->setTitle(title + QStringLiteral(": calibration sheet"));
            break;
        case SheetRequest::Format::Png:
            // The grid straight into two-colour pixels; the calibration
            // sheet, with its words, painted on an image.
            if (request.calibrationSheet) {
                image = QImage(pixels, QImage::Format_RGB32);
                image.fill(Qt::white);
            } else {
                bits = std::make_unique<BitPage>(pixels.width(), pixels.height());
                canvas = std::make_unique<BitsCanvas>(*bits, page.layout, page.dpi);
                bitsCanvas = static_cast<BitsCanvas*>(canvas.get());
            }
            break;
        }
        if (canvas)
            canvas->setJobTitle(title);
    }

    // Draws one page that is not a grid: the calibration sheet.
    void drawPage(const std::function<void(QPainter&)>& draw)
    {
        if (pdfCanvas)
            pdfCanvas->drawPage(draw);
        else if (svg)
            paintPage(*svg, page.layout, page.dpi, draw);
        else
            paintPage(image, page.layout, page.dpi, draw);
    }

    // Ends the page and puts the rest of the file into the document.
    void finish(QRgb ink)
    {
        const QList<quint32> inks = bitsCanvas ? bitsCanvas->layerInks() : QList<quint32>();
        bitsCanvas = nullptr;
        pdfCanvas = nullptr;
        canvas.reset();
        if (svg) {
            svg.reset();
            const QByteArray text = exactSvgSize(document.data(), page.layout);
            document.close();
            document.setData(text);
            document.open(QIODevice::WriteOnly | QIODevice::Append);
        }
        if (paths)
            document.write(paths->svg(title + QStringLiteral(": graph paper")));
        else if (bits)
            document.write(inks.isEmpty() ? bits->png(ink, page.dpi) : bits->png(inks, page.dpi));
        else if (!image.isNull())
            writePng(image, page.dpi, ink, document);
    }
};

// Two pages of the sheet side by side on the paper turned, each half of it
// with the margins of its own: the page on the right an odd page, the one
// on the left an even page (mirrored where double-sided). In booklet order
// a sheet's sides are all so (pages n and 1 on the front, 2 and n - 1 on the
// back), so every side is the same drawing.
SheetMarks twoUp(const SheetRequest& request, const GridWindow& window, const PrinterCanvas& canvas,
                 const PageSetup& page, ErrorReporter& report)
{
    const double half = page.layout.fullRect(QPageLayout::Point).width() * 20 / 2;
    const QMarginsF margins = page.layout.margins(QPageLayout::Point) * 20;
    const QSizeF area(half - margins.left() - margins.right(), canvas.printableArea().height());
    SheetMarks sheet = marksOn(request, window, canvas, area, page.dpi, report);
    if (!sheet.refusal.isEmpty())
        return sheet;
    Marks pages = request.doubleSided ? markmoves::mirrored(sheet.marks, area) : sheet.marks;
    for (Mark m : sheet.marks.marks) {
        m.x1 += half;
        if (m.kind == Mark::Kind::Segment)
            m.x2 += half;
        pages.marks.append(m);
    }
    sheet.marks = pages;
    return sheet;
}

int exportSheet(const SheetRequest& request, const Choice& printer, const SettingsStore& store,
                const QString& title)
{
    // The printer's correction, asked for: there must be one to draw with.
    const StoredCorrection stored =
        request.calibrated ? Calibrations().find(printer.queue) : StoredCorrection();
    if (request.calibrated && !stored.correction) {
        if (stored.problem.isEmpty())
            say(QStringLiteral("%1: --calibrated: \"%2\" is not calibrated")
                    .arg(programName(), printer.deviceName));
        else
            sayUnreadable(stored);
        return 2;
    }
    const std::optional<PageSetup> chosen = printerPage(printer, request);
    if (!chosen)
        return 1;
    const PageSetup& page = *chosen;
    if (pageRefused(request, page))
        return 2;
    const QString target =
        request.file == QStringLiteral("-") ? QStringLiteral("standard output") : request.file;
    const auto cannotWrite = [&](const QString& why) {
        say(QStringLiteral("%1: cannot write %2: %3").arg(programName(), target, why));
        return 1;
    };
    if (request.file == QStringLiteral("-") && standardOutput::wasClosed())
        return cannotWrite(QString::fromLocal8Bit(std::strerror(EBADF)));
    OutputFile file;
    if (!file.open(request.file))
        return cannotWrite(file.errorString());
    // The sheet is drawn whole in memory first: a run that fails leaves the
    // target as it was.
    QBuffer document;
    document.open(QIODevice::WriteOnly);
    StderrReport report;
    StoredWindow window(store, request, QString(), report);
    {
        ExportPage out(request, page, title, document);
        if (request.calibrationSheet) {
            out.drawPage(calibrationSheet(page.layout, page.dpi,
                                          printer.deviceName.isEmpty() ? QStringLiteral("PRINTER")
                                                                       : printer.deviceName));
        } else {
            PagePrinters sheet(*out.canvas, out.pdf.get());
            sheet.setJobTitle(title);
            if (stored.correction)
                sheet.printerCanvas().setCorrection(stored.correction->across,
                                                    stored.correction->down);
            if (request.drawsMarks()) {
                const SheetMarks marks =
                    request.twoUp
                        ? twoUp(request, window, sheet.printerCanvas(), page, report)
                        : marksFor(request, window, sheet.printerCanvas(), page.dpi, report);
                if (!marks.refusal.isEmpty()) {
                    say(QStringLiteral("%1: %2").arg(programName(), marks.refusal));
                    return 2;
                }
                // A third made, two thirds drawn: a window's progress bar
                // moves while a large sheet or notebook is written.
                window.setProgressValue(100.0 / 3);
                // Two pages to a side of the paper.
                const int sides = request.twoUp ? (request.pages + 1) / 2 : request.pages;
                document.write(sheet.printerCanvas().drawMarks(
                    marks.marks, window.lineColour(), sides, marks.back ? &*marks.back : nullptr));
                window.setProgressValue(200.0 / 3);
            } else {
                NoBoxes boxes;
                UserRegistry registry;
                bool busy = false;
                PrintJobContext job{window, sheet, registry, boxes, report, title, busy};
                printJob(job);
            }
            sheet.blankPageIfNothingWasDrawn();
        }
        out.finish(toQColor(window.lineColour(), QGuiApplication::palette()).rgb());
    }
    if (!request.calibrationSheet && request.isGrid())
        sayTooDense(window);
    if (report.failures() > 0) {
        say(QStringLiteral("%1: nothing was written to %2").arg(programName(), target));
        return 1;
    }
    // A failed write is kept by the device, and told by the commit.
    file.device().write(document.data());
    if (!file.commit())
        return cannotWrite(file.errorString());
    sayInexact(request, window);
    return 0;
}

} // namespace gridorra::sheet

namespace gridorra::rules::exporting {

namespace {

// A page size Qt knows by name or by key, in any letter case: A4, letter, Legal.
std::optional<QPageSize> pageSizeNamed(const QString& name)
{
    for (int id = 0; id <= int(QPageSize::LastPageSize); ++id) {
        const auto size = QPageSize::PageSizeId(id);
        if (id == int(QPageSize::Custom))
            continue;
        if (QPageSize::key(size).compare(name, Qt::CaseInsensitive) == 0 ||
            QPageSize::name(size).compare(name, Qt::CaseInsensitive) == 0)
            return QPageSize(size);
    }
    return std::nullopt;
}

} // namespace

QString pageSize(const QString& text, SheetRequest& sheet)
{
    sheet.pageSize = pageSizeNamed(text);
    return sheet.pageSize ? QString() : QStringLiteral("not a paper size (e.g. A4, Letter)");
}

QString margins(const QString& text, SheetRequest& sheet)
{
    // Read as a field reads a number, in the user's locale.
    const std::optional<double> pt = number::parse(text);
    if (!pt || !std::isfinite(*pt) || *pt < 0)
        return QStringLiteral("give points, 0 or more");
    sheet.margins = *pt;
    sheet.marginsText = text;
    return {};
}

QString resolution(const QString& text, SheetRequest& sheet)
{
    const std::optional<double> dpi = number::parse(text);
    if (!dpi || !std::isfinite(*dpi) || number::roundHalfEven(*dpi) < 72 ||
        number::roundHalfEven(*dpi) > 4800)
        return QStringLiteral("give 72 to 4800 dots per inch");
    sheet.resolution = int(number::roundHalfEven(*dpi));
    return {};
}

QString file(const QString& text, SheetRequest& sheet)
{
    sheet.kind = SheetRequest::Kind::Export;
    sheet.file = text;
    return text.isEmpty() ? QStringLiteral("give the file to write") : QString();
}

QString format(const QString& text, SheetRequest& sheet)
{
    static const QMap<QString, SheetRequest::Format> formats = {
        {QStringLiteral("pdf"), SheetRequest::Format::Pdf},
        {QStringLiteral("svg"), SheetRequest::Format::Svg},
        {QStringLiteral("png"), SheetRequest::Format::Png}};
    if (!formats.contains(text.toLower()))
        return QStringLiteral("give pdf, svg or png");
    sheet.format = formats.value(text.toLower());
    return {};
}

QString twoUp(const QString&, SheetRequest& sheet)
{
    sheet.twoUp = true;
    return {};
}

QString calibrated(const QString&, SheetRequest& sheet)
{
    sheet.calibrated = true;
    return {};
}

QString refusal(SheetRequest& sheet, bool formatGiven)
{
    if (sheet.calibrated && sheet.printer.isEmpty())
        return QStringLiteral("--calibrated: name the printer whose correction to use "
                              "with --printer");
    if (!formatGiven) {
        const QString name = sheet.file.section(QLatin1Char('/'), -1);
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        const QString extension = dot > 0 ? name.mid(dot).toLower() : QString();
        if (extension == QStringLiteral(".svg"))
            sheet.format = SheetRequest::Format::Svg;
        else if (extension == QStringLiteral(".png"))
            sheet.format = SheetRequest::Format::Png;
        else if (!extension.isEmpty() && extension != QStringLiteral(".pdf") &&
                 !sheet.file.startsWith(QStringLiteral("/dev/")) &&
                 !sheet.file.startsWith(QStringLiteral("/proc/")))
            return QStringLiteral("unknown format %1: use .pdf, .svg or .png, or --format")
                .arg(name.mid(dot));
    }
    // A PDF on a terminal is a screenful of noise.
    if (sheet.file == QStringLiteral("-") && !standardOutput::wasClosed() &&
        ::isatty(STDOUT_FILENO))
        return QStringLiteral("--export -: not writing a %1 to a terminal; use a file "
                              "name or a pipe")
            .arg(sheet.format == SheetRequest::Format::Svg   ? QStringLiteral("SVG")
                 : sheet.format == SheetRequest::Format::Png ? QStringLiteral("PNG")
                                                             : QStringLiteral("PDF"));
    if (sheet.pages > 1 && sheet.format != SheetRequest::Format::Pdf)
        return QStringLiteral("--pages: a notebook is a PDF; an SVG or PNG is one page");
    if (sheet.twoUp && sheet.pattern.landscape)
        return QStringLiteral("--two-up turns the paper itself; its pages are upright");
    return {};
}

} // namespace gridorra::rules::exporting
