#include "batch/options.h"

#include <CLI/CLI.hpp>

#include "batch/texts.h"
#include "files/design_document.h"
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

// The option texts that are not numbers, and the numbers as typed.
struct Texts {
    std::string law, resolution, maxPressure, base, roller, rpm, minBase, language;
    std::vector<std::string> titleBlock;
};

// The keys of a document's [drawing] table, which --title-block sets.
const char* const TitleBlockKeys[] = {"part_number", "material", "designer", "checker",
                                      "revision",    "date",     "bore_diameter"};

const CLI::Validator TitleBlockEntry(
    [](std::string& text) -> std::string {
        const auto equals = text.find('=');
        const std::string key = text.substr(0, equals);
        bool known = false;
        for (const char* k : TitleBlockKeys) known = known || key == k;
        if (equals == std::string::npos || !known) {
            return "needs KEY=VALUE with KEY one of part_number, material, designer, checker, "
                   "revision, date, bore_diameter, not '" + text + "'";
        }
        if (key == "bore_diameter") {
            try {
                if (!(ParseDecimal(text.substr(equals + 1), '.') > 0)) return "bore_diameter must be above 0 mm";
            } catch (const CamError&) {
                return "bore_diameter needs a number of millimetres";
            }
        }
        return {};
    },
    "");

// The law names --law takes: a document's seven, and the window's three as the batch
// tool always spelled them.
std::vector<std::string> LawChoices() {
    std::vector<std::string> names = DocumentLawNames();
    names.insert(names.begin() + 3, {"trapezoid", "sine"});
    return names;
}

void Describe(CLI::App& app, BatchOptions& o, Texts& t) {
    app.description(
        "Loads a design file saved by platecam (264 bytes) or a design document (TOML),\n"
        "computes the cam and writes what the options ask for.\n"
        "Exit status: 0 all checks pass, 1 a check fails (with --check), 2 bad input.");
    app.set_help_flag("-h,--help", "show this text and exit");
    app.set_version_flag("--version", std::string("platecam-batch ") + PLATECAM_VERSION,
                         "show the version and exit");
    app.add_option("design", o.design, "design file (264 bytes) or design document (.toml)")
        ->required()
        ->type_name("DESIGN")
        ->check(NotEmpty);

    const char* motion = "Design and motion";
    app.add_option("--law", t.law,
                   "motion law of every segment that names none (default: the document's, "
                   "else cycloid)")
        ->group(motion)
        ->type_name("LAW")
        ->check(CLI::IsMember(LawChoices()).description(""));
    app.add_option("--resolution", t.resolution,
                   "degrees per sample (default: the document's, else 1)")
        ->group(motion)
        ->type_name("1|0.5|0.2")
        ->check(CLI::IsMember({"1", "0.5", "0.2"}).description(""));
    app.add_option("--base", t.base, "base-circle radius for this run; the file is not changed")
        ->group(motion)
        ->type_name("MM")
        ->check(Decimal(0, 1e6, false, "millimetres"));
    app.add_option("--roller", t.roller, "roller radius for this run; the file is not changed")
        ->group(motion)
        ->type_name("MM")
        ->check(Decimal(0, 1e6, true, "millimetres"));
    app.add_option("--rpm", t.rpm, "cam speed: kinematics also per time (mm/s, m/s2, m/s3)")
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
    app.add_option("--max-pressure", t.maxPressure, "pressure-angle limit (default 30)")
        ->group(checks)
        ->type_name("DEG")
        ->check(Decimal(0, 90, false, "degrees"));
    app.add_flag("--size-base", o.sizeBase,
                 "find the smallest base radius (0.01 mm) at which every check passes")
        ->group(checks);
    app.add_option("--min-base", t.minBase,
                   "with --size-base: the smallest base radius allowed, the hub or shaft")
        ->group(checks)
        ->type_name("MM")
        ->check(Decimal(0, 1e6, true, "millimetres"));
    app.add_option("--save-design", o.saveDesign,
                   "write the design as this run used it, as a design document")
        ->group(outputs)
        ->type_name("OUT.toml")
        ->check(NotEmpty);
    app.add_option("--drawing", o.drawing,
                   "write a workshop drawing of the exact contour (layers, centre mark, bore, "
                   "0° mark, title)")
        ->group(outputs)
        ->type_name("OUT.dxf")
        ->check(NotEmpty);
    app.add_option("--title-block", t.titleBlock,
                   "a title-block entry of the report and the drawing, over the document's "
                   "[drawing] (repeatable)")
        ->group(outputs)
        ->type_name("KEY=VALUE")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->check(TitleBlockEntry);
    app.add_option("--lang", t.language, "language of the messages and the report")
        ->type_name("ja|en")
        ->check(CLI::IsMember({"ja", "en"}).description(""))
        ->group(checks);
}

}  // namespace

BatchOptions ParseBatchOptions(const std::vector<std::string>& arguments) {
    BatchOptions o;
    Texts t;
    CLI::App app("", "platecam-batch");
    Describe(app, o, t);
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
    if (!t.law.empty()) {
        // The batch tool's old short names of the window's laws.
        o.law = t.law == "trapezoid" ? "modified-trapezoid" : t.law == "sine" ? "modified-sine" : t.law;
    }
    if (!t.resolution.empty()) {
        o.stepsPerDegree = t.resolution == "0.5" ? 2 : t.resolution == "0.2" ? 5 : 1;
    }
    if (!t.maxPressure.empty()) o.maxPressure = ParseDecimal(t.maxPressure, '.');
    if (!t.base.empty()) o.base = ParseDecimal(t.base, '.');
    if (!t.roller.empty()) o.roller = ParseDecimal(t.roller, '.');
    if (!t.rpm.empty()) o.rpm = ParseDecimal(t.rpm, '.');
    if (!t.minBase.empty()) o.minBase = ParseDecimal(t.minBase, '.');
    if (!t.language.empty()) o.language = t.language;
    for (const std::string& entry : t.titleBlock) {
        const auto equals = entry.find('=');
        o.titleBlock.emplace_back(entry.substr(0, equals), entry.substr(equals + 1));
    }
    return o;
}

std::string BatchHelp() {
    BatchOptions o;
    Texts t;
    CLI::App app("", "platecam-batch");
    Describe(app, o, t);
    return app.help();
}

}  // namespace platecam
