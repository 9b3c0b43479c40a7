#include "commandline.h"
#include "commandrules.h"

#include "render/gridwindow.h"

#include "standardoutput.h"

#include "core/colour.h"
#include "core/failure.h"
#include "core/number.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

namespace gridorra {

namespace {

struct QtOption {
    const char* name;
    const char* value; // nullptr for a switch
    const char* description;
};

// The options that Qt's application object and its window system take.
constexpr QtOption qtOptions[] = {
    {"style", "style", "Widget style, e.g. fusion."},
    {"stylesheet", "file", "Style sheet to apply to the window."},
    {"platform", "platformName[:options]", "Window system plugin, e.g. xcb or offscreen."},
    {"platformpluginpath", "path", "Path to the window system plugins."},
    {"platformtheme", "theme", "Platform theme."},
    {"plugin", "plugin", "Additional plugin to load; may be given more than once."},
    {"display", "display", "X server display to open the window on, e.g. :1."},
    {"name", "name", "Application name the X server knows the window by."},
    {"geometry", "geometry", "Window position, X11 syntax, e.g. +50+50."},
    {"qwindowgeometry", "geometry", "Window position, X11 syntax, e.g. +50+50."},
    {"qwindowicon", "icon", "Default window icon."},
    {"qwindowtitle", "title", "Title of the first window."},
    {"reverse", nullptr, "Lays the window out right to left."},
    {"session", "session", "Restores the application from an earlier session."},
    {"widgetcount", nullptr, "Prints the number of widgets left at exit."},
    {"qmljsdebugger", "value", "Activates the QML/JS debugger (port:1234[,block])."},
};

// False when the text could not be written whole (a full disk, a closed pipe).
bool write(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toLocal8Bit();
    const bool written =
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream) == size_t(bytes.size());
    return std::fflush(stream) == 0 && written && !std::ferror(stream);
}

QString optionName(const char* name)
{
    return QStringLiteral("--") + QString::fromLatin1(name);
}

} // namespace

namespace {

QString fieldValue(int field, const QString& text, SheetRequest& sheet)
{
    // The same test as a field's: a text that is no number is refused. An
    // empty one is let through, as the field lets it through, and the print
    // job reports it at its step.
    if (!text.isEmpty() && !number::isNumeric(text))
        return QStringLiteral("Must be a numeric value.");
    sheet.fields.insert(field, text);
    return {};
}
template <int number> QString setField(const QString& text, SheetRequest& sheet)
{
    return fieldValue(number, text, sheet);
}

// "#RRGGBB", or a colour as the settings store keeps it: the number
// 0x00BBGGRR, in decimal (signed, as the store writes a system colour, or
// not) or with 0x.
std::optional<quint32> colourFrom(const QString& text)
{
    static const QRegularExpression rgb(QStringLiteral("^#([0-9A-Fa-f]{6})$"));
    const QString trimmed = text.trimmed();
    if (const auto match = rgb.match(trimmed); match.hasMatch()) {
        const uint value = match.captured(1).toUInt(nullptr, 16);
        return colour::fromRgb(int(value >> 16), int(value >> 8), int(value));
    }
    qint64 value = 0;
    if (trimmed.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive)) {
        bool hex = false;
        value = trimmed.mid(2).toLongLong(&hex, 16);
        if (!hex)
            return std::nullopt;
    } else {
        const std::optional<double> n = number::parse(text);
        if (!n || *n < -2147483648.0 || *n > 4294967295.0)
            return std::nullopt;
        value = qint64(number::roundHalfEven(*n));
        if (value < 0)
            value += 0x100000000LL;
    }
    if (value < 0 || value > 0xFFFFFFFFLL || !colour::isValid(quint32(value)))
        return std::nullopt;
    return quint32(value);
}

QString setUnit(const QString& text, SheetRequest& sheet)
{
    const QString u = text.toLower();
    if (u != QStringLiteral("in") && u != QStringLiteral("cm"))
        return QStringLiteral("give in or cm");
    sheet.inches = u == QStringLiteral("in");
    return {};
}

