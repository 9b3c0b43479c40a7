#include "form1.h"

#include "accessibleform.h"
#include "announcer.h"
#include "cli/sheetcommand.h"
#include "core/colour.h"
#include "core/failure.h"
#include "core/number.h"
#include "formdesign.h"
#include "panel/colourswatch.h"
#include "panel/numericfield.h"
#include "panel/parameterpanel.h"
#include "panel/pointerfeedback.h"
#include "progressbar.h"
#include "pushbutton.h"
#include "render/gridgeometry.h"
#include "render/mousepointer.h"
#include "render/previewbox.h"
#include "render/previewgraph.h"
#include "render/print/printers.h"
#include "render/print/printjob.h"
#include "render/systemcolours.h"
#include "settings/keys.h"
#include "settings/settingsstore.h"
#include "windowmenu.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>

// The program's icon lives in the static library's resources.
static void initResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace gridorra {

namespace {

QFont formFont(double pointSize)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(pointSize);
    font.setWeight(QFont::Bold);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}

QString nameOf(std::string_view name)
{
    return QString::fromUtf8(name.data(), qsizetype(name.size()));
}

// Each field, the label beside it, and what its value means.
struct FieldWords {
    const char* field;
    const char* label;
    const char* description;
};
constexpr FieldWords fieldWords[] = {
    {"Text1", "lblLinesH", "horizontal grid lines per inch or per centimetre"},
    {"Text2", "lblLinesV", "vertical grid lines per inch or per centimetre"},
    {"Text4", "Label1", "horizontal lines per wide horizontal line"},
    {"Text3", "Label2", "vertical lines per wide vertical line"},
    {"Text5", "Label4", "thickness of an ordinary line, in printer dots"},
    {"Text6", "Label5", "number of copies to print"},
};

QString descriptionOf(const QString& field)
{
    for (const FieldWords& w : fieldWords)
        if (field == QLatin1String(w.field))
            return QString::fromLatin1(w.description);
    return {};
}

} // namespace

template <typename W> W* Form1::place(W* widget, std::string_view name)
{
    const design::Control& d = design::control(name);
    QWidget* parent =
        d.parent.empty() ? static_cast<QWidget*>(this) : findChild<QWidget*>(nameOf(d.parent));
    widget->setParent(parent);
    widget->setObjectName(nameOf(name));
    widget->setGeometry(design::toPixels(d, m_textScale));
    m_byTabIndex.at(std::size_t(d.tabIndex)) = widget;
    return widget;
}

QLabel* Form1::placeLabel(std::string_view name, Qt::Alignment alignment)
{
    auto* label = place(new QLabel(design::caption(design::control(name))), name);
    label->setAlignment(alignment | Qt::AlignVCenter);
    // A label sizes itself to its caption, keeping its place.
    label->resize(label->sizeHint().width(), label->height());
    return label;
}

