#pragma once
// What the report shows, from one run: every text in the language in use (through Tr),
// the checks as --check finds them with the figures rounded as an engineer reads them,
// the cam figure and the charts from the exact computation's samples.

#include <optional>

#include "batch/run.h"
#include "report/report.h"

namespace platecam {

ReportInput MakeReportInput(const Run& run);

// The report's chart pages alone (the motion, and the loads at speed where the design has
// them): the engineering window plots them with the same code.
struct ChartPages {
    ReportChartPage motion;
    std::optional<ReportChartPage> dynamics;
};
ChartPages ChartsOf(const Run& run);

// What the design is, label and value, as the report's first page lists it (the file, the
// follower and its sizes, the law, the lift, the resolution...): the drawing's notes too.
struct FigureStyle;
std::vector<ReportField> DesignFields(const Run& run, const FigureStyle& f);

}  // namespace platecam
