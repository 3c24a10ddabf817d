#include <cmath>

#include "base/errors.h"
#include "base/language.h"
#include "base/number_text.h"
#include "design/result.h"
#include "design/rules.h"
#include "design/window.h"
#include "engine/design_chart.h"
#include "model/displacement.h"
#include "model/pressure.h"

namespace platecam {

// Builds the check items of a computed result (design/checks.cpp).
void AddCheckItems(DesignResult& result);

namespace {

namespace text {
constexpr const char* NoBaseCircle = "the base radius is %1 mm: a cam needs a positive base radius";
constexpr const char* NoTurn =
    "the table has no row at 360° that the rows lead to: the cam does not close its revolution";
constexpr const char* NotFromZero = "the table starts at %1°, not at 0°";
constexpr const char* NotIncreasing =
    "row %1 (%2°) does not come after row %3 (%4°): the angles must increase";
constexpr const char* Step =
    "the lift at 360° (%1 mm) differs from the lift at 0° (%2 mm): a step no follower can follow";
constexpr const char* NoMotion = "the motion table has no rise or fall: the follower never moves";
}  // namespace text

std::string Number(double value) { return FormatNumber(value, '.'); }

// OPEN (or the document's table), the displacement button reading the window's texts,
// then the cam calculation and the pressure angle: the same calls in the same order as
// the window makes them. A design file's numbers pass through the texts the window shows
// (15 digits); a document's go in as they are, as the window shows them after OPEN.
WindowComputation ComputeWindow(const DesignInput& input) {
    WindowComputation w;
    CamDesign& d = *w.design;
    d.StepsPerDegree = input.stepsPerDegree;
    d.MotionTable = *input.table;
    d.BaseRadius = d.MotionTable[BaseRadiusSlot].Value;
    d.RollerRadius = d.MotionTable[RollerRadiusSlot].Value;
    if (input.origin == Origin::DesignFile) {
        LoadDesignFromTexts(d, TextsFromTable(d.MotionTable, '.'), '.');
    }
    ScanMaxDisplacement(d);
    BuildDisplacement(d, input.law);
    ComputePitchCurve(d);
    w.status = ComputeCamProfile(d);
    try {
        ComputePressureAngles(d);
    } catch (const CamError& e) {
        w.pressureError = e.text();
    }
    // Where the chord method has its extremes: the last sample of the largest, the first
    // of the smallest.
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

// Why a design file's table makes no cam, in the window's terms (rows, not document keys),
// or nothing when it makes one.
Text WhyTableIsNoCam(const MotionTable& table) {
    if (!(table[BaseRadiusSlot].Value > 0)) {
        return Text::Message(text::NoBaseCircle, {Number(table[BaseRadiusSlot].Value)});
    }
    const TableWalk walk = WalkTable(table);
    if (walk.terminatorRow == 0) return Text::Message(text::NoTurn);
    if (table[0].Angle != 0) return Text::Message(text::NotFromZero, {std::to_string(table[0].Angle)});
    for (int row = 2; row <= walk.terminatorRow; ++row) {
        const std::int32_t before = table[row - 2].Angle, here = table[row - 1].Angle;
        if (here <= before) {
            return Text::Message(text::NotIncreasing, {std::to_string(row), std::to_string(here),
                                                       std::to_string(row - 1), std::to_string(before)});
        }
    }
    const double first = table[0].Value, last = table[walk.terminatorRow - 1].Value;
    if (first != last) return Text::Message(text::Step, {Number(last), Number(first)});
    return {};
}

// The document of a design file's table as the window computed it (its numbers as the
// window shows them), or why it is no cam.
Text DocumentOfTable(DesignInput& input, const MotionTable& shown) {
    Text why = WhyTableIsNoCam(shown);
    if (!why.empty()) return why;
    try {
        DesignDocument doc = DocumentFromTable(shown, input.law, input.stepsPerDegree, input.path);
        if (input.rpm) doc.cam.rpm = input.rpm;
        doc.cam.maxPressureAngle = input.maxPressure;
        if (input.minBase > 0) doc.cam.minBaseRadius = input.minBase;
        doc.drawing = input.drawing;
        input.document = std::move(doc);
    } catch (const DocumentError& e) {
        return e.text();
    }
    return {};
}

// What makes the design no cam at all, before any check could pass.
Text WhyNoCam(const DesignDocument& doc) {
    if (!(doc.cam.baseRadius > 0)) return Text::Message(text::NoBaseCircle, {Number(doc.cam.baseRadius)});
    for (std::size_t k = 1; k < doc.motion.size(); ++k) {
        if (doc.motion[k].lift != doc.motion[k - 1].lift) return {};
    }
    return Text::Message(text::NoMotion);
}

void ComputeSizedRollerTest(DesignResult& result) {
    if (!result.window || !result.sizing || !result.sizing->found) return;
    // The window's roller runs in line.
    if (result.sizedOffset.value_or(0) != 0) return;
    auto trial = std::make_unique<CamDesign>(*result.window->design);
    trial->BaseRadius = result.sizing->baseRadius;
    trial->MotionTable[BaseRadiusSlot].Value = trial->BaseRadius;
    try {
        ComputePitchCurve(*trial);
        result.sizedRollerTest = ComputeCamProfile(*trial);
    } catch (const CamError&) {
        result.sizedRollerTest = ProfileStatus{false, 0};
    }
}

// A follower that is not rigid: its response at the speed and, asked for, over the speeds.
// A compensated contour replaces the law's before anything is checked, so that every check
// and every output is of the contour that is cut; the law's cam is returned then.
std::optional<engine::CamInput> ComputeTrain(DesignResult& result, const Request& request) {
    const DesignDocument& doc = *result.input.document;
    if (!doc.dynamics || !doc.dynamics->trainStiffness || !result.loads) return std::nullopt;
    const DynamicsSection& d = *doc.dynamics;
    // The one degree of freedom moves in a line: an arm's train is a rotation the model
    // does not hold. Refused as the reader refuses a key the follower does not take.
    if (result.cam->follower.kind == engine::FollowerKind::SwingRoller) {
        RefuseKey(FilePlaces(result.input.path), "dynamics.train_stiffness",
                  Text::Message("not allowed for follower kind %s",
                                {engine::FollowerKindName(result.cam->follower.kind)}));
    }
    const engine::TrainInput train{*d.trainStiffness, d.dampingRatio.value_or(0)};
    result.train = train;
    std::optional<engine::CamInput> law;
    if (d.compensate.value_or(false)) {
        law = *result.cam;
        result.vibrationUncompensated = engine::ComputeVibration(*law, *result.loads, train);
        result.cam->motion = law->motion.WithCorrection(engine::Compensation(*law, *result.loads, train));
        result.compensated = true;
    }
    result.vibration = engine::ComputeVibration(*result.cam, *result.loads, train);
    if (request.sweep) {
        result.sweep = engine::SweepSpeeds(*result.cam, *result.loads, train, request.sweep->from,
                                           request.sweep->to, request.sweep->step);
    }
    return law;
}

// The exact cam: its samples where asked, its loads where the document has them.
void ComputeExact(DesignResult& result, const Request& request) {
    const DesignDocument& doc = *result.input.document;
    result.cam = CamOfDocument(doc);
    result.loads = LoadsOfDocument(doc);
    try {
        const std::optional<engine::CamInput> law = ComputeTrain(result, request);
        if (result.loads) {
            engine::CamWithDynamics cam = engine::ComputeCamWithDynamics(*result.cam, *result.loads);
            result.grid = std::move(cam.cam.checks);
            result.samples = std::move(cam.cam.samples);
            result.dynamics = std::move(cam.dynamics);
            // On a compensated contour the mass follows the law, and the correction is the
            // train's compression: the force on the cam is the law's rigid follower's (a
            // rigid follower on the corrected contour would carry the correction's
            // accelerations it never has).
            if (law) result.dynamics = engine::ComputeCamWithDynamics(*law, *result.loads).dynamics;
        } else if (request.samples) {
            engine::CamResult cam = engine::ComputeCam(*result.cam);
            result.grid = std::move(cam.checks);
            result.samples = std::move(cam.samples);
        } else {
            result.grid = engine::CheckOnGrid(*result.cam);
        }
        if (result.cam->follower.kind == engine::FollowerKind::SwingRoller) {
            result.clearance = engine::CheckArmClearance(*result.cam);
        }
    } catch (const engine::GeometryError& e) {
        // Sizing searches from any positive radius: the given one failing is a finding.
        if (!request.sizing || !result.notACam.empty()) throw;
        result.noCamAtGivenRadius = e.text();
    }
    if (request.sizing && result.notACam.empty()) {
        if (request.sizeOffset) {
            engine::OffsetSizing sized = engine::SizeBaseRadiusAndOffset(*result.cam);
            if (sized.sizing.found) result.sizedOffset = sized.offset;
            result.sizing = std::move(sized.sizing);
        } else {
            result.sizing = engine::SizeBaseRadius(*result.cam);
        }
        ComputeSizedRollerTest(result);
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
    loads.inertia = d.inertia.value_or(0);
    loads.springTorqueRate = d.springTorqueRate.value_or(0);
    loads.preloadTorque = d.preloadTorque.value_or(0);
    loads.loadTorque = d.loadTorque.value_or(0);
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
    cam.follower.kind = doc.follower.kind;
    cam.follower.rollerRadius = doc.follower.rollerRadius.value_or(0);
    cam.follower.offset = doc.follower.offset.value_or(0);
    cam.follower.faceWidth = doc.follower.faceWidth;
    cam.follower.armLength = doc.follower.armLength.value_or(0);
    cam.follower.pivotDistance = doc.follower.pivotDistance.value_or(0);
    cam.follower.clearance = doc.follower.clearance.value_or(0);
    if (doc.drawing && doc.drawing->boreDiameter) {
        cam.bore = engine::Bore{*doc.drawing->boreDiameter,
                                doc.drawing->minWall.value_or(DefaultMinWall)};
    }
    std::vector<engine::MotionRow> rows;
    for (std::size_t k = 0; k < doc.motion.size(); ++k) {
        engine::MotionRow row;
        row.angle = doc.motion[k].angle;
        row.lift = doc.motion[k].lift;
        if (k > 0) row.law = doc.LawOfSegmentEndingAt(k);
        // A document gives an arm's conditions in radians of swing, the engine its lift in
        // degrees.
        const double unit = doc.follower.kind == engine::FollowerKind::SwingRoller ? 180 / 3.141592653589793 : 1;
        const auto inUnit = [unit](std::optional<double> value) { return value ? std::optional(*value * unit) : value; };
        row.velocity = inUnit(doc.motion[k].velocity);
        row.acceleration = inUnit(doc.motion[k].acceleration);
        row.jerk = inUnit(doc.motion[k].jerk);
        rows.push_back(row);
    }
    cam.motion = engine::Motion::FromRows(rows);
    return cam;
}

std::optional<double> DesignResult::Omega() const {
    if (!input.rpm) return std::nullopt;
    return 2 * 3.141592653589793 * *input.rpm / 60;
}

bool DesignResult::Passes() const {
    if (!notACam.empty() || !noCamAtGivenRadius.empty() || !grid) return false;
    for (const CheckItem& item : checks) {
        if (item.verdict == Verdict::Fail) return false;
    }
    return true;
}

std::vector<const CheckItem*> DesignResult::Checks(CheckCode code) const {
    std::vector<const CheckItem*> found;
    for (const CheckItem& item : checks) {
        if (item.code == code) found.push_back(&item);
    }
    return found;
}

const CheckItem* DesignResult::Check(CheckCode code) const {
    for (const CheckItem& item : checks) {
        if (item.code == code) return &item;
    }
    return nullptr;
}

void DesignResult::RequireSamples() const {
    if (!noCamAtGivenRadius.empty()) throw CamError(noCamAtGivenRadius);
}

DesignInput InputOfDocument(DesignDocument document, std::string path) {
    DesignInput d;
    d.path = std::move(path);
    d.origin = Origin::Document;
    d.stepsPerDegree = document.StepsPerDegree();
    d.rpm = document.cam.rpm;
    d.maxPressure = document.cam.maxPressureAngle.value_or(30);
    d.minBase = document.cam.minBaseRadius.value_or(0);
    if (KeyTheWindowCannotShow(document).empty()) {
        d.table = TableFromDocument(document);
        d.law = *engine::WindowLawIndex(document.cam.law);
    }
    d.document = std::move(document);
    return d;
}

DesignResult ComputeDesign(DesignInput input, const Request& request) {
    DesignResult result;
    result.input = std::move(input);
    DesignInput& in = result.input;
    if (in.table) result.window = ComputeWindow(in);
    // A design file's table as the window computed it: its numbers as the window shows them.
    if (in.origin == Origin::DesignFile) {
        result.notACam = DocumentOfTable(in, result.window->design->MotionTable);
    }
    if (!in.document) {
        AddCheckItems(result);
        return result;
    }
    result.notACam = WhyNoCam(*in.document);
    // A cam without motion is still a circle to draw; one without a base circle is nothing.
    if (in.document->cam.baseRadius > 0) ComputeExact(result, request);
    AddCheckItems(result);
    return result;
}

}  // namespace platecam
