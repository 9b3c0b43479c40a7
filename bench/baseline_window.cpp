// The cheapest Qt window to compare the program's start-up with: a fixed
// window of the same size whose combo box lists the printers.
#include "app/quitonfirstpaint.h"

#include <QApplication>
#include <QComboBox>
#include <QPrinterInfo>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setFixedSize(536, 306);
    QComboBox printers(&window);
    printers.setGeometry(16, 196, 488, 23);
    printers.addItems(QPrinterInfo::availablePrinterNames());
    window.show();
    gridorra::QuitOnFirstPaint quitter;
    if (qEnvironmentVariableIsSet("GRIDORRA_QUIT_WHEN_SHOWN"))
        window.installEventFilter(&quitter);
    return app.exec();
}
