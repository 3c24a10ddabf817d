#pragma once
// The lines of --check, which the report and the JSON document share.

#include <ostream>
#include <string>

#include "batch/run.h"

namespace platecam {

std::string Verdict(bool ok);

// The figures of the three checks as the check prints them.
struct CheckTexts {
    std::string pressureValue, pressureWhere, pressureLimit;
    std::string undercutValue, undercutWhere, undercutLimit;
    std::string contourValue;
};
CheckTexts FormatChecks(const Run& run);

std::string SizingText(const Run& run);
std::string ConcaveText(const Run& run);
std::string WindowMethodText(const Run& run);
std::string KinematicsText(const Run& run);

void PrintCheck(std::ostream& out, const Run& run);

}  // namespace platecam
