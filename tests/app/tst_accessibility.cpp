// The window as assistive technology reads it, through Qt's accessibility
// interfaces.
#include "app/form1.h"
#include "app/progressbar.h"
#include "app/qtmessageboxes.h"
#include "core/errorreport.h"
#include "panel/colourswatch.h"
#include "panel/numericfield.h"
#include "render/previewbox.h"
#include "support/formfixture.h"
#include "support/pinlocale.h"
#include "support/testservices.h"

#include <QAccessible>
#include <QComboBox>
#include <QMessageBox>
#include <QRadioButton>
#include <QtTest>

using namespace gridorra;
using namespace gridorra::test;

namespace {

QAccessibleInterface* of(QObject* object)
{
    return QAccessible::queryAccessibleInterface(object);
}

} // namespace

class TestAccessibility : public QObject, public test::FormFixture {
    Q_OBJECT
private:
private slots:
    void initTestCase() { pinLocale(); }
    void init()
    {
        begin();
        services->printers.names = {"Office", "Marnova PDF Writer"};
        services->printers.current = "Office";
        makeForm();
        form->Form_Load();
        form->show();
    }
    void cleanup() { end(); }

    void everyControlIsNamed_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("role");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("description");
        const int text = QAccessible::EditableText;
        QTest::newRow("Text1") << "Text1" << text << "Number Of Lines, Horizotal:"
                               << "horizontal grid lines per inch or per centimetre";
        QTest::newRow("Text2") << "Text2" << text << "Number Of Lines, Vertical:"
                               << "vertical grid lines per inch or per centimetre";
        QTest::newRow("Text4") << "Text4" << text << "Lines Per Wide Line, Horizotal:"
                               << "horizontal lines per wide horizontal line";
        QTest::newRow("Text3") << "Text3" << text << "Lines Per Wide Line, Vertical:"
                               << "vertical lines per wide vertical line";
        QTest::newRow("Text5") << "Text5" << text << "Look Of Lines, Thickness:"
                               << "thickness of an ordinary line, in printer dots";
        QTest::newRow("Text6") << "Text6" << text << "Print Option, No. of Copies:"
                               << "number of copies to print";
        QTest::newRow("Picture1") << "Picture1" << int(QAccessible::Button) << "Color"
                                  << "Line colour: black, #000000";
        QTest::newRow("Picture2")
            << "Picture2" << int(QAccessible::Graphic) << "Preview (Hit Tab to update)"
            << "The top-left corner of the sheet, at the screen's nominal 96 dpi: 10 lines per "
               "inch across and "
               "10 down; a wide line every 10 lines across and every 10 down; lines 1 px "
               "wide, wide lines 4 px; black, #000000";
        QTest::newRow("Combo1") << "Combo1" << int(QAccessible::ComboBox) << "Office"
                                << "";
        QTest::newRow("ProgressBar1")
            << "ProgressBar1" << int(QAccessible::ProgressBar) << "Progress Bar"
            << "";
        QTest::newRow("Option2") << "Option2" << int(QAccessible::RadioButton) << "Centimeters"
                                 << "";
        QTest::newRow("PushButton2")
            << "PushButton2" << int(QAccessible::Button) << "Start Printing"
            << "";
    }
    void everyControlIsNamed()
    {
        QFETCH(QString, control);
        QFETCH(int, role);
        QFETCH(QString, name);
        QFETCH(QString, description);
        QAccessibleInterface* a = of(form->findChild<QWidget*>(control));
        QVERIFY(a);
        QCOMPARE(int(a->role()), role);
        QCOMPARE(a->text(QAccessible::Name), name);
        QCOMPARE(a->text(QAccessible::Description), description);
    }

    void whatChangesIsHeard()
    {
        // The swatch tells the colour the dialog gave; pressing it opens the dialog.
        services->colourDialog.answer = 0x00FF0000; // blue
        QAccessibleInterface* swatch = of(form->picture1());
        QVERIFY(swatch->actionInterface());
        swatch->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QTRY_COMPARE(services->colourDialog.shownWith.size(), 1);
        QCOMPARE(swatch->text(QAccessible::Description), QString("Line colour: blue, #0000ff"));

        // The preview tells the values it was last drawn from.
        form->textField(1)->setText("4");
        form->textField(2)->setText("8");
        form->textField(3)->setText("5");
        form->textField(5)->setText("2.5"); // drawn as 2, halves to even
        form->option2()->click();
        QCOMPARE(
            of(form->picture2())->text(QAccessible::Description),
            QString("The top-left corner of the sheet, at the screen's nominal 96 dpi: 8 lines per "
                    "centimetre across and 4 down; a wide line every 5 lines across and "
                    "every 10 down; lines 2 px wide, wide lines 5 px; blue, #0000ff. Horizontal "
                    "lines are 2.505 mm apart, not 2.5 mm, vertical lines 1.252 mm, not 1.25 mm "
                    "(the window's whole twips)."));
        // A preview that could not be drawn says so.
        form->textField(1)->setText("0");
        form->option1()->click();
        QCOMPARE(of(form->picture2())->text(QAccessible::Description),
                 QString("The preview could not be drawn."));

        // The printer list's value is the chosen printer, labelled by its
        // frame; the bar its value.
        QAccessibleInterface* list = of(form->combo1());
        QCOMPARE(list->text(QAccessible::Value), QString("Office"));
        const auto labels = list->relations(QAccessible::Label);
        QCOMPARE(labels.size(), 1);
        QCOMPARE(labels[0].first->text(QAccessible::Name), QString("Select Printer"));
        form->combo1()->setCurrentIndex(1);
        QCOMPARE(list->text(QAccessible::Value), QString("Marnova PDF Writer"));
        // The bar tells its value as text, and offers no action: it is only shown.
        QAccessibleInterface* bar = of(form->progressBar1());
        QVERIFY(!bar->valueInterface());
        QCOMPARE(bar->actionInterface()->actionNames(), QStringList());
        form->progressBar1()->setValue(25);
        QCOMPARE(bar->text(QAccessible::Value), QString("25%"));

        // The six fields are told apart by name.
        QSet<QString> names;
        for (int i = 1; i <= 6; ++i)
            names << of(form->textField(i))->text(QAccessible::Name);
        QCOMPARE(names.size(), 6);
    }

    // A box reaches assistive technology as an alert with its title and its
    // whole text, every line of it.
    void messageBoxesAreReadWhole()
    {
        const QString report = ErrorReport::text("Type mismatch", "in Somewhere ", 120);
        auto box = QtMessageBoxes::build(report, "Application Error", MessageBoxes::Icon::Warning);
        box->show();
        QAccessibleInterface* a = of(box.get());
        QCOMPARE(a->role(), QAccessible::AlertMessage);
        QCOMPARE(a->text(QAccessible::Name), QString("Application Error"));
        const QString value = a->text(QAccessible::Value);
        QVERIFY(value.startsWith("Type mismatch\nin Somewhere at line 120\n\nPlease email"));
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
