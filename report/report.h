#pragma once
// What the design report shows, handed from platecam-batch to the report module. The
// texts are formatted by the batch tool, exactly as --check prints them; the curves come
// straight from the computation.

#include <optional>
#include <string>
#include <vector>

#include "model/analysis.h"
#include "model/cam_design.h"

namespace platecam {

struct ReportRow {
    std::vector<std::string> cells;
};

struct ReportInput {
    std::string title;       // the design file's name
    std::string date;        // YYYY-MM-DD
    std::vector<ReportRow> inputs;       // label, value
    std::vector<ReportRow> motionTable;  // row, angle, displacement
    std::vector<ReportRow> checks;       // check, value, where, limit, verdict
    std::vector<std::string> notes;      // concave radius, sizing, window method
    const CamDesign* design = nullptr;
    const MotionProfile* motion = nullptr;
    bool contourComplete = true;
    int contourSamples = 0;      // contour samples to draw (all, or up to the stop)
    double maxPressure = 30;     // the limit, degrees
    std::optional<double> rpm;   // per-time kinematics when given
    std::vector<double> boundaries;  // segment boundaries, degrees
};

// The report module's one entry point: an A4 PDF of two pages in `pdf`, or false with
// the reason in `error`.
using RenderReportFunction = bool (*)(const ReportInput& input, std::string& pdf,
                                      std::string& error);
inline constexpr const char* RenderReportSymbol = "platecam_render_report";

}  // namespace platecam
