#include "batch/batch.h"

#include <dlfcn.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cmath>
#include <ctime>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <sstream>

#include "batch/report_data.h"
#include "files/design_file.h"
#include "files/dxf.h"
#include "files/save_file.h"
#include "model/displacement.h"
#include "model/errors.h"
#include "model/number_text.h"
#include "model/pressure.h"
#include "model/profile.h"
#include "platecam_version.h"

#ifndef PLATECAM_REPORT_MODULE_INSTALLED
#define PLATECAM_REPORT_MODULE_INSTALLED "lib/platecam/libplatecam_report.so"
#endif

namespace platecam {

namespace {

const char* const LawNames[] = {"cycloid", "trapezoid", "sine"};
const char* const LawCaptions[] = {"サイクロイド曲線(CY)", "変形台形曲線(MT)", "変形正弦曲線(MS)"};
constexpr double Pi = 3.141592653589793;

std::string Number(double value) { return FormatNumber(value, '.'); }
// Six significant digits, the figures of the check report.
std::string Figure(double value) { return FormatGeneral(value, 6, 15, '.'); }
std::string Angle(int sample, int S) { return Number(static_cast<double>(sample) / S); }

// A positive number of the option, by the parsing rule of the window's cells.
CLI::Validator Decimal(double low, double high, bool lowIncluded, const std::string& what) {
    return CLI::Validator(
        [=](std::string& text) -> std::string {
            double value;
            try {
                value = ParseDecimal(text, '.');
            } catch (const CamError&) {
                return "needs a number of " + what + ", not '" + text + "'";
            }
            if (!((lowIncluded ? value >= low : value > low) && value < high)) {
                return "must lie " + std::string(lowIncluded ? "from " : "above ") + Number(low) +
                       " and below " + Number(high) + " " + what;
            }
            return {};
        },
        "");
}

const CLI::Validator NotEmpty(
    [](std::string& text) -> std::string {
        return text.empty() ? std::string("needs a file name, not an empty one") : std::string();
    },
    "");

void Describe(CLI::App& app, BatchOptions& o, std::string& law, std::string& resolution,
              std::string& maxPressure, std::string& base, std::string& roller, std::string& rpm) {
    app.description(
        "Loads a design file saved by platecam, computes displacement, pitch curve, contour\n"
        "and pressure angle as the window does, and writes what the options ask for.\n"
        "Exit status: 0 all checks pass, 1 a check fails (with --check), 2 bad input.");
    app.set_help_flag("-h,--help", "show this text and exit");
    app.set_version_flag("--version", std::string("platecam-batch ") + PLATECAM_VERSION,
                         "show the version and exit");
    app.add_option("design", o.design, "design file saved by platecam (264 bytes)")
        ->required()
        ->type_name("DESIGN.dat")
        ->check(NotEmpty);

    const char* motion = "Design and motion";
    app.add_option("--law", law, "motion law (default cycloid)")
        ->group(motion)
        ->type_name("cycloid|trapezoid|sine")
        ->check(CLI::IsMember({"cycloid", "trapezoid", "sine"}).description(""));
    app.add_option("--resolution", resolution, "degrees per sample (default 1)")
        ->group(motion)
        ->type_name("1|0.5|0.2")
        ->check(CLI::IsMember({"1", "0.5", "0.2"}).description(""));
    app.add_option("--base", base, "base-circle radius for this run; the file is not changed")
        ->group(motion)
        ->type_name("MM")
        ->check(Decimal(0, 1e6, false, "millimetres"));
    app.add_option("--roller", roller, "roller radius for this run; the file is not changed")
        ->group(motion)
        ->type_name("MM")
        ->check(Decimal(0, 1e6, true, "millimetres"));
    app.add_option("--rpm", rpm, "cam speed: kinematics also per time (mm/s, m/s2, m/s3)")
        ->group(motion)
        ->type_name("N")
        ->check(Decimal(0, 1e6, false, "revolutions per minute"));

    const char* outputs = "Outputs";
    CLI::Option* dxf = app.add_option("--dxf", o.dxf, "write the contour drawing, as the DXF button does")
                           ->group(outputs)
                           ->type_name("OUT.dxf")
                           ->check(NotEmpty);
    app.add_flag("--points", o.points, "with --dxf: points instead of lines on rises and falls")
        ->group(outputs)
        ->needs(dxf);
    app.add_option("--csv", o.csv, "write one row per sample")
        ->group(outputs)->type_name("OUT.csv")->check(NotEmpty);
    app.add_option("--json", o.json, "write every figure of --check as one JSON document")
        ->group(outputs)->type_name("OUT.json")->check(NotEmpty);
    app.add_option("--report", o.report, "write a two-page A4 design report")
        ->group(outputs)->type_name("OUT.pdf")->check(NotEmpty);

    const char* checks = "Engineering checks";
    app.add_flag("--check", o.check,
                 "report pressure angle, undercut and roller test; exit 1 when a check fails")
        ->group(checks);
    app.add_option("--max-pressure", maxPressure, "pressure-angle limit (default 30)")
        ->group(checks)
        ->type_name("DEG")
        ->check(Decimal(0, 90, false, "degrees"));
    app.add_flag("--size-base", o.sizeBase,
                 "find the smallest base radius (0.01 mm) at which every check passes")
        ->group(checks);
}

}  // namespace

BatchOptions ParseBatchOptions(const std::vector<std::string>& arguments) {
    BatchOptions o;
    std::string law, resolution, maxPressure, base, roller, rpm;
    CLI::App app("", "platecam-batch");
    Describe(app, o, law, resolution, maxPressure, base, roller, rpm);
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        o.help = true;
        return o;
    } catch (const CLI::CallForVersion&) {
        o.version = true;
        return o;
    } catch (const CLI::ParseError& e) {
        throw BadUsage{e.what()};
    }
    for (int k = 0; k < 3; ++k) {
        if (law == LawNames[k]) o.law = k;
    }
    o.stepsPerDegree = resolution == "0.5" ? 2 : resolution == "0.2" ? 5 : 1;
    if (!maxPressure.empty()) o.maxPressure = ParseDecimal(maxPressure, '.');
    if (!base.empty()) o.base = ParseDecimal(base, '.');
    if (!roller.empty()) o.roller = ParseDecimal(roller, '.');
    if (!rpm.empty()) o.rpm = ParseDecimal(rpm, '.');
    return o;
}

