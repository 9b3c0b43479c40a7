#pragma once

#include <QPushButton>

namespace gridorra {

// The print button: one click notification per press, and a notification
// for every movement of the pointer over it.
class PushButton : public QPushButton {
    Q_OBJECT
public:
    explicit PushButton(const QString& caption, QWidget* parent = nullptr);

signals:
    void mouseMoved();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace gridorra
