#include "settings/calibration.h"
#include "settings/settingsstore.h"
#include "support/testservices.h"

#include <QFileInfo>
#include <QProcess>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace gridorra;

namespace {

// Runs the store in a process of its own: as another user (nobody) when
// this one is root, whom no file mode stops.
QStringList elsewhere(const QStringList& args, bool asOtherUser)
{
    if (asOtherUser && ::geteuid() == 0)
        return QStringList{"--reuid=65534", "--regid=65534", "--clear-groups",
                           QStringLiteral(SETTINGS_READER)} +
               args;
    return args;
}
QString programElsewhere(bool asOtherUser)
{
    return asOtherUser && ::geteuid() == 0 ? QStringLiteral("setpriv")
                                           : QStringLiteral(SETTINGS_READER);
}

int modeOf(const QString& path)
{
    struct stat info {};
    return ::stat(qPrintable(path), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

// The text of a key as a separate process reads it from the file, or
// "absent".
QString readElsewhere(const QString& key, bool asOtherUser = false)
{
    QProcess reader;
    reader.start(programElsewhere(asOtherUser), elsewhere({key}, asOtherUser));
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

    // A value as someone typed it into the file: read as the text it is.
    void textsEditedByHand_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("text");
        QTest::newRow("an unquoted comma") << QByteArray("Text1=1,5") << "1,5";
        QTest::newRow("quoted") << QByteArray("Text1=\"7.25\"") << "7.25";
    }
    void textsEditedByHand()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, text);
        QFile file(config.settingsFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Gridorra%20Software]\n" + line + "\n");
        file.close();
        QCOMPARE(SettingsStore().read("Text1", "10"), text);
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
        {
            QFile f(config.settingsFile());
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write("[Gridorra%20Software]\nText1=99\n");
            QVERIFY(f.flush());
            // Of the same size: a later modification time than our own
            // write is what tells it changed (set once the bytes are
            // written, so that closing the file does not set it again).
            QVERIFY(f.setFileTime(QFileInfo(f.fileName()).lastModified().addSecs(1),
                                  QFileDevice::FileModificationTime));
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

    // The store is the user's: a system-wide file beside it is never read,
    // so what the user's file lacks is written there.
    void theSystemWideStoreIsNotRead()
    {
        QDir().mkpath(config.systemPath());
        QFile system(config.systemPath() + "/Marnova.conf");
        QVERIFY(system.open(QIODevice::WriteOnly));
        system.write("[Gridorra%20Software]\nText1=77\nScale=2\n");
        system.close();
        SettingsStore store;
        QCOMPARE(store.read("Text1", "10"), QString("10"));
        store.write("Scale", "2");
        QVERIFY(config.settingsText().contains("Scale=2\n"));
    }

    // Group and others lose their rights to a store that had them, before
    // any change; no right is ever added.
    void modesOfAnExistingStore_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("after");
        QTest::newRow("0644") << 0644 << 0600;
        QTest::newRow("0666") << 0666 << 0600;
        QTest::newRow("0400") << 0400 << 0400;
    }
    void modesOfAnExistingStore()
    {
        QFETCH(int, mode);
        QFETCH(int, after);
        SettingsStore().write("Text1", "25");
        QVERIFY(::chmod(qPrintable(config.settingsFile()), mode_t(mode)) == 0);
        const QByteArray before = config.settingsText();
        SettingsStore store;
        QCOMPARE(modeOf(config.settingsFile()), after);
        QCOMPARE(config.settingsText(), before);
    }

    // A store its user cannot read: that run shows the defaults and leaves
    // the file exactly as it was, mode included.
    void aStoreThatCannotBeReadIsLeftAlone_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("no rights") << 0;
        QTest::newRow("everyone may write, nobody read") << 0222;
    }
    void aStoreThatCannotBeReadIsLeftAlone()
    {
        QFETCH(int, mode);
        const QByteArray text = "[Gridorra%20Software]\nText1=25\nScale=2\n";
        QFile file(config.settingsFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
        file.close();
        const QByteArray dir = config.path().toLocal8Bit();
        const QByteArray path = config.settingsFile().toLocal8Bit();
        if (::geteuid() == 0) // the other user owns the folder and the file
            QVERIFY(::chown(dir, 65534, 65534) == 0 && ::chown(path, 65534, 65534) == 0);
        QVERIFY(::chmod(path, mode_t(mode)) == 0);
        const auto restore = qScopeGuard([&] {
            if (::geteuid() == 0)
                QVERIFY(::chown(dir, 0, 0) == 0);
            ::chmod(path, 0600);
        });
        QCOMPARE(readElsewhere("Text1", true), QString("absent"));
        QProcess writer;
        writer.start(programElsewhere(true), elsewhere({"Text1", "7"}, true));
        QVERIFY(writer.waitForFinished(30000));
        QCOMPARE(writer.exitCode(), 0);
        QCOMPARE(modeOf(config.settingsFile()), mode);
        ::chmod(path, 0600);
        QCOMPARE(config.settingsText(), text);
    }

    // A correction stored or removed, or a window's value written, by an
    // ordinary user (root's rights would hide every mode): the store stays
    // theirs to read and write, and one they cannot read or write is left
    // exactly as it was, and said so.
    void correctionsKeepTheStoreTheUsers_data()
    {
        QTest::addColumn<int>("mode"); // the store's before; 0: none yet
        QTest::addColumn<QString>("operation");
        QTest::addColumn<int>("after");
        QTest::addColumn<QString>("said");
        QTest::newRow("a new store") << 0 << "--calibrate" << 0600 << "done";
        QTest::newRow("others could read it") << 0644 << "--calibrate" << 0600 << "done";
        QTest::newRow("removed from a store others could read")
            << 0664 << "--uncalibrate" << 0600 << "done";
        QTest::newRow("read only") << 0400 << "--calibrate" << 0400 << "cannot be written";
        QTest::newRow("write only") << 0200 << "--calibrate" << 0200 << "cannot be read";
        QTest::newRow("write only, removed") << 0200 << "--uncalibrate" << 0200 << "cannot be read";
        QTest::newRow("read only, a window's value")
            << 0400 << "Text2" << 0400 << "cannot be written";
    }
    void correctionsKeepTheStoreTheUsers()
    {
        QFETCH(int, mode);
        QFETCH(QString, operation);
        QFETCH(int, after);
        QFETCH(QString, said);
        const QByteArray text = "[Calibration]\nOffice=1.01 1\n\n[Gridorra%20Software]\nText1=25\n";
        const QByteArray dir = config.path().toLocal8Bit();
        const QByteArray path = config.settingsFile().toLocal8Bit();
        QVERIFY(QDir().mkpath(config.path()));
        if (mode != 0) {
            QFile file(config.settingsFile());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(text);
            file.close();
        }
        const bool root = ::geteuid() == 0;
        if (root) // the other user owns the folder and the file
            QVERIFY(::chown(dir, 65534, 65534) == 0 &&
                    (mode == 0 || ::chown(path, 65534, 65534) == 0));
        if (mode != 0)
            QVERIFY(::chmod(path, mode_t(mode)) == 0);
        const auto restore = qScopeGuard([&] {
            if (root)
                QVERIFY(::chown(dir, 0, 0) == 0);
            ::chmod(path, 0600);
        });
        QStringList args{operation, operation.startsWith("--") ? "Office" : "7"};
        if (operation == "--calibrate")
            args << "0.99"
                 << "1.02";
        QProcess run;
        run.start(programElsewhere(true), elsewhere(args, true));
        QVERIFY(run.waitForFinished(30000));
        const QString out = QString::fromUtf8(run.readAllStandardOutput()).trimmed();
        QVERIFY2(out.contains(said), qPrintable(out));
        QCOMPARE(modeOf(config.settingsFile()), after);
        if (said != "done") {
            ::chmod(path, 0600);
            QCOMPARE(config.settingsText(), text);
            return;
        }
        // The same user goes on using the store: the window's next value
        // is written and read back, and the correction is as asked.
        QProcess writer;
        writer.start(programElsewhere(true), elsewhere({"Text2", "7"}, true));
        QVERIFY(writer.waitForFinished(30000));
        QCOMPARE(readElsewhere("Text2", true), QString("7"));
        const QByteArray now = config.settingsText();
        QVERIFY2(now.contains(operation == "--calibrate" ? "Office=0.99 1.02" : "Text1=25") &&
                     (operation == "--calibrate") == now.contains("Office="),
                 now.constData());
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

    // Corrections by printer, as the file holds them (`stored`, lines of
    // the [Calibration] section): what a printer prints with, and why an
    // entry cannot be used.
    void correctionsByPrinter_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("printer");
        QTest::addColumn<QString>("whose");
        QTest::addColumn<double>("across");
        QTest::addColumn<QString>("problem");
        QTest::newRow("a queue's own") << QByteArray("Office=1.004 0.996") << "Office"
                                       << "Office" << 1.004 << "";
        QTest::newRow("an instance takes its queue's")
            << QByteArray("Office=1.004 0.996") << "Office/draft"
            << "Office" << 1.004 << "";
        QTest::newRow("an instance calibrated itself")
            << QByteArray("Office=1.004 0.996\nOffice\\draft=0.998 1") << "Office/draft"
            << "Office/draft" << 0.998 << "";
        QTest::newRow("a key of an earlier version")
            << QByteArray("Office%252Fdraft=0.998 1") << "Office/draft"
            << "Office/draft" << 0.998 << "";
        QTest::newRow("none") << QByteArray("Lab=1 1") << "Office"
                              << "" << 0.0 << "";
        QTest::newRow("no number")
            << QByteArray("Office=abc") << "Office/draft"
            << "Office" << 0.0 << "\"abc\" is not two factors, across and down";
        QTest::newRow("out of range")
            << QByteArray("Office=1.2 1") << "Office"
            << "Office" << 0.0 << "\"1.2 1\" holds a factor outside 0.95 to 1.05";
    }
    void correctionsByPrinter()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QString, printer);
        QFETCH(QString, whose);
        QFETCH(double, across);
        QFETCH(QString, problem);
        QFile file(config.settingsFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Calibration]\n" + stored + "\n");
        file.close();
        const StoredCorrection found = Calibrations().find(printer);
        QCOMPARE(found.printer, whose);
        QCOMPARE(found.correction ? found.correction->across : 0.0, across);
        QCOMPARE(found.problem, problem);
        QCOMPARE(Calibrations().all().size(), stored.count('\n') + 1);
    }

    // An instance's entry reads as its name in the file, and removing its
    // queue's leaves it.
    void anInstanceIsStoredByItsName()
    {
        Calibrations().store("Office", {1.004, 0.996});
        Calibrations().store("Office/draft", {0.998, 1});
        QVERIFY(config.settingsText().contains("Office\\draft=0.998 1"));
        QVERIFY(Calibrations().remove("Office"));
        QVERIFY(!Calibrations().remove("Office"));
        QCOMPARE(Calibrations().all().size(), 1);
        QCOMPARE(Calibrations().of("Office/draft")->across, 0.998);
    }

    // A length as measured: its unit, and the language's numbers; what is
    // wrong with one that is refused.
    void measuredLengths_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("millimetres");
        QTest::addColumn<QString>("why");
        QTest::newRow("mm") << "en_US"
                            << "179.3mm" << 179.3 << "";
        QTest::newRow("cm") << "en_US"
                            << "17.93cm" << 179.3 << "";
        QTest::newRow("in, German") << "de_DE"
                                    << " 7,05 in " << 179.07 << "";
        QTest::newRow("no unit") << "en_US"
                                 << "179.3" << 0.0 << "give the length measured";
        QTest::newRow("a point in German")
            << "de_DE"
            << "179.1mm" << 0.0 << "write the decimal separator as \",\" (179,1mm)";
        QTest::newRow("a comma in English")
            << "en_US"
            << "17,9cm" << 0.0 << "write the decimal separator as \".\" (17.9cm)";
        QTest::newRow("negative") << "en_US"
                                  << "-179mm" << 0.0 << "a length is more than 0";
        QTest::newRow("zero") << "en_US"
                              << "0 in" << 0.0 << "a length is more than 0";
        QTest::newRow("no number") << "en_US"
                                   << "abc mm" << 0.0 << "\"abc\" is no number";
    }
    void measuredLengths()
    {
        QFETCH(QString, language);
        QFETCH(QString, text);
        QFETCH(double, millimetres);
        QFETCH(QString, why);
        const QLocale before;
        QLocale::setDefault(QLocale(language));
        const auto restore = qScopeGuard([&] { QLocale::setDefault(before); });
        QString said;
        const std::optional<Measured> m = measuredLength(text, &said);
        QCOMPARE(m ? qRound(m->millimetres * 100) / 100.0 : 0.0, millimetres);
        QVERIFY2(why.isEmpty() ? said.isEmpty() : said.startsWith(why), qPrintable(said));
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
