#pragma once

#include <QLineEdit>

namespace gridorra {

// One of the six numeric fields. It tells when the keyboard focus really
// moves into or out of it between controls of the window; a window that is
// deactivated or activated (a message box opening or closing, another
// program taking over) does not count.
class NumericField : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;

signals:
    void gotFocus();
    // Delivered once the focus has reached its new place.
    void lostFocus();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};

} // namespace gridorra
