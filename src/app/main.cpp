#include "app/commandline.h"
#include "app/form1.h"
#include "app/guardedapplication.h"
#include "app/qtcolourdialog.h"
#include "app/qtmessageboxes.h"
#include "app/quitonfirstpaint.h"
#include "app/sheetcommand.h"
#include "app/systemplatform.h"
#include "render/cupsprinters.h"
#include "settings/settingsstore.h"
#include "settings/userregistry.h"

#include <QApplication>

#include <optional>

int main(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("gridorra"));
    QCoreApplication::setApplicationVersion(QStringLiteral(GRIDORRA_VERSION));
    std::optional<gridorra::SheetRequest> sheet;
    {
        // The command line is read before any window exists: --help and
        // --version answer without a display.
        QCoreApplication commandLine(argc, argv);
        const gridorra::CommandLine line = gridorra::readCommandLine(QCoreApplication::arguments());
        if (line.exitNow)
            return *line.exitNow;
        if (line.sheet)
            sheet = line.sheet;
    }
    if (sheet)
        return gridorra::drawSheetWithoutWindow(argc, argv, *sheet);
    std::optional<gridorra::DisplayCheck> displayCheck(std::in_place);
    gridorra::GuardedApplication app(argc, argv);
    displayCheck.reset();

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
