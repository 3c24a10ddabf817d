#pragma once
// The design a run of platecam-batch works on: a 264-byte design file or a design
// document, read by its content, with the options that override it applied.

#include "batch/options.h"
#include "design/result.h"

namespace platecam {

// Reads the design and applies the options; throws CamError (a file that cannot be read
// or a document that breaks a rule) or BadUsage (an option that does not fit the design).
DesignInput ReadBatchDesign(const BatchOptions& options);

// What the run's outputs need computed beyond the checks.
Request RequestOf(const BatchOptions& options, const DesignInput& input);

}  // namespace platecam
