#include "guardedapplication.h"

#include "core/errorreport.h"
#include "core/failure.h"

namespace gridorra {

GuardedApplication::GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool GuardedApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const Failure& failure) {
        report(failure.description());
    } catch (const std::exception& e) {
        report(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        report(QStringLiteral("Unexpected error"));
    }
    return true;
}

void GuardedApplication::report(const QString& description)
{
    if (!m_boxes)
        return;
    try {
        ErrorReport(*m_boxes).reportUnexpected(description);
    } catch (...) {
        // A report that cannot be shown is dropped: the program goes on.
    }
}

} // namespace gridorra
