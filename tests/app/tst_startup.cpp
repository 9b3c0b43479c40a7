#include "app/form1.h"
#include "app/progressbar.h"
#include "app/pushbutton.h"
#include "core/colour.h"
#include "panel/colourswatch.h"
#include "panel/numericfield.h"
#include "render/previewbox.h"
#include "support/formfixture.h"
#include "support/pinlocale.h"
#include "support/testservices.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QtTest>

using namespace gridorra;
using namespace gridorra::test;

namespace {

const QString pdfInstructions = QString::fromUtf8(
    "Marnova PDF Writer is not installed. Please follow these instructions:\r\n"
    "\r\n"
    "1) Go to Control Panel -> Printers and Faxes to add a local printer.\r\n"
    "2) Choose ''CPW2: (Marnova PDF Writer)'' on Select a Printer Port dialog box, click "
    "Next.\r\n"
    "3) Choose a Postscript printer (e.g. HP Color LaserJet PS), click Next.\r\n"
    "4) Enter Marnova PDF Writer as Printer name, click Next -> Finish.");

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

class TestStartup : public QObject, public test::FormFixture {
    Q_OBJECT
private:
    void storeBefore(const char* key, const QString& text)
    {
        SettingsStore().write(QString::fromLatin1(key), text);
    }
    QList<RecordingBoxes::Box>& boxes() { return services->boxes.boxes; }
    QString folder() const { return services->programFolder.path(); }

    void load()
    {
        makeForm();
        form->Form_Load();
    }

private slots:
    void initTestCase() { pinLocale(); }

    void init()
    {
        begin();
        services->printers.names = {"Office", "Marnova PDF Writer", "Label"};
        services->printers.current = "Office";
    }

    void cleanup() { end(); }

    void firstRunOnAnEmptyStore()
    {
        load();
        QVERIFY(boxes().isEmpty());
        const QStringList expected = {"10", "10", "10", "10", "1", "1"};
        for (int i = 1; i <= 6; ++i) {
            QCOMPARE(form->textField(i)->text(), expected[i - 1]);
            QCOMPARE(storedText(qPrintable(QString("Text%1").arg(i))), expected[i - 1]);
        }
        QVERIFY(form->option1()->isChecked());
        QCOMPARE(form->picture1()->backColor(), colour::black);
        QCOMPARE(storedText("Scale"), QString("<absent>"));
        QCOMPARE(storedText("Color"), QString("<absent>"));
        QCOMPARE(form->windowTitle(), QString("Gridorra Software"));
        QCOMPARE(form->appTitle(), QString("Gridorra"));
        QVERIFY(!form->windowIcon().isNull());
        QCOMPARE(form->windowIcon().pixmap(32).toImage().pixelColor(0, 0), QColor(40, 40, 40));
        // In every size the package installs, each drawn for its size: the
        // large ones once the window is on the screen.
        QVERIFY(!form->windowIcon().availableSizes().contains(QSize(512, 512)));
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QTRY_VERIFY(form->windowIcon().availableSizes().contains(QSize(512, 512)));
        const QList<QSize> sizes = form->windowIcon().availableSizes();
        for (const int size : {16, 22, 24, 32, 48, 64, 128, 256, 512}) {
            QVERIFY2(sizes.contains(QSize(size, size)), qPrintable(QString::number(size)));
            QCOMPARE(form->windowIcon().pixmap(size).size(), QSize(size, size));
        }
        // The first preview was drawn.
        QCOMPARE(form->picture2()->image().pixelColor(10, 5), QColor(Qt::black));
    }

    void storedTextsAreRestoredUnchanged()
    {
        storeBefore("Text1", "");
        storeBefore("Text3", "abc");
        storeBefore("Text6", " 3 ");
        const QString longText(40000, QLatin1Char('7'));
        storeBefore("Text5", longText);
        load();
        QCOMPARE(form->textField(5)->text(), longText);
        QCOMPARE(storedText("Text5"), longText);
        QCOMPARE(form->textField(1)->text(), QString(""));
        QCOMPARE(form->textField(3)->text(), QString("abc"));
        QCOMPARE(form->textField(6)->text(), QString(" 3 "));
        QCOMPARE(storedText("Text3"), QString("abc"));
        // The first preview reports the empty count and the letters, and the
        // start-up goes on.
        QCOMPARE(services->boxes.said(), QStringList({"106", "124", "136"}));
    }

