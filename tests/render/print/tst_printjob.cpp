#include "app/calibratedialog.h"
#include "app/form1.h"
#include "app/kinddialog.h"
#include "app/progressbar.h"
#include "app/pushbutton.h"
#include "app/windowmenu.h"
#include "core/colour.h"
#include "panel/numericfield.h"
#include "render/calibrationsheet.h"
#include "render/mousepointer.h"
#include "render/print/cupsprinters.h"
#include "settings/userregistry.h"
#include "support/cupsqueues.h"
#include "support/formfixture.h"
#include "support/pdfraster.h"
#include "support/pinlocale.h"
#include "support/programrun.h"
#include "support/silentsocket.h"
#include "support/testservices.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSettings>
#include <QtTest>

#include <cups/cups.h>

using namespace gridorra;
using namespace gridorra::test;

namespace {

int pagesOf(const QString& pdf)
{
    QProcess p;
    p.start("pdfinfo", {pdf});
    p.waitForFinished(30000);
    for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split('\n'))
        if (line.startsWith("Pages:"))
            return line.section(':', 1).trimmed().toInt();
    return -1;
}

// The lines of a sheet at 600 dpi: centres and widths of the dark runs
// along a row and down a column 200 twips into a Letter queue's printable area.
QList<QPair<int, int>> linesOf(const QString& pdf)
{
    const int dpi = 600, left = 150, top = 300;
    QList<QPair<int, int>> out =
        darkRunsInRow(rasterisePdf(pdf, dpi, QRect(0, top + 200 * dpi / 1440, 5100, 1)), 0);
    const QImage column = rasterisePdf(pdf, dpi, QRect(left + 200 * dpi / 1440, 0, 1, 6600))
                              .transformed(QTransform().rotate(90));
    out += darkRunsInRow(column, 0);
    return out;
}

} // namespace

class TestPrintJob : public QObject, public test::FormFixture {
    Q_OBJECT
private:
    std::unique_ptr<CupsPrinters> printers;
    QList<double> progress;

    QList<RecordingBoxes::Box>& boxes() { return services->boxes.boxes; }

    void start(const QString& printer = QString())
    {
        services = std::make_unique<TestServices>();
        services->random.value = 0.5f;
        printers = std::make_unique<CupsPrinters>();
        form = std::make_unique<Form1>(services->services(*printers));
        form->Form_Load();
        QVERIFY2(boxes().isEmpty(), qPrintable(services->boxes.said().join(" | ")));
        if (!printer.isEmpty())
            form->combo1()->setCurrentText(printer);
        progress.clear();
        connect(form->progressBar1(), &ProgressBar::valueChanged, this,
                [this](double v) { progress << v; });
    }

    // Prints and waits for the scheduler to finish; the new jobs.
    QList<QPair<int, QString>> print()
    {
        const int before = CupsQueues::lastJob();
        form->pushButton2()->click();
        if (!CupsQueues::waitUntilIdle())
            qWarning("jobs still pending");
        return CupsQueues::jobsAfter(before);
    }

private slots:
    void initTestCase()
    {
        pinLocale();
        QVERIFY2(CupsQueues::available(), "the private CUPS scheduler is not running");
    }

    void init() { config.clear(); }

    void cleanup()
    {
        form.reset();
        printers.reset();
        services.reset();
    }

    void theListShowsEveryQueueWithTheDefaultChosen()
    {
        start();
        QStringList listed;
        for (int i = 0; i < form->combo1()->count(); ++i)
            listed << form->combo1()->itemText(i);
        QCOMPARE(listed, QStringList({"lab printer", "Lab Printer", "Marnova PDF Writer", "Office",
                                      "US Letter Printer"}));
        QCOMPARE(form->combo1()->currentText(), QString("Office"));
    }

    void threeCopiesAreThreeJobsOfOnePage()
    {
        start("Lab Printer");
        form->textField(6)->setText("3");
        const auto jobs = print();
        QCOMPARE(jobs.size(), 3);
        for (const auto& [id, queue] : jobs) {
            QCOMPARE(queue, QString("Lab_Upper"));
            QCOMPARE(pagesOf(CupsQueues::documentOf(id)), 1);
            // Each job carries the application title as its name.
            QVERIFY(CupsQueues::controlOf(id).contains("Gridorra"));
        }
        QCOMPARE(progress.size(), 4);
        QCOMPARE(progress[0], 1.0 / 3 * 100);
        QCOMPARE(progress[1], 2.0 / 3 * 100);
        QCOMPARE(progress[2], 100.0);
        QCOMPARE(progress[3], 0.0);
        QCOMPARE(form->progressBar1()->value(), 0.0);
        QCOMPARE(form->progressBar1()->text(), QString("Progress Bar"));
        QCOMPARE(form->mousePointer(), pointer::normal);
        QVERIFY(!QGuiApplication::overrideCursor());
        QVERIFY(!form->printBusy());
        QCOMPARE(services->boxes.said(), QStringList({"Done."}));
        QCOMPARE(boxes()[0].title, QString("Gridorra"));
        QCOMPARE(boxes()[0].icon, MessageBoxes::Icon::None);
    }

    void copies_data()
    {
        QTest::addColumn<QString>("copies");
        QTest::addColumn<int>("jobs");
        QTest::addColumn<QStringList>("said");
        QTest::newRow("0 prints one") << "0" << 1 << QStringList({"Done."});
        QTest::newRow("-1 prints none") << "-1" << 0 << QStringList({"Done."});
        QTest::newRow("empty") << "" << 1 << QStringList({"150", "Done."});
        QTest::newRow("letters") << "abc" << 1 << QStringList({"150", "Done."});
    }
    void copies()
    {
        QFETCH(QString, copies);
        QFETCH(int, jobs);
        QFETCH(QStringList, said);
        start();
        form->textField(6)->setText(copies);
        QCOMPARE(print().size(), jobs);
        QCOMPARE(services->boxes.said(), said);
        QVERIFY(!form->printBusy());
    }

    void aClickWhileAJobRunsDoesNothing()
    {
        start();
        int clicksDuringJob = 0;
        services->boxes.onShow = [&](const RecordingBoxes::Box& box) {
            if (box.text == "Done." && clicksDuringJob++ == 0) {
                QVERIFY(form->printBusy());
                form->pushButton2()->click();
            }
        };
        QCOMPARE(print().size(), 1);
        QCOMPARE(services->boxes.said(), QStringList({"Done."}));
        QVERIFY(!form->printBusy());
    }

