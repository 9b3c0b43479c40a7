#include "commandline.h"

#include "core/colour.h"
#include "core/failure.h"
#include "core/number.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>

#include <cstdio>
#include <cstdlib>

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

void write(std::FILE* stream, const QString& text)
{
    std::fputs(qPrintable(text), stream);
    std::fflush(stream);
}

} // namespace

namespace {

// The options that set a field, with the field they stand for.
struct FieldOption {
    const char* name;
    int field;
    const char* description;
};
constexpr FieldOption fieldOptions[] = {
    {"lines-down", 1, "Horizontal lines per inch or centimetre, e.g. --lines-down 5."},
    {"lines-across", 2, "Vertical lines per inch or centimetre, e.g. --lines-across 5."},
    {"wide-across", 3, "Vertical lines per wide vertical line, e.g. --wide-across 10."},
    {"wide-down", 4, "Horizontal lines per wide horizontal line, e.g. --wide-down 10."},
    {"thickness", 5, "Thickness of a line in printer dots, e.g. --thickness 2."},
    {"copies", 6, "Copies to print, one job each (--print only), e.g. --copies 20."},
};

QString optionName(const char* name)
{
    return QStringLiteral("--") + QString::fromLatin1(name);
}

// A page size Qt knows by name or by key, in any letter case: A4, letter, Legal.
std::optional<QPageSize> pageSizeNamed(const QString& name)
{
    for (int id = 0; id <= int(QPageSize::LastPageSize); ++id) {
        const auto size = QPageSize::PageSizeId(id);
        if (id == int(QPageSize::Custom))
            continue;
        if (QPageSize::key(size).compare(name, Qt::CaseInsensitive) == 0 ||
            QPageSize::name(size).compare(name, Qt::CaseInsensitive) == 0)
            return QPageSize(size);
    }
    return std::nullopt;
}

// "#RRGGBB", or a colour as the settings store keeps it: the number
// 0x00BBGGRR, in decimal or with 0x.
std::optional<quint32> colourFrom(const QString& text)
{
    static const QRegularExpression rgb(QStringLiteral("^#([0-9A-Fa-f]{6})$"));
    if (const auto match = rgb.match(text.trimmed()); match.hasMatch()) {
        const uint value = match.captured(1).toUInt(nullptr, 16);
        return colour::fromRgb(int(value >> 16), int(value >> 8), int(value));
    }
    bool hex = false;
    const QString trimmed = text.trimmed();
    qint64 value = 0;
    if (trimmed.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive)) {
        value = trimmed.mid(2).toLongLong(&hex, 16);
        if (!hex)
            return std::nullopt;
    } else {
        try {
            value = number::toInt32(text);
        } catch (const Failure&) {
            return std::nullopt;
        }
    }
    if (value < 0 || value > 0xFFFFFFFFLL || !colour::isValid(quint32(value)))
        return std::nullopt;
    return quint32(value);
}

} // namespace

