#include "batch/batch.h"

#include <new>
#include <ostream>

#include "batch/check_text.h"
#include "batch/csv.h"
#include "batch/dxf_output.h"
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

namespace {

struct Output {
    const std::string* path;
    const char* option;
};

// The design as this run used it, as a design document.
std::string SavedDesign(const Run& run) {
    if (!run.input.document) throw CamError(run.notADesign);
    return FormatDesignDocument(*run.input.document);
}

// A stored file is the same bytes in every language: the JSON document's reasons (no cam,
// no jump-free speed, ...) are English, from the same computation of the same design as
// read, made in English.
std::string StoredJson(const Run& run, const BatchDesign& read) {
    if (CurrentLanguage() == Language::English) return JsonText(run);
    const EnglishScope english;
    Run plain(run.options);
    plain.input = read;
    ComputeDesign(plain);
    return JsonText(plain);
}

// The error with its cause where the error knows one (a file that cannot be read).
const std::string& ErrorText(const CamError& e) {
    if (const auto* open = dynamic_cast<const CannotOpenError*>(&e)) return open->detailed();
    return e.message();
}

}  // namespace

namespace {

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
    const Output outputs[] = {{&options.dxf, "--dxf"},         {&options.csv, "--csv"},
                              {&options.json, "--json"},       {&options.report, "--report"},
                              {&options.saveDesign, "--save-design"}, {&options.drawing, "--drawing"}};
    // Writing over the design would destroy it: refuse before anything is written.
    for (const Output& output : outputs) {
        if (!output.path->empty() && SameFile(*output.path, options.design)) {
            err << "platecam-batch: "
                << Tr("output %1 is the design file %2 itself; nothing written",
                      {*output.path, options.design})
                << "\n";
            return 2;
        }
    }
    Run run(options);
    int status = 0;
    try {
        run.input = ReadBatchDesign(options);
        const BatchDesign read = run.input;
        ComputeDesign(run);
        if (run.window && !run.window->status.completed) {
            err << "platecam-batch: " << Message(msg::RollerTooLarge) << "\n";
        }
        // Every output is made first and saved together: a run's files succeed or fail as
        // one, and none is written where a drawing would show a broken contour.
        SaveBatch files;
        std::string refusal;
        if (!options.dxf.empty()) {
            std::string bytes = DxfBytes(run, options.points, refusal);
            if (refusal.empty()) files.Add(options.dxf, std::move(bytes), "--dxf");
        }
        if (!options.drawing.empty() && refusal.empty()) {
            std::vector<std::string> warnings;
            std::string bytes = DrawingBytes(run, refusal, warnings);
            for (const std::string& warning : warnings) {
                err << "platecam-batch: " << Tr("warning: %1", {warning}) << "\n";
            }
            if (refusal.empty()) files.Add(options.drawing, std::move(bytes), "--drawing");
        }
        if (!refusal.empty()) {
            err << "platecam-batch: " << refusal << "\n";
            status = 1;
        } else {
            if (!options.csv.empty()) files.Add(options.csv, CsvText(run), "--csv");
            if (!options.json.empty()) files.Add(options.json, StoredJson(run, read), "--json");
            if (!options.saveDesign.empty()) files.Add(options.saveDesign, SavedDesign(run), "--save-design");
            if (!options.report.empty()) {
                std::string error, pdf;
                if (!RenderReport(MakeReportInput(run), pdf, error)) {
                    err << "platecam-batch: " << Tr("no report: %1", {error}) << "\n";
                    return 2;
                }
                files.Add(options.report, std::move(pdf), "--report");
            }
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
        PrintCheck(out, run);
        if (!run.Passes()) status = 1;
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
