#include "batch/options.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <regex>

#include "batch/texts.h"
#include "engine/limits.h"
#include "design/rules.h"
#include "engine/vocabulary.h"
#include "base/language.h"
#include "model/cam_design.h"
#include "base/errors.h"
#include "base/number_text.h"
#include "platecam_version.h"

namespace platecam {

namespace {

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
    return text;
}

// A number of the option, by the parsing rule of the window's cells, within the range
// the design document's key has: the same rule, in the same words.
CLI::Validator InRangeOf(engine::Quantity quantity) {
    return CLI::Validator(
        [=](std::string& text) -> std::string {
            double value;
            try {
                value = ParseDecimal(text, '.');
            } catch (const CamError&) {
                return Tr("needs a number, not '%1'", {text});
            }
            return engine::RangeProblem(quantity, value).Render();
        },
        "");
}

CLI::Validator OneOf(std::vector<std::string> names) {
    return CLI::Validator(
        [names](std::string& text) -> std::string {
            for (const std::string& name : names) {
                if (text == name) return {};
            }
            return Tr("must be one of %1, not '%2'", {Joined(names), text});
        },
        "");
}

const CLI::Validator NotEmpty(
    [](std::string& text) -> std::string {
        return text.empty() ? std::string(Tr("needs a file name, not an empty one")) : std::string();
    },
    "");

// The option texts that are not numbers, and the numbers as typed.
struct Texts {
    std::string law, resolution, maxPressure, base, roller, rpm, minBase, language, tolerance, liftStep,
        tableStep, rpmSweep;
    std::vector<std::string> titleBlock;
};

// The keys of a document's [drawing] table, which --title-block sets.
std::vector<std::string> TitleBlockKeys() {
    std::vector<std::string> keys;
    for (const TitleText& t : TitleTexts()) keys.push_back(t.key);
    keys.insert(keys.end(), {"bore_diameter", "min_wall"});
    return keys;
}

// KEY=VALUE by the rule of the document's key "drawing.KEY", in the document's words.
const CLI::Validator TitleBlockEntry(
    [](std::string& text) -> std::string {
        const auto equals = text.find('=');
        const std::string key = text.substr(0, equals);
        const std::vector<std::string> keys = TitleBlockKeys();
        if (equals == std::string::npos || std::find(keys.begin(), keys.end(), key) == keys.end()) {
            return Tr("needs KEY=VALUE with KEY one of %1, not '%2'", {Joined(keys), text});
        }
        const std::string value = text.substr(equals + 1);
        if (key == "bore_diameter" || key == "min_wall") {
            double number;
            try {
                number = ParseDecimal(value, '.');
            } catch (const CamError&) {
                return key + ": " + Tr("needs a number, not '%1'", {value});
            }
            const std::string problem = engine::RangeProblem(
                key == "min_wall" ? engine::Quantity::MinWall : engine::Quantity::BoreDiameter, number).Render();
            return problem.empty() ? problem : key + ": " + problem;
        }
        if (const char* problem = TitleTextProblem(value)) return key + ": " + Tr(problem);
        return {};
    },
    "");

// FROM:TO:STEP of speeds, rpm: FROM and TO within the speed's range, FROM < TO, STEP > 0,
// at most 1000 speeds.
std::optional<BatchOptions::Sweep> ParseSweep(const std::string& text) {
    const auto first = text.find(':'), second = text.find(':', first == std::string::npos ? first : first + 1);
    if (first == std::string::npos || second == std::string::npos) return std::nullopt;
    try {
        BatchOptions::Sweep s{ParseDecimal(text.substr(0, first), '.'),
                              ParseDecimal(text.substr(first + 1, second - first - 1), '.'),
                              ParseDecimal(text.substr(second + 1), '.')};
        if (!(engine::InRange(engine::Quantity::Rpm, s.from) && engine::InRange(engine::Quantity::Rpm, s.to) &&
              s.from < s.to && s.step > 0 && (s.to - s.from) / s.step <= 1000)) {
            return std::nullopt;
        }
        return s;
    } catch (const CamError&) {
        return std::nullopt;
    }
}

const CLI::Validator SweepText(
    [](std::string& text) -> std::string {
        if (ParseSweep(text)) return {};
        return Tr("needs FROM:TO:STEP in rpm with FROM < TO and at most 1000 steps, not '%1'", {text});
    },
    "");

// The law names --law takes: a document's seven, and the window's three as the batch
// tool always spelled them.
std::vector<std::string> LawChoices() {
    std::vector<std::string> names;
    for (const engine::Law law : engine::Laws()) names.push_back(engine::LawName(law));
    names.insert(names.begin() + 3, {"trapezoid", "sine"});
    return names;
}

// The groups of the help, in its order.
struct Groups {
    std::string motion = Tr("Design and motion");
    std::string outputs = Tr("Outputs");
    std::string checks = Tr("Engineering checks");
    std::string general = Tr("General");
};

void Describe(CLI::App& app, BatchOptions& o, Texts& t, const Groups& g) {
    app.add_option("design", o.design, Tr("design file (264 bytes) or design document (.toml)"))
        ->required()
        ->type_name("DESIGN")
        ->check(NotEmpty);

    app.add_option("--law", t.law,
                   Tr("motion law of every segment that names none: %1 (default: the document's, "
                      "else cycloid)",
                      {Joined(LawChoices())}))
        ->group(g.motion)
        ->type_name("LAW")
        ->check(OneOf(LawChoices()));
    app.add_option("--resolution", t.resolution,
                   Tr("degrees per sample (default: the document's, else 1)"))
        ->group(g.motion)
        ->type_name("1|0.5|0.2")
        ->check(OneOf({"1", "0.5", "0.2"}));
    app.add_option("--base", t.base, Tr("base-circle radius for this run; the file is not changed"))
        ->group(g.motion)
        ->type_name("MM")
        ->check(InRangeOf(engine::Quantity::BaseRadius));
    app.add_option("--roller", t.roller, Tr("roller radius for this run; the file is not changed"))
        ->group(g.motion)
        ->type_name("MM")
        ->check(InRangeOf(engine::Quantity::RollerRadius));
    app.add_option("--rpm", t.rpm, Tr("cam speed: kinematics also per time (mm/s, m/s², m/s³)"))
        ->group(g.motion)
        ->type_name("RPM")
        ->check(InRangeOf(engine::Quantity::Rpm));

    CLI::Option* dxf =
        app.add_option("--dxf", o.dxf, Tr("write the contour drawing, as the window's DXF button does"))
            ->group(g.outputs)
            ->type_name("OUT.dxf")
            ->check(NotEmpty);
    app.add_flag("--points", o.points, Tr("with --dxf: points instead of lines on rises and falls"))
        ->group(g.outputs)
        ->needs(dxf);
    app.add_option("--csv", o.csv, Tr("write one row per sample"))
        ->group(g.outputs)->type_name("OUT.csv")->check(NotEmpty);
    app.add_option("--json", o.json, Tr("write every figure of --check as one JSON document"))
        ->group(g.outputs)->type_name("OUT.json")->check(NotEmpty);
    CLI::Option* report =
        app.add_option("--report", o.report,
                       Tr("write the A4 design report (its pages: the design, the motion, the loads at "
                          "speed where given, and the contour's coordinates)"))
            ->group(g.outputs)->type_name("OUT.pdf")->check(NotEmpty);
    app.add_option("--table-step", t.tableStep,
                   Tr("the step of the report's table of the contour's coordinates (default 5°)"))
        ->group(g.outputs)
        ->type_name("DEG")
        ->needs(report)
        ->check(InRangeOf(engine::Quantity::TableStep));
    app.add_option("--save-design", o.saveDesign,
                   Tr("write the design as this run used it, as a design document"))
        ->group(g.outputs)
        ->type_name("OUT.toml")
        ->check(NotEmpty);
    app.add_option("--drawing", o.drawing,
                   Tr("write a workshop drawing of the exact contour (layers, centre mark, bore, "
                      "0° mark, title block)"))
        ->group(g.outputs)
        ->type_name("OUT.dxf")
        ->check(NotEmpty);
    app.add_option("--title-block", t.titleBlock,
                   Tr("an entry of the title block of the report and the drawing, over the "
                      "document's [drawing]; KEY is one of %1 (repeatable)",
                      {Joined(TitleBlockKeys())}))
        ->group(g.outputs)
        ->type_name("KEY=VALUE")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->check(TitleBlockEntry);
    app.add_option("--tolerance", t.tolerance,
                   Tr("the largest distance between the arcs of --drawing, --toolpath and --gcode "
                      "and the exact contour (default 0.001 mm)"))
        ->group(g.outputs)
        ->type_name("MM")
        ->check(InRangeOf(engine::Quantity::Tolerance));
    app.add_option("--toolpath", o.toolpath,
                   Tr("write the path of the tool's centre for milling the outside, as arcs "
                      "(needs machining.tool_radius)"))
        ->group(g.outputs)
        ->type_name("OUT.dxf")
        ->check(NotEmpty);
    app.add_option("--gcode", o.gcode,
                   Tr("write the milling program of the outside (needs the document's [machining])"))
        ->group(g.outputs)
        ->type_name("OUT.nc")
        ->check(NotEmpty);
    CLI::Option* liftTable =
        app.add_option("--lift-table", o.liftTable,
                       Tr("write the cam grinder's table: the distance of the tool's centre from the "
                          "cam's at every step (needs machining.tool_radius)"))
            ->group(g.outputs)
            ->type_name("OUT.csv")
            ->check(NotEmpty);
    app.add_option("--lift-step", t.liftStep, Tr("the step of --lift-table (default 0.5°)"))
        ->group(g.outputs)
        ->type_name("DEG")
        ->needs(liftTable)
        ->check(InRangeOf(engine::Quantity::LiftStep));

    app.add_flag("--check", o.check,
                 Tr("print the engineering checks (pressure angle, undercut, curvature, loads at "
                    "speed); exit 1 when a check fails"))
        ->group(g.checks);
    app.add_option("--max-pressure", t.maxPressure, Tr("pressure-angle limit (default 30°)"))
        ->group(g.checks)
        ->type_name("DEG")
        ->check(InRangeOf(engine::Quantity::MaxPressureAngle));
    CLI::Option* sizeBase = app.add_flag("--size-base", o.sizeBase,
                 Tr("find the smallest base radius (0.01 mm) at which the pressure angle and the "
                    "undercut pass (a flat face: the radius of curvature)"))
        ->group(g.checks);
    app.add_flag("--size-offset", o.sizeOffset,
                 Tr("with --size-base, for a roller: the offset too, at which the base radius is "
                    "smallest, and the report's design chart"))
        ->group(g.checks)
        ->needs(sizeBase);
    CLI::Option* sweep =
        app.add_option("--rpm-sweep", t.rpmSweep,
                       Tr("the residual vibration and the smallest contact force at every speed from "
                          "FROM to TO rpm in steps of STEP (needs [dynamics] with train_stiffness): a "
                          "page of the report and --sweep-csv"))
            ->group(g.checks)
            ->type_name("FROM:TO:STEP")
            ->check(SweepText);
    app.add_option("--sweep-csv", o.sweepCsv, Tr("write the rows of --rpm-sweep"))
        ->group(g.outputs)
        ->type_name("OUT.csv")
        ->needs(sweep)
        ->check(NotEmpty);
    app.add_option("--min-base", t.minBase,
                   Tr("with --size-base: the smallest base radius allowed, the hub or shaft"))
        ->group(g.checks)
        ->type_name("MM")
        ->check(InRangeOf(engine::Quantity::MinBaseRadius));

    app.add_option("--lang", t.language,
                   Tr("language of the messages and the report (default: the locale's)"))
        ->group(g.general)
        ->type_name("ja|en")
        ->check(OneOf({"ja", "en"}));
    app.set_help_flag("-h,--help", Tr("show this text and exit"))->group(g.general);
    app.set_version_flag("--version", std::string("platecam-batch ") + PLATECAM_VERSION,
                         Tr("show the version and exit"))
        ->group(g.general);
}

// The first option name in a message of the parser: its messages name the option first.
std::string OptionNamed(const std::string& text) {
    static const std::regex name("--?[A-Za-z][A-Za-z0-9-]*");
    std::smatch m;
    return std::regex_search(text, m, name) ? m.str() : std::string();
}

// What the parser found wrong, in our words and in the language in use; CLI11's own
// sentence only for a case this does not know.
std::string UsageError(const CLI::App& app, const CLI::ParseError& e) {
    const std::string what = e.what();
    if (dynamic_cast<const CLI::RequiredError*>(&e)) {
        return Tr("no design given: name a design file or a design document");
    }
    if (dynamic_cast<const CLI::ExtrasError*>(&e)) {
        const std::vector<std::string> extra = app.remaining();
        const std::string first = extra.empty() ? what : extra.front();
        if (first.size() > 1 && first[0] == '-') {
            return Tr("unknown option %1", {first.substr(0, first.find('='))});
        }
        return Tr("unexpected argument '%1': one design at a time", {first});
    }
    if (dynamic_cast<const CLI::RequiresError*>(&e)) {
        const std::string option = OptionNamed(what);
        const std::string needed = OptionNamed(what.substr(what.find(option) + option.size()));
        if (!option.empty() && !needed.empty()) {
            return Tr("%1 works only together with %2", {option, needed});
        }
    }
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&e)) {
        const std::string option = OptionNamed(what);
        if (what.find("At Most") != std::string::npos) return Tr("%1 is given more than once", {option});
        const CLI::Option* known = app.get_option_no_throw(option);
        if (known) return Tr("%1 needs a value: %2", {option, known->get_type_name()});
    }
    if (dynamic_cast<const CLI::ConversionError*>(&e)) {
        const std::string option = OptionNamed(what);
        if (!option.empty()) return Tr("%1 takes no value", {option});
    }
    // A validator's message: "option: what is wrong", its words already ours; the design
    // is named as the help names it.
    if (what.rfind("design: ", 0) == 0) return "DESIGN" + what.substr(6);
    return what;
}

