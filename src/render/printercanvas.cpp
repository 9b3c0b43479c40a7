#include "printercanvas.h"

#include "core/failure.h"
#include "systemcolours.h"

#include <QGuiApplication>
#include <QPageLayout>
#include <QPdfWriter>
#include <QPrinter>

namespace gridorra {

PrinterCanvas::PrinterCanvas(QPrinter& printer) : m_device(printer), m_printer(&printer) {}

PrinterCanvas::PrinterCanvas(QPdfWriter& writer) : m_device(writer), m_writer(&writer) {}

PrinterCanvas::~PrinterCanvas()
{
    // A document left open at exit is abandoned, not printed.
    abandon();
}

void PrinterCanvas::abandon()
{
    if (m_painter.isActive()) {
        m_pending.clear();
        if (m_printer)
            m_printer->abort();
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
    return m_device.pageLayout().paintRect(QPageLayout::Point).width() * 20.0;
}

double PrinterCanvas::scaleHeight() const
{
    return m_device.pageLayout().paintRect(QPageLayout::Point).height() * 20.0;
}

double PrinterCanvas::dotsPerTwip() const
{
    return (m_printer ? m_printer->resolution() : m_writer->resolution()) / 1440.0;
}

void PrinterCanvas::setDrawWidth(qint16 width)
{
    m_drawWidth = std::max<qint16>(width, 1);
}

bool PrinterCanvas::beginDocument()
{
    if (m_painter.isActive())
        return true;
    if (m_documentFailed)
        return false;
    if (m_printer && !m_printer->isValid()) {
        m_documentFailed = true;
        throw Failure(fail::printerError);
    }
    if (m_printer)
        m_printer->setDocName(m_jobTitle);
    else
        m_writer->setTitle(m_jobTitle);
    if (!m_painter.begin(&m_device)) {
        m_documentFailed = true;
        throw Failure(fail::printerError);
    }
    m_dotsPerTwip = dotsPerTwip();
    // Qt's PDF engine puts the origin at the printable area's corner in
    // whole device pixels taken from margins rounded to whole points (a
    // printer's 9.64 pt margin becomes 10 pt, 3.5 dots off at 600 dpi). The
    // sheet begins at the exact corner: the difference is made up here.
    const QPageLayout layout = m_device.pageLayout();
    const double dotsPerPoint = m_dotsPerTwip * 20.0;
    const QPointF exact = layout.paintRect(QPageLayout::Point).topLeft() * dotsPerPoint;
    const QPoint placed = layout.paintRectPixels(qRound(dotsPerPoint * 72.0)).topLeft();
    m_painter.translate(exact - QPointF(placed));
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
    const double k = m_dotsPerTwip;
    m_pending[m_drawWidth].append(QLineF(x1 * k, y1 * k, x2 * k, y2 * k));
}

void PrinterCanvas::flushLines()
{
    for (auto it = m_pending.cbegin(); it != m_pending.cend(); ++it) {
        QPen pen(toQColor(m_pendingColour, QGuiApplication::palette()), it.key());
        pen.setCosmetic(true);
        pen.setCapStyle(Qt::FlatCap);
        m_painter.setPen(pen);
        m_painter.drawLines(it.value());
    }
    m_pending.clear();
}

void PrinterCanvas::endDoc()
{
    m_documentFailed = false;
    if (!m_painter.isActive())
        return; // nothing drawn: no job
    flushLines();
    if (m_sendCheck) {
        try {
            m_sendCheck();
        } catch (const Failure&) {
            abandon();
            throw;
        }
    }
    if (!m_painter.end() || (m_printer && m_printer->printerState() == QPrinter::Error))
        throw Failure(fail::printerError);
    ++m_documentsEnded;
    if (m_jobCheck)
        m_jobCheck();
}

} // namespace gridorra
