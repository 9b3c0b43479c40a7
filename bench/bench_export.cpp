// The whole process `gridorra --export` for a Letter page of 100 lines per
// inch each way, against `gridorra --version` (the process floor), and the
// size of the PDF per drawn line. The page is the one the options name, so
// the print service (bench/run-export starts a private one, with queues and
// a default) is never asked.
//   bench_export PROGRAM [RUNS]
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double medianMs(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Lines from `margin` to `extent` in steps, the far edge included.
int linesUpTo(int extent, int margin, int step)
{
    return extent < margin ? 0 : (extent - margin) / step + 1;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_export PROGRAM [RUNS]\n");
        return 2;
    }
    const QString program = QString::fromLocal8Bit(argv[1]);
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 21;
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home.path());
    env.insert("XDG_CONFIG_HOME", home.path());
    if (!env.contains("CUPS_SERVER"))
        env.insert("CUPS_SERVER", home.filePath("no-scheduler.sock"));
    env.remove("DISPLAY");
    const QString pdf = home.filePath("sheet.pdf");
    const QStringList exportArgs = {"--export",     pdf,   "--page-size",    "Letter",
                                    "--margins",    "12",  "--resolution",   "600",
                                    "--lines-down", "100", "--lines-across", "100"};

    const auto time = [&](const QStringList& args) {
        std::vector<double> times;
        for (int i = 0; i < runs; ++i) {
            QProcess p;
            p.setProcessEnvironment(env);
            QElapsedTimer clock;
            clock.start();
            p.start(program, args);
            if (!p.waitForFinished(60000) || p.exitCode() != 0) {
                std::fprintf(stderr, "bench_export: %s failed\n", qPrintable(args.join(' ')));
                std::exit(1);
            }
            times.push_back(clock.nsecsElapsed() / 1e6);
        }
        return medianMs(times);
    };
    const double floor = time({"--version"});
    const double exportMs = time(exportArgs);
    // The same sheet as an SVG (a named paper: no resolution, exact
    // places), and as a PNG at 300 dpi.
    QStringList svgArgs = exportArgs.mid(0, 6) + exportArgs.mid(8);
    svgArgs[1] = home.filePath("sheet.svg");
    QStringList pngArgs = exportArgs;
    pngArgs[1] = home.filePath("sheet.png");
    pngArgs[7] = "300";
    const double svgMs = time(svgArgs);
    const double pngMs = time(pngArgs);
    // Letter with margins of 12 points: 11760 x 15360 twips; lines 14 twips
    // apart from a margin of 4.
    const int lines = linesUpTo(15360, 4, 14) + linesUpTo(11760, 4, 14);
    const double bytes = double(QFileInfo(pdf).size());
    // A 1 mm dot grid on A3 (margins of 12 points, 600 dpi for the PDF,
    // 300 for the PNG), and the same as a notebook of 100 pages.
    const QStringList dotArgs = {"--page-size",  "A3", "--margins",      "12",
                                 "--unit",       "cm", "--pattern",      "dots",
                                 "--lines-down", "10", "--lines-across", "10"};
    const QString dotPdf = home.filePath("dots.pdf"), dotPng = home.filePath("dots.png");
    const QString notebook = home.filePath("notebook.pdf");
    const double dotPdfMs = time(QStringList{"--export", dotPdf, "--resolution", "600"} + dotArgs);
    const double dotPngMs = time(QStringList{"--export", dotPng, "--resolution", "300"} + dotArgs);
    time(QStringList{"--export", notebook, "--resolution", "600", "--pages", "100"} + dotArgs);
    // A3 less 12-point margins is 818 x 1167 points; dots 2 printer dots
    // (half their size) in, 1 mm apart.
    const auto dotsUpTo = [](double points) {
        return int((points / 72 * 25.4 - 2 * 2 / 600.0 * 25.4) / 1.0) + 1;
    };
    const int dots = dotsUpTo(818) * dotsUpTo(1167);
    const double dotBytes = double(QFileInfo(dotPdf).size());
    const double notebookRatio = QFileInfo(notebook).size() / dotBytes;
    // The same double-sided: 100 pages, against its two distinct pages
    // (the odd page and its mirror).
    const QString twoSided = home.filePath("two-sided.pdf");
    const QString twoPages = home.filePath("two-pages.pdf");
    const double twoSidedMs = time(QStringList{"--export", twoSided, "--resolution", "600",
                                               "--pages", "100", "--double-sided"} +
                                   dotArgs);
    time(
        QStringList{"--export", twoPages, "--resolution", "600", "--pages", "2", "--double-sided"} +
        dotArgs);
    const double twoSidedRatio =
        double(QFileInfo(twoSided).size()) / double(QFileInfo(twoPages).size());
    // The densest of the kinds added last at its finest common size: 5 mm
    // hexagons with a flat side up (hexagon paper) on A3, some 16,000
    // slanted and level edges.
    const QStringList hexArgs = {"--page-size", "A3",        "--margins", "12",         "--unit",
                                 "cm",          "--pattern", "hexup",     "--hex-size", "0.5"};
    const QString hexPdf = home.filePath("hexup.pdf"), hexPng = home.filePath("hexup.png");
    const double hexPdfMs = time(QStringList{"--export", hexPdf, "--resolution", "600"} + hexArgs);
    const double hexPngMs = time(QStringList{"--export", hexPng, "--resolution", "300"} + hexArgs);

    std::printf("runs per figure      %d\n", runs);
    std::printf("--version (floor)    %.1f ms\n", floor);
    std::printf("--export             %.1f ms (%.2f x the floor; target <= 1.5 x, <= 50 ms)\n",
                exportMs, exportMs / floor);
    std::printf("PDF bytes per line   %.1f (%d lines, %.0f bytes; target <= 10)\n", bytes / lines,
                lines, bytes);
    std::printf("--export .svg        %.1f ms (%.2f x the floor; target <= 1.5 x), %lld bytes\n",
                svgMs, svgMs / floor, static_cast<long long>(QFileInfo(svgArgs[1]).size()));
    std::printf("--export .png        %.1f ms (%.2f x the floor; target <= 2 x), %lld bytes\n",
                pngMs, pngMs / floor, static_cast<long long>(QFileInfo(pngArgs[1]).size()));
    std::printf("1 mm dots, A3, PDF   %.1f ms (%.2f x the floor; target <= 3 x), %d dots, %.3f "
                "bytes a dot (target <= 12)\n",
                dotPdfMs, dotPdfMs / floor, dots, dotBytes / dots);
    std::printf("1 mm dots, A3, PNG   %.1f ms (%.2f x the floor; target <= 3 x), %lld bytes\n",
                dotPngMs, dotPngMs / floor, static_cast<long long>(QFileInfo(dotPng).size()));
    std::printf("100-page notebook    %.2f x the bytes of one page (target < 2 x)\n",
                notebookRatio);
    std::printf("100 pages, 2-sided   %.1f ms (%.2f x the floor; target <= 3 x), %lld bytes, "
                "%.2f x its two distinct pages (target < 2 x)\n",
                twoSidedMs, twoSidedMs / floor, static_cast<long long>(QFileInfo(twoSided).size()),
                twoSidedRatio);
    std::printf("5 mm hexup, A3, PDF  %.1f ms (%.2f x the floor; target <= 3 x), %lld bytes\n",
                hexPdfMs, hexPdfMs / floor, static_cast<long long>(QFileInfo(hexPdf).size()));
    std::printf("5 mm hexup, A3, PNG  %.1f ms (%.2f x the floor; target <= 3 x), %lld bytes\n",
                hexPngMs, hexPngMs / floor, static_cast<long long>(QFileInfo(hexPng).size()));
    return exportMs <= 1.5 * floor && svgMs <= 1.5 * floor && pngMs <= 2 * floor &&
                   dotPdfMs <= 3 * floor && dotPngMs <= 3 * floor && dotBytes / dots <= 12 &&
                   notebookRatio < 2 && twoSidedMs <= 3 * floor && twoSidedRatio < 2 &&
                   hexPdfMs <= 3 * floor && hexPngMs <= 3 * floor
               ? 0
               : 3;
}
