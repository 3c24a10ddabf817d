#pragma once
// One quantity over a revolution of the cam, as the report pages and the engineering
// window draw it: light grid and ticks, the segment boundaries, limit lines with their
// labels, shaded ranges, the curve with gaps where it has no value.

#include <functional>
#include <string>
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

// 1, 2 or 5 times a power of ten, about `count` of them over the span; an axis's ticks.
double NiceStep(double span, int count);
// A tick's value as the axis shows it (a rounding residue near 0 shown as 0).
QString TickText(double value, double step);

// Where a label goes: the first of `candidates` (boxes, mm) that lies inside `inside` and
// meets none of `lines` (seen inside `inside`) and none of the boxes `taken`; where every
// one meets something, the first inside.
QRectF FreePlace(const std::vector<QRectF>& candidates, const QRectF& inside,
                 const std::vector<std::vector<QPointF>>& lines, const std::vector<QRectF>& taken);

// The labels of lines across a chart (mm): each above or below its line, at the right
// end first, else further left, clear of the curve, the other lines and each other; where
// the chart has no such place, a limit's label goes in `header` (the free end of the row
// of the chart's title, right first) and a plain reference line's is left out (its value
// is the axis's own tick). `ys` the lines' heights; returns a box for each label, empty
// for one left out.
std::vector<QRectF> LineLabelPlaces(const Surface& s, const std::vector<QString>& labels,
                                    const std::vector<double>& ys, const std::vector<bool>& limits,
                                    const QRectF& axes, const QRectF& header,
                                    const std::vector<std::vector<QPointF>>& curve, double points);

// The chart's reference lines across `axes` (y in mm of the page by `py`) with their
// labels where LineLabelPlaces puts them clear of `obstacles` and of `title` in its row.
void DrawReferenceLines(Surface& s, const std::vector<ReportLine>& lines, const std::string& title,
                        const QRectF& axes, const std::function<double(double)>& py,
                        const std::vector<std::vector<QPointF>>& obstacles);

}  // namespace platecam::plot
