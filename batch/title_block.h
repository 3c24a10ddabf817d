#pragma once
// The title block of the report and the workshop drawing: the document's [drawing]
// table, overridden entry by entry by --title-block KEY=VALUE.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "batch/run.h"

namespace platecam {

// The design's name: the file's name without its folder and extension.
std::string DesignName(const std::string& path);

// Label and value, in the drawing's order: part number, material, designer, checker,
// revision, date; the entries that have a value. The labels are in the language in use
// for the report, and English for the drawing, whose bytes never depend on the locale.
std::vector<std::pair<std::string, std::string>> TitleBlock(const Run& run, bool translated);

std::optional<double> BoreDiameter(const Run& run);

}  // namespace platecam
