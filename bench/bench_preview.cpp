// Time of one PreviewGraph on the real preview box, at the stored defaults and
// at the densest grid the fields allow with a non-zero spacing (1440 lines per
// inch each way), and with the densest kind of paper a user chooses in the
// window, a 1 mm dot grid, also with its whole dots centred, which lays
// out the whole page (target: a screen frame, 16 ms). Run:
// QT_QPA_PLATFORM=offscreen build/bench/bench_preview
#include "app/form1.h"
#include "panel/numericfield.h"
#include "render/previewbox.h"
#include "support/testservices.h"

#include <QApplication>

#include <QRadioButton>
#include <string_view>

#include <benchmark/benchmark.h>

namespace {

void preview(benchmark::State& state, const char* count, const char* kind = "grid",
             bool centred = false)
{
    gridorra::test::TestServices services;
    gridorra::Form1 form(services.services());
    const char* texts[] = {count, count, "10", "10", "1", "1"};
    for (int i = 0; i < 6; ++i)
        form.textField(i + 1)->setText(QString::fromLatin1(texts[i]));
    if (kind != std::string_view("grid")) {
        form.option2()->setChecked(true);
        gridorra::PaperChoice choice;
        choice.kind = QString::fromLatin1(kind);
        choice.options.insert(QStringLiteral("dot-size"), QStringLiteral("2"));
        if (centred)
            choice.options.insert(QStringLiteral("centre"), QStringLiteral("1"));
        form.choosePaper(choice);
        if (form.picture2()->toolTip().contains(QStringLiteral("cannot be drawn")))
            state.SkipWithError(qPrintable(form.picture2()->toolTip()));
    }
    for (auto _ : state)
        form.PreviewGraph();
    // The store is the next benchmark's too: the grid in inches again.
    if (kind != std::string_view("grid")) {
        form.choosePaper(gridorra::PaperChoice());
        form.option1()->setChecked(true);
    }
    if (!services.boxes.boxes.isEmpty())
        state.SkipWithError("the preview reported a failure");
}

void BM_PreviewDefaults(benchmark::State& state)
{
    preview(state, "10");
}
void BM_PreviewDensest(benchmark::State& state)
{
    preview(state, "1440");
}

void BM_PreviewMillimetreDots(benchmark::State& state)
{
    preview(state, "10", "dots");
}

void BM_PreviewMillimetreDotsCentred(benchmark::State& state)
{
    preview(state, "10", "dots", true);
}

} // namespace

BENCHMARK(BM_PreviewDefaults)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PreviewMillimetreDots)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PreviewMillimetreDotsCentred)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PreviewDensest)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    gridorra::test::IsolatedConfig config; // the fields store what they are given
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
