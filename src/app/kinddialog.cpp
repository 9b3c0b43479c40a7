#include "kinddialog.h"

#include "cli/commandline.h"
#include "core/colour.h"
#include "core/number.h"
#include "panel/commondialog.h"
#include "render/gridwindow.h"
#include "render/patterns.h"
#include "render/previewbox.h"
#include "settings/keys.h"
#include "settings/settingsstore.h"

#include <QCheckBox>

#include <algorithm>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPageSize>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace gridorra {

namespace {

// What each kind is, in the list and for a screen reader.
struct KindWords {
    const char* name;
    const char* title;
    const char* description;
};
constexpr KindWords kindWords[] = {
    {"grid", "Grid", "the window's own grid of lines, with wide lines"},
    {"dots", "Dots", "a dot where grid lines would cross"},
    {"lined", "Lined", "ruled lines, with a margin line where asked"},
    {"isometric", "Isometric", "lines at 60 degrees making triangles"},
    {"isodots", "Isometric dots", "dots at the corners of triangles"},
    {"hex", "Hexagons", "hexagons, as game maps have them"},
    {"semilog", "Semi-log", "a log scale down, a linear one across"},
    {"loglog", "Log-log", "log scales both ways"},
    {"polar", "Polar", "rings and rays about the middle of the sheet"},
    {"staff", "Music staves", "staves of five lines"},
    {"checklist", "Checklist", "ruled lines with a box at the start of each"},
    {"seyes", "Seyes", "French ruling: squares ruled in four, a margin line"},
    {"handwriting", "Handwriting", "head, dashed middle and base lines for learning to write"},
    {"doubleruled", "Calligraphy", "pairs of lines with slanted guide lines"},
    {"hexup", "Flat hexagons", "hexagons with a flat side up"},
    {"cornell", "Cornell notes", "ruled lines, a cue column and a summary band"},
    {"programming", "Coding form", "numbered columns over ruled rows"},
    {"engineering", "Engineering", "a grid with a title block: name, date, sheet of"},
};

// Each option of a kind: its label, unit and range, as the command line
// takes it.
struct OptionWords {
    const char* option;
    const char* label;
    const char* unit; // "unit": the window's inches or centimetres
};
constexpr OptionWords optionWords[] = {
    {"wide-thickness", "Wide lines", "printer dots, 1 to 100 (the thickness x 1.5 + 2 if empty)"},
    {"dot-size", "Dot size", "printer dots, 1 to 100 (4 if empty)"},
    {"wide-dot-size", "Wide dot size", "printer dots, 1 to 100"},
    {"margin-line", "Margin line", "unit"},
    {"side", "Triangle side", "unit"},
    {"hex-size", "Hexagon size", "unit, across the flats"},
    {"decades", "Decades", "down, 1 to 20 (2 if empty)"},
    {"decades-across", "Decades across", "1 to 20 (as down if empty)"},
    {"ring-spacing", "Ring spacing", "unit"},
    {"rays", "Rays", "1 to 720 (36 if empty)"},
    {"line-gap", "Line gap", "unit"},
    {"staff-gap", "Staff gap", "unit (8 line gaps if empty)"},
    {"box-size", "Box size", "unit (0.6 of the line space if empty)"},
    {"wide-colour", "Wide colour", "#RRGGBB (the line colour if empty)"},
    {"square", "Square", "unit, ruled in four (0.8 cm if empty)"},
    {"x-height", "x-height", "unit, base to middle line"},
    {"row-gap", "Row gap", "unit, between rows"},
    {"slant", "Slant", "degrees from the lines, 20 to 90 (55 if empty)"},
    {"cue-width", "Cue column", "unit (0.3 of the sheet if empty)"},
    {"summary-height", "Summary band", "unit (0.2 of the sheet if empty)"},
    {"columns", "Columns", "1 to 200 (80 if empty)"},
};

const OptionWords* wordsOf(const QString& option)
{
    for (const OptionWords& w : optionWords)
        if (option == QLatin1String(w.option))
            return &w;
    return nullptr;
}

// A small picture of the kind, drawn once from its own marks: an inch and
// a half by one at 48 pixels to the inch, lines a fifth of an inch apart.
QIcon pictureOf(const QString& kind)
{
    QImage image(72, 48, QImage::Format_RGB32);
    image.fill(Qt::white);
    PatternParameters p;
    p.name = kind;
    p.linesDown = p.linesAcross = 5;
    p.wideDown = p.wideAcross = 5;
    p.decades = 1;
    p.ringSpacing = 0.2;
    p.rays = 12;
    p.lineGap = 0.08;
    p.staffGap = 0.16;
    p.columns = 12; // a coding form's columns, few enough to be seen
    // Laid out for a fine printer, so that the kinds with fine detail (log
    // paper's last lines of a decade) fit, and painted a pixel or so a pen.
    Marks marks;
    if (kind == QStringLiteral("grid"))
        marks = patterns::lattice({288, 288, 5, 5, 0, 1, 2, 0}, {1440 * 1.5, 1440, 600});
    else
        marks = patterns::make(p, {1440 * 1.5, 1440, 600}).marks;
    for (int& pen : marks.pens)
        pen = std::max(kind.contains(QStringLiteral("dots")) ? 2 : 1, pen / 4);
    QPainter painter(&image);
    paintMarks(painter, marks, Qt::black, 48.0 / 1440);
    painter.end();
    return QIcon(QPixmap::fromImage(image));
}

// The window's grid from its fields, as the grid of exact lengths lays it
// out: nothing where a field holds no number.
PatternSheet gridSheet(const GridWindow& window, const QSizeF& area, int dpi)
{
    const double unit = window.inchesSelected() ? 1440.0 : 1440.0 / 2.54;
    const auto count = [&](int field) {
        return number::parse(window.fieldText(field)).value_or(0);
    };
    const double down = count(field::linesDown), across = count(field::linesAcross);
    if (!(down > 0) || !(across > 0))
        return {};
    const int thin = patterns::thinPen(int(count(field::thickness)));
    return {patterns::lattice({unit / down, unit / across, int(count(field::wideDown)),
                               int(count(field::wideAcross)), 0, thin, patterns::widerPen(thin), 0},
                              {area.width(), area.height(), dpi}),
            {}};
}

} // namespace

