#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

namespace gridorra {

// Ends the program once the watched window has been painted for the first
// time. The start-up benchmark uses it, in the program and in the baseline
// window it is compared with, when GRIDORRA_QUIT_WHEN_SHOWN is set.
class QuitOnFirstPaint : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                                      Qt::QueuedConnection);
        return QObject::eventFilter(watched, event);
    }
};

} // namespace gridorra
