#include "app/form1.h"
#include "app/guardedapplication.h"
#include "app/progressbar.h"
#include "app/pushbutton.h"
#include "core/failure.h"
#include "panel/numericfield.h"
#include "support/formfixture.h"
#include "support/testservices.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOption>
#include <QtTest>

using namespace gridorra;

namespace {

class ThrowingObject : public QObject {
public:
    bool event(QEvent*) override { throw Failure(fail::printerError); }
};

} // namespace

class TestForm1 : public QObject, public test::FormFixture {
    Q_OBJECT
private:
    QWidget* child(const char* name) const
    {
        return form->findChild<QWidget*>(QString::fromLatin1(name));
    }

private slots:
    void init()
    {
        begin();
        makeForm();
    }
    void cleanup() { end(); }

    void fixedClientAreaWithoutMaximize()
    {
        QCOMPARE(form->size(), QSize(536, 306));
        QCOMPARE(form->minimumSize(), QSize(536, 306));
        QCOMPARE(form->maximumSize(), QSize(536, 306));
        QVERIFY(!(form->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(form->windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(form->windowFlags() & Qt::WindowCloseButtonHint);
    }

    void controlsSitWhereTheDesignPutsThem_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QRect>("geometry");
        // Twips / 15, rounded: 650 -> 43.3 -> 43, 3560 -> 237.3 -> 237.
        QTest::newRow("Frame7") << "Frame7"
                                << "Form1" << QRect(8, 8, 168, 80);
        QTest::newRow("Frame3") << "Frame3"
                                << "Form1" << QRect(184, 8, 168, 80);
        QTest::newRow("Frame2") << "Frame2"
                                << "Form1" << QRect(360, 8, 168, 80);
        QTest::newRow("Frame1") << "Frame1"
                                << "Form1" << QRect(8, 92, 168, 80);
        QTest::newRow("Frame4") << "Frame4"
                                << "Form1" << QRect(184, 92, 168, 80);
        QTest::newRow("Frame5") << "Frame5"
                                << "Form1" << QRect(360, 92, 168, 80);
        QTest::newRow("Frame6") << "Frame6"
                                << "Form1" << QRect(8, 176, 520, 53);
        QTest::newRow("Text1") << "Text1"
                               << "Frame7" << QRect(80, 20, 73, 22);
        QTest::newRow("Text2") << "Text2"
                               << "Frame7" << QRect(80, 48, 73, 22);
        QTest::newRow("Text4 upper") << "Text4"
                                     << "Frame1" << QRect(80, 20, 73, 22);
        QTest::newRow("Text3 lower") << "Text3"
                                     << "Frame1" << QRect(80, 48, 73, 22);
        QTest::newRow("Text5") << "Text5"
                               << "Frame2" << QRect(80, 20, 73, 22);
        QTest::newRow("Picture1") << "Picture1"
                                  << "Frame2" << QRect(80, 48, 73, 22);
        QTest::newRow("Option1") << "Option1"
                                 << "Frame3" << QRect(12, 20, 97, 17);
        QTest::newRow("Option2") << "Option2"
                                 << "Frame3" << QRect(12, 43, 97, 17);
        QTest::newRow("Text6 narrower") << "Text6"
                                        << "Frame4" << QRect(96, 20, 57, 22);
        QTest::newRow("Picture2") << "Picture2"
                                  << "Frame5" << QRect(16, 20, 137, 47);
        QTest::newRow("Combo1") << "Combo1"
                                << "Frame6" << QRect(16, 20, 488, 23);
        QTest::newRow("PushButton2") << "PushButton2"
                                     << "Form1" << QRect(8, 237, 520, 27);
        QTest::newRow("ProgressBar1") << "ProgressBar1"
                                      << "Form1" << QRect(8, 271, 520, 27);
    }
    void controlsSitWhereTheDesignPutsThem()
    {
        QFETCH(QString, name);
        QFETCH(QString, parent);
        QFETCH(QRect, geometry);
        auto* w = form->findChild<QWidget*>(name);
        QVERIFY(w);
        QCOMPARE(w->parentWidget()->objectName(), parent);
        QCOMPARE(w->geometry(), geometry);
    }

    void captionsAndLabels()
    {
        QCOMPARE(qobject_cast<QGroupBox*>(child("Frame5"))->title(),
                 QString("Preview (Hit Tab to update)"));
        QCOMPARE(qobject_cast<QGroupBox*>(child("Frame1"))->title(),
                 QString("Lines Per Wide Line"));
        for (const char* name : {"lblLinesH", "Label1"}) {
            auto* label = qobject_cast<QLabel*>(child(name));
            QCOMPARE(label->text(), QString("Horizotal:"));
            QCOMPARE(label->pos(), QPoint(12, 23));
            QVERIFY(label->alignment() & Qt::AlignRight);
        }
        QCOMPARE(qobject_cast<QLabel*>(child("Label5"))->text(), QString("No. of Copies:"));
        QCOMPARE(form->pushButton2()->text(), QString("Start Printing"));
        QCOMPARE(form->progressBar1()->text(), QString("Progress Bar"));
        QCOMPARE(form->progressBar1()->value(), 0.0);
        QVERIFY(form->option1()->isChecked());
        QVERIFY(!form->option2()->isChecked());
        QVERIFY(!form->combo1()->isEditable());
        QCOMPARE(form->textField(6)->text(), QString("Text6"));
    }

    void fontsAreArialBold()
    {
        const QFont field = form->textField(1)->font();
        QCOMPARE(field.family(), QString("Arial"));
        QCOMPARE(field.pointSizeF(), 9.0);
        QCOMPARE(field.weight(), QFont::Bold);
        const QFont button = form->pushButton2()->font();
        QCOMPARE(button.pointSizeF(), 11.25);
        QCOMPARE(button.weight(), QFont::Bold);
    }

    void labelsShowTheWhiteOfTheirFrame()
    {
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        auto* frame = child("Frame7");
        auto* label = qobject_cast<QLabel*>(child("lblLinesV"));
        const QImage image = frame->grab().toImage();
        const qreal r = frame->devicePixelRatioF();
        // The label's top-left corner holds no glyph: it must show the same
        // colour as the frame just beside the label.
        const QPoint corner = (QPointF(label->pos()) * r).toPoint();
        const QPoint beside = (QPointF(label->pos() - QPoint(4, 0)) * r).toPoint();
        QCOMPARE(image.pixelColor(corner), image.pixelColor(beside));
        QVERIFY(image.pixelColor(corner).lightness() > 245);
        QCOMPARE(form->grab().toImage().pixelColor(2, 2), QColor(Qt::white));
    }

    void tabOrderFollowsTheDesign()
    {
        form->show();
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QCOMPARE(QApplication::focusWidget(), form->textField(1));
        QStringList visited;
        for (int i = 0; i < 10; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(visited, QStringList({"Text2", "Option1", "Text5", "Picture1", "Text4", "Text3",
                                       "Text6", "Combo1", "PushButton2", "Text1"}));
    }

    void theSelectedUnitIsTheTabStop()
    {
        form->option2()->setChecked(true);
        form->show();
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QTest::keyClick(form->textField(1), Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), form->option2());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), form->textField(5));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), form->option2());
        // The arrow keys move the choice within the pair.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
        QCOMPARE(QApplication::focusWidget(), form->option1());
        QVERIFY(form->option1()->isChecked());
    }

    void centredWhenFirstShown()
    {
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        const QRect screen = form->screen()->availableGeometry();
        const QPoint offset = form->frameGeometry().center() - screen.center();
        QVERIFY2(offset.manhattanLength() <= 2,
                 qPrintable(QString("offset %1,%2").arg(offset.x()).arg(offset.y())));
    }

    // Whatever a handler lets escape is reported, sent or posted, and the
    // program goes on.
    void noExceptionReachesTheEventLoop()
    {
        auto* app = static_cast<GuardedApplication*>(QCoreApplication::instance());
        test::RecordingBoxes boxes;
        app->setBoxes(&boxes);
        ThrowingObject target;
        QEvent sent(QEvent::User);
        QCoreApplication::sendEvent(&target, &sent);
        QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
        QCoreApplication::processEvents();
        app->setBoxes(nullptr);
        QCOMPARE(boxes.boxes.size(), 2);
        for (const auto& box : boxes.boxes) {
            QCOMPARE(box.title, QString("Application Error"));
            QVERIFY(box.text.startsWith("Printer error\r\rPlease email screenshot"));
            QCOMPARE(box.icon, MessageBoxes::Icon::Warning);
        }
    }

    // Where the desktop's text is larger than the design's 9 points, the
    // window grows with it as a whole, and no text is cut: every caption
    // fits its control.
    void followsTheDesktopsTextSize_data()
    {
        QTest::addColumn<double>("points");
        QTest::addColumn<QSize>("size");
        QTest::newRow("9 pt, the design's") << 9.0 << QSize(536, 306);
        QTest::newRow("8 pt, smaller: the design's") << 8.0 << QSize(536, 306);
        QTest::newRow("11 pt") << 11.0 << QSize(655, 374);
        QTest::newRow("14 pt") << 14.0 << QSize(834, 476);
        QTest::newRow("18 pt") << 18.0 << QSize(1072, 612);
    }
    void followsTheDesktopsTextSize()
    {
        QFETCH(double, points);
        QFETCH(QSize, size);
        const QFont desktop = QApplication::font();
        QFont larger = desktop;
        larger.setPointSizeF(points);
        QApplication::setFont(larger);
        Form1 scaled(services->services());
        QApplication::setFont(desktop);
        QCOMPARE(scaled.size(), size);
        QCOMPARE(scaled.font().pointSizeF(), 9 * std::max(1.0, points / 9));
        QStringList cut;
        const auto fits = [&](QWidget* w, const QString& text, int room) {
            if (QFontMetrics(w->font()).horizontalAdvance(text) > room ||
                QFontMetrics(w->font()).height() > w->height())
                cut << text;
        };
        for (QLabel* label : scaled.findChildren<QLabel*>())
            fits(label, label->text(), label->width());
        for (QRadioButton* option : scaled.findChildren<QRadioButton*>()) {
            QStyleOptionButton o;
            o.initFrom(option);
            o.text = option->text();
            const QRect text =
                option->style()->subElementRect(QStyle::SE_RadioButtonContents, &o, option);
            fits(option, option->text(), option->width() - text.left());
        }
        for (QGroupBox* box : scaled.findChildren<QGroupBox*>()) {
            QStyleOptionGroupBox o;
            o.initFrom(box);
            o.text = box->title();
            o.subControls = QStyle::SC_GroupBoxLabel;
            const QRect title = box->style()->subControlRect(QStyle::CC_GroupBox, &o,
                                                             QStyle::SC_GroupBoxLabel, box);
            fits(box, box->title(), box->width() - title.left());
        }
        fits(scaled.pushButton2(), scaled.pushButton2()->text(), scaled.pushButton2()->width());
        for (int i = 1; i <= 6; ++i)
            fits(scaled.textField(i), "32767", scaled.textField(i)->width() - 8);
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(", ")));
    }
};

int main(int argc, char** argv)
{
    GuardedApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestForm1 test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_form1.moc"
