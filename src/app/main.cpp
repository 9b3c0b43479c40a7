#include "app/displaycheck.h"
#include "app/form1.h"
#include "app/guardedapplication.h"
#include "app/qtcolourdialog.h"
#include "app/qtmessageboxes.h"
#include "app/qtpassworddialog.h"
#include "app/quitonfirstpaint.h"
#include "app/systemplatform.h"
#include "cli/commandline.h"
#include "cli/sheetcommand.h"
#include "cli/terminalpassword.h"
#include "core/product.h"
#include "render/print/cupsprinters.h"
#include "render/print/passwords.h"
#include "settings/settingsstore.h"
#include "settings/userregistry.h"

#include <QApplication>

#include <cerrno>
#include <cstdlib>
#include <optional>

#include "cli/standardoutput.h"

#ifdef Q_OS_UNIX
#include <fcntl.h>
#endif

namespace {

// A program started with standard input, output or error closed would hand
// those numbers to the next files it opens, and a report line would land in
// a document. They are held open on /dev/null instead.
void holdStandardDescriptors()
{
#ifdef Q_OS_UNIX
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        if (fd == 1)
            gridorra::standardOutput::noteClosed();
        if (::open("/dev/null", O_RDWR) != fd)
            std::_Exit(1);
    }
#endif
}

} // namespace

int main(int argc, char* argv[])
{
    holdStandardDescriptors();
    QCoreApplication::setApplicationName(QStringLiteral("gridorra"));
    QCoreApplication::setApplicationVersion(QStringLiteral(GRIDORRA_VERSION));
    std::optional<gridorra::SheetRequest> sheet;
    std::optional<gridorra::CalibrateRequest> calibrate;
    {
        // The command line is read before any window exists: --help and
        // --version answer without a display.
        QCoreApplication commandLine(argc, argv);
        const gridorra::CommandLine line = gridorra::readCommandLine(QCoreApplication::arguments());
        if (line.exitNow)
            return *line.exitNow;
        sheet = line.sheet;
        calibrate = line.calibrate;
    }
    if (calibrate || sheet) {
        // A print server's password is asked on the terminal, as lp asks it.
        gridorra::TerminalPassword terminal;
        gridorra::passwords::setPrompt(&terminal);
        const int status = calibrate ? gridorra::calibrateCommand(argv[0], *calibrate)
                                     : gridorra::drawSheetWithoutWindow(argv[0], *sheet);
        gridorra::passwords::setPrompt(nullptr);
        return status;
    }
    // The desktop ties the window to its launcher and icon by this name.
    QGuiApplication::setDesktopFileName(gridorra::product::desktopId);
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

    gridorra::QtPasswordDialog passwordDialog;
    gridorra::passwords::setPrompt(&passwordDialog);

    gridorra::Form1 form(services);
    boxes.setParentWindow(&form);
    colourDialog.setParentWindow(&form);
    passwordDialog.setParentWindow(&form);
    form.Form_Load();
    form.show();
    // The start-up benchmark times a run that ends once the window is painted.
    gridorra::QuitOnFirstPaint quitter;
    if (qEnvironmentVariableIsSet("GRIDORRA_QUIT_WHEN_SHOWN"))
        form.installEventFilter(&quitter);
    const int status = app.exec();
    app.setBoxes(nullptr);
    gridorra::passwords::setPrompt(nullptr);
    return status;
}
