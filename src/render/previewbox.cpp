#include "previewbox.h"

#include "core/failure.h"
#include "systemcolours.h"

#include <qdrawutil.h>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QScreen>

#include <cmath>

namespace gridorra {

PreviewBox::PreviewBox(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

PreviewBox::~PreviewBox()
{
    finishPainting();
}

QColor PreviewBox::backgroundColour() const
{
    return m_background.isValid() ? m_background : palette().color(QPalette::Button);
}

double PreviewBox::screenDensity() const
{
    // Windowless platforms have no screen to measure.
    const QString platform = QGuiApplication::platformName();
    if (platform == QStringLiteral("offscreen") || platform == QStringLiteral("minimal"))
        return 0;
    const QScreen* s = screen();
    if (!s || s->physicalSize().isEmpty())
        return 0;
    const double density = s->physicalDotsPerInch() * s->devicePixelRatio();
    // A screen that tells no size is given one of 96 dpi by Qt; one outside
    // what screens are is a fault of its description.
    if (std::abs(density - 96) < 0.5 || density < 50 || density > 700)
        return 0;
    return density;
}

double PreviewBox::twipsPerPixel() const
{
    const double density = screenDensity();
    return density > 0 ? 1440.0 * devicePixelRatioF() / density : nominalTwipsPerPixel;
}

QString PreviewBox::sizeNote() const
{
    const double density = screenDensity();
    return density > 0 ? QStringLiteral("true size at %1 dpi").arg(qRound(density))
                       : QStringLiteral("at the screen's nominal 96 dpi");
}

QString PreviewBox::paperNote() const
{
    if (!m_ink.isValid())
        return {};
    const double ratio = contrastRatio(m_ink, backgroundColour());
    return ratio < 3 ? QStringLiteral("the lines stand out little from white paper (%1:1)")
                           .arg(ratio, 0, 'f', 1)
                     : QString();
}

QRect PreviewBox::deviceArea() const
{
    // The inside in device pixels, its edges on whole ones.
    const QRect c = contentsRect();
    const qreal d = devicePixelRatioF();
    const QPoint topLeft(qRound(c.left() * d), qRound(c.top() * d));
    return QRect(topLeft,
                 QPoint(qRound((c.right() + 1) * d), qRound((c.bottom() + 1) * d)) - QPoint(1, 1));
}

QImage PreviewBox::image() const
{
    finishPainting();
    return m_image;
}

void PreviewBox::ensureImage()
{
    // One pixel per device pixel, also at a fractional scale factor.
    const qreal ratio = devicePixelRatioF();
    const QSize size = deviceArea().size();
    if (m_image.size() == size && m_ratio == ratio)
        return;
    finishPainting();
    m_ratio = ratio;
    m_lastLine = QLineF();
    m_image = QImage(size, QImage::Format_RGB32);
    m_image.fill(backgroundColour());
}

void PreviewBox::finishPainting() const
{
    if (m_painter.isActive())
        m_painter.end();
}

void PreviewBox::cls()
{
    ensureImage();
    finishPainting();
    m_lastLine = QLineF();
    m_background = QColor();
    m_ink = QColor();
    m_drawnOn = false;
    m_image.fill(backgroundColour());
    update();
}

void PreviewBox::setScaleMode(int mode)
{
    if (mode != twips && mode != pixels)
        throw Failure(fail::invalidPropertyValue);
    m_scaleMode = mode;
}

double PreviewBox::unitsPerPixel() const
{
    return m_scaleMode == twips ? twipsPerPixel() : 1.0;
}

double PreviewBox::scaleWidth() const
{
    return contentsRect().width() * unitsPerPixel();
}
double PreviewBox::scaleHeight() const
{
    return contentsRect().height() * unitsPerPixel();
}

void PreviewBox::setDrawWidth(qint16 width)
{
    // A pen narrower than a pixel still draws one pixel wide.
    const qint16 w = std::max<qint16>(width, 1);
    if (w != m_drawWidth)
        m_penChanged = true;
    m_drawWidth = w;
}

int PreviewBox::devicePen() const
{
    return std::max(1, int(std::lround(m_drawWidth * m_ratio)));
}

QPointF PreviewBox::toDevice(float x, float y) const
{
    // A point falls on a whole device pixel. A line of w device pixels
    // covers the pixel it lies on and w / 2 pixels before it: it begins on
    // a whole one and is devicePen() wide, so that every line of one pen is
    // as wide, at every pixel ratio. Counted in device pixels, a line is
    // within a device pixel of its place at a fractional scale factor too
    // (whole screen pixels first put it up to one and a half off at 1.5);
    // at 1 it is the same pixel.
    const int pen = devicePen();
    const auto device = [&](float v) {
        return std::floor(v / unitsPerPixel() * m_ratio + 0.5) - pen / 2 + pen / 2.0;
    };
    return {device(x), device(y)};
}

void PreviewBox::line(float x1, float y1, float x2, float y2, quint32 colour)
{
    ensureImage();
    if (!m_painter.isActive()) {
        m_painter.begin(&m_image);
        m_penChanged = true;
    }
    const QColor ink = takeInk(colour);
    const bool newPen = m_penChanged || colour != m_penColour;
    if (newPen) {
        QPen pen(ink, devicePen(), Qt::SolidLine, Qt::FlatCap);
        m_painter.setPen(pen);
        m_penColour = colour;
        m_penChanged = false;
    }
    const QLineF device(toDevice(x1, y1), toDevice(x2, y2));
    // Dense grids put many lines on the same pixels; drawing the very line
    // just drawn, with the same pen, would change nothing.
    if (device == m_lastLine && !newPen)
        return;
    m_lastLine = device;
    m_painter.drawLine(device);
    if (!m_updatePending) {
        m_updatePending = true;
        update();
    }
}

void paintMarks(QPainter& painter, const Marks& marks, const QColor& line, double perTwip)
{
    // Each weight in its own colour, where it has one.
    QList<QColor> inks;
    for (const quint32 ink : marks.inks)
        inks << toQColor(ink, QGuiApplication::palette());
    for (const Mark& m : marks.marks) {
        const double pen = marks.pens.value(m.pen, 1);
        const QColor ink = inks.value(m.pen, line);
        const QPointF at(m.x1 * perTwip, m.y1 * perTwip);
        switch (m.kind) {
        case Mark::Kind::Segment:
            painter.setPen(QPen(ink, pen, Qt::SolidLine, Qt::FlatCap));
            painter.drawLine(at, QPointF(m.x2 * perTwip, m.y2 * perTwip));
            break;
        case Mark::Kind::Dot:
            painter.setPen(Qt::NoPen);
            painter.setBrush(ink);
            painter.drawEllipse(at, pen / 2, pen / 2);
            break;
        case Mark::Kind::Circle:
            painter.setPen(QPen(ink, pen));
            painter.setBrush(Qt::NoBrush);
            painter.drawEllipse(at, m.x2 * perTwip, m.x2 * perTwip);
            break;
        }
    }
    painter.setBrush(Qt::NoBrush);
}

QColor PreviewBox::takeInk(quint32 colour)
{
    const QColor ink = toQColor(colour, palette());
    // The first line on a clean box: where its colour would not stand out
    // at least 3:1 from the box (black lines on a dark theme's button
    // face, light blue on a light one), the paper is white, as the sheet's
    // paper is: never black, which would show a sheet that is not printed.
    if (!m_drawnOn) {
        m_drawnOn = true;
        m_ink = ink;
        if (contrastRatio(ink, backgroundColour()) < 3) {
            m_background = Qt::white;
            m_image.fill(m_background);
        }
    }
    return ink;
}

int PreviewBox::devicePixelsPerInch()
{
    ensureImage();
    return int(std::lround(1440.0 / twipsPerPixel() * m_ratio));
}

void PreviewBox::drawMarks(const Marks& marks, quint32 colour)
{
    cls();
    if (marks.marks.isEmpty())
        return;
    if (!m_painter.isActive())
        m_painter.begin(&m_image);
    m_penChanged = true; // the grid's next line sets its pen again
    // Only what the box shows: a page of a dense kind has many thousands
    // of marks beyond it.
    const QRectF shown(0, 0, scaleWidth(), scaleHeight());
    const double reach = twipsPerPixel() * 64; // the widest pen, beyond the box
    Marks visible;
    visible.pens = marks.pens;
    visible.inks = marks.inks;
    for (const Mark& m : marks.marks) {
        const QRectF bounds = m.kind == Mark::Kind::Circle
                                  ? QRectF(m.x1 - m.x2, m.y1 - m.x2, 2 * m.x2, 2 * m.x2)
                                  : QRectF(QPointF(m.x1, m.y1), QPointF(m.x2, m.y2)).normalized();
        if (bounds.adjusted(-reach, -reach, reach, reach).intersects(shown))
            visible.marks.append(m);
    }
    paintMarks(m_painter, visible, takeInk(colour), m_ratio / twipsPerPixel());
    m_painter.setBrush(Qt::NoBrush);
    update();
}

void PreviewBox::endDoc()
{
    // The box has no documents: what is drawn simply stays.
}

void PreviewBox::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    m_updatePending = false;
    QPainter painter(this);
    // On a dark background (a skin under a dark theme) the sunken frame's
    // shades hardly stand out from it; the frame, not the paper, is then
    // drawn in a colour that stands out 3:1, so that the box is seen
    // whatever its paper. The light design keeps its own shades.
    const QColor behind = palette().color(QPalette::Window);
    if (blackOrWhiteAgainst(behind) == QColor(Qt::white) &&
        std::min(contrastRatio(palette().color(QPalette::Dark), behind),
                 contrastRatio(palette().color(QPalette::Light), behind)) < 3)
        qDrawPlainRect(&painter, frameRect(),
                       readableOn(behind, palette().color(QPalette::Light), 3.0), lineWidth());
    const QRect area = contentsRect();
    if (m_image.isNull()) {
        painter.fillRect(area, backgroundColour());
        return;
    }
    finishPainting();
    QImage view = m_image;
    view.setDevicePixelRatio(m_ratio);
    // At a whole device pixel, so that the image lies on the screen's
    // pixels one to one.
    const QPoint at = deviceArea().topLeft();
    painter.drawImage(QPointF(at) / m_ratio, view);
}

} // namespace gridorra
