#pragma once
// The pressure angle of the follower over one revolution.

#include <utility>

#include "model/cam_design.h"

namespace platecam {

// Turns (x, y) about the origin by `angle` degrees, counter-clockwise.
Point2 RotatePoint(double x, double y, double angle);

// The turn of RotatePoint in radians, held as a double, and the turn itself given its
// cosine and sine (RotatePoint(x, y, a) == RotateBy(cos r, sin r, x, y), r = RotationRadians(a)).
double RotationRadians(double angle);
Point2 RotateBy(long double c, long double s, double x, double y);

// Slope angle in degrees (-90..90) of the chord p -> q, from the one-argument arctangent.
double DirectionAngle(Point2 p, Point2 q);

void ComputePressureAngles(CamDesign& design);

}  // namespace platecam