Form1::Form1(const Services& services, QWidget* parent)
    : QWidget(parent), m_services(services), m_boxes(services.boxes, m_closing), m_report(m_boxes)
{
    initResources();
    // Before any control exists: a control's interface is made when it is
    // first asked for, and then kept.
    accessible::install();
    setObjectName(QStringLiteral("Form1"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    // Where the desktop asks for larger text than the design's 9 points
    // (its font's size), the window grows with it as a whole, as it does
    // with the scale factor: every place and every font alike.
    m_textScale = std::max(1.0, QApplication::font().pointSizeF() / 9.0);
    setFixedSize(design::toPixels(design::clientWidth, m_textScale),
                 design::toPixels(design::clientHeight, m_textScale));
    setFont(formFont(9 * m_textScale));
    setAutoFillBackground(true);
    setBackColor(colour::white);

    placeControls();
    for (int i = 0; i < 6; ++i)
        m_text[std::size_t(i)]->setText(QStringLiteral("Text%1").arg(i + 1));

    // The handlers come last: the design's texts are not changes.
    attachHandlers(services);
    for (std::size_t i = 1; i < m_byTabIndex.size(); ++i)
        QWidget::setTabOrder(m_byTabIndex[i - 1], m_byTabIndex[i]);
    describeControls();
    m_text[0]->setFocus();
    // What the window does beyond its design; the kind of paper last chosen.
    m_menu = new WindowMenu(*this);
    m_paper = PaperChoice::stored(services.settings);
    showPaper();
}

void Form1::placeControls()
{
    for (const char* frame :
         {"Frame7", "Frame3", "Frame2", "Frame1", "Frame4", "Frame5", "Frame6"}) {
        auto* box = place(new QGroupBox(design::caption(design::control(frame))), frame);
        box->setAutoFillBackground(true);
    }

    const Qt::Alignment right = Qt::AlignRight;
    const Qt::Alignment left = Qt::AlignLeft;
    placeLabel("lblLinesH", right);
    m_text[0] = place(new NumericField, "Text1");
    placeLabel("lblLinesV", right);
    m_text[1] = place(new NumericField, "Text2");
    placeLabel("Label1", right);
    m_text[3] = place(new NumericField, "Text4");
    placeLabel("Label2", right);
    m_text[2] = place(new NumericField, "Text3");
    placeLabel("Label4", right);
    m_text[4] = place(new NumericField, "Text5");
    placeLabel("Label3", left);
    m_picture1 = place(new ColourSwatch, "Picture1");
    m_option1 = place(new QRadioButton(design::caption(design::control("Option1"))), "Option1");
    m_option2 = place(new QRadioButton(design::caption(design::control("Option2"))), "Option2");
    // Like any group of option buttons, the pair is one tab stop: the
    // selected button. The other is reached by a click or the arrow keys.
    for (QRadioButton* option : {m_option1, m_option2})
        connect(option, &QRadioButton::toggled, this, [option](bool checked) {
            option->setFocusPolicy(checked ? Qt::StrongFocus : Qt::ClickFocus);
        });
    m_option2->setFocusPolicy(Qt::ClickFocus);
    m_option1->setChecked(true);
    placeLabel("Label5", left);
    m_text[5] = place(new NumericField, "Text6");
    m_picture2 = place(new PreviewBox, "Picture2");
    m_combo1 = place(new QComboBox, "Combo1");
    m_combo1->setEditable(false);
    // A calibrated printer says so where nothing shows at rest: in its
    // tooltip and its description to assistive technology.
    connect(m_combo1, &QComboBox::currentTextChanged, this, [this](const QString& name) {
        showPrinterNote(name);
        // A screen reader does not speak a closed list's new choice (the
        // toolkit's bridge offers no selection to read it from): the
        // printer chosen from the keyboard is announced. An open list's
        // items speak for themselves.
        if (m_announcer && m_combo1->hasFocus() && !m_combo1->view()->isVisible())
            m_announcer->announce(name);
    });

    m_pushButton2 =
        place(new PushButton(design::caption(design::control("PushButton2"))), "PushButton2");
    m_pushButton2->setFont(formFont(11.25 * m_textScale));
    m_pushButton2->setPalette(withBackground(m_pushButton2->palette(), QPalette::Button, Qt::white,
                                             QPalette::ButtonText));

    m_progressBar1 = place(new ProgressBar, "ProgressBar1");
    m_progressBar1->setText(design::caption(design::control("ProgressBar1")));
    // White by design, and its own: a skin's button face on the window
    // does not reach it.
    m_progressBar1->setPalette(withBackground(m_progressBar1->palette(), QPalette::Window,
                                              Qt::white, QPalette::ButtonText));
}

void Form1::attachHandlers(const Services& services)
{
    m_announcer = new Announcer(this);
    m_panel = new ParameterPanel(services.settings, services.boxes, m_handlers,
                                 {[this] { PreviewGraph(); }, [this] { return m_appTitle; },
                                  [this](const QString& text) { m_announcer->announce(text); }},
                                 this);
    for (int i = 0; i < 6; ++i)
        m_panel->attachField(m_text[std::size_t(i)], keys::name(keys::text[i]));
    m_panel->attachUnits(m_option1, m_option2);
    m_panel->attachSwatch(m_picture1, services.colourDialog);
    connect(m_pushButton2, &QPushButton::clicked, this,
            [this] { m_handlers.run([this] { PushButton2_Click(); }); });

    m_pointerFeedback = new PointerFeedback([this] { return m_mousePointer; },
                                            [this](int p) { setMousePointer(p); }, this);
    m_pointerFeedback->watch(this);
    for (QGroupBox* frame : findChildren<QGroupBox*>())
        m_pointerFeedback->watch(frame);
    connect(m_pushButton2, &PushButton::mouseMoved, m_pointerFeedback,
            &PointerFeedback::moveOverButton);
}

void Form1::describeControls()
{
    // Each field goes by its frame's caption and the label beside it, as they
    // read on screen, and tells what its value means.
    for (const FieldWords& w : fieldWords) {
        auto* field = findChild<NumericField*>(QLatin1String(w.field));
        auto* label = findChild<QLabel*>(QLatin1String(w.label));
        const auto* frame = static_cast<QGroupBox*>(field->parentWidget());
        field->setAccessibleName(frame->title() + QStringLiteral(", ") + label->text());
        field->setAccessibleDescription(QString::fromLatin1(w.description));
        label->setBuddy(field);
    }
    // The window's menu, for a screen reader: nothing on screen says it.
    setAccessibleDescription(QStringLiteral(
        "Right-click, the Menu key or Shift+F10 opens the window's menu: Kind of Paper, Save As, "
        "Print, Calibrate This Printer, Undo, Help and About Gridorra."));
    // The printer list and the preview by their frames' captions.
    m_combo1->setAccessibleName(static_cast<QGroupBox*>(m_combo1->parentWidget())->title());
    m_picture2->setAccessibleName(static_cast<QGroupBox*>(m_picture2->parentWidget())->title());
}

Form1::~Form1()
{
    if (m_mousePointer == pointer::busy)
        QGuiApplication::restoreOverrideCursor();
}

NumericField* Form1::textField(int number) const
{
    return m_text.at(std::size_t(number - 1));
}

std::vector<QWidget*> Form1::tabOrder() const
{
    return {m_byTabIndex.begin(), m_byTabIndex.end()};
}

void Form1::setMousePointer(int p)
{
    if (p != pointer::normal && p != pointer::busy && p != pointer::custom)
        throw Failure(fail::invalidPropertyValue);
    if (p == m_mousePointer)
        return;
    // The busy pointer shows over the whole window, fields included.
    if (m_mousePointer == pointer::busy)
        QGuiApplication::restoreOverrideCursor();
    m_mousePointer = p;
    if (p == pointer::busy)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    applyCursor();
}

void Form1::setMouseIcon(const QCursor& cursor)
{
    m_mouseIcon = cursor;
    applyCursor();
}

void Form1::applyCursor()
{
    if (m_mousePointer == pointer::custom && m_mouseIcon)
        setCursor(*m_mouseIcon);
    else
        unsetCursor();
}

namespace {

// Where the window's menu is, for the preview's tooltip.
const QString menuHint = QStringLiteral(" Right-click, the Menu key or Shift+F10: the window's "
                                        "menu (kind of paper, save as a file, calibration).");

} // namespace

void Form1::PreviewGraph()
{
    if (!m_paper.isGrid()) {
        previewKind();
        return;
    }
    bool failed = false;
    const GridGeometry g =
        previewGraph(*this, *m_picture2, m_services.printers.printerScaleMode(), m_report, &failed);
    // What the preview shows, in words: the values it was drawn from.
    if (failed) {
        m_picture2->setAccessibleDescription(QStringLiteral("The preview could not be drawn."));
        return;
    }
    const auto count = [this](int field) {
        try {
            return QString::number(number::toInt16(fieldText(field)));
        } catch (const Failure&) {
            return QString();
        }
    };
    // And how big it is on this screen: true size where the screen tells
    // its size, else the nominal 96 dpi.
    // A light colour that stands out little even from white paper, and a
    // grid whose whole twips are noticeably off the lengths asked for, are
    // said there too.
    const QString size = m_picture2->sizeNote();
    QString notes;
    for (const QString& note :
         {m_picture2->paperNote(), grid::roundingNote(inchesSelected(), fieldText(field::linesDown),
                                                      fieldText(field::linesAcross))})
        if (!note.isEmpty())
            notes += QStringLiteral(" ") + note.left(1).toUpper() + note.mid(1) + QLatin1Char('.');
    if (const QString tip = size.left(1).toUpper() + size.mid(1) + "." + notes + menuHint;
        m_picture2->toolTip() != tip)
        m_picture2->setToolTip(tip);
    m_picture2->setAccessibleDescription(
        QStringLiteral("The top-left corner of the sheet, %9: %1 lines per %2 across "
                       "and %3 down; a wide line every %4 lines across and every %5 down; "
                       "lines %6 px wide, wide lines %7 px; %8")
            .arg(count(2), inchesSelected() ? QStringLiteral("inch") : QStringLiteral("centimetre"),
                 count(1))
            .arg(g.verticalPeriod)
            .arg(g.horizontalPeriod)
            .arg(g.thinWidth)
            .arg(g.wideWidth)
            .arg(accessible::colourInWords(toQColor(g.colour, palette())), size) +
        (notes.isEmpty() ? QString() : QStringLiteral(".") + notes));
}

void Form1::refreshPrinterNote()
{
    showPrinterNote(m_combo1->currentText());
}

void Form1::showPrinterNote(const QString& name)
{
    if (const QString note = m_services.printers.note(name); note != m_combo1->toolTip()) {
        m_combo1->setToolTip(note);
        m_combo1->setAccessibleDescription(note);
    }
}

void Form1::PushButton2_Click()
{
    if (!m_paper.isGrid() ||
        m_services.settings.read(keys::name(keys::exactLengths),
                                 keys::defaultOf(keys::exactLengths)) == QStringLiteral("1")) {
        printMarks();
        return;
    }
    PrintJobContext job{*this,    m_services.printers, m_services.registry, m_boxes,
                        m_report, m_appTitle,          m_printBusy};
    printJob(job);
    // Closed while the copies were handed over: all of them went, and the
    // program ends now.
    if (m_closing) {
        QCoreApplication::exit(0);
        return;
    }
    // A queue that keeps the copies from printing (stopped, or holding
    // them) says so where the printer is chosen, not in another box. The
    // scheduler is asked once the click is handled: the copies are handed
    // over by then, and the question (two requests) costs as long as a copy.
    QTimer::singleShot(0, this, [this] {
        m_services.printers.afterJob();
        showPrinterNote(m_combo1->currentText());
    });
}

bool Form1::choosePaper(const PaperChoice& choice)
{
    const bool stored = choice.store(m_services.settings);
    m_paper = choice;
    showPaper();
    PreviewGraph();
    return stored;
}

void Form1::showPaper()
{
    // Every field and frame as the design has it with the grid.
    const QList<int> used = paper::fieldsOf(m_paper.kind);
    const QString kind = m_paper.isGrid() ? QString() : m_paper.kind;
    for (int i = 1; i <= 6; ++i) {
        NumericField* field = textField(i);
        const bool uses = m_paper.isGrid() || used.contains(i);
        if (field->isEnabled() != uses)
            field->setEnabled(uses);
        field->setAccessibleDescription(uses ? descriptionOf(field->objectName())
                                             : QStringLiteral("not used by %1 paper").arg(kind));
    }
    if (auto* frame = qobject_cast<QWidget*>(m_picture2->parentWidget()))
        frame->setToolTip(
            kind.isEmpty() ? QString()
                           : QStringLiteral("%1 paper").arg(kind.left(1).toUpper() + kind.mid(1)));
}

void Form1::previewKind()
{
    QString why;
    SheetRequest request;
    if (!m_paper.applyTo(request, &why)) {
        m_picture2->cls();
        m_picture2->setAccessibleDescription(QStringLiteral("The preview could not be drawn: ") +
                                             why);
        return;
    }
    // The sheet's top-left corner: the kind laid out as on a whole page (its
    // decades, staves and rings fill the page; whole cells centred on it).
    PatternSheet sheet =
        paper::previewMarks(m_paper, request.pattern, *this,
                            QSizeF(m_picture2->scaleWidth(), m_picture2->scaleHeight()),
                            m_picture2->devicePixelsPerInch());
    patterns::inked(sheet.marks, request.pattern, lineColour());
    m_picture2->drawMarks(sheet.marks, lineColour());
    const QString size = m_picture2->sizeNote();
    const QString what = sheet.refusal.isEmpty()
                             ? QStringLiteral("The top-left corner of the sheet of %1 paper, %2")
                                   .arg(m_paper.kind, size)
                             : QStringLiteral("The sheet of %1 paper cannot be drawn: %2")
                                   .arg(m_paper.kind, sheet.refusal);
    m_picture2->setToolTip(what + QLatin1Char('.') + menuHint);
    m_picture2->setAccessibleDescription(what + QStringLiteral(". The window's menu (right "
                                                               "click, Menu key or Shift+F10) "
                                                               "chooses the kind of paper."));
}

void Form1::printMarks()
{
    if (m_printBusy)
        return;
    // No printer chosen (none listed): nothing goes to the default one
    // behind the user's back.
    if (printerChoice().isEmpty()) {
        tell(QStringLiteral("No printer is chosen: the printer list is empty."), true);
        return;
    }
    m_printBusy = true;
    setMousePointer(pointer::busy);
    SheetRequest request;
    request.kind = SheetRequest::Kind::Print;
    request.printer = printerChoice();
    for (int i = 1; i <= 6; ++i)
        request.fields.insert(i, fieldText(i));
    request.inches = inchesSelected();
    request.colour = lineColour();
    CommandStreams streams;
    streams.progress = [this](double value) { setProgressValue(value); };
    const int status = drawSheet(request, streams);
    setMousePointer(pointer::normal);
    setProgressValue(0);
    setProgressText(QStringLiteral("Progress Bar"));
    m_printBusy = false;
    if (m_closing) {
        QCoreApplication::exit(0);
        return;
    }
    if (status == 0 && streams.errors.isEmpty())
        m_boxes.show(QStringLiteral("Done."), m_appTitle, MessageBoxes::Icon::None);
    else
        tell(streams.said(), status != 0);
    QTimer::singleShot(0, this, [this] { showPrinterNote(m_combo1->currentText()); });
}

void Form1::tell(const QString& text, bool failure)
{
    m_boxes.show(text, m_appTitle,
                 failure ? MessageBoxes::Icon::Warning : MessageBoxes::Icon::None);
}

QString Form1::printerChoice() const
{
    return m_combo1->currentText();
}

void Form1::setBackColor(quint32 value)
{
    m_backColor = value;
    setPalette(withBackground(palette(), QPalette::Window,
                              toQColor(value, QGuiApplication::palette()), QPalette::WindowText));
}

quint32 Form1::lineColour() const
{
    return m_picture1->backColor();
}

QString Form1::fieldText(int field) const
{
    return textField(field)->text();
}

bool Form1::inchesSelected() const
{
    return m_option1->isChecked();
}

bool Form1::centimetresSelected() const
{
    return m_option2->isChecked();
}

void Form1::setProgressValue(double value)
{
    m_progressBar1->setValue(value);
    // Between copies the window repaints and hears a close; input waits
    // for the job's end.
    if (m_printBusy)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void Form1::setProgressText(const QString& text)
{
    m_progressBar1->setText(text);
}

void Form1::showEvent(QShowEvent* event)
{
    if (!m_centred) {
        m_centred = true;
        if (QScreen* s = screen())
            move(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, frameSize(),
                                     s->availableGeometry())
                     .topLeft());
    }
    QWidget::showEvent(event);
}

void Form1::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    if (!m_largeIcons)
        QTimer::singleShot(0, this, &Form1::addLargeIcons);
}

void Form1::closeEvent(QCloseEvent* event)
{
    // Form_Unload: the program ends at once. Every setting was stored when it
    // changed, so there is nothing to save and nothing to ask. A print job
    // cannot be cancelled: it hands over its copies, and the program ends
    // when it has.
    event->accept();
    if (m_printBusy)
        m_closing = true;
    else
        QCoreApplication::exit(0);
}

} // namespace gridorra
