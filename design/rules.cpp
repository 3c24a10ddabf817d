#include "design/rules.h"

#include <cmath>

#include "base/language.h"
#include "base/utf8.h"
#include "engine/limits.h"

namespace platecam {

namespace {

// Message ids (English; the Japanese texts are in po/ja.po). Each follows "key: ".
namespace text {
constexpr const char* Missing = "is missing";
constexpr const char* MustBe = "must be %s";
constexpr const char* NotFinite = "must be a finite number";
constexpr const char* Resolution = "must be 1, 0.5 or 0.2";
constexpr const char* AngleRange = "must be from 0 to 360";
constexpr const char* NotIncreasing = "must be greater than the angle of the row before";
constexpr const char* NotClosed = "must equal the lift of the first row";
constexpr const char* RowCount = "must have from 2 to 20 rows";
constexpr const char* LawOnFirstRow = "the first row ends no segment";
constexpr const char* NotForKind = "not allowed for follower kind %s";
constexpr const char* RequiredForKind = "required for follower kind %s";
constexpr const char* RequiredByDynamics = "required with [dynamics]";
constexpr const char* BadText = "must be UTF-8 text without control characters";
constexpr const char* DirectionText =
    "must not hold characters that change the direction of the text (such as U+202E)";
constexpr const char* OffsetTooLarge = "must be smaller in size than base_radius + roller_radius";
constexpr const char* NoPivot =
    "no pivot fits: needs |pivot_distance - arm_length| < base_radius + roller_radius < "
    "pivot_distance + arm_length";
constexpr const char* RequiredByDampingRatio = "required with dynamics.damping_ratio";
constexpr const char* RequiredByCompensation = "required with dynamics.compensate";
constexpr const char* ConditionNeedsPolynomial =
    "only a polynomial segment that begins or ends at this row can meet it (law = \"polynomial\")";
}  // namespace text

constexpr std::int32_t FullTurn = 360;

[[noreturn]] void Fail(const KeyPlaces& where, const std::string& key, const Text& reason) {
    RefuseKey(where, key, reason);
}
[[noreturn]] void Fail(const KeyPlaces& where, const std::string& key, const char* id) {
    RefuseKey(where, key, Text::Message(id));
}

void Require(const KeyPlaces& where, const std::string& key, const std::optional<double>& value) {
    if (!value) Fail(where, key, text::Missing);
}

void CheckRows(const DesignDocument& document, const KeyPlaces& where) {
    const auto& rows = document.motion;
    if (rows.size() < static_cast<std::size_t>(DocumentMinRows) ||
        rows.size() > static_cast<std::size_t>(DocumentMaxRows)) {
        Fail(where, "motion", text::RowCount);
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::string angle = RowKey(i, "angle");
        if (rows[i].angle < 0 || rows[i].angle > FullTurn) {
            Fail(where, angle, text::AngleRange);
        }
        if (i == 0 && rows[i].angle != 0) Fail(where, angle, Text::Message(text::MustBe, {"0"}));
        if (i > 0 && rows[i].angle <= rows[i - 1].angle) Fail(where, angle, text::NotIncreasing);
        if (!std::isfinite(rows[i].lift)) Fail(where, RowKey(i, "lift"), text::NotFinite);
        if (rows[i].law && i == 0) Fail(where, RowKey(i, "law"), text::LawOnFirstRow);
    }
    const std::size_t last = rows.size() - 1;
    if (rows[last].angle != FullTurn) {
        Fail(where, RowKey(last, "angle"), Text::Message(text::MustBe, {"360"}));
    }
    if (rows[last].lift != rows[0].lift) Fail(where, RowKey(last, "lift"), text::NotClosed);
}

void CheckRange(const KeyPlaces& where, const std::string& key, engine::Quantity quantity,
                double value) {
    const Text problem = engine::RangeProblem(quantity, value);
    if (!problem.empty()) RefuseKey(where, key, problem);
}

// The range rule of a key that may be left out.
void CheckRange(const KeyPlaces& where, engine::Quantity quantity, const std::optional<double>& value) {
    if (value) CheckRange(where, engine::LimitOf(quantity).key, quantity, *value);
}

void CheckRange(const KeyPlaces& where, engine::Quantity quantity, double value) {
    CheckRange(where, engine::LimitOf(quantity).key, quantity, value);
}

void CheckDocument(const DesignDocument& d, const KeyPlaces& where) {
    using engine::Quantity;
    const CamSection& cam = d.cam;
    CheckRange(where, Quantity::BaseRadius, cam.baseRadius);
    if (!(cam.resolution == 1 || cam.resolution == 0.5 || cam.resolution == 0.2)) {
        Fail(where, "cam.resolution", text::Resolution);
    }
    CheckRange(where, Quantity::Rpm, cam.rpm);
    CheckRange(where, Quantity::MaxPressureAngle, cam.maxPressureAngle);
    CheckRange(where, Quantity::MinBaseRadius, cam.minBaseRadius);
    CheckRange(where, Quantity::MinRadiusOfCurvature, cam.minRadiusOfCurvature);

    const FollowerSection& f = d.follower;
    using engine::FollowerKind;
    const bool roller = f.kind == FollowerKind::Roller, flat = f.kind == FollowerKind::Flat,
               swing = f.kind == FollowerKind::SwingRoller;
    const Text kind = Text::Message(text::NotForKind, {engine::FollowerKindName(f.kind)});
    const Text required = Text::Message(text::RequiredForKind, {engine::FollowerKindName(f.kind)});
    auto only = [&](const char* key, const std::optional<double>& value, bool allowed) {
        if (value && !allowed) Fail(where, key, kind);
    };
    auto needed = [&](const char* key, const std::optional<double>& value, bool needs) {
        if (!value && needs) Fail(where, key, required);
    };
    only("follower.roller_radius", f.rollerRadius, !flat);
    needed("follower.roller_radius", f.rollerRadius, !flat);
    only("follower.offset", f.offset, roller);
    only("follower.face_width", f.faceWidth, flat);
    only("follower.arm_length", f.armLength, swing);
    needed("follower.arm_length", f.armLength, swing);
    only("follower.pivot_distance", f.pivotDistance, swing);
    needed("follower.pivot_distance", f.pivotDistance, swing);
    CheckRange(where, Quantity::RollerRadius, f.rollerRadius);
    CheckRange(where, Quantity::Offset, f.offset);
    CheckRange(where, Quantity::FaceWidth, f.faceWidth);
    CheckRange(where, Quantity::ArmLength, f.armLength);
    CheckRange(where, Quantity::PivotDistance, f.pivotDistance);
    only("follower.clearance", f.clearance, swing);
    CheckRange(where, Quantity::Clearance, f.clearance);
    // The roller's rest position and the swing arm's pivot must exist (each is a square
    // root of a difference that would otherwise be negative).
    const double pitchRadius = cam.baseRadius + f.rollerRadius.value_or(0);
    if (f.offset && !(std::fabs(*f.offset) < pitchRadius)) {
        Fail(where, "follower.offset", text::OffsetTooLarge);
    }
    if (swing && !(std::fabs(*f.pivotDistance - *f.armLength) < pitchRadius &&
                   pitchRadius < *f.pivotDistance + *f.armLength)) {
        Fail(where, "follower.pivot_distance", text::NoPivot);
    }

    CheckRows(d, where);
    const Quantity lift = swing ? Quantity::ArmSwing : Quantity::Lift;
    for (std::size_t i = 0; i < d.motion.size(); ++i) {
        const DocumentRow& row = d.motion[i];
        CheckRange(where, RowKey(i, "lift"), lift, row.lift);
        const std::pair<const char*, const std::optional<double>*> conditions[] = {
            {"velocity", &row.velocity}, {"acceleration", &row.acceleration}, {"jerk", &row.jerk}};
        const Quantity quantities[] = {Quantity::RowVelocity, Quantity::RowAcceleration, Quantity::RowJerk};
        for (std::size_t k = 0; k < 3; ++k) {
            const auto& [name, value] = conditions[k];
            if (!*value) continue;
            CheckRange(where, RowKey(i, name), quantities[k], **value);
            // A condition only a polynomial segment meeting the row can meet.
            const bool before = i > 0 && d.LawOfSegmentEndingAt(i) == engine::Law::Polynomial;
            const bool after = i + 1 < d.motion.size() && d.LawOfSegmentEndingAt(i + 1) == engine::Law::Polynomial;
            if (!before && !after) Fail(where, RowKey(i, name), text::ConditionNeedsPolynomial);
        }
    }

    if (d.dynamics) {
        const DynamicsSection& s = *d.dynamics;
        if (!cam.rpm) Fail(where, "cam.rpm", text::RequiredByDynamics);
        // A translating follower's keys are forces and a mass, an arm's torques and an
        // inertia: each refuses the other's.
        only("dynamics.mass", s.mass, !swing);
        only("dynamics.spring_rate", s.springRate, !swing);
        only("dynamics.preload", s.preload, !swing);
        only("dynamics.load", s.load, !swing);
        only("dynamics.inertia", s.inertia, swing);
        only("dynamics.spring_torque_rate", s.springTorqueRate, swing);
        only("dynamics.preload_torque", s.preloadTorque, swing);
        only("dynamics.load_torque", s.loadTorque, swing);
        Require(where, swing ? "dynamics.inertia" : "dynamics.mass", swing ? s.inertia : s.mass);
        CheckRange(where, Quantity::Mass, s.mass);
        CheckRange(where, Quantity::SpringRate, s.springRate);
        CheckRange(where, Quantity::Preload, s.preload);
        CheckRange(where, swing ? Quantity::ArmDamping : Quantity::Damping, s.damping);
        CheckRange(where, Quantity::Load, s.load);
        CheckRange(where, Quantity::Inertia, s.inertia);
        CheckRange(where, Quantity::SpringTorqueRate, s.springTorqueRate);
        CheckRange(where, Quantity::PreloadTorque, s.preloadTorque);
        CheckRange(where, Quantity::LoadTorque, s.loadTorque);
        CheckRange(where, Quantity::TrainStiffness, s.trainStiffness);
        CheckRange(where, Quantity::DampingRatio, s.dampingRatio);
        // The train's damping ratio is that of its stiffness.
        if (s.dampingRatio && !s.trainStiffness) Fail(where, "dynamics.train_stiffness", text::RequiredByDampingRatio);
        if (s.compensate && *s.compensate && !s.trainStiffness) {
            Fail(where, "dynamics.train_stiffness", text::RequiredByCompensation);
        }
    }
    if (d.drawing) {
        const DrawingSection& s = *d.drawing;
        for (const TitleText& t : TitleTexts()) {
            const std::optional<std::string>& value = s.*t.field;
            if (!value) continue;
            if (const char* problem = TitleTextProblem(*value)) {
                Fail(where, std::string("drawing.") + t.key, problem);
            }
        }
        CheckRange(where, Quantity::BoreDiameter, s.boreDiameter);
        CheckRange(where, Quantity::MinWall, s.minWall);
    }
    if (d.machining) {
        const MachiningSection& s = *d.machining;
        Require(where, "machining.tool_radius", s.toolRadius);
        CheckRange(where, Quantity::ToolRadius, s.toolRadius);
        CheckRange(where, Quantity::Feed, s.feed);
        CheckRange(where, Quantity::PlungeFeed, s.plungeFeed);
        CheckRange(where, Quantity::Spindle, s.spindle);
        CheckRange(where, Quantity::Depth, s.depth);
        CheckRange(where, Quantity::SafeZ, s.safeZ);
        CheckRange(where, Quantity::LeadIn, s.leadIn);
    }
    if (d.contact) {
        const ContactSection& s = *d.contact;
        Require(where, "contact.width", s.width);
        CheckRange(where, Quantity::ContactWidth, s.width);
        Require(where, "contact.elastic_modulus", s.elasticModulus);
        CheckRange(where, Quantity::ElasticModulus, s.elasticModulus);
        Require(where, "contact.poisson_ratio", s.poissonRatio);
        CheckRange(where, Quantity::AllowableStress, s.allowableStress);
        CheckRange(where, Quantity::PoissonRatio, s.poissonRatio);
    }
}

}  // namespace

void RefuseKey(const KeyPlaces& places, const std::string& key, const Text& reason) {
    throw DocumentError(Text::Literal(places.Prefix(key) + key + ": ") + reason, key).WithReason(reason);
}

std::string RowKey(std::size_t index, const char* name) {
    return "motion[" + std::to_string(index + 1) + "]" + (name ? std::string(".") + name : "");
}

const char* TitleTextProblem(std::string_view value) {
    for (std::size_t i = 0; i < value.size();) {
        const Utf8Char c = DecodeUtf8(value, i);
        if (c.length == 0 || IsControlCharacter(c.code)) return text::BadText;
        if (IsDirectionControl(c.code)) return text::DirectionText;
        i += c.length;
    }
    return nullptr;
}

void CheckDesignDocument(const DesignDocument& document, const KeyPlaces& places) {
    CheckDocument(document, places);
}

void CheckDesignDocument(const DesignDocument& document, const std::string& path) {
    CheckDocument(document, FilePlaces(path));
}

void CheckDocumentRows(const DesignDocument& document, const std::string& path) {
    CheckRows(document, FilePlaces(path));
}

}  // namespace platecam
