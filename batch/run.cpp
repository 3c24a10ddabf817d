#include "batch/run.h"

#include <cmath>

#include "batch/texts.h"
#include "files/design_file.h"
#include "model/displacement.h"
#include "model/errors.h"
#include "model/pressure.h"

namespace platecam {

std::optional<double> Run::Omega() const {
    if (!options.rpm) return std::nullopt;
    return 2 * Pi * *options.rpm / 60;
}

void Compute(Run& run) {
    CamDesign& d = *run.design;
    const BatchOptions& o = run.options;
    run.law = o.law.value_or(0);
    run.maxPressure = o.maxPressure.value_or(30);
    d.StepsPerDegree = o.stepsPerDegree.value_or(1);
    ReadDesignFile(o.design, d.MotionTable);
    if (o.base) d.MotionTable[BaseRadiusSlot].Value = *o.base;
    if (o.roller) d.MotionTable[RollerRadiusSlot].Value = *o.roller;
    d.BaseRadius = d.MotionTable[BaseRadiusSlot].Value;
    d.RollerRadius = d.MotionTable[RollerRadiusSlot].Value;
    LoadDesignFromTexts(d, TextsFromTable(d.MotionTable, '.'), '.');
    ScanMaxDisplacement(d);
    BuildDisplacement(d, run.law);
    ComputePitchCurve(d);
    run.status = ComputeCamProfile(d);
    try {
        ComputePressureAngles(d);
    } catch (const CamError& e) {
        run.windowPressureError = e.message();
    }
    BuildMotionProfile(d, run.law, *run.motion);
    run.checks = CheckDesign(d, *run.motion);
    run.verdicts = JudgeChecks(run.checks, run.status.completed, d.RollerRadius, run.maxPressure);
    if (o.sizeBase) run.sizing = SizeBaseRadius(d, *run.motion, run.maxPressure);
}

WindowExtremes FindWindowExtremes(const CamDesign& d) {
    WindowExtremes w;
    bool minFound = false;
    for (int i = 0; i < RevolutionSamples(d); ++i) {
        if (d.PressureAngle[i] == d.MaxPressureAngle) w.maxAt = i;
        if (d.PressureAngle[i] == d.MinPressureAngle && !minFound) {
            w.minAt = i;
            minFound = true;
        }
    }
    return w;
}

Peaks FindPeaks(const Run& run) {
    Peaks p;
    for (int i = 0; i < run.N(); ++i) {
        p.velocity = std::max(p.velocity, std::fabs(run.motion->velocity[i]));
        p.acceleration = std::max(p.acceleration, std::fabs(run.motion->acceleration[i]));
        p.jerk = std::max(p.jerk, std::fabs(run.motion->jerk[i]));
    }
    if (const auto w = run.Omega()) {
        p.velocity *= *w;
        p.acceleration *= *w * *w / 1000;
        p.jerk *= *w * *w * *w / 1000;
    }
    return p;
}

}  // namespace platecam
