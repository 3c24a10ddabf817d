#include "batch/window_figures.h"

#include <cmath>
#include <memory>

#include "base/errors.h"
#include "base/window_laws.h"
#include "model/profile.h"

namespace platecam {

namespace {

constexpr long double Pi = 3.141592653589793L;
constexpr long double TwoPi = 6.283185307179586L;
constexpr double T = WindowLawRamp;
constexpr double TrapezoidA = WindowTrapezoidPeak;
constexpr double SineA = WindowSinePeak;

// The first ramp's end velocity, formed in extended precision as the window's laws form it.
double RampVelocity(double A) {
    const long double t = T;
    return static_cast<double>(2 * t * A / Pi);
}

MotionDerivatives CycloidDerivatives(double t) {
    const double w = static_cast<double>(TwoPi);
    return {1 - std::cos(w * t), w * std::sin(w * t), w * w * std::cos(w * t)};
}

// The ramps at both ends are shared by the two piecewise laws: acceleration A sin(4 pi t)
// on the first eighth and -A cos(4 pi (t - 7/8)) on the last.
MotionDerivatives FirstRamp(double A, double V1, double t) {
    const double w = static_cast<double>(Pi) / (2 * T);
    return {V1 * (1 - std::cos(w * t)), A * std::sin(w * t), A * w * std::cos(w * t)};
}

MotionDerivatives LastRamp(double A, double V1, double t) {
    const double w = static_cast<double>(Pi) / (2 * T);
    const double u = t - 1 + T;
    return {V1 - V1 * std::sin(w * u), -A * std::cos(w * u), A * w * std::sin(w * u)};
}

MotionDerivatives TrapezoidDerivatives(double t) {
    const double A = TrapezoidA;
    const double V1 = RampVelocity(A);
    const double V2 = (0.5 - 2 * T) * A + V1;
    const double w = static_cast<double>(Pi) / (2 * T);
    if (t <= 0.125) return FirstRamp(A, V1, t);
    if (t <= 0.375) return {A * (t - 0.125) + V1, A, 0};
    if (t <= 0.625) {
        const double u = t - 0.5 + T;
        return {V1 * std::sin(w * u) + V2, A * std::cos(w * u), -A * w * std::sin(w * u)};
    }
    if (t <= 0.875) return {-A * (t - 0.5 - T) + V2, -A, 0};
    return LastRamp(A, V1, t);
}

MotionDerivatives SineDerivatives(double t) {
    const double A = SineA;
    const double V1 = RampVelocity(A);
    if (t <= 0.125) return FirstRamp(A, V1, t);
    if (t >= 0.875) return LastRamp(A, V1, t);
    const double w = static_cast<double>(Pi) / (1 - 2 * T);
    const double M = (1 - 2 * T) * (1 - 2 * T) * A / (static_cast<double>(Pi) * static_cast<double>(Pi));
    const double u = t - 0.125;
    return {M * w * std::sin(w * u) + V1, M * w * w * std::cos(w * u),
            -M * w * w * w * std::sin(w * u)};
}

}  // namespace

MotionDerivatives EvaluateMotionDerivatives(int law, double t) {
    switch (law) {
        case 0:
            return CycloidDerivatives(t);
        case 1:
            return TrapezoidDerivatives(t);
        default:
            return SineDerivatives(t);
    }
}


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
