#pragma once
// One quantity over a revolution of the cam, as the report pages and the engineering
// window draw it: light grid and ticks, the segment boundaries, limit lines with their
// labels, shaded ranges, the curve with gaps where it has no value.

#include <vector>

#include "plot/surface.h"
#include "report/report.h"

namespace platecam::plot {

// The chart in the box (mm) of the surface: `x` the cam angle of each value (degrees),
// `boundaries` the segment boundaries. Charts stacked on one angle axis label the angles
// once, under the lowest (`angleLabels` false for the others).
void DrawChart(Surface& s, const std::vector<double>& x, const std::vector<double>& boundaries,
               const ReportChart& chart, double left, double top, double width, double height,
               bool angleLabels = true);

// The value range a chart shows (its values and lines, made round): what a cursor reads
// a height of the chart against.
struct ChartRange {
    double low = 0, high = 1, step = 1;
};
ChartRange RangeOf(const ReportChart& chart);

}  // namespace platecam::plot
