#pragma once
// The report module: Qt's PDF writer in a shared object of its own, loaded only when a
// report is asked for, so that every other run starts without Qt.

#include <string>

#include "report/report.h"

namespace platecam {

// The module's entry point, or null with the reason in `error`.
RenderReportFunction LoadReportModule(std::string& error);

}  // namespace platecam
