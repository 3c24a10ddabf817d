#include "batch/batch.h"

#include <ostream>

#include "batch/check_text.h"
#include "batch/csv.h"
#include "batch/json.h"
#include "batch/options.h"
#include "batch/report_input.h"
#include "batch/report_module.h"
#include "batch/run.h"
#include "files/dxf.h"
#include "files/save_file.h"
#include "model/errors.h"
#include "platecam_version.h"

namespace platecam {

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
        if (!options.csv.empty()) SaveFile(options.csv, CsvText(run));
        if (!options.json.empty()) SaveFile(options.json, JsonText(run));
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
