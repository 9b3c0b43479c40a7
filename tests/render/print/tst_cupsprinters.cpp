// What the printers of the print service are called and asked, without
// the service: the names a user may give, and the options of every job.
#include "render/print/cupsprinters.h"

#include <QtTest>

using namespace gridorra;

class TestCupsPrinters : public QObject {
    Q_OBJECT
private slots:
    // A queue with an instance, two queues of one description, and a queue
    // whose description is another's name.
    void aPrinterByAnyOfItsNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("queue");
        QTest::addColumn<QStringList>("candidates");
        const QStringList twins{"Twin (Twin_A)", "Twin (Twin_B)"};
        QTest::newRow("listed name") << "Office Laser (Office/draft)"
                                     << "Office/draft" << QStringList();
        QTest::newRow("queue name") << "Office"
                                    << "Office" << QStringList();
        QTest::newRow("instance name") << "Office/draft"
                                       << "Office/draft" << QStringList();
        QTest::newRow("a description of one queue is the queue") << "Office Laser"
                                                                 << "Office" << QStringList();
        QTest::newRow("a description of two queues") << "Twin"
                                                     << "" << twins;
        QTest::newRow("a listed name before a description") << "Lab"
                                                            << "Lab" << QStringList();
        QTest::newRow("a part of names") << "twin"
                                         << "" << twins;
        QTest::newRow("nothing like it") << "Nope"
                                         << ""
                                         << QStringList{"Office Laser (Office)",
                                                        "Office Laser (Office/draft)",
                                                        "Twin (Twin_A)",
                                                        "Twin (Twin_B)",
                                                        "Lab",
                                                        "Lab Printer"};
        QTest::newRow("letters' case counts")
            << "office"
            << "" << QStringList{"Office Laser (Office)", "Office Laser (Office/draft)"};
    }
    void aPrinterByAnyOfItsNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, queue);
        QFETCH(QStringList, candidates);
        QList<CupsPrinters::Queue> list = {{"Office", {}, "Office Laser"},
                                           {"Office/draft", {}, "Office Laser"},
                                           {"Twin_A", {}, "Twin"},
                                           {"Twin_B", {}, "Twin"},
                                           {"Lab", {}, ""},
                                           {"Lab_2", {}, "Lab Printer"}};
        for (auto& q : list)
            q.deviceName = q.description;
        CupsPrinters::nameDevices(list);
        const CupsPrinters::Match match = CupsPrinters::match(list, name);
        QCOMPARE(match.index < 0 ? QString() : list[match.index].name, queue);
        QCOMPARE(match.candidates, candidates);
        QCOMPARE(match.ambiguous, name == "Twin");
    }

    // Every job asks CUPS for the page unscaled; what the user's options
    // asked of scaling is overridden, and only an outright request is told.
    void jobsAreNeverScaled_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QStringList>("kept");
        QTest::addColumn<QStringList>("asked");
        QTest::newRow("none given") << QStringList() << QStringList() << QStringList();
        QTest::newRow("others kept")
            << QStringList{"sides", "two-sided-long-edge"}
            << QStringList{"sides", "two-sided-long-edge"} << QStringList();
        QTest::newRow("fit-to-page")
            << QStringList{"fit-to-page", "true", "media", "A4"} << QStringList{"media", "A4"}
            << QStringList{"fit-to-page=true"};
        QTest::newRow("print-scaling fill, scaling 90")
            << QStringList{"print-scaling", "fill", "scaling", "90"} << QStringList()
            << QStringList{"print-scaling=fill", "scaling=90"};
        QTest::newRow("already unscaled, or auto")
            << QStringList{"fitplot", "false", "natural-scaling", "100", "print-scaling", "auto"}
            << QStringList() << QStringList();
    }
    void jobsAreNeverScaled()
    {
        QFETCH(QStringList, options);
        QFETCH(QStringList, kept);
        QFETCH(QStringList, asked);
        QStringList said;
        const QStringList unscaled{"print-scaling",   "none",  "fit-to-page", "false",
                                   "fitplot",         "false", "scaling",     "100",
                                   "natural-scaling", "100"};
        QCOMPARE(CupsPrinters::unscaled(options, &said), kept + unscaled);
        QCOMPARE(said, asked);
    }
};

QTEST_GUILESS_MAIN(TestCupsPrinters)
#include "tst_cupsprinters.moc"
