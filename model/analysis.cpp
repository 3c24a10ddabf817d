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

}  // namespace platecam
