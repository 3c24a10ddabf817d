#pragma once
// Cosines and sines of the sample angles, computed once per resolution. The sample
// angles form a fixed set, so every computation that turns or places samples reads the
// same values it would compute, without a trigonometric call per sample.

#include <array>

#include "model/cam_design.h"

namespace platecam {

struct SampleTrig {
    // Polar angle of sample i, theta_i = (90 - i/S) degrees in radians, held as a double.
    std::array<long double, SampleCount> cosTheta;
    std::array<long double, SampleCount> sinTheta;
    // The turn that brings sample i to the top: alpha_i = i/S degrees, held as a double.
    std::array<long double, SampleCount> cosAlpha;
    std::array<long double, SampleCount> sinAlpha;
};

// The table for 1, 2 or 5 samples per degree (any other resolution is computed afresh
// into a table of its own as well). Entries beyond sample 360 S, which no revolution
// reaches, are zero.
const SampleTrig& SampleTrigFor(int stepsPerDegree);

}  // namespace platecam
