#include "batch/design_chart_page.h"

#include <algorithm>
#include <cmath>

#include "base/language.h"
#include "batch/check_text.h"
#include "batch/title_block.h"
#include "engine/design_chart.h"

namespace platecam {

namespace {

// The lines of equal pressure angle: the limit and 5 and 10 degrees either side of it.
constexpr double LevelSteps[] = {-10, -5, 0, 5, 10};
constexpr int Nodes = 100;  // across and up

std::vector<ReportPoint> OnPaper(const engine::PlaneLine& line) {
    std::vector<ReportPoint> points;
    points.reserve(line.size());
    for (const engine::Point& p : line) points.push_back({p.x, p.y});
    return points;
}

}  // namespace

std::optional<ReportDesignChart> DesignChartOf(const Run& run) {
    if (!run.options.sizeOffset || !run.cam || !run.sizing || !run.notACam.empty() ||
        run.cam->follower.kind != engine::FollowerKind::Roller) {
        return std::nullopt;
    }
    const engine::CamInput& cam = *run.cam;
    const FigureStyle f{true};
    const double givenOffset = cam.follower.offset, givenRadius = cam.baseRadius;
    const bool chosen = run.sizing->found && run.sizedOffset.has_value();
    const double radius = chosen ? run.sizing->baseRadius : givenRadius;
    const double offset = chosen ? *run.sizedOffset : givenOffset;
    // Both designs inside, with room for the lines of equal pressure angle around the
    // chosen one (a base radius in proportion to 1 / tan of the angle, roughly); offsets
    // either side of the in-line follower, over most of the width where one fits.
    ReportDesignChart chart;
    chart.yLow = 0.5 * std::min(radius, givenRadius);
    chart.yHigh = std::max(2 * radius, 1.2 * givenRadius);
    chart.xHigh = std::max({0.6 * (radius + cam.follower.rollerRadius), 1.2 * std::fabs(givenOffset),
                            1.2 * std::fabs(offset)});
    chart.xLow = -chart.xHigh;
    const engine::DesignPlane plane =
        engine::ChartDesigns(cam, chart.xLow, chart.xHigh, chart.yLow, chart.yHigh, Nodes, Nodes);

    chart.heading = Tr("Design chart of the offset and the base radius: %1", {DesignName(run.input.path)});
    chart.xTitle = Tr("offset [mm]");
    chart.yTitle = Tr("base radius [mm]");
    for (const engine::PlaneLine& polygon : engine::PassRegion(plane)) chart.passRegion.push_back(OnPaper(polygon));
    for (double step : LevelSteps) {
        const double level = cam.maxPressureAngle + step;
        if (!(level > 0 && level < 90)) continue;
        ReportDesignChart::Contour contour{f.AngleText(level), step == 0, {}};
        for (const engine::PlaneLine& line : engine::PressureContours(plane, level)) {
            contour.lines.push_back(OnPaper(line));
        }
        chart.contours.push_back(std::move(contour));
    }
    if (cam.minBaseRadius > 0) {
        chart.lines.push_back(
            {cam.minBaseRadius, std::string(Tr("smallest base radius allowed")) + " " + f.LengthText(cam.minBaseRadius), true});
    }
    chart.marks.push_back({{givenOffset, givenRadius},
                           Tr("this design: base radius %1, offset %2",
                              {f.LengthText(givenRadius), f.LengthText(givenOffset)}),
                           false});
    if (chosen) {
        chart.marks.push_back({{offset, radius},
                               Tr("smallest base radius %1 at an offset of %2",
                                  {f.LengthText(radius), f.LengthText(offset)}),
                               true});
    }
    chart.footnote = Tr(
        "Every point is a design that differs from this one in the offset and the base radius only, "
        "checked as this one is (%1 designs). Shaded: every check passes. Lines: the largest "
        "pressure angle; red: its limit. None where the follower does not fit (the offset at "
        "least the base radius plus the roller radius). Dot: this design; diamond: the smallest "
        "base radius the pressure angle and the undercut allow, with its offset.",
        {std::to_string(Nodes * Nodes)});
    return chart;
}

}  // namespace platecam
