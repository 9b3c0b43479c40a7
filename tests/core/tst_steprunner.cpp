#include "core/errorreport.h"
#include "core/steprunner.h"
#include "support/recordingboxes.h"

#include <QtTest>

using namespace gridorra;
using test::RecordingBoxes;

namespace {

const QString location = QStringLiteral("in Gridorra2021/08/31.Form1.Form_Load ");

QString reportText(const QString& description, int label)
{
    return description + "\r\n" + location + "at line " + QString::number(label) + "\r\r" +
           "Please email screenshot of this message to support@gridorra.example";
}

// A called procedure without a guard of its own.
void helperThatFailsHalfway(QStringList& trace)
{
    trace << "helper start";
    throw Failure(QStringLiteral("Invalid picture"));
}

} // namespace

class TestStepRunner : public QObject {
    Q_OBJECT
private slots:
    void reportTextIsByteExact()
    {
        RecordingBoxes boxes;
        ErrorReport report(boxes);
        report.report("D", location, 140);
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes[0].text,
                 QString("D\r\nin Gridorra2021/08/31.Form1.Form_Load at line 140\r\r"
                         "Please email screenshot of this message to "
                         "support@gridorra.example"));
        QCOMPARE(boxes.boxes[0].title, QString("Application Error"));
        QCOMPARE(boxes.boxes[0].icon, MessageBoxes::Icon::Warning);
    }

    void twoFailuresGiveTwoReportsInOrderAndTheRunGoesOn()
    {
        RecordingBoxes boxes;
        ErrorReport report(boxes);
        StepRunner run(location, report);
        QStringList trace;
        int value = 7;
        run.step(100, [&] { trace << "100"; });
        run.step(102, [&] {
            throw Failure(fail::typeMismatch);
            value = 1;
        });
        run.step(104, [&] { trace << "104"; });
        run.step(106, [&] { value = number::toInt16(QStringLiteral("40000")); });
        run.step(108, [&] { trace << "108"; });

        QCOMPARE(trace, QStringList({"100", "104", "108"}));
        QCOMPARE(value, 7); // the failed statements set nothing
        QCOMPARE(boxes.boxes.size(), 2);
        QCOMPARE(boxes.boxes[0].text, reportText("Type mismatch", 102));
        QCOMPARE(boxes.boxes[1].text, reportText("Overflow", 106));
    }

    void failureInCalledProcedureIsReportedOnceUnderCallersLabel()
    {
        RecordingBoxes boxes;
        ErrorReport report(boxes);
        StepRunner run(location, report);
        QStringList trace;
        run.step(150, [&] {
            helperThatFailsHalfway(trace);
            trace << "helper end";
        });
        run.step(150, [&] { trace << "next statement"; });
        QCOMPARE(trace, QStringList({"helper start", "next statement"}));
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes[0].text, reportText("Invalid picture", 150));
    }

    void failedBranchTestTakesTheTrueBranch()
    {
        RecordingBoxes boxes;
        ErrorReport report(boxes);
        StepRunner run(location, report);
        const bool taken =
            run.test(140, [&]() -> bool { return number::toInt16(QStringLiteral("abc")) == 1; });
        QVERIFY(taken);
        QCOMPARE(boxes.boxes.size(), 1);
        QCOMPARE(boxes.boxes[0].text, reportText("Type mismatch", 140));
        QVERIFY(!run.test(140, [] { return false; }));
        QCOMPARE(boxes.boxes.size(), 1);
    }

    void loops_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("by");
        QTest::addColumn<QList<int>>("passes");
        QTest::addColumn<int>("reports");
        QTest::newRow("upwards, edge included") << 4 << 292 << 144 << QList<int>{4, 148, 292} << 0;
        QTest::newRow("downwards") << 10 << 4 << -3 << QList<int>{10, 7, 4} << 0;
        QTest::newRow("negative step upwards: none") << 4 << 645 << -144 << QList<int>{} << 0;
        QTest::newRow("zero step: one pass") << 4 << 645 << 0 << QList<int>{4} << 0;
        QTest::newRow("zero step past the end: none") << 700 << 645 << 0 << QList<int>{} << 0;
        QTest::newRow("advance overflows: reported, loop left")
            << 4 << 32767 << 20000 << QList<int>{4, 20004} << 1;
        QTest::newRow("to the very top") << 32765 << 32767 << 2 << QList<int>{32765, 32767} << 1;
    }
    void loops()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(int, by);
        QFETCH(QList<int>, passes);
        QFETCH(int, reports);
        RecordingBoxes boxes;
        ErrorReport report(boxes);
        StepRunner run(location, report);
        QList<int> seen;
        run.forLoop(158, qint16(from), qint16(to), qint16(by), [&](qint16 y) { seen << y; });
        bool after = false;
        run.step(160, [&] { after = true; });
        QCOMPARE(seen, passes);
        QVERIFY(after);
        QCOMPARE(boxes.boxes.size(), reports);
        if (reports)
            QCOMPARE(boxes.boxes[0].text, reportText("Overflow", 158));
    }

    void guardedProcedureCalledFromGuardedOneReportsItsOwn()
    {
        RecordingBoxes boxes;
        ErrorReport report(boxes);
        StepRunner outer(location, report);
        const QString innerLocation = QStringLiteral("in Gridorra2021/08/31.Form1.PreviewGraph ");
        bool outerContinued = false;
        outer.step(148, [&] {
            StepRunner inner(innerLocation, report);
            inner.step(106, [] { throw Failure(fail::typeMismatch); });
        });
        outer.step(150, [&] { outerContinued = true; });
        QVERIFY(outerContinued);
        QCOMPARE(boxes.boxes.size(), 1);
        QVERIFY(boxes.boxes[0].text.contains(innerLocation + "at line 106\r\r"));
    }
};

QTEST_GUILESS_MAIN(TestStepRunner)
#include "tst_steprunner.moc"
