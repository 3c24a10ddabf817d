// The exact motion on the checks' 0.05 degree grid (7200 angles). Argument: the 20-row
// table, 0 rises, falls and dwells with the laws cycling through all seven, 1 the same
// without dwells, 2 without dwells and all cycloid.
//
// The cam at 0.2 degrees (1800 samples) with its checks on the grid, and the sizing, for
// each follower (argument 0 roller with offset, 1 flat face, 2 swinging arm) on the
// 20-row table with dwells, the window's resolution at its finest.
//
// The cam with its loads (contact force, torque, contact stress, the jump-free speed and
// the least spring rate, all on the grid) for the translating followers (0 roller with
// offset, 1 flat face): together from one evaluation of the motion, and the loads alone.

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "engine/cam.h"
#include "engine/dynamics.h"
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

CamInput BenchCam(int kind) {
    CamInput cam;
    cam.stepsPerDegree = 5;
    cam.motion = Motion::FromRows(Table(0));
    cam.baseRadius = 45;
    switch (kind) {
        case 0:
            cam.follower.rollerRadius = 10;
            cam.follower.offset = 6;
            break;
        case 1:
            cam.follower.kind = FollowerKind::Flat;
            cam.baseRadius = 550;
            cam.minRadiusOfCurvature = 5;
            break;
        default: {
            // Swings of up to 3 degrees on a 90 mm arm, pivot level with the roller at rest.
            std::vector<MotionRow> rows = Table(0);
            for (MotionRow& row : rows) row.lift *= 0.3;
            cam.motion = Motion::FromRows(rows);
            cam.follower.kind = FollowerKind::SwingRoller;
            cam.follower.rollerRadius = 10;
            cam.follower.armLength = 90;
            cam.follower.pivotDistance = std::hypot(90.0, 55.0);
        }
    }
    return cam;
}

void BM_ComputeSamples(benchmark::State& state) {
    const CamInput cam = BenchCam(static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(ComputeSamples(cam));
}
BENCHMARK(BM_ComputeSamples)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

void BM_CheckOnGrid(benchmark::State& state) {
    const CamInput cam = BenchCam(static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(CheckOnGrid(cam));
}
BENCHMARK(BM_CheckOnGrid)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

void BM_SamplesAndChecks(benchmark::State& state) {
    const CamInput cam = BenchCam(static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(ComputeCam(cam));
}
BENCHMARK(BM_SamplesAndChecks)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

void BM_SizeBaseRadius(benchmark::State& state) {
    const CamInput cam = BenchCam(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const Sizing sizing = SizeBaseRadius(cam);
        if (!sizing.found) state.SkipWithError("no base radius found");
        benchmark::DoNotOptimize(sizing);
    }
}
BENCHMARK(BM_SizeBaseRadius)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

DynamicsInput BenchLoads() {
    DynamicsInput d;
    d.rpm = 600;
    d.mass = 1.2;
    d.springRate = 20;
    d.preload = 60;
    d.damping = 40;
    d.load = 15;
    d.contact = ContactMaterial{12, 206000, 0.3};
    return d;
}

void BM_CamWithDynamics(benchmark::State& state) {
    const CamInput cam = BenchCam(static_cast<int>(state.range(0)));
    const DynamicsInput loads = BenchLoads();
    for (auto _ : state) benchmark::DoNotOptimize(ComputeCamWithDynamics(cam, loads));
}
BENCHMARK(BM_CamWithDynamics)->DenseRange(0, 1)->Unit(benchmark::kMicrosecond);

void BM_Dynamics(benchmark::State& state) {
    const CamInput cam = BenchCam(static_cast<int>(state.range(0)));
    const DynamicsInput loads = BenchLoads();
    for (auto _ : state) {
        const DynamicsResult r = ComputeDynamics(cam, loads);
        if (!r.checks.jumpFreeRpm.value || !r.checks.minSpringRate.value)
            state.SkipWithError("no jump-free speed or spring rate");
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_Dynamics)->DenseRange(0, 1)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace platecam::engine
