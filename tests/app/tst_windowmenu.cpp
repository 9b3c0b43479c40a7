#include "app/calibratedialog.h"
#include "app/kinddialog.h"
#include "app/progressbar.h"
#include "app/pushbutton.h"
#include "app/windowmenu.h"
#include "cli/commandline.h"
#include "panel/numericfield.h"
#include "render/previewbox.h"
#include "support/formfixture.h"
#include "support/pinlocale.h"
#include "support/programrun.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QInputDialog>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBrowser>
#include <QtTest>

using namespace gridorra;

namespace {

// Runs `then` on the next popup or modal dialog once it is up, while the
// code under test waits in its exec().
void whenUp(std::function<void(QWidget*)> then, bool popup)
{
    QTimer::singleShot(0, [then, popup] {
        QWidget* up = popup ? QApplication::activePopupWidget() : QApplication::activeModalWidget();
        if (!up) {
            whenUp(then, popup);
            return;
        }
        then(up);
    });
}

// The same for the next modal dialog other than `previous` (which may still
// be closing).
void whenNextUp(QWidget* previous, std::function<void(QWidget*)> then)
{
    whenUp(
        [previous, then](QWidget* up) {
            if (up == previous)
                whenNextUp(previous, then);
            else
                then(up);
        },
        false);
}

// The texts of a menu's items, separators as "-".
QStringList itemsOf(QWidget* popup)
{
    QStringList items;
    if (auto* menu = qobject_cast<QMenu*>(popup))
        for (QAction* a : menu->actions())
            items << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return items;
}

// The dark pixels of a picture.
int inked(const QImage& image)
{
    int dark = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            dark += qGray(image.pixel(x, y)) < 128;
    return dark;
}

const QStringList menuItems{
    "Kind of Paper\u2026", "Save As\u2026", "Print", "Calibrate This Printer\u2026", "Undo", "Help",
    "About Gridorra"};

} // namespace

class TestWindowMenu : public QObject, public test::FormFixture {
    Q_OBJECT
private:
    void load()
    {
        makeForm();
        form->Form_Load();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    // The items of the menu a press or a key opens over `widget`.
    QStringList menuOver(QWidget* widget, const QString& how)
    {
        QStringList items;
        whenUp(
            [&](QWidget* popup) {
                items = itemsOf(popup);
                popup->close();
            },
            true);
        widget->setFocus();
        if (how == "right-click") {
            const QPoint at = widget->rect().center();
            QContextMenuEvent event(QContextMenuEvent::Mouse, at, widget->mapToGlobal(at));
            QApplication::sendEvent(widget, &event);
        } else if (how == "Shift+F10") {
            QTest::keyClick(widget, Qt::Key_F10, Qt::ShiftModifier);
        } else {
            QContextMenuEvent event(QContextMenuEvent::Keyboard, widget->rect().center(),
                                    widget->mapToGlobal(widget->rect().center()));
            QApplication::sendEvent(widget, &event); // as the Menu key sends it
        }
        return items;
    }

private slots:
    void initTestCase() { test::pinLocale(); }
    void init() { begin(); }
    void cleanup() { end(); }

    // One menu, in one order, from the controls outside the fields by a
    // right-click, the Menu key or Shift+F10; a field's own edit menu has
    // it below a separator.
    void theMenuOpensFromEveryControl_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("field");
        for (const char* control : {"Form1", "Label1", "Picture2", "Combo1", "PushButton2",
                                    "ProgressBar1", "Option1", "Picture1"})
            QTest::addRow("right-click on %s", control) << control << "right-click" << false;
        QTest::newRow("Shift+F10 on the button") << "PushButton2"
                                                 << "Shift+F10" << false;
        QTest::newRow("Menu key in the printer list") << "Combo1"
                                                      << "Menu" << false;
        QTest::newRow("right-click in a field") << "Text1"
                                                << "right-click" << true;
        QTest::newRow("Shift+F10 in a field") << "Text5"
                                              << "Shift+F10" << true;
    }
    void theMenuOpensFromEveryControl()
    {
        QFETCH(QString, control);
        QFETCH(QString, how);
        QFETCH(bool, field);
        load();
        QWidget* widget = control == "Form1" ? form.get() : form->findChild<QWidget*>(control);
        QVERIFY2(widget, qPrintable(control));
        const QStringList items = menuOver(widget, how);
        if (!field) {
            QCOMPARE(items, menuItems);
            return;
        }
        // The edit menu first (Undo, Cut, Copy, ...), then ours.
        const qsizetype ours = items.indexOf(menuItems.first());
        QVERIFY2(ours > 3 && items.value(ours - 1) == "-", qPrintable(items.join(", ")));
        QCOMPARE(items.mid(ours), menuItems);
    }

