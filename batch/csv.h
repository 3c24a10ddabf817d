#pragma once
// The table of samples (--csv): one row per sample of one revolution.

#include <string>

#include "batch/run.h"

namespace platecam {

std::string CsvText(const Run& run);

}  // namespace platecam
