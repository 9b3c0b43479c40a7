#pragma once

#include "core/steprunner.h"
#include "render/gridlines.h"
#include "render/gridwindow.h"

namespace gridorra {

class MessageBoxes;
class Printers;
class UserRegistry;

// What "Start Printing" works with.
struct PrintJobContext {
    GridWindow& window;
    Printers& printers;
    UserRegistry& registry;
    MessageBoxes& boxes;
    ErrorReporter& reporter;
    QString appTitle;
    bool& busy; // true while a job runs: a click then does nothing
};

// The device name of the companion PDF printer.
extern const QString companionPrinter;

// Prints the number of copies in Text6 of the sheet the controls describe, on
// the printer chosen in the list, one print job per copy, and ends with
// "Done.". Runs guarded: every failing step is reported and the job goes on;
// the pointer, the progress bar and the busy flag are always reset.
void printJob(PrintJobContext& job);

// The steps of the job that read the sheet from the controls and the
// printer's canvas, with the job's labels, and the labels of its lines.
void readPrintedGrid(StepRunner& run, const GridWindow& window, const Canvas& printer,
                     GridGeometry& g);

// Prepares the companion printer for a job: BypassSaveAs = "0" under
// "Software\Marnova PDF Writer". Failures pass silently.
void ClearBypassSaveAs(UserRegistry& registry);

} // namespace gridorra
