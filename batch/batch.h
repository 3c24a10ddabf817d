#pragma once
// The batch exporter: a design file in, a drawing, a table of samples and an engineering
// check out, computed exactly as the window's buttons compute them.

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace platecam {

struct BatchOptions {
    std::string design;
    int law = 0;
    int stepsPerDegree = 1;
    std::string dxf;
    bool points = false;
    std::string csv;
    bool check = false;
    double maxPressure = 30;
    bool help = false;
    bool version = false;
    std::optional<double> base;    // radii for this run, instead of the file's
    std::optional<double> roller;
    std::optional<double> rpm;     // cam speed: kinematics per time
    std::string json;
    std::string report;
    bool sizeBase = false;
};

// What is wrong with a command line, in a sentence for the user.
struct BadUsage {
    std::string text;
};

// The command line (without the program name) as options; throws BadUsage.
BatchOptions ParseBatchOptions(const std::vector<std::string>& arguments);

// The --help text, options grouped.
std::string BatchHelp();

// Runs the command line (without the program name); returns the exit status: 0 when
// every check passes, 1 when one fails, 2 on bad input or a failed computation.
int RunBatch(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace platecam
