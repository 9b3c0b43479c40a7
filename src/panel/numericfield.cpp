#include "numericfield.h"

#include <QFocusEvent>

#include <limits>

namespace gridorra {

namespace {

bool isActivation(Qt::FocusReason reason)
{
    return reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason;
}

} // namespace

NumericField::NumericField(QWidget* parent) : QLineEdit(parent)
{
    setMaxLength(std::numeric_limits<int>::max());
}

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
