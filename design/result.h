#pragma once
// A design becomes a cam here, once, for every client: the window's computation where the
// window shows the design (its drawing, byte for byte, and its own figures), the exact
// engine always, their checks as items with a code and a verdict, the sizing and the
// loads. Clients render this one result; every reason in it is a Text, put into words in
// whatever language a client writes.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/text.h"
#include "design/document.h"
#include "engine/cam.h"
#include "engine/clearance.h"
#include "engine/dynamics.h"
#include "engine/vibration.h"
#include "model/cam_design.h"
#include "model/profile.h"

namespace platecam {

// Where a design came from. A design file's outputs keep the window's words and columns
// they have had since the first version; a document's are the engine's.
enum class Origin { DesignFile, Document };

// The design as given, the settings of the run applied.
struct DesignInput {
    std::string path;
    Origin origin = Origin::DesignFile;
    // The window's design: a design file's table, or that of a document the window shows,
    // with the window's law index. Absent where the window cannot show the design.
    std::optional<MotionTable> table;
    int law = 0;
    // The design as a document: as read, or (made by ComputeDesign) a design file's table
    // once its rows make a cam.
    std::optional<DesignDocument> document;
    int stepsPerDegree = 1;
    std::optional<double> rpm;
    double maxPressure = 30;
    double minBase = 0;
    // [drawing] entries a design file gets from the run (a document holds its own).
    std::optional<DrawingSection> drawing;
    // What the run's settings changed of the design, a sentence each.
    std::vector<Text> overrides;
};

// What is asked beyond the checks.
struct Request {
    bool samples = false;  // the exact samples (a document's lists, drawings, reports)
    bool sizing = false;   // the smallest base radius
    bool sizeOffset = false;  // with sizing, a roller's: over the offsets too
    // The residual vibration and the contact force at every speed from `from` to `to` rpm
    // (a follower that is not rigid).
    struct Sweep {
        double from = 0, to = 0, step = 0;
    };
    std::optional<Sweep> sweep = std::nullopt;
};

// The window's buttons on its design: displacement, pitch curve, contour (the tangent
// construction) and the pressure angle by its chord method.
struct WindowComputation {
    std::unique_ptr<CamDesign> design = std::make_unique<CamDesign>();
    ProfileStatus status;
    std::optional<Text> pressureError;
    int maxAt = 0, minAt = 0;  // samples of the chord method's extremes
    int S() const { return design->StepsPerDegree; }
    int N() const { return RevolutionSamples(*design); }
};

enum class Verdict { Pass, Fail, Warning, Information };

// Every figure a client shows with a verdict, one item each.
enum class CheckCode {
    NotACam,                 // reason: why
    NoCamAtGivenRadius,      // value: the radius; reason: why the follower cannot exist there
    FlatPressureAngle,       // 0 by construction
    PressureAngleMax,        // value, at; limit: the pressure-angle limit
    PressureAngleMin,        // value, at; limit
    Undercut,                // value: the smallest convex pitch radius, at; limit: the roller
    ConcaveContour,          // value: the smallest concave contour radius, at
    ContourCurvature,        // value: the flat face's smallest contour radius, at; limit
    FaceWidth,               // value: the width needed; limit: the face's width
    Bore,                    // value: the wall, at; limit: the least wall
    WindowContour,           // value: the cam angle where the construction stopped
    WindowPressureAngleMax,  // value, at; reason: why the chord method has none
    WindowPressureAngleMin,  // value, at
    JoinVelocity,            // value: the jump, per radian; at
    JoinAcceleration,        // value: the jump, per radian squared; at
    ContactForce,            // value: the smallest, at; limit 0
    JumpFreeSpeed,           // value: rpm; reason where there is none
    SpringRate,              // value: N/mm; reason where there is none
    TorqueMax,               // value, at
    TorqueMin,               // value, at
    ContactStress,           // value, at (empty where defined nowhere); limit: the allowable; reason: where undefined
    ArmClearance,            // value: the arm's least room to the contour, at (the first fail); limit; reason
};

struct CheckItem {
    CheckCode code;
    Verdict verdict = Verdict::Information;
    std::optional<double> value;
    std::optional<double> limit;
    std::optional<double> atDeg;
    Text reason;
};

struct DesignResult {
    DesignInput input;
    std::optional<WindowComputation> window;
    // The exact cam, where the design is one: checks on the 0.05-degree grid, the samples,
    // the sizing when asked for.
    std::optional<engine::CamInput> cam;
    Text notACam;             // why there is nothing to check; empty for a cam
    Text noCamAtGivenRadius;  // with sizing: why the follower cannot exist at the radius given
    std::optional<engine::GridChecks> grid;
    std::optional<engine::ArmClearance> clearance;  // a swinging arm's room beside the cam
    std::vector<engine::Sample> samples;
    std::optional<engine::Sizing> sizing;
    // With the offset sized too: the offset of `sizing`, where it found a radius.
    std::optional<double> sizedOffset;
    // The loads at speed, for a document with [dynamics].
    std::optional<engine::DynamicsInput> loads;
    std::optional<engine::DynamicsResult> dynamics;
    // A follower that is not rigid ([dynamics] train_stiffness): its train, and its response
    // at the speed for the contour as cut. With compensation the contour is the corrected
    // one (cam's motion carries the correction, every check above is on it), and the law's
    // own contour's response stays beside it for comparison.
    std::optional<engine::TrainInput> train;
    std::optional<engine::VibrationResult> vibration;
    std::optional<engine::VibrationResult> vibrationUncompensated;
    bool compensated = false;
    // With a speed sweep asked for: one point per speed, for the contour as cut.
    std::vector<engine::SpeedPoint> sweep;
    // The window construction's roller test at the sized radius (information).
    std::optional<ProfileStatus> sizedRollerTest;
    std::vector<CheckItem> checks;

    int S() const { return input.stepsPerDegree; }
    int N() const { return 360 * input.stepsPerDegree; }
    // The cam's angular speed, rad/s, where the speed is known.
    std::optional<double> Omega() const;
    bool Passes() const;
    // The checks of one code, in the order found.
    std::vector<const CheckItem*> Checks(CheckCode code) const;
    const CheckItem* Check(CheckCode code) const;
    // For the outputs that draw or list the exact samples: throws why there are none where
    // the given base radius could not be computed.
    void RequireSamples() const;
};

// A document as it stands, as a design to compute: its own settings, and the window's
// table where the window shows it (so that its checks hold the window's too).
DesignInput InputOfDocument(DesignDocument document, std::string path);

// The window's computation, the document of a design file, the exact cam, its loads, its
// checks and, when asked for, its sizing. Throws CamError where the design cannot be
// computed at all (exit 2 for the batch).
DesignResult ComputeDesign(DesignInput input, const Request& request);

// The exact cam of a design document (the engine's terms).
engine::CamInput CamOfDocument(const DesignDocument& document);

// The loads of a document's [dynamics] and [contact], or nothing.
std::optional<engine::DynamicsInput> LoadsOfDocument(const DesignDocument& document);

}  // namespace platecam
