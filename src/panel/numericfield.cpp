#include "numericfield.h"

#include <QFocusEvent>

namespace gridorra {

namespace {

bool movesBetweenControls(Qt::FocusReason reason)
{
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

} // namespace

void NumericField::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    if (movesBetweenControls(event->reason()))
        emit gotFocus();
}

void NumericField::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    if (movesBetweenControls(event->reason()))
        QMetaObject::invokeMethod(this, &NumericField::lostFocus, Qt::QueuedConnection);
}

} // namespace gridorra
