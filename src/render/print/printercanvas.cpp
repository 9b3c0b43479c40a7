#include "printercanvas.h"

#include "core/failure.h"
#include "render/export/bitpage.h"
#include "render/export/pdfsheet.h"
#include "render/export/svgpaths.h"
#include "render/placedmarks.h"
#include "render/systemcolours.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPdfWriter>

#include <cmath>

namespace gridorra {

PrinterCanvas::PrinterCanvas(QPdfWriter& writer) : m_device(writer), m_writer(&writer) {}

PrinterCanvas::PrinterCanvas(BitPage& page, QPaintDevice& none, const QPageLayout& layout, int dpi)
    : m_device(none), m_layout(layout), m_dpi(dpi), m_bits(&page)
{}

PrinterCanvas::PrinterCanvas(SvgPaths& paths, QPaintDevice& none, const QPageLayout& layout,
                             int dpi, bool onDots)
    : m_device(none), m_layout(layout), m_dpi(dpi), m_onDots(onDots), m_paths(&paths)
{}

PrinterCanvas::PrinterCanvas(QPaintDevice& device, const QPageLayout& layout, int dpi, bool onDots)
    : m_device(device), m_layout(layout), m_dpi(dpi), m_onDots(onDots), m_cosmetic(false)
{}

QPageLayout PrinterCanvas::layout() const
{
    return m_writer ? m_writer->pageLayout() : m_layout;
}

PrinterCanvas::~PrinterCanvas()
{
    // A document left open at exit is abandoned, not sent.
    abandon();
}

void PrinterCanvas::abandon()
{
    if (m_painter.isActive()) {
        m_pending.clear();
        m_painter.end();
    }
}

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

double PrinterCanvas::dotsPerTwip() const
{
    return (m_writer ? m_writer->resolution() : m_dpi) / 1440.0;
}

double PrinterCanvas::unitAcross() const
{
    return m_dotsAcross > 0 ? m_dotsPerTwip * 1440 / m_dotsAcross : 1.0;
}

double PrinterCanvas::unitDown() const
{
    return m_dotsDown > 0 ? m_dotsPerTwip * 1440 / m_dotsDown : 1.0;
}

void PrinterCanvas::setDrawWidth(qint16 width)
{
    m_drawWidth = std::max<qint16>(width, 1);
}

bool PrinterCanvas::beginDocument()
{
    if (m_painter.isActive() || m_directOpen)
        return true;
    if (m_documentFailed)
        return false;
    if (m_writer)
        m_writer->setTitle(m_jobTitle);
    if (m_document) {
        m_document->close();
        m_document->setData(QByteArray());
        m_document->open(QIODevice::WriteOnly);
    }
    if (m_bits || m_paths) {
        m_directOpen = true;
    } else if (!m_painter.begin(&m_device)) {
        m_documentFailed = true;
        throw Failure(fail::printerError);
    }
    placeOnPage(m_writer != nullptr);
    if (!m_bits && !m_paths)
        m_painter.translate(m_shift);
    return true;
}

void PrinterCanvas::placeOnPage(bool qtOrigin)
{
    m_dotsPerTwip = dotsPerTwip();
    // Qt's PDF engine puts the origin at the printable area's corner in
    // whole device pixels taken from margins rounded to whole points (a
    // printer's 9.64 pt margin becomes 10 pt, 3.5 dots off at 600 dpi). The
    // sheet begins at the exact corner: the difference is made up here.
    const QPageLayout layout = this->layout();
    const double dotsPerPoint = m_dotsPerTwip * 20.0;
    const QPointF exact = layout.paintRect(QPageLayout::Point).topLeft() * dotsPerPoint;
    // A device of a whole page (an image, an SVG) has its origin at the
    // page's corner.
    const QPoint placed =
        qtOrigin ? layout.paintRectPixels(qRound(dotsPerPoint * 72.0)).topLeft() : QPoint();
    m_placed = placed;
    m_origin = exact - QPointF(placed);
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

void PrinterCanvas::drawOnBits(const PlacedMarks& placed, BitPage& bits)
{
    for (auto it = placed.lines.cbegin(); it != placed.lines.cend(); ++it) {
        const double w = it.key();
        for (const QLineF& placedLine : it.value()) {
            const QLineF l = placedLine.translated(m_shift);
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
                    bits.fill(r.translated(centres[i] + m_shift));
            from = to;
        }
    }
    for (auto it = placed.rings.cbegin(); it != placed.rings.cend(); ++it)
        for (const PlacedRing& r : it.value())
            bits.fillRing(r.centre + m_shift, r.rx, r.ry, it.key());
}

void PrinterCanvas::drawInSvg(const PlacedMarks& placed, const QString& name)
{
    for (auto it = placed.lines.cbegin(); it != placed.lines.cend(); ++it) {
        QList<QLineF> lines = it.value();
        for (QLineF& l : lines)
            l.translate(m_shift);
        m_paths->add(it.key(), name, lines);
    }
    for (auto it = placed.dots.cbegin(); it != placed.dots.cend(); ++it) {
        QList<QPointF> centres = it.value();
        for (QPointF& c : centres)
            c += m_shift;
        m_paths->addDots(it.key(), name, centres);
    }
    for (auto it = placed.rings.cbegin(); it != placed.rings.cend(); ++it) {
        QList<QPointF> centres;
        QList<QSizeF> radii;
        for (const PlacedRing& r : it.value()) {
            centres << r.centre + m_shift;
            radii << QSizeF(r.rx, r.ry);
        }
        m_paths->addRings(it.key(), name, centres, radii);
    }
}

QByteArray PrinterCanvas::drawMarks(const Marks& marks, quint32 colour, int pages,
                                    const Marks* back)
{
    // A PDF's marks are counted from where Qt's engine would have put the
    // origin, so that a mark half a dot from two places (a line whose pen
    // is even, centred on a whole dot) takes the same one as the window's
    // document does: the grid as marks is the window's grid to the dot.
    placeOnPage(m_writer != nullptr);
    const Placement placement{
        m_dotsPerTwip, m_across,     m_down,     m_origin - QPointF(0, m_foot),
        m_onDots,      unitAcross(), unitDown(), QPointF(m_placed)};
    const auto rgbOf = [&](quint32 c) {
        return (m_ink.isValid() ? m_ink : toQColor(c, QGuiApplication::palette())).rgb() & 0xFFFFFF;
    };
    // The weights in colours of their own, one ink after another (one
    // layer of the PNG each); else every mark in the line colour.
    const auto inks = [&](const Marks& all) {
        return all.inks.isEmpty() || m_ink.isValid() ? QList<QPair<quint32, Marks>>{{colour, all}}
                                                     : all.byInk();
    };
    ++m_documentsEnded;
    m_layerInks.clear();
    if (m_bits) {
        for (const auto& [ink, part] : inks(marks)) {
            drawOnBits(place(part, placement), m_bits->layer(int(m_layerInks.size())));
            m_layerInks.append(rgbOf(ink));
        }
        return {};
    }
    if (m_paths) {
        for (const auto& [ink, part] : inks(marks))
            drawInSvg(place(part, placement), QColor::fromRgb(rgbOf(ink)).name());
        return {};
    }
    PdfSheet sheet(layout().fullRectPoints().size(), int(std::lround(m_dotsPerTwip * 1440)),
                   rgbOf(colour));
    const QPointF shift = m_shift + QPointF(m_placed);
    for (const bool isBack : {false, true}) {
        if (isBack && (!back || pages < 2))
            break;
        const QList<QPair<quint32, Marks>> parts = inks(isBack ? *back : marks);
        for (const auto& [ink, part] : parts)
            sheet.draw(place(part, placement), shift, isBack,
                       parts.size() > 1 ? std::optional(rgbOf(ink)) : std::nullopt);
    }
    const QByteArray pdf = sheet.pdf(m_jobTitle, pages);
    if (m_send)
        m_send(pdf);
    return pdf;
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
    const double k = m_dotsPerTwip;
    // A line's edges lie on dot boundaries: a renderer that paints every
    // dot a stroke touches (Ghostscript, as CUPS's filters run it) then
    // paints exactly its width, as one that paints the dots whose centres
    // it covers (poppler) does. The line moves by half a dot at the most.
    // `unit`: device units per printer dot on that axis; dots larger than
    // a device unit are counted from the page's corner.
    const auto onDots = [this](double at, double origin, double corner, double unit) {
        if (!m_onDots)
            return at;
        const double half = m_drawWidth * unit / 2.0;
        return snappedToDots(at, origin, corner, half * 2, unit);
    };
    QLineF l(x1 * k * m_across, y1 * k * m_down, x2 * k * m_across, y2 * k * m_down);
    const double ux = unitAcross(), uy = unitDown();
    const QPointF o = m_origin - QPointF(0, m_foot), c = QPointF(m_placed);
    if (x1 == x2)
        l.setLine(onDots(l.x1(), o.x(), c.x(), ux), l.y1(), onDots(l.x2(), o.x(), c.x(), ux),
                  l.y2());
    else if (y1 == y2)
        l.setLine(l.x1(), onDots(l.y1(), o.y(), c.y(), uy), l.x2(),
                  onDots(l.y2(), o.y(), c.y(), uy));
    m_pending[m_drawWidth].append(l);
}

void PrinterCanvas::flushLines()
{
    // A line of 2 dots or more across or down the page is a filled
    // rectangle its pen wide, its edges on dot boundaries: Qt's PDF asks for
    // stroke adjustment, with which Ghostscript (as CUPS's filters run it)
    // paints such a stroke a dot wider than poppler does, while both paint
    // the rectangle exactly. A 1-dot line stays a stroke, which stroke
    // adjustment keeps at one dot wherever a filter places the page.
    for (auto it = m_pending.cbegin(); it != m_pending.cend(); ++it) {
        const QColor colour =
            m_ink.isValid() ? m_ink : toQColor(m_pendingColour, QGuiApplication::palette());
        const double w = it.key();
        // A line's pen in device units: whole dots of the axis it is
        // measured along (across for a line down the page).
        const double ux = unitAcross(), uy = unitDown();
        const auto across = [&](const QLineF& l) {
            return l.x1() == l.x2() ? w * ux : l.y1() == l.y2() ? w * uy : w;
        };
        // A line across or down the page as the rectangle its pen covers.
        const auto covered = [&](const QLineF& l) { return coveredBy(l, across(l)); };
        QList<QRectF> rects;
        QList<QLineF> strokes;
        for (const QLineF& l : it.value()) {
            if (across(l) >= 2 && (l.x1() == l.x2() || l.y1() == l.y2()))
                rects << covered(l);
            else
                strokes << l;
        }
        if (m_paths) {
            // Straight into the SVG's text, at their places.
            QList<QLineF> lines = it.value();
            for (QLineF& l : lines)
                l.translate(m_shift);
            m_paths->add(w, colour.name(), lines);
            continue;
        }
        if (m_bits) {
            // Straight into the pixels: each line its pen wide about its
            // place, on whole pixels.
            for (const QLineF& l : strokes)
                rects << covered(l);
            for (const QRectF& r : rects)
                m_bits->fill(r.translated(m_shift));
            continue;
        }
        m_painter.setPen(Qt::NoPen);
        m_painter.setBrush(colour);
        m_painter.drawRects(rects);
        QPen pen(colour, w);
        pen.setCosmetic(m_cosmetic);
        pen.setCapStyle(Qt::FlatCap);
        m_painter.setPen(pen);
        m_painter.setBrush(Qt::NoBrush);
        m_painter.drawLines(strokes);
    }
    m_pending.clear();
}

void PrinterCanvas::drawPage(const std::function<void(QPainter&)>& draw)
{
    if (!beginDocument())
        return;
    flushLines();
    m_painter.save();
    draw(m_painter);
    m_painter.restore();
    endDoc();
}

void PrinterCanvas::endDoc()
{
    m_documentFailed = false;
    if (m_directOpen) {
        flushLines();
        m_directOpen = false;
        ++m_documentsEnded;
        return;
    }
    if (!m_painter.isActive())
        return; // nothing drawn: no job
    flushLines();
    if (!m_painter.end())
        throw Failure(fail::printerError);
    ++m_documentsEnded;
    if (m_send)
        m_send(m_document->data());
}

} // namespace gridorra
