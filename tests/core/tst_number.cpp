#include "core/colour.h"
#include "core/failure.h"
#include "core/number.h"
#include "support/pinlocale.h"

#include <QtTest>

using namespace gridorra;

namespace {

// The description a conversion fails with, or an empty text when it succeeds.
template <typename F> QString failureOf(F&& f)
{
    try {
        f();
    } catch (const Failure& failure) {
        return failure.description();
    }
    return {};
}

} // namespace

class TestNumber : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test::pinLocale(); }
    void cleanup() { test::pinLocale(); }

    void isNumeric_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("numeric");
        QTest::addColumn<double>("value");
        QTest::newRow("whole") << "10" << true << 10.0;
        QTest::newRow("fraction") << "2.5" << true << 2.5;
        QTest::newRow("negative") << "-3" << true << -3.0;
        QTest::newRow("plus sign") << "+4" << true << 4.0;
        QTest::newRow("exponent") << "1e3" << true << 1000.0;
        QTest::newRow("blanks around") << " 12 " << true << 12.0;
        QTest::newRow("tab before") << "\t7" << true << 7.0;
        QTest::newRow("group separator") << "1,000" << true << 1000.0;
        QTest::newRow("zero") << "0" << true << 0.0;
        QTest::newRow("leading point") << ".5" << true << 0.5;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("lone blank") << " " << false << 0.0;
        QTest::newRow("letters") << "abc" << false << 0.0;
        QTest::newRow("digits then letter") << "12a" << false << 0.0;
        QTest::newRow("two points") << "1.2.3" << false << 0.0;
        QTest::newRow("inf") << "inf" << false << 0.0;
        QTest::newRow("nan") << "nan" << false << 0.0;
        QTest::newRow("blank inside") << "1 2" << false << 0.0;
    }
    void isNumeric()
    {
        QFETCH(QString, text);
        QFETCH(bool, numeric);
        QFETCH(double, value);
        QCOMPARE(number::isNumeric(text), numeric);
        if (numeric)
            QCOMPARE(*number::parse(text), value);
    }

    void followsTheUsersLocale()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(*number::parse("2,5"), 2.5);
        QCOMPARE(*number::parse("1.000"), 1000.0);
        QCOMPARE(number::toInt16(QStringLiteral("3,5")), qint16(4));
    }

    void toInt16_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("failure");
        QTest::newRow("2.5 to even 2") << "2.5" << 2 << "";
        QTest::newRow("3.5 to even 4") << "3.5" << 4 << "";
        QTest::newRow("-2.5 to even -2") << "-2.5" << -2 << "";
        QTest::newRow("1.4 down") << "1.4" << 1 << "";
        QTest::newRow("1.6 up") << "1.6" << 2 << "";
        QTest::newRow("blanks") << " 1 " << 1 << "";
        QTest::newRow("top of range") << "32767" << 32767 << "";
        QTest::newRow("bottom of range") << "-32768" << -32768 << "";
        QTest::newRow("-32768.5 to even") << "-32768.5" << -32768 << "";
        QTest::newRow("32767.5 rounds out") << "32767.5" << 0 << "Overflow";
        QTest::newRow("32768") << "32768" << 0 << "Overflow";
        QTest::newRow("exponent out") << "1e6" << 0 << "Overflow";
        QTest::newRow("empty") << "" << 0 << "Type mismatch";
        QTest::newRow("letters") << "abc" << 0 << "Type mismatch";
    }
    void toInt16()
    {
        QFETCH(QString, text);
        QFETCH(int, value);
        QFETCH(QString, failure);
        qint16 result = 0;
        QCOMPARE(failureOf([&] { result = number::toInt16(text); }), failure);
        QCOMPARE(int(result), value);
    }

    void toInt32_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("value");
        QTest::addColumn<QString>("failure");
        QTest::newRow("blue") << "16711680" << qint64(16711680) << "";
        QTest::newRow("lowest") << "-2147483648" << qint64(-2147483648LL) << "";
        QTest::newRow("past the top") << "2147483648" << qint64(0) << "Overflow";
        QTest::newRow("x") << "x" << qint64(0) << "Type mismatch";
    }
    void toInt32()
    {
        QFETCH(QString, text);
        QFETCH(qint64, value);
        QFETCH(QString, failure);
        qint32 result = 0;
        QCOMPARE(failureOf([&] { result = number::toInt32(text); }), failure);
        QCOMPARE(qint64(result), value);
    }

    void arithmeticReportsOverflowAndDivision()
    {
        QCOMPARE(number::add16(32760, 7), qint16(32767));
        QCOMPARE(failureOf([] { number::add16(32767, 1); }), fail::overflow);
        QCOMPARE(failureOf([] { number::sub16(-32768, 1); }), fail::overflow);
        QCOMPARE(failureOf([] { number::divide(1440, 0); }), fail::divisionByZero);
        QCOMPARE(number::divide(567, 2), 283.5);
    }

    void colours_data()
    {
        QTest::addColumn<qint64>("value");
        QTest::addColumn<bool>("valid");
        QTest::newRow("black") << qint64(0) << true;
        QTest::newRow("white") << qint64(0xFFFFFF) << true;
        QTest::newRow("button face") << qint64(qint32(0x8000000F)) << true;
        QTest::newRow("unknown system index") << qint64(qint32(0x800000FF)) << false;
        QTest::newRow("top byte set") << qint64(0x01000000) << false;
        QTest::newRow("negative") << qint64(-1) << false;
    }
    void colours()
    {
        QFETCH(qint64, value);
        QFETCH(bool, valid);
        const QString failure = failureOf([&] { colour::checked(qint32(value)); });
        QCOMPARE(failure.isEmpty(), valid);
        if (!valid)
            QCOMPARE(failure, fail::invalidPropertyValue);
    }
};

QTEST_GUILESS_MAIN(TestNumber)
#include "tst_number.moc"
