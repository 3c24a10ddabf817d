#pragma once
// Choosing a roller follower's offset with its base radius: the smallest base radius over
// the offsets that fit, and the plane of designs (offset across, base radius up) that the
// report draws as a design chart, with the region where every check passes and the lines
// of equal pressure angle.
//
// Every function here may run on several threads at once; the searches and the plane use
// the machine's cores themselves.

#include <vector>

#include "engine/cam_types.h"

namespace platecam::engine {

// The smallest base radius over the offsets (multiples of 0.01 mm) of an in-line or offset
// roller, by the checks SizeBaseRadius sizes for.
struct OffsetSizing {
    Sizing sizing;        // at `offset`; passesAsGiven judges the design as given
    double offset = 0;    // mm; where sizing.found
    double reach = 0;     // mm: offsets with |offset| < reach were searched
};

// The base radius as a function of the offset is SizeBaseRadius at each offset. Its
// pressure-angle part is convex in the offset (the least prime radius is hypot(h(e), e),
// h the largest of |s' - e| / tan(limit) - s, convex in e) and so has one minimum; the
// undercut's part has no such shape, so the first scan is dense (65 offsets) before the
// scans narrow in to 0.01 mm. Of the offsets that reach the smallest radius the one in
// the middle is chosen: there the pressure angle has most room. No offset with
// |offset| >= Rb(0) + Rr can do better than the in-line roller's Rb(0), since
// |offset| < Rb + Rr. Throws CamError for a follower that is no translating roller.
OffsetSizing SizeBaseRadiusAndOffset(const CamInput& cam);

// A plane of designs that differ from `cam` only in the offset and the base radius, each
// checked on the grid as CheckOnGrid checks it.
struct DesignPlane {
    double offsetLow = 0, offsetHigh = 0;  // mm, across
    double radiusLow = 0, radiusHigh = 0;  // mm, up
    int columns = 0, rows = 0;             // nodes across and up
    double limitDeg = 0;                   // the pressure-angle limit
    struct Node {
        bool exists = false;     // the follower fits (|offset| < Rb + Rr) and the checks ran
        bool pass = false;       // every check passes (GridChecks::AllPass)
        double pressureDeg = 0;  // the largest |pressure angle|, where it exists
        // >= 0 exactly where every check passes: the least of the checks' margins (the
        // pressure angle's in degrees, the others' in mm); limit - 90 where none exists,
        // where the pressure angle tends to 90 degrees.
        double margin = 0;
    };
    std::vector<Node> nodes;  // row by row from radiusLow up, each from offsetLow across

    double Offset(int i) const;
    double Radius(int j) const;
    const Node& At(int i, int j) const { return nodes[static_cast<std::size_t>(j * columns + i)]; }
};

// Every node's checks, rows shared out over the machine's cores. Throws CamError for input
// the engine refuses (as CheckOnGrid) and for a follower that is no translating roller.
DesignPlane ChartDesigns(const CamInput& cam, double offsetLow, double offsetHigh,
                         double radiusLow, double radiusHigh, int columns = 100, int rows = 100);

// Points of the plane: x the offset, y the base radius (mm).
using PlaneLine = std::vector<Point>;

// Where the largest |pressure angle| crosses `levelDeg`, by marching squares with linear
// interpolation along the cells' sides, joined into lines (a closed one repeats its first
// point at the end). Cells with a corner where the follower does not fit have none.
std::vector<PlaneLine> PressureContours(const DesignPlane& plane, double levelDeg);

// The region where every check passes, as polygons (counter-clockwise, not closed by a
// repeated point) whose union it is: every cell's part where the margin, interpolated
// along its sides, is >= 0; whole cells side by side in a row as one rectangle.
std::vector<PlaneLine> PassRegion(const DesignPlane& plane);

}  // namespace platecam::engine
