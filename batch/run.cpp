#include "batch/run.h"

#include <cmath>

#include "batch/texts.h"
#include "base/language.h"
#include "model/displacement.h"
#include "base/errors.h"
#include "model/pressure.h"

namespace platecam {

namespace {

engine::FollowerKind KindOf(const std::string& kind) {
    if (kind == "flat") return engine::FollowerKind::Flat;
    if (kind == "swing-roller") return engine::FollowerKind::SwingRoller;
    return engine::FollowerKind::Roller;
}

// OPEN (or the document's table), the displacement button reading the window's texts,
// then the cam calculation and the pressure angle: the same calls in the same order as
// the window makes them. A design file's numbers pass through the texts the window shows
// (15 digits); a document's go in as they are, as the window shows them after OPEN.
void ComputeWindow(Run& run) {
    WindowRun& w = run.window.emplace();
    CamDesign& d = *w.design;
    d.StepsPerDegree = run.input.stepsPerDegree;
    d.MotionTable = *run.input.table;
    d.BaseRadius = d.MotionTable[BaseRadiusSlot].Value;
    d.RollerRadius = d.MotionTable[RollerRadiusSlot].Value;
    if (!run.input.isDocument) LoadDesignFromTexts(d, TextsFromTable(d.MotionTable, '.'), '.');
    ScanMaxDisplacement(d);
    BuildDisplacement(d, run.input.law);
    ComputePitchCurve(d);
    w.status = ComputeCamProfile(d);
    try {
        ComputePressureAngles(d);
    } catch (const CamError& e) {
        w.pressureError = e.message();
    }
    BuildMotionProfile(d, run.input.law, *w.motion);
}

// What makes the design no cam at all, before any check could pass.
std::string WhyNoCam(const DesignDocument& doc) {
    if (!(doc.cam.baseRadius > 0)) {
        return Tr("the base radius is %1 mm: a cam needs a positive base radius",
                  {Number(doc.cam.baseRadius)});
    }
    for (std::size_t k = 1; k < doc.motion.size(); ++k) {
        if (doc.motion[k].lift != doc.motion[k - 1].lift) return {};
    }
    return Tr("the motion table has no rise or fall: the follower never moves");
}

void ComputeSizedRollerTest(Run& run) {
    if (!run.window || !run.sizing || !run.sizing->found) return;
    auto trial = std::make_unique<CamDesign>(*run.window->design);
    trial->BaseRadius = run.sizing->baseRadius;
    trial->MotionTable[BaseRadiusSlot].Value = trial->BaseRadius;
    try {
        ComputePitchCurve(*trial);
        run.sizedRollerTest = ComputeCamProfile(*trial);
    } catch (const CamError&) {
        run.sizedRollerTest = ProfileStatus{false, 0};
    }
}

}  // namespace

std::optional<engine::DynamicsInput> LoadsOfDocument(const DesignDocument& doc) {
    if (!doc.dynamics) return std::nullopt;
    const DynamicsSection& d = *doc.dynamics;
    engine::DynamicsInput loads;
    loads.rpm = doc.cam.rpm.value_or(0);
    loads.mass = d.mass.value_or(0);
    loads.springRate = d.springRate.value_or(0);
    loads.preload = d.preload.value_or(0);
    loads.damping = d.damping.value_or(0);
    loads.load = d.load.value_or(0);
    if (doc.contact) {
        loads.contact = engine::ContactMaterial{doc.contact->width.value_or(0),
                                                doc.contact->elasticModulus.value_or(0),
                                                doc.contact->poissonRatio.value_or(0)};
    }
    return loads;
}

engine::CamInput CamOfDocument(const DesignDocument& doc) {
    engine::CamInput cam;
    cam.baseRadius = doc.cam.baseRadius;
    cam.stepsPerDegree = doc.StepsPerDegree();
    cam.maxPressureAngle = doc.cam.maxPressureAngle.value_or(30);
    cam.minBaseRadius = doc.cam.minBaseRadius.value_or(0);
    cam.minRadiusOfCurvature = doc.cam.minRadiusOfCurvature.value_or(0);
    cam.follower.kind = KindOf(doc.follower.kind);
    cam.follower.rollerRadius = doc.follower.rollerRadius.value_or(0);
    cam.follower.offset = doc.follower.offset.value_or(0);
    cam.follower.faceWidth = doc.follower.faceWidth;
    cam.follower.armLength = doc.follower.armLength.value_or(0);
    cam.follower.pivotDistance = doc.follower.pivotDistance.value_or(0);
    if (doc.drawing && doc.drawing->boreDiameter) {
        cam.bore = engine::Bore{*doc.drawing->boreDiameter,
                                doc.drawing->minWall.value_or(DefaultMinWall)};
    }
    std::vector<engine::MotionRow> rows;
    for (std::size_t k = 0; k < doc.motion.size(); ++k) {
        engine::MotionRow row;
        row.angle = doc.motion[k].angle;
        row.lift = doc.motion[k].lift;
        if (k > 0) row.law = *engine::LawFromName(doc.LawOfSegmentEndingAt(k));
        rows.push_back(row);
    }
    cam.motion = engine::Motion::FromRows(rows);
    return cam;
}

void Run::RequireSamples() const {
    if (!atGivenRadius.empty()) throw CamError(atGivenRadius);
}

std::optional<double> Run::Omega() const {
    if (!input.rpm) return std::nullopt;
    return 2 * Pi * *input.rpm / 60;
}

void Compute(Run& run) {
    run.input = ReadBatchDesign(run.options);
    ComputeDesign(run);
}

void ComputeDesign(Run& run) {
    if (run.input.table) ComputeWindow(run);
    // A design file's table as the window computed it: its numbers as the window shows them.
    if (!run.input.isDocument) DocumentOfTable(run.input, run.window->design->MotionTable, run.options);
    if (!run.input.document) {
        // The reason may name the file, whose name may be no UTF-8.
        run.notADesign = FileNameText(run.input.notACam);
        return;
    }
    run.notADesign = WhyNoCam(*run.input.document);
    // A cam without motion is still a circle to draw; one without a base circle is nothing.
    if (!(run.input.document->cam.baseRadius > 0)) return;
    run.cam = CamOfDocument(*run.input.document);
    // The samples of the exact cam: a document's outputs, the workshop drawing and the
    // report; a design file's --check needs the grid only.
    const bool samples = run.input.isDocument || !run.options.drawing.empty() || !run.options.report.empty();
    run.loads = LoadsOfDocument(*run.input.document);
    try {
        if (run.loads) {
            engine::CamWithDynamics result = engine::ComputeCamWithDynamics(*run.cam, *run.loads);
            run.grid = std::move(result.cam.checks);
            run.samples = std::move(result.cam.samples);
            run.dynamics = std::move(result.dynamics);
        } else if (samples) {
            engine::CamResult result = engine::ComputeCam(*run.cam);
            run.grid = std::move(result.checks);
            run.samples = std::move(result.samples);
        } else {
            run.grid = engine::CheckOnGrid(*run.cam);
        }
    } catch (const engine::GeometryError& e) {
        // Sizing searches from any positive radius: the given one failing is a finding.
        if (!run.options.sizeBase || !run.notADesign.empty()) throw;
        run.atGivenRadius = FileNameText(e.message());
    }
    if (run.options.sizeBase && run.notADesign.empty()) {
        run.sizing = engine::SizeBaseRadius(*run.cam);
        ComputeSizedRollerTest(run);
    }
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

LiftUnits UnitsOf(const Run& run) {
    if (run.cam && run.cam->follower.kind == engine::FollowerKind::SwingRoller) {
        return {"°", {"rad/rad", "rad/rad²", "rad/rad³"}, {"rad/s", "rad/s²", "rad/s³"}, Pi / 180,
                {1, 1, 1}};
    }
    return {"mm", {"mm/rad", "mm/rad²", "mm/rad³"}, {"mm/s", "m/s²", "m/s³"}, 1, {1, 1e-3, 1e-3}};
}

Peaks FindPeaks(const Run& run) {
    Peaks p;
    if (!run.grid) return p;
    for (const engine::SegmentPeaks& s : run.grid->segments) {
        p.velocity = std::max(p.velocity, s.velocity);
        p.acceleration = std::max(p.acceleration, s.acceleration);
        p.jerk = std::max(p.jerk, s.jerk);
    }
    const LiftUnits u = UnitsOf(run);
    if (const auto w = run.Omega()) {
        p.velocity *= u.perRadianScale * u.perSecondScale[0] * *w;
        p.acceleration *= u.perRadianScale * u.perSecondScale[1] * *w * *w;
        p.jerk *= u.perRadianScale * u.perSecondScale[2] * *w * *w * *w;
    } else {
        p.velocity *= u.perRadianScale;
        p.acceleration *= u.perRadianScale;
        p.jerk *= u.perRadianScale;
    }
    return p;
}

}  // namespace platecam
