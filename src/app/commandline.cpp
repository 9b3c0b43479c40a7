#include "commandline.h"

#include <QCommandLineParser>
#include <QCoreApplication>

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

void print(std::FILE* stream, const QString& text)
{
    std::fputs(qPrintable(text), stream);
    std::fflush(stream);
}

} // namespace

std::optional<int> readCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    // Qt's options are single words after one dash: -style fusion.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QStringLiteral(
        "Designs a sheet of graph paper and prints it.\n\n"
        "Every setting is kept in $XDG_CONFIG_HOME/Marnova.conf. A skin (a Qt style\n"
        "sheet) is read from x/o.cjs and the pointer over \"Start Printing\" from\n"
        "HAND-M.CUR, both beside the program file."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays help on command-line options."));
    const QCommandLineOption helpAll(QStringLiteral("help-all"),
                                     QStringLiteral("Displays help including Qt's own options."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Displays version information."));
    parser.addOptions({help, helpAll, version});
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

    if (!parser.parse(arguments)) {
        print(stderr, QStringLiteral("%1: %2 (see %1 --help)\n")
                          .arg(QCoreApplication::applicationName(), parser.errorText()));
        return 2;
    }
    if (parser.isSet(help) || parser.isSet(helpAll)) {
        print(stdout, parser.helpText());
        return 0;
    }
    if (parser.isSet(version)) {
        print(stdout, QCoreApplication::applicationName() + QLatin1Char(' ') +
                          QCoreApplication::applicationVersion() + QLatin1Char('\n'));
        return 0;
    }
    if (!parser.positionalArguments().isEmpty()) {
        print(stderr, QStringLiteral("%1: unexpected argument '%2' (see %1 --help)\n")
                          .arg(QCoreApplication::applicationName(),
                               parser.positionalArguments().constFirst()));
        return 2;
    }
    return std::nullopt;
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
        print(stderr, DisplayCheck::noDisplayLine() + QLatin1Char('\n'));
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
