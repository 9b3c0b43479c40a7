#pragma once

#include "commandline.h"

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

} // namespace gridorra
