#pragma once

#include <QObject>

#include <functional>

class QWidget;

namespace gridorra {

// The pointer follows the mouse: the hand over "Start Printing", the normal
// pointer over the bare window and its frames (not over the controls inside
// them), and never in place of the busy pointer.
class PointerFeedback : public QObject {
    Q_OBJECT
public:
    PointerFeedback(std::function<int()> mousePointer, std::function<void(int)> setMousePointer,
                    QObject* parent = nullptr);

    // The window or a frame: movement over its own surface brings the normal
    // pointer back.
    void watch(QWidget* surface);
    // Movement over the print button.
    void moveOverButton();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void moveOver(int pointer);

    std::function<int()> m_mousePointer;
    std::function<void(int)> m_setMousePointer;
};

} // namespace gridorra
