#pragma once
// One run of platecam-batch: the options, and the design's one result (design/result.h)
// that its outputs render.

#include <memory>
#include <string>

#include "batch/input.h"
#include "batch/options.h"
#include "design/result.h"

namespace platecam {

// The arcs and tool path of the run's drawings and programs (batch/machining.cpp), worked
// out once where an output asks for them.
struct MachiningCache;
std::shared_ptr<MachiningCache> NewMachiningCache();

struct Run : DesignResult {
    Run(const BatchOptions& o, DesignResult result)
        : DesignResult(std::move(result)), options(o), machining(NewMachiningCache()) {}
    const BatchOptions& options;
    std::shared_ptr<MachiningCache> machining;
};

// Reads the design and computes everything the outputs need. Throws CamError (exit 2) or
// BadUsage.
Run ComputeRun(const BatchOptions& options);

// Units of the lift and its derivatives per radian and per second (a swinging arm's lift
// is an angle).
struct LiftUnits {
    const char* lift;
    const char* perRadian[3];
    const char* perSecond[3];
    double perRadianScale;            // from the engine's lift units per radian
    double perSecondScale[3];         // to the per-second units, times omega^n
};
LiftUnits UnitsOf(const Run& run);

// Largest |velocity|, |acceleration| and |jerk| on the grid, in the units of UnitsOf:
// per time when the speed is known, else per radian.
struct Peaks {
    double velocity = 0, acceleration = 0, jerk = 0;
};
Peaks FindPeaks(const Run& run);

// A reason of the result in words, in the language in use, fit to print (a file name in
// it that is no UTF-8 escaped).
std::string Shown(const Text& text);

// The law of a segment as the outputs name it: in English by the document's name of it,
// in Japanese by the glossary's word.
std::string LawText(const Run& run, engine::Law law);

}  // namespace platecam