KindDialog::KindDialog(const PaperChoice& current, SettingsStore& store, const GridWindow& window,
                       QWidget* parent, CommonDialog* colours)
    : QDialog(parent), m_store(store), m_window(window), m_colours(colours),
      m_texts(current.options)
{
    setWindowTitle(QStringLiteral("Kind of Paper"));
    setAccessibleName(QStringLiteral("Kind of Paper"));
    setAccessibleDescription(QStringLiteral("The kind of paper the window draws, prints and "
                                            "saves, and its own options"));
    m_kinds = new QListWidget(this);
    m_kinds->setObjectName(QStringLiteral("kinds"));
    m_kinds->setAccessibleName(QStringLiteral("Kinds of paper"));
    m_kinds->setViewMode(QListView::IconMode);
    m_kinds->setIconSize(QSize(72, 48));
    m_kinds->setMovement(QListView::Static);
    m_kinds->setResizeMode(QListView::Adjust);
    m_kinds->setGridSize(QSize(104, 80));
    m_kinds->setMinimumSize(5 * 106, 5 * 82 + 6);
    for (const KindWords& w : kindWords) {
        auto* item =
            new QListWidgetItem(pictureOf(QLatin1String(w.name)), QLatin1String(w.title), m_kinds);
        item->setData(Qt::UserRole, QLatin1String(w.name));
        item->setToolTip(QLatin1String(w.description));
        item->setData(Qt::AccessibleDescriptionRole, QLatin1String(w.description));
        if (current.kind == QLatin1String(w.name) ||
            (current.isGrid() && w.name == std::string_view("grid")))
            m_kinds->setCurrentItem(item);
    }
    m_form = new QFormLayout;
    m_paperSize = new QComboBox(this);
    m_paperSize->setObjectName(QStringLiteral("paperSize"));
    m_paperSize->addItem(QStringLiteral("The printer's paper"), QString());
    for (const QPageSize::PageSizeId id :
         {QPageSize::A3, QPageSize::A4, QPageSize::A5, QPageSize::Letter, QPageSize::Legal,
          QPageSize::Tabloid, QPageSize::B5})
        m_paperSize->addItem(QPageSize::name(id), QPageSize::key(id));
    m_paperSize->setCurrentIndex(std::max(0, m_paperSize->findData(current.paperSize)));
    m_paperSize->setAccessibleName(QStringLiteral("Paper for saving"));
    m_paperSize->setAccessibleDescription(
        QStringLiteral("the paper a saved PDF, SVG or PNG is drawn on"));
    m_exact = new QCheckBox(QStringLiteral("Exact lengths (the unit over the count, not whole "
                                           "twips)"),
                            this);
    m_exact->setObjectName(QStringLiteral("exactLengths"));
    m_exact->setChecked(store.read(keys::name(keys::exactLengths),
                                   keys::defaultOf(keys::exactLengths)) == QStringLiteral("1"));
    m_centre = new QCheckBox(QStringLiteral("Whole cells, &centred between the margins"), this);
    m_centre->setObjectName(QStringLiteral("centre"));
    m_centre->setChecked(m_texts.value(QStringLiteral("centre")) == QStringLiteral("1"));
    m_centre->setAccessibleDescription(QStringLiteral("no cell cut at the right and the foot; "
                                                      "--centre on the command line"));
    connect(m_centre, &QCheckBox::toggled, this, [this](bool on) {
        m_texts.insert(QStringLiteral("centre"), on ? QStringLiteral("1") : QString());
        check();
    });
    m_orientation = new QComboBox(this);
    m_orientation->setObjectName(QStringLiteral("orientation"));
    m_orientation->addItem(QStringLiteral("Portrait"), QString());
    m_orientation->addItem(QStringLiteral("Landscape"), QStringLiteral("landscape"));
    m_orientation->setCurrentIndex(
        std::max(0, m_orientation->findData(m_texts.value(QStringLiteral("orientation")))));
    m_orientation->setAccessibleName(QStringLiteral("Orientation"));
    m_orientation->setAccessibleDescription(
        QStringLiteral("landscape: the sheet across the page's long side, printed and saved; "
                       "--orientation on the command line"));
    connect(m_orientation, &QComboBox::currentIndexChanged, this, [this] {
        m_texts.insert(QStringLiteral("orientation"), m_orientation->currentData().toString());
        check();
    });
    m_preview = new PreviewBox(this);
    m_preview->setObjectName(QStringLiteral("kindPreview"));
    m_preview->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_preview->setLineWidth(2);
    m_preview->setFixedSize(5 * 106, 100);
    m_preview->setAccessibleName(QStringLiteral("Preview"));
    m_refusal = new QLabel(this);
    m_refusal->setObjectName(QStringLiteral("refusal"));
    m_refusal->setWordWrap(true);
    m_refusal->setStyleSheet(QStringLiteral("color: #a00000"));
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    auto* kindsLabel = new QLabel(QStringLiteral("&Kind:"), this);
    kindsLabel->setBuddy(m_kinds);
    layout->addWidget(kindsLabel);
    layout->addWidget(m_kinds);
    layout->addLayout(m_form);
    layout->addWidget(m_exact);
    layout->addWidget(m_centre);
    auto* sizeRow = new QFormLayout;
    sizeRow->addRow(QStringLiteral("&Paper for saving:"), m_paperSize);
    sizeRow->addRow(QStringLiteral("&Orientation:"), m_orientation);
    layout->addLayout(sizeRow);
    layout->addWidget(m_preview);
    layout->addWidget(m_refusal);
    layout->addWidget(m_buttons);
    connect(m_kinds, &QListWidget::currentItemChanged, this, [this] { showOptions(); });
    showOptions();
    m_kinds->setFocus();
    adjustSize();
}

