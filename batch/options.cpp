#include "batch/options.h"

#include <CLI/CLI.hpp>

#include "batch/texts.h"
#include "model/cam_design.h"
#include "model/errors.h"
#include "model/number_text.h"
#include "platecam_version.h"

namespace platecam {

namespace {

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
    if (!resolution.empty()) o.stepsPerDegree = resolution == "0.5" ? 2 : resolution == "0.2" ? 5 : 1;
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

}  // namespace platecam