    void storedUnit_data()
    {
        QTest::addColumn<QString>("scale");
        QTest::addColumn<bool>("centimetres");
        QTest::addColumn<QString>("storedAfter");
        QTest::addColumn<QStringList>("reports");
        QTest::newRow("2") << "2" << true << "2" << QStringList();
        QTest::newRow("0") << "0" << true << "2" << QStringList();
        QTest::newRow("5") << "5" << true << "2" << QStringList();
        QTest::newRow("1.5 reads as 2") << "1.5" << true << "2" << QStringList();
        QTest::newRow("1.4 reads as 1") << "1.4" << false << "1.4" << QStringList();
        QTest::newRow("blanks around 1") << " 1 " << false << " 1 " << QStringList();
        QTest::newRow("not a number") << "abc" << false << "abc" << QStringList({"140"});
        QTest::newRow("out of range") << "40000" << false << "40000" << QStringList({"140"});
    }
    void storedUnit()
    {
        QFETCH(QString, scale);
        QFETCH(bool, centimetres);
        QFETCH(QString, storedAfter);
        QFETCH(QStringList, reports);
        storeBefore("Scale", scale);
        load();
        QCOMPARE(form->option2()->isChecked(), centimetres);
        QCOMPARE(form->option1()->isChecked(), !centimetres);
        QCOMPARE(storedText("Scale"), storedAfter);
        QCOMPARE(services->boxes.said(), reports);
    }

    void storedColour_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<quint32>("colour");
        QTest::addColumn<QStringList>("reports");
        QTest::newRow("blue") << "16711680" << quint32(0xFF0000) << QStringList();
        QTest::newRow("red") << "255" << quint32(0x0000FF) << QStringList();
        QTest::newRow("system colour") << "-2147483633" << quint32(0x8000000F) << QStringList();
        QTest::newRow("not a number") << "x" << quint32(0) << QStringList({"146"});
        QTest::newRow("not a colour") << "-1" << quint32(0) << QStringList({"146"});
    }
    void storedColour()
    {
        QFETCH(QString, text);
        QFETCH(quint32, colour);
        QFETCH(QStringList, reports);
        storeBefore("Color", text);
        load();
        QCOMPARE(form->picture1()->backColor(), colour);
        QCOMPARE(services->boxes.said(), reports);
        QCOMPARE(storedText("Color"), text);
    }

    void blueLinesFromTheStoredColour()
    {
        storeBefore("Color", "16711680");
        load();
        QCOMPARE(form->picture2()->image().pixelColor(10, 5), QColor(Qt::blue));
    }

    void twoFailuresGiveTwoReportsInOrder()
    {
        storeBefore("Scale", "abc");
        storeBefore("Color", "x");
        load();
        QCOMPARE(services->boxes.said(), QStringList({"140", "146"}));
        QVERIFY(boxes()[0].text.startsWith(
            "Type mismatch\r\nin Gridorra2021/08/31.Form1.Form_Load at line 140\r\r"));
        QVERIFY(form->option1()->isChecked());
    }

