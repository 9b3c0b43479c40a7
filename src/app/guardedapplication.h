#pragma once

#include <QApplication>

namespace gridorra {

class MessageBoxes;

// The program's application object. The guarded procedures report their own
// failures; should an exception still leave a handler, it stops here, before
// the event loop: it is reported in the error box and the program goes on.
class GuardedApplication : public QApplication {
public:
    GuardedApplication(int& argc, char** argv);

    // Where the last-resort reports go; without boxes they are dropped.
    void setBoxes(MessageBoxes* boxes) { m_boxes = boxes; }

    bool notify(QObject* receiver, QEvent* event) override;

private:
    void report(const QString& description);

    MessageBoxes* m_boxes = nullptr;
};

} // namespace gridorra