QString setColour(const QString& text, SheetRequest& sheet)
{
    sheet.colour = colourFrom(text);
    return sheet.colour ? QString() : QStringLiteral("not a colour (give #RRGGBB, e.g. #0000ff)");
}

// A weight's colour, as --colour takes it.
template <auto field> QString setWeightColour(const QString& text, SheetRequest& sheet)
{
    sheet.pattern.*field = colourFrom(text);
    return sheet.pattern.*field ? QString()
                                : QStringLiteral("not a colour (give #RRGGBB, e.g. #0000ff)");
}

QString setPrinter(const QString& text, SheetRequest& sheet)
{
    sheet.printer = text;
    return text.isEmpty() ? QStringLiteral("give a printer's name (without --printer, the default "
                                           "printer)")
                          : QString();
}

QString setCalibrationSheet(const QString&, SheetRequest& sheet)
{
    sheet.calibrationSheet = true;
    if (sheet.file.isEmpty())
        sheet.kind = SheetRequest::Kind::Print;
    return {};
}

QString setPattern(const QString& text, SheetRequest& sheet)
{
    if (!patterns::names().contains(text))
        return QStringLiteral("no such pattern; the patterns: ") +
               patterns::names().join(QStringLiteral(", "));
    sheet.pattern.name = text;
    return {};
}

// A whole number from `low` to `high`, into `into`.
template <int low, int high> QString wholeInto(const QString& text, std::optional<int>& into)
{
    const std::optional<double> n = number::parse(text);
    if (!n || *n != std::floor(*n) || *n < low || *n > high)
        return QStringLiteral("give a whole number from %1 to %2").arg(low).arg(high);
    into = int(*n);
    return {};
}

// A length in the sheet's unit, more than 0 (or 0 with `orNone`).
QString lengthInto(const QString& text, std::optional<double>& into, bool orNone = false)
{
    const std::optional<double> n = number::parse(text);
    if (!n || !std::isfinite(*n) || *n < 0 || (*n == 0 && !orNone))
        return orNone ? QStringLiteral("give a length, 0 or more, in the unit (--unit)")
                      : QStringLiteral("give a length more than 0, in the unit (--unit)");
    into = *n;
    return {};
}

