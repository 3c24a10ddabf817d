// The report module as the fuzz targets load it: platecam-batch --report finds it beside
// the target (bin/../lib/platecam/) and hands it what the real module draws. It checks
// that input instead of drawing it (no Qt here) and returns a small stand-in PDF, or fails
// as a module may (for an odd number of checks).

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "report/report.h"

namespace {

using namespace platecam;

[[noreturn]] void Broken(const char* what) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

void Finite(double value, const char* what) {
    if (!std::isfinite(value)) Broken(what);
}

void Points(const std::vector<ReportPoint>& points, const char* what) {
    for (const ReportPoint& p : points) {
        Finite(p.x, what);
        Finite(p.y, what);
    }
}

void Table(const ReportTable& table) {
    if (table.header.empty() || table.rightAligned.size() != table.header.size()) Broken("a table's header");
    for (const auto& row : table.rows) {
        if (row.size() != table.header.size()) Broken("a table row of another width");
    }
}

// A design that is no cam has empty charts: a page of axes with nothing drawn.
void ChartPage(const ReportChartPage& page) {
    if (page.heading.empty() || page.charts.empty()) Broken("a chart page without its parts");
    for (double x : page.x) {
        if (!(x >= 0 && x <= 360)) Broken("a chart's cam angle outside the revolution");
    }
    for (double b : page.boundaries) {
        if (!(b >= 0 && b <= 360)) Broken("a segment boundary outside the revolution");
    }
    for (const ReportChart& chart : page.charts) {
        if (chart.title.empty() || chart.y.size() != page.x.size()) Broken("a chart of another length");
        for (const auto& y : chart.y) {
            if (y) Finite(*y, "a chart value");
        }
        for (const ReportLine& line : chart.lines) Finite(line.value, "a chart's line");
        for (const auto& [from, to] : chart.bands) {
            if (!(from >= 0 && from <= to && to <= 360)) Broken("a shaded band outside the revolution");
        }
    }
}

}  // namespace

extern "C" bool platecam_render_report(const ReportInput& in, std::string& pdf, std::string& error) {
    if (in.title.empty() || in.designName.empty() || in.titleBlock.empty() || in.design.empty() ||
        in.checks.empty() || in.result.empty()) {
        Broken("a report without its parts");
    }
    if (in.checksHeader.size() != 4) Broken("the checks' header");
    for (const ReportCheck& c : in.checks) {
        if (c.check.empty() || c.verdict.empty()) Broken("a check without its name or verdict");
    }
    Table(in.segments);
    const ReportFigure& f = in.figure;
    if (f.missing.empty()) {
        if (f.contour.size() < 3) Broken("a cam figure without its contour");
        Points(f.contour, "a contour point");
        Points(f.pitch, "a pitch point");
        if (!(f.scale > 0) || !(f.scaleBar > 0)) Broken("a figure's scale");
        Finite(f.scale, "a figure's scale");
        Finite(f.baseRadius, "the base radius");
        Finite(f.rollerRadius, "the roller radius");
        Finite(f.rollerCentre.x, "the roller centre");
        Finite(f.rollerCentre.y, "the roller centre");
        Finite(f.view.x, "the figure's centre");
        Finite(f.view.y, "the figure's centre");
        Finite(f.faceY, "the face");
        Finite(f.faceFrom, "the face");
        Finite(f.faceTo, "the face");
        Finite(f.pivot.x, "the pivot");
        Finite(f.pivot.y, "the pivot");
        if (f.boreDiameter) Finite(*f.boreDiameter, "the bore");
    }
    ChartPage(in.motion);
    if (in.dynamics) ChartPage(*in.dynamics);
    // A module that fails: the run must end without writing anything.
    if (in.checks.size() % 2 != 0) {
        error = "the stand-in report module refuses an odd number of checks";
        return false;
    }
    pdf = "%PDF-1.4\n% platecam fuzz report: " + std::to_string(in.checks.size()) + " checks\n%%EOF\n";
    return true;
}
