#pragma once
// The report's design chart, with --size-offset: the plane of a roller's offset and base
// radius around the design and the one chosen, checked on the machine's cores.

#include <optional>

#include "batch/run.h"
#include "report/report.h"

namespace platecam {

// Nothing without --size-offset or without a cam whose offset was sized.
std::optional<ReportDesignChart> DesignChartOf(const Run& run);

}  // namespace platecam
