#include "app/cursorfile.h"
#include "core/failure.h"

#include <QFile>
#include <QLoggingCategory>
#include <QRandomGenerator>
#include <QtEndian>
#include <QtTest>

using namespace gridorra;

namespace {

QByteArray handCursor()
{
    QFile f(QStringLiteral(HAND_CURSOR));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void putDword(QByteArray& bytes, qsizetype at, quint32 value)
{
    if (at + 4 <= bytes.size())
        qToLittleEndian(value, bytes.data() + at);
}

enum class Outcome { Cursor, Failure };

Outcome load(const QByteArray& bytes)
{
    try {
        cursorFromBytes(bytes);
        return Outcome::Cursor;
    } catch (const Failure& failure) {
        if (failure.description() != fail::invalidPicture)
            throw;
        return Outcome::Failure;
    }
}

} // namespace

class TestCursorFile : public QObject {
    Q_OBJECT
private slots:
    // Qt's cursor reader warns about every offset past the end it meets.
    void initTestCase()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("default.warning=false"));
    }

    // The hand at the desktop's pointer size and the screen's pixel ratio,
    // its hot spot on the same place of the picture.
    void atTheDesktopsPointerSize_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<double>("ratio");
        QTest::addColumn<QSize>("pixels");
        QTest::newRow("its own size") << 0 << 1.0 << QSize(32, 32);
        QTest::newRow("48, as a large pointer") << 48 << 1.0 << QSize(48, 48);
        QTest::newRow("24 on a screen of twice the density") << 24 << 2.0 << QSize(48, 48);
        QTest::newRow("its own size at 1.25") << 0 << 1.25 << QSize(40, 40);
    }
    void atTheDesktopsPointerSize()
    {
        QFETCH(int, size);
        QFETCH(double, ratio);
        QFETCH(QSize, pixels);
        const QCursor hand = loadCursorFile(HAND_CURSOR);
        const QCursor sized = atPointerSize(hand, size, ratio);
        QCOMPARE(sized.pixmap().size(), pixels);
        const double scale = (size ? size : 32) / 32.0;
        QCOMPARE(sized.hotSpot(), (QPointF(hand.hotSpot()) * scale).toPoint());
        qputenv("XCURSOR_SIZE", "48");
        QCOMPARE(desktopPointerSize(), 48);
        qputenv("XCURSOR_SIZE", "huge");
        QCOMPARE(desktopPointerSize(), 0);
        qunsetenv("XCURSOR_SIZE");
    }

    void malformedDirectories_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        // A directory whose entry points far past the end of the file: the
        // offset plus the size wraps around in 32 bits.
        QByteArray wrap(64, '\0');
        qToLittleEndian<quint16>(2, wrap.data() + 2);
        qToLittleEndian<quint16>(1, wrap.data() + 4);
        putDword(wrap, 6 + 8, 40);
        putDword(wrap, 6 + 12, 0xFFFFFFF0u);
        QTest::newRow("offset wraps around") << wrap;
        QByteArray huge = handCursor();
        putDword(huge, 6 + 8, 0xFFFFFFFFu);
        QTest::newRow("size beyond the file") << huge;
        QTest::newRow("pixels cut short") << handCursor().left(62 + 100);
        QTest::newRow("header only") << handCursor().left(22);
    }
    void malformedDirectories()
    {
        QFETCH(QByteArray, bytes);
        QCOMPARE(load(bytes), Outcome::Failure);
    }

    // Mutated and cut copies of a valid file: each one ends in a cursor or in
    // "Invalid picture", never in a crash.
    void mutatedFilesNeverCrash()
    {
        const QByteArray valid = handCursor();
        QVERIFY(valid.size() > 62);
        QCOMPARE(load(valid), Outcome::Cursor);
        static const quint32 edges[] = {0,          1,          39,         40,
                                        0x7FFFFFFF, 0x80000000, 0xFFFFFFF0, 0xFFFFFFFF};
        QRandomGenerator random(20261208);
        int cursors = 0, failures = 0;
        for (int i = 0; i < 3000; ++i) {
            QByteArray bytes = valid;
            const int mutations = 1 + int(random.bounded(3));
            for (int m = 0; m < mutations; ++m) {
                // The headers are the first 62 bytes: directory, entry and bitmap header.
                const qsizetype at = random.bounded(62);
                switch (random.bounded(3)) {
                case 0:
                    putDword(bytes, at, edges[random.bounded(int(std::size(edges)))]);
                    break;
                case 1:
                    putDword(bytes, at, random.generate());
                    break;
                default:
                    bytes[at] = char(random.bounded(256));
                }
            }
            if (random.bounded(4) == 0)
                bytes.truncate(random.bounded(int(bytes.size())));
            (load(bytes) == Outcome::Cursor ? cursors : failures)++;
        }
        // Both ends were reached: the mutations are neither all harmless nor all fatal.
        QVERIFY(cursors > 0);
        QVERIFY(failures > 0);
    }
};

QTEST_MAIN(TestCursorFile)
#include "tst_cursorfile.moc"
