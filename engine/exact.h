#pragma once
// The cam at any cam angle, exactly: its contour, pitch point, normal, tangent and radius
// of curvature from the laws' closed forms, not from samples. What is cut from a drawing
// or a program (the arcs within a stated distance of the contour, the tool's path, the
// grinder's table) is measured against this.

#include <memory>
#include <optional>
#include <vector>

#include "engine/cam_types.h"

namespace platecam::engine {

struct ExactPoint {
    Point pitch;    // the roller's centre; flat: the face's point on the follower's axis
    Point contact;  // the contour
    Point normal;   // unit, out of the cam at the contact (towards the follower)
    Point tangent;  // unit, along the contour as the cam angle grows (clockwise round the cam)
    // Signed radius of curvature of the contour, mm, convex positive; empty where straight.
    std::optional<double> contourRadius;
    // Roller kinds: signed radius of the pitch curve (negative where the contour is concave).
    std::optional<double> pitchRadius;
};

class ExactCam {
public:
    // Throws as ComputeSamples for a cam that cannot exist.
    explicit ExactCam(const CamInput& cam);

    // At the cam angle `deg` (0..360; CamError otherwise); at a row's angle the later
    // segment's side, or the earlier one's where `earlier`. Throws GeometryError naming
    // the angle where the follower reaches the cam centre or has no direction.
    ExactPoint At(double deg, bool earlier = false) const;
    // The angles of the rows strictly between 0 and 360: where the contour's curvature may
    // jump.
    std::vector<double> RowAngles() const;
    const CamInput& Input() const { return cam_; }

private:
    CamInput cam_;
    struct Impl;
    std::shared_ptr<const Impl> impl_;
};

// The smallest radius of the contour's concave parts, refined between the points of the
// check grid from the grid's smallest (`onGrid`, GridChecks::concaveContourRadius); nothing
// where there is none. A milling tool of this radius or larger cuts into the cam there.
std::optional<GridExtreme> SmallestConcaveRadius(const ExactCam& cam, const GridExtreme& onGrid);

// The cam grinder's table: at each cam angle C (degrees), the distance from the cam centre
// to the centre of a round tool of `toolRadius` that moves on the fixed line through the
// cam centre in the direction (sin C, cos C) of the cam's frame, where it touches the
// contour from outside. Found on the contour's offset by the tool radius (its crossing
// with the line, refined to the last bit), not interpolated. The tool must be smaller than
// every concave radius (SmallestConcaveRadius): the caller refuses a larger one.
std::vector<double> ToolCentreDistances(const ExactCam& cam, double toolRadius,
                                        const std::vector<double>& anglesDeg);

}  // namespace platecam::engine