    void sheetGeometry_data()
    {
        QTest::addColumn<QString>("printer");
        QTest::addColumn<QSizeF>("page");
        QTest::newRow("A4 queue") << "Office" << QSizeF(595, 842);
        QTest::newRow("Letter queue") << "US Letter Printer" << QSizeF(612, 792);
    }
    void sheetGeometry()
    {
        QFETCH(QString, printer);
        QFETCH(QSizeF, page);
        start(printer);
        const auto jobs = print();
        QCOMPARE(jobs.size(), 1);
        const QString pdf = config.path() + "/sheet.pdf";
        QFile::remove(pdf);
        QVERIFY(QFile::copy(CupsQueues::documentOf(jobs[0].first), pdf));
        QCOMPARE(pdfPageSize(pdf), page);

        // The queue prints at 600 dpi with margins of 18 points at the sides
        // and 36 at top and bottom: render at 600 dpi, a dot per pixel.
        const int dpi = 600, left = 150, top = 300;
        const int width = int(page.width() / 72 * dpi), height = int(page.height() / 72 * dpi);
        const auto expectedAt = [&](int k) { return (4 + 144 * k) * dpi / 1440.0; };

        // Along a row 200 twips into the printable area: every vertical line.
        const QImage row = rasterisePdf(pdf, dpi, QRect(0, top + 200 * dpi / 1440, width, 1));
        QVERIFY(!row.isNull());
        const auto vertical = darkRunCentres(row);
        const int printableWidth = width - 2 * left;
        int count = 0;
        while (expectedAt(count) <= printableWidth)
            ++count;
        QCOMPARE(vertical.size(), count);
        for (int k = 0; k < count; ++k)
            QVERIFY2(qAbs(vertical[k] - left - expectedAt(k)) <= 1.0,
                     qPrintable(QString("vertical line %1 at %2 dots, expected %3")
                                    .arg(k)
                                    .arg(vertical[k] - left)
                                    .arg(expectedAt(k))));
        // Wide lines are 4 dots, the others 1.
        const auto runs = darkRunsInRow(row, 0);
        for (int k = 0; k < count; ++k) {
            const int w = runs[k].second - runs[k].first + 1;
            QVERIFY2(k % 10 == 0 ? (w >= 4 && w <= 5) : (w >= 1 && w <= 2),
                     qPrintable(QString("line %1 is %2 dots wide").arg(k).arg(w)));
        }

        // Down a column 200 twips in: every horizontal line, down to the
        // printable area's bottom edge.
        QImage column = rasterisePdf(pdf, dpi, QRect(left + 200 * dpi / 1440, 0, 1, height));
        QVERIFY(!column.isNull());
        column = column.transformed(QTransform().rotate(90));
        auto horizontal = darkRunCentres(column);
        std::reverse(horizontal.begin(), horizontal.end());
        for (double& y : horizontal)
            y = height - y;
        const int printableHeight = height - 2 * top;
        count = 0;
        while (expectedAt(count) <= printableHeight)
            ++count;
        QCOMPARE(horizontal.size(), count);
        for (int k = 0; k < count; ++k)
            QVERIFY2(qAbs(horizontal[k] - top - expectedAt(k)) <= 1.0,
                     qPrintable(QString("horizontal line %1 at %2 dots, expected %3")
                                    .arg(k)
                                    .arg(horizontal[k] - top)
                                    .arg(expectedAt(k))));
    }

    // The extent is the printable area to the twip: on Letter with margins of
    // 12 points, 11760 x 15360 twips. At 64 lines per inch (22 twips) the last
    // horizontal line lies exactly on the bottom edge, at 780 points, and the
    // lines reach the right edge at 600 points.
    void linesReachThePrintableAreasEdges()
    {
        QFile generic(CupsQueues::genericPpd());
        QVERIFY(generic.open(QIODevice::ReadOnly));
        QByteArray ppd = generic.readAll();
        const QByteArray area = "*ImageableArea Letter/Letter: \"18 36 594 756\"";
        QVERIFY(ppd.contains(area));
        ppd.replace(area, "*ImageableArea Letter/Letter: \"12 12 600 780\"");
        const QString ppdFile = config.path() + "/tight.ppd";
        QFile tight(ppdFile);
        QVERIFY(tight.open(QIODevice::WriteOnly));
        tight.write(ppd);
        tight.close();
        CupsQueues::addQueue("Tight", "Tight Margins", ppdFile, {"-o", "PageSize=Letter"});
        const auto removeQueue = qScopeGuard([] { CupsQueues::removeQueue("Tight"); });
        start("Tight Margins");
        form->textField(1)->setText("64");
        form->textField(2)->setText("64");
        const auto jobs = print();
        QCOMPARE(jobs.size(), 1);
        const QString pdf = config.path() + "/tight.pdf";
        QFile::remove(pdf);
        QVERIFY(QFile::copy(CupsQueues::documentOf(jobs[0].first), pdf));
        QCOMPARE(pdfPageSize(pdf), QSizeF(612, 792));

        const int dpi = 600; // 100 dots to the margin, 6600 down the page
        // Down a column between the first two vertical lines: the last
        // horizontal line is centred on 780 points.
        QImage column = rasterisePdf(pdf, dpi, QRect(100 + 6, 0, 1, 6600));
        QVERIFY(!column.isNull());
        column = column.transformed(QTransform().rotate(90));
        const auto across = darkRunsInRow(column, 0);
        QVERIFY(!across.isEmpty());
        const double lastFromTop = 6600 - (across.first().first + across.first().second + 1) / 2.0;
        QVERIFY2(qAbs(lastFromTop - 6500) <= 1.0, qPrintable(QString::number(lastFromTop)));
        // Along the first horizontal line (4 dots wide from 101.7): dark to 600 points.
        const QImage row = rasterisePdf(pdf, dpi, QRect(0, 102, 5100, 1));
        const auto along = darkRunsInRow(row, 0);
        QVERIFY(!along.isEmpty());
        QVERIFY2(qAbs(along.last().second + 1 - 5000) <= 1,
                 qPrintable(QString::number(along.last().second + 1)));
    }

