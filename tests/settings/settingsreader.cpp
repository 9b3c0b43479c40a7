// Uses the settings store in a process of its own, as the next run of the
// program would.
//   settingsreader KEY         prints the key's text as hex ("absent" when
//                              the key does not exist)
//   settingsreader KEY TEXT    writes TEXT under KEY
#include "settings/settingsstore.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2 && argc != 3)
        return 2;
    gridorra::SettingsStore store;
    const QString key = QString::fromUtf8(argv[1]);
    if (argc == 3) {
        store.write(key, QString::fromUtf8(argv[2]));
        return 0;
    }
    const QString missing = QStringLiteral("\x01missing\x01");
    const QString value = store.read(key, missing);
    if (value == missing)
        std::puts("absent");
    else
        std::puts(value.toUtf8().toHex().constData());
    return 0;
}
