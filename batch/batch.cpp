#include "batch/batch.h"

#include <new>
#include <optional>
#include <ostream>

#include "batch/check_text.h"
#include "batch/csv.h"
#include "batch/dxf_output.h"
#include "batch/machining.h"
#include "batch/json.h"
#include "batch/options.h"
#include "batch/report_input.h"
#include "batch/report_module.h"
#include "batch/run.h"
#include "files/design_document.h"
#include "files/save_file.h"
#include "base/language.h"
#include "base/errors.h"
#include "platecam_version.h"

namespace platecam {

// The rows of --rpm-sweep (batch/csv.cpp).
std::string SweepCsvText(const Run& run);

namespace {

// What making an output found that stops the run's files: a contour that must not be
// drawn (exit 1, nothing written); and what the user should know of one.
struct Making {
    std::string refusal;
    std::vector<std::string> warnings;
};

// The design as this run used it, as a design document.
std::string SavedDesign(const Run& run) {
    if (!run.input.document) throw CamError(Text::Literal(Shown(run.notACam)));
    return FormatDesignDocument(*run.input.document);
}

std::string Report(const Run& run) {
    std::string error, pdf;
    if (!RenderReport(MakeReportInput(run), pdf, error)) {
        throw CamError(Text::Message("no report: %1", {error}));
    }
    return pdf;
}

// Every output of a run, in the order they are made: a drawing that refuses its contour
// stops the others.
struct Output {
    std::string BatchOptions::*path;
    const char* option;
    std::string (*make)(const Run& run, Making& making);
};

const Output Outputs[] = {
    {&BatchOptions::dxf, "--dxf",
     [](const Run& run, Making& m) { return DxfBytes(run, run.options.points, m.refusal); }},
    {&BatchOptions::drawing, "--drawing",
     [](const Run& run, Making& m) { return DrawingBytes(run, m.refusal, m.warnings); }},
    {&BatchOptions::toolpath, "--toolpath",
     [](const Run& run, Making& m) { return ToolPathBytes(run, m.refusal, m.warnings); }},
    {&BatchOptions::gcode, "--gcode", [](const Run& run, Making& m) { return GcodeText(run, m.refusal); }},
    {&BatchOptions::liftTable, "--lift-table",
     [](const Run& run, Making& m) { return LiftTableText(run, m.refusal); }},
    {&BatchOptions::csv, "--csv", [](const Run& run, Making&) { return CsvText(run); }},
    {&BatchOptions::json, "--json", [](const Run& run, Making&) { return StoredJson(run); }},
    {&BatchOptions::sweepCsv, "--sweep-csv", [](const Run& run, Making&) { return SweepCsvText(run); }},
    {&BatchOptions::saveDesign, "--save-design", [](const Run& run, Making&) { return SavedDesign(run); }},
    {&BatchOptions::report, "--report", [](const Run& run, Making&) { return Report(run); }},
};

// The error with its cause where the error knows one (a file that cannot be read).
const std::string& ErrorText(const CamError& e) {
    if (const auto* open = dynamic_cast<const CannotOpenError*>(&e)) return open->detailed();
    return e.message();
}

int RunGuarded(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    // --lang before anything else: the command line's own messages follow it too.
    if (const auto language = LanguageOption(arguments)) {
        UseLanguage(*language == "ja" ? Language::Japanese : Language::English);
    }
    BatchOptions options;
    try {
        options = ParseBatchOptions(arguments);
    } catch (const BadUsage& bad) {
        err << "platecam-batch: " << bad.text << "\n"
            << Tr("Try 'platecam-batch --help'.") << "\n";
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
    for (const Output& output : Outputs) {
        const std::string& path = options.*output.path;
        if (!path.empty() && SameFile(path, options.design)) {
            err << "platecam-batch: "
                << Tr("output %1 is the design file %2 itself; nothing written", {path, options.design})
                << "\n";
            return 2;
        }
    }
    std::optional<Run> computed;
    int status = 0;
    try {
        const Run& run = computed.emplace(ComputeRun(options));
        if (run.window && !run.window->status.completed) {
            err << "platecam-batch: " << Message(msg::RollerTooLarge) << "\n";
        }
        // Every output is made first and saved together: a run's files succeed or fail as
        // one, and none is written where a drawing would show a broken contour.
        SaveBatch files;
        Making making;
        for (const Output& output : Outputs) {
            const std::string& path = options.*output.path;
            if (path.empty()) continue;
            std::string bytes = output.make(run, making);
            for (const std::string& warning : making.warnings) {
                err << "platecam-batch: " << Tr("warning: %1", {warning}) << "\n";
            }
            making.warnings.clear();
            if (!making.refusal.empty()) break;
            files.Add(path, std::move(bytes), output.option);
        }
        if (!making.refusal.empty()) {
            err << "platecam-batch: " << making.refusal << "\n";
            status = 1;
        } else {
            files.Commit();
        }
    } catch (const CamError& e) {
        err << "platecam-batch: " << ErrorText(e) << "\n";
        return 2;
    } catch (const BadUsage& bad) {
        err << "platecam-batch: " << bad.text << "\n";
        return 2;
    }
    if (options.check) {
        PrintCheck(out, *computed);
        if (!computed->Passes()) status = 1;
    }
    return status;
}

}  // namespace

int RunBatch(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    // Memory may run out anywhere: the run then ends as every failure does, with its
    // message and status 2, its outputs' temporary files removed on the way out.
    try {
        return RunGuarded(arguments, out, err);
    } catch (const std::bad_alloc&) {
        err << "platecam-batch: " << Message(msg::OutOfMemory) << "\n";
        return 2;
    }
}

}  // namespace platecam
