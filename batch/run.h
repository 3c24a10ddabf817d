#pragma once
// One run of platecam-batch on a design file: the window's computation, made in the
// window's order, and the figures every output reads.

#include <memory>
#include <optional>
#include <string>

#include "batch/options.h"
#include "model/analysis.h"
#include "model/cam_design.h"
#include "model/profile.h"

namespace platecam {

struct Run {
    explicit Run(const BatchOptions& o) : options(o) {}
    const BatchOptions& options;
    int law = 0;             // the window's index of the motion law
    double maxPressure = 30;  // the pressure-angle limit, degrees
    std::unique_ptr<CamDesign> design = std::make_unique<CamDesign>();
    std::unique_ptr<MotionProfile> motion = std::make_unique<MotionProfile>();
    ProfileStatus status;
    std::optional<std::string> windowPressureError;
    DesignChecks checks;
    CheckVerdicts verdicts;
    std::optional<SizingResult> sizing;

    int S() const { return design->StepsPerDegree; }
    int N() const { return RevolutionSamples(*design); }
    // Per-time kinematics: the cam's angular speed, rad/s.
    std::optional<double> Omega() const;
};

// OPEN, the displacement button reading the window's texts, then the cam calculation and
// the pressure angle: the same calls in the same order as the window makes them.
void Compute(Run& run);

// Where the window's chord method has its extremes.
struct WindowExtremes {
    int maxAt = 0, minAt = 0;
};
WindowExtremes FindWindowExtremes(const CamDesign& d);

// Largest |velocity|, |acceleration| and |jerk|, per time when the speed is known
// (mm/s, m/s^2, m/s^3), else per radian.
struct Peaks {
    double velocity = 0, acceleration = 0, jerk = 0;
};
Peaks FindPeaks(const Run& run);

}  // namespace platecam
