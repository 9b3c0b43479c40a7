#include "app/form1.h"
#include "app/progressbar.h"
#include "panel/numericfield.h"
#include "support/formfixture.h"
#include "support/pinlocale.h"
#include "support/testservices.h"

#include <QRadioButton>
#include <QtTest>

using namespace gridorra;
using namespace gridorra::test;

class TestNumericFields : public QObject, public test::FormFixture {
    Q_OBJECT
private:
    QList<RecordingBoxes::Box>& boxes() { return services->boxes.boxes; }

    // PreviewGraph always ends by putting "Progress Bar" on the bar: a bar
    // showing something else has not been redrawn since.
    void markPreview() { form->progressBar1()->setText("not redrawn"); }
    bool previewRedrawn() const { return form->progressBar1()->text() == "Progress Bar"; }

    // Tabs out of the field and lets the focus settle.
    void tabOutOf(QWidget* field)
    {
        QTest::keyClick(field, Qt::Key_Tab);
        QCoreApplication::processEvents();
    }

private slots:
    void initTestCase() { pinLocale(); }

    void init()
    {
        begin();
        services->printers.names = {"Office", "Marnova PDF Writer"};
        services->printers.current = "Office";
        makeForm();
        form->Form_Load();
        QVERIFY(boxes().isEmpty());
        form->show();
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QCOMPARE(QApplication::focusWidget(), form->textField(1));
    }

    void cleanup() { end(); }

    void theFirstFocusSelectsTheWholeText()
    {
        QCOMPARE(form->textField(1)->selectedText(), QString("10"));
        QTest::keyClicks(form->textField(1), "25");
        QCOMPARE(form->textField(1)->text(), QString("25"));
    }