QString setHeavyEvery(const QString& t, SheetRequest& s)
{
    return wholeInto<1, 1000>(t, s.heavyEvery);
}
QString setHeavyThickness(const QString& t, SheetRequest& s)
{
    return wholeInto<1, 100>(t, s.heavyThickness);
}
// A kind of paper's whole-number option, `low` to `high`, and its length
// (0 allowed with `orNone`).
template <auto field, int low, int high> QString setWhole(const QString& t, SheetRequest& s)
{
    return wholeInto<low, high>(t, s.pattern.*field);
}
template <auto field, bool orNone = false> QString setLength(const QString& t, SheetRequest& s)
{
    return lengthInto(t, s.pattern.*field, orNone);
}
// A switch, given without a value: of the sheet, or of its kind of paper.
template <auto flag> QString setSwitch(const QString&, SheetRequest& s)
{
    s.*flag = true;
    return {};
}
template <auto flag> QString setKindSwitch(const QString&, SheetRequest& s)
{
    s.pattern.*flag = true;
    return {};
}
QString setPages(const QString& t, SheetRequest& s)
{
    std::optional<int> pages;
    const QString why = wholeInto<1, 10000>(t, pages);
    s.pages = pages.value_or(1);
    return why;
}
QString setOrientation(const QString& text, SheetRequest& sheet)
{
    if (text != QStringLiteral("portrait") && text != QStringLiteral("landscape"))
        return QStringLiteral("give portrait or landscape");
    sheet.pattern.landscape = text == QStringLiteral("landscape");
    return {};
}
QString setSlant(const QString& text, SheetRequest& sheet)
{
    const std::optional<double> n = number::parse(text);
    if (!n || !std::isfinite(*n) || *n < 20 || *n > 90)
        return QStringLiteral("give an angle from 20 to 90 degrees from the lines");
    sheet.pattern.slant = *n;
    return {};
}
// The options of a sheet drawn without the window, one row each: its name,
// the name of its value (none for a switch), its help, where it has a place,
// and how its value is taken (an empty answer) or refused (why).
struct SheetOption {
    enum Use { Sheet, ExportOnly, PrintOnly, Calibrate };
    const char* name;
    const char* value;
    const char* help;
    Use use;
    rules::Take take;
};
constexpr SheetOption sheetOptions[] = {
    {"export", "file",
     "Writes the sheet of one copy to a file (- for standard output): a PDF, or an SVG or PNG "
     "by its extension or --format, e.g. --export sheet.pdf.",
     SheetOption::ExportOnly, rules::exporting::file},
    {"print", nullptr, "Prints the copies, one job each, as \"Start Printing\" does.",
     SheetOption::PrintOnly, rules::printing::print},
    {"printer", "name",
     "The printer, by its listed or queue name, e.g. --printer Office; else the default one.",
     SheetOption::Sheet, setPrinter},
    {"lines-down", "n", "Horizontal lines per inch or centimetre, e.g. --lines-down 5.",
     SheetOption::Sheet, setField<field::linesDown>},
    {"lines-across", "n", "Vertical lines per inch or centimetre, e.g. --lines-across 5.",
     SheetOption::Sheet, setField<field::linesAcross>},
    {"wide-across", "n", "Vertical lines per wide vertical line, e.g. --wide-across 10.",
     SheetOption::Sheet, setField<field::wideAcross>},
    {"wide-down", "n", "Horizontal lines per wide horizontal line, e.g. --wide-down 10.",
     SheetOption::Sheet, setField<field::wideDown>},
    {"thickness", "n", "Thickness of a line in printer dots, e.g. --thickness 2.",
     SheetOption::Sheet, setField<field::thickness>},
    {"copies", "n", "Copies to print, one job each (--print only), e.g. --copies 20.",
     SheetOption::PrintOnly, setField<field::copies>},
    {"unit", "in|cm", "Lines per inch or per centimetre, e.g. --unit cm.", SheetOption::Sheet,
     setUnit},
    {"colour", "value",
     "Line colour, #RRGGBB or a stored 0x00BBGGRR number, e.g. --colour #0000ff.",
     SheetOption::Sheet, setColour},
    {"page-size", "name",
     "Paper of an export: A4, A5, A3, Letter, Legal, ..., e.g. --page-size A4.",
     SheetOption::ExportOnly, rules::exporting::pageSize},
    {"margins", "pt", "Margins of an export on all four sides, in points, e.g. --margins 12.",
     SheetOption::ExportOnly, rules::exporting::margins},
    {"calibration-sheet", nullptr,
     "Prints the calibration sheet on --printer (or writes it with --export): two rulers "
     "to measure, so that the printer prints true to size.",
     SheetOption::Sheet, setCalibrationSheet},
    {"calibrated", nullptr,
     "With --export and --printer: the sheet drawn with that printer's stored correction.",
     SheetOption::ExportOnly, rules::exporting::calibrated},
    {"calibrate", nullptr,
     "Stores --printer's correction from the rulers measured on its calibration sheet: "
     "--across and --down, or --reset to remove it.",
     SheetOption::Calibrate, nullptr},
    {"across", "length",
     "The across ruler as measured on the calibration sheet, with its unit, "
     "e.g. --across 179.3mm (or 7.05in on the inch scale).",
     SheetOption::Calibrate, nullptr},
    {"down", "length",
     "The down ruler as measured on the calibration sheet, with its unit, "
     "e.g. --down 239.1mm; the lengths to measure are printed on the sheet.",
     SheetOption::Calibrate, nullptr},
    {"reset", nullptr, "With --calibrate: removes the printer's correction.",
     SheetOption::Calibrate, nullptr},
    {"calibration", nullptr, "Lists the stored corrections.", SheetOption::Calibrate, nullptr},
    {"resolution", "dpi",
     "Dots per inch of an export (72 to 4800; a PNG's pixels, 300 by default), e.g. "
     "--resolution 600.",
     SheetOption::ExportOnly, rules::exporting::resolution},
    {"pattern", "name",
     "The kind of paper: grid (the window's), dots, lined, isometric, isodots, hex, semilog, "
     "loglog, polar, staff, checklist, seyes, handwriting, doubleruled, hexup, cornell or "
     "programming, "
     "e.g. --pattern dots. Each takes the options below that name it.",
     SheetOption::Sheet, setPattern},
    {"heavy-every", "m",
     "grid: a third, heavier line every m wide lines (millimetre paper: --unit cm --lines-down "
     "10 --lines-across 10 --wide-down 5 --wide-across 5 --heavy-every 2).",
     SheetOption::Sheet, setHeavyEvery},
    {"exact-lengths", nullptr,
     "grid: lines exactly the unit over the count apart (2 per cm: 5 mm), where the window's "
     "grid takes whole twips (5.009 mm); also kept as the stored ExactLengths=1.",
     SheetOption::Sheet, setSwitch<&SheetRequest::exactLengths>},
    {"wide-thickness", "dots",
     "grid, lined, isometric, semilog, loglog, polar: the wide lines' pen in printer dots "
     "(else the thickness x 1.5 + 2), no narrower than the thin lines, e.g. --wide-thickness 3.",
     SheetOption::Sheet, setWhole<&PatternParameters::wideThickness, 1, 100>},
    {"heavy-thickness", "dots",
     "grid: the heavy lines' pen in printer dots with --heavy-every (else the wide pen x 1.5 + "
     "2), no narrower than the wide lines, e.g. --heavy-thickness 6.",
     SheetOption::Sheet, setHeavyThickness},
    {"wide-colour", "value",
     "Every kind with wide lines or dots: their colour, as --colour takes it (else the line "
     "colour), e.g. --colour #9ec5e8 --wide-colour #1f4e79.",
     SheetOption::Sheet, setWeightColour<&PatternParameters::wideColour>},
    {"heavy-colour", "value",
     "grid: the heavy lines' colour with --heavy-every (else the line colour), e.g. "
     "--heavy-colour #000000.",
     SheetOption::Sheet, setWeightColour<&PatternParameters::heavyColour>},
    {"dot-size", "dots",
     "dots, isodots: a dot's diameter in printer dots (4 by default), e.g. --dot-size 5.",
     SheetOption::Sheet, setWhole<&PatternParameters::dotSize, 1, 100>},
    {"wide-dot-size", "dots",
     "dots: the diameter of the dots where wide lines would cross, e.g. --wide-dot-size 8.",
     SheetOption::Sheet, setWhole<&PatternParameters::wideDotSize, 1, 100>},
    {"margin-line", "length",
     "lined, seyes: a wide vertical margin line this far from the left, e.g. --margin-line "
     "1.25.",
     SheetOption::Sheet, setLength<&PatternParameters::marginLine>},
    {"side", "length",
     "isometric, isodots: the triangles' side (else one over --lines-across), e.g. --side 0.5.",
     SheetOption::Sheet, setLength<&PatternParameters::side>},
    {"hex-size", "length",
     "hex: a hexagon's width across the flats (else one over --lines-across), e.g. "
     "--hex-size 1.",
     SheetOption::Sheet, setLength<&PatternParameters::hexSize>},
    {"decades", "n",
     "semilog, loglog: decades on the vertical log axis (2 by default), e.g. --decades 3.",
     SheetOption::Sheet, setWhole<&PatternParameters::decades, 1, 20>},
    {"decades-across", "n",
     "loglog: decades on the horizontal axis (else as --decades), e.g. --decades-across 2.",
     SheetOption::Sheet, setWhole<&PatternParameters::decadesAcross, 1, 20>},
    {"ring-spacing", "length",
     "polar: between rings (else one over --lines-down), e.g. --ring-spacing 0.5.",
     SheetOption::Sheet, setLength<&PatternParameters::ringSpacing>},
    {"rays", "n", "polar: rays from the centre (36 by default), e.g. --rays 24.",
     SheetOption::Sheet, setWhole<&PatternParameters::rays, 1, 720>},
    {"line-gap", "length",
     "staff: between a staff's five lines (else one over --lines-down), e.g. --unit cm "
     "--line-gap 0.2.",
     SheetOption::Sheet, setLength<&PatternParameters::lineGap>},
    {"staff-gap", "length",
     "staff: between one staff and the next (8 line gaps by default), e.g. --staff-gap 1.",
     SheetOption::Sheet, setLength<&PatternParameters::staffGap, true>},
    {"box-size", "length",
     "checklist: a box's side (else 0.6 of the line space), e.g. --unit cm --box-size 0.5.",
     SheetOption::Sheet, setLength<&PatternParameters::boxSize>},
    {"square", "length",
     "seyes: a square's side, ruled in four (0.8 cm by default), e.g. --unit cm --square 0.8.",
     SheetOption::Sheet, setLength<&PatternParameters::square>},
    {"x-height", "length",
     "handwriting, doubleruled: from the base line to the middle (or waist) line (else one "
     "over --lines-down), e.g. --unit cm --x-height 0.5.",
     SheetOption::Sheet, setLength<&PatternParameters::xHeight>},
    {"row-gap", "length",
     "handwriting, doubleruled: between a row's base line and the next row's top line "
     "(handwriting: one x-height, doubleruled: two, by default), e.g. --row-gap 0.5.",
     SheetOption::Sheet, setLength<&PatternParameters::rowGap, true>},
    {"slant", "deg",
     "doubleruled: guide lines at this angle to the ruled lines (55 by default; 90 upright), "
     "e.g. --slant 52.",
     SheetOption::Sheet, setSlant},
    {"cue-width", "length",
     "cornell: the cue column's width on the left (0.3 of the sheet by default), e.g. --unit "
     "in --cue-width 2.5.",
     SheetOption::Sheet, setLength<&PatternParameters::cueWidth>},
    {"summary-height", "length",
     "cornell: the summary band's height at the foot (0.2 of the sheet by default), e.g. "
     "--unit in --summary-height 2.",
     SheetOption::Sheet, setLength<&PatternParameters::summaryHeight>},
    {"labels", nullptr,
     "semilog, loglog: the axes numbered, 1 to 9 in each decade, in a band of 4 mm beside "
     "the decades.",
     SheetOption::Sheet, setKindSwitch<&PatternParameters::labels>},
    {"columns", "n", "programming: the coding form's columns (80 by default), e.g. --columns 72.",
     SheetOption::Sheet, setWhole<&PatternParameters::columns, 1, 200>},
    {"centre", nullptr,
     "Whole cells only (squares, dot pitches, triangles, hexagons, staves, decades), fitted "
     "between the margins and centred; else the sheet begins at the printable corner.",
     SheetOption::Sheet, setKindSwitch<&PatternParameters::centre>},
    {"orientation", "portrait|landscape",
     "landscape: the page turned, the sheet drawn across its long side (portrait by default), "
     "e.g. --orientation landscape.",
     SheetOption::Sheet, setOrientation},
    {"pages", "n",
     "A notebook of n pages of the sheet: a PDF, or one print job a copy, e.g. --pages 100.",
     SheetOption::Sheet, setPages},
    {"two-up", nullptr,
     "Two pages side by side on the paper turned (A5 pages on A4), in booklet order: folded, "
     "a double-sided notebook's pages follow one another, e.g. --page-size A4 --pages 8 "
     "--double-sided --two-up.",
     SheetOption::ExportOnly, rules::exporting::twoUp},
    {"double-sided", nullptr,
     "With --pages: the even pages mirror the odd ones (their margins, the margin line on the "
     "outer side), so that pages bound at the left line up; printed on both sides where the "
     "printer can.",
     SheetOption::Sheet, setSwitch<&SheetRequest::doubleSided>},
    {"format", "pdf|svg|png",
     "What an export writes, where its name does not say (.pdf, .svg, .png), e.g. --export - "
     "--format svg.",
     SheetOption::ExportOnly, rules::exporting::format},
};

