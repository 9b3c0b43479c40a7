#include "numericfield.h"

#include <QFocusEvent>

namespace gridorra {

namespace {

bool isActivation(Qt::FocusReason reason)
{
    return reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason;
}

} // namespace

void NumericField::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    const bool regained = isActivation(event->reason()) && m_heldWhileInactive;
    m_heldWhileInactive = false;
    if (!regained)
        emit gotFocus();
}

void NumericField::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    m_heldWhileInactive = isActivation(event->reason());
    if (!m_heldWhileInactive)
        emit lostFocus();
}

} // namespace gridorra
