#pragma once
// Every figure of --check as one JSON document (--json).

#include <string>

#include "batch/run.h"

namespace platecam {

std::string JsonText(const Run& run);

// The JSON document as a file keeps it: the same bytes in every language, its reasons (no
// cam, no jump-free speed, ...) in English words.
std::string StoredJson(const Run& run);

}  // namespace platecam
