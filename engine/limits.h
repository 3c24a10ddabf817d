#pragma once
// The range of every number a cam is computed from, written once: the design document's
// reader, the command line's options and the engine itself judge a value by these rules,
// with the same words. The bounds are wide of every real cam (millimetres to metres, a few
// thousand rpm) and narrow enough that no figure computed from values inside them
// overflows: a million of a unit is the ceiling of most of them.

#include "base/text.h"

namespace platecam::engine {

enum class Quantity {
    BaseRadius,
    Rpm,
    MaxPressureAngle,
    MinBaseRadius,
    MinRadiusOfCurvature,
    RollerRadius,
    Offset,
    FaceWidth,
    ArmLength,
    PivotDistance,
    Lift,      // mm of a translating follower
    ArmSwing,  // degrees of a swinging arm's lift
    Mass,
    SpringRate,
    Preload,
    Damping,
    Load,
    ContactWidth,
    ElasticModulus,
    PoissonRatio,
    BoreDiameter,
    MinWall,
    TrainStiffness,
    DampingRatio,
    Inertia,
    SpringTorqueRate,
    PreloadTorque,
    LoadTorque,
    ArmDamping,
    AllowableStress,
    Clearance,
    RowVelocity,
    RowAcceleration,
    RowJerk,
    ToolRadius,
    Feed,
    PlungeFeed,
    Spindle,
    Depth,
    SafeZ,
    LeadIn,
    // The command line's: the drawing's tolerance, the steps of the lift and coordinate
    // tables.
    Tolerance,
    LiftStep,
    TableStep,
};

struct Limit {
    const char* key;   // the design document's key ("cam.base_radius"); a row's "lift"
    const char* unit;  // written after the bounds in messages: "mm", "°", "" for none
    double low;
    bool lowIncluded;  // the lower bound itself is allowed
    double high;       // never allowed itself
};

const Limit& LimitOf(Quantity quantity);

// True for a finite value inside the quantity's range.
bool InRange(Quantity quantity, double value);

// Why the value is not allowed ("must be greater than 0 mm and less than 1000000 mm";
// "must be a finite number"), or an empty text when it is.
Text RangeProblem(Quantity quantity, double value);

// The rule alone, as the messages state it ("must be greater than 0 mm and less than
// 1000000 mm").
Text RangeRule(Quantity quantity);

// Throws CamError "key: rule" when the value breaks the quantity's rule (the engine's
// own guard; a reader names the file and line before this is reached).
void RequireInRange(Quantity quantity, double value);

}  // namespace platecam::engine
