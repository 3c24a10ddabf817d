#pragma once
// A design chart: a plane of designs (two sizes of the design across and up) with the
// region where every check passes shaded, lines of equal value labelled, and the designs
// to compare marked, as the report draws it.

#include "plot/surface.h"
#include "report/report.h"

namespace platecam::plot {

// The chart in the box (mm) of the surface, its tick labels outside the box: the y title
// above it, the x ticks and title below it.
void DrawDesignPlane(Surface& s, const ReportDesignChart& chart, double left, double top, double width,
                     double height);

}  // namespace platecam::plot