CommandLine readCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
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
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays help on command-line options."));
    const QCommandLineOption helpAll(QStringLiteral("help-all"),
                                     QStringLiteral("Displays help including Qt's own options."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Displays version information."));
    const QCommandLineOption exportTo(
        QStringLiteral("export"),
        QStringLiteral("Writes the sheet of one copy to a PDF file, e.g. --export sheet.pdf."),
        QStringLiteral("file"));
    const QCommandLineOption print(
        QStringLiteral("print"),
        QStringLiteral("Prints the copies, one job each, as \"Start Printing\" does."));
    const QCommandLineOption printer(
        QStringLiteral("printer"),
        QStringLiteral("The printer, by its listed or queue name, e.g. --printer Office; "
                       "else the default one."),
        QStringLiteral("name"));
    const QCommandLineOption unit(QStringLiteral("unit"),
                                  QStringLiteral("Lines per inch or per centimetre, e.g. "
                                                 "--unit cm."),
                                  QStringLiteral("in|cm"));
    const QCommandLineOption colourOption(
        QStringLiteral("colour"),
        QStringLiteral("Line colour, #RRGGBB or a stored 0x00BBGGRR number, e.g. "
                       "--colour #0000ff."),
        QStringLiteral("value"));
    const QCommandLineOption pageSize(
        QStringLiteral("page-size"),
        QStringLiteral("Paper of an export: A4, A5, A3, Letter, Legal, ..., e.g. "
                       "--page-size A4."),
        QStringLiteral("name"));
    const QCommandLineOption margins(
        QStringLiteral("margins"),
        QStringLiteral("Margins of an export on all four sides, in points, e.g. "
                       "--margins 12."),
        QStringLiteral("pt"));
    const QCommandLineOption resolution(
        QStringLiteral("resolution"),
        QStringLiteral("Dots per inch of an export (72 to 4800), e.g. --resolution 600."),
        QStringLiteral("dpi"));
    parser.addOptions({help, helpAll, version, exportTo, print, printer});
    QList<QCommandLineOption> fields;
    for (const FieldOption& f : fieldOptions) {
        fields.append(QCommandLineOption(QString::fromLatin1(f.name),
                                         QString::fromLatin1(f.description), QStringLiteral("n")));
        parser.addOption(fields.last());
    }
    parser.addOptions({unit, colourOption, pageSize, margins, resolution});
    const bool listQtOptions = arguments.contains(QStringLiteral("--help-all")) ||
                               arguments.contains(QStringLiteral("-help-all"));
    for (const QtOption& o : qtOptions) {
        QCommandLineOption option(QString::fromLatin1(o.name), QString::fromLatin1(o.description));
        if (o.value)
            option.setValueName(QString::fromLatin1(o.value));
        if (!listQtOptions)
            option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }

    const QString name = QCoreApplication::applicationName();
    const auto refuse = [&](const QString& text) {
        write(stderr, QStringLiteral("%1: %2\n").arg(name, text));
        return CommandLine{2, std::nullopt};
    };
    if (!parser.parse(arguments))
        return refuse(parser.errorText() + QStringLiteral(" (see %1 --help)").arg(name));
    if (parser.isSet(help) || parser.isSet(helpAll)) {
        write(stdout, parser.helpText());
        return {0, std::nullopt};
    }
    if (parser.isSet(version)) {
        write(stdout,
              name + QLatin1Char(' ') + QCoreApplication::applicationVersion() + QLatin1Char('\n'));
        return {0, std::nullopt};
    }
    if (!parser.positionalArguments().isEmpty())
        return refuse(QStringLiteral("unexpected argument '%1' (see %2 --help)")
                          .arg(parser.positionalArguments().constFirst(), name));

    const bool exporting = parser.isSet(exportTo);
    if (exporting && parser.isSet(print))
        return refuse(QStringLiteral("--export and --print: give one of them"));
    if (!exporting && !parser.isSet(print)) {
        // The window: the options of a sheet drawn without it have no place.
        QList<QCommandLineOption> sheetOptions = fields;
        sheetOptions << printer << unit << colourOption << pageSize << margins << resolution;
        for (const QCommandLineOption& option : sheetOptions)
            if (parser.isSet(option))
                return refuse(QStringLiteral("--%1 needs --export or --print")
                                  .arg(option.names().constFirst()));
        return {};
    }

    SheetRequest sheet;
    sheet.kind = exporting ? SheetRequest::Kind::Export : SheetRequest::Kind::Print;
    sheet.file = parser.value(exportTo);
    if (exporting && sheet.file.isEmpty())
        return refuse(QStringLiteral("--export: give the file to write"));
    sheet.printer = parser.value(printer);
    for (int i = 0; i < fields.size(); ++i) {
        if (!parser.isSet(fields[i]))
            continue;
        const QString text = parser.value(fields[i]);
        const QString option = optionName(fieldOptions[i].name);
        // The same test as a field's: a text that is no number is refused.
        if (!number::isNumeric(text))
            return refuse(QStringLiteral("%1 %2: Must be a numeric value.").arg(option, text));
        if (exporting && fieldOptions[i].field == 6)
            return refuse(
                QStringLiteral("%1: an export is one copy; copies are for --print").arg(option));
        sheet.fields.insert(fieldOptions[i].field, text);
    }
    if (parser.isSet(unit)) {
        const QString u = parser.value(unit).toLower();
        if (u != QStringLiteral("in") && u != QStringLiteral("cm"))
            return refuse(QStringLiteral("--unit %1: give in or cm").arg(parser.value(unit)));
        sheet.inches = u == QStringLiteral("in");
    }
    if (parser.isSet(colourOption)) {
        sheet.colour = colourFrom(parser.value(colourOption));
        if (!sheet.colour)
            return refuse(QStringLiteral("--colour %1: not a colour (give #RRGGBB, e.g. #0000ff)")
                              .arg(parser.value(colourOption)));
    }
    for (const QCommandLineOption* pageOption : {&pageSize, &margins, &resolution})
        if (!exporting && parser.isSet(*pageOption))
            return refuse(QStringLiteral("--%1 is for --export; a printer prints on its own paper")
                              .arg(pageOption->names().constFirst()));
    if (parser.isSet(pageSize)) {
        sheet.pageSize = pageSizeNamed(parser.value(pageSize));
        if (!sheet.pageSize)
            return refuse(QStringLiteral("--page-size %1: not a paper size (e.g. A4, Letter)")
                              .arg(parser.value(pageSize)));
    }
    if (parser.isSet(margins)) {
        bool ok = false;
        const double pt = parser.value(margins).toDouble(&ok);
        if (!ok || pt < 0)
            return refuse(
                QStringLiteral("--margins %1: give points, 0 or more").arg(parser.value(margins)));
        sheet.margins = pt;
    }
    if (parser.isSet(resolution)) {
        bool ok = false;
        const int dpi = parser.value(resolution).toInt(&ok);
        if (!ok || dpi < 72 || dpi > 4800)
            return refuse(QStringLiteral("--resolution %1: give 72 to 4800 dots per inch")
                              .arg(parser.value(resolution)));
        sheet.resolution = dpi;
    }
    return {std::nullopt, sheet};
}

namespace {

QtMessageHandler previousHandler = nullptr;
struct HeldMessage {
    QtMsgType type;
    QByteArray category;
    QString text;
};
QList<HeldMessage>* heldMessages = nullptr;

void whileStarting(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtFatalMsg) {
        write(stderr, DisplayCheck::noDisplayLine() + QLatin1Char('\n'));
        std::_Exit(1);
    }
    const QByteArray category(context.category ? context.category : "");
    if (heldMessages && category.startsWith("qt.qpa")) {
        heldMessages->append({type, category, text});
        return;
    }
    previousHandler(type, context, text);
}

} // namespace

DisplayCheck::DisplayCheck()
{
    heldMessages = new QList<HeldMessage>;
    previousHandler = qInstallMessageHandler(whileStarting);
}

DisplayCheck::~DisplayCheck()
{
    qInstallMessageHandler(previousHandler);
    const QList<HeldMessage> held = std::move(*heldMessages);
    delete heldMessages;
    heldMessages = nullptr;
    for (const HeldMessage& m : held) {
        const QMessageLogContext context(nullptr, 0, nullptr, m.category.constData());
        previousHandler(m.type, context, m.text);
    }
}

QString DisplayCheck::noDisplayLine()
{
    const QString name = QCoreApplication::applicationName();
    const QString advice =
        QStringLiteral("it needs a desktop session, or an X server such as xvfb-run (xvfb-run %1)")
            .arg(name);
    const QString display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty() && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return QStringLiteral("%1: no display to open the window on (neither DISPLAY nor "
                              "WAYLAND_DISPLAY is set): %2")
            .arg(name, advice);
    return QStringLiteral("%1: cannot open the window on the display%2: %3")
        .arg(name, display.isEmpty() ? QString() : QStringLiteral(" \"%1\"").arg(display), advice);
}

} // namespace gridorra
