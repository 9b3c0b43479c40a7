#include "windowmenu.h"

#include "calibratedialog.h"
#include "cli/commandline.h"
#include "cli/sheetcommand.h"
#include "core/messageboxes.h"
#include "core/product.h"
#include "form1.h"
#include "kinddialog.h"
#include "panel/numericfield.h"
#include "pushbutton.h"
#include "settings/keys.h"
#include "settings/settingsstore.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>
#include <QShortcut>
#include <QTextBrowser>
#include <QVBoxLayout>

// The user guide lives in the static library's resources.
static void initGuide()
{
    Q_INIT_RESOURCE(userguide);
}

namespace gridorra {

namespace {

QString desktopFileDialog(QWidget* parent, const QString& folder, const QString& filters,
                          QString* chosenFilter)
{
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Save As"), folder, filters,
                                        chosenFilter);
}

} // namespace

WindowMenu::WindowMenu(Form1& form) : QObject(&form), m_form(form), m_chooseFile(desktopFileDialog)
{
    m_menu = new QMenu(&form);
    m_menu->setObjectName(QStringLiteral("windowMenu"));
    m_menu->setAccessibleName(QStringLiteral("Gridorra"));
    const auto item = [this](const QString& text, const QKeySequence& keys,
                             const QString& description, void (WindowMenu::*handler)()) {
        auto* action = new QAction(text, this);
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        action->setToolTip(description);
        action->setStatusTip(description);
        connect(action, &QAction::triggered, this, handler);
        m_menu->addAction(action);
        m_form.addAction(action); // its shortcut from anywhere in the window
        return action;
    };
    m_kind = item(QStringLiteral("Kind of Paper\u2026"), QKeySequence(Qt::CTRL | Qt::Key_K),
                  QStringLiteral("Chooses the kind of paper the window draws and prints: the "
                                 "grid, dots, lined, isometric, hexagons, log and polar paper, "
                                 "music staves"),
                  &WindowMenu::chooseKind);
    m_saveAs =
        item(QStringLiteral("Save As\u2026"), QKeySequence(Qt::CTRL | Qt::Key_S),
             QStringLiteral("Writes the sheet to a PDF, SVG or PNG file"), &WindowMenu::saveFile);
    m_print = new QAction(QStringLiteral("Print"), this);
    m_print->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    m_print->setShortcutContext(Qt::WindowShortcut);
    m_print->setToolTip(QStringLiteral("Prints the copies, as Start Printing does"));
    connect(m_print, &QAction::triggered, this, [this] { m_form.pushButton2()->click(); });
    m_menu->addAction(m_print);
    m_form.addAction(m_print);
    m_calibrate = item(QStringLiteral("Calibrate This Printer\u2026"), QKeySequence(),
                       QStringLiteral("Prints the calibration sheet and stores what was measured "
                                      "on it, so that the printer prints at true size"),
                       &WindowMenu::calibratePrinter);
    m_undo = item(QStringLiteral("Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z),
                  QStringLiteral("Brings back what a field held before its last change"),
                  &WindowMenu::undoLast);
    m_undo->setEnabled(false);
    m_help = item(QStringLiteral("Help"), QKeySequence(Qt::Key_F1),
                  QStringLiteral("The user guide"), &WindowMenu::showHelp);
    m_about =
        item(QStringLiteral("About Gridorra"), QKeySequence(),
             QStringLiteral("The version, the licence and the home page"), &WindowMenu::showAbout);

    // Shift+F10 as the Menu key: the focused control's menu.
    auto* shiftF10 = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), &form);
    connect(shiftF10, &QShortcut::activated, this, [this] {
        QWidget* focus = QApplication::focusWidget();
        if (!focus || focus->window() != &m_form)
            focus = &m_form;
        const QPoint at = focus->rect().center();
        QContextMenuEvent event(QContextMenuEvent::Keyboard, at, focus->mapToGlobal(at));
        QApplication::sendEvent(focus, &event);
    });

    // The window and every control outside the fields: their context
    // menus reach the window; a field shows its own with these below.
    form.installEventFilter(this);
    for (QWidget* control : form.findChildren<QWidget*>())
        if (!qobject_cast<NumericField*>(control) && control != m_menu)
            control->installEventFilter(this);
    for (int i = 1; i <= 6; ++i) {
        NumericField* field = form.textField(i);
        field->installEventFilter(this);
        m_texts << field->text();
        connect(field, &QLineEdit::textEdited, this,
                [this, i](const QString& text) { fieldChanged(i, text, true); });
        connect(field, &QLineEdit::textChanged, this,
                [this, i](const QString& text) { fieldChanged(i, text, false); });
    }
}

