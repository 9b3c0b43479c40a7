#include "printercanvas.h"

#include "core/failure.h"
#include "render/export/bitpage.h"
#include "render/export/pdfsheet.h"
#include "render/export/svgpaths.h"
#include "render/marks.h"
#include "render/systemcolours.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPdfWriter>

#include <cmath>

namespace gridorra {

PrinterCanvas::PrinterCanvas(const QPageLayout& layout, int dpi, bool onDots)
    : m_layout(layout), m_dpi(dpi), m_onDots(onDots)
{}

void PrinterCanvas::cls()
{
    throw Failure(fail::invalidPropertyValue);
}

void PrinterCanvas::setScaleMode(int mode)
{
    if (mode != twips)
        throw Failure(fail::invalidPropertyValue);
}

// The printable area in twips, to the twip: taken in points (20 twips each),
// the unit in which the page and the queue's margins are given. (In inches Qt
// rounds the area to 0.01 inch, up to 7 twips short.)
double PrinterCanvas::scaleWidth() const
{
    return layout().paintRect(QPageLayout::Point).width() * 20.0 / m_across;
}

double PrinterCanvas::scaleHeight() const
{
    return layout().paintRect(QPageLayout::Point).height() * 20.0 / m_down;
}

namespace {

// A paper's size in points to a fraction of a point, from its definition
// (A4 is defined as 210 x 297 mm; Qt's own size in points is whole points).
QSizeF exactPoints(const QPageSize& size)
{
    const QSizeF defined = size.definitionSize();
    switch (size.definitionUnits()) {
    case QPageSize::Millimeter:
        return defined * (72 / 25.4);
    case QPageSize::Inch:
        return defined * 72;
    case QPageSize::Point:
        return defined;
    default:
        return size.size(QPageSize::Point);
    }
}

} // namespace

QSizeF PrinterCanvas::printableArea() const
{
    const QPageLayout layout = this->layout();
    QSizeF paper = m_paper.isValid() ? m_paper : exactPoints(layout.pageSize());
    if (layout.orientation() == QPageLayout::Landscape)
        paper.transpose();
    const QMarginsF margins = layout.margins(QPageLayout::Point);
    return QSizeF((paper.width() - margins.left() - margins.right()) * 20.0 / m_across,
                  (paper.height() - margins.top() - margins.bottom()) * 20.0 / m_down);
}

double PrinterCanvas::unitAcross() const
{
    return m_dotsAcross > 0 ? m_dotsPerTwip * 1440 / m_dotsAcross : 1.0;
}

double PrinterCanvas::unitDown() const
{
    return m_dotsDown > 0 ? m_dotsPerTwip * 1440 / m_dotsDown : 1.0;
}

double PrinterCanvas::penAcross(const QLineF& l, int width) const
{
    return l.x1() == l.x2() ? width * unitAcross() : l.y1() == l.y2() ? width * unitDown() : width;
}

void PrinterCanvas::setDrawWidth(qint16 width)
{
    m_drawWidth = std::max<qint16>(width, 1);
}

void PrinterCanvas::placeOnPage()
{
    m_dotsPerTwip = dpi() / 1440.0;
    const QPageLayout layout = this->layout();
    const double dotsPerPoint = m_dotsPerTwip * 20.0;
    const QPointF exact = layout.paintRect(QPageLayout::Point).topLeft() * dotsPerPoint;
    m_placed =
        qtOrigin() ? layout.paintRectPixels(qRound(dotsPerPoint * 72.0)).topLeft() : QPoint();
    m_origin = exact - QPointF(m_placed);
    // The page Qt writes is whole points; the print service centres it on
    // paper that is not (CUPS's pdftopdf, 0.14 pt across and 0.06 pt up on
    // A4, a dot at 600 dpi), and the printer's dots are then the paper's.
    // The drawing moves back by that centring; its lines still snap to the
    // dots counted from the printable corner.
    QPointF centring;
    if (m_paper.isValid()) {
        const QSizeF page = layout.fullRectPoints().size();
        centring = QPointF(m_paper.width() - page.width(), page.height() - m_paper.height()) / 2 *
                   dotsPerPoint;
    }
    m_shift = m_origin - centring;
    // Rows counted from the foot lie the page height's fraction of a row
    // off those counted from the top.
    m_foot = 0;
    if (m_rowsFromFoot) {
        const double height = layout.fullRectPoints().height() * dotsPerPoint / unitDown();
        m_foot = (height - std::round(height)) * unitDown();
    }
}

Placement PrinterCanvas::placement() const
{
    return {m_dotsPerTwip, m_across,     m_down,     m_origin - QPointF(0, m_foot),
            m_onDots,      unitAcross(), unitDown(), QPointF(m_placed)};
}

quint32 PrinterCanvas::rgbOf(quint32 colour)
{
    return toQColor(colour, QGuiApplication::palette()).rgb() & 0xFFFFFF;
}

QList<QPair<quint32, Marks>> PrinterCanvas::byInk(const Marks& marks, quint32 colour)
{
    return marks.inks.isEmpty() ? QList<QPair<quint32, Marks>>{{colour, marks}} : marks.byInk();
}

bool PrinterCanvas::beginDocument()
{
    if (m_open)
        return true;
    if (m_documentFailed)
        return false;
    placeOnPage();
    try {
        open();
    } catch (const Failure&) {
        m_documentFailed = true;
        throw;
    }
    m_open = true;
    return true;
}

void PrinterCanvas::line(float x1, float y1, float x2, float y2, quint32 colour)
{
    if (!beginDocument())
        return;
    // Lines go to the page together, one path for each pen width: a page of
    // a dense grid is then a few drawing operations, not thousands. In one
    // colour, solid lines cover the same dots in any order; a new colour
    // first puts down what came before it.
    if (colour != m_pendingColour)
        flushLines();
    m_pendingColour = colour;
    // A line's edges lie on dot boundaries: a renderer that paints every
    // dot a stroke touches (Ghostscript, as CUPS's filters run it) then
    // paints exactly its width, as one that paints the dots whose centres
    // it covers (poppler) does. The line moves by half a dot at the most.
    const double k = m_dotsPerTwip;
    const QLineF l(x1 * k * m_across, y1 * k * m_down, x2 * k * m_across, y2 * k * m_down);
    m_pending[m_drawWidth].append(snappedLine(l, penAcross(l, m_drawWidth), placement()));
}

void PrinterCanvas::flushLines()
{
    const QColor colour = toQColor(m_pendingColour, QGuiApplication::palette());
    for (auto it = m_pending.cbegin(); it != m_pending.cend(); ++it)
        putLines(it.key(), it.value(), colour);
    m_pending.clear();
}

QByteArray PrinterCanvas::drawMarks(const Marks& marks, quint32 colour, int pages,
                                    const Marks* back)
{
    placeOnPage();
    countEnded();
    return putMarks(marks, colour, pages, back, placement());
}

void PrinterCanvas::endDoc()
{
    m_documentFailed = false;
    if (!m_open)
        return; // nothing drawn: no job
    flushLines();
    m_open = false;
    close();
}

// Qt's PDF writer.

PdfCanvas::PdfCanvas(QPdfWriter& writer) : PrinterCanvas({}, 0, true), m_writer(writer) {}

PdfCanvas::~PdfCanvas()
{
    // A document left open at exit is abandoned, not sent.
    if (m_painter.isActive()) {
        dropPending();
        m_painter.end();
    }
}

QPageLayout PdfCanvas::layout() const
{
    return m_writer.pageLayout();
}

int PdfCanvas::dpi() const
{
    return m_writer.resolution();
}

void PdfCanvas::open()
{
    m_writer.setTitle(jobTitle());
    if (m_document) {
        m_document->close();
        m_document->setData(QByteArray());
        m_document->open(QIODevice::WriteOnly);
    }
    if (!m_painter.begin(&m_writer))
        throw Failure(fail::printerError);
    // The painter's origin at the printable area's exact corner, less the
    // print service's centring (see placeOnPage()).
    m_painter.translate(shift());
}

void PdfCanvas::putLines(int width, const QList<QLineF>& lines, const QColor& colour)
{
    // A line of 2 dots or more across or down the page is a filled
    // rectangle its pen wide, its edges on dot boundaries: Qt's PDF asks for
    // stroke adjustment, with which Ghostscript (as CUPS's filters run it)
    // paints such a stroke a dot wider than poppler does, while both paint
    // the rectangle exactly. A 1-dot line stays a stroke, which stroke
    // adjustment keeps at one dot wherever a filter places the page.
    QList<QRectF> rects;
    QList<QLineF> strokes;
    for (const QLineF& l : lines) {
        const double across = penAcross(l, width);
        if (across >= 2 && isAxisAligned(l))
            rects << coveredBy(l, across);
        else
            strokes << l;
    }
    m_painter.setPen(Qt::NoPen);
    m_painter.setBrush(colour);
    m_painter.drawRects(rects);
    QPen pen(colour, width);
    pen.setCosmetic(true);
    pen.setCapStyle(Qt::FlatCap);
    m_painter.setPen(pen);
    m_painter.setBrush(Qt::NoBrush);
    m_painter.drawLines(strokes);
}

void PdfCanvas::close()
{
    if (!m_painter.end())
        throw Failure(fail::printerError);
    countEnded();
    if (m_send)
        m_send(m_document->data());
}

void PdfCanvas::drawPage(const std::function<void(QPainter&)>& draw)
{
    if (!beginDocument())
        return;
    flushLines();
    m_painter.save();
    draw(m_painter);
    m_painter.restore();
    endDoc();
}

QByteArray PdfCanvas::putMarks(const Marks& marks, quint32 colour, int pages, const Marks* back,
                               const Placement& placement)
{
    // A PDF's marks are counted from where Qt's engine would have put the
    // origin (qtOrigin()), so that a mark half a dot from two places (a
    // line whose pen is even, centred on a whole dot) takes the same one as
    // the window's document does: the grid as marks is the window's grid to
    // the dot.
    PdfSheet sheet(layout().fullRectPoints().size(), int(std::lround(dotsPerTwip() * 1440)),
                   rgbOf(colour));
    const QPointF shift = this->shift() + QPointF(placed());
    for (const bool isBack : {false, true}) {
        if (isBack && (!back || pages < 2))
            break;
        const QList<QPair<quint32, Marks>> parts = byInk(isBack ? *back : marks, colour);
        for (const auto& [ink, part] : parts)
            sheet.draw(place(part, placement), shift, isBack,
                       parts.size() > 1 ? std::optional(rgbOf(ink)) : std::nullopt);
    }
    const QByteArray pdf = sheet.pdf(jobTitle(), pages);
    if (m_send)
        m_send(pdf);
    return pdf;
}

// A PNG's bits.

BitsCanvas::BitsCanvas(BitPage& page, const QPageLayout& layout, int dpi)
    : PrinterCanvas(layout, dpi, true), m_bits(page)
{}

void BitsCanvas::putLines(int width, const QList<QLineF>& lines, const QColor&)
{
    // Each line its pen wide about its place, on whole pixels.
    for (const QLineF& l : lines)
        m_bits.fill(coveredBy(l, penAcross(l, width)).translated(shift()));
}

void BitsCanvas::drawPlaced(const PlacedMarks& placed, BitPage& bits) const
{
    for (auto it = placed.lines.cbegin(); it != placed.lines.cend(); ++it) {
        const double w = it.key();
        for (const QLineF& placedLine : it.value()) {
            const QLineF l = placedLine.translated(shift());
            if (isAxisAligned(l)) {
                bits.fill(coveredBy(l, w));
                continue;
            }
            const QPointF across =
                QLineF(QPointF(), QPointF(-l.dy(), l.dx())).unitVector().p2() * (w / 2);
            bits.fillConvex({l.p1() + across, l.p2() + across, l.p2() - across, l.p1() - across});
        }
    }
    // A row of dots a slab of the dots' rows at a time: one height of
    // span after another.
    for (auto it = placed.dots.cbegin(); it != placed.dots.cend(); ++it) {
        const QList<QRectF> disc = discRows(it.key());
        const QList<QPointF>& centres = it.value();
        for (qsizetype from = 0; from < centres.size();) {
            qsizetype to = from;
            while (to < centres.size() && centres[to].y() == centres[from].y())
                ++to;
            for (const QRectF& r : disc)
                for (qsizetype i = from; i < to; ++i)
                    bits.fill(r.translated(centres[i] + shift()));
            from = to;
        }
    }
    for (auto it = placed.rings.cbegin(); it != placed.rings.cend(); ++it)
        for (const PlacedRing& r : it.value())
            bits.fillRing(r.centre + shift(), r.rx, r.ry, it.key());
}

QByteArray BitsCanvas::putMarks(const Marks& marks, quint32 colour, int, const Marks*,
                                const Placement& placement)
{
    m_layerInks.clear();
    // Each ink a layer of its own.
    for (const auto& [ink, part] : byInk(marks, colour)) {
        drawPlaced(place(part, placement), m_bits.layer(int(m_layerInks.size())));
        m_layerInks.append(rgbOf(ink));
    }
    return {};
}

// An SVG's paths.

SvgCanvas::SvgCanvas(SvgPaths& paths, const QPageLayout& layout, int dpi, bool onDots)
    : PrinterCanvas(layout, dpi, onDots), m_paths(paths)
{}

void SvgCanvas::putLines(int width, const QList<QLineF>& lines, const QColor& colour)
{
    // Straight into the SVG's text, at their places.
    QList<QLineF> moved = lines;
    for (QLineF& l : moved)
        l.translate(shift());
    m_paths.add(width, colour.name(), moved);
}

void SvgCanvas::drawPlaced(const PlacedMarks& placed, const QString& name)
{
    for (auto it = placed.lines.cbegin(); it != placed.lines.cend(); ++it) {
        QList<QLineF> lines = it.value();
        for (QLineF& l : lines)
            l.translate(shift());
        m_paths.add(it.key(), name, lines);
    }
    for (auto it = placed.dots.cbegin(); it != placed.dots.cend(); ++it) {
        QList<QPointF> centres = it.value();
        for (QPointF& c : centres)
            c += shift();
        m_paths.addDots(it.key(), name, centres);
    }
    for (auto it = placed.rings.cbegin(); it != placed.rings.cend(); ++it) {
        QList<QPointF> centres;
        QList<QSizeF> radii;
        for (const PlacedRing& r : it.value()) {
            centres << r.centre + shift();
            radii << QSizeF(r.rx, r.ry);
        }
        m_paths.addRings(it.key(), name, centres, radii);
    }
}

QByteArray SvgCanvas::putMarks(const Marks& marks, quint32 colour, int, const Marks*,
                               const Placement& placement)
{
    for (const auto& [ink, part] : byInk(marks, colour))
        drawPlaced(place(part, placement), QColor::fromRgb(rgbOf(ink)).name());
    return {};
}

void paintPage(QPaintDevice& device, const QPageLayout& layout, int dpi,
               const std::function<void(QPainter&)>& draw)
{
    QPainter painter;
    if (!painter.begin(&device))
        throw Failure(fail::printerError);
    painter.translate(layout.paintRect(QPageLayout::Point).topLeft() * (dpi / 72.0));
    draw(painter);
    painter.end();
}

} // namespace gridorra
