#include "app/form1.h"
#include "app/guardedapplication.h"
#include "app/qtcolourdialog.h"
#include "app/qtmessageboxes.h"
#include "app/quitonfirstpaint.h"
#include "app/systemplatform.h"
#include "render/cupsprinters.h"
#include "settings/settingsstore.h"
#include "settings/userregistry.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("gridorra"));
    QCoreApplication::setApplicationVersion(QStringLiteral(GRIDORRA_VERSION));
    {
        // --help and --version answer without a display.
        QCoreApplication commandLine(argc, argv);
        QCommandLineParser options;
        options.setApplicationDescription(QStringLiteral(
            "Designs a sheet of graph paper and prints it.\n\n"
            "Every setting is kept in $XDG_CONFIG_HOME/Marnova.conf. A skin (a Qt style\n"
            "sheet) is read from x/o.cjs and the pointer over \"Start Printing\" from\n"
            "HAND-M.CUR, both beside the program file."));
        options.addHelpOption();
        options.addVersionOption();
        options.process(commandLine);
    }
    gridorra::GuardedApplication app(argc, argv);

    gridorra::QtMessageBoxes boxes;
    app.setBoxes(&boxes);
    gridorra::SettingsStore settings;
    gridorra::CupsPrinters printers;
    gridorra::SystemRandom random;
    gridorra::DesktopBrowser browser;
    gridorra::UserRegistry registry;
    gridorra::QtColourDialog colourDialog;
    const gridorra::Services services{
        boxes,   settings, printers,     random,
        browser, registry, colourDialog, QCoreApplication::applicationDirPath()};

    gridorra::Form1 form(services);
    boxes.setParentWindow(&form);
    colourDialog.setParentWindow(&form);
    form.Form_Load();
    form.show();
    // The start-up benchmark times a run that ends once the window is painted.
    gridorra::QuitOnFirstPaint quitter;
    if (qEnvironmentVariableIsSet("GRIDORRA_QUIT_WHEN_SHOWN"))
        form.installEventFilter(&quitter);
    const int status = app.exec();
    app.setBoxes(nullptr);
    return status;
}
