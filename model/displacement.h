#pragma once
#include "model/cam_design.h"

namespace platecam {

// Fills Displacement from the motion table at the design's resolution. law is the
// index of the curve choice (see EvaluateMotionLaw).
void BuildDisplacement(CamDesign& design, int law);

}  // namespace platecam
