#pragma once

#include "canvas.h"
#include "core/steprunner.h"
#include "gridgeometry.h"
#include "gridwindow.h"

namespace gridorra {

// Draws the sheet the window's controls describe into the preview box: the
// top-left corner of the sheet. Runs guarded: every failing step
// is reported and the drawing goes on; the pointer and the progress bar are
// always reset at the end.
//
// Returns what it drew from; `failed` tells whether any step failed.
GridGeometry previewGraph(GridWindow& window, Canvas& box, int printerScaleMode,
                          ErrorReporter& reporter, bool* failed = nullptr);

} // namespace gridorra