QCommandLineOption optionOf(const char* name, const char* value, const char* help)
{
    QCommandLineOption option(QString::fromLatin1(name), QString::fromLatin1(help));
    if (value)
        option.setValueName(QString::fromLatin1(value));
    return option;
}

// An option's name as typed, without its dashes and any "=value"; empty
// for an argument that is no option.
QString typedName(const QString& argument)
{
    if (!argument.startsWith(QLatin1Char('-')) || argument == QStringLiteral("-") ||
        argument == QStringLiteral("--"))
        return {};
    return argument.mid(argument.startsWith(QStringLiteral("--")) ? 2 : 1)
        .section(QLatin1Char('='), 0, 0);
}

// A negative number, or a value a number cannot take that reads like one
// ("-inf"), is refused as a value, not as an option.
bool numberLike(const QString& argument)
{
    static const QRegularExpression special(QStringLiteral("^[+-]?(inf(inity)?|nan)$"),
                                            QRegularExpression::CaseInsensitiveOption);
    return number::parse(argument) || special.match(argument.trimmed()).hasMatch();
}

bool looksLikeOption(const QString& argument)
{
    static const QRegularExpression option(QStringLiteral("^--?[A-Za-z]"));
    return option.match(argument).hasMatch();
}

} // namespace

// Every option given that belongs to a kind of paper is one the chosen kind
// takes; the calibration sheet has none.
QString patternFits(const QCommandLineParser& parser, const SheetRequest& sheet)
{
    const QString kind = sheet.pattern.name.isEmpty() ? QStringLiteral("grid") : sheet.pattern.name;
    QStringList own; // the options that belong to some kind
    for (const QString& name : patterns::names())
        for (const QString& option : patterns::optionsOf(name))
            if (!own.contains(option))
                own << option;
    if (sheet.calibrationSheet) {
        for (const QString& option :
             own + QStringList{QStringLiteral("pattern"), QStringLiteral("pages"),
                               QStringLiteral("double-sided"), QStringLiteral("two-up"),
                               QStringLiteral("centre"), QStringLiteral("orientation")})
            if (parser.isSet(option))
                return QStringLiteral("--%1 has no place on the calibration sheet").arg(option);
        return {};
    }
    const QStringList takes = patterns::optionsOf(kind);
    for (const QString& option : own) {
        if (!parser.isSet(option) || takes.contains(option))
            continue;
        QStringList named;
        for (const QString& o : takes)
            named << QStringLiteral("--") + o;
        return QStringLiteral("--%1 has no place in the pattern %2, which takes %3")
            .arg(option, kind, named.join(QStringLiteral(", ")));
    }
    return {};
}

