#include "pushbutton.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace gridorra {

PushButton::PushButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent)
{
    setMouseTracking(true);
}

void PushButton::mouseMoveEvent(QMouseEvent* event)
{
    QPushButton::mouseMoveEvent(event);
    emit mouseMoved();
}

} // namespace gridorra

namespace gridorra {

void PushButton::keyPressEvent(QKeyEvent* event)
{
    // Enter presses the focused button, as Space does, as on every desktop.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        click();
        return;
    }
    QPushButton::keyPressEvent(event);
}

} // namespace gridorra
