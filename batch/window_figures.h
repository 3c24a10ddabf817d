#pragma once
// The window method's own figures beside its samples, which only a design file's outputs
// list (the CSV's columns since the batch tool's first version): the follower's velocity,
// acceleration and jerk from the window laws' derivatives, the exact pressure angle and
// the pitch curve's curvature they give. A design document's figures are the engine's.

#include "model/cam_design.h"

namespace platecam {

// The window law's first, second and third derivatives at t (law as the window's index:
// any other than 0 and 1 is the modified sine). None of the three laws has a step in its
// acceleration, so the jerk is finite everywhere, though it jumps at the pieces' joins.
struct MotionDerivatives {
    double velocity;
    double acceleration;
    double jerk;
};
MotionDerivatives EvaluateMotionDerivatives(int law, double t);

struct MotionProfile {
    ValueSamples velocity{};      // mm per radian of cam turn
    ValueSamples acceleration{};  // mm per radian squared
    ValueSamples jerk{};          // mm per radian cubed
};

// The derivatives of the displacement at every sample, in the same segment order as
// BuildDisplacement (later segments stand); dwells are at rest.
void BuildMotionProfile(const CamDesign& design, int law, MotionProfile& out);

// The pressure angle of an in-line translating roller follower, in degrees, from the
// law's derivative: tan(phi) = s' / (R_b + R_r + s). Unlike the window's chord method it
// does not depend on the resolution.
double ExactPressureAngle(double baseRadius, double rollerRadius, double displacement,
                          double velocity);

// Curvature of the pitch curve (1/mm), positive where it is convex; 0 where it is
// straight, so that a radius is only ever formed where one exists.
double PitchCurvature(double baseRadius, double rollerRadius, double displacement,
                      double velocity, double acceleration);

}  // namespace platecam
