#pragma once

#include "printers.h"
#include "printservice.h"

#include <QList>
#include <QSizeF>
#include <QStringList>

#include <memory>

class QPrinter;

namespace gridorra {

class PrinterCanvas;

// What setting a printer up on a queue found: the paper the print service
// puts the page on (none where the queue does not say), and the options of
// the instance or the user that asked for the sheet to be scaled, as
// NAME=VALUE, which the jobs override.
struct PrinterSetUp {
    QSizeF paper;
    QStringList scalingAsked;
};

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
        QString description;
        bool isDefault = false;
    };
    // Every queue and instance, in the order Qt lists them; which one is the
    // user's default only when asked. None when the print service cannot be
    // reached; `unreachable` then says why.
    static QList<Queue> queues(bool findDefault = false, ServiceFailure* unreachable = nullptr);
    // Gives each printer its DeviceName: the description, else the queue's
    // name; printers that share one get their queue's name in parentheses.
    static void nameDevices(QList<Queue>& list);
    // The printer a user means by `name`: its listed name ("Office Laser",
    // "Office Laser (Office/draft)"), its queue's name ("Office",
    // "Office/draft"), or its description where that names one queue (the
    // queue itself, not its instances). Where none is meant, or more than
    // one, -1 and the listed names that could be meant: those that hold
    // `name`, else every one when they are few.
    struct Match {
        int index = -1;
        bool ambiguous = false; // its description names more than one queue
        QStringList candidates;
    };
    static Match match(const QList<Queue>& list, const QString& name);
    // The instances ("QUEUE/INSTANCE") named in the lpoptions files.
    static QStringList lpoptionsInstances();
    // Sets the printer up on a queue: the queue's default paper and its
    // margins, and its default resolution (1200 dpi where it names none).
    // Every job asks for the sheet unscaled. Fails when the queue is gone,
    // or the print service does not answer.
    static PrinterSetUp setUp(QPrinter& printer, const QString& queue);
    // A job's options (names and values one after the other) with every
    // request to scale the page replaced by its value for none; those that
    // asked for scaling are added to `asked` as NAME=VALUE.
    static QStringList unscaled(const QStringList& options, QStringList* asked = nullptr);

    QStringList deviceNames() const override;
    void refresh() override { m_queues = queues(false); }
    QString currentDeviceName() const override;
    void makeCurrent(int index) override;
    int printerScaleMode() const override;
    Canvas& canvas() override;
    void setJobTitle(const QString& title) override;
    QString note(const QString& deviceName) const override;

    // The current queue's options that asked for scaling, which its jobs
    // override (see setUp).
    QStringList scalingAsked() const { return m_scalingAsked; }

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
    QStringList m_scalingAsked;
};

} // namespace gridorra
