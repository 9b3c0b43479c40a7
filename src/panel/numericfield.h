#pragma once

#include <QLineEdit>

namespace gridorra {

// One of the six numeric fields. It tells when the keyboard focus really
// moves into or out of it between controls of the window; a window that is
// deactivated or activated (a message box opening or closing, another
// program taking over) does not count. The window's first focus, which
// arrives with its first activation, does.
class NumericField : public QLineEdit {
    Q_OBJECT
public:
    // A field takes text of any length: a stored text is never cut.
    explicit NumericField(QWidget* parent = nullptr);

signals:
    void gotFocus();
    // Sent as the focus leaves; the field's LostFocus handling is due once
    // the focus has reached its new place.
    void lostFocus();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // The field had the focus when its window lost the activation: getting
    // it back with the activation is no move.
    bool m_heldWhileInactive = false;
};

} // namespace gridorra
