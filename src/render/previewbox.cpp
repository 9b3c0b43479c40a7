#include "previewbox.h"

#include "core/failure.h"
#include "systemcolours.h"

#include <QPaintEvent>

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
    return palette().color(QPalette::Button);
}

QImage PreviewBox::image() const
{
    finishPainting();
    return m_image;
}

void PreviewBox::ensureImage()
{
    // Whole device pixels per screen pixel, so every line covers whole pixels.
    const qreal ratio = std::max(1.0, std::round(devicePixelRatioF()));
    const QSize size = (QSizeF(contentsRect().size()) * ratio).toSize();
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
    return m_scaleMode == twips ? twipsPerPixel : 1.0;
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

QPointF PreviewBox::toDevice(float x, float y) const
{
    // A point falls on a whole screen pixel. A line of w screen pixels covers
    // the pixel it lies on and w / 2 pixels before it, at every pixel ratio:
    // the pen is centred on the device pixel that keeps it so.
    const int r = int(m_ratio);
    const int w = m_drawWidth;
    const double offset = (r * w) / 2 - r * (w / 2);
    const auto device = [&](float v) { return std::round(v / unitsPerPixel()) * r + offset; };
    return {device(x), device(y)};
}

void PreviewBox::line(float x1, float y1, float x2, float y2, quint32 colour)
{
    ensureImage();
    if (!m_painter.isActive()) {
        m_painter.begin(&m_image);
        m_penChanged = true;
    }
    const bool newPen = m_penChanged || colour != m_penColour;
    if (newPen) {
        QPen pen(toQColor(colour, palette()), m_drawWidth * m_ratio, Qt::SolidLine, Qt::FlatCap);
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

void PreviewBox::endDoc()
{
    // The box has no documents: what is drawn simply stays.
}

void PreviewBox::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    m_updatePending = false;
    QPainter painter(this);
    const QRect area = contentsRect();
    if (m_image.isNull()) {
        painter.fillRect(area, backgroundColour());
        return;
    }
    finishPainting();
    QImage view = m_image;
    view.setDevicePixelRatio(m_ratio);
    painter.drawImage(area.topLeft(), view);
}

} // namespace gridorra
