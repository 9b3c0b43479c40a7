// Every text of the window readable under the desktop's themes, light,
// dark and high-contrast, skin or no skin: measured from the window as it
// is drawn, at least 4.5:1 for text and 3:1 for the preview's lines and
// the swatch's focus mark.
#include "app/form1.h"
#include "app/progressbar.h"
#include "app/pushbutton.h"
#include "panel/colourswatch.h"
#include "render/previewbox.h"
#include "render/systemcolours.h"
#include "settings/settingsstore.h"
#include "support/testservices.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QtTest>

using namespace gridorra;

namespace {

// A desktop theme's colours: window, text, button face, fields, selection.
QPalette theme(QColor window, QColor text, QColor button, QColor base, QColor highlight)
{
    QPalette p(button, window);
    for (const auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text,
                            QPalette::BrightText, QPalette::ToolTipText})
        p.setColor(role, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, base);
    p.setColor(QPalette::Highlight, highlight);
    p.setColor(QPalette::HighlightedText, text);
    return p;
}

// The contrast of what is drawn in `area` with its background: the area's
// commonest colour is the background, its colour farthest from it the ink.
double inkContrast(const QImage& image, const QRect& area)
{
    QHash<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            ++counts[image.pixel(x, y)];
    QRgb background = 0;
    int most = -1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > most) {
            most = it.value();
            background = it.key();
        }
    double best = 1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        best = std::max(best, contrastRatio(QColor(it.key()), QColor(background)));
    return best;
}

} // namespace

