#pragma once

#include "commandline.h"

namespace gridorra {

// Draws the sheet of the stored settings, changed by the request's values,
// without a window and without a display: a PDF file of one copy
// (--export) or the copies on a printer (--print). Both go through the
// procedure of "Start Printing", its steps and labels; a step that fails is
// reported on standard error in the error report's words, and the sheet is
// drawn on. Returns the exit status: 0, 1 when a step failed or the file
// could not be written or the print service cannot be reached, 2 for a
// printer that does not exist or margins that leave no room.
int drawSheetWithoutWindow(char* program, const SheetRequest& request);

// Stores, removes or lists the printers' corrections (--calibrate,
// --calibration). Returns the exit status: 0; 1 when the print service
// cannot be reached; 2 for an unknown printer or a measurement that is no
// printer's stretch (more than 5% off).
int calibrateCommand(char* program, const CalibrateRequest& request);

} // namespace gridorra
