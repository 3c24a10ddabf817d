#include "batch/input.h"

#include <cmath>

#include "engine/limits.h"

#include "batch/texts.h"
#include "design/window.h"
#include "files/design_document.h"
#include "files/design_file.h"
#include "files/save_file.h"
#include "base/language.h"

namespace platecam {

namespace {

// --title-block KEY=VALUE into a [drawing], the last value of a key standing: the run's
// title block, and a design it saves, hold what the options gave.
void ApplyTitleBlock(const BatchOptions& o, std::optional<DrawingSection>& section) {
    for (const auto& [key, value] : o.titleBlock) {
        DrawingSection& drawing = section ? *section : section.emplace();
        if (key == "bore_diameter") {
            drawing.boreDiameter = ParseDecimal(value, '.');
        } else if (key == "min_wall") {
            drawing.minWall = ParseDecimal(value, '.');
        } else {
            for (const TitleText& text : TitleTexts()) {
                if (key == text.key) drawing.*text.field = value;
            }
        }
    }
}

void ApplyToDocument(const BatchOptions& o, DesignInput& d) {
    DesignDocument& doc = *d.document;
    if (o.sizeOffset && doc.follower.kind != engine::FollowerKind::Roller) {
        throw BadUsage{Tr("--size-offset sizes the offset of a roller that moves in a line; this "
                          "follower has none")};
    }
    if (o.law && *o.law != doc.cam.law) {
        d.overrides.push_back(Text::Message("--law %1 replaces the document's law %2",
                                            {engine::LawName(*o.law), engine::LawName(doc.cam.law)}));
        doc.cam.law = *o.law;
    }
    if (o.stepsPerDegree && *o.stepsPerDegree != doc.StepsPerDegree()) {
        const double resolution = 1.0 / *o.stepsPerDegree;
        d.overrides.push_back(Text::Message("--resolution %1 replaces the document's %2",
                                            {Number(resolution), Number(doc.cam.resolution)}));
        doc.cam.resolution = resolution;
    }
    if (o.base) doc.cam.baseRadius = *o.base;
    if (o.roller) {
        if (doc.follower.kind == engine::FollowerKind::Flat) {
            throw BadUsage{Tr("--roller does not apply to a flat-faced follower")};
        }
        doc.follower.rollerRadius = *o.roller;
    }
    if (o.rpm) doc.cam.rpm = *o.rpm;
    if (o.maxPressure) doc.cam.maxPressureAngle = *o.maxPressure;
    if (o.minBase) doc.cam.minBaseRadius = *o.minBase;
    ApplyTitleBlock(o, doc.drawing);
}

// A design file's rows as far as the table walk reaches, and its radii, refused naming the
// file and the row where no cam can be computed from them: an angle outside the
// revolution, a number beyond every cam's size.
void CheckDesignFile(const MotionTable& table, const std::string& path) {
    auto refuse = [&](const std::string& where, const Text& problem) {
        throw CamError(Text::Literal(path + ": " + where + ": ") + problem);
    };
    auto tooLarge = [&](engine::Quantity q, double value, const std::string& where) {
        if (!(std::fabs(value) < engine::LimitOf(q).high)) refuse(where, engine::RangeRule(q));
    };
    tooLarge(engine::Quantity::BaseRadius, table[BaseRadiusSlot].Value, Tr("base radius"));
    tooLarge(engine::Quantity::RollerRadius, table[RollerRadiusSlot].Value, Tr("roller radius"));
    const TableWalk walk = WalkTable(table);
    const int rows = walk.count + (walk.count > 0 ? 1 : 0);
    for (int row = 1; row <= rows; ++row) {
        const std::string where = Tr("row %1", {std::to_string(row)});
        const MotionRecord record = table[row - 1];
        if (record.Angle < 0 || record.Angle > TerminatorAngle) {
            refuse(where, Text::Message(msg::AngleOutOfRange, {std::to_string(record.Angle)}));
        }
        tooLarge(engine::Quantity::Lift, record.Value, where);
    }
}

// The first option that cuts with the document's tool, if any.
const char* MachiningOption(const BatchOptions& o) {
    if (!o.toolpath.empty()) return "--toolpath";
    if (!o.gcode.empty()) return "--gcode";
    if (!o.liftTable.empty()) return "--lift-table";
    return nullptr;
}

// The tool's keys the asked outputs need, named where the document lacks them.
void RequireMachining(const BatchOptions& o, const DesignDocument& doc) {
    const char* option = MachiningOption(o);
    if (!option) return;
    if (!doc.machining) throw BadUsage{Tr("%1 needs the table [machining] in the design document", {option})};
    if (o.gcode.empty()) return;
    if (const char* key = MissingProgramKey(*doc.machining)) {
        throw BadUsage{Tr("--gcode needs %1 in the design document", {std::string("machining.") + key})};
    }
}

}  // namespace

DesignInput ReadBatchDesign(const BatchOptions& o) {
    DesignInput d;
    d.path = o.design;
    const std::string bytes = ReadDesignBytes(o.design);
    if (!IsDesignDocument(bytes)) {
        d.origin = Origin::DesignFile;
        if (const char* option = MachiningOption(o)) {
            throw BadUsage{Tr("%1 needs a design document with [machining]; a design file holds no tool "
                              "(convert it with --save-design)",
                              {option})};
        }
        // A design file holds neither law nor resolution: the options or the window's
        // first choices.
        if (o.law) {
            const std::optional<int> index = engine::WindowLawIndex(*o.law);
            if (!index) {
                throw BadUsage{Tr("--law %1 needs a design document; a design file has the "
                                  "window's three laws only (convert it with --save-design)",
                                  {engine::LawName(*o.law)})};
            }
            d.law = *index;
        }
        MotionTable table = DecodeDesign(bytes, o.design);
        if (o.base) table[BaseRadiusSlot].Value = *o.base;
        if (o.roller) table[RollerRadiusSlot].Value = *o.roller;
        CheckDesignFile(table, o.design);
        d.table = table;
        d.stepsPerDegree = o.stepsPerDegree.value_or(1);
        d.rpm = o.rpm;
        d.maxPressure = o.maxPressure.value_or(30);
        d.minBase = o.minBase.value_or(0);
        ApplyTitleBlock(o, d.drawing);
        return d;
    }
    d.document = ParseDesignDocument(bytes, o.design);
    RequireMachining(o, *d.document);
    ApplyToDocument(o, d);
    DesignInput input = InputOfDocument(std::move(*d.document), o.design);
    input.overrides = std::move(d.overrides);
    return input;
}

Request RequestOf(const BatchOptions& o, const DesignInput& input) {
    // The samples of the exact cam: a document's outputs, the workshop drawing and the
    // report; a design file's --check needs the grid only.
    Request request;
    request.samples = input.origin == Origin::Document || !o.drawing.empty() || !o.report.empty();
    request.sizing = o.sizeBase;
    request.sizeOffset = o.sizeOffset;
    if (o.rpmSweep) {
        // A sweep is of the train's vibration: a rigid follower has none.
        const DesignDocument* doc = input.document ? &*input.document : nullptr;
        if (!doc || !doc->dynamics || !doc->dynamics->trainStiffness) {
            throw BadUsage{Tr("--rpm-sweep needs a design document with dynamics.train_stiffness")};
        }
        request.sweep = Request::Sweep{o.rpmSweep->from, o.rpmSweep->to, o.rpmSweep->step};
    }
    return request;
}

}  // namespace platecam
