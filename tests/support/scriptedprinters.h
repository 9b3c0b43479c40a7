#pragma once

#include "core/failure.h"
#include "render/print/printers.h"
#include "support/recordingcanvas.h"

namespace gridorra::test {

// Printers read from a script: the list, the current printer, and failures
// while listing. Printing itself is tested against a real print service.
class ScriptedPrinters : public Printers {
public:
    QStringList names;
    QString current;
    bool failListing = false;
    bool failCurrentName = false;
    QList<int> madeCurrent;
    RecordingCanvas printerCanvas{11520, 14400};
    QString jobTitle;

    QStringList deviceNames() const override
    {
        if (failListing)
            throw Failure(fail::printerError);
        return names;
    }
    void refresh() override { ++refreshes; }
    int refreshes = 0;
    QString currentDeviceName() const override
    {
        if (failCurrentName)
            throw Failure(QStringLiteral("Printer driver not available"));
        return current;
    }
    void makeCurrent(int index) override
    {
        madeCurrent << index;
        current = names.at(index);
    }
    int printerScaleMode() const override { return printerCanvas.scaleMode(); }
    Canvas& canvas() override { return printerCanvas; }
    void setJobTitle(const QString& title) override { jobTitle = title; }
};

} // namespace gridorra::test
