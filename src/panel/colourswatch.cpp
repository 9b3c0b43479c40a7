#include "colourswatch.h"

#include "core/colour.h"
#include "render/systemcolours.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

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
        painter.fillRect(contentsRect(), toQColor(m_backColor, palette()));
    }
    QFrame::paintEvent(event);
    if (hasFocus()) {
        // Two rings inside the frame, white then black: one of them stands
        // out from any line colour, and the white one from the frame.
        QPainter painter(this);
        const QRect inside = contentsRect();
        painter.setPen(QPen(Qt::white, 1));
        painter.drawRect(inside.adjusted(0, 0, -1, -1));
        painter.setPen(QPen(Qt::black, 1));
        painter.drawRect(inside.adjusted(1, 1, -2, -2));
    }
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
