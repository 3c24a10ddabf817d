#pragma once
// The checks of a run as lines: each with its figures, its verdict and, for a failure,
// the reason in words. --check prints them as lines; the report shows them as a table
// (with figures rounded as an engineer reads them); the JSON document has its own keys.

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "batch/run.h"

namespace platecam {

// How the figures are written: the check's six significant digits, or the report's
// angles to 0.1 degree, lengths to 0.01 mm and other figures to four digits.
struct FigureStyle {
    bool rounded = false;
    std::string AngleText(double degrees) const;   // "17.7036°"
    std::string LengthText(double mm) const;       // "34.1616 mm"
    std::string FigureText(double value) const;    // other figures, without a unit
};

// One line of the check.
struct CheckLine {
    std::string check;   // what is checked
    std::string value;   // the figures found, with their cam angles
    std::string limit;   // what it is held against
    Verdict verdict = Verdict::Information;
    std::string reason;  // a failure in words, or a note to the information
    std::optional<double> atDeg;  // the cam angle the line speaks of, where it has one
};

std::vector<CheckLine> CheckLines(const Run& run, const FigureStyle& style);

std::string VerdictText(Verdict verdict);

// The lines that describe the design above the checks.
std::vector<std::string> DesignLines(const Run& run, const FigureStyle& style);


std::string ResultLine(const Run& run);

void PrintCheck(std::ostream& out, const Run& run);

}  // namespace platecam