// --calibrate and --calibration, which take --printer and their own options
// and nothing else.
CommandLine readCalibration(const QCommandLineParser& parser,
                            const std::function<CommandLine(const QString&)>& refuse)
{
    CalibrateRequest calibrate;
    for (const SheetOption& o : sheetOptions)
        if (o.use != SheetOption::Calibrate && qstrcmp(o.name, "printer") != 0 &&
            parser.isSet(QString::fromLatin1(o.name)))
            return refuse(QStringLiteral("%1 has no place with --calibrate or --calibration")
                              .arg(optionName(o.name)));
    if (const QString why = rules::calibrating::read(parser, calibrate); !why.isEmpty())
        return refuse(why);
    return {std::nullopt, std::nullopt, calibrate, {}};
}

namespace {

// The options that answer at once.
struct AnswerOptions {
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Displays help on command-line options.")};
    QCommandLineOption helpAll{QStringLiteral("help-all"),
                               QStringLiteral("Displays help including Qt's own options.")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Displays version information.")};
};

// Every option, Qt's own hidden unless --help-all asks for them; the names
// of those that take a value.
QStringList setUp(QCommandLineParser& parser, const AnswerOptions& answers,
                  const QStringList& arguments)
{
    // Qt's options are single words after one dash: -style fusion.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QStringLiteral(
        "Designs a sheet of graph paper and prints it.\n\n"
        "Without options it opens its window. With --export or --print it draws the\n"
        "sheet of the stored settings, changed by the options below for that run\n"
        "only, and opens no window.\n\n"
        "Every setting is kept in $XDG_CONFIG_HOME/Marnova.conf. A skin (a Qt style\n"
        "sheet) is read from x/o.cjs and the pointer over \"Start Printing\" from\n"
        "HAND-M.CUR, both beside the program file."));
    parser.addOptions({answers.help, answers.helpAll, answers.version});
    QStringList valueOptions;
    for (const SheetOption& o : sheetOptions) {
        parser.addOption(optionOf(o.name, o.value, o.help));
        if (o.value)
            valueOptions << QString::fromLatin1(o.name);
    }
    const bool listQtOptions = arguments.contains(QStringLiteral("--help-all")) ||
                               arguments.contains(QStringLiteral("-help-all"));
    for (const QtOption& o : qtOptions) {
        QCommandLineOption option = optionOf(o.name, o.value, o.description);
        if (!listQtOptions)
            option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
        if (o.value)
            valueOptions << QString::fromLatin1(o.name);
    }
    return valueOptions;
}

