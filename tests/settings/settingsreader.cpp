// Reads one key of the settings store in a process of its own, as the next
// run of the program would, and prints its text as hex ("absent" when the
// key does not exist). Usage: settingsreader KEY
#include "settings/settingsstore.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 2;
    const QString missing = QStringLiteral("\x01missing\x01");
    const QString value = gridorra::SettingsStore().read(QString::fromUtf8(argv[1]), missing);
    if (value == missing)
        std::puts("absent");
    else
        std::puts(value.toUtf8().toHex().constData());
    return 0;
}
