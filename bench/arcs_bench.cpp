// A cam-like contour drawn in arcs at 0.001 mm: radius 45 mm, a cycloidal rise of 20 mm
// over 90 degrees, a dwell, a cycloidal return over 120 degrees and a dwell, with breaks
// where the motion changes law. The counter is the number of pieces.

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>

#include "batch/machining.h"
#include "engine/exact.h"
#include "files/arcs.h"

namespace platecam::arcs {
namespace {

using platecam::ContourCurve;
using platecam::FitCurve;
using platecam::FittedCurve;

constexpr double Deg = std::numbers::pi / 180;

// Cycloidal motion of `rise` over `span` degrees: the lift at x = (u - start) / span and
// its derivative per radian of u.
void Cycloid(double x, double rise, double span, double& lift, double& slope) {
    const double turn = 2 * std::numbers::pi * x;
    lift = rise * (x - std::sin(turn) / (2 * std::numbers::pi));
    slope = rise * (1 - std::cos(turn)) / (span * Deg);
}

void Radius(double u, double& r, double& dr) {
    double lift = 0, slope = 0;
    if (u > 60 && u < 150) Cycloid((u - 60) / 90, 20, 90, lift, slope);
    else if (u >= 150 && u <= 210) lift = 20;
    else if (u > 210 && u < 330) {
        Cycloid((u - 210) / 120, 20, 120, lift, slope);
        lift = 20 - lift;
        slope = -slope;
    }
    r = 45 + lift;
    dr = slope;
}

Curve CamContour() {
    Curve curve;
    curve.point = [](double u) {
        double r, dr;
        Radius(u, r, dr);
        return Point{r * std::sin(u * Deg), r * std::cos(u * Deg)};
    };
    curve.tangent = [](double u, bool) {
        double r, dr;
        Radius(u, r, dr);
        const double s = std::sin(u * Deg), c = std::cos(u * Deg);
        const double x = dr * s + r * c, y = dr * c - r * s, length = std::hypot(x, y);
        return Point{x / length, y / length};
    };
    curve.breaks = {60, 150, 210, 330};
    return curve;
}

void BM_FitBiarcs(benchmark::State& state) {
    const Curve curve = CamContour();
    std::size_t pieces = 0;
    for (auto _ : state) {
        const Fit fit = FitBiarcs(curve, 0.001);
        pieces = fit.pieces.size();
        benchmark::DoNotOptimize(fit);
    }
    state.counters["pieces"] = static_cast<double>(pieces);
}
BENCHMARK(BM_FitBiarcs)->Unit(benchmark::kMillisecond);

// The start-up design's exact contour at 0.2° as the drawing gets it: the arcs at 0.001 mm,
// then (argument 1) the independent dense measure the run reports as well.
void BM_StartUpContourArcs(benchmark::State& state) {
    engine::CamInput cam;
    cam.baseRadius = 45;
    cam.follower.rollerRadius = 10;
    cam.stepsPerDegree = 5;
    cam.motion = engine::Motion::FromRows(
        {{0, 0}, {30, 0}, {90, 10}, {110, 10}, {170, 20}, {180, 20}, {260, 0}, {360, 0}});
    const Curve curve = ContourCurve(engine::ExactCam(cam));
    std::size_t pieces = 0;
    for (auto _ : state) {
        if (state.range(0)) {
            const FittedCurve fitted = FitCurve(curve, 0.001);
            pieces = fitted.pieces.size();
            benchmark::DoNotOptimize(fitted);
        } else {
            const Fit fit = FitBiarcs(curve, 0.001);
            pieces = fit.pieces.size();
            benchmark::DoNotOptimize(fit);
        }
    }
    state.counters["pieces"] = static_cast<double>(pieces);
}
BENCHMARK(BM_StartUpContourArcs)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace platecam::arcs
