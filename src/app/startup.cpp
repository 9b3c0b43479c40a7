// The start-up of the main window and the procedures it calls.
#include "core/colour.h"
#include "core/failure.h"
#include "core/number.h"
#include "core/product.h"
#include "core/programinfo.h"
#include "core/steplabels.h"
#include "cursorfile.h"
#include "form1.h"
#include "panel/colourswatch.h"
#include "panel/numericfield.h"
#include "platform.h"
#include "render/print/printers.h"
#include "render/systemcolours.h"
#include "settings/keys.h"
#include "settings/settingsstore.h"
#include "windowmenu.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QRadioButton>

namespace gridorra {

namespace {

const QString skinFile = QStringLiteral("\\x\\o.cjs");
const QString cursorFile = QStringLiteral("\\HAND-M.CUR");
const QString pdfPrinter = QStringLiteral("Marnova PDF Writer");

// The program's icon: drawn by hand on whole pixels at 16 to 32, and with
// `large` also rendered from its picture (with rsvg-convert, as the package
// does) at 48 to 512, every size the package installs. Naming the format
// spares the search through every image plugin that a bare file name costs.
QIcon programIcon(bool large)
{
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256, 512}) {
        if (size > 32 && !large)
            break;
        const QImage image(size == 32
                               ? QStringLiteral(":/gridorra/gridorra.png")
                               : QStringLiteral(":/gridorra/icons/gridorra-%1.png").arg(size),
                           "PNG");
        if (image.isNull())
            throw Failure(fail::invalidPicture);
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

void setBackColorOf(QWidget* control, quint32 value)
{
    control->setPalette(withBackground(control->palette(), QPalette::Window,
                                       toQColor(value, QGuiApplication::palette()),
                                       QPalette::WindowText));
}

QString pdfPrinterInstructions()
{
    const QString crlf = QStringLiteral("\r\n");
    return pdfPrinter + QStringLiteral(" is not installed. Please follow these instructions:") +
           crlf + crlf +
           QStringLiteral("1) Go to Control Panel -> Printers and Faxes to add a local printer.") +
           crlf + QStringLiteral("2) Choose ''CPW2: (") + pdfPrinter +
           QStringLiteral(")'' on Select a Printer Port dialog box, click Next.") + crlf +
           QStringLiteral(
               "3) Choose a Postscript printer (e.g. HP Color LaserJet PS), click Next.") +
           crlf + QStringLiteral("4) Enter ") + pdfPrinter +
           QStringLiteral(" as Printer name, click Next -> Finish.");
}

} // namespace

void Form1::Form_Load()
{
    StepRunner run(QStringLiteral("in Gridorra2021/08/31.Form1.Form_Load "), m_report);
    SettingsStore& store = m_services.settings;
    const QString cursorPath = programFile(m_services.programFolder, cursorFile);

    run.step(label::load::skin, [&] { ApplySkin(); });
    if (run.test(label::load::cursorExists, [&] { return fileExists(cursorPath); }))
        run.step(label::load::cursor, [&] {
            setMouseIcon(atPointerSize(loadCursorFile(cursorPath), desktopPointerSize(),
                                       devicePixelRatioF()));
        });
    run.step(label::load::homePage, [&] { MaybeOpenHomePage(); });
    run.step(label::load::title, [&] { setWindowTitle(product::name); });
    run.step(label::load::title, [&] { setWindowIcon(programIcon(false)); });
    run.step(label::load::title, [&] { SetAppTitle(); });

    // The six texts go into their fields unchanged; a text that differs from
    // the field's is a change, which stores it again.
    for (int i = 0; i < 6; ++i)
        run.step(label::load::fieldTexts[i], [&] {
            const keys::Key& key = keys::text[i];
            m_text[std::size_t(i)]->setText(store.read(keys::name(key), keys::defaultOf(key)));
        });

    if (run.test(label::load::unitIsInches, [&] {
            return number::toInt16(
                       store.read(keys::name(keys::scale), keys::defaultOf(keys::scale))) == 1;
        })) {
        run.step(label::load::inches, [&] { m_option1->setChecked(true); });
    } else {
        run.step(label::load::centimetres, [&] { m_option2->setChecked(true); });
    }
    run.step(label::load::colour, [&] {
        m_picture1->setBackColor(
            number::toInt32(store.read(keys::name(keys::colour), keys::defaultOf(keys::colour))));
    });
    run.step(label::load::preview, [&] { PreviewGraph(); });
    run.step(label::load::printers, [&] { FillPrinterList(); });
    run.step(label::load::printers, [&] { CheckPdfPrinter(); });
    // The stored values it put in the fields are no changes of the user's.
    m_menu->forgetChanges();
}

void Form1::ApplySkin()
{
    const QString path = programFile(m_services.programFolder, skinFile);
    if (!ordinaryFileExists(path))
        return;

    setBackColor(colour::buttonFace);
    for (QWidget* control : findChildren<QWidget*>()) {
        if (qobject_cast<QRadioButton*>(control) || qobject_cast<QCheckBox*>(control) ||
            qobject_cast<QGroupBox*>(control) || qobject_cast<QLabel*>(control))
            setBackColorOf(control, colour::buttonFace);
    }

    SkinFramework& skin = m_skinFramework1;
    skin.loadSkin(path, QString());
    const qint32 options = skin.options();
    skin.setOptions(options | 1);
    skin.setApplyColours(true);
    skin.setApplyMetrics(true);
    skin.applyWindow(qint32(winId()));
}

void Form1::MaybeOpenHomePage()
{
    const float secondsSinceMidnight = float(QTime::currentTime().msecsSinceStartOfDay()) / 1000.0f;
    m_services.random.randomize(secondsSinceMidnight);
    const int n = int(m_services.random.next() * 100) + 1;
    if (n == 7)
        m_services.browser.open(product::homePage);
}

void Form1::SetAppTitle()
{
    m_appTitle = appTitleFrom(product::name);
}

void Form1::FillPrinterList()
{
    const QString current = m_services.printers.currentDeviceName();
    // A drop-down list picks its first entry by itself: keep the choice as it
    // was unless there is a current printer to show.
    const QString before = m_combo1->currentText();
    for (const QString& name : m_services.printers.deviceNames())
        m_combo1->addItem(name);
    const QString shown = current.isEmpty() ? before : current;
    m_combo1->setCurrentIndex(m_combo1->findText(shown, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

void Form1::CheckPdfPrinter()
{
    for (const QString& name : m_services.printers.deviceNames())
        if (name == pdfPrinter)
            return;
    m_services.boxes.show(pdfPrinterInstructions(), m_appTitle, MessageBoxes::Icon::None);
}

void Form1::addLargeIcons()
{
    // Once the window is on the screen: the large sizes (for task
    // switchers and docks) cost the window system a megabyte and a
    // moment, and no one sees them at the first paint.
    if (m_largeIcons || windowIcon().isNull())
        return;
    m_largeIcons = true;
    try {
        setWindowIcon(programIcon(true));
    } catch (const Failure&) {
        // the small ones stay
    }
}

} // namespace gridorra
