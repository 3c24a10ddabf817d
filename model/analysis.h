#pragma once
// Engineering checks on a computed design: follower velocity, acceleration and jerk from
// the motion laws' derivatives, the exact pressure angle, the radius of curvature of the
// pitch curve and of the contour, and the smallest base circle that passes every check.

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

struct CurvatureCheck {
    bool convexFound = false;
    double minRadius = 0;  // smallest radius of curvature on convex parts, mm
    int sample = -1;       // where it occurs
};

// Radius of curvature of the pitch curve R(theta) = BaseRadius + RollerRadius + s(theta)
// from the analytic derivatives; the roller undercuts where it exceeds this radius.
CurvatureCheck CheckPitchCurvature(const CamDesign& design, const MotionProfile& motion);

// The pressure angle of an in-line translating roller follower, in degrees, from the
// law's derivative: tan(phi) = s' / (R_b + R_r + s). Unlike the window's chord method it
// does not depend on the resolution.
double ExactPressureAngle(double baseRadius, double rollerRadius, double displacement,
                          double velocity);

// Curvature of the pitch curve (1/mm), positive where it is convex; 0 where it is
// straight, so that a radius is only ever formed where one exists.
double PitchCurvature(double baseRadius, double rollerRadius, double displacement,
                      double velocity, double acceleration);

struct Extreme {
    bool found = false;
    double value = 0;
    int sample = -1;
};

// Every figure the checks and the report rest on, over one revolution.
struct DesignChecks {
    Extreme maxPressure, minPressure;  // exact pressure angle, degrees
    Extreme convexPitchRadius;         // smallest convex radius of the pitch curve, mm
    Extreme concaveContourRadius;      // concave contour radius of smallest size, mm (< 0)
};

DesignChecks CheckDesign(const CamDesign& design, const MotionProfile& motion);

struct CheckVerdicts {
    bool pressure = false;
    bool undercut = false;
    bool contour = false;
    bool all() const { return pressure && undercut && contour; }
};

CheckVerdicts JudgeChecks(const DesignChecks& checks, bool contourComplete, double rollerRadius,
                          double maxPressure);

struct SizingResult {
    bool found = false;
    double baseRadius = 0;       // the smallest passing radius, to 0.01 mm
    double searchedUpTo = 0;     // 10 x the largest lift + 100 mm
    bool passesAsGiven = false;  // the design's own radius passes already
    DesignChecks checks;         // at baseRadius
};

// The smallest base radius, in steps of 0.01 mm, at which the exact pressure angle stays
// within maxPressure, the roller does not undercut and the contour completes; roller and
// table as they are. Searches upward from the pressure angle's own lower bound in 1 mm
// steps (coarser where that would take more than 200), then bisects, up to 10 x the
// largest lift + 100 mm. The design is left as it was.
SizingResult SizeBaseRadius(const CamDesign& design, const MotionProfile& motion,
                            double maxPressure);

}  // namespace platecam
