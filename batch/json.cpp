#include "batch/json.h"

#include <nlohmann/json.hpp>

#include "batch/dxf_output.h"
#include "batch/machining.h"
#include "batch/check_text.h"
#include "batch/run.h"
#include "base/language.h"
#include "batch/texts.h"
#include "platecam_version.h"

namespace platecam {

namespace {

using Json = nlohmann::json;

Json Optional(bool found, double value) { return found ? Json(value) : Json(nullptr); }

Json GridJson(const Run& run, const engine::GridChecks& g, double baseRadius) {
    const engine::CamInput& cam = *run.cam;
    Json checks;
    if (cam.follower.kind == engine::FollowerKind::Flat) {
        checks["pressure_angle"] = {{"zero_by_construction", true}, {"pass", true}};
        checks["radius_of_curvature"] = {
            {"smallest_mm", Optional(g.contourRadius.found, g.contourRadius.value)},
            {"at_deg", Optional(g.contourRadius.found, g.contourRadius.atDeg)},
            {"limit_mm", cam.minRadiusOfCurvature},
            {"pass", g.curvaturePass}};
        checks["face_width"] = {
            {"needed_mm", g.faceWidthNeeded},
            {"min_contact_offset_mm", g.minContactOffset},
            {"max_contact_offset_mm", g.maxContactOffset},
            {"face_width_mm", cam.follower.faceWidth ? Json(*cam.follower.faceWidth) : Json(nullptr)},
            {"pass", g.faceWidthPass}};
    } else {
        checks["pressure_angle"] = {{"max_deg", g.maxPressure.value},
                                    {"max_at_deg", g.maxPressure.atDeg},
                                    {"min_deg", g.minPressure.value},
                                    {"min_at_deg", g.minPressure.atDeg},
                                    {"limit_deg", cam.maxPressureAngle},
                                    {"pass", g.pressurePass}};
        checks["undercut"] = {
            {"smallest_convex_pitch_radius_mm", Optional(g.convexPitchRadius.found, g.convexPitchRadius.value)},
            {"at_deg", Optional(g.convexPitchRadius.found, g.convexPitchRadius.atDeg)},
            {"limit_mm", cam.follower.rollerRadius},
            {"pass", g.undercutPass}};
    }
    if (cam.bore && g.innermostContour.found) {
        checks["bore"] = {{"diameter_mm", cam.bore->diameter},
                          {"nearest_contour_mm", g.innermostContour.value},
                          {"nearest_contour_at_deg", g.innermostContour.atDeg},
                          {"wall_mm", g.boreWall},
                          {"min_wall_mm", cam.bore->minWall},
                          {"pass", g.borePass}};
    }
    checks["base_radius_mm"] = baseRadius;
    return checks;
}

Json JoinsJson(const Run& run) {
    const bool swing = run.cam->follower.kind == engine::FollowerKind::SwingRoller;
    const LiftUnits u = UnitsOf(run);
    Json joins = Json::array();
    for (const engine::Join& j : run.cam->motion.Joins()) {
        joins.push_back({{"at_deg", j.atDeg},
                         {swing ? "velocity_jump_rad_per_rad" : "velocity_jump_mm_per_rad",
                          j.velocityJump * u.perRadianScale},
                         {swing ? "acceleration_jump_rad_per_rad2" : "acceleration_jump_mm_per_rad2",
                          j.accelerationJump * u.perRadianScale}});
    }
    return joins;
}

Json InputsJson(const Run& run) {
    Json inputs;
    inputs["resolution_deg"] = 1.0 / run.S();
    inputs["samples"] = run.N();
    inputs["rpm"] = run.input.rpm ? Json(*run.input.rpm) : Json(nullptr);
    inputs["max_pressure_deg"] = run.input.maxPressure;
    if (run.input.origin == Origin::DesignFile) {
        const CamDesign& d = *run.window->design;
        inputs["base_radius_mm"] = d.BaseRadius;
        inputs["roller_radius_mm"] = d.RollerRadius;
        inputs["law"] = LawNames[run.input.law];
        inputs["law_caption"] = LawCaptions[run.input.law];
        inputs["largest_lift_mm"] = d.MaxDisplacement;
        Json table = Json::array();
        const TableWalk walk = WalkTable(d.MotionTable);
        const int rows = walk.terminatorRow ? walk.terminatorRow : MotionRowCount;
        for (int k = 0; k < rows; ++k) {
            // Copies: the records are packed, and a reference to their values would be misaligned.
            const std::int32_t angle = d.MotionTable[k].Angle;
            const double value = d.MotionTable[k].Value;
            table.push_back({{"angle_deg", angle}, {"displacement_mm", value}});
        }
        inputs["motion_table"] = table;
    } else {
        const DesignDocument& doc = *run.input.document;
        inputs["base_radius_mm"] = doc.cam.baseRadius;
        if (doc.follower.rollerRadius) inputs["roller_radius_mm"] = *doc.follower.rollerRadius;
        inputs["law"] = engine::LawName(doc.cam.law);
        if (const auto window = engine::WindowLawIndex(doc.cam.law)) inputs["law_caption"] = LawCaptions[*window];
        double largest = 0;
        Json table = Json::array();
        for (std::size_t k = 0; k < doc.motion.size(); ++k) {
            Json row = {{"angle_deg", doc.motion[k].angle}, {"lift", doc.motion[k].lift}};
            if (k > 0) row["law"] = engine::LawName(doc.LawOfSegmentEndingAt(k));
            table.push_back(row);
            largest = std::max(largest, doc.motion[k].lift);
        }
        inputs["largest_lift"] = largest;
        inputs["lift_unit"] = doc.follower.kind == engine::FollowerKind::SwingRoller ? "deg" : "mm";
        inputs["motion_table"] = table;
        inputs["min_base_radius_mm"] = run.input.minBase;
        if (doc.cam.minRadiusOfCurvature) inputs["min_radius_of_curvature_mm"] = *doc.cam.minRadiusOfCurvature;
    }
    if (run.cam) {
        const engine::Follower& f = run.cam->follower;
        Json follower;
        switch (f.kind) {
            case engine::FollowerKind::Roller:
                follower = {{"kind", engine::FollowerKindName(f.kind)}, {"roller_radius_mm", f.rollerRadius}, {"offset_mm", f.offset}};
                break;
            case engine::FollowerKind::Flat:
                follower = {{"kind", engine::FollowerKindName(f.kind)},
                            {"face_width_mm", f.faceWidth ? Json(*f.faceWidth) : Json(nullptr)}};
                break;
            case engine::FollowerKind::SwingRoller:
                follower = {{"kind", engine::FollowerKindName(f.kind)}, {"roller_radius_mm", f.rollerRadius},
                            {"arm_length_mm", f.armLength}, {"pivot_distance_mm", f.pivotDistance}};
                break;
        }
        inputs["follower"] = follower;
        Json segments = Json::array();
        const char* kinds[] = {"rise", "dwell", "fall"};
        for (const engine::Segment& s : run.cam->motion.Segments()) {
            Json segment = {{"start_deg", s.startDeg},
                            {"end_deg", s.endDeg},
                            {"kind", kinds[static_cast<int>(s.kind)]},
                            {"lift", s.endLift - s.startLift}};
            segment["law"] = s.kind == engine::SegmentKind::Dwell ? Json(nullptr)
                             : run.input.origin == Origin::Document ? Json(engine::LawName(s.law))
                                                                    : Json(LawNames[run.input.law]);
            segments.push_back(segment);
        }
        inputs["segments"] = segments;
    }
    return inputs;
}

// A follower that is not rigid, at the run's speed.
Json VibrationJson(const engine::VibrationResult& v, bool compensated) {
    const engine::VibrationChecks& c = v.checks;
    Json residuals = Json::array();
    for (const engine::ResidualVibration& r : c.residuals) {
        residuals.push_back({{"start_deg", r.startDeg}, {"end_deg", r.endDeg}, {"amplitude", r.amplitude},
                             {"ratio", r.ratio}});
    }
    return {{"natural_frequency_hz", c.naturalFrequencyHz},
            {"residual", residuals},
            {"max_deviation", c.maxDeviation.value},
            {"max_deviation_at_deg", c.maxDeviation.atDeg},
            {"min_contact_force_N", c.minContactForce.value},
            {"min_contact_force_at_deg", c.minContactForce.atDeg},
            {"separates", c.separates},
            {"compensated", compensated}};
}

Json SweepJson(const std::vector<engine::SpeedPoint>& sweep) {
    Json points = Json::array();
    for (const engine::SpeedPoint& p : sweep) {
        points.push_back({{"rpm", p.rpm},
                          {"residual_mm", p.residual},
                          {"min_contact_force_N", p.minContactForce ? Json(*p.minContactForce) : Json(nullptr)}});
    }
    return points;
}

}  // namespace

std::string JsonText(const Run& run) {
    Json doc;
    doc["version"] = PLATECAM_VERSION;
    doc["design"] = FileNameText(run.input.path);
    doc["inputs"] = InputsJson(run);
    if (!run.notACam.empty()) doc["not_a_cam"] = Shown(run.notACam);
    if (!run.noCamAtGivenRadius.empty()) doc["no_cam_at_given_radius"] = Shown(run.noCamAtGivenRadius);
    if (run.grid) {
        doc["checks"] = GridJson(run, *run.grid, run.cam->baseRadius);
        doc["checks"]["joins"] = JoinsJson(run);
        if (const CheckItem* item = run.Check(CheckCode::ArmClearance)) {
            const engine::ArmClearance& c = *run.clearance;
            doc["checks"]["clearance"] = {{"room_mm", c.armRoom.value},
                                          {"room_at_deg", c.armRoom.atDeg},
                                          {"pivot_room_mm", c.pivotRoom},
                                          {"contour_reach_mm", c.reach},
                                          {"limit_mm", *item->limit},
                                          {"at_deg", *item->atDeg},
                                          {"pass", item->verdict == Verdict::Pass}};
        }
        const engine::GridExtreme& concave = run.grid->concaveContourRadius;
        doc["contour_smallest_concave_radius"] =
            concave.found ? Json{{"radius_mm", concave.value}, {"at_deg", concave.atDeg}} : Json(nullptr);
    } else {
        doc["checks"] = nullptr;
    }
    if (run.window) {
        const WindowComputation& w = *run.window;
        const CamDesign& d = *w.design;
        doc["contour_window_construction"] = {
            {"complete", w.status.completed},
            {"stopped_at_deg", w.status.completed ? Json(nullptr)
                                                  : Json(static_cast<double>(w.status.stoppedAt) / w.S())}};
        if (w.pressureError) {
            doc["pressure_angle_window_method"] = {{"error", w.pressureError->Render()}};
        } else {
            doc["pressure_angle_window_method"] = {
                {"max_deg", d.MaxPressureAngle}, {"max_at_deg", static_cast<double>(w.maxAt) / w.S()},
                {"min_deg", d.MinPressureAngle}, {"min_at_deg", static_cast<double>(w.minAt) / w.S()}};
        }
    }
    const Peaks p = FindPeaks(run);
    const LiftUnits u = UnitsOf(run);
    const bool perTime = run.input.rpm.has_value();
    doc["kinematics"] = {{"per", perTime ? "second" : "radian"},
                         {"peak_velocity", p.velocity},
                         {"peak_acceleration", p.acceleration},
                         {"peak_jerk", p.jerk},
                         {"units", perTime ? Json{u.perSecond[0], u.perSecond[1], u.perSecond[2]}
                                           : Json{u.perRadian[0], u.perRadian[1], u.perRadian[2]}}};
    if (run.dynamics) {
        const engine::DynamicsChecks& d = run.dynamics->checks;
        // A swinging arm's spring is a torsion spring: its rate per radian.
        const bool arm = run.cam->follower.kind == engine::FollowerKind::SwingRoller;
        const std::string rateKey = arm ? "min_spring_torque_rate" : "min_spring_rate";
        Json dynamics = {{"min_contact_force_N", d.minContactForce.value},
                         {"min_contact_force_at_deg", d.minContactForce.atDeg},
                         {"jump", d.jump},
                         {"jump_free_rpm", d.jumpFreeRpm.value ? Json(*d.jumpFreeRpm.value) : Json(nullptr)},
                         {rateKey + (arm ? "_N_m_per_rad" : "_N_per_mm"),
                          d.minSpringRate.value ? Json(*d.minSpringRate.value) : Json(nullptr)},
                         {"peak_torque_N_m", d.peakTorque.value},
                         {"peak_torque_at_deg", d.peakTorque.atDeg},
                         {"min_torque_N_m", d.minTorque.value},
                         {"min_torque_at_deg", d.minTorque.atDeg}};
        if (!d.jumpFreeRpm.value) dynamics["jump_free_rpm_reason"] = d.jumpFreeRpm.reason.Render();
        if (!d.minSpringRate.value) dynamics[rateKey + "_reason"] = d.minSpringRate.reason.Render();
        if (run.loads->contact) {
            dynamics["max_contact_stress_MPa"] =
                d.maxContactStress.found ? Json(d.maxContactStress.value) : Json(nullptr);
            dynamics["max_contact_stress_at_deg"] =
                d.maxContactStress.found ? Json(d.maxContactStress.atDeg) : Json(nullptr);
            if (!d.stressUndefined.empty()) dynamics["contact_stress_undefined"] = d.stressUndefined.Render();
            const CheckItem* stress = run.Check(CheckCode::ContactStress);
            if (stress && stress->limit) {
                doc["checks"]["contact_stress"] = {{"max_MPa", d.maxContactStress.found ? Json(d.maxContactStress.value) : Json(nullptr)},
                                                   {"at_deg", d.maxContactStress.found ? Json(d.maxContactStress.atDeg) : Json(nullptr)},
                                                   {"limit_MPa", *stress->limit},
                                                   {"pass", stress->verdict == Verdict::Pass}};
            }
        }
        doc["dynamics"] = dynamics;
    }
    if (run.vibration) {
        doc["dynamics"]["vibration"] = VibrationJson(*run.vibration, run.compensated);
        // The law's own contour beside the compensated one: what the correction removes.
        if (run.vibrationUncompensated) {
            doc["dynamics"]["vibration_uncompensated"] = VibrationJson(*run.vibrationUncompensated, false);
        }
    }
    if (run.options.rpmSweep) doc["dynamics"]["rpm_sweep"] = SweepJson(run.sweep);
    if (run.options.sizeBase) {
        if (run.sizing) {
            const engine::Sizing& s = *run.sizing;
            doc["sizing"] = {{"base_radius_mm", s.found ? Json(s.baseRadius) : Json(nullptr)},
                             {"is_minimum", s.isMinimum},
                             {"passes_at_given_radius", s.passesAsGiven},
                             {"searched_from_mm", run.cam->minBaseRadius},
                             {"searched_up_to_mm", s.searchedUpTo}};
            if (s.found) doc["sizing"]["checks"] = GridJson(run, s.checks, s.baseRadius);
            if (run.sizedRollerTest) {
                doc["sizing"]["window_construction_complete"] = run.sizedRollerTest->completed;
            }
        } else {
            doc["sizing"] = {{"base_radius_mm", nullptr}, {"reason", Shown(run.notACam)}};
        }
        if (run.options.sizeOffset) {
            doc["sizing"]["offset_mm"] = run.sizedOffset ? Json(*run.sizedOffset) : Json(nullptr);
        }
    } else {
        doc["sizing"] = nullptr;
    }
    // The arcs of the drawings asked for, as they are drawn: how many, and how near.
    if (!run.options.drawing.empty() && DrawingRefusal(run).empty()) {
        const DrawingArcs& a = DrawingArcsOf(run);
        doc["drawing"] = {{"tolerance_mm", a.tolerance},
                          {"arcs", a.contour.pieces.size()},
                          {"max_deviation_mm", a.contour.maxDeviation}};
        if (a.pitch) {
            doc["drawing"]["pitch_arcs"] = a.pitch->pieces.size();
            doc["drawing"]["pitch_max_deviation_mm"] = a.pitch->maxDeviation;
        }
    }
    if (!run.options.toolpath.empty() || !run.options.gcode.empty()) {
        const ToolPath& t = ToolPathOf(run);
        if (t.refusal.empty()) {
            doc["toolpath"] = {{"tool_radius_mm", t.toolRadius},
                               {"tolerance_mm", ToleranceOf(run)},
                               {"arcs", t.path.pieces.size()},
                               {"max_deviation_mm", t.path.maxDeviation}};
        }
    }
    doc["result"] = {{"pass", run.Passes()}};
    // Every text above is UTF-8 (file names escaped); a byte that is not would be replaced
    // rather than abort the run.
    return doc.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::string StoredJson(const Run& run) {
    const EnglishScope english;
    return JsonText(run);
}

}  // namespace platecam
