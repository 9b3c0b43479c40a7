// The program's own time per printed copy, from the click on "Start Printing"
// to the job handed to the print service, for a page of 100 lines per inch
// each way on a Letter queue; and the size of the PDF sent per drawn line.
// Needs a private scheduler: see bench/run-print.
#include "app/form1.h"
#include "app/pushbutton.h"
#include "panel/numericfield.h"
#include "render/print/cupsprinters.h"
#include "support/cupsqueues.h"
#include "support/testservices.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    gridorra::test::IsolatedConfig config;
    const int runs = argc > 1 ? std::atoi(argv[1]) : 15;

    gridorra::test::TestServices services;
    gridorra::CupsPrinters printers;
    gridorra::Form1 form(services.services(printers));
    form.Form_Load();
    const char* texts[] = {"100", "100", "10", "10", "1", "1"};
    for (int i = 0; i < 6; ++i)
        form.textField(i + 1)->setText(QString::fromLatin1(texts[i]));
    form.combo1()->setCurrentText(QStringLiteral("US Letter Printer"));

    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        form.pushButton2()->click();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    gridorra::test::CupsQueues::waitUntilIdle();
    const int failures = int(services.boxes.boxes.size()) - runs; // all but the "Done." boxes
    if (failures != 0) {
        std::fprintf(stderr, "the job reported %d failures\n", failures);
        for (const auto& box : services.boxes.boxes)
            std::fprintf(stderr, "  %s\n", qPrintable(box.text.left(80).replace('\r', ' ')));
        return 1;
    }
    std::sort(times.begin(), times.end());

    // Letter less 0.25 in at the sides and 0.5 in at top and bottom: 8 x 10
    // inches, 14 twips apart from 4 twips.
    const int lines = (14400 - 4) / 14 + 1 + (11520 - 4) / 14 + 1;
    const int job = gridorra::test::CupsQueues::lastJob();
    const qint64 bytes = QFileInfo(gridorra::test::CupsQueues::documentOf(job)).size();
    std::printf("print job, 100 lines per inch on Letter (%d lines)\n", lines);
    std::printf("  time per copy     %8.2f ms median of %d (target <= 20)\n",
                times[times.size() / 2], runs);
    std::printf("  PDF bytes per line %7.1f (%lld bytes; target <= 40)\n", double(bytes) / lines,
                static_cast<long long>(bytes));
    return 0;
}