class TestContrast : public QObject {
    Q_OBJECT
private:
    test::IsolatedConfig config;

private slots:
    void everyTextStandsOut_data()
    {
        QTest::addColumn<QPalette>("palette");
        QTest::addColumn<bool>("skin");
        const QPalette light = QApplication::style()->standardPalette();
        // KDE's Breeze Dark (its kdeglobals), GTK's Adwaita:dark as Qt's GTK
        // theme takes it, and the two high-contrast looks.
        const QPalette breezeDark =
            theme(QColor(32, 35, 38), QColor(252, 252, 252), QColor(41, 44, 48), QColor(20, 22, 24),
                  QColor(61, 174, 233));
        const QPalette adwaitaDark =
            theme(QColor(0x35, 0x35, 0x35), QColor(0xee, 0xee, 0xec), QColor(0x35, 0x35, 0x35),
                  QColor(0x2d, 0x2d, 0x2d), QColor(0x15, 0x53, 0x9e));
        const QPalette whiteOnBlack =
            theme(Qt::black, Qt::white, Qt::black, Qt::black, QColor(0, 255, 255));
        const QPalette blackOnWhite =
            theme(Qt::white, Qt::black, Qt::white, Qt::white, QColor(0, 0, 128));
        for (const bool skin : {false, true}) {
            const char* with = skin ? "a skin's colours" : "the design's";
            QTest::addRow("light, %s", with) << light << skin;
            QTest::addRow("Breeze Dark, %s", with) << breezeDark << skin;
            QTest::addRow("Adwaita dark, %s", with) << adwaitaDark << skin;
            QTest::addRow("high contrast, white on black, %s", with) << whiteOnBlack << skin;
            QTest::addRow("high contrast, black on white, %s", with) << blackOnWhite << skin;
        }
    }
    void everyTextStandsOut()
    {
        QFETCH(QPalette, palette);
        QFETCH(bool, skin);
        config.clear();
        QApplication::setPalette(palette);
        test::TestServices services;
        if (skin) { // the skin's file beside the program: its colours, the theme's face
            QDir(services.programFolder.path()).mkpath("x");
            QFile file(services.programFolder.filePath("x/o.cjs"));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        Form1 form(services.services());
        form.Form_Load();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.picture1()->setFocus();
        QCoreApplication::processEvents();
        const QImage shot = form.grab().toImage();
        // Logical places in the drawn window's device pixels.
        const qreal d = shot.devicePixelRatio();
        const auto inForm = [&](QWidget* w, const QRect& r) {
            const QRectF logical(w->mapTo(&form, r.topLeft()), r.size());
            return QRectF(logical.topLeft() * d, logical.size() * d).toAlignedRect() & shot.rect();
        };
        QStringList failures;
        const auto check = [&](const QString& what, const QRect& area, double least) {
            const double ratio = inkContrast(shot, area);
            if (ratio < least)
                failures << QStringLiteral("%1 %2:1").arg(what).arg(ratio, 0, 'f', 2);
        };
        for (QLabel* label : form.findChildren<QLabel*>())
            if (label->isVisible() && !label->text().isEmpty())
                check(label->text(), inForm(label, label->rect()), 4.5);
        for (QGroupBox* box : form.findChildren<QGroupBox*>()) {
            QStyleOptionGroupBox option;
            option.initFrom(box);
            option.text = box->title();
            option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
            option.textAlignment = box->alignment();
            const QRect title = box->style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                             QStyle::SC_GroupBoxLabel, box);
            check(box->title(), inForm(box, title), 4.5);
        }
        for (QRadioButton* option : {form.option1(), form.option2()}) {
            QStyleOptionButton o;
            o.initFrom(option);
            o.text = option->text();
            const QRect text =
                option->style()->subElementRect(QStyle::SE_RadioButtonContents, &o, option);
            check(option->text(), inForm(option, text), 4.5);
        }
        check("Start Printing",
              inForm(form.pushButton2(), form.pushButton2()->rect().adjusted(4, 4, -4, -4)), 4.5);
        check("Progress Bar",
              inForm(form.progressBar1(), form.progressBar1()->rect().adjusted(3, 3, -3, -3)), 4.5);
        check("the preview's lines", inForm(form.picture2(), form.picture2()->contentsRect()), 3);
        // On a dark window the preview's frame stands out 3:1 from what
        // lies around it (the light design keeps its own shades).
        const QColor around =
            shot.pixelColor((QPointF(form.picture2()->mapTo(&form, QPoint(-1, 20))) * d).toPoint());
        if (blackOrWhiteAgainst(around) == QColor(Qt::white)) {
            const QColor edge = shot.pixelColor(
                (QPointF(form.picture2()->mapTo(&form, QPoint(0, 20))) * d).toPoint());
            const QColor foot = shot.pixelColor(
                (QPointF(form.picture2()->mapTo(&form, QPoint(20, form.picture2()->height() - 1))) *
                 d)
                    .toPoint());
            for (const QColor& frame : {edge, foot})
                if (contrastRatio(frame, around) < 3)
                    failures << QStringLiteral("the preview's frame %1:1")
                                    .arg(contrastRatio(frame, around), 0, 'f', 2);
        }
        // The swatch's focus mark against its frame and against the line colour.
        ColourSwatch* swatch = form.picture1();
        const QRect inside = swatch->contentsRect();
        const QPoint mid(inside.left(), inside.center().y());
        const auto at = [&](const QPoint& p) {
            return shot.pixelColor((QPointF(swatch->mapTo(&form, p)) * d).toPoint());
        };
        const QColor frame = at(QPoint(0, mid.y()));
        const QColor ring = at(mid);
        const QColor inner = at(mid + QPoint(1, 0));
        const QColor fill = at(inside.center());
        if (contrastRatio(ring, frame) < 3 && contrastRatio(inner, fill) < 3)
            failures << QStringLiteral("the swatch's focus mark");
        QApplication::setPalette(QApplication::style()->standardPalette());
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(", ")));
    }

    // The preview's paper as the sheet's: the theme's face where the lines
    // stand out 3:1 from it, else white, never black (light blue lines are
    // light blue on white paper); where even white leaves them faint, its
    // tooltip and description say so. Measured from the drawn window.
    void thePreviewShowsThePaper_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::addColumn<QString>("lines");
        QTest::addColumn<bool>("whitePaper");
        QTest::addColumn<bool>("faint");
        QTest::newRow("light theme, black") << false << "0" << false << false;
        QTest::newRow("light theme, light blue #add8e6") << false << "15128749" << true << true;
        QTest::newRow("light theme, white") << false << "16777215" << true << true;
        QTest::newRow("light theme, navy") << false << "8388608" << false << false;
        QTest::newRow("Breeze Dark, black") << true << "0" << true << false;
        QTest::newRow("Breeze Dark, light blue #add8e6") << true << "15128749" << false << false;
    }
    void thePreviewShowsThePaper()
    {
        QFETCH(bool, dark);
        QFETCH(QString, lines);
        QFETCH(bool, whitePaper);
        QFETCH(bool, faint);
        config.clear();
        const QPalette palette =
            dark ? theme(QColor(32, 35, 38), QColor(252, 252, 252), QColor(41, 44, 48),
                         QColor(20, 22, 24), QColor(61, 174, 233))
                 : QApplication::style()->standardPalette();
        QApplication::setPalette(palette);
        SettingsStore().write("Color", lines);
        test::TestServices services;
        Form1 form(services.services());
        form.Form_Load();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCoreApplication::processEvents();
        const QImage shot = form.grab().toImage();
        QApplication::setPalette(QApplication::style()->standardPalette());
        const qreal d = shot.devicePixelRatio();
        PreviewBox* box = form.picture2();
        const QRect inside = box->contentsRect();
        // The paper: the preview's commonest colour.
        QHash<QRgb, int> counts;
        for (int y = inside.top(); y <= inside.bottom(); ++y)
            for (int x = inside.left(); x <= inside.right(); ++x)
                ++counts[shot.pixel((QPointF(box->mapTo(&form, QPoint(x, y))) * d).toPoint())];
        QRgb paper = 0;
        for (auto it = counts.cbegin(); it != counts.cend(); ++it)
            if (it.value() > counts.value(paper, -1))
                paper = it.key();
        const QColor face = palette.color(QPalette::Button);
        QCOMPARE(QColor(paper), whitePaper ? QColor(Qt::white) : face);
        if (QColor(paper) != toQColor(lines.toUInt(), palette))
            QVERIFY(counts.size() > 1); // lines drawn on it, but white on white
        const QString tip = box->toolTip();
        QCOMPARE(tip.contains("stand out little from white paper"), faint);
        QCOMPARE(box->accessibleDescription().contains("stand out little from white paper"), faint);
    }

    // The swatch is its frame and its colour, nothing of what lies under
    // it between the two, at any scale factor (also run at 1.25).
    void theSwatchHasNoSeam()
    {
        ColourSwatch swatch;
        QPalette p = swatch.palette();
        p.setColor(QPalette::Window, Qt::green); // what would show through
        swatch.setPalette(p);
        swatch.resize(73, 22);
        swatch.setBackColor(0x000000FF); // red
        swatch.show();
        QVERIFY(QTest::qWaitForWindowExposed(&swatch));
        const QImage shown = swatch.grab().toImage();
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                QVERIFY2(shown.pixelColor(x, y) != QColor(Qt::green),
                         qPrintable(QString("a seam at %1, %2 of %3 x %4")
                                        .arg(x)
                                        .arg(y)
                                        .arg(shown.width())
                                        .arg(shown.height())));
    }
};

QTEST_MAIN(TestContrast)
#include "tst_contrast.moc"
