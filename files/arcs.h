#pragma once
// A smooth curve known exactly (the cam's contour, its pitch curve, the tool's path) drawn
// as tangent-continuous circular arcs (biarcs) and lines, within a stated distance of the
// curve both ways: every point of every piece lies within the tolerance of the curve, and
// every point of the curve within the tolerance of the pieces.

#include <functional>
#include <vector>

namespace platecam::arcs {

struct Point {
    double x = 0, y = 0;
};

// One piece of a fitted path, from `from` to `to`: a line, or an arc about `centre` of
// `radius` turning through `sweep` radians (positive counter-clockwise, |sweep| <= 2 pi;
// 2 pi is a whole circle, from == to).
struct Piece {
    Point from, to;
    bool line = false;
    Point centre;
    double radius = 0;
    double sweep = 0;
};

// A curve given by its point and unit tangent at a parameter u in [from, to] (for a
// contour, the cam angle in degrees). Between the `breaks` (inside (from, to), increasing)
// the curve is smooth; at a break its curvature may jump, or its tangent turn (a corner):
// `tangent(u, after)` gives the tangent of the side after u where `after`, else before.
// A closed curve ends where it starts. A value that is not finite, or a range or breaks
// out of order, raise CamError.
struct Curve {
    std::function<Point(double u)> point;
    std::function<Point(double u, bool after)> tangent;
    double from = 0, to = 360;
    std::vector<double> breaks;
    bool closed = true;
};

struct Fit {
    // In the order of u, the first starting at u = from.
    std::vector<Piece> pieces;
    // The largest distance between the pieces and the curve, both ways, as the fitting
    // measured it while accepting the pieces: at most 0.85 times the tolerance, and a
    // trace more where merged pieces moved, so that what the sampling may miss stays
    // within the tolerance.
    double maxDeviation = 0;
};

// The fewest pieces the method finds within `tolerance` (mm, > 0 and finite): on each
// smooth stretch, the longest biarc (equal tangent lengths at both ends) within the
// tolerance from where the last one ended. Neighbouring pieces share their end point bit
// for bit, and their tangent (to 1e-9 rad) wherever the curve has one; pieces on one
// circle are one arc, on one line one line. The start of a closed curve stays the start
// of a piece unless the whole curve is one circle, which comes out as one arc of sweep
// +-2 pi. An arc turning through less than 1e-10 rad is written as a line. Throws
// CamError for a tolerance that is not > 0, and where the curve cannot be fitted within
// the tolerance in 200000 pieces (tolerances far below a micrometre reach the rounding of
// the coordinates).
Fit FitBiarcs(const Curve& curve, double tolerance);

// An independent measure of the same distance, both ways, from the pieces as written
// (from, to, centre, radius, sweep; an arc's ends also count by how far they lie off its
// radius): the curve sampled `density` times as densely as the pieces, evenly in u and
// at every piece's middle, against the pieces, and every piece at `density` + 1 points
// and its middle against the curve (the nearest point of the curve found by a local
// search in u). The pieces run in the order of u from `from`, as FitBiarcs gives them;
// pieces that do not follow the curve measure as far off. Throws CamError when there are
// no pieces.
double MeasureDeviation(const std::vector<Piece>& pieces, const Curve& curve, int density = 10);

}  // namespace platecam::arcs
