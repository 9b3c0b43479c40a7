#include "app/form1.h"
#include "app/progressbar.h"
#include "app/pushbutton.h"
#include "core/colour.h"
#include "panel/colourswatch.h"
#include "panel/numericfield.h"
#include "render/mousepointer.h"
#include "render/previewbox.h"
#include "support/formfixture.h"
#include "support/pinlocale.h"
#include "support/pixelruns.h"
#include "support/testservices.h"

#include <QGroupBox>
#include <QRadioButton>
#include <QtTest>

using namespace gridorra;
using namespace gridorra::test;

class TestUnitsAndColour : public QObject, public test::FormFixture {
    Q_OBJECT
private:
    // PreviewGraph always ends by putting "Progress Bar" on the bar.
    void markPreview() { form->progressBar1()->setText("not redrawn"); }
    bool previewRedrawn() const { return form->progressBar1()->text() == "Progress Bar"; }
    QImage preview() const { return form->picture2()->image(); }
    QStringList fields() const
    {
        QStringList out;
        for (int i = 1; i <= 6; ++i)
            out << form->textField(i)->text();
        return out;
    }

    // Moves the mouse, as the window system reports it, to a point of a widget.
    void moveTo(QWidget* w, QPoint at)
    {
        QTest::mouseMove(form->windowHandle(), w->mapTo(form.get(), at));
        QCoreApplication::processEvents();
    }

    void start(bool withCursor = true)
    {
        services = std::make_unique<TestServices>();
        services->printers.names = {"Office", "Marnova PDF Writer"};
        services->printers.current = "Office";
        if (withCursor)
            QVERIFY(QFile::copy(QStringLiteral(HAND_CURSOR),
                                services->programFolder.filePath("HAND-M.CUR")));
        makeForm();
        form->Form_Load();
        QVERIFY(services->boxes.boxes.isEmpty());
    }

private slots:
    void initTestCase() { pinLocale(); }
    void init() { config.clear(); }
    void cleanup() { end(); }

    void centimetresThenInches()
    {
        start();
        const QStringList before = fields();
        markPreview();
        QTest::mouseClick(form->option2(), Qt::LeftButton);
        QVERIFY(form->option2()->isChecked());
        QCOMPARE(storedText("Scale"), QString("2"));
        QVERIFY(previewRedrawn());
        QCOMPARE(fields(), before);
        // Counts of 10 per centimetre: 57 twips apart.
        const Runs rows = {{0, 1},   {4, 4},   {8, 8},   {12, 12}, {15, 15}, {19, 19},
                           {23, 23}, {27, 27}, {31, 31}, {34, 34}, {36, 39}, {42, 42}};
        QCOMPARE(runsInColumn(preview(), 2, Qt::black), rows);

        markPreview();
        QTest::mouseClick(form->option1(), Qt::LeftButton);
        QCOMPARE(storedText("Scale"), QString("1"));
        QVERIFY(previewRedrawn());
        QCOMPARE(runsInColumn(preview(), 2, Qt::black),
                 Runs({{0, 1}, {10, 10}, {19, 19}, {29, 29}, {39, 39}}));
    }

    void choosingBlue()
    {
        start();
        services->colourDialog.answer = 0x00FF0000;
        markPreview();
        QTest::mouseClick(form->picture1(), Qt::LeftButton);
        QCOMPARE(services->colourDialog.shownWith, QList<quint32>({colour::black}));
        QCOMPARE(form->picture1()->backColor(), quint32(0x00FF0000));
        QCOMPARE(storedText("Color"), QString("16711680"));
        QVERIFY(previewRedrawn());
        QCOMPARE(preview().pixelColor(10, 5), QColor(Qt::blue));
        // The swatch shows it.
        const QImage swatch = form->picture1()->grab().toImage();
        QCOMPARE(swatch.pixelColor(swatch.width() / 2, swatch.height() / 2), QColor(Qt::blue));
    }