// Columns of text on a terminal: East Asian wide characters take two.
bool IsWide(char32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6);
}

// One character of UTF-8 text: its bytes and its code point.
struct Glyph {
    std::string bytes;
    char32_t code;
    int Width() const { return IsWide(code) ? 2 : 1; }
};

std::vector<Glyph> Glyphs(const std::string& text) {
    std::vector<Glyph> glyphs;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t n = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t code = n == 1 ? lead : lead & (0x7F >> n);
        for (std::size_t k = 1; k < n && i + k < text.size(); ++k) {
            code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        glyphs.push_back({text.substr(i, n), code});
        i += n;
    }
    return glyphs;
}

int Width(const std::string& text) {
    int width = 0;
    for (const Glyph& g : Glyphs(text)) width += g.Width();
    return width;
}

// Japanese punctuation that never starts a line, and brackets that never end one.
bool NoLineStart(char32_t c) {
    return c == U'、' || c == U'。' || c == U'）' || c == U'」' || c == U'』' || c == U'，' || c == U'：' ||
           c == ')' || c == ',' || c == '.' || c == ':' || c == ';';
}
bool NoLineEnd(char32_t c) { return c == U'（' || c == U'「' || c == U'『' || c == '('; }

bool IsKatakana(char32_t c) { return c >= 0x30A0 && c <= 0x30FF; }

