#pragma once

#include "printers.h"
#include "printservice.h"

#include <QBuffer>
#include <QList>
#include <QMap>
#include <QPageLayout>
#include <QSizeF>
#include <QStringList>

#include <memory>

class QPdfWriter;

namespace gridorra {

class PdfCanvas;

// A job on a queue (or instance) as its print service sets it up: the page
// (the marked paper and its printable area, in points), the dots it is
// rendered at, the paper the service puts the page on (where the page is
// whole points and the paper is not), the media asked for, and every option
// of the instance or the user, with no scaling; those that asked for
// scaling as NAME=VALUE.
struct QueuePage {
    QPageLayout layout;
    int dpi = 0; // the document's resolution: the finer of the two below
    // The printer's dots per inch across and down, where the driver prints
    // at two (hpcups' 600 x 300, Gutenprint's 720 x 360); 0: as dpi.
    int dotsAcross = 0;
    int dotsDown = 0;
    // A PostScript printer (a PPD without CUPS filters): it renders the
    // page itself, its rows counted from the page's foot.
    bool postScript = false;
    QSizeF paper;
    QString media;
    bool twoSided = false; // the queue prints on both sides (long-edge binding)
    QStringList options;
    QStringList scalingAsked;
};

class CupsPrinters : public Printers {
public:
    // Why the queue refused this run's jobs (every later copy is kept
    // back), or empty while they leave.
    const QString& refusal() const { return m_refusal; }
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
    // Asked in `conversation` where one is given.
    static QList<Queue> queues(bool findDefault = false, ServiceFailure* unreachable = nullptr,
                               PrintService* conversation = nullptr);
    // The printers as a command just listed them in `conversation`: the
    // job goes on in that conversation, and its first refresh() takes this
    // list rather than asking again (a round trip less to a distant server).
    CupsPrinters(const QList<Queue>& listed, std::shared_ptr<PrintService> conversation);
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
    // How a job on the queue is set up (see QueuePage): from its PPD, else
    // from its attributes. Fails when the queue is gone, or the service does
    // not answer.
    static QueuePage pageOf(PrintService& service, const QString& queue);
    // A job's options (names and values one after the other) with every
    // request to scale the page replaced by its value for none; those that
    // asked for scaling are added to `asked` as NAME=VALUE.
    static QStringList unscaled(const QStringList& options, QStringList* asked = nullptr);

    QStringList deviceNames() const override;
    void refresh() override;
    QString currentDeviceName() const override;
    void makeCurrent(int index) override;
    int printerScaleMode() const override;
    Canvas& canvas() override;
    void setJobTitle(const QString& title) override;
    QString note(const QString& deviceName) const override;
    QString afterJob() override { return queueState(); }

    // The ids of the jobs handed over since the last refresh (one a copy).
    QList<int> jobIds() const;
    // Once jobs were handed over: what the scheduler then knows of the
    // queue that keeps them from printing ("Office is stopped: 2 jobs
    // wait", or that it holds them), else nothing. Kept for note().
    QString queueState();

    // The current queue's options that asked for scaling, which its jobs
    // override.
    QStringList scalingAsked() const { return m_page.scalingAsked; }
    // The current queue's page, once set up.
    const QueuePage& page() const { return m_page; }
    // The jobs printed on both sides, bound at the long edge, whatever the
    // queue's or the instance's default.
    void printTwoSided()
    {
        for (qsizetype i = 0; i + 1 < m_page.options.size();)
            if (m_page.options[i] == QStringLiteral("sides") ||
                m_page.options[i] == QStringLiteral("Duplex"))
                m_page.options.remove(i, 2);
            else
                i += 2;
        m_page.options << QStringLiteral("sides") << QStringLiteral("two-sided-long-edge");
    }

    // The current printer's canvas, set up on its queue.
    PdfCanvas& printerCanvas()
    {
        canvas();
        return *m_canvas;
    }

private:
    void select(const Queue& queue);
    PrintService& service();
    // Hands one copy's document to the current queue.
    void send(const QByteArray& pdf);

    std::shared_ptr<PrintService> m_service;
    bool m_listedJustNow = false; // m_queues is as fresh as a refresh would make it
    QBuffer m_document;
    std::unique_ptr<QPdfWriter> m_writer;
    std::unique_ptr<PdfCanvas> m_canvas;
    QString m_jobTitle;
    QList<Queue> m_queues;
    Queue m_current;           // empty name: none
    bool m_configured = false; // the printer is set up on m_current's queue
    QueuePage m_page;
    // Why the current queue refuses every job of this run, once it said so.
    QString m_refusal;
    struct HandedOver {
        int id = 0;
        bool held = false;
    };
    QList<HandedOver> m_jobs;        // the jobs this run handed over
    QMap<QString, QString> m_states; // what queueState() last said, by DeviceName
};

} // namespace gridorra
