#include "batch/json.h"

#include <nlohmann/json.hpp>

#include "batch/run.h"
#include "batch/texts.h"
#include "platecam_version.h"

namespace platecam {

namespace {

nlohmann::json ChecksJson(const DesignChecks& c, bool complete, int stoppedAt, double roller,
                          double limit, int S) {
    const CheckVerdicts v = JudgeChecks(c, complete, roller, limit);
    nlohmann::json checks;
    checks["pressure_angle"] = {{"max_deg", c.maxPressure.value},
                                {"max_at_deg", static_cast<double>(c.maxPressure.sample) / S},
                                {"min_deg", c.minPressure.value},
                                {"min_at_deg", static_cast<double>(c.minPressure.sample) / S},
                                {"limit_deg", limit},
                                {"pass", v.pressure}};
    checks["undercut"] = {
        {"smallest_convex_pitch_radius_mm",
         c.convexPitchRadius.found ? nlohmann::json(c.convexPitchRadius.value) : nullptr},
        {"at_deg", c.convexPitchRadius.found
                       ? nlohmann::json(static_cast<double>(c.convexPitchRadius.sample) / S)
                       : nullptr},
        {"limit_mm", roller},
        {"pass", v.undercut}};
    checks["contour_complete"] = {
        {"complete", complete},
        {"stopped_at_deg", complete ? nullptr : nlohmann::json(static_cast<double>(stoppedAt) / S)},
        {"pass", v.contour}};
    return checks;
}

}  // namespace

std::string JsonText(const Run& run) {
    const CamDesign& d = *run.design;
    const int S = run.S();
    nlohmann::json doc;
    doc["version"] = PLATECAM_VERSION;
    doc["design"] = run.options.design;
    nlohmann::json table = nlohmann::json::array();
    const TableWalk walk = WalkTable(d.MotionTable);
    const int rows = walk.terminatorRow ? walk.terminatorRow : MotionRowCount;
    for (int k = 0; k < rows; ++k) {
        // Copies: the records are packed, and a reference to their values would be misaligned.
        const std::int32_t angle = d.MotionTable[k].Angle;
        const double value = d.MotionTable[k].Value;
        table.push_back({{"angle_deg", angle}, {"displacement_mm", value}});
    }
    doc["inputs"] = {{"base_radius_mm", d.BaseRadius},
                     {"roller_radius_mm", d.RollerRadius},
                     {"law", LawNames[run.law]},
                     {"law_caption", LawCaptions[run.law]},
                     {"resolution_deg", 1.0 / S},
                     {"samples", run.N()},
                     {"rpm", run.options.rpm ? nlohmann::json(*run.options.rpm) : nullptr},
                     {"max_pressure_deg", run.maxPressure},
                     {"largest_lift_mm", d.MaxDisplacement},
                     {"motion_table", table}};
    doc["checks"] = ChecksJson(run.checks, run.status.completed, run.status.stoppedAt,
                               d.RollerRadius, run.maxPressure, S);
    if (run.windowPressureError) {
        doc["pressure_angle_window_method"] = {{"error", *run.windowPressureError}};
    } else {
        const WindowExtremes w = FindWindowExtremes(d);
        doc["pressure_angle_window_method"] = {
            {"max_deg", d.MaxPressureAngle}, {"max_at_deg", static_cast<double>(w.maxAt) / S},
            {"min_deg", d.MinPressureAngle}, {"min_at_deg", static_cast<double>(w.minAt) / S}};
    }
    const Extreme& concave = run.checks.concaveContourRadius;
    doc["contour_smallest_concave_radius"] =
        concave.found ? nlohmann::json{{"radius_mm", -concave.value},
                                       {"at_deg", static_cast<double>(concave.sample) / S}}
                      : nullptr;
    const Peaks p = FindPeaks(run);
    const bool perTime = run.options.rpm.has_value();
    doc["kinematics"] = {{"per", perTime ? "second" : "radian"},
                         {"peak_velocity", p.velocity},
                         {"peak_acceleration", p.acceleration},
                         {"peak_jerk", p.jerk},
                         {"units", perTime ? nlohmann::json{"mm/s", "m/s2", "m/s3"}
                                           : nlohmann::json{"mm/rad", "mm/rad2", "mm/rad3"}}};
    if (run.sizing) {
        const SizingResult& s = *run.sizing;
        doc["sizing"] = {{"base_radius_mm", s.found ? nlohmann::json(s.baseRadius) : nullptr},
                         {"passes_at_given_radius", s.passesAsGiven},
                         {"searched_up_to_mm", s.searchedUpTo}};
        if (s.found) {
            doc["sizing"]["checks"] = ChecksJson(s.checks, true, -1, d.RollerRadius,
                                                 run.maxPressure, S);
        }
    } else {
        doc["sizing"] = nullptr;
    }
    doc["result"] = {{"pass", run.verdicts.all()}};
    return doc.dump(2) + "\n";
}

}  // namespace platecam
