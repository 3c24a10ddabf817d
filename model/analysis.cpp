#include "model/analysis.h"

#include <cmath>

#include "model/errors.h"
#include "model/motion_law.h"

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
            for (std::int64_t i = i0; i <= i1; ++i) out.velocity[i] = out.acceleration[i] = 0;
            continue;
        }
        if (i1 <= i0) continue;
        const double lift = ToHeld(static_cast<long double>(segment.endValue) - segment.startValue);
        const double span = static_cast<double>(i1 - i0) / S * DegreesToRadians;
        for (std::int64_t i = i0; i <= i1; ++i) {
            const double t = static_cast<double>(i - i0) / static_cast<double>(i1 - i0);
            const MotionDerivatives d = EvaluateMotionDerivatives(law, t);
            out.velocity[i] = ToHeld(static_cast<long double>(lift) * d.velocity / span);
            out.acceleration[i] =
                ToHeld(static_cast<long double>(lift) * d.acceleration / (span * span));
        }
    }
}

CurvatureCheck CheckPitchCurvature(const CamDesign& design, const MotionProfile& motion) {
    CurvatureCheck check;
    const int N = std::min(RevolutionSamples(design), SampleCount);
    for (int i = 0; i < N; ++i) {
        const double R = design.BaseRadius + design.RollerRadius + design.Displacement[i];
        const double R1 = motion.velocity[i];
        const double R2 = motion.acceleration[i];
        if (!(R > 0)) continue;
        const double denominator = R * R + 2 * R1 * R1 - R * R2;
        if (!(denominator > 0)) continue;  // concave (or straight): no undercut by the roller
        const double radius = std::pow(R * R + R1 * R1, 1.5) / denominator;
        if (!std::isfinite(radius)) continue;
        if (!check.convexFound || radius < check.minRadius) {
            check.convexFound = true;
            check.minRadius = radius;
            check.sample = i;
        }
    }
    return check;
}

}  // namespace platecam
