#pragma once
// One run of platecam-batch: the window's computation where the window can show the
// design (made in the window's order, for its drawing and its own figures), and the exact
// computation of the cam, whose checks do not depend on the resolution.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "batch/input.h"
#include "batch/options.h"
#include "engine/cam.h"
#include "engine/dynamics.h"
#include "batch/window_figures.h"
#include "model/cam_design.h"
#include "model/profile.h"

namespace platecam {

// The window's buttons: displacement, pitch curve, contour (the tangent construction) and
// the pressure angle by its chord method.
struct WindowRun {
    std::unique_ptr<CamDesign> design = std::make_unique<CamDesign>();
    std::unique_ptr<MotionProfile> motion = std::make_unique<MotionProfile>();
    ProfileStatus status;
    std::optional<std::string> pressureError;
    int S() const { return design->StepsPerDegree; }
    int N() const { return RevolutionSamples(*design); }
};

struct Run {
    explicit Run(const BatchOptions& o) : options(o) {}
    const BatchOptions& options;
    BatchDesign input;
    std::optional<WindowRun> window;
    // The exact cam, where the design is one: checks on the 0.05-degree grid, the samples
    // of a design document, the sizing when asked for.
    std::optional<engine::CamInput> cam;
    std::string notADesign;  // why there is nothing to check
    std::optional<engine::GridChecks> grid;
    std::vector<engine::Sample> samples;
    std::optional<engine::Sizing> sizing;
    // The loads at speed, for a document with [dynamics]: per sample and their checks.
    std::optional<engine::DynamicsInput> loads;
    std::optional<engine::DynamicsResult> dynamics;
    // The window construction's roller test at the sized radius (information).
    std::optional<ProfileStatus> sizedRollerTest;
    // With --size-base, why the follower cannot exist at the given base radius (then the
    // sizing alone is computed); empty otherwise.
    std::string atGivenRadius;

    int S() const { return input.stepsPerDegree; }
    int N() const { return 360 * input.stepsPerDegree; }
    // Per-time kinematics: the cam's angular speed, rad/s.
    std::optional<double> Omega() const;
    bool Passes() const {
        return notADesign.empty() && grid && grid->AllPass() && !(dynamics && dynamics->checks.jump);
    }
    // For the outputs that draw or list the exact samples: throws why there are none where
    // the given base radius could not be computed.
    void RequireSamples() const;
};

// Reads the design and computes everything the outputs need. Throws CamError (exit 2).
void Compute(Run& run);
// The same for a design read already: run.input as ReadBatchDesign gave it.
void ComputeDesign(Run& run);

// The exact cam of a design document (the engine's terms).
engine::CamInput CamOfDocument(const DesignDocument& document);

// The loads of a document's [dynamics] and [contact], or nothing.
std::optional<engine::DynamicsInput> LoadsOfDocument(const DesignDocument& document);

// Where the window's chord method has its extremes.
struct WindowExtremes {
    int maxAt = 0, minAt = 0;
};
WindowExtremes FindWindowExtremes(const CamDesign& d);

// Units of the lift and its derivatives per radian and per second (a swinging arm's lift
// is an angle).
struct LiftUnits {
    const char* lift;
    const char* perRadian[3];
    const char* perSecond[3];
    double perRadianScale;            // from the engine's lift units per radian
    double perSecondScale[3];         // to the per-second units, times omega^n
};
LiftUnits UnitsOf(const Run& run);

// Largest |velocity|, |acceleration| and |jerk| on the grid, in the units of UnitsOf:
// per time when the speed is known, else per radian.
struct Peaks {
    double velocity = 0, acceleration = 0, jerk = 0;
};
Peaks FindPeaks(const Run& run);

}  // namespace platecam
