#pragma once

#include "commandline.h"
#include "render/calibrationsheet.h"

#include <QStringList>

#include <functional>

namespace gridorra {

// Draws the sheet of the stored settings, changed by the request's values,
// without a window and without a display: a file of one copy (--export: a
// PDF, an SVG or a PNG, a PDF notebook of --pages) or the copies on a
// printer (--print), of the window's grid, of another kind of paper, or the
// calibration sheet. The window's grid goes through the procedure of
// "Start Printing", its steps and labels; a step that fails is reported on
// standard error in the error report's words, and the sheet is drawn on.
// Returns the exit status: 0, 1 when a step failed or the file could not be
// written or the print service cannot be reached, 2 for a printer that does
// not exist, margins that leave no room, or values that make no sheet.
int drawSheetWithoutWindow(char* program, const SheetRequest& request);

// Stores, removes or lists the printers' corrections (--calibrate,
// --calibration). Returns the exit status: 0; 1 when the print service
// cannot be reached; 2 for an unknown printer or a measurement that is no
// printer's stretch (more than 5% off).
int calibrateCommand(char* program, const CalibrateRequest& request);

// A command run inside the program, as the window's menu runs the export,
// the print of a kind of paper and the calibration: what it would write to
// standard error (a line each) and to standard output, collected here, and
// its progress (0 to 100, as a copy starts) where asked.
struct CommandStreams {
    QStringList errors;
    QString out;
    std::function<void(double)> progress;
    // What the command said on standard error, a line each, without the
    // program's name before each: the words a window shows in a box.
    QString said() const
    {
        QStringList lines;
        for (const QString& line : errors)
            lines << line.section(QStringLiteral(": "), 1);
        return lines.join(QLatin1Char('\n'));
    }
};
// The command line of a run without a window (--export, --print,
// --calibrate, --calibration), read and run in this process with its
// streams passed in: the status the program would end with. (--help and
// --version answer on the process's own standard output.)
int runCommand(const QStringList& arguments, CommandStreams& streams);
// drawSheetWithoutWindow and calibrateCommand with their streams passed in,
// on the program's own application object.
int drawSheet(const SheetRequest& request, CommandStreams& streams);
int calibrate(const CalibrateRequest& request, CommandStreams& streams);
// The rulers of the printer's calibration sheet, as --calibrate measures
// them; nothing, and why in `streams`, where the printer gives no page.
std::optional<calibration::Lengths> calibrationLengths(const QString& printer,
                                                       CommandStreams& streams);

} // namespace gridorra