// A value that looks like an option is a mistake far more often than a
// file name: `--export --print` would write a file named "--print". Why the
// arguments are refused, else nothing; likewise an option given twice.
QString misplacedValue(const QStringList& arguments, const QStringList& valueOptions,
                       const QStringList& given)
{
    for (qsizetype i = 1; i + 1 < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QStringLiteral("--"))
            break;
        if (!argument.contains(QLatin1Char('=')) && valueOptions.contains(typedName(argument)) &&
            looksLikeOption(arguments[i + 1]) && !numberLike(arguments[i + 1]))
            return QStringLiteral("%1 %2: a value that looks like an option (write "
                                  "--%3=%2 if it is meant)")
                .arg(argument, arguments[i + 1], typedName(argument));
        if (valueOptions.contains(typedName(argument)) && !argument.contains(QLatin1Char('=')))
            ++i;
    }
    for (const QString& option : given)
        if (given.count(option) > 1 && option != QStringLiteral("plugin"))
            return QStringLiteral("--%1 is given more than once").arg(option);
    return {};
}

// The sheet's options into `sheet`, each where it has a place; why not,
// else nothing.
QString readSheetOptions(const QCommandLineParser& parser, bool exporting, bool printing,
                         SheetRequest& sheet)
{
    for (const SheetOption& o : sheetOptions) {
        const QString option = optionName(o.name);
        if (!parser.isSet(QString::fromLatin1(o.name)))
            continue;
        if (o.use == SheetOption::Calibrate)
            return QStringLiteral("%1 goes with --calibrate").arg(optionName(o.name));
        if (!exporting && !printing) // the window: the sheet's options have no place
            return QStringLiteral("%1 needs --export or --print").arg(option);
        if (o.use == SheetOption::PrintOnly && exporting)
            return QStringLiteral("%1: an export is one copy; copies are for --print").arg(option);
        if (o.use == SheetOption::ExportOnly && printing)
            return QStringLiteral("%1 is for --export; a printer prints on its own paper")
                .arg(option);
        const QString value = parser.value(QString::fromLatin1(o.name));
        if (const QString why = o.take(value, sheet); !why.isEmpty())
            return o.value ? QStringLiteral("%1 %2: %3").arg(option, value, why)
                           : QStringLiteral("%1: %2").arg(option, why);
    }
    return {};
}