    // The keyboard, as on every desktop: Enter presses the focused button and
    // the swatch; Left and Right move the unit's choice as Up and Down do.
    void keys_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("after");
        QTest::newRow("Right on Inches") << "Option1" << int(Qt::Key_Right) << "cm";
        QTest::newRow("Left on Centimeters") << "Option2" << int(Qt::Key_Left) << "in";
        QTest::newRow("Return on Start Printing")
            << "PushButton2" << int(Qt::Key_Return) << "in Done.";
        QTest::newRow("keypad Enter on Start Printing")
            << "PushButton2" << int(Qt::Key_Enter) << "in Done.";
        QTest::newRow("Return on the swatch") << "Picture1" << int(Qt::Key_Return) << "in dialog";
    }
    void keys()
    {
        QFETCH(QString, control);
        QFETCH(int, key);
        QFETCH(QString, after);
        start();
        if (control == "Option2")
            form->option2()->setChecked(true);
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QWidget* target = form->findChild<QWidget*>(control);
        target->setFocus(Qt::TabFocusReason);
        QTest::keyClick(target, Qt::Key(key),
                        key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        QStringList state{form->option1()->isChecked() ? "in" : "cm"};
        state << services->boxes.said();
        if (!services->colourDialog.shownWith.isEmpty())
            state << "dialog";
        QCOMPARE(state.join(' '), after);
    }

    // A click on the swatch leaves a field as a click anywhere else does:
    // the field's box first, then the colour dialog.
    void aClickOnTheSwatchLeavesTheField()
    {
        start();
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        form->textField(1)->setFocus(Qt::TabFocusReason);
        form->textField(1)->setText("abc");
        QTest::mouseClick(form->picture1(), Qt::LeftButton);
        // (The preview then meets the count of 0 as it always does.)
        QCOMPARE(services->boxes.said().first(), QString("Must be a numeric value."));
        QVERIFY(!services->boxes.boxes.last().text.contains("Type mismatch"));
        QCOMPARE(services->colourDialog.shownWith.size(), 1);
        QCOMPARE(form->textField(1)->text(), QString("0"));
    }

    // The swatch's focus mark stands out by at least 3:1 from the frame as
    // it is drawn, by the palette or a skin, with its outer ring, and from
    // any line colour with its inner ring.
    void focusMarkStandsOut_data()
    {
        QTest::addColumn<quint32>("colour");
        QTest::addColumn<QString>("skin");
        for (const QString& skin : {QString(), QString("QFrame { border: 1px solid #E6E6E6; }")})
            for (const quint32 c :
                 {0x000000u, 0xFFFFFFu, 0x00FFFFu, 0xFF0000u, 0x777777u, 0xC67C30u})
                QTest::addRow("%06x%s", c, skin.isEmpty() ? "" : ", light frame") << c << skin;
    }
    void focusMarkStandsOut()
    {
        QFETCH(quint32, colour);
        QFETCH(QString, skin);
        start();
        form->picture1()->setStyleSheet(skin);
        form->picture1()->setBackColor(qint32(colour));
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        form->picture1()->setFocus(Qt::TabFocusReason);
        const QImage shot = form->picture1()->grab().toImage();
        const int y = shot.height() / 2;
        const QColor frame = shot.pixelColor(0, y), swatch = shot.pixelColor(shot.width() / 2, y);
        const auto luminance = [](const QColor& c) {
            const auto channel = [](double v) {
                return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
            };
            return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) +
                   0.0722 * channel(c.blueF());
        };
        const auto contrast = [&](const QColor& a, const QColor& b) {
            const double la = luminance(a), lb = luminance(b);
            return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
        };
        const double outer = contrast(shot.pixelColor(1, y), frame);
        const double inner = contrast(shot.pixelColor(2, y), swatch);
        QVERIFY2(outer >= 3 && inner >= 3, qPrintable(QString("%1 %2").arg(outer).arg(inner)));
    }

    void cancellingChangesNothing()
    {
        SettingsStore().write("Color", "255");
        start();
        const QImage before = preview();
        services->colourDialog.answer.reset();
        QTest::mouseClick(form->picture1(), Qt::LeftButton);
        QCOMPARE(services->colourDialog.shownWith, QList<quint32>({0x000000FF}));
        QCOMPARE(form->picture1()->backColor(), quint32(0x000000FF));
        QCOMPARE(storedText("Color"), QString("255"));
        QCOMPARE(preview(), before);
        QCOMPARE(preview().pixelColor(10, 5), QColor(Qt::red));
    }

    void theSameColourAgainOnlyRedraws()
    {
        SettingsStore().write("Color", "65280");
        start();
        services->colourDialog.answer = 0x0000FF00;
        const QByteArray file = config.settingsText();
        markPreview();
        QTest::mouseClick(form->picture1(), Qt::LeftButton);
        QVERIFY(previewRedrawn());
        QCOMPARE(storedText("Color"), QString("65280"));
        QCOMPARE(config.settingsText(), file);
        QCOMPARE(preview().pixelColor(10, 5), QColor(Qt::green));
    }

    void systemColoursShowAsThePalettesColour()
    {
        SettingsStore().write("Color", QString::number(qint32(colour::buttonFace)));
        start();
        const QColor face = QGuiApplication::palette().color(QPalette::Button);
        const QImage swatch = form->picture1()->grab().toImage();
        QCOMPARE(swatch.pixelColor(swatch.width() / 2, swatch.height() / 2), face);
        // The dialog opens on it; cancelling keeps the system colour itself.
        services->colourDialog.answer.reset();
        QTest::mouseClick(form->picture1(), Qt::LeftButton);
        QCOMPARE(form->picture1()->backColor(), colour::buttonFace);
        QCOMPARE(storedText("Color"), QString::number(qint32(colour::buttonFace)));
    }

    void pointerFollowsTheMouse()
    {
        start();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QCOMPARE(form->mousePointer(), pointer::normal);

        const auto moveOver = [&](QWidget* w) {
            moveTo(w, QPoint(w->width() / 2, w->height() - 3));
        };
        moveOver(form->pushButton2());
        QCOMPARE(form->mousePointer(), pointer::custom);
        QCOMPARE(form->cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(form->cursor().hotSpot(), QPoint(7, 0));

        // Over fields and the preview the pointer stays what it was.
        moveOver(form->textField(1));
        QCOMPARE(form->mousePointer(), pointer::custom);
        moveOver(form->picture2());
        QCOMPARE(form->mousePointer(), pointer::custom);
        auto* label = form->findChild<QWidget*>("lblLinesH");
        moveTo(label, QPoint(3, label->height() / 2));
        QCOMPARE(form->mousePointer(), pointer::custom);

        // Over a frame's own surface (the band below its controls).
        auto* frame = form->findChild<QGroupBox*>("Frame4");
        moveTo(frame, QPoint(frame->width() / 2, frame->height() - 4));
        QCOMPARE(form->mousePointer(), pointer::normal);
        QCOMPARE(form->cursor().shape(), Qt::ArrowCursor);

        moveOver(form->pushButton2());
        QCOMPARE(form->mousePointer(), pointer::custom);
        moveTo(form.get(), QPoint(2, 2)); // the bare window
        QCOMPARE(form->mousePointer(), pointer::normal);
    }

    void theBusyPointerIsNeverReplaced()
    {
        start();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        form->setMousePointer(pointer::busy);
        moveTo(form->pushButton2(), QPoint(20, 10));
        moveTo(form.get(), QPoint(2, 2));
        QCOMPARE(form->mousePointer(), pointer::busy);
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        form->setMousePointer(pointer::normal);
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void withoutACursorFileTheButtonShowsTheNormalPointer()
    {
        start(false);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        moveTo(form->pushButton2(), QPoint(20, 10));
        QCOMPARE(form->mousePointer(), pointer::custom);
        QCOMPARE(form->cursor().shape(), Qt::ArrowCursor);
    }
};

QTEST_MAIN(TestUnitsAndColour)
#include "tst_unitsandcolour.moc"