std::string BatchHelp() {
    BatchOptions o;
    std::string law, resolution, maxPressure, base, roller, rpm;
    CLI::App app("", "platecam-batch");
    Describe(app, o, law, resolution, maxPressure, base, roller, rpm);
    return app.help();
}

namespace {

// Everything one run computes, so that every output reads the same figures.
struct Run {
    explicit Run(const BatchOptions& o) : options(o) {}
    const BatchOptions& options;
    std::unique_ptr<CamDesign> design = std::make_unique<CamDesign>();
    std::unique_ptr<MotionProfile> motion = std::make_unique<MotionProfile>();
    ProfileStatus status;
    std::optional<std::string> windowPressureError;
    DesignChecks checks;
    CheckVerdicts verdicts;
    std::optional<SizingResult> sizing;

    int S() const { return design->StepsPerDegree; }
    int N() const { return RevolutionSamples(*design); }
    // Per-time kinematics: the cam's angular speed, rad/s.
    std::optional<double> Omega() const {
        if (!options.rpm) return std::nullopt;
        return 2 * Pi * *options.rpm / 60;
    }
};

void Compute(Run& run) {
    CamDesign& d = *run.design;
    const BatchOptions& o = run.options;
    d.StepsPerDegree = o.stepsPerDegree;
    // OPEN, then the displacement button reading the window's texts, then the cam
    // calculation: the same calls in the same order as the window makes them.
    ReadDesignFile(o.design, d.MotionTable);
    if (o.base) d.MotionTable[BaseRadiusSlot].Value = *o.base;
    if (o.roller) d.MotionTable[RollerRadiusSlot].Value = *o.roller;
    d.BaseRadius = d.MotionTable[BaseRadiusSlot].Value;
    d.RollerRadius = d.MotionTable[RollerRadiusSlot].Value;
    LoadDesignFromTexts(d, TextsFromTable(d.MotionTable, '.'), '.');
    ScanMaxDisplacement(d);
    BuildDisplacement(d, o.law);
    ComputePitchCurve(d);
    run.status = ComputeCamProfile(d);
    try {
        ComputePressureAngles(d);
    } catch (const CamError& e) {
        run.windowPressureError = e.message();
    }
    BuildMotionProfile(d, o.law, *run.motion);
    run.checks = CheckDesign(d, *run.motion);
    run.verdicts = JudgeChecks(run.checks, run.status.completed, d.RollerRadius, o.maxPressure);
    if (o.sizeBase) run.sizing = SizeBaseRadius(d, *run.motion, o.maxPressure);
}

void WriteCsv(const std::string& path, const Run& run) {
    const CamDesign& d = *run.design;
    const MotionProfile& m = *run.motion;
    const std::optional<double> omega = run.Omega();
    std::string text =
        "cam_angle_deg,displacement_mm,velocity_mm_per_rad,acceleration_mm_per_rad2,"
        "pitch_x_mm,pitch_y_mm,contour_x_mm,contour_y_mm,pressure_angle_deg,"
        "jerk_mm_per_rad3,pitch_radius_of_curvature_mm,contour_radius_of_curvature_mm,"
        "pressure_angle_exact_deg";
    if (omega) text += ",velocity_mm_s,acceleration_m_s2,jerk_m_s3";
    text += '\n';
    const int S = run.S();
    text.reserve(static_cast<std::size_t>(run.N()) * 300);
    for (int i = 0; i < run.N(); ++i) {
        const double values[] = {static_cast<double>(i) / S, d.Displacement[i], m.velocity[i],
                                 m.acceleration[i], d.PitchCurve[i].x, d.PitchCurve[i].y,
                                 d.CamProfile[i].x, d.CamProfile[i].y, d.PressureAngle[i],
                                 m.jerk[i]};
        for (std::size_t k = 0; k < std::size(values); ++k) {
            if (k > 0) text += ',';
            AppendNumber(text, values[k]);
        }
        // A straight piece has no radius: its cells stay empty.
        const double kappa = PitchCurvature(d.BaseRadius, d.RollerRadius, d.Displacement[i],
                                            m.velocity[i], m.acceleration[i]);
        text += ',';
        if (kappa != 0) AppendNumber(text, 1 / kappa);
        text += ',';
        if (kappa != 0) AppendNumber(text, 1 / kappa - d.RollerRadius);
        text += ',';
        AppendNumber(text, ExactPressureAngle(d.BaseRadius, d.RollerRadius, d.Displacement[i],
                                              m.velocity[i]));
        if (omega) {
            const double w = *omega;
            for (double v : {m.velocity[i] * w, m.acceleration[i] * w * w / 1000,
                             m.jerk[i] * w * w * w / 1000}) {
                text += ',';
                AppendNumber(text, v);
            }
        }
        text += '\n';
    }
    SaveFile(path, text);
}

// The window's own chord method, for comparison with what users know from its charts.
struct WindowExtremes {
    int maxAt = 0, minAt = 0;
};

WindowExtremes FindWindowExtremes(const CamDesign& d) {
    WindowExtremes w;
    bool minFound = false;
    for (int i = 0; i < RevolutionSamples(d); ++i) {
        if (d.PressureAngle[i] == d.MaxPressureAngle) w.maxAt = i;
        if (d.PressureAngle[i] == d.MinPressureAngle && !minFound) {
            w.minAt = i;
            minFound = true;
        }
    }
    return w;
}

struct Peaks {
    double velocity = 0, acceleration = 0, jerk = 0;
};

Peaks FindPeaks(const Run& run) {
    Peaks p;
    for (int i = 0; i < run.N(); ++i) {
        p.velocity = std::max(p.velocity, std::fabs(run.motion->velocity[i]));
        p.acceleration = std::max(p.acceleration, std::fabs(run.motion->acceleration[i]));
        p.jerk = std::max(p.jerk, std::fabs(run.motion->jerk[i]));
    }
    if (const auto w = run.Omega()) {
        p.velocity *= *w;
        p.acceleration *= *w * *w / 1000;
        p.jerk *= *w * *w * *w / 1000;
    }
    return p;
}

std::string Verdict(bool ok) { return ok ? "ok" : "FAIL"; }

// The lines of --check, also the figures of the report and the JSON document.
struct CheckTexts {
    std::string pressureValue, pressureWhere, pressureLimit;
    std::string undercutValue, undercutWhere, undercutLimit;
    std::string contourValue;
};

CheckTexts FormatChecks(const Run& run) {
    const CamDesign& d = *run.design;
    const int S = run.S();
    CheckTexts t;
    t.pressureValue = "max " + Figure(run.checks.maxPressure.value) + " deg, min " +
                      Figure(run.checks.minPressure.value) + " deg";
    t.pressureWhere = Angle(run.checks.maxPressure.sample, S) + " deg, " +
                      Angle(run.checks.minPressure.sample, S) + " deg";
    t.pressureLimit = "+-" + Number(run.options.maxPressure) + " deg";
    if (run.checks.convexPitchRadius.found) {
        t.undercutValue = Figure(run.checks.convexPitchRadius.value) + " mm";
        t.undercutWhere = Angle(run.checks.convexPitchRadius.sample, S) + " deg";
    } else {
        t.undercutValue = "no convex part";
    }
    t.undercutLimit = "roller " + Number(d.RollerRadius) + " mm";
    t.contourValue = run.status.completed
                         ? "complete"
                         : "stopped at " + Angle(run.status.stoppedAt, S) + " deg (" +
                               Message(msg::RollerTooLarge) + ")";
    return t;
}

std::string SizingText(const Run& run) {
    const SizingResult& s = *run.sizing;
    if (!s.found) {
        return "sizing: nothing up to " + Number(s.searchedUpTo) + " mm passes every check";
    }
    std::string text = "sizing: smallest base radius " + Number(s.baseRadius) +
                       " mm (pressure angle max " + Figure(s.checks.maxPressure.value) +
                       " deg, min " + Figure(s.checks.minPressure.value) + " deg";
    if (s.checks.convexPitchRadius.found) {
        text += ", smallest convex radius of curvature " +
                Figure(s.checks.convexPitchRadius.value) + " mm";
    }
    text += ")";
    if (s.passesAsGiven) {
        text += "; the checks pass at the radius " + Number(run.design->BaseRadius) +
                " mm already";
    }
    return text;
}

std::string ConcaveText(const Run& run) {
    const Extreme& c = run.checks.concaveContourRadius;
    if (!c.found) return "contour: no concave part (information)";
    return "contour: smallest concave radius of curvature " + Figure(-c.value) + " mm at " +
           Angle(c.sample, run.S()) + " deg; a milling cutter must be smaller (information)";
}

std::string WindowMethodText(const Run& run) {
    const CamDesign& d = *run.design;
    if (run.windowPressureError) {
        return "pressure angle (window method): not computed (" + *run.windowPressureError + ")";
    }
    const WindowExtremes w = FindWindowExtremes(d);
    return "pressure angle (window method): max " + Figure(d.MaxPressureAngle) + " deg at " +
           Angle(w.maxAt, run.S()) + " deg, min " + Figure(d.MinPressureAngle) + " deg at " +
           Angle(w.minAt, run.S()) + " deg";
}

std::string KinematicsText(const Run& run) {
    const Peaks p = FindPeaks(run);
    if (run.options.rpm) {
        return "kinematics at " + Number(*run.options.rpm) + " rpm: peak velocity " +
               Figure(p.velocity) + " mm/s, acceleration " + Figure(p.acceleration) +
               " m/s2, jerk " + Figure(p.jerk) + " m/s3";
    }
    return "kinematics per radian: peak velocity " + Figure(p.velocity) + " mm/rad, acceleration " +
           Figure(p.acceleration) + " mm/rad2, jerk " + Figure(p.jerk) + " mm/rad3";
}

void PrintCheck(std::ostream& out, const Run& run) {
    const CamDesign& d = *run.design;
    const CheckTexts t = FormatChecks(run);
    out << "design: " << run.options.design << "\n";
    out << "law: " << LawCaptions[run.options.law] << ", resolution: " << Number(1.0 / run.S())
        << " deg (" << run.N() << " samples)";
    if (run.options.rpm) out << ", speed " << Number(*run.options.rpm) << " rpm";
    out << "\n";
    out << "base radius " << Number(d.BaseRadius) << " mm, roller radius " << Number(d.RollerRadius)
        << " mm, largest lift " << Number(d.MaxDisplacement) << " mm\n";
    out << "pressure angle: max " << Figure(run.checks.maxPressure.value) << " deg at "
        << Angle(run.checks.maxPressure.sample, run.S()) << " deg, min "
        << Figure(run.checks.minPressure.value) << " deg at "
        << Angle(run.checks.minPressure.sample, run.S()) << " deg, limit " << t.pressureLimit
        << "  " << Verdict(run.verdicts.pressure) << "\n";
    out << WindowMethodText(run) << "\n";
    if (run.checks.convexPitchRadius.found) {
        out << "pitch curve: smallest convex radius of curvature " << t.undercutValue << " at "
            << t.undercutWhere << ", roller radius " << Number(d.RollerRadius) << " mm  "
            << (run.verdicts.undercut ? "ok" : "FAIL (undercut)") << "\n";
    } else {
        out << "pitch curve: no convex part  ok\n";
    }
    out << "contour: " << t.contourValue << "  " << Verdict(run.verdicts.contour) << "\n";
    out << ConcaveText(run) << "\n";
    out << KinematicsText(run) << "\n";
    if (run.sizing) out << SizingText(run) << "\n";
    out << (run.verdicts.all() ? "result: all checks pass\n" : "result: a check fails\n");
}

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

std::string JsonDocument(const Run& run) {
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
                     {"law", LawNames[run.options.law]},
                     {"law_caption", LawCaptions[run.options.law]},
                     {"resolution_deg", 1.0 / S},
                     {"samples", run.N()},
                     {"rpm", run.options.rpm ? nlohmann::json(*run.options.rpm) : nullptr},
                     {"max_pressure_deg", run.options.maxPressure},
                     {"largest_lift_mm", d.MaxDisplacement},
                     {"motion_table", table}};
    doc["checks"] = ChecksJson(run.checks, run.status.completed, run.status.stoppedAt,
                               d.RollerRadius, run.options.maxPressure, S);
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
                                                 run.options.maxPressure, S);
        }
    } else {
        doc["sizing"] = nullptr;
    }
    doc["result"] = {{"pass", run.verdicts.all()}};
    return doc.dump(2) + "\n";
}

