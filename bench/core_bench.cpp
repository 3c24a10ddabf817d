// Benchmarks of the computation, the DXF export and the number format. Arguments:
// samples per degree, then the table (0 the start-up design, 1 alternating rises/falls).

#include <benchmark/benchmark.h>

#include <memory>

#include "bench/bench_designs.h"
#include "files/dxf.h"
#include "model/displacement.h"
#include "base/number_text.h"
#include "model/pressure.h"
#include "model/profile.h"

namespace platecam::bench {
namespace {

void RunComputation(CamDesign& design, const DesignTexts& texts) {
    LoadDesignFromTexts(design, texts, '.');
    ScanMaxDisplacement(design);
    BuildDisplacement(design, 0);
    ComputePitchCurve(design);
    ComputeCamProfile(design);
    ComputePressureAngles(design);
}

void BM_WholeComputation(benchmark::State& state) {
    auto design = std::make_unique<CamDesign>();
    design->StepsPerDegree = static_cast<int>(state.range(0));
    const DesignTexts& texts = TextsFor(static_cast<int>(state.range(1)));
    for (auto _ : state) {
        RunComputation(*design, texts);
        benchmark::DoNotOptimize(design->MaxPressureAngle);
    }
}

void BM_DxfTextAndBytes(benchmark::State& state) {
    auto design = std::make_unique<CamDesign>();
    design->StepsPerDegree = static_cast<int>(state.range(0));
    RunComputation(*design, TextsFor(static_cast<int>(state.range(1))));
    DxfLines lines;
    for (auto _ : state) {
        BuildDxf(lines, *design, false);
        std::string bytes = EncodeDxf(lines);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.counters["lines"] = static_cast<double>(lines.size());
}

void BM_FormatNumber(benchmark::State& state) {
    const double values[] = {45, 22.500000000000004, -23.251113275502935, 2.7554552980815448e-15,
                             0.1, 38.57278950559732, 1234567890123455.0, 1e-5};
    std::string out;
    out.reserve(64);
    for (auto _ : state) {
        for (double v : values) {
            out.clear();
            AppendNumber(out, v);
            benchmark::DoNotOptimize(out.data());
        }
    }
    state.SetItemsProcessed(state.iterations() * 8);
}

void Resolutions(benchmark::internal::Benchmark* b) {
    for (int table : {0, 1}) {
        for (int S : {1, 2, 5}) b->Args({S, table});
    }
}

BENCHMARK(BM_WholeComputation)->Apply(Resolutions)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DxfTextAndBytes)->Apply(Resolutions)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FormatNumber)->Unit(benchmark::kNanosecond);

}  // namespace
}  // namespace platecam::bench

#ifndef PLATECAM_BENCH_UI
BENCHMARK_MAIN();
#endif