// The text in lines of at most `width` columns. Lines break at spaces and between
// Japanese characters (Japanese puts no spaces between words), but not inside a katakana
// word; a break at a space or after a comma or full stop is taken where it leaves the line
// at least two thirds full.
std::vector<std::string> Wrap(const std::string& text, int width) {
    const std::vector<Glyph> g = Glyphs(text);
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < g.size()) {
        int used = 0;
        std::size_t end = start, anyBreak = start, earlierBreak = start, goodBreak = start;
        while (end < g.size() && used + g[end].Width() <= width) {
            used += g[end].Width();
            ++end;
            if (end == g.size()) break;
            const char32_t before = g[end - 1].code, after = g[end].code;
            const bool space = after == ' ';
            const bool wide = g[end - 1].Width() == 2 || g[end].Width() == 2;
            const bool word = IsKatakana(before) && IsKatakana(after);
            if (!(space || (wide && before != ' ' && !word)) || NoLineStart(after) || NoLineEnd(before)) {
                continue;
            }
            if (2 * used >= width) earlierBreak = anyBreak;
            anyBreak = end;
            if ((space || before == U'、' || before == U'。' || before == U'）' || before == ')') &&
                3 * used >= 2 * width) {
                goodBreak = end;
            }
        }
        if (end < g.size()) {
            // No last line of a word or two alone: "ます" under a full line reads badly.
            int rest = 0;
            for (std::size_t k = anyBreak; k < g.size(); ++k) rest += g[k].Width();
            if (rest <= 6 && earlierBreak > start) anyBreak = earlierBreak;
            end = goodBreak > start ? goodBreak : anyBreak > start ? anyBreak : end;
        }
        if (end == start) ++end;  // a character wider than the column
        std::string line;
        for (std::size_t k = start; k < end; ++k) line += g[k].bytes;
        while (!line.empty() && line.back() == ' ') line.pop_back();
        lines.push_back(line);
        start = end;
        while (start < g.size() && g[start].code == ' ') ++start;
    }
    return lines;
}

