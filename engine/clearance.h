#pragma once
// A swinging arm's room beside its cam: the pivot must lie outside the largest radius of
// the contour, and the straight arm from the pivot to the roller must pass clear of the
// contour at every cam angle, both by the follower's clearance. The part of the arm inside
// the roller is the roller's: it touches the contour by design.
//
// Every function here may run on several threads at once.

#include <optional>

#include "engine/cam_types.h"

namespace platecam::engine {

struct ArmClearance {
    double reach = 0;      // mm: the contour's largest distance from the cam centre
    double pivotRoom = 0;  // mm: the pivot's distance from the cam centre less `reach`
    // The smallest distance between the arm (pivot to the roller's rim) and the contour on
    // the check grid, 0 where the arm crosses it, and the first cam angle where it is.
    GridExtreme armRoom;
    // The first cam angle of the grid at which the pivot or the arm comes within the
    // clearance (the pivot's: where the contour's farthest point passes under it); empty
    // when both keep it.
    std::optional<double> failsAtDeg;
    bool pivotPass = true;  // pivotRoom > clearance
    bool armPass = true;    // armRoom > clearance
    bool Passes() const { return pivotPass && armPass; }
};

// The room of the swinging arm of `cam` (follower.clearance its least) at its base radius,
// on the 0.05-degree grid against the contour there. Throws CamError for another follower
// and as ComputeCam for a cam that cannot be computed.
ArmClearance CheckArmClearance(const CamInput& cam);

}  // namespace platecam::engine
