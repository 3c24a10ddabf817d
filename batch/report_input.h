#pragma once
// What the report shows, from one run: the texts as --check prints them and the curves.

#include "batch/run.h"
#include "report/report.h"

namespace platecam {

ReportInput MakeReportInput(const Run& run);

}  // namespace platecam