void KindDialog::showOptions()
{
    while (m_form->rowCount() > 0)
        m_form->removeRow(0);
    m_fields.clear();
    m_swatches.clear();
    const QString kind = choice().kind;
    const bool grid = kind == QStringLiteral("grid");
    m_exact->setVisible(grid);
    // The window's grid is the window's own, its page the queue's.
    m_centre->setVisible(!grid);
    m_orientation->setEnabled(!grid);
    for (const QString& option : paper::ownOptionsOf(kind)) {
        // The numbered axes of log paper: a switch.
        if (option == QStringLiteral("labels")) {
            auto* box = new QCheckBox(QStringLiteral("Numbered axes"), this);
            box->setObjectName(option);
            box->setChecked(m_texts.value(option) == QStringLiteral("1"));
            box->setAccessibleDescription(
                QStringLiteral("1 to 9 in each decade; --labels on the command line"));
            connect(box, &QCheckBox::toggled, this, [this, option](bool on) {
                m_texts.insert(option, on ? QStringLiteral("1") : QString());
                check();
            });
            m_form->addRow(QString(), box);
            continue;
        }
        const OptionWords* words = wordsOf(option);
        auto* field = new QLineEdit(m_texts.value(option), this);
        field->setObjectName(option);
        const QString label = words ? QLatin1String(words->label) : option;
        QString unit = words ? QLatin1String(words->unit) : QString();
        if (unit.startsWith(QStringLiteral("unit")))
            unit = QStringLiteral("in the window's unit, inches or centimetres") + unit.mid(4);
        field->setAccessibleName(label);
        field->setAccessibleDescription(unit + QStringLiteral("; --") + option +
                                        QStringLiteral(" on the command line"));
        field->setPlaceholderText(unit);
        field->setToolTip(unit);
        connect(field, &QLineEdit::textChanged, this, [this, option](const QString& text) {
            m_texts.insert(option, text);
            check();
        });
        m_fields.insert(option, field);
        if (!option.endsWith(QStringLiteral("-colour"))) {
            m_form->addRow(label + QLatin1Char(':'), field);
            continue;
        }
        // A colour: typed, or chosen in the colour dialog from its swatch.
        auto* swatch = new QPushButton(QStringLiteral("Choose\u2026"), this);
        swatch->setObjectName(option + QStringLiteral("-swatch"));
        swatch->setAccessibleName(QStringLiteral("Choose the ") + label.toLower());
        connect(swatch, &QPushButton::clicked, this, [this, option] { chooseColour(option); });
        m_swatches.insert(option, swatch);
        auto* row = new QHBoxLayout;
        row->addWidget(field, 1);
        row->addWidget(swatch);
        m_form->addRow(label + QLatin1Char(':'), row);
    }
    check();
}

