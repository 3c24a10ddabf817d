#include "model/analysis.h"

#include <cmath>
#include <memory>

#include "model/errors.h"
#include "model/motion_law.h"
#include "model/profile.h"

namespace platecam {

void BuildMotionProfile(const CamDesign& design, int law, MotionProfile& out) {
    const int S = design.StepsPerDegree;
    const TableWalk walk = WalkTable(design.MotionTable);
    CheckTableAngles(walk);
    constexpr double DegreesToRadians = 3.141592653589793 / 180;
    for (const Segment& segment : walk) {
        const std::int64_t i0 = segment.FirstSample(S);
        const std::int64_t i1 = segment.LastSample(S);
        if (segment.dwell) {
            for (std::int64_t i = i0; i <= i1; ++i) {
                out.velocity[i] = out.acceleration[i] = out.jerk[i] = 0;
            }
            continue;
        }
        if (i1 <= i0) continue;
        const double lift = ToHeld(static_cast<long double>(segment.endValue) - segment.startValue);
        const double span = static_cast<double>(i1 - i0) / S * DegreesToRadians;
        for (std::int64_t i = i0; i <= i1; ++i) {
            const double t = static_cast<double>(i - i0) / static_cast<double>(i1 - i0);
            const MotionDerivatives d = EvaluateMotionDerivatives(law, t);
            const long double L = lift;
            out.velocity[i] = ToHeld(L * d.velocity / span);
            out.acceleration[i] = ToHeld(L * d.acceleration / (span * span));
            out.jerk[i] = ToHeld(L * d.jerk / (static_cast<long double>(span) * span * span));
        }
    }
}

double ExactPressureAngle(double baseRadius, double rollerRadius, double displacement,
                          double velocity) {
    const double R = baseRadius + rollerRadius + displacement;
    return std::atan2(velocity, R) * (180 / 3.141592653589793);
}

double PitchCurvature(double baseRadius, double rollerRadius, double displacement,
                      double velocity, double acceleration) {
    // The polar curve R(theta): kappa = (R^2 + 2 R'^2 - R R'') / (R^2 + R'^2)^(3/2).
    const double R = baseRadius + rollerRadius + displacement;
    const double norm = R * R + velocity * velocity;
    if (!(norm > 0)) return 0;
    const double kappa = (R * R + 2 * velocity * velocity - R * acceleration) / std::pow(norm, 1.5);
    return std::isfinite(kappa) ? kappa : 0;
}

CurvatureCheck CheckPitchCurvature(const CamDesign& design, const MotionProfile& motion) {
    const Extreme convex = CheckDesign(design, motion).convexPitchRadius;
    return CurvatureCheck{convex.found, convex.value, convex.sample};
}

DesignChecks CheckDesign(const CamDesign& design, const MotionProfile& motion) {
    DesignChecks checks;
    const int N = std::min(RevolutionSamples(design), SampleCount);
    auto keep = [](Extreme& e, double value, int sample, bool better) {
        if (!e.found || better) e = Extreme{true, value, sample};
    };
    for (int i = 0; i < N; ++i) {
        const double s = design.Displacement[i];
        const double phi =
            ExactPressureAngle(design.BaseRadius, design.RollerRadius, s, motion.velocity[i]);
        keep(checks.maxPressure, phi, i, phi > checks.maxPressure.value);
        keep(checks.minPressure, phi, i, phi < checks.minPressure.value);
        const double kappa = PitchCurvature(design.BaseRadius, design.RollerRadius, s,
                                            motion.velocity[i], motion.acceleration[i]);
        if (kappa > 0) {
            const double radius = 1 / kappa;
            keep(checks.convexPitchRadius, radius, i, radius < checks.convexPitchRadius.value);
        } else if (kappa < 0) {
            // Offset inwards by the roller, a concave pitch curve gives a tighter contour.
            const double radius = 1 / kappa - design.RollerRadius;
            keep(checks.concaveContourRadius, radius, i,
                 radius > checks.concaveContourRadius.value);
        }
    }
    return checks;
}

CheckVerdicts JudgeChecks(const DesignChecks& checks, bool contourComplete, double rollerRadius,
                          double maxPressure) {
    CheckVerdicts v;
    v.pressure = checks.maxPressure.value <= maxPressure && -checks.minPressure.value <= maxPressure;
    v.undercut = !checks.convexPitchRadius.found || checks.convexPitchRadius.value >= rollerRadius;
    v.contour = contourComplete;
    return v;
}

namespace {

// The checks of the design at another base radius; `work` is a scratch copy.
struct Trial {
    bool pass = false;
    DesignChecks checks;
};

Trial TryBaseRadius(CamDesign& work, const MotionProfile& motion, double baseRadius,
                    double maxPressure) {
    work.BaseRadius = baseRadius;
    work.MotionTable[BaseRadiusSlot].Value = work.BaseRadius;
    Trial trial;
    trial.checks = CheckDesign(work, motion);
    bool complete = false;
    try {
        ComputePitchCurve(work);
        complete = ComputeCamProfile(work).completed;
    } catch (const CamError&) {
        complete = false;  // a contour that cannot be computed is no contour
    }
    trial.pass = JudgeChecks(trial.checks, complete, work.RollerRadius, maxPressure).all();
    return trial;
}

}  // namespace

SizingResult SizeBaseRadius(const CamDesign& design, const MotionProfile& motion,
                            double maxPressure) {
    SizingResult result;
    result.searchedUpTo = 10 * design.MaxDisplacement + 100;
    auto work = std::make_unique<CamDesign>(design);
    result.passesAsGiven = TryBaseRadius(*work, motion, design.BaseRadius, maxPressure).pass;
    // Below this radius the exact pressure angle exceeds the limit somewhere.
    const double tangent = std::tan(maxPressure * 3.141592653589793 / 180);
    double lower = 0.01;
    const int N = std::min(RevolutionSamples(design), SampleCount);
    for (int i = 0; i < N; ++i) {
        const double needed =
            std::fabs(motion.velocity[i]) / tangent - design.RollerRadius - design.Displacement[i];
        if (needed > lower) lower = needed;
    }
    // Radii in hundredths of a millimetre; a search range beyond any machine is not searched.
    if (!(result.searchedUpTo < 1e9) || !(lower <= result.searchedUpTo)) return result;
    const long long limit = std::llround(result.searchedUpTo * 100);
    auto pass = [&](long long k) {
        return TryBaseRadius(*work, motion, static_cast<double>(k) / 100, maxPressure).pass;
    };
    // Steps of 1 mm, or coarser where the range would take more than 200 of them.
    const long long start = std::max(1LL, static_cast<long long>(std::ceil(lower * 100)) - 1);
    const long long step = std::max(100LL, (limit - start) / 200);
    long long failed = -1;
    long long passed = -1;
    for (long long k = start; k <= limit; k += step) {
        if (pass(k)) {
            passed = k;
            break;
        }
        failed = k;
    }
    if (passed < 0) {
        // The last coarse step may have jumped over the limit itself.
        if (failed < limit && pass(limit)) {
            passed = limit;
        } else {
            return result;
        }
    }
    if (failed < 0) failed = passed - 1;  // 0 mm or the pressure bound itself
    while (passed - failed > 1) {
        const long long middle = failed + (passed - failed) / 2;
        (pass(middle) ? passed : failed) = middle;
    }
    result.found = true;
    result.baseRadius = static_cast<double>(passed) / 100;
    result.checks = TryBaseRadius(*work, motion, result.baseRadius, maxPressure).checks;
    return result;
}

}  // namespace platecam
