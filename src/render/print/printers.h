#pragma once

#include <QString>
#include <QStringList>

namespace gridorra {

class Canvas;

// The installed printers and the current one. A printer's DeviceName is its
// human-readable name. Every operation may fail with a gridorra::Failure.
class Printers {
public:
    virtual ~Printers() = default;

    // DeviceName of every installed printer, in the platform's order, as
    // read when the program started or at the last refresh().
    virtual QStringList deviceNames() const = 0;
    // Reads the installed printers again.
    virtual void refresh() = 0;
    // DeviceName of the current printer (at start the default printer); empty
    // when there is none.
    virtual QString currentDeviceName() const = 0;
    // Makes the printer at this place of deviceNames() current, for the rest
    // of the run. Fails when that printer is gone.
    virtual void makeCurrent(int index) = 0;
    // The unit of the printer's canvas; always twips, and reading it never fails.
    virtual int printerScaleMode() const = 0;
    // The current printer as a canvas. Fails when the current printer cannot
    // be set up (its queue is gone).
    virtual Canvas& canvas() = 0;
    // The title of the print jobs sent from now on.
    virtual void setJobTitle(const QString& title) = 0;
    // After a job: what keeps its copies from printing, where the print
    // service tells (a stopped queue, jobs held), which note() then tells
    // too; else nothing. Never fails.
    virtual QString afterJob() { return {}; }
    // A word about the printer of that DeviceName for its tooltip: the
    // correction it prints with, where it has one. Never fails.
    virtual QString note(const QString& deviceName) const
    {
        Q_UNUSED(deviceName);
        return {};
    }
};

} // namespace gridorra
