#pragma once
// The design a run of platecam-batch works on: a 264-byte design file or a design
// document, read by its content, with the options that override it applied.

#include <optional>
#include <string>
#include <vector>

#include "batch/options.h"
#include "files/design_document.h"
#include "model/cam_design.h"

namespace platecam {

struct BatchDesign {
    std::string path;
    bool isDocument = false;
    // The window's design: the table of a design file, or of a document the window can
    // show, with the window's law index. Absent for a document the window cannot show.
    std::optional<MotionTable> table;
    int law = 0;
    // The design as a document: as read (overrides applied), or a design file's table
    // when its rows make a cam. `notACam` says why a design file's table does not.
    std::optional<DesignDocument> document;
    std::string notACam;
    int stepsPerDegree = 1;
    std::optional<double> rpm;
    double maxPressure = 30;
    double minBase = 0;
    // What the options changed of the design, one sentence each.
    std::vector<std::string> overrides;
};

// Reads the design and applies the options; throws CamError (a file that cannot be read
// or a document that breaks a rule) or BadUsage (an option that does not fit the design).
BatchDesign ReadBatchDesign(const BatchOptions& options);

// The document of a design file's table as the window computes it (values as the window
// shows them), or the reason it is no cam.
void DocumentOfTable(BatchDesign& design, const MotionTable& shown, const BatchOptions& options);

}  // namespace platecam