    void skin_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("applied");
        QTest::newRow("present") << "file" << true;
        QTest::newRow("absent") << "none" << false;
        QTest::newRow("a folder of that name") << "folder" << false;
    }
    void skin()
    {
        QFETCH(QString, kind);
        QFETCH(bool, applied);
        const QString path = folder() + "/x/o.cjs";
        const QByteArray sheet = "QPushButton { color: #123456; }";
        if (kind == "file")
            writeFile(path, sheet);
        else if (kind == "folder")
            QDir().mkpath(path);
        load();
        QVERIFY(boxes().isEmpty());
        const QColor face = QGuiApplication::palette().color(QPalette::Button);
        const QColor white(Qt::white);
        QCOMPARE(form->styleSheet(), applied ? QString::fromUtf8(sheet) : QString());
        QCOMPARE(form->backColor(), applied ? colour::buttonFace : colour::white);
        QCOMPARE(form->palette().color(QPalette::Window), applied ? face : white);
        for (const char* name : {"Frame1", "Frame6", "Option2", "lblLinesH", "Label5"})
            QCOMPARE(form->findChild<QWidget*>(name)->palette().color(QPalette::Window),
                     applied ? face : white);
        // Fields and the swatch keep their colours; the progress bar and the
        // button stay white.
        QCOMPARE(form->textField(1)->palette().color(QPalette::Base),
                 QGuiApplication::palette().color(QPalette::Base));
        const QImage bar = form->progressBar1()->grab().toImage();
        QCOMPARE(bar.pixelColor(bar.width() - 4, 3), white);
        QCOMPARE(form->pushButton2()->palette().color(QPalette::Button), white);
        QCOMPARE(form->skinFramework1().options() & 1, applied ? 1 : 0);
    }

    void handCursor_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<QStringList>("reports");
        QTest::newRow("ours") << "ours" << true << QStringList();
        QTest::newRow("absent") << "none" << false << QStringList();
        QTest::newRow("not a cursor") << "garbage" << false << QStringList({"106"});
        QTest::newRow("entry beyond the file") << "wrap" << false << QStringList({"106"});
        QTest::newRow("a folder of that name") << "folder" << false << QStringList({"106"});
    }
    void handCursor()
    {
        QFETCH(QString, kind);
        QFETCH(bool, loaded);
        QFETCH(QStringList, reports);
        const QString path = folder() + "/HAND-M.CUR";
        if (kind == "ours")
            QVERIFY(QFile::copy(QStringLiteral(HAND_CURSOR), path));
        else if (kind == "garbage")
            writeFile(path, "this is no cursor");
        else if (kind == "wrap") // size 40 at offset 0xFFFFFFF0, in a 64-byte file
            writeFile(path, QByteArray::fromHex("000002000100") + QByteArray(8, '\0') +
                                QByteArray::fromHex("28000000f0ffffff") + QByteArray(42, '\0'));
        else if (kind == "folder")
            QDir().mkpath(path);
        load();
        QCOMPARE(form->mouseIcon().has_value(), loaded);
        QCOMPARE(services->boxes.said(), reports);
        if (loaded) {
            QCOMPARE(form->mouseIcon()->hotSpot(), QPoint(7, 0));
            // The image is the one Qt's own cursor reader sees in the file.
            QImage expected;
            QVERIFY(expected.load(QStringLiteral(HAND_CURSOR), "cur"));
            QCOMPARE(form->mouseIcon()->pixmap().toImage().convertToFormat(QImage::Format_ARGB32),
                     expected.convertToFormat(QImage::Format_ARGB32));
        }
    }

    void homePage_data()
    {
        QTest::addColumn<float>("draw");
        QTest::addColumn<bool>("opened");
        QTest::newRow("n = 7") << 0.06f << true;
        QTest::newRow("n = 7, top of the range") << 0.0699f << true;
        QTest::newRow("n = 6") << 0.0599f << false;
        QTest::newRow("n = 8") << 0.07f << false;
        QTest::newRow("n = 1") << 0.0f << false;
    }
    void homePage()
    {
        QFETCH(float, draw);
        QFETCH(bool, opened);
        services->random.value = draw;
        load();
        QCOMPARE(services->random.seeds.size(), 1);
        QVERIFY(services->random.seeds[0] >= 0 && services->random.seeds[0] < 86400);
        QCOMPARE(services->browser.opened.size(), opened ? 1 : 0);
        if (opened)
            QCOMPARE(services->browser.opened[0], QString("https://www.gridorra.example/"));
    }

    void aBrowserThatCannotStartIsReported()
    {
        services->random.value = 0.06f;
        services->browser.fail = true;
        load();
        QCOMPARE(services->boxes.said(), QStringList({"108"}));
        QCOMPARE(form->appTitle(), QString("Gridorra"));
    }

    void printerList_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("chosen");
        QTest::newRow("default chosen")
            << QStringList{"Office", "Marnova PDF Writer", "Label"} << "Label"
            << "Label";
        QTest::newRow("empty name: nothing chosen")
            << QStringList{"Office", "Marnova PDF Writer"} << ""
            << "";
        QTest::newRow("case told apart")
            << QStringList{"office", "Office", "Marnova PDF Writer"} << "Office"
            << "Office";
    }
    void printerList()
    {
        QFETCH(QStringList, names);
        QFETCH(QString, current);
        QFETCH(QString, chosen);
        services->printers.names = names;
        services->printers.current = current;
        load();
        QStringList listed;
        for (int i = 0; i < form->combo1()->count(); ++i)
            listed << form->combo1()->itemText(i);
        QCOMPARE(listed, names);
        QCOMPARE(form->combo1()->currentText(), chosen);
        if (!chosen.isEmpty())
            QCOMPARE(form->combo1()->currentIndex(), names.indexOf(chosen));
        QVERIFY(boxes().isEmpty());
    }

    void failuresWhileListingPrinters()
    {
        services->printers.failListing = true;
        load();
        // FillPrinterList and CheckPdfPrinter both fail under 150.
        QCOMPARE(services->boxes.said(), QStringList({"150", "150"}));
        QCOMPARE(form->combo1()->count(), 0);
    }

    void noNameForTheCurrentPrinter()
    {
        services->printers.failCurrentName = true;
        load();
        QCOMPARE(services->boxes.said(), QStringList({"150"}));
        QCOMPARE(form->combo1()->count(), 0);
        QCOMPARE(boxes().size(), 1); // the companion printer is there
    }

    void companionPrinter_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<bool>("instructions");
        QTest::newRow("exact name") << QStringList{"Office", "Marnova PDF Writer"} << false;
        QTest::newRow("case differs") << QStringList{"Office", "Marnova PDF writer"} << true;
        QTest::newRow("none") << QStringList{"Office"} << true;
        QTest::newRow("no printers at all") << QStringList{} << true;
    }
    void companionPrinter()
    {
        QFETCH(QStringList, names);
        QFETCH(bool, instructions);
        services->printers.names = names;
        services->printers.current = names.value(0);
        load();
        QCOMPARE(boxes().size(), instructions ? 1 : 0);
        if (instructions) {
            QCOMPARE(boxes()[0].text, pdfInstructions);
            QCOMPARE(boxes()[0].title, QString("Gridorra"));
            QCOMPARE(boxes()[0].icon, MessageBoxes::Icon::None);
            // The box came up before the window was shown.
            QVERIFY(!form->isVisible());
        }
    }

    void closingStoresNothing()
    {
        load();
        const QByteArray before = config.settingsText();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        form->close();
        QVERIFY(!form->isVisible());
        QCOMPARE(config.settingsText(), before);
        QVERIFY(boxes().isEmpty());
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
