#pragma once
// The vocabulary of the exact engine: what a cam is made of (the follower, the input),
// what it gives (a sample, the checks on the grid, the contact for the loads, the
// sizing). engine/cam.h computes them.
//
// Frame: origin at the cam centre, x right, y up, cam angle 0 at the top, cam angles
// advancing clockwise on the cam; the cam turns counter-clockwise, so the follower meets
// increasing cam angles. A point at cam angle theta in the follower's frame lies in the
// cam's frame turned by -theta (clockwise).

#include <optional>
#include <vector>

#include "base/errors.h"
#include "engine/motion.h"
#include "engine/vocabulary.h"

namespace platecam::engine {

struct Follower {
    FollowerKind kind = FollowerKind::Roller;
    double rollerRadius = 0;             // mm; roller and swing-roller
    double offset = 0;                   // mm; roller: the line of motion x = offset
    std::optional<double> faceWidth;     // mm; flat: checked when given
    double armLength = 0;                // mm; swing-roller: pivot to roller centre
    double pivotDistance = 0;            // mm; swing-roller: cam centre to pivot
    double clearance = 0;                // mm; swing-roller: the least room of pivot and arm
};

// A bore through the cam (the shaft's): it must leave a wall to the contour.
struct Bore {
    double diameter = 0;  // mm
    double minWall = 3;   // mm: the least wall between the bore and the contour
};

struct CamInput {
    double baseRadius = 0;  // mm
    Follower follower;
    Motion motion;          // lift in mm; swing-roller: degrees of arm swing
    int stepsPerDegree = 1;           // output samples: 1, 2 or 5 per degree
    double maxPressureAngle = 30;     // degrees
    double minBaseRadius = 0;         // mm: sizing never goes below it
    double minRadiusOfCurvature = 0;  // mm: flat face, 0 meaning only > 0
    std::optional<Bore> bore;
};

struct Point {
    double x = 0, y = 0;
};

// A follower that cannot exist at the cam's base radius: it reaches the cam centre, its
// line misses the prime circle, its arm's triangle does not close, its path has no
// direction. Sizing looks at other radii; every other refusal is a plain CamError.
class GeometryError : public CamError {
public:
    using CamError::CamError;
};

// One output sample. Lift derivatives are per radian of cam turn in the lift's unit (a
// swinging arm's in degrees per radian).
struct Sample {
    double angleDeg = 0;
    Kinematics motion;
    double pressureAngleDeg = 0;
    Point pitch;    // roller centre; flat: the face's point on the follower's axis
    Point contact;  // the contour
    // Signed radius of curvature of the contour, mm, convex positive; empty where the
    // contour is straight there. Roller kinds: pitch radius - roller radius (negative on
    // concave parts, and where the roller undercuts); flat: Rb + s + s'' (<= 0 at a cusp).
    std::optional<double> contourRadius;
    // Signed radius of curvature of the pitch curve, mm (roller kinds); empty where straight.
    std::optional<double> pitchRadius;
};

// An extreme on the check grid, with its grid angle.
struct GridExtreme {
    bool found = false;
    double value = 0;
    double atDeg = 0;
};

// The largest magnitudes within one segment of the table, on the grid (both ends
// included, each from its own segment's side).
struct SegmentPeaks {
    double velocity = 0, acceleration = 0, jerk = 0;  // per radian, lift units
    double pressureDeg = 0;                           // largest |pressure angle|
};

struct GridChecks {
    GridExtreme maxPressure, minPressure;  // degrees (not for the flat face: 0 by construction)
    GridExtreme convexPitchRadius;         // smallest convex pitch radius, mm (roller kinds)
    GridExtreme concaveContourRadius;      // smallest |concave contour radius|, mm, reported > 0
    GridExtreme contourRadius;             // flat: smallest contour radius rho, mm (may be <= 0)
    double faceWidthNeeded = 0;            // flat: max s' - min s', mm
    double minContactOffset = 0, maxContactOffset = 0;  // flat: s' extremes, mm
    std::vector<SegmentPeaks> segments;                 // one per segment of the motion
    // With a bore: the contour's point nearest the cam centre (its distance, mm), and the
    // wall left between it and the bore.
    GridExtreme innermostContour;
    double boreWall = 0;

    // Verdicts against the given limits.
    bool pressurePass = true;
    bool undercutPass = true;    // roller kinds: convex pitch radius >= roller radius
    bool curvaturePass = true;   // flat: rho >= minimum (and > 0)
    bool faceWidthPass = true;   // flat with a face width given
    bool borePass = true;        // with a bore: the wall is at least the least wall
    bool AllPass() const {
        return pressurePass && undercutPass && curvaturePass && faceWidthPass && borePass;
    }
};

// Samples and checks together.
struct CamResult {
    std::vector<Sample> samples;
    GridChecks checks;
};
// What the loads on the follower need at one point of the check grid.
struct ContactPoint {
    Kinematics motion;
    double cosPressure = 1;  // of the pressure angle; 1 on the flat face
    // The relative curvature of the two bodies at contact, 1/mm: 1/rho + 1/Rr for the roller
    // kinds, 1/rho for the flat face (rho the contour's signed radius, Sample::contourRadius);
    // <= 0 where the contour is undercut; 0 where it is not finite (a pointed contour, a
    // roller of radius 0).
    double relativeCurvature = 0;
};

// The contact on the whole check grid: `at[k]` at k * 0.05 degrees (the later side at a
// join, as the samples), `ends[g]` at the end of segment g of the motion from its own side
// (grid index 20 * endDeg, 7200 for the end at 360 degrees).
struct GridContact {
    std::vector<ContactPoint> at;
    std::vector<ContactPoint> ends;
};

struct Sizing {
    bool found = false;
    double baseRadius = 0;      // the smallest multiple of 0.01 mm that passes
    double searchedUpTo = 0;    // mm
    bool isMinimum = false;     // the result is the minimum base radius itself (its first
                                // multiple of 0.01 mm): the hub decides, not the checks
    bool passesAsGiven = false;
    bool cancelled = false;     // the caller stopped the search: nothing was found
    GridChecks checks;          // at baseRadius
};

}  // namespace platecam::engine