constexpr int HelpWidth = 80;

void Paragraph(std::string& help, const std::string& text) {
    for (const std::string& line : Wrap(text, HelpWidth)) help += line + "\n";
}

using Entries = std::vector<std::pair<std::string, std::string>>;

// "  --name VALUE    description", the descriptions starting at `column`, wrapped.
std::string OptionLines(const Entries& entries, int column) {
    std::string text;
    for (const auto& [label, description] : entries) {
        std::string line = "  " + label;
        if (Width(line) + 2 > column) {
            text += line + "\n";
            line.clear();
        }
        for (const std::string& part : Wrap(description, HelpWidth - column)) {
            line += std::string(static_cast<std::size_t>(column - Width(line)), ' ') + part;
            text += line + "\n";
            line.clear();
        }
    }
    return text;
}

std::string OptionLabel(const CLI::Option& option) {
    if (option.get_positional()) return option.get_type_name();
    std::string label;
    for (const std::string& s : option.get_snames()) label += "-" + s + ", ";
    for (const std::string& l : option.get_lnames()) label += "--" + l + ", ";
    label.erase(label.size() - 2);
    const std::string type = option.get_type_name();
    if (option.get_expected_min() > 0 && !type.empty()) label += " " + type;
    return label;
}

}  // namespace

BatchOptions ParseBatchOptions(const std::vector<std::string>& arguments) {
    BatchOptions o;
    Texts t;
    CLI::App app("", "platecam-batch");
    Describe(app, o, t, Groups{});
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
        throw BadUsage{UsageError(app, e)};
    }
    if (!t.law.empty()) {
        // The batch tool's old short names of the window's laws.
        o.law = t.law == "trapezoid" ? engine::Law::ModifiedTrapezoid
                : t.law == "sine"    ? engine::Law::ModifiedSine
                                     : *engine::LawFromName(t.law);
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
    if (!t.tolerance.empty()) o.tolerance = ParseDecimal(t.tolerance, '.');
    if (!t.liftStep.empty()) o.liftStep = ParseDecimal(t.liftStep, '.');
    if (!t.tableStep.empty()) o.tableStep = ParseDecimal(t.tableStep, '.');
    if (!t.rpmSweep.empty()) o.rpmSweep = *ParseSweep(t.rpmSweep);
    for (const std::string& entry : t.titleBlock) {
        const auto equals = entry.find('=');
        o.titleBlock.emplace_back(entry.substr(0, equals), entry.substr(equals + 1));
    }
    return o;
}