WindowMenu::~WindowMenu() = default;

void WindowMenu::forgetChanges()
{
    m_changes.clear();
    m_typing = false;
    for (int i = 1; i <= 6; ++i)
        m_texts[i - 1] = m_form.textField(i)->text();
    m_undo->setEnabled(false);
}

bool WindowMenu::eventFilter(QObject* watched, QEvent* event)
{
    auto* field = qobject_cast<NumericField*>(watched);
    if (event->type() == QEvent::ShortcutOverride && field) {
        // A field's own keys (Ctrl+Z, Ctrl+K) give way to the window's.
        const auto* key = static_cast<QKeyEvent*>(event);
        const QKeySequence pressed(key->keyCombination());
        for (QAction* action : m_menu->actions())
            if (!action->shortcut().isEmpty() && action->shortcut() == pressed) {
                event->ignore();
                return true;
            }
    }
    if (event->type() == QEvent::FocusOut && field)
        m_typing = false;
    if (event->type() != QEvent::ContextMenu)
        return QObject::eventFilter(watched, event);
    auto* asked = static_cast<QContextMenuEvent*>(event);
    if (field) {
        QMenu* own = field->createStandardContextMenu();
        own->addSeparator();
        own->addActions(m_menu->actions());
        showMenu(field, asked->globalPos(), own);
        delete own;
        return true;
    }
    if (auto* widget = qobject_cast<QWidget*>(watched); widget && widget->window() == &m_form) {
        showMenu(widget, asked->globalPos(), m_menu);
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void WindowMenu::showMenu(QWidget*, const QPoint& globalPos, QMenu* menu)
{
    // A handler that runs (a print job, a box) waits for the menu to close.
    menu->exec(globalPos);
}

void WindowMenu::fieldChanged(int index, const QString& text, bool typed)
{
    QString& seen = m_texts[index - 1];
    if (text == seen && !typed)
        return;
    if (!m_undoing) {
        // A run of typing in one field is one change; anything else (the
        // box's reset to "0", a paste) is one of its own.
        const bool sameRun =
            typed && m_typing && !m_changes.isEmpty() && m_changes.last().field == index;
        if (!sameRun)
            m_changes.append({index, seen});
        m_typing = typed;
    }
    seen = text;
    m_undo->setEnabled(!m_changes.isEmpty());
}

void WindowMenu::undoLast()
{
    if (m_changes.isEmpty())
        return;
    const Change change = m_changes.takeLast();
    m_undoing = true;
    m_typing = false;
    // As if typed: the field stores it and the preview is drawn again.
    m_form.textField(change.field)->setText(change.before);
    m_undoing = false;
    m_undo->setEnabled(!m_changes.isEmpty());
}

void WindowMenu::chooseKind()
{
    KindDialog dialog(m_form.paper(), m_form.services().settings, m_form, &m_form,
                      &m_form.services().colourDialog);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (!m_form.choosePaper(dialog.choice()))
        m_form.tell(QStringLiteral("The kind of paper could not be stored: the settings file "
                                   "cannot be written."),
                    true);
}

void WindowMenu::saveFile()
{
    SettingsStore& store = m_form.services().settings;
    QString folder = store.read(keys::name(keys::saveFolder), QString());
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    const QString pdf = QStringLiteral("PDF (*.pdf)"), svg = QStringLiteral("SVG (*.svg)"),
                  png = QStringLiteral("PNG (*.png)");
    QString filter = pdf;
    QString file = m_chooseFile(&m_form, folder, QStringList{pdf, svg, png}.join(";;"), &filter);
    if (file.isEmpty())
        return;
    const QString suffix = QFileInfo(file).suffix().toLower();
    if (suffix != QStringLiteral("pdf") && suffix != QStringLiteral("svg") &&
        suffix != QStringLiteral("png"))
        file += filter == svg   ? QStringLiteral(".svg")
                : filter == png ? QStringLiteral(".png")
                                : QStringLiteral(".pdf");
    store.write(keys::name(keys::saveFolder), QFileInfo(file).absolutePath());
    QStringList args{QStringLiteral("gridorra"), QStringLiteral("--export"), file};
    const QString format = QFileInfo(file).suffix().toLower();
    // A notebook's pages for a PDF, the pixels' resolution for a PNG.
    bool ok = true;
    if (format == QStringLiteral("pdf")) {
        const int pages = QInputDialog::getInt(&m_form, QStringLiteral("Save As PDF"),
                                               QStringLiteral("Pages (a notebook of the sheet):"),
                                               1, 1, 10000, 1, &ok);
        if (ok && pages > 1) {
            args << QStringLiteral("--pages") << QString::number(pages);
            // A notebook printed on both sides: its even pages mirrored,
            // or as a booklet of two pages to a side.
            const QStringList sides{
                QStringLiteral("One side"), QStringLiteral("Both sides, the even pages mirrored"),
                QStringLiteral("Both sides, two pages to a side of the paper turned (a booklet)")};
            const QString side =
                QInputDialog::getItem(&m_form, QStringLiteral("Save As PDF"),
                                      QStringLiteral("Printed on:"), sides, 0, false, &ok);
            if (side != sides[0])
                args << QStringLiteral("--double-sided");
            if (side == sides[2])
                args << QStringLiteral("--two-up");
        }
    } else if (format == QStringLiteral("png")) {
        const int dpi = QInputDialog::getInt(&m_form, QStringLiteral("Save As PNG"),
                                             QStringLiteral("Resolution (pixels per inch):"), 300,
                                             72, 4800, 50, &ok);
        args << QStringLiteral("--resolution") << QString::number(dpi);
    }
    if (!ok)
        return;
    // On the chosen printer's paper, or the paper chosen for saving.
    const PaperChoice& paper = m_form.paper();
    if (!paper.paperSize.isEmpty())
        args << QStringLiteral("--page-size") << paper.paperSize;
    else if (!m_form.printerChoice().isEmpty())
        args << QStringLiteral("--printer") << m_form.printerChoice();
    const CommandLine line = readCommandLine(args, true);
    if (!line.sheet) {
        m_form.tell(line.mistake, true);
        return;
    }
    SheetRequest request = *line.sheet;
    for (int i = 1; i <= 6; ++i)
        request.fields.insert(i, m_form.fieldText(i));
    request.inches = m_form.inchesSelected();
    request.colour = m_form.lineColour();
    CommandStreams streams;
    // The progress bar moves while the file is made, and is empty after.
    streams.progress = [this](double value) {
        m_form.setProgressValue(value);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const int status = drawSheet(request, streams);
    QApplication::restoreOverrideCursor();
    m_form.setProgressValue(0);
    if (status != 0 || !streams.errors.isEmpty())
        m_form.tell(streams.said(), status != 0);
}

void WindowMenu::calibratePrinter()
{
    CalibrateDialog dialog(m_form.printerChoice(), &m_form);
    dialog.exec();
    m_form.refreshPrinterNote();
}

void WindowMenu::showHelp()
{
    // The user guide, from the program itself: the README's part for users.
    initGuide();
    QFile guide(QStringLiteral(":/gridorra/userguide.md"));
    QDialog window(&m_form);
    window.setWindowTitle(QStringLiteral("Gridorra Help"));
    window.setAccessibleName(QStringLiteral("Gridorra Help"));
    auto* text = new QTextBrowser(&window);
    text->setOpenExternalLinks(true);
    text->setAccessibleName(QStringLiteral("User guide"));
    if (guide.open(QIODevice::ReadOnly))
        text->setMarkdown(QString::fromUtf8(guide.readAll()));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &window);
    connect(buttons, &QDialogButtonBox::rejected, &window, &QDialog::reject);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(text);
    layout->addWidget(buttons);
    window.resize(720, 560);
    window.exec();
}

void WindowMenu::showAbout()
{
    m_form.services().boxes.show(
        QStringLiteral("Gridorra %1\nDesigns a sheet of graph paper and prints it.\n\n"
                       "Licence: proprietary. This program and its artwork may be used and "
                       "passed on unchanged.\nHome page: %2")
            .arg(QCoreApplication::applicationVersion(), product::homePage),
        QStringLiteral("About Gridorra"), MessageBoxes::Icon::None);
}

} // namespace gridorra
