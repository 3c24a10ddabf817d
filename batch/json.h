#pragma once
// Every figure of --check as one JSON document (--json).

#include <string>

#include "batch/run.h"

namespace platecam {

std::string JsonText(const Run& run);

}  // namespace platecam
