#include "pushbutton.h"

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
