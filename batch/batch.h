#pragma once
// The batch exporter: a design in, a drawing, a table of samples and an engineering check
// out, computed exactly as the window's buttons compute them.

#include <iosfwd>
#include <string>
#include <vector>

#include "batch/options.h"

namespace platecam {

// Runs the command line (without the program name); returns the exit status: 0 when
// every check passes, 1 when one fails, 2 on bad input or a failed computation.
int RunBatch(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace platecam
