#pragma once
// The report module: Qt's PDF writer in a shared object of its own, loaded only when a
// report is asked for, so that every other run starts without Qt.

#include <string>

#include "report/report.h"

namespace platecam {

// The module's entry point, or null with the reason in `error`.
RenderReportFunction LoadReportModule(std::string& error);

// The report's PDF, drawn by the module in a child process: Qt and the font libraries run
// there, so that whatever ends them (memory exhausted inside fontconfig, say) ends only
// the child, and this process says what failed. False with the reason in `error`.
bool RenderReport(const ReportInput& input, std::string& pdf, std::string& error);

}  // namespace platecam