std::optional<std::string> LanguageOption(const std::vector<std::string>& arguments) {
    std::optional<std::string> language;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "--") break;
        if (a == "--lang" && i + 1 < arguments.size()) language = arguments[++i];
        if (a.rfind("--lang=", 0) == 0) language = a.substr(7);
    }
    if (language && *language != "ja" && *language != "en") return std::nullopt;
    return language;
}

std::string BatchHelp() {
    BatchOptions o;
    Texts t;
    CLI::App app("", "platecam-batch");
    const Groups groups;
    Describe(app, o, t, groups);
    std::string help = Tr("Usage: platecam-batch [OPTIONS] DESIGN") + std::string("\n");
    Paragraph(help, Tr("Loads a design file saved by platecam (264 bytes) or a design document "
                       "(TOML), computes the cam and writes what the options ask for."));
    // The design, then the groups; one column for every description.
    std::vector<std::pair<std::string, Entries>> sections(1);
    for (const std::string* group : {&groups.motion, &groups.outputs, &groups.checks, &groups.general}) {
        sections.push_back({*group + ":", {}});
    }
    int column = 0;
    for (const CLI::Option* option : app.get_options()) {
        for (auto& [title, entries] : sections) {
            const bool here = option->get_positional() ? title.empty() : title == option->get_group() + ":";
            if (!here) continue;
            entries.emplace_back(OptionLabel(*option), option->get_description());
            column = std::max(column, 2 + Width(entries.back().first) + 2);
        }
    }
    column = std::min(column, 30);
    for (const auto& [title, entries] : sections) {
        help += "\n" + (title.empty() ? "" : title + "\n") + OptionLines(entries, column);
    }
    help += "\n";
    Paragraph(help, Tr("Exit status: 0 when every check passes, 1 when a check fails (with --check), "
                       "2 on bad input or a failed computation."));
    return help;
}

}  // namespace platecam
