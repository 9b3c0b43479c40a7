// Uses the settings store in a process of its own, as the next run of the
// program would.
//   settingsreader KEY         prints the key's text as hex ("absent" when
//                              the key does not exist)
//   settingsreader KEY TEXT    writes TEXT under KEY, and prints "done" or
//                              "cannot be written"
//   settingsreader --calibrate QUEUE ACROSS DOWN
//   settingsreader --uncalibrate QUEUE
//                              stores or removes a printer's correction, and
//                              prints "done" or why it could not
#include "settings/calibration.h"
#include "settings/settingsstore.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.value(0) == QStringLiteral("--calibrate") && args.size() == 4) {
        const QString problem =
            gridorra::Calibrations().store(args[1], {args[2].toDouble(), args[3].toDouble()});
        std::puts(problem.isEmpty() ? "done" : qPrintable(problem));
        return 0;
    }
    if (args.value(0) == QStringLiteral("--uncalibrate") && args.size() == 2) {
        QString problem;
        gridorra::Calibrations().remove(args[1], &problem);
        std::puts(problem.isEmpty() ? "done" : qPrintable(problem));
        return 0;
    }
    if (argc != 2 && argc != 3)
        return 2;
    gridorra::SettingsStore store;
    const QString key = QString::fromUtf8(argv[1]);
    if (argc == 3) {
        store.write(key, QString::fromUtf8(argv[2]));
        std::puts(store.lastWriteSucceeded() ? "done" : "cannot be written");
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
