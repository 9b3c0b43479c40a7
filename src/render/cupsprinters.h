#pragma once

#include "printercanvas.h"
#include "printers.h"

#include <QPrinter>

class QPrinterInfo;

namespace gridorra {

// The printers of the system's print service (CUPS on Linux) as Qt lists them.
// One QPrinter serves for the whole run; making a printer current selects its
// queue with the queue's own default page size and resolution.
class CupsPrinters : public Printers {
public:
    CupsPrinters();

    // The queue's description when it has one, else the queue's name.
    static QString deviceName(const QPrinterInfo& info);

    QStringList deviceNames() const override;
    QString currentDeviceName() const override;
    void makeCurrent(int index) override;
    Canvas& canvas() override { return m_canvas; }
    void setJobTitle(const QString& title) override { m_canvas.setJobTitle(title); }

    QPrinter& printer() { return m_printer; }

private:
    void select(const QPrinterInfo& info);

    QPrinter m_printer{QPrinter::HighResolution};
    PrinterCanvas m_canvas{m_printer};
    QString m_queue; // the current printer's queue; empty without one
};

} // namespace gridorra
