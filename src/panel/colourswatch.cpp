#include "colourswatch.h"

#include "core/colour.h"
#include "render/systemcolours.h"

#include <QAccessible>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace gridorra {

ColourSwatch::ColourSwatch(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    // A click takes the focus as Tab does, so that a field it leaves is
    // tested first, as for every other control.
    setFocusPolicy(Qt::StrongFocus);
}

void ColourSwatch::setBackColor(qint32 value)
{
    m_backColor = colour::checked(value);
    update();
    // Assistive technology hears the colour in the swatch's description.
    QAccessibleEvent changed(this, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&changed);
}

void ColourSwatch::paintEvent(QPaintEvent* event)
{
    {
        QPainter painter(this);
        // The inside out to whole device pixels: at a fractional scale
        // factor its edge and the frame's meet inside a device pixel, which
        // neither would paint, and what lies under the swatch would show
        // there. The frame (a skin's border too) is drawn over it.
        const qreal d = devicePixelRatioF();
        const QRect c = contentsRect();
        const QPointF from(std::floor(c.left() * d) / d, std::floor(c.top() * d) / d);
        const QPointF to(std::ceil((c.right() + 1) * d) / d, std::ceil((c.bottom() + 1) * d) / d);
        painter.fillRect(QRectF(from, to), toQColor(m_backColor, palette()));
    }
    QFrame::paintEvent(event);
    if (hasFocus()) {
        // Two rings inside the frame: the outer one black or white, whichever
        // stands out more from the frame as the palette or a skin draws it,
        // the inner one likewise from the line colour. Either of the two
        // stands out at least 4.5:1 from any colour.
        const QColor fill = toQColor(m_backColor, palette());
        QPainter painter(this);
        const QRect inside = contentsRect();
        painter.setPen(QPen(blackOrWhiteAgainst(frameColour()), 1));
        painter.drawRect(inside.adjusted(0, 0, -1, -1));
        painter.setPen(QPen(blackOrWhiteAgainst(fill), 1));
        painter.drawRect(inside.adjusted(1, 1, -2, -2));
    }
}

QColor ColourSwatch::frameColour()
{
    // The frame drawn alone, as it is drawn on screen, and read back.
    QImage frame(size(), QImage::Format_ARGB32_Premultiplied);
    frame.fill(palette().color(backgroundRole()));
    QPainter painter(&frame);
    drawFrame(&painter);
    painter.end();
    return frame.pixelColor(0, height() / 2);
}

void ColourSwatch::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QFrame::mouseReleaseEvent(event);
}

void ColourSwatch::keyPressEvent(QKeyEvent* event)
{
    // Keyboard users open the colour dialog with Space or Enter.
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return ||
        event->key() == Qt::Key_Enter) {
        emit clicked();
        return;
    }
    QFrame::keyPressEvent(event);
}

} // namespace gridorra
