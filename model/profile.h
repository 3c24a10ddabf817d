#pragma once
// The pitch curve (path of the roller centre) and the cam contour.

#include <utility>

#include "model/cam_design.h"

namespace platecam {

double PointDistance(Point2 p, Point2 q);

// The two points where the circle (r1, c1) meets the circle (r2, c2): first to the
// right of the direction c1 -> c2, second to the left.
std::pair<Point2, Point2> CircleIntersection(double r1, Point2 c1, double r2, Point2 c2);

// Polar angle of sample i, radians, held as a double.
double SampleAngle(std::int64_t i, int stepsPerDegree);

void ComputePitchCurve(CamDesign& design);

struct ProfileStatus {
    bool completed = true;
    int stoppedAt = -1;  // the sample that failed the roller test
};

// Builds CamProfile. When the roller cannot follow the motion it stops at that sample
// and says so in the status; the window shows "コロに対して変動が大きすぎる".
ProfileStatus ComputeCamProfile(CamDesign& design);

}  // namespace platecam
