// Drawing benchmarks, offscreen: the displacement chart, the cam view and one frame.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>
#include <memory>

#include "bench/bench_designs.h"
#include "model/displacement.h"
#include "model/profile.h"
#include "ui/cam_view.h"
#include "ui/charts.h"

namespace platecam::bench {
namespace {

std::unique_ptr<CamDesign> Computed(int S, int table) {
    auto design = std::make_unique<CamDesign>();
    design->StepsPerDegree = S;
    LoadDesignFromTexts(*design, TextsFor(table), '.');
    ScanMaxDisplacement(*design);
    BuildDisplacement(*design, 0);
    ComputePitchCurve(*design);
    ComputeCamProfile(*design);
    return design;
}

void BM_DisplacementChart(benchmark::State& state) {
    auto d = Computed(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    ImageSurface image(409, 225);
    const int N = RevolutionSamples(*d);
    for (auto _ : state) {
        DrawChartGrid(image, 4, 4, 0, 360, 0, d->MaxDisplacement);
        PlotCurve(image, d->Displacement, 0, N - 1, 0, N - 1, d->MaxDisplacement, 0, 5, 2);
    }
}

void BM_CamView(benchmark::State& state) {
    auto d = Computed(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    ImageSurface image(409, 409);
    for (auto _ : state) {
        ComputePitchCurve(*d);
        DrawPitchView(image, *d);
        ComputeCamProfile(*d);
        const double S = WholeViewSpan(*d);
        DrawPointLoop(image, 0, RevolutionSamples(*d) - 1, 0, 0, S, S, d->CamProfile);
    }
}

void BM_AnimationFrame(benchmark::State& state) {
    auto d = Computed(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    ImageSurface image(409, 409);
    int angle = 0;
    for (auto _ : state) {
        DrawAnimationFrame(image, *d, ViewWhole, angle);
        angle = (angle + 1) % 360;
    }
}

void Resolutions(benchmark::internal::Benchmark* b) {
    for (int table : {0, 1}) {
        for (int S : {1, 2, 5}) b->Args({S, table});
    }
}

BENCHMARK(BM_DisplacementChart)->Apply(Resolutions)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CamView)->Apply(Resolutions)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AnimationFrame)->Apply(Resolutions)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace platecam::bench

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