    // A queue whose default print quality is High renders at High's 600 dpi
    // though it names 300 as its default resolution: the pens are drawn for
    // 600, a thin line 1 dot and a wide one 4.
    void thePensAreForTheResolutionThatPrints()
    {
        QFile generic(CupsQueues::genericPpd());
        QVERIFY(generic.open(QIODevice::ReadOnly));
        QByteArray ppd =
            generic.readAll().replace("*DefaultResolution: 600dpi", "*DefaultResolution: 300dpi");
        ppd += "*OpenUI *cupsPrintQuality/Print Quality: PickOne\n"
               "*OrderDependency: 10 AnySetup *cupsPrintQuality\n"
               "*DefaultcupsPrintQuality: High\n"
               "*cupsPrintQuality Normal/Normal: \"<</HWResolution[300 300]>>setpagedevice\"\n"
               "*cupsPrintQuality High/High: \"<</HWResolution[600 600]>>setpagedevice\"\n"
               "*CloseUI: *cupsPrintQuality\n";
        QFile file(config.path() + "/high.ppd");
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(ppd) == ppd.size());
        file.close();
        CupsQueues::addQueue("High_Quality", "High Quality Printer", file.fileName());
        const auto restore = qScopeGuard([] { CupsQueues::removeQueue("High_Quality"); });
        start("High Quality Printer");
        const auto jobs = print();
        QCOMPARE(jobs.size(), 1);
        const Runs runs = darkRunsInRow(
            rasterisePdf(CupsQueues::documentOf(jobs[0].first), 600, QRect(0, 1000, 1200, 1)), 0);
        QVERIFY(runs.size() > 2);
        const int wide = runs[0].second - runs[0].first + 1;
        const int thin = runs[1].second - runs[1].first + 1;
        QVERIFY2(wide >= 4 && wide <= 5 && thin >= 1 && thin <= 2,
                 qPrintable(QString("wide %1, thin %2 dots").arg(wide).arg(thin)));
    }

    // A driver that prints at two resolutions (hpcups' Normal quality at
    // 600 x 300, Gutenprint's Standard at 720 x 360), and PostScript
    // printers on A4: every pen is whole
    // dots of the axis it lies across, and the lines are a tenth of an inch
    // apart on both, measured in the CUPS raster the driver receives
    // (CUPS's filters run on the job's document with the queue's PPD).
    void driversPrintAtTheirResolution_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("thickness");
        QTest::addColumn<QSize>("dots");
        QTest::addColumn<int>("thin");
        QTest::addColumn<int>("wide");
        QTest::addColumn<QStringList>("kind"); // none: the window's grid
        const QString hp = "drv:///hpcups.drv/hp-deskjet_1000_j110_series.ppd";
        const QString epson = "gutenprint.5.3://escp2-artisan50/expert";
        QTest::newRow("hpcups, thickness 1")
            << hp << "1" << QSize(600, 300) << 1 << 4 << QStringList();
        QTest::newRow("hpcups, thickness 2")
            << hp << "2" << QSize(600, 300) << 2 << 5 << QStringList();
        // The kinds of paper place their marks on the same dots.
        QTest::newRow("hpcups, the grid of exact lengths")
            << hp << "2" << QSize(600, 300) << 2 << 5 << QStringList{"--exact-lengths"};
        QTest::newRow("Gutenprint, thickness 2")
            << epson << "2" << QSize(720, 360) << 2 << 5 << QStringList();
        // PostScript printers on A4 (842 points, not whole dots), the
        // PostScript rendered by Ghostscript, rows from the page's foot.
        const QString kyocera =
            "openprinting-ppds:0/ppd/openprinting/Kyocera/en/Kyocera_FS-3900DN_en.ppd";
        const QString brother = "openprinting-ppds:0/ppd/openprinting/Brother/BR2600CN_GPL.ppd";
        QTest::newRow("Kyocera PostScript, A4, thickness 2")
            << kyocera << "2" << QSize(600, 600) << 2 << 5 << QStringList();
        QTest::newRow("Brother PostScript, A4, thickness 4")
            << brother << "4" << QSize(600, 600) << 4 << 8 << QStringList();
    }
    void driversPrintAtTheirResolution()
    {
        QFETCH(QString, model);
        QFETCH(QString, thickness);
        QFETCH(QSize, dots);
        QFETCH(int, thin);
        QFETCH(int, wide);
        QFETCH(QStringList, kind);
        CupsQueues::run("lpadmin", {"-p", "Driver", "-D", "Driver Printer", "-E", "-v",
                                    "file:///dev/null", "-m", model});
        const bool postScript = model.startsWith("openprinting-ppds");
        if (postScript)
            CupsQueues::run("lpadmin", {"-p", "Driver", "-o", "PageSize=A4"});
        const auto restore = qScopeGuard([] { CupsQueues::removeQueue("Driver"); });
        const QString ppd = CupsQueues::dir() + "/etc/ppd/Driver.ppd";
        QVERIFY2(QFile::exists(ppd), qPrintable(model));
        const int before = CupsQueues::lastJob();
        const QProcessEnvironment env = withoutDisplay(QProcessEnvironment::systemEnvironment());
        const ProgramRun run =
            runProgram(QStringList{"--print", "--printer", "Driver", "--thickness", thickness,
                                   "--wide-down", "5", "--wide-across", "5"} +
                           kind,
                       env);
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QVERIFY(CupsQueues::waitUntilIdle());
        const auto jobs = CupsQueues::jobsAfter(before);
        QCOMPARE(jobs.size(), 1);
        QTemporaryDir work;
        QProcess filter;
        filter.setStandardOutputFile(work.filePath("raster"));
        filter.start("cupsfilter", {"-p", ppd, "-m",
                                    postScript ? "application/vnd.cups-postscript"
                                               : "application/vnd.cups-raster",
                                    CupsQueues::documentOf(jobs[0].first)});
        QVERIFY(filter.waitForFinished(60000) && filter.exitCode() == 0);
        QProcess decode;
        if (postScript) // as the printer renders it
            decode.start("gs",
                         {"-q", "-dSAFER", "-dNOPAUSE", "-dBATCH", "-sDEVICE=pgmraw", "-r600",
                          "-sOutputFile=" + work.filePath("page.pgm"), work.filePath("raster")});
        else
            decode.start("python3", {QStringLiteral(CUPS_TESTS) + "/pwg-runs.py",
                                     work.filePath("raster"), "--pgm", work.filePath("page.pgm")});
        QVERIFY(decode.waitForFinished(60000) && decode.exitCode() == 0);
        QImageReader::setAllocationLimit(512);
        const QImage page(work.filePath("page.pgm"));
        QVERIFY(!page.isNull());
        // A row and a column inside the sheet, clear of the lines.
        const int y = page.height() / 2 + dots.height() / 20,
                  x = page.width() / 2 + dots.width() / 20;
        const Runs across =
            runsWhere(page.width(), [&](int i) { return qGray(page.pixel(i, y)) < 128; });
        const Runs down =
            runsWhere(page.height(), [&](int i) { return qGray(page.pixel(x, i)) < 128; });
        for (const auto& [runs, perInch] :
             {std::pair{across, dots.width()}, std::pair{down, dots.height()}}) {
            QVERIFY(runs.size() > 10);
            const double step = perInch / 10.0;
            const double first = (runs[0].first + runs[0].second + 1) / 2.0;
            QStringList off;
            for (qsizetype i = 0; i < runs.size(); ++i) {
                const int width = runs[i].second - runs[i].first + 1;
                const double centre = (runs[i].first + runs[i].second + 1) / 2.0;
                // Which lines are wide depends on where the row starts; a
                // line the raster's edge cuts is not measured.
                if (runs[i].first == 0)
                    continue;
                if ((width != thin && width != wide) || std::abs(centre - first - i * step) > 1.0)
                    off << QString("%1 at %2").arg(width).arg(centre);
            }
            QVERIFY2(off.isEmpty(),
                     qPrintable(QString("%1 dpi: %2").arg(perInch).arg(off.join(", "))));
        }
    }

    // A printer calibrated from its sheet prints every later sheet with its
    // correction, from the window and from --print: the steps scaled, the
    // widths as they were. Other printers print as before.
    void aCalibratedPrinterPrintsTrue()
    {
        const QProcessEnvironment env = withoutDisplay(QProcessEnvironment::systemEnvironment());
        const auto restore = qScopeGuard([&] {
            runProgram({"--calibrate", "--printer", "US_Letter", "--reset"}, env);
        });
        // Letter with margins of 18 and 36 points: rulers of 180 and 210 mm.
        const calibration::Lengths lengths = calibration::lengthsFor(QSizeF(576, 720) / 72 * 25.4);
        const double across = 180.0 / 179.1, down = 250.0 / 251.0;
        const QString acrossText = QString::number(lengths.acrossMm / across, 'f', 4) + "mm";
        const QString downText = QString::number(lengths.downMm / down, 'f', 4) + "mm";
        // A measurement 6% off is a mistake: refused, nothing stored.
        QCOMPARE(runProgram({"--calibrate", "--printer", "US Letter Printer", "--across", "170mm",
                             "--down", downText},
                            env)
                     .status,
                 2);
        const ProgramRun stored = runProgram({"--calibrate", "--printer", "US Letter Printer",
                                              "--across", acrossText, "--down", downText},
                                             env);
        QCOMPARE(stored.status, 0);
        QCOMPARE(stored.out,
                 QString("US Letter Printer: across \u00d71.0050, down \u00d70.9960\n"));
        QCOMPARE(runProgram({"--calibration"}, env).out,
                 QString("US_Letter: across \u00d71.0050, down \u00d70.9960\n"));

        // Mean steps over the page, in dots, across and down.
        const auto steps = [](const QString& pdf) {
            const auto mean = [](QList<double> c) {
                return c.size() < 2 ? 0.0 : (c.last() - c.first()) / (c.size() - 1);
            };
            const QImage row = rasterisePdf(pdf, 600, QRect(0, 500, 5100, 1));
            const QImage column =
                rasterisePdf(pdf, 600, QRect(300, 0, 1, 6600)).transformed(QTransform().rotate(90));
            const Runs widths = darkRunsInRow(row, 0);
            const Runs down = darkRunsInRow(column, 0);
            return std::tuple{mean(darkRunCentres(row)), mean(darkRunCentres(column)),
                              widths[0].second - widths[0].first + 1,
                              widths[1].second - widths[1].first + 1,
                              QPoint(widths.last().second, down.last().second)};
        };
        // Letter's printable area at 600 dpi ends 18 points (150 dots) from
        // the right edge and 36 (300 dots) from the foot: a correction that
        // stretches places leaves out the lines that would pass it.
        const QPoint areaEnd(5100 - 150, 6600 - 300);
        // The sheet itself is a job of one page a copy, never corrected.
        int before = CupsQueues::lastJob();
        QCOMPARE(
            runProgram({"--calibration-sheet", "--printer", "US Letter Printer", "--copies", "3"},
                       env)
                .status,
            0);
        QVERIFY(CupsQueues::waitUntilIdle());
        const auto sheet = CupsQueues::jobsAfter(before);
        QCOMPARE(sheet.size(), 3);
        for (const auto& job : sheet)
            QCOMPARE(pagesOf(CupsQueues::documentOf(job.first)), 1);

        // The window tells which printer is calibrated, where nothing shows
        // at rest.
        start("US Letter Printer");
        const QString note("Calibrated: across \u00d71.0050, down \u00d70.9960");
        QCOMPARE(form->combo1()->toolTip(), note);
        QCOMPARE(form->combo1()->accessibleDescription(), note);
        before = CupsQueues::lastJob();
        QCOMPARE(runProgram({"--print", "--printer", "US_Letter"}, env).status, 0);
        QVERIFY(CupsQueues::waitUntilIdle());
        const QString fromPrint = CupsQueues::documentOf(CupsQueues::jobsAfter(before)[0].first);
        for (const QString& pdf : {CupsQueues::documentOf(print()[0].first), fromPrint}) {
            const auto [x, y, wide, thin, last] = steps(pdf);
            QVERIFY2(qAbs(x / (60 * across) - 1) < 0.0005 && qAbs(y / (60 * down) - 1) < 0.0005,
                     qPrintable(QString("steps %1 and %2 dots").arg(x).arg(y)));
            QVERIFY(wide >= 4 && wide <= 5 && thin >= 1 && thin <= 2);
            // The last lines: within the area, and no whole step short of it.
            QVERIFY2(last.x() < areaEnd.x() && last.x() + 60 * across > areaEnd.x() &&
                         last.y() < areaEnd.y() && last.y() + 60 * down > areaEnd.y(),
                     qPrintable(QString("last lines end at %1, %2").arg(last.x()).arg(last.y())));
        }
        // Another kind of paper, and the grid of exact lengths, likewise:
        // a job of one page a copy, places corrected, pens kept. The dots
        // are measured along their first row, 3 dots (half a dot's size)
        // inside the corner (150, 300); the grid's vertical lines half a
        // square below its first line, the first 2 dots (half the wide
        // pen) inside the corner.
        // A millimetre grid shows a correction that stretched the area
        // rather than shrinking it: two more lines than fit.
        const auto perCm = [](int n) {
            return QStringList{"--unit",         "cm",
                               "--lines-down",   QString::number(n),
                               "--lines-across", QString::number(n)};
        };
        for (const auto& [args, lines, y, first, pens] :
             {std::tuple{QStringList{"--pattern", "dots", "--dot-size", "6"} + perCm(2), 2, 300 + 3,
                         3.0, QList<int>{6}},
              std::tuple{QStringList{"--exact-lengths"} + perCm(2), 2, 300 + 2 + 59, 2.0,
                         QList<int>{1, 4}},
              std::tuple{QStringList{"--exact-lengths"} + perCm(10), 10, 300 + 2 + 12, 2.0,
                         QList<int>{1, 4}}}) {
            before = CupsQueues::lastJob();
            QCOMPARE(
                runProgram(QStringList{"--print", "--printer", "US_Letter", "--copies", "2"} + args,
                           env)
                    .status,
                0);
            QVERIFY(CupsQueues::waitUntilIdle());
            const auto jobs = CupsQueues::jobsAfter(before);
            QCOMPARE(jobs.size(), 2);
            for (const auto& job : jobs) {
                const QString pdf = CupsQueues::documentOf(job.first);
                QCOMPARE(pagesOf(pdf), 1);
                const QImage row = rasterisePdf(pdf, 600, QRect(0, y, 5100, 1));
                const QList<double> centres = darkRunCentres(row);
                QVERIFY(centres.size() > 10);
                const double step = (centres.last() - centres.first()) / (centres.size() - 1);
                QVERIFY2(qAbs(step / (600 / 2.54 / lines * across) - 1) < 0.0005,
                         qPrintable(QString("%1: step %2 dots").arg(args[0]).arg(step)));
                QVERIFY(qAbs(centres.first() - (150 + first * across)) <= 0.5);
                for (const auto& run : darkRunsInRow(row, 0))
                    QVERIFY(pens.contains(run.second - run.first + 1) && run.second < areaEnd.x());
                QVERIFY(centres.last() + step > areaEnd.x() - first * across);
            }
        }
        form->combo1()->setCurrentText("Office");
        QCOMPARE(form->combo1()->toolTip(), QString());
        const auto [x, y, wide, thin, last] = steps(CupsQueues::documentOf(print()[0].first));
        QVERIFY2(qAbs(x / 60 - 1) < 0.0005 && qAbs(y / 60 - 1) < 0.0005,
                 qPrintable(QString("steps %1 and %2 dots").arg(x).arg(y)));
        QVERIFY(last.x() < areaEnd.x() && last.y() < areaEnd.y());
        Q_UNUSED(wide);
        Q_UNUSED(thin);
    }

    // Another kind chosen in the window prints as --print draws it: one
    // job of one page a copy, the progress bar, "Done.", the dots a dot's
    // size inside the printable corner (Letter's 0.25 in, 150 dots) and
    // half a centimetre apart. Calibrating from the window stores the
    // correction, shows it in the printer list, and removes it.
    void theWindowPrintsTheKindAndCalibrates()
    {
        start("US Letter Printer");
        form->option2()->click();
        for (const auto& [field, text] : {std::pair{1, "2"}, {2, "2"}, {6, "2"}})
            form->textField(field)->setText(text);
        PaperChoice dots;
        dots.kind = "dots";
        dots.options.insert("dot-size", "6");
        QVERIFY(form->choosePaper(dots));
        // With no printer chosen, nothing is printed, and a box says why.
        const int current = form->combo1()->currentIndex();
        form->combo1()->setCurrentIndex(-1);
        QVERIFY(print().isEmpty());
        QCOMPARE(boxes().last().text, QString("No printer is chosen: the printer list is empty."));
        form->combo1()->setCurrentIndex(current);
        const auto jobs = print();
        QCOMPARE(jobs.size(), 2);
        QCOMPARE(progress.value(progress.size() - 2), 100.0);
        QCOMPARE(boxes().last().text, QString("Done."));
        for (const auto& job : jobs) {
            const QString pdf = CupsQueues::documentOf(job.first);
            QCOMPARE(pagesOf(pdf), 1);
            const QList<double> centres =
                darkRunCentres(rasterisePdf(pdf, 600, QRect(0, 300 + 3, 5100, 1)));
            QVERIFY(centres.size() > 30);
            QVERIFY2(
                qAbs(centres.first() - 153) <= 0.5 &&
                    qAbs((centres.last() - centres.first()) / (centres.size() - 1) -
                         600 / 2.54 / 2) < 0.05,
                qPrintable(QString("first %1, last %2").arg(centres.first()).arg(centres.last())));
        }

        // The rulers of Letter with margins of 18 and 36 points.
        const calibration::Lengths lengths = calibration::lengthsFor(QSizeF(576, 720) / 72 * 25.4);
        const auto restore = qScopeGuard([] {
            runProgram({"--calibrate", "--printer", "US_Letter", "--reset"},
                       withoutDisplay(QProcessEnvironment::systemEnvironment()));
        });
        QString stored, removed;
        int sheets = 0;
        const int before = CupsQueues::lastJob();
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<CalibrateDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->printSheet()->click();
            QVERIFY(CupsQueues::waitUntilIdle());
            sheets = int(CupsQueues::jobsAfter(before).size());
            // Across as read on the ruler's inch side, down on its millimetres.
            dialog->across()->setText(QString::number(lengths.acrossIn / (180 / 179.1), 'f', 5) +
                                      "in");
            dialog->down()->setText(QString::number(lengths.downMm / (250 / 251.0), 'f', 4) + "mm");
            dialog->store()->click();
            stored = dialog->outcome()->text();
            dialog->reject();
        });
        form->menu()->calibrate()->trigger();
        QCOMPARE(sheets, 1);
        QCOMPARE(stored, QString("US Letter Printer: across \u00d71.0050, down \u00d70.9960"));
        QCOMPARE(form->combo1()->toolTip(),
                 QString("Calibrated: across \u00d71.0050, down \u00d70.9960"));
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<CalibrateDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->across()->setText("170mm");
            dialog->down()->setText("250mm");
            dialog->store()->click(); // 6 % off: refused, nothing stored
            stored = dialog->outcome()->text();
            dialog->remove()->click();
            removed = dialog->outcome()->text();
            dialog->reject();
        });
        form->menu()->calibrate()->trigger();
        QVERIFY2(stored.contains("more than a printer is"), qPrintable(stored));
        QCOMPARE(removed, QString("US Letter Printer: correction removed"));
        QCOMPARE(form->combo1()->toolTip(), QString());
    }

    // A kind chosen in Kind of Paper with its weight's colour from the
    // swatch, whole cells centred and the page turned: stored in the
    // choice's own keys, and printed so by "Start Printing": the ruled
    // lines across the landscape sheet run down the printer's portrait
    // page, the wide lines in their colour, the thin in the line colour.
    void theWindowPrintsANewKindChosenInTheDialog()
    {
        start("US Letter Printer");
        form->option2()->click();
        for (const auto& [field, text] : {std::pair{1, "1"}, {6, "1"}})
            form->textField(field)->setText(text);
        services->colourDialog.answer = colour::fromRgb(0xc0, 0x20, 0x20);
        QTimer::singleShot(0, [&] {
            auto* d = qobject_cast<KindDialog*>(QApplication::activeModalWidget());
            QVERIFY(d);
            d->kinds()->setCurrentItem(
                d->kinds()->findItems("Cornell notes", Qt::MatchExactly).value(0));
            QVERIFY(d->swatch("wide-colour"));
            d->swatch("wide-colour")->click();
            d->centre()->setChecked(true);
            d->orientation()->setCurrentIndex(d->orientation()->findData("landscape"));
            d->accept();
        });
        form->menu()->kindOfPaper()->trigger();
        QCOMPARE(test::storedText("Paper"), QString("cornell"));
        QCOMPARE(test::storedText("PaperOptions"),
                 QString("centre=1;orientation=landscape;wide-colour=#c02020"));
        const auto jobs = print();
        QCOMPARE(jobs.size(), 1);
        QCOMPARE(boxes().last().text, QString("Done."));
        const QString pdf = CupsQueues::documentOf(jobs.first().first);
        QCOMPARE(pdfPageSize(pdf), QSizeF(612, 792));
        QProcess raster;
        raster.start("pdftoppm", {"-r", "300", "-singlefile", "-png", pdf, pdf + ".colour"});
        QVERIFY(raster.waitForFinished(60000) && raster.exitCode() == 0);
        const QImage page(pdf + ".colour.png");
        // Across the middle of the page: the ruled lines, a centimetre apart.
        const QList<double> lines =
            darkRunCentres(page.copy(0, page.height() / 2, page.width(), 1));
        QVERIFY2(lines.size() > 10, qPrintable(QString::number(lines.size())));
        int red = 0, black = 0;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x) {
                const QColor c = page.pixelColor(x, y);
                // Thin pens are lighter at 300 pixels to the inch: by hue.
                red += c.red() - c.green() > 60 && c.red() - c.blue() > 60;
                black += std::max({c.red(), c.green(), c.blue()}) < 160 &&
                         std::max({c.red(), c.green(), c.blue()}) -
                                 std::min({c.red(), c.green(), c.blue()}) <
                             20;
            }
        QVERIFY2(red > 200 && black > 2000, qPrintable(QString("%1, %2").arg(red).arg(black)));
    }

    // A correction moves places only: every pen is as wide on the
    // calibrated sheet as on the uncalibrated one, in the document's own
    // dots and at any finer resolution, and in a PNG at any resolution.
    void aCalibratedSheetKeepsItsPens_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<int>("dpi"); // the raster measured
        for (const QString thickness : {"1", "3"}) {
            const QStringList grid{"--thickness", thickness, "--wide-across", "3"};
            for (const int dpi : {600, 1200})
                QTest::addRow("PDF, thickness %s at %d dpi", qPrintable(thickness), dpi)
                    << grid << "pdf" << dpi;
            for (const int dpi : {300, 1200})
                QTest::addRow("PNG, thickness %s at %d dpi", qPrintable(thickness), dpi)
                    << grid + QStringList{"--resolution", QString::number(dpi)} << "png" << dpi;
        }
        QTest::newRow("lined paper, PNG at 300 dpi")
            << QStringList{"--pattern", "lined", "--resolution", "300"} << "png" << 300;
        QTest::newRow("the grid of exact lengths, PNG at 300 dpi") << QStringList{"--exact-lengths",
                                                                                  "--unit",
                                                                                  "cm",
                                                                                  "--lines-across",
                                                                                  "2",
                                                                                  "--lines-down",
                                                                                  "2",
                                                                                  "--resolution",
                                                                                  "300"}
                                                                   << "png" << 300;
        QTest::newRow("a three-weight grid, PDF at 1200 dpi")
            << QStringList{"--pattern",    "grid", "--unit",        "cm", "--lines-across", "10",
                           "--lines-down", "10",   "--heavy-every", "2"}
            << "pdf" << 1200;
    }
    void aCalibratedSheetKeepsItsPens()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, suffix);
        QFETCH(int, dpi);
        const QProcessEnvironment env = withoutDisplay(QProcessEnvironment::systemEnvironment());
        const auto restore = qScopeGuard([&] {
            runProgram({"--calibrate", "--printer", "US_Letter", "--reset"}, env);
        });
        QCOMPARE(runProgram({"--calibrate", "--printer", "US_Letter", "--across", "179.1mm",
                             "--down", "209.2mm"},
                            env)
                     .status,
                 0);
        // The width of every line a row and a column cross, in order (a
        // page's last lines may move off it).
        const auto widths = [&](const QString& file) {
            const int at = dpi * 81 / 40;        // between two lines, 2.025 inches in
            QImageReader::setAllocationLimit(0); // pages of up to 1200 dpi
            const QImage png(suffix == "png" ? file : QString());
            const QImage row = suffix == "png"
                                   ? png.copy(0, at, png.width(), 1)
                                   : rasterisePdf(file, dpi, QRect(0, at, dpi * 17 / 2, 1));
            const QImage column =
                (suffix == "png" ? png.copy(at, 0, 1, png.height())
                                 : rasterisePdf(file, dpi, QRect(at, 0, 1, dpi * 11)))
                    .transformed(QTransform().rotate(-90)); // from the top
            QList<QList<int>> out;
            for (const QImage& line : {row, column}) {
                out.append(QList<int>());
                for (const auto& run : darkRunsInRow(line, 0))
                    out.last() << run.second - run.first + 1;
            }
            return out;
        };
        const QString plain = config.path() + "/plain." + suffix;
        const QString corrected = config.path() + "/corrected." + suffix;
        const QStringList common = QStringList{"--printer", "US_Letter"} + args;
        QCOMPARE(runProgram(QStringList{"--export", plain} + common, env).status, 0);
        QCOMPARE(
            runProgram(QStringList{"--export", corrected, "--calibrated"} + common, env).status, 0);
        const QList<QList<int>> before = widths(plain), after = widths(corrected);
        QVERIFY(before[0].size() + before[1].size() > 20);
        for (int i : {0, 1}) {
            const qsizetype n = std::min(before[i].size(), after[i].size());
            QVERIFY(std::max(before[i].size(), after[i].size()) - n <= 2);
            QCOMPARE(after[i].mid(0, n), before[i].mid(0, n));
        }
    }

    // Two queues of one description and a queue with an instance the user
    // defined: each is listed under its queue's name in parentheses, and
    // each can be chosen, the default too. A unique name stays as it was.
    void everyPrinterCanBeChosen()
    {
        CupsQueues::addQueue("Twin_A", "Twin Printer");
        CupsQueues::addQueue("Twin_B", "Twin Printer");
        CupsQueues::run("lpadmin", {"-d", "Twin_B"});
        const QString lpoptions = config.path() + "/.cups/lpoptions";
        const auto restore = qScopeGuard([&] {
            QFile::remove(lpoptions);
            CupsQueues::run("lpadmin", {"-d", "Office"});
            CupsQueues::removeQueue("Twin_A");
            CupsQueues::removeQueue("Twin_B");
        });
        QDir().mkpath(config.path() + "/.cups");
        QFile file(lpoptions);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("Dest Lab_Upper/draft sides=two-sided-long-edge cupsPrintQuality=High\n");
        file.close();
        start();
        QStringList listed;
        for (int i = 0; i < form->combo1()->count(); ++i)
            listed << form->combo1()->itemText(i);
        QCOMPARE(listed, QStringList({"lab printer", "Lab Printer (Lab_Upper)",
                                      "Lab Printer (Lab_Upper/draft)", "Marnova PDF Writer",
                                      "Office", "Twin Printer (Twin_A)", "Twin Printer (Twin_B)",
                                      "US Letter Printer"}));
        QCOMPARE(form->combo1()->currentText(), QString("Twin Printer (Twin_B)"));
        QCOMPARE(print()[0].second, QString("Twin_B"));
        form->combo1()->setCurrentText("Twin Printer (Twin_A)");
        QCOMPARE(print()[0].second, QString("Twin_A"));
        // The instance prints on its queue, with its options.
        form->combo1()->setCurrentText("Lab Printer (Lab_Upper/draft)");
        const auto jobs = print();
        QCOMPARE(jobs.size(), 1);
        QCOMPARE(jobs[0].second, QString("Lab_Upper"));
        // Every option of the instance, from the window and the command line.
        const int before = CupsQueues::lastJob();
        QCOMPARE(runProgram({"--print", "--printer", "Lab_Upper/draft"},
                            withoutDisplay(QProcessEnvironment::systemEnvironment()))
                     .status,
                 0);
        QVERIFY(CupsQueues::waitUntilIdle());
        for (const int job : {jobs[0].first, CupsQueues::jobsAfter(before).value(0).first}) {
            const QByteArray attributes = CupsQueues::controlOf(job);
            QVERIFY(attributes.contains("two-sided-long-edge"));
            QVERIFY(attributes.contains("cupsPrintQuality") && attributes.contains("High"));
        }
        QCOMPARE(services->boxes.said(), QStringList({"Done.", "Done.", "Done."}));

        // On the command line by any of its names: a description that names
        // one queue is that queue; a name that means none, or two, is
        // refused with the names that could be meant.
        const QString pdf = config.path() + "/named.pdf";
        const QList<std::tuple<QStringList, int, QString>> names = {
            {{"Lab Printer"}, 0, ""},
            {{"Lab Printer (Lab_Upper/draft)"}, 0, ""},
            {{"Twin Printer"},
             2,
             "gridorra: \"Twin Printer\" names more than one printer: \"Twin Printer (Twin_A)\", "
             "\"Twin Printer (Twin_B)\"\n"},
            {{"Lab"},
             2,
             "gridorra: no printer named \"Lab\"; the printers: \"lab printer\", \"Lab Printer "
             "(Lab_Upper)\", \"Lab Printer (Lab_Upper/draft)\"\n"},
            {{"Lab_Upper/draft", "--calibrated"},
             2,
             "gridorra: --calibrated: \"Lab Printer (Lab_Upper/draft)\" is not calibrated\n"}};
        for (const auto& [name, status, err] : names) {
            const ProgramRun run =
                runProgram(QStringList{"--export", pdf, "--printer"} + name,
                           withoutDisplay(QProcessEnvironment::systemEnvironment()));
            QCOMPARE(run.status, status);
            QCOMPARE(run.err, err);
        }
    }

    // The command line draws what the button prints: --print sends one job
    // of one page per copy, and --export writes the same lines for the
    // printer it names (by its queue's name here), to within a dot.
    void theCommandLineDrawsWhatTheButtonPrints()
    {
        start("US Letter Printer");
        const auto fromButton = print();
        QCOMPARE(fromButton.size(), 1);
        const int before = CupsQueues::lastJob();
        const ProgramRun printed =
            runProgram({"--print", "--copies", "3", "--printer", "US Letter Printer"},
                       withoutDisplay(QProcessEnvironment::systemEnvironment()));
        QCOMPARE(printed.status, 0);
        QCOMPARE(printed.err, QString());
        QVERIFY(CupsQueues::waitUntilIdle());
        const auto fromPrint = CupsQueues::jobsAfter(before);
        QCOMPARE(fromPrint.size(), 3);
        for (const auto& [id, queue] : fromPrint) {
            QCOMPARE(queue, QString("US_Letter"));
            QCOMPARE(pagesOf(CupsQueues::documentOf(id)), 1);
            QVERIFY(CupsQueues::controlOf(id).contains("Gridorra"));
        }
        const QString exported = config.path() + "/exported.pdf";
        QCOMPARE(runProgram({"--export", exported, "--printer", "US_Letter"},
                            withoutDisplay(QProcessEnvironment::systemEnvironment()))
                     .status,
                 0);
        QCOMPARE(pdfPageSize(exported), QSizeF(612, 792));

        const auto reference = linesOf(CupsQueues::documentOf(fromButton[0].first));
        QVERIFY(reference.size() > 100);
        for (const QString& pdf : {CupsQueues::documentOf(fromPrint[0].first), exported}) {
            const auto lines = linesOf(pdf);
            QCOMPARE(lines.size(), reference.size());
            for (int i = 0; i < lines.size(); ++i) {
                QVERIFY2(qAbs(lines[i].first - reference[i].first) <= 1 &&
                             qAbs(lines[i].second - reference[i].second) <= 1,
                         qPrintable(QString("%1: line %2 at %3..%4, the button's at %5..%6")
                                        .arg(pdf)
                                        .arg(i)
                                        .arg(lines[i].first)
                                        .arg(lines[i].second)
                                        .arg(reference[i].first)
                                        .arg(reference[i].second)));
            }
        }
        // The command line wrote nothing to the store.
        QCOMPARE(storedText("Text6"), QString("1"));
    }

    // As in the window, a count of 0 prints one copy and a negative one
    // prints nothing, of the grid and of another kind alike; a script is
    // told when nothing is printed.
    void countsOfNoneAndBelow_data()
    {
        QTest::addColumn<QString>("copies");
        QTest::addColumn<QStringList>("kind");
        QTest::addColumn<int>("jobs");
        QTest::newRow("-5 of the grid") << "-5" << QStringList() << 0;
        QTest::newRow("0 of the grid") << "0" << QStringList() << 1;
        QTest::newRow("0 of dots") << "0" << QStringList{"--pattern", "dots"} << 1;
        QTest::newRow("-1 of lined paper") << "-1" << QStringList{"--pattern", "lined"} << 0;
    }
    void countsOfNoneAndBelow()
    {
        QFETCH(QString, copies);
        QFETCH(QStringList, kind);
        QFETCH(int, jobs);
        const int before = CupsQueues::lastJob();
        const ProgramRun run =
            runProgram(QStringList{"--print", "--copies", copies, "--printer", "Office"} + kind,
                       withoutDisplay(QProcessEnvironment::systemEnvironment()));
        QCOMPARE(run.status, 0);
        QCOMPARE(run.err, jobs
                              ? QString()
                              : QString("gridorra: nothing printed: --copies is %1\n").arg(copies));
        QVERIFY(CupsQueues::waitUntilIdle());
        QCOMPARE(CupsQueues::jobsAfter(before).size(), jobs);
    }

    // A notebook prints as one job a copy of all its pages; a double-sided
    // one asks the queue (which can) for both sides, bound at the long
    // edge, and a landscape sheet goes on the queue's own portrait page.
    void notebooksAndTurnedPages_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("pages");
        QTest::addColumn<bool>("twoSided");
        QTest::newRow("double-sided") << QStringList{"--pages", "4", "--double-sided"} << 4 << true;
        QTest::newRow("one-sided")
            << QStringList{"--pages", "3", "--pattern", "lined"} << 3 << false;
        QTest::newRow("landscape")
            << QStringList{"--pattern", "dots", "--orientation", "landscape"} << 1 << false;
    }
    void notebooksAndTurnedPages()
    {
        QFETCH(QStringList, args);
        QFETCH(int, pages);
        QFETCH(bool, twoSided);
        const int before = CupsQueues::lastJob();
        const ProgramRun run =
            runProgram(QStringList{"--print", "--copies", "2", "--printer", "US_Letter"} + args,
                       withoutDisplay(QProcessEnvironment::systemEnvironment()));
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QVERIFY(CupsQueues::waitUntilIdle());
        const auto jobs = CupsQueues::jobsAfter(before);
        QCOMPARE(jobs.size(), 2);
        for (const auto& [id, queue] : jobs) {
            QCOMPARE(CupsQueues::controlOf(id).contains("two-sided-long-edge"), twoSided);
            QProcess info;
            info.start("pdfinfo", {CupsQueues::documentOf(id)});
            QVERIFY(info.waitForFinished());
            const QString said = QString::fromUtf8(info.readAllStandardOutput());
            QVERIFY2(said.contains(QRegularExpression(QStringLiteral("Pages: +%1\n").arg(pages))),
                     qPrintable(said));
            QVERIFY2(said.contains(QRegularExpression("Page size: +612 x 792 pts")),
                     qPrintable(said));
        }
    }

    // The service stops answering after the window started: the job's
    // printer calls are printer errors under their steps, within one wait.
    void aPrintServiceThatStopsAnswering()
    {
        start("Office");
        QTemporaryDir folder;
        const SilentSocket silent(folder.filePath("silent.sock"));
        QVERIFY(silent.listening);
        cupsSetServer(QFile::encodeName(folder.filePath("silent.sock")).constData());
        const auto restore = qScopeGuard([] { cupsSetServer(nullptr); });
        QElapsedTimer clock;
        clock.start();
        QVERIFY(print().isEmpty());
        QVERIFY2(clock.elapsed() < 15000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(services->boxes.said(), QStringList({"126", "Done."}));
        QVERIFY2(boxes()[0].text.startsWith("Printer error: the print service does not answer\r\n"),
                 qPrintable(boxes()[0].text));
        QVERIFY(!form->printBusy());
    }

    void theCommandLinePreparesTheCompanionPrinter()
    {
        const QString file = UserRegistry::fileName();
        QFile::remove(file);
        const int before = CupsQueues::lastJob();
        QCOMPARE(runProgram({"--print", "--printer", "Marnova PDF Writer"},
                            withoutDisplay(QProcessEnvironment::systemEnvironment()))
                     .status,
                 0);
        QVERIFY(CupsQueues::waitUntilIdle());
        QCOMPARE(CupsQueues::jobsAfter(before).size(), 1);
        QCOMPARE(QSettings(file, QSettings::IniFormat)
                     .value("Software/Marnova PDF Writer/BypassSaveAs")
                     .toString(),
                 QString("0"));
    }

    void theCompanionPrinterIsPreparedBeforeEveryJob()
    {
        start("Marnova PDF Writer");
        const QString file = UserRegistry::fileName();
        QCOMPARE(file, config.path() + "/Marnova/registry.ini");
        QVERIFY(!QFile::exists(file));
        const auto first = print();
        QCOMPARE(first.size(), 1);
        QCOMPARE(first[0].second, QString("Marnova_PDF_Writer"));
        QCOMPARE(QSettings(file, QSettings::IniFormat)
                     .value("Software/Marnova PDF Writer/BypassSaveAs")
                     .toString(),
                 QString("0"));
        // The printer set it aside after that job; the next job writes it again.
        QSettings(file, QSettings::IniFormat)
            .setValue("Software/Marnova PDF Writer/BypassSaveAs", "1");
        QCOMPARE(print().size(), 1);
        QCOMPARE(QSettings(file, QSettings::IniFormat)
                     .value("Software/Marnova PDF Writer/BypassSaveAs")
                     .toString(),
                 QString("0"));
    }

    void otherPrintersLeaveTheRegistryAlone()
    {
        start("Office");
        QCOMPARE(print().size(), 1);
        QVERIFY(!QFile::exists(UserRegistry::fileName()));
    }

    void aPrinterThatRefusesJobsIsReported()
    {
        CupsQueues::run("cupsreject", {"Lab_Upper"});
        start("Lab Printer");
        form->textField(6)->setText("2");
        const auto jobs = print();
        CupsQueues::run("cupsaccept", {"Lab_Upper"});
        QVERIFY(jobs.isEmpty());
        // The refusal holds for the whole queue: it is reported once, with
        // its reason, and the job still ends.
        QCOMPARE(services->boxes.said(), QStringList({"194", "Done."}));
        QVERIFY2(boxes()[0].text.startsWith("Printer error: Lab Printer is not accepting jobs\r\n"),
                 qPrintable(boxes()[0].text));
        QVERIFY(!form->printBusy());
    }

    // A queue that takes no job says why, once; one that takes the jobs
    // but prints none of them (stopped, or holding them) says so after the
    // job ids, as lp gives them.
    void queuesThatPrintNothingSaySo_data()
    {
        QTest::addColumn<QStringList>("setUp");
        QTest::addColumn<bool>("earlierJob"); // one printed first, that fails on the device
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<QString>("said"); // %1: the jobs that wait
        QTest::newRow("not accepting jobs")
            << QStringList{"cupsreject", "Held_Back"} << false << 1 << false
            << "Printer error: Held Back Printer is not accepting jobs in ";
        QTest::newRow("not accepting jobs, with its reason")
            << QStringList{"cupsreject", "-r", "closed for maintenance", "Held_Back"} << false << 1
            << false
            << "Printer error: Held Back Printer is not accepting jobs (closed for maintenance) "
               "in ";
        QTest::newRow("stopped") << QStringList{"cupsdisable", "Held_Back"} << false << 0 << true
                                 << "Held Back Printer is stopped: %1 jobs wait";
        QTest::newRow("holding the jobs")
            << QStringList{"lpadmin", "-p", "Held_Back", "-o", "job-hold-until-default=indefinite"}
            << false << 0 << true
            << "Held Back Printer holds the jobs until they are released: %1 jobs wait";
        QTest::newRow("a device that does not answer")
            << QStringList{"lpadmin", "-p", "Held_Back", "-v", "socket://127.0.0.1:1"} << true << 0
            << true << "Held Back Printer is still on an earlier job: %1 jobs wait";
        QTest::newRow("a file that cannot be written")
            << QStringList{"lpadmin", "-p", "Held_Back", "-v", "file:///proc/nowhere/out"} << true
            << 0 << true
            << "Held Back Printer cannot print: %1 jobs wait (its device failed, and the print "
               "service stopped a job)";
    }
    void queuesThatPrintNothingSaySo()
    {
        QFETCH(QStringList, setUp);
        QFETCH(bool, earlierJob);
        QFETCH(int, status);
        QFETCH(bool, taken);
        QFETCH(QString, said);
        CupsQueues::addQueue("Held_Back", "Held Back Printer");
        const auto restore = qScopeGuard([] {
            CupsQueues::run("cancel", {"-a", "Held_Back"});
            CupsQueues::removeQueue("Held_Back");
        });
        CupsQueues::run(setUp.first(), setUp.mid(1));
        const QProcessEnvironment env = withoutDisplay(QProcessEnvironment::systemEnvironment());
        if (earlierJob) {
            QCOMPARE(runProgram({"--print", "--printer", "Held_Back"}, env).status, 0);
            // Until the scheduler knows its device fails: the job stopped,
            // or its backend saying why it cannot print (a printer busy
            // with a job, all being well, is not stuck).
            const auto knows = [] {
                cups_job_t* jobs = nullptr;
                const int count =
                    cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, "Held_Back", 0, CUPS_WHICHJOBS_ACTIVE);
                bool stopped = false;
                for (int i = 0; i < count; ++i)
                    stopped = stopped || jobs[i].state == IPP_JSTATE_STOPPED;
                cupsFreeJobs(count, jobs);
                return stopped || QRegularExpression("Status: \\S")
                                      .match(CupsQueues::run("lpstat", {"-l", "-o", "Held_Back"}))
                                      .hasMatch();
            };
            QTRY_VERIFY_WITH_TIMEOUT(knows(), 30000);
        }
        const int before = earlierJob ? 1 : 0;
        const ProgramRun run =
            runProgram({"--print", "--printer", "Held_Back", "--copies", "3"}, env);
        QCOMPARE(run.status, status);
        QCOMPARE(run.err.count('\n'), 1);
        QVERIFY2(run.err.startsWith("gridorra: " + said.arg(before + 3)), qPrintable(run.err));
        const QStringList ids = run.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(ids.size(), taken ? 3 : 0);
        for (const QString& id : ids)
            QVERIFY2(QRegularExpression("^request id is Held_Back-[0-9]+ \\(1 file\\(s\\)\\)$")
                         .match(id)
                         .hasMatch(),
                     qPrintable(id));
        if (!taken)
            return;
        // The window says it where the printer is chosen, in no box.
        start("Held Back Printer");
        form->pushButton2()->click();
        QCOMPARE(services->boxes.said(), QStringList({"Done."}));
        // Asked once the click is handled: on a busy machine, seconds later.
        QTRY_VERIFY2_WITH_TIMEOUT(form->combo1()->toolTip().startsWith(said.arg(before + 4)),
                                  qPrintable(form->combo1()->toolTip()), 30000);
        QCOMPARE(form->combo1()->accessibleDescription(), form->combo1()->toolTip());
    }

    void lettersCaseTellsPrintersApart()
    {
        start("lab printer");
        const auto jobs = print();
        QCOMPARE(jobs.size(), 1);
        QCOMPARE(jobs[0].second, QString("Lab_Lower"));
    }

    void aPrinterRemovedAfterStartUpLeavesTheCurrentOne()
    {
        CupsQueues::addQueue("Vanishing", "Vanishing Printer");
        start("Vanishing Printer");
        QCOMPARE(form->combo1()->currentText(), QString("Vanishing Printer"));
        CupsQueues::removeQueue("Vanishing");
        const auto jobs = print();
        QCOMPARE(jobs.size(), 1);
        QCOMPARE(jobs[0].second, QString("Office")); // the default printer
        QCOMPARE(services->boxes.said(), QStringList({"Done."}));

        // Later jobs of the run stay with the printer an earlier job chose.
        boxes().clear();
        form->combo1()->setCurrentText("US Letter Printer");
        QCOMPARE(print()[0].second, QString("US_Letter"));
        CupsQueues::addQueue("Vanishing", "Vanishing Printer");
        form->combo1()->addItem("Vanishing Printer");
        form->combo1()->setCurrentText("Vanishing Printer");
        CupsQueues::removeQueue("Vanishing");
        QCOMPARE(print()[0].second, QString("US_Letter"));
    }

    void theDefaultPrinterRemovedBeforeTheFirstJob()
    {
        CupsQueues::addQueue("Doomed", "Doomed Printer");
        CupsQueues::run("lpadmin", {"-d", "Doomed"});
        start();
        CupsQueues::run("lpadmin", {"-d", "Office"});
        CupsQueues::removeQueue("Doomed");
        QCOMPARE(form->combo1()->currentText(), QString("Doomed Printer"));
        form->textField(6)->setText("2");
        // Every call to the vanished printer is reported under its step, and
        // the job still ends as always.
        QVERIFY(print().isEmpty());
        // The queue is gone: said once, with why, and the job still ends.
        QCOMPARE(services->boxes.said(), QStringList({"126", "Done."}));
        QVERIFY2(boxes()[0].text.startsWith("Printer error: Doomed Printer no longer exists\r\n"),
                 qPrintable(boxes()[0].text));
        QCOMPARE(form->mousePointer(), pointer::normal);
        QVERIFY(!form->printBusy());
    }

    // The window closed while a job hands over its copies: every copy still
    // leaves, then the program ends, with no "Done." for nobody. (Last: the
    // program's end leaves the application quitting.)
    void aCloseDuringAJobEndsTheProgramAfterIt()
    {
        start("Office");
        form->show();
        form->textField(6)->setText("20");
        connect(form->progressBar1(), &ProgressBar::valueChanged, form.get(), [this](double v) {
            if (v > 0 && v < 10) // the first copy: a close comes from the window manager
                QMetaObject::invokeMethod(form.get(), &QWidget::close, Qt::QueuedConnection);
        });
        QCOMPARE(print().size(), 20);
        QCOMPARE(services->boxes.said(), QStringList());
        QVERIFY(!form->isVisible());
        QVERIFY(!form->printBusy());
    }
};

QTEST_MAIN(TestPrintJob)
#include "tst_printjob.moc"
