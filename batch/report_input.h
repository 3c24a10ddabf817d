#pragma once
// What the report shows, from one run: every text in the language in use (through Tr),
// the checks as --check finds them with the figures rounded as an engineer reads them,
// the cam figure and the charts from the exact computation's samples.

#include "batch/run.h"
#include "report/report.h"

namespace platecam {

ReportInput MakeReportInput(const Run& run);

}  // namespace platecam
