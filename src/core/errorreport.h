#pragma once

#include "messageboxes.h"
#include "steprunner.h"

namespace gridorra {

// The one form of error report: a warning box titled "Application Error"
// naming the failure, the procedure and the statement's label.
class ErrorReport : public ErrorReporter {
public:
    explicit ErrorReport(MessageBoxes& boxes) : m_boxes(boxes) {}

    static const QString& title();
    static QString text(const QString& description, const QString& location, int label);

    void report(const QString& description, const QString& location, int label) override;
    // A failure outside the guarded procedures: the same box, without a
    // procedure or a line to name.
    void reportUnexpected(const QString& description);

private:
    MessageBoxes& m_boxes;
};

} // namespace gridorra