    // Undo brings back what a field held before its last change, stored
    // again; a run of typing is one change; nothing to undo greys it out.
    void undoBringsBackAFieldsText_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("leave"); // the focus leaves the field after typing
        QTest::addColumn<QString>("boxSaid");
        QTest::addColumn<QString>("before");
        QTest::newRow("typed over") << "25" << false << ""
                                    << "10";
        QTest::newRow("reset to 0 by the box") << "abc" << true << "Must be a numeric value."
                                               << "abc";
    }
    void undoBringsBackAFieldsText()
    {
        QFETCH(QString, typed);
        QFETCH(bool, leave);
        QFETCH(QString, boxSaid);
        QFETCH(QString, before);
        load();
        QAction* undo = form->menu()->undo();
        QVERIFY(!undo->isEnabled());
        NumericField* field = form->textField(1);
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, typed);
        if (leave) {
            QTest::mouseClick(form->option1(), Qt::LeftButton);
            QTRY_COMPARE(field->text(), QString("0"));
            QCOMPARE(services->boxes.boxes.last().text, boxSaid);
        }
        QVERIFY(undo->isEnabled());
        QTest::keyClick(leave ? static_cast<QWidget*>(form->option1()) : field, Qt::Key_Z,
                        Qt::ControlModifier);
        QCOMPARE(field->text(), before);
        QCOMPARE(test::storedText("Text1"), before);
        if (!leave) // the one change undone
            QVERIFY(!undo->isEnabled());
    }

    // The kinds in the dialog: a refused value said beside its field in
    // the command line's words with OK disabled; OK stores the kind under
    // keys of its own and the window draws it; Cancel changes nothing; the
    // next start has it.
    void theKindOfPaperIsChosenAndKept()
    {
        load();
        const QByteArray storeBefore = config.settingsText();
        const QImage gridPreview = form->picture2()->image();
        // Cancelled: nothing changes.
        whenUp(
            [](QWidget* dialog) {
                auto* d = qobject_cast<KindDialog*>(dialog);
                d->kinds()->setCurrentRow(1);
                d->reject();
            },
            false);
        QTest::keyClick(form->textField(1), Qt::Key_K, Qt::ControlModifier);
        QCOMPARE(config.settingsText(), storeBefore);
        QCOMPARE(form->paper().kind, QString("grid"));
        // Dots, a refused size first.
        QString refusal;
        bool okWhileRefused = true;
        int inkWhileRefused = -1, inkOnceTaken = -1; // the dialog's preview's dark pixels
        whenUp(
            [&](QWidget* dialog) {
                auto* d = qobject_cast<KindDialog*>(dialog);
                const auto dots = d->kinds()->findItems("Dots", Qt::MatchExactly);
                d->kinds()->setCurrentItem(dots.value(0));
                QLineEdit* size = d->optionField("dot-size");
                size->setText("2.5");
                refusal = d->refusal()->text();
                okWhileRefused = d->buttons()->button(QDialogButtonBox::Ok)->isEnabled();
                inkWhileRefused = inked(d->preview()->image());
                size->setText("3");
                inkOnceTaken = inked(d->preview()->image());
                // The README's picture of the dialog, where asked.
                if (const QString docs = qEnvironmentVariable("GRIDORRA_SCREENSHOTS");
                    !docs.isEmpty()) {
                    QApplication::processEvents(); // the new rows shown
                    d->layout()->activate();
                    d->resize(d->sizeHint());
                    d->grab().save(docs + "/kind-of-paper.png");
                }
                QTest::keyClick(d->buttons()->button(QDialogButtonBox::Ok), Qt::Key_Space);
            },
            false);
        form->menu()->kindOfPaper()->trigger();
        QCOMPARE(refusal, QString("--dot-size 2.5: give a whole number from 1 to 100"));
        QVERIFY(!okWhileRefused);
        QVERIFY2(inkWhileRefused == 0 && inkOnceTaken > 100,
                 qPrintable(QString("%1, %2").arg(inkWhileRefused).arg(inkOnceTaken)));
        QCOMPARE(test::storedText("Paper"), QString("dots"));
        QCOMPARE(test::storedText("PaperOptions"), QString("dot-size=3"));
        for (const char* key : {"Text1", "Text2", "Scale", "Color"})
            QCOMPARE(test::storedText(key),
                     storeBefore.contains(key) ? test::storedText(key) : QString("<absent>"));
        // The preview has dots: runs of ink no longer than a dot, where the
        // grid's lines ran across the box.
        const QImage dots = form->picture2()->image();
        QVERIFY(dots != gridPreview);
        const int row = dots.height() / 2;
        int longest = 0, run = 0;
        for (int y = 0; y < dots.height(); ++y)
            for (int x = 0; x < dots.width(); ++x) {
                run = qGray(dots.pixel(x, y)) < 128 ? run + 1 : 0;
                longest = std::max(longest, run);
            }
        QVERIFY2(longest > 0 && longest <= 4, qPrintable(QString::number(longest)));
        Q_UNUSED(row);
        // Fields the kind does not use say so; the frame names the kind.
        QVERIFY(!form->textField(5)->isEnabled());
        QCOMPARE(form->textField(5)->accessibleDescription(), QString("not used by dots paper"));
        QVERIFY(form->textField(1)->isEnabled() && form->textField(6)->isEnabled());
        QCOMPARE(form->picture2()->parentWidget()->toolTip(), QString("Dots paper"));
        // The next start has it.
        form.reset();
        load();
        QCOMPARE(form->paper().kind, QString("dots"));
        QVERIFY(!form->textField(5)->isEnabled());
    }

    // Save As writes what --export writes of the same settings, for each
    // format (a PDF's creation date aside), in the folder chosen last.
    void saveAsWritesWhatAnExportWrites_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("extra"); // the export's own options
        QTest::newRow("PDF") << "sheet.pdf"
                             << "PDF (*.pdf)" << QStringList();
        QTest::newRow("a booklet")
            << "booklet.pdf"
            << "PDF (*.pdf)" << QStringList{"--pages", "8", "--double-sided", "--two-up"};
        QTest::newRow("SVG, named without its extension") << "sheet"
                                                          << "SVG (*.svg)" << QStringList();
        QTest::newRow("PNG") << "sheet.png"
                             << "PNG (*.png)" << QStringList{"--resolution", "300"};
    }
    void saveAsWritesWhatAnExportWrites()
    {
        QFETCH(QString, name);
        QFETCH(QString, filter);
        QFETCH(QStringList, extra);
        load();
        PaperChoice letter = form->paper();
        letter.paperSize = "Letter";
        QVERIFY(form->choosePaper(letter));
        QTemporaryDir dir;
        QString openedIn;
        form->menu()->setFileChooser(
            [&](QWidget*, const QString& folder, const QString&, QString* chosen) {
                openedIn = folder;
                *chosen = filter;
                return dir.filePath(name);
            });
        if (extra.contains("--two-up")) {
            // Eight pages, then the last of the ways to print them.
            whenUp(
                [](QWidget* d) {
                    auto* pages = qobject_cast<QInputDialog*>(d);
                    pages->setIntValue(8);
                    pages->accept();
                    whenNextUp(pages, [](QWidget* next) {
                        auto* sides = qobject_cast<QInputDialog*>(next);
                        sides->setTextValue(sides->comboBoxItems().value(2));
                        sides->accept();
                    });
                },
                false);
        } else if (!filter.startsWith("SVG")) { // a PDF's pages, a PNG's resolution: as they are
            whenUp([](QWidget* d) { qobject_cast<QInputDialog*>(d)->accept(); }, false);
        }
        QList<double> progress;
        connect(form->progressBar1(), &ProgressBar::valueChanged, this,
                [&](double v) { progress << v; });
        QTest::keyClick(form->textField(1), Qt::Key_S, Qt::ControlModifier);
        // The bar moved while the sheet was made, and is empty again.
        QVERIFY2(progress.size() >= 2 && progress.last() == 0 &&
                     *std::max_element(progress.cbegin(), progress.cend()) > 0,
                 qPrintable(QString::number(progress.size())));
        const QString saved =
            dir.filePath(name.contains('.') ? name : name + "." + filter.left(3).toLower());
        QVERIFY2(QFile::exists(saved), qPrintable(saved));
        QCOMPARE(test::storedText("SaveFolder"), dir.path());
        // The same settings from the command line.
        const QString exported = dir.filePath("exported." + QFileInfo(saved).suffix());
        const test::ProgramRun run =
            test::runProgram(QStringList{"--export", exported, "--page-size", "Letter"} + extra,
                             test::withoutDisplay(QProcessEnvironment::systemEnvironment()));
        QCOMPARE(run.status, 0);
        const auto bytes = [](const QString& path) {
            QFile f(path);
            f.open(QIODevice::ReadOnly);
            QByteArray data = f.readAll();
            const qsizetype date = data.indexOf("/CreationDate (D:");
            if (date >= 0)
                data.remove(date, data.indexOf(')', date) - date + 1);
            return data;
        };
        QCOMPARE(bytes(saved), bytes(exported));
    }

    // What a screen reader reads of the dialogs: every control that takes
    // the focus has a name, and the fields say their unit.
    // A switch ticked in the dialog reaches the sheet as the command line's
    // own option: the numbered axes as --labels, whole cells as --centre.
    void theDialogsSwitchesReachTheSheet_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("box");
        QTest::newRow("numbered axes of semi-log paper") << "semilog"
                                                         << "labels";
        QTest::newRow("whole dots centred") << "dots"
                                            << "centre";
    }
    void theDialogsSwitchesReachTheSheet()
    {
        QFETCH(QString, kind);
        QFETCH(QString, box);
        load();
        PaperChoice chosen;
        chosen.kind = kind;
        KindDialog kinds(chosen, *services->settings, *form, form.get());
        kinds.show();
        auto* check = kinds.findChild<QCheckBox*>(box);
        QVERIFY(check && check->isVisible() && !check->isChecked());
        check->setFocus();
        QTest::keyClick(check, Qt::Key_Space);
        SheetRequest request;
        QString why;
        QVERIFY2(kinds.choice().applyTo(request, &why), qPrintable(why));
        QCOMPARE(request.pattern.labels, box == "labels");
        QCOMPARE(request.pattern.centre, box == "centre");
    }

    // A sheet of whole cells centred shows its top-left corner in the
    // preview as it is printed: moved from the corner by half of what the
    // page leaves over beside its whole dots (10 to the inch both ways, 4
    // dots across, on A4 less 12 pt margins), across the long side when
    // the sheet is turned.
    void aCentredSheetsPreviewIsCentredOnItsPage_data()
    {
        QTest::addColumn<QString>("orientation");
        QTest::addColumn<QSizeF>("sheet"); // twips
        QTest::newRow("portrait") << "" << QSizeF((595 - 24) * 20.0, (842 - 24) * 20.0);
        QTest::newRow("landscape") << "landscape" << QSizeF((842 - 24) * 20.0, (595 - 24) * 20.0);
    }
    void aCentredSheetsPreviewIsCentredOnItsPage()
    {
        QFETCH(QString, orientation);
        QFETCH(QSizeF, sheet);
        load();
        const auto firstInk = [](const QImage& image) {
            QPoint first(image.width(), image.height());
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (qGray(image.pixel(x, y)) < 128)
                        first = QPoint(std::min(first.x(), x), std::min(first.y(), y));
            return first;
        };
        PaperChoice dots;
        dots.kind = "dots";
        dots.paperSize = "A4";
        if (!orientation.isEmpty())
            dots.options.insert("orientation", orientation);
        QVERIFY(form->choosePaper(dots));
        const QPoint corner = firstInk(form->picture2()->image());
        dots.options.insert("centre", "1");
        QVERIFY(form->choosePaper(dots));
        const QPoint centred = firstInk(form->picture2()->image());
        const int dpi = form->picture2()->devicePixelsPerInch();
        const double pitch = 144, dot = 4 * 1440.0 / dpi;
        const auto leftOver = [&](double length) {
            const int whole = int((length - dot) / pitch) + 1;
            return (length - ((whole - 1) * pitch + dot)) / 2 * dpi / 1440;
        };
        const QPointF expected(leftOver(sheet.width()), leftOver(sheet.height()));
        const QPoint moved = centred - corner;
        QVERIFY2(std::abs(moved.x() - expected.x()) <= 1 && std::abs(moved.y() - expected.y()) <= 1,
                 qPrintable(QString("moved %1, %2 pixels; %3, %4 expected")
                                .arg(moved.x())
                                .arg(moved.y())
                                .arg(expected.x())
                                .arg(expected.y())));
    }

    void theDialogsAreNamed()
    {
        load();
        const auto unnamed = [](QWidget* dialog) {
            QStringList missing;
            for (QWidget* w : dialog->findChildren<QWidget*>())
                if (w->focusPolicy() != Qt::NoFocus && w->isVisibleTo(dialog) &&
                    !qobject_cast<QAbstractButton*>(w)) {
                    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
                    if (!a || a->text(QAccessible::Name).isEmpty())
                        missing << w->metaObject()->className() + QString(" ") + w->objectName();
                }
            return missing;
        };
        PaperChoice polar;
        polar.kind = "polar";
        KindDialog kinds(polar, *services->settings, *form, form.get());
        kinds.show();
        QCOMPARE(unnamed(&kinds), QStringList());
        QVERIFY(kinds.optionField("rays")->accessibleDescription().startsWith("1 to 720"));
        QVERIFY(kinds.optionField("ring-spacing")->accessibleDescription().contains("inches"));
        CalibrateDialog calibrate("Office", form.get());
        calibrate.show();
        QCOMPARE(unnamed(&calibrate), QStringList());
        for (QAction* item : form->menu()->menu()->actions())
            QVERIFY(!item->text().isEmpty() && !item->toolTip().isEmpty());
        // Where the menu is, said by the window and the preview's tooltip.
        QVERIFY(form->accessibleDescription().startsWith("Right-click, the Menu key or "
                                                         "Shift+F10 opens the window's menu"));
        QVERIFY(form->picture2()->toolTip().contains("Shift+F10: the window's menu"));
    }

    // About says the version and the home page; Help shows the user guide.
    void aboutAndHelp()
    {
        load();
        form->menu()->about()->trigger();
        const auto& about = services->boxes.boxes.last();
        QCOMPARE(about.title, QString("About Gridorra"));
        QVERIFY(about.text.contains(QCoreApplication::applicationVersion()) &&
                about.text.contains("https://www.gridorra.example/"));
        QString guide;
        whenUp(
            [&](QWidget* d) {
                guide = d->findChild<QTextBrowser*>()->toPlainText();
                qobject_cast<QDialog*>(d)->reject();
            },
            false);
        QTest::keyClick(form->textField(2), Qt::Key_F1);
        QVERIFY2(guide.contains("The first start") && !guide.contains("Working on the program"),
                 qPrintable(guide.left(200)));
    }
};

QTEST_MAIN(TestWindowMenu)
#include "tst_windowmenu.moc"