std::string Today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%Y-%m-%d", &local);
    return text;
}

ReportInput MakeReportInput(const Run& run) {
    const CamDesign& d = *run.design;
    const CheckTexts t = FormatChecks(run);
    ReportInput r;
    const auto slash = run.options.design.rfind('/');
    r.title = slash == std::string::npos ? run.options.design : run.options.design.substr(slash + 1);
    r.date = Today();
    r.inputs = {{{"base radius", Number(d.BaseRadius) + " mm"}},
                {{"roller radius", Number(d.RollerRadius) + " mm"}},
                {{"largest lift", Number(d.MaxDisplacement) + " mm"}},
                {{"motion law", LawCaptions[run.options.law]}},
                {{"resolution", Number(1.0 / run.S()) + " deg (" + std::to_string(run.N()) +
                                    " samples)"}}};
    if (run.options.rpm) r.inputs.push_back({{"speed", Number(*run.options.rpm) + " rpm"}});
    const TableWalk walk = WalkTable(d.MotionTable);
    const int rows = walk.terminatorRow ? walk.terminatorRow : MotionRowCount;
    for (int k = 0; k < rows; ++k) {
        r.motionTable.push_back({{std::to_string(k + 1), std::to_string(d.MotionTable[k].Angle),
                                  Number(d.MotionTable[k].Value)}});
    }
    r.checks = {{{"pressure angle (exact)", t.pressureValue, t.pressureWhere, t.pressureLimit,
                  Verdict(run.verdicts.pressure)}},
                {{"undercut (pitch curve)", t.undercutValue, t.undercutWhere, t.undercutLimit,
                  run.verdicts.undercut ? "ok" : "FAIL (undercut)"}},
                {{"contour", t.contourValue, "", "", Verdict(run.verdicts.contour)}}};
    r.notes = {ConcaveText(run), WindowMethodText(run), KinematicsText(run)};
    if (run.sizing) r.notes.push_back(SizingText(run));
    r.notes.push_back(run.verdicts.all() ? "result: all checks pass" : "result: a check fails");
    r.design = &d;
    r.motion = run.motion.get();
    r.contourComplete = run.status.completed;
    r.contourSamples = run.status.completed ? run.N() + 1 : run.status.stoppedAt;
    r.maxPressure = run.options.maxPressure;
    r.rpm = run.options.rpm;
    for (const Segment& s : walk) {
        r.boundaries.push_back(s.startAngle);
        r.boundaries.push_back(s.endAngle);
    }
    return r;
}

