#pragma once
// Engineering checks on a computed design: follower velocity and acceleration from the
// motion laws' derivatives, and the pitch curve's radius of curvature.

#include "model/cam_design.h"

namespace platecam {

struct MotionProfile {
    ValueSamples velocity{};      // mm per radian of cam turn
    ValueSamples acceleration{};  // mm per radian squared
};

// The derivatives of the displacement at every sample, in the same segment order as
// BuildDisplacement (later segments stand); dwells are at rest.
void BuildMotionProfile(const CamDesign& design, int law, MotionProfile& out);

struct CurvatureCheck {
    bool convexFound = false;
    double minRadius = 0;  // smallest radius of curvature on convex parts, mm
    int sample = -1;       // where it occurs
};

// Radius of curvature of the pitch curve R(theta) = BaseRadius + RollerRadius + s(theta)
// from the analytic derivatives; the roller undercuts where it exceeds this radius.
CurvatureCheck CheckPitchCurvature(const CamDesign& design, const MotionProfile& motion);

}  // namespace platecam
