// Time from process start to the window shown, for the program and for the
// cheapest Qt window of the same size that also lists the printers, started
// the same way and alternately. Prints the medians and their ratio.
// Usage: bench_startup PROGRAM BASELINE [RUNS]   (see bench/run-startup)
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double runOnce(const QString& program)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("GRIDORRA_QUIT_WHEN_SHOWN"), QStringLiteral("1"));
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    process.start(program, {});
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        std::fprintf(stderr, "%s did not end cleanly\n", qPrintable(program));
        std::exit(1);
    }
    return timer.nsecsElapsed() / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_startup PROGRAM BASELINE [RUNS]\n");
        return 2;
    }
    const int runs = argc > 3 ? std::atoi(argv[3]) : 21;
    std::vector<double> program, baseline;
    runOnce(argv[1]); // warm the file cache for both
    runOnce(argv[2]);
    for (int i = 0; i < runs; ++i) {
        program.push_back(runOnce(argv[1]));
        baseline.push_back(runOnce(argv[2]));
    }
    const double p = median(program), b = median(baseline);
    std::printf("start-up to window shown, median of %d runs\n", runs);
    std::printf("  gridorra        %8.1f ms\n", p);
    std::printf("  baseline window %8.1f ms\n", b);
    std::printf("  ratio           %8.2f (target <= 1.20)\n", p / b);
    return 0;
}