// The report module links Qt; it is loaded only when a report is asked for, so that
// every other run starts without it.
RenderReportFunction LoadReportModule(std::string& error) {
    std::vector<std::string> candidates;
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n > 0) {
        std::string dir(self, static_cast<std::size_t>(n));
        dir = dir.substr(0, dir.rfind('/'));
        candidates.push_back(dir + "/../" PLATECAM_REPORT_MODULE_INSTALLED);
    }
#ifdef PLATECAM_REPORT_MODULE_BUILT
    candidates.push_back(PLATECAM_REPORT_MODULE_BUILT);
#endif
    for (const std::string& path : candidates) {
        if (::access(path.c_str(), R_OK) != 0) continue;
        void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module) {
            error = ::dlerror();
            return nullptr;
        }
        if (auto* render = reinterpret_cast<RenderReportFunction>(::dlsym(module, RenderReportSymbol))) {
            return render;
        }
        error = "the report module " + path + " has no entry point";
        return nullptr;
    }
    error = "the report module is not installed";
    return nullptr;
}

}  // namespace

int RunBatch(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    BatchOptions options;
    try {
        options = ParseBatchOptions(arguments);
    } catch (const BadUsage& bad) {
        err << "platecam-batch: " << bad.text << "\n" << "Try 'platecam-batch --help'.\n";
        return 2;
    }
    if (options.help) {
        out << BatchHelp();
        return 0;
    }
    if (options.version) {
        out << "platecam-batch " << PLATECAM_VERSION << "\n";
        return 0;
    }
    // Writing over the design would destroy it: refuse before anything is written.
    for (const std::string* output : {&options.dxf, &options.csv, &options.json, &options.report}) {
        if (!output->empty() && SameFile(*output, options.design)) {
            err << "platecam-batch: output " << *output << " is the design file "
                << options.design << " itself; nothing written\n";
            return 2;
        }
    }
    Run run(options);
    try {
        Compute(run);
        if (!run.status.completed) err << Message(msg::RollerTooLarge) << "\n";
        if (!options.dxf.empty()) {
            DxfLines lines;
            BuildDxf(lines, *run.design, options.points);
            WriteDxfFile(options.dxf, lines);
        }
        if (!options.csv.empty()) WriteCsv(options.csv, run);
        if (!options.json.empty()) SaveFile(options.json, JsonDocument(run));
        if (!options.report.empty()) {
            std::string error, pdf;
            const RenderReportFunction render = LoadReportModule(error);
            if (!render || !render(MakeReportInput(run), pdf, error)) {
                err << "platecam-batch: no report: " << error << "\n";
                return 2;
            }
            SaveFile(options.report, pdf);
        }
    } catch (const CamError& e) {
        err << "platecam-batch: " << e.message() << "\n";
        return 2;
    }
    if (!options.check) return 0;
    PrintCheck(out, run);
    return run.verdicts.all() ? 0 : 1;
}

}  // namespace platecam