// Whether the options read make one sheet: why not, else nothing. An
// export's format follows its file's extension where --format does not
// name it.
QString checkSheet(const QCommandLineParser& parser, SheetRequest& sheet)
{
    // The calibration sheet is the same for every grid, and never corrected.
    if (sheet.calibrationSheet) {
        for (const char* option : {"lines-down", "lines-across", "wide-across", "wide-down",
                                   "thickness", "unit", "colour", "calibrated"})
            if (parser.isSet(QString::fromLatin1(option)))
                return QStringLiteral("%1 has no place on the calibration sheet, which is "
                                      "the same for every grid and never corrected")
                    .arg(optionName(option));
    }
    if (const QString why = patternFits(parser, sheet); !why.isEmpty())
        return why;
    if (sheet.pattern.heavyColour && !sheet.heavyEvery)
        return QStringLiteral("--heavy-colour goes with --heavy-every, which makes the heavy "
                              "lines");
    if (sheet.heavyThickness && !sheet.heavyEvery)
        return QStringLiteral("--heavy-thickness goes with --heavy-every, which makes the heavy "
                              "lines");
    if (sheet.kind == SheetRequest::Kind::Export)
        if (const QString why =
                rules::exporting::refusal(sheet, parser.isSet(QStringLiteral("format")));
            !why.isEmpty())
            return why;
    if (sheet.doubleSided && sheet.pages < 2)
        return QStringLiteral("--double-sided: one page has no back; give --pages 2 or more");
    return {};
}

} // namespace

