#include "pointerfeedback.h"

#include "render/mousepointer.h"

#include <QEvent>
#include <QMouseEvent>
#include <QWidget>

namespace gridorra {

PointerFeedback::PointerFeedback(std::function<int()> mousePointer,
                                 std::function<void(int)> setMousePointer, QObject* parent)
    : QObject(parent), m_mousePointer(std::move(mousePointer)),
      m_setMousePointer(std::move(setMousePointer))
{}

void PointerFeedback::watch(QWidget* surface)
{
    surface->setMouseTracking(true);
    surface->installEventFilter(this);
}

void PointerFeedback::moveOverButton()
{
    moveOver(pointer::custom);
}

bool PointerFeedback::eventFilter(QObject* watched, QEvent* event)
{
    // A move that a control inside passed up to its frame or window (labels
    // do, and buttons when not pressed) happened over that control: it counts
    // only over the surface itself.
    if (event->type() == QEvent::MouseMove) {
        const auto* surface = static_cast<QWidget*>(watched);
        const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
        if (!surface->childAt(at))
            moveOver(pointer::normal);
    }
    return QObject::eventFilter(watched, event);
}

void PointerFeedback::moveOver(int pointer)
{
    if (m_mousePointer() == pointer::busy)
        return;
    m_setMousePointer(pointer);
}

} // namespace gridorra
