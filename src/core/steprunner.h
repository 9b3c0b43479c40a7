#pragma once

#include "failure.h"
#include "number.h"

#include <QString>
#include <QtGlobal>

#include <utility>

namespace gridorra {

// Receives the failures of a guarded procedure, one at a time, in the order
// in which they happen.
class ErrorReporter {
public:
    virtual ~ErrorReporter() = default;
    virtual void report(const QString& description, const QString& location, int label) = 0;
};

// Runs the labelled statements of one guarded procedure. A statement that
// fails is reported under its label and the procedure carries on:
//  - after a plain statement, with the next statement;
//  - after a failed branch test, as if the test had been true;
//  - after a failed loop advance, with the statement after the loop.
// A procedure called from a statement has no guard of its own: its failure
// ends it and is reported under the calling statement's label.
class StepRunner {
public:
    StepRunner(QString location, ErrorReporter& reporter)
        : m_location(std::move(location)), m_reporter(reporter)
    {}

    const QString& location() const { return m_location; }

    // Runs one statement. Returns false when it failed (and was reported).
    template <typename Statement> bool step(int label, Statement&& statement)
    {
        try {
            std::forward<Statement>(statement)();
            return true;
        } catch (const Failure& failure) {
            m_reporter.report(failure.description(), m_location, label);
            return false;
        }
    }

    // The test of a two-way branch; a test that fails takes the true branch.
    template <typename Condition> bool test(int label, Condition&& condition)
    {
        bool result = true;
        step(label, [&] { result = std::forward<Condition>(condition)(); });
        return result;
    }

    // A counting loop over a 16-bit counter: from `from` while the counter
    // has not passed `to` (upwards for a step of 0 or more, downwards for a
    // negative one). An advance that overflows is reported under
    // `advanceLabel` and leaves the loop. A step of 0 never advances, so the
    // loop ends after its first pass instead of running forever.
    template <typename Body>
    void forLoop(int advanceLabel, qint16 from, qint16 to, qint16 by, Body&& body)
    {
        const bool upwards = by >= 0;
        qint16 counter = from;
        while (upwards ? counter <= to : counter >= to) {
            body(counter);
            if (by == 0)
                return;
            if (!step(advanceLabel, [&] { counter = number::add16(counter, by); }))
                return;
        }
    }

private:
    QString m_location;
    ErrorReporter& m_reporter;
};

} // namespace gridorra
