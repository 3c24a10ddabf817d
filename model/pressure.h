#pragma once
// The pressure angle of the follower over one revolution.

#include <utility>

#include "model/cam_design.h"

namespace platecam {

// Turns (x, y) about the origin by `angle` degrees, counter-clockwise.
Point2 RotatePoint(double x, double y, double angle);

// Slope angle in degrees (-90..90) of the chord p -> q, from the one-argument arctangent.
double DirectionAngle(Point2 p, Point2 q);

void ComputePressureAngles(CamDesign& design);

}  // namespace platecam