CommandLine readCommandLine(const QStringList& arguments, bool quiet)
{
    QCommandLineParser parser;
    const AnswerOptions answers;
    const QStringList valueOptions = setUp(parser, answers, arguments);
    const QString name = QCoreApplication::applicationName();
    const auto refuse = [&](const QString& text) {
        if (!quiet)
            write(stderr, QStringLiteral("%1: %2\n").arg(name, text));
        return CommandLine{2, std::nullopt, std::nullopt, text};
    };
    if (!parser.parse(arguments))
        return refuse(parser.errorText() + QStringLiteral(" (see %1 --help)").arg(name));
    const auto answer = [&](const QString& text) {
        if (standardOutput::write(text))
            return CommandLine{0, std::nullopt, std::nullopt, {}};
        write(stderr, QStringLiteral("%1: %2\n").arg(name, standardOutput::failure()));
        return CommandLine{1, std::nullopt, std::nullopt, {}};
    };
    if (parser.isSet(answers.help) || parser.isSet(answers.helpAll))
        return answer(parser.helpText());
    if (parser.isSet(answers.version))
        return answer(name + QLatin1Char(' ') + QCoreApplication::applicationVersion() +
                      QLatin1Char('\n'));
    if (!parser.positionalArguments().isEmpty())
        return refuse(QStringLiteral("unexpected argument '%1' (see %2 --help)")
                          .arg(parser.positionalArguments().constFirst(), name));
    if (const QString why = misplacedValue(arguments, valueOptions, parser.optionNames());
        !why.isEmpty())
        return refuse(why);

    const bool exporting = parser.isSet(QStringLiteral("export"));
    const bool printing = parser.isSet(QStringLiteral("print")) ||
                          (parser.isSet(QStringLiteral("calibration-sheet")) && !exporting);
    const bool calibrating =
        parser.isSet(QStringLiteral("calibrate")) || parser.isSet(QStringLiteral("calibration"));
    if (calibrating)
        return readCalibration(parser, refuse);
    if (exporting && printing)
        return refuse(QStringLiteral("--export and --print: give one of them"));
    SheetRequest sheet;
    if (const QString why = readSheetOptions(parser, exporting, printing, sheet); !why.isEmpty())
        return refuse(why);
    if (!exporting && !printing)
        return {};
    if (const QString why = checkSheet(parser, sheet); !why.isEmpty())
        return refuse(why);
    return {std::nullopt, sheet, std::nullopt, {}};
}

} // namespace gridorra