    // A tap on a control (press and release delivered together) right after
    // typing in a field: the field's LostFocus comes first and runs to its
    // end, box included, then the control's handler, which reads the field's
    // new text. Each box runs an event loop, as a modal box does; no handler
    // runs inside it, so the pointer stays busy while a report is open.
    void leavingAFieldIsHandledBeforeTheClickThatLeftIt_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("text1");
        QTest::addColumn<QString>("copies");
        QTest::addColumn<QStringList>("said");
        // "0" lines per unit divides by zero in the print job.
        QTest::newRow("letters, then Start Printing")
            << "PushButton2"
            << "abc"
            << "1" << QStringList({"Must be a numeric value.", "136", "Done."});
        QTest::newRow("letters, then Centimeters")
            << "Option2"
            << "abc"
            << "1" << QStringList({"Must be a numeric value.", "130"});
        QTest::newRow("a number, then a job that reports")
            << "PushButton2"
            << "12"
            << "abc" << QStringList({"150", "Done."});
    }
    void leavingAFieldIsHandledBeforeTheClickThatLeftIt()
    {
        QFETCH(QString, control);
        QFETCH(QString, text1);
        QFETCH(QString, copies);
        QFETCH(QStringList, said);
        form->textField(6)->setText(copies);
        form->textField(1)->setText(text1);
        int open = 0;
        bool nested = false;
        QList<int> pointerDuringReports;
        services->boxes.onShow = [&](const RecordingBoxes::Box& box) {
            nested = nested || open > 0;
            ++open;
            QCoreApplication::processEvents();
            if (box.title == "Application Error")
                pointerDuringReports << form->mousePointer();
            --open;
        };
        auto* target = form->findChild<QWidget*>(control);
        QTest::mousePress(target, Qt::LeftButton);
        QTest::mouseRelease(target, Qt::LeftButton);
        QCoreApplication::processEvents();
        QCOMPARE(services->boxes.said(), said);
        QVERIFY(!nested);
        QCOMPARE(form->textField(1)->text(), text1 == "abc" ? QString("0") : text1);
        QCOMPARE(pointerDuringReports, QList<int>({11}));
        QCOMPARE(form->mousePointer(), 0);
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void everyKeystrokeIsStored()
    {
        NumericField* text1 = form->textField(1);
        text1->clear();
        QCOMPARE(storedText("Text1"), QString(""));
        markPreview();
        QTest::keyClick(text1, Qt::Key_2);
        QVERIFY(config.settingsText().contains("Text1=2\n"));
        QTest::keyClick(text1, Qt::Key_5);
        QVERIFY(config.settingsText().contains("Text1=25\n"));
        QVERIFY(!previewRedrawn());
    }

    void enteringByTabSelectsTheWholeText()
    {
        form->textField(2)->setText("144");
        tabOutOf(form->textField(1));
        QCOMPARE(QApplication::focusWidget(), form->textField(2));
        QCOMPARE(form->textField(2)->selectedText(), QString("144"));
        QTest::keyClick(form->textField(2), Qt::Key_7);
        QCOMPARE(form->textField(2)->text(), QString("7"));
        QCOMPARE(storedText("Text2"), QString("7"));
    }

    void leavingAField_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("rejected");
        QTest::addColumn<bool>("redrawn");
        QTest::newRow("letters") << "abc" << true << false;
        QTest::newRow("digits then letter") << "12a" << true << false;
        QTest::newRow("lone blank") << " " << true << false;
        QTest::newRow("empty") << "" << false << false;
        QTest::newRow("2.5") << "2.5" << false << true;
        QTest::newRow("-3") << "-3" << false << true;
        QTest::newRow("1e3") << "1e3" << false << true;
        QTest::newRow("blanks around 12") << " 12 " << false << true;
        QTest::newRow("unchanged 10") << "10" << false << true;
    }
    void leavingAField()
    {
        QFETCH(QString, text);
        QFETCH(bool, rejected);
        QFETCH(bool, redrawn);
        NumericField* text1 = form->textField(1);
        text1->setText(text);
        QCOMPARE(storedText("Text1"), text);
        markPreview();
        tabOutOf(text1);

        QCOMPARE(boxes().size(), rejected ? 1 : 0);
        if (rejected) {
            QCOMPARE(boxes()[0].text, QString("Must be a numeric value."));
            QCOMPARE(boxes()[0].title, QString("Gridorra"));
            QCOMPARE(boxes()[0].icon, MessageBoxes::Icon::None);
        }
        QCOMPARE(text1->text(), rejected ? QString("0") : text);
        QCOMPARE(storedText("Text1"), rejected ? QString("0") : text);
        QCOMPARE(previewRedrawn(), redrawn);
        // The focus went where the user sent it.
        QCOMPARE(QApplication::focusWidget(), form->textField(2));
    }

    void copiesRedrawTheirPreviewToo()
    {
        form->textField(6)->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
        markPreview();
        tabOutOf(form->textField(6));
        QVERIFY(previewRedrawn());
        QVERIFY(boxes().isEmpty());
    }

    void losingActivationIsNotLeavingTheField()
    {
        NumericField* text1 = form->textField(1);
        text1->setText("abc");
        QWidget other;
        other.setWindowTitle("another program");
        other.resize(100, 100);
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QCoreApplication::processEvents();
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QCoreApplication::processEvents();
        QVERIFY(boxes().isEmpty());
        QCOMPARE(text1->text(), QString("abc"));
        QCOMPARE(QApplication::focusWidget(), text1);
    }

    void theBoxDoesNotCascadeIntoAnother()
    {
        // Both fields hold letters. While the box for the first one is open
        // the window is not active; coming back is no move of the focus, so
        // the second field raises nothing.
        form->textField(1)->setText("abc");
        form->textField(2)->setText("xyz");
        auto box = std::make_unique<QWidget>();
        services->boxes.onShow = [&](const RecordingBoxes::Box&) {
            box->show();
            box->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(box.get()));
            box->hide();
            form->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(form.get()));
        };
        tabOutOf(form->textField(1));
        QCoreApplication::processEvents();
        QCOMPARE(boxes().size(), 1);
        QCOMPARE(form->textField(1)->text(), QString("0"));
        QCOMPARE(form->textField(2)->text(), QString("xyz"));
        QCOMPARE(QApplication::focusWidget(), form->textField(2));
    }

    void switchingUnitsStoresAndRedraws()
    {
        markPreview();
        form->option2()->click();
        QCOMPARE(storedText("Scale"), QString("2"));
        QVERIFY(previewRedrawn());
        QCOMPARE(form->textField(1)->text(), QString("10"));
        markPreview();
        form->option1()->click();
        QCOMPARE(storedText("Scale"), QString("1"));
        QVERIFY(previewRedrawn());
    }
};

QTEST_MAIN(TestNumericFields)
#include "tst_numericfields.moc"
