#pragma once
// The three motion laws: normalised time t in [0, 1] to normalised lift in [0, 1].

namespace platecam {

enum class MotionLaw : int { Cycloid = 0, ModifiedTrapezoid = 1, ModifiedSine = 2 };

// law is the index of the curve choice; any index other than 0 and 1 is the modified sine.
double EvaluateMotionLaw(int law, double t);
inline double EvaluateMotionLaw(MotionLaw law, double t) {
    return EvaluateMotionLaw(static_cast<int>(law), t);
}

}  // namespace platecam
