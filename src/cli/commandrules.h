#pragma once

// The options each command owns: how the command takes their values, and
// what it refuses of them together. The command line (commandline.cpp)
// lists every option once, in the order --help shows them, and hands each
// option's value to the rules of the command it belongs to.

#include "commandline.h"

#include <QString>

class QCommandLineParser;

namespace gridorra::rules {

// An option's value taken into the request: nothing, or why it is refused.
using Take = QString (*)(const QString& value, SheetRequest& sheet);

// --export and what only an export takes (exportcommand.cpp).
namespace exporting {
QString file(const QString& text, SheetRequest& sheet);
QString format(const QString& text, SheetRequest& sheet);
QString pageSize(const QString& text, SheetRequest& sheet);
QString margins(const QString& text, SheetRequest& sheet);
QString resolution(const QString& text, SheetRequest& sheet);
QString calibrated(const QString& text, SheetRequest& sheet);
QString twoUp(const QString& text, SheetRequest& sheet);
// Why an export's options make no file, else nothing. Its format follows
// the file's extension where --format (`formatGiven`) does not name it.
QString refusal(SheetRequest& sheet, bool formatGiven);
} // namespace exporting

// --print (printcommand.cpp): the copies are the window's sixth field.
namespace printing {
QString print(const QString& text, SheetRequest& sheet);
} // namespace printing

// --calibrate and --calibration (calibratecommand.cpp), which take
// --printer and their own options and nothing else (the command line
// refuses the rest): the request, or why not.
namespace calibrating {
QString read(const QCommandLineParser& parser, CalibrateRequest& calibrate);
} // namespace calibrating

} // namespace gridorra::rules
