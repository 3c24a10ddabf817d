#pragma once
// The window computation's follower velocity, acceleration and jerk from the motion laws'
// derivatives, with the exact pressure angle and the pitch curve's curvature they give.

#include "model/cam_design.h"

namespace platecam {

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
