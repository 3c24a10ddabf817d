#include "model/motion_law.h"

#include <cmath>

#include "base/window_laws.h"
#include "model/x87.h"

namespace platecam {

namespace {

// The constants are the decimal values the original design holds, with a 64-bit
// significand; the peak accelerations are 64-bit floats.
constexpr long double Pi = 3.141592653589793L;
constexpr long double TwoPi = 6.283185307179586L;
constexpr long double InverseTwoPi = 0.15915494309189535L;
constexpr double T = WindowLawRamp;
constexpr double TrapezoidA = WindowTrapezoidPeak;
constexpr double SineA = WindowSinePeak;

// Quantities derived from T and A; deliberately recomputed at every evaluation so the
// results carry exactly the roundings of the reference formulas.
struct Ramp {
    double V1;
    double S1;
    long double K;
};

Ramp MakeRamp(double A) {
    const long double t = T;
    Ramp r;
    r.V1 = static_cast<double>(2 * t * A / Pi);
    r.S1 = static_cast<double>(2 * t * t * A / Pi - 4 * t * t * A / (Pi * Pi));
    r.K = 4 * t * t * A / (Pi * Pi);
    return r;
}

double Cycloid(double t) {
    return static_cast<double>(t - Sin(t * TwoPi) * InverseTwoPi);
}

double ModifiedTrapezoid(double t) {
    const double A = TrapezoidA;
    const Ramp r = MakeRamp(A);
    const long double tl = t;
    const long double half = 0.5L;
    const double V2 = static_cast<double>((half - 2 * T) * A + r.V1);
    const double S2 =
        static_cast<double>((half - 2 * T) * (A / 2.0L) * (half - 2 * T) + (half - 2 * T) * r.V1 + r.S1);
    const double oneMinusS1 = static_cast<double>(1.0L - r.S1);
    const double oneMinusS2 = static_cast<double>(1.0L - S2);
    long double y;
    if (t <= 0.125) {
        y = r.V1 * tl - r.K * Sin(Pi * tl / 2 / T);
    } else if (t <= 0.375) {
        const long double u = tl - 0.125L;
        y = (A / 2.0L) * u * u + r.V1 * u + r.S1;
    } else if (t <= 0.625) {
        const long double u = tl - 0.5L + T;
        y = r.K * (1 - Cos(Pi * u / 2 / T)) + V2 * u + S2;
    } else if (t <= 0.875) {
        const long double u = tl - 0.5L - T;
        y = -(A / 2.0L) * u * u + V2 * u + oneMinusS2;
    } else {
        const long double u = tl - 1 + T;
        y = r.K * (Cos(Pi * u / 2 / T) - 1) + r.V1 * u + oneMinusS1;
    }
    return static_cast<double>(y);
}

double ModifiedSine(double t) {
    const double A = SineA;
    const Ramp r = MakeRamp(A);
    const long double tl = t;
    const long double M = (1 - 2.0L * T) * (1 - 2.0L * T) * A / (Pi * Pi);
    const double oneMinusS1 = static_cast<double>(1.0L - r.S1);
    long double y;
    if (t <= 0.125) {
        y = r.V1 * tl - r.K * Sin(Pi * tl / 2 / T);
    } else if (t >= 0.875) {
        const long double u = tl - 1 + T;
        y = r.K * (Cos(Pi * u / 2 / T) - 1) + r.V1 * u + oneMinusS1;
    } else {
        const long double u = tl - 0.125L;
        y = M * (1 - Cos(Pi * u / (1 - 2.0L * T))) + r.V1 * u + r.S1;
    }
    return static_cast<double>(y);
}

}  // namespace

double EvaluateMotionLaw(int law, double t) {
    switch (law) {
        case 0:
            return Cycloid(t);
        case 1:
            return ModifiedTrapezoid(t);
        default:
            return ModifiedSine(t);
    }
}

}  // namespace platecam
