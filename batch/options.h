#pragma once
// The command line of platecam-batch.

#include <optional>
#include <string>
#include <vector>

#include "engine/vocabulary.h"

namespace platecam {

struct BatchOptions {
    std::string design;
    std::optional<engine::Law> law;     // --law; else the design's own
    std::optional<int> stepsPerDegree;  // --resolution; else the design's own
    std::string dxf;
    bool points = false;
    std::string csv;
    bool check = false;
    std::optional<double> maxPressure;  // --max-pressure; else the design's own or 30
    bool help = false;
    bool version = false;
    std::optional<double> base;    // radii for this run, instead of the file's
    std::optional<double> roller;
    std::optional<double> rpm;     // cam speed: kinematics per time
    std::string json;
    std::string report;
    bool sizeBase = false;
    std::optional<double> minBase;  // --min-base: the hub or shaft, mm
    std::string saveDesign;         // --save-design: the design as this run used it
    std::optional<std::string> language;  // --lang: "ja" or "en"
    std::string drawing;            // --drawing: the workshop drawing
    // --title-block KEY=VALUE, in the order given: the keys of a document's [drawing].
    std::vector<std::pair<std::string, std::string>> titleBlock;
    std::optional<double> tolerance;  // --tolerance: of the arcs drawn, mm (default 0.001)
    std::string toolpath;             // --toolpath: the tool centre's path, DXF
    std::string gcode;                // --gcode: the milling program
    std::string liftTable;            // --lift-table: the grinder's X-C table, CSV
    std::optional<double> liftStep;   // --lift-step: degrees (default 0.5)
    std::optional<double> tableStep;  // --table-step: the report's coordinate table, degrees (default 5)
    // --rpm-sweep FROM:TO:STEP: the vibration and the contact force against the speed.
    struct Sweep {
        double from = 0, to = 0, step = 0;
    };
    std::optional<Sweep> rpmSweep;
    std::string sweepCsv;  // --sweep-csv: the sweep's rows
    bool sizeOffset = false;  // --size-offset (with --size-base): the offset too
};

// What the options leave out.
inline constexpr double DefaultTolerance = 0.001;  // mm
inline constexpr double DefaultLiftStep = 0.5;     // degrees
inline constexpr double DefaultTableStep = 5;      // degrees

// What is wrong with a command line, in a sentence for the user.
struct BadUsage {
    std::string text;
};

// The command line (without the program name) as options; throws BadUsage.
BatchOptions ParseBatchOptions(const std::vector<std::string>& arguments);

// The value of --lang on the command line when it is "ja" or "en", found before the
// parsing so that its own messages are in that language.
std::optional<std::string> LanguageOption(const std::vector<std::string>& arguments);

// The --help text in the language in use: the usage line, the description, the options
// by group with their descriptions in one column, wrapped at 80 columns.
std::string BatchHelp();

}  // namespace platecam
