#pragma once
// Cosines and sines of the sample angles, one table per resolution. The sample angles
// form a fixed set, so every computation that turns or places samples reads the same
// values it would compute, without a trigonometric call per sample. The tables for 1, 2
// and 5 samples per degree are computed at build time by this very code (see
// ComputeSampleTrig) and compiled into the program: a new process does not spend its
// start computing them again.

#include <array>
#include <memory>

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

// The table for the resolution: the built-in one for 1, 2 or 5 samples per degree, any
// other computed on first use and kept. Entries beyond sample 360 S, which no revolution
// reaches, are zero.
const SampleTrig& SampleTrigFor(int stepsPerDegree);

// The table computed afresh: angles from SampleAngle and RotationRadians, cosines and
// sines from the C library. The build generates the built-in tables with it.
std::unique_ptr<SampleTrig> ComputeSampleTrig(int stepsPerDegree);

// The table generated at build time for 1, 2 or 5 samples per degree; null otherwise,
// and null for every resolution where the library is compiled without the tables.
const SampleTrig* BuiltInSampleTrig(int stepsPerDegree);

}  // namespace platecam
