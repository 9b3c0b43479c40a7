#include "app/form1.h"
#include "app/qtmessageboxes.h"
#include "app/systemplatform.h"
#include "render/cupsprinters.h"
#include "settings/settingsstore.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);

    gridorra::QtMessageBoxes boxes;
    gridorra::SettingsStore settings;
    gridorra::CupsPrinters printers;
    gridorra::SystemRandom random;
    gridorra::DesktopBrowser browser;
    const gridorra::Services services{boxes,  settings, printers,
                                      random, browser,  QCoreApplication::applicationDirPath()};

    gridorra::Form1 form(services);
    boxes.setParentWindow(&form);
    form.Form_Load();
    printers.setJobTitle(form.appTitle());
    form.show();
    return app.exec();
}
