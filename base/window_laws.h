#pragma once
// The constants of the window's three motion laws, as the original design holds them:
// the modified trapezoid and the modified sine ramp their acceleration up and down over
// the first and last eighth (T) to the peak A. The trapezoid's A keeps the window's 11
// digits, so its lift steps at 5/8 by the cut (about 3e-12 of the rise). The window's
// computation and the exact engine both evaluate these laws from here.

namespace platecam {

inline constexpr double WindowLawRamp = 0.125;                  // T, of the unit rise
inline constexpr double WindowTrapezoidPeak = 4.8881237628;     // A of the modified trapezoid
inline constexpr double WindowSinePeak = 5.52795707054409;      // A of the modified sine

}  // namespace platecam
