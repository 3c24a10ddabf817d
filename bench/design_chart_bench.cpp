// The design chart of a roller cam like examples/offset-roller.toml (3-4-5 rise, 4-5-6-7
// return, roller 8 mm): every check on the grid at each node of a 100 x 100 plane of
// offsets and base radii, the rows shared out over the machine's cores. Budget: within
// 5 s for the whole plane, wall-clock time, so that the report's chart never keeps its
// reader waiting long.

#include <benchmark/benchmark.h>

#include "engine/design_chart.h"
#include "engine/motion.h"

namespace platecam::engine {
namespace {

void BM_ChartDesigns(benchmark::State& state) {
    CamInput cam;
    cam.baseRadius = 40;
    cam.stepsPerDegree = 2;
    cam.follower.rollerRadius = 8;
    cam.follower.offset = 6;
    cam.motion = Motion::FromRows({{0, 0},
                                   {20, 0},
                                   {140, 18, Law::Polynomial345},
                                   {200, 18},
                                   {320, 0, Law::Polynomial4567},
                                   {360, 0}});
    // Base radii 10 to 60 mm, offsets out to the widest the largest of them fits (Rb + Rr).
    for (auto _ : state) {
        const DesignPlane plane = ChartDesigns(cam, -68, 68, 10, 60, 100, 100);
        benchmark::DoNotOptimize(plane.nodes.data());
    }
    state.SetItemsProcessed(100 * 100 * state.iterations());
}
BENCHMARK(BM_ChartDesigns)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
}  // namespace platecam::engine
