#include "core/failure.h"
#include "core/programinfo.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace gridorra;

class TestProgramInfo : public QObject {
    Q_OBJECT
private slots:
    void appTitle_data()
    {
        QTest::addColumn<QString>("product");
        QTest::addColumn<QString>("title");
        QTest::newRow("the product") << "Gridorra Software"
                                     << "Gridorra";
        QTest::newRow("last word always goes") << "A B"
                                               << "A";
        QTest::newRow("cut down to 40")
            << "Gridorra Graph Paper Designer and Printer for Schools Deluxe"
            << "Gridorra Graph Paper Designer and"; // 33 characters
        QTest::newRow("exactly 40 after one cut") << "0123456789 0123456789 0123456789 0123456 tail"
                                                  << "0123456789 0123456789 0123456789 0123456";
        QTest::newRow("41 goes on cutting") << "0123456789 0123456789 0123456789 01234567 tail"
                                            << "0123456789 0123456789 0123456789";
    }
    void appTitle()
    {
        QFETCH(QString, product);
        QFETCH(QString, title);
        QCOMPARE(appTitleFrom(product), title);
        QVERIFY(title.size() <= 40);
    }

    void aNameWithoutBlankCannotBeCut()
    {
        QVERIFY_THROWS_EXCEPTION(Failure, appTitleFrom("Gridorra"));
        QVERIFY_THROWS_EXCEPTION(Failure, appTitleFrom(QString(50, 'x') + " y"));
    }

    void programFilesJoinTheFolderTextUnchanged()
    {
        QCOMPARE(programFile("/opt/gridorra", "\\x\\o.cjs"), QString("/opt/gridorra/x/o.cjs"));
        // A folder that ends in a separator gives a doubled one.
        QCOMPARE(programFile("/", "\\HAND-M.CUR"), QString("//HAND-M.CUR"));
        QCOMPARE(programFile("/opt/", "\\HAND-M.CUR"), QString("/opt//HAND-M.CUR"));
    }

    void lookups()
    {
        QTemporaryDir dir;
        QFile(dir.filePath("o.cjs")).open(QIODevice::WriteOnly);
        QFile(dir.filePath(".o.cjs")).open(QIODevice::WriteOnly);
        QDir(dir.path()).mkdir("folder");
        QVERIFY(fileExists(dir.filePath("o.cjs")));
        QVERIFY(fileExists(dir.filePath("folder")));
        QVERIFY(fileExists(dir.path() + "//o.cjs"));
        QVERIFY(!fileExists(dir.filePath("none")));
        QVERIFY(!fileExists(QString()));
        QVERIFY(ordinaryFileExists(dir.filePath("o.cjs")));
        QVERIFY(!ordinaryFileExists(dir.filePath(".o.cjs"))); // hidden
        QVERIFY(!ordinaryFileExists(dir.filePath("folder")));
        QVERIFY(!ordinaryFileExists(dir.filePath("none")));
    }
};

QTEST_GUILESS_MAIN(TestProgramInfo)
#include "tst_programinfo.moc"
