#pragma once
// The three motion laws: normalised time t in [0, 1] to normalised lift in [0, 1].

namespace platecam {

enum class MotionLaw : int { Cycloid = 0, ModifiedTrapezoid = 1, ModifiedSine = 2 };

// law is the index of the curve choice; any index other than 0 and 1 is the modified sine.
double EvaluateMotionLaw(int law, double t);
inline double EvaluateMotionLaw(MotionLaw law, double t) {
    return EvaluateMotionLaw(static_cast<int>(law), t);
}

// The law's first, second and third derivatives at t (for reports; the samples
// themselves come from EvaluateMotionLaw). None of the three laws has a step in its
// acceleration, so the jerk is finite everywhere, though it jumps at the pieces' joins.
struct MotionDerivatives {
    double velocity;
    double acceleration;
    double jerk;
};
MotionDerivatives EvaluateMotionDerivatives(int law, double t);

}  // namespace platecam