PaperChoice KindDialog::choice() const
{
    PaperChoice c;
    if (const QListWidgetItem* item = m_kinds->currentItem())
        c.kind = item->data(Qt::UserRole).toString();
    for (const QString& option :
         paper::ownOptionsOf(c.kind) + (c.isGrid() ? QStringList() : paper::sheetOptions()))
        if (!m_texts.value(option).trimmed().isEmpty())
            c.options.insert(option, m_texts.value(option).trimmed());
    c.paperSize = m_paperSize->currentData().toString();
    return c;
}

void KindDialog::check()
{
    QString option;
    const QString why = choice().refusal(&option);
    m_refusal->setText(why);
    for (auto it = m_fields.cbegin(); it != m_fields.cend(); ++it) {
        const bool refused = it.key() == option;
        it.value()->setStyleSheet(refused ? QStringLiteral("border: 2px solid #a00000")
                                          : QString());
        const QString description =
            it.value()->accessibleDescription().section(QStringLiteral(" Refused: "), 0, 0);
        it.value()->setAccessibleDescription(
            refused ? description + QStringLiteral(" Refused: ") + why : description);
    }
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(why.isEmpty());
    // The chosen kind at true size, as the window will draw it.
    const PaperChoice chosen = choice();
    PatternSheet sheet;
    SheetRequest request;
    if (why.isEmpty() && chosen.applyTo(request, nullptr)) {
        const QSizeF shown(m_preview->scaleWidth(), m_preview->scaleHeight());
        const int dpi = m_preview->devicePixelsPerInch();
        sheet = chosen.isGrid()
                    ? gridSheet(m_window, chosen.previewArea(shown), dpi)
                    : paper::previewMarks(chosen, request.pattern, m_window, shown, dpi);
        patterns::inked(sheet.marks, request.pattern, m_window.lineColour());
    }
    for (auto it = m_swatches.cbegin(); it != m_swatches.cend(); ++it) {
        const QColor shown(m_texts.value(it.key()).trimmed());
        it.value()->setStyleSheet(shown.isValid()
                                      ? QStringLiteral("background: %1; color: %2")
                                            .arg(shown.name(), shown.lightness() < 128
                                                                   ? QStringLiteral("white")
                                                                   : QStringLiteral("black"))
                                      : QString());
    }
    m_preview->drawMarks(sheet.marks, m_window.lineColour());
    const QString said = !sheet.refusal.isEmpty() ? sheet.refusal : why;
    m_preview->setAccessibleDescription(
        said.isEmpty()
            ? QStringLiteral("%1 paper at true size, %2").arg(chosen.kind, m_preview->sizeNote())
            : QStringLiteral("not drawn: ") + said);
    if (m_refusal->text().isEmpty())
        m_refusal->setText(sheet.refusal);
}

void KindDialog::chooseColour(const QString& option)
{
    if (!m_colours)
        return;
    // The dialog opens on the colour typed, else the line colour.
    const QColor typed(m_texts.value(option).trimmed());
    const quint32 line = m_window.lineColour();
    m_colours->setColor(typed.isValid() ? colour::fromRgb(typed.red(), typed.green(), typed.blue())
                                        : line);
    const quint32 before = m_colours->color();
    m_colours->showColor();
    const quint32 chosen = m_colours->color();
    if (chosen == before || colour::isSystem(chosen))
        return;
    m_fields.value(option)->setText(
        QColor(colour::red(chosen), colour::green(chosen), colour::blue(chosen)).name());
}

void KindDialog::accept()
{
    if (!choice().refusal().isEmpty())
        return;
    // The grid's exact lengths, where they changed (a store that never had
    // the key keeps none).
    const bool was = m_store.read(keys::name(keys::exactLengths),
                                  keys::defaultOf(keys::exactLengths)) == QStringLiteral("1");
    if (choice().isGrid() && m_exact->isChecked() != was)
        m_store.write(keys::name(keys::exactLengths),
                      m_exact->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    QDialog::accept();
}

} // namespace gridorra
