// The exact motion on the checks' 0.05 degree grid (7200 angles). Argument: the 20-row
// table, 0 rises, falls and dwells with the laws cycling through all seven, 1 the same
// without dwells, 2 without dwells and all cycloid (the window's laws cost the most: the
// model forms their lift with the x87 sine).

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "engine/motion.h"

namespace platecam::engine {
namespace {

std::vector<MotionRow> Table(int kind) {
    const bool dwells = kind == 0;
    const double withDwells[20] = {0, 6, 6, 0, 0, 8, 8, 3, 0, 0, 5, 10, 10, 4, 0, 0, 7, 7, 2, 0};
    std::vector<MotionRow> rows;
    for (int k = 0; k < 20; ++k) {
        const double lift = dwells ? withDwells[k] : (k % 2 == 1 && k < 19 ? 8 : k == 18 ? 3 : 0);
        rows.push_back({static_cast<std::int32_t>(std::lround(k * 360.0 / 19)), lift,
                        kind == 2 ? Law::Cycloid : static_cast<Law>(k % LawCount)});
    }
    return rows;
}

void BM_MotionOnTheCheckGrid(benchmark::State& state) {
    const Motion motion = Motion::FromRows(Table(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        double sum = 0;
        for (int k = 0; k < 7200; ++k) {
            const Kinematics m = motion.At(k / 20.0);
            sum += m.s + m.v + m.a + m.j;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(7200 * state.iterations());
}
BENCHMARK(BM_MotionOnTheCheckGrid)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace platecam::engine
