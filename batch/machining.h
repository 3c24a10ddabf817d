#pragma once
// What a cam is cut from: its exact contour (and pitch curve) as arcs within the stated
// tolerance for the drawing, the path of the tool's centre as arcs for the tool-path
// drawing and the milling program, and the grinder's table. Worked out once a run, when an
// output asks for it; the largest distance of the arcs from the exact curves is measured
// again by an independent dense check, and that figure is the one reported.

#include <optional>
#include <string>
#include <vector>

#include "batch/run.h"
#include "engine/exact.h"
#include "files/arcs.h"
#include "files/gcode.h"

namespace platecam {

struct FittedCurve {
    std::vector<arcs::Piece> pieces;
    double maxDeviation = 0;  // mm, by the independent check
};

// The curves of the cam for arcs: cam angle in degrees as the parameter, clockwise round
// the cam, breaks at the rows.
arcs::Curve ContourCurve(const engine::ExactCam& cam);
arcs::Curve PitchCurve(const engine::ExactCam& cam);
// The contour moved out along its normal by the tool's radius: the tool's centre.
arcs::Curve ToolPathCurve(const engine::ExactCam& cam, double toolRadius);

FittedCurve FitCurve(const arcs::Curve& curve, double tolerance);

// The run's tolerance of arcs, mm: --tolerance, else 0.001.
double ToleranceOf(const Run& run);

// The drawing's arcs: the contour and, for the roller kinds, the pitch curve. Computed at
// the first call, then kept with the run.
struct DrawingArcs {
    double tolerance = 0;
    FittedCurve contour;
    std::optional<FittedCurve> pitch;
};
const DrawingArcs& DrawingArcsOf(const Run& run);

// The document's [machining] with the tool's path, or why there is none to cut with: no
// tool given, a tool too large for the contour's concave parts (the angle and both radii),
// a contour that must not be drawn.
struct ToolPath {
    std::optional<MachiningSetup> setup;  // where the document gives everything G-code needs
    double toolRadius = 0;
    FittedCurve path;
    std::string refusal;
};
const ToolPath& ToolPathOf(const Run& run);

// The grinder's table at every step from 0 (the tool of machining.tool_radius): the rows'
// text, "cam_angle_deg,tool_centre_mm". Empty with the reason in `refusal` where there is
// no tool or it is too large.
std::string LiftTableText(const Run& run, std::string& refusal);

// The milling program, or empty with the reason in `refusal`.
std::string GcodeText(const Run& run, std::string& refusal);

}  // namespace platecam
