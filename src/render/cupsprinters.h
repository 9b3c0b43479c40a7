#pragma once

#include "printers.h"
#include "printservice.h"

#include <QList>

#include <memory>

class QPrinter;

namespace gridorra {

class PrinterCanvas;

// The printers of the system's print service (CUPS on Linux), in the order
// the service lists them. The list comes from one request to the service, at
// start and at each refresh();
// the QPrinter that does the printing is made when the first job needs it and
// then serves for the whole run. Making a printer current selects its queue
// with the queue's own default page size and resolution.
class CupsPrinters : public Printers {
public:
    CupsPrinters();
    ~CupsPrinters() override;

    struct Queue {
        QString name;       // the queue's name, as QPrinter knows it; QUEUE/INSTANCE
                            // for an instance the user defined
        QString deviceName; // the description when it has one, else the name
        bool isDefault = false;
    };
    // Every queue and instance, in the order Qt lists them; which one is the
    // user's default only when asked. None when the print service cannot be
    // reached; `unreachable` then says why.
    static QList<Queue> queues(bool findDefault = false, ServiceFailure* unreachable = nullptr);
    // Gives each printer its DeviceName: the description, else the queue's
    // name; printers that share one get their queue's name in parentheses.
    static void nameDevices(QList<Queue>& list);
    // The instances ("QUEUE/INSTANCE") named in the lpoptions files.
    static QStringList lpoptionsInstances();
    // Sets the printer up on a queue: the queue's default paper and its
    // margins, and its default resolution (1200 dpi where it names none).
    // Fails when the queue is gone, or the print service does not answer.
    static void setUp(QPrinter& printer, const QString& queue);

    QStringList deviceNames() const override;
    void refresh() override { m_queues = queues(false); }
    QString currentDeviceName() const override;
    void makeCurrent(int index) override;
    int printerScaleMode() const override;
    Canvas& canvas() override;
    void setJobTitle(const QString& title) override;

    // The printer that prints, made on first use.
    QPrinter& printer();
    // The current printer's canvas, set up on its queue.
    PrinterCanvas& printerCanvas()
    {
        canvas();
        return *m_canvas;
    }

private:
    void select(const Queue& queue);

    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<PrinterCanvas> m_canvas;
    QString m_jobTitle;
    QList<Queue> m_queues;
    Queue m_current;           // empty name: none
    bool m_configured = false; // the printer is set up on m_current's queue
};

} // namespace gridorra
