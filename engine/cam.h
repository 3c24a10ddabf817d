#pragma once
// The exact computation of a design document's cam: the follower's motion turned into the
// pitch curve, the contour (the true envelope of the follower), the pressure angle and the
// radii of curvature, at the output samples and on the fixed 0.05-degree grid of the
// checks, and the smallest base circle that passes them. Each kind of follower's geometry
// is engine/follower.h; the checks on the grid engine/checks.cpp, the sizing
// engine/sizing.cpp.
//
// Every function here may run on several threads at once.

#include <functional>
#include <vector>

#include "engine/cam_types.h"

namespace platecam::engine {

// The output samples i = 0 .. 360 S - 1; at a join the later segment's values stand.
// Throws CamError (naming the key) for geometry that cannot exist: an offset that does not
// fit inside the prime circle, an arm triangle that does not close, a value out of range;
// (naming the angle) for a follower that reaches the cam centre. No value it returns is
// NaN or infinite (CamError instead).
std::vector<Sample> ComputeSamples(const CamInput& cam);

// Swing-roller: the arm's pivot in the follower's frame (the frame of the cam at angle 0),
// from the triangle cam centre, pivot, roller centre at rest. Throws CamError naming the
// keys when the triangle does not close.
Point SwingPivot(const CamInput& cam);

// Every checked quantity on the grid k * 0.05 degrees, k = 0..7199, with both one-sided
// values where a join falls on a grid angle; independent of the output resolution. An
// extreme found on the earlier side of the join at 360 degrees is reported at 0. Throws as
// ComputeSamples, also for a point of the grid between the samples.
GridChecks CheckOnGrid(const CamInput& cam);

// Samples and checks together: the samples are grid points (k = 20 i / S), so the motion
// is evaluated once for both.
CamResult ComputeCam(const CamInput& cam);

// Fills `contact` for the cam, reusing its storage; throws as CheckOnGrid.
void ContactOnGrid(const CamInput& cam, GridContact& contact);

// ComputeCam, and the contact on the grid from the same evaluation of the motion.
CamResult ComputeCam(const CamInput& cam, GridContact& contact);

// The smallest base radius (a multiple of 0.01 mm, >= minBaseRadius, > 0) at which the
// checks that depend on it pass: pressure angle and undercut (roller kinds), radius of
// curvature (flat); everything else kept (an arm keeps its length and pivot distance, so
// its rest angle follows from the triangle). The face width does not depend on the base
// radius: it is judged in `checks` but not searched for. A radius at which the geometry
// cannot exist (offset outside the prime circle, arm triangle open, follower at the cam
// centre) does not pass. passesAsGiven judges the given base radius by the same checks.
// `progress`, where given, hears how far the search is (0..1) at every radius it tries,
// and stops it by returning false.
Sizing SizeBaseRadius(const CamInput& cam, const std::function<bool(double)>& progress = {});

// True for the followers that move along a line (the roller, the flat face); a swinging
// arm turns about its pivot.
bool Translates(FollowerKind kind);

}  // namespace platecam::engine
