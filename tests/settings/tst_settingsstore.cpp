#include "settings/settingsstore.h"
#include "support/testservices.h"

#include <QFileInfo>
#include <QProcess>
#include <QtTest>

using namespace gridorra;

namespace {

// The text of a key as a separate process reads it from the file, or
// "absent".
QString readElsewhere(const QString& key)
{
    QProcess reader;
    reader.start(QStringLiteral(SETTINGS_READER), {key});
    if (!reader.waitForFinished(30000) || reader.exitCode() != 0)
        return QStringLiteral("reader failed");
    const QByteArray out = reader.readAllStandardOutput().trimmed();
    if (out == "absent")
        return QStringLiteral("absent");
    return QString::fromUtf8(QByteArray::fromHex(out));
}

} // namespace

class TestSettingsStore : public QObject {
    Q_OBJECT
private:
    test::IsolatedConfig config;

private slots:
    void init() { config.clear(); }

    void awkwardTextsComeBackExactly_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("blanks") << "   ";
        QTest::newRow("blanks around") << " 12 ";
        QTest::newRow("comma") << "1,000";
        QTest::newRow("commas and blanks") << "a, b ,c";
        QTest::newRow("quotes") << "say \"10\" or '10'";
        QTest::newRow("leading at") << "@Variant(10)";
        QTest::newRow("semicolon and equals") << "a;b=c";
        QTest::newRow("backslash") << "C:\\x\\o.cjs";
        QTest::newRow("section-like") << "[General]";
        QTest::newRow("non-ASCII") << QString::fromUtf8("Größe 10 µm ☃");
        QTest::newRow("tab") << "1\t2";
        QTest::newRow("hash") << "#10";
    }
    void awkwardTextsComeBackExactly()
    {
        QFETCH(QString, text);
        SettingsStore store;
        store.write("Text1", text);
        QVERIFY(store.lastWriteSucceeded());
        QCOMPARE(store.read("Text1", "10"), text);
        QCOMPARE(readElsewhere("Text1"), text);
    }

    void absentKeyGivesTheDefaultEmptyTextDoesNot()
    {
        SettingsStore store;
        QCOMPARE(store.read("Text1", "10"), QString("10"));
        QCOMPARE(readElsewhere("Text1"), QString("absent"));
        store.write("Text1", "");
        QCOMPARE(store.read("Text1", "10"), QString(""));
        QCOMPARE(readElsewhere("Text1"), QString(""));
    }

    void eachWriteIsOnDiskBeforeItReturns()
    {
        SettingsStore store;
        store.write("Text1", "2");
        QVERIFY(config.settingsText().contains("Text1=2\n"));
        store.write("Text1", "25");
        QVERIFY(config.settingsText().contains("Text1=25\n"));
        QCOMPARE(readElsewhere("Text1"), QString("25"));
        QVERIFY(config.settingsText().contains("[Gridorra%20Software]"));
    }

    void aChangeMadeFromOutsideIsOverwrittenByTheNextChange()
    {
        SettingsStore store;
        store.write("Text1", "10");
        // Another program puts 99 there; the field then changes back to the
        // text this store last wrote, which must reach the file again.
        QTest::qWait(5); // a later modification time than our own write
        {
            QFile f(config.settingsFile());
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write("[Gridorra%20Software]\nText1=99\n");
        }
        store.write("Text1", "10");
        QCOMPARE(readElsewhere("Text1"), QString("10"));
    }

    void theFileIsTheUsersAlone()
    {
        SettingsStore store;
        store.write("Scale", "2");
        QCOMPARE(store.fileName(), config.settingsFile());
        const QFileInfo info(config.settingsFile());
        const auto group = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup;
        const auto other = QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
        QVERIFY(info.permissions() & QFileDevice::ReadOwner);
        QVERIFY(info.permissions() & QFileDevice::WriteOwner);
        QCOMPARE(info.permissions() & (group | other), QFileDevice::Permissions());
    }

    void aStoreThatCannotBeWrittenDoesNotFailTheCaller()
    {
        // A folder where the file should be: nothing can be saved there.
        QVERIFY(QDir().mkpath(config.settingsFile()));
        {
            SettingsStore store;
            store.write("Text1", "25");
            QVERIFY(!store.lastWriteSucceeded());
            QCOMPARE(store.read("Scale", "1"), QString("1"));
        }
        QVERIFY(QDir(config.settingsFile()).removeRecursively());
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
