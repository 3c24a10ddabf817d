#include "batch/input.h"

#include <cmath>

#include "engine/limits.h"

#include "batch/texts.h"
#include "files/design_file.h"
#include "files/save_file.h"
#include "base/language.h"

namespace platecam {

namespace {

// --title-block KEY=VALUE into the document's [drawing], the last value of a key standing:
// the run's title block, and a design it saves, hold what the options gave.
void ApplyTitleBlock(const BatchOptions& o, DesignDocument& doc) {
    for (const auto& [key, value] : o.titleBlock) {
        DrawingSection& drawing = doc.drawing ? *doc.drawing : doc.drawing.emplace();
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

void ApplyToDocument(const BatchOptions& o, BatchDesign& d) {
    DesignDocument& doc = *d.document;
    if (o.law && *o.law != doc.cam.law) {
        d.overrides.push_back(Tr("--law %1 replaces the document's law %2", {*o.law, doc.cam.law}));
        doc.cam.law = *o.law;
    }
    if (o.stepsPerDegree && *o.stepsPerDegree != doc.StepsPerDegree()) {
        const double resolution = 1.0 / *o.stepsPerDegree;
        d.overrides.push_back(Tr("--resolution %1 replaces the document's %2",
                                 {Number(resolution), Number(doc.cam.resolution)}));
        doc.cam.resolution = resolution;
    }
    if (o.base) doc.cam.baseRadius = *o.base;
    if (o.roller) {
        if (doc.follower.kind == "flat") {
            throw BadUsage{Tr("--roller does not apply to a flat-faced follower")};
        }
        doc.follower.rollerRadius = *o.roller;
    }
    if (o.rpm) doc.cam.rpm = *o.rpm;
    if (o.maxPressure) doc.cam.maxPressureAngle = *o.maxPressure;
    if (o.minBase) doc.cam.minBaseRadius = *o.minBase;
    ApplyTitleBlock(o, doc);
}

// A design file's rows as far as the table walk reaches, and its radii, refused naming the
// file and the row where no cam can be computed from them: an angle outside the
// revolution, a number beyond every cam's size.
void CheckDesignFile(const MotionTable& table, const std::string& path) {
    auto refuse = [&](const std::string& where, const std::string& problem) {
        throw CamError(path + ": " + where + ": " + problem);
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
            refuse(where, FormatMessage(msg::AngleOutOfRange, std::to_string(record.Angle)));
        }
        tooLarge(engine::Quantity::Lift, record.Value, where);
    }
}

}  // namespace

namespace {

// Why a design file's table makes no cam, in the window's terms (rows, not document keys),
// or nothing when it makes one.
std::string WhyTableIsNoCam(const MotionTable& table) {
    if (!(table[BaseRadiusSlot].Value > 0)) {
        return Tr("the base radius is %1 mm: a cam needs a positive base radius",
                  {Number(table[BaseRadiusSlot].Value)});
    }
    const TableWalk walk = WalkTable(table);
    if (walk.terminatorRow == 0) {
        return Tr("the table has no row at 360° that the rows lead to: the cam does not close its revolution");
    }
    if (table[0].Angle != 0) {
        return Tr("the table starts at %1°, not at 0°", {std::to_string(table[0].Angle)});
    }
    for (int row = 2; row <= walk.terminatorRow; ++row) {
        const std::int32_t before = table[row - 2].Angle, here = table[row - 1].Angle;
        if (here <= before) {
            return Tr("row %1 (%2°) does not come after row %3 (%4°): the angles must increase",
                      {std::to_string(row), std::to_string(here), std::to_string(row - 1),
                       std::to_string(before)});
        }
    }
    const double first = table[0].Value, last = table[walk.terminatorRow - 1].Value;
    if (first != last) {
        return Tr("the lift at 360° (%1 mm) differs from the lift at 0° (%2 mm): a step no follower can follow",
                  {Number(last), Number(first)});
    }
    return {};
}

}  // namespace

void DocumentOfTable(BatchDesign& design, const MotionTable& shown, const BatchOptions& options) {
    design.notACam = WhyTableIsNoCam(shown);
    if (!design.notACam.empty()) return;
    try {
        DesignDocument doc = DocumentFromTable(shown, design.law, design.stepsPerDegree, design.path);
        if (design.rpm) doc.cam.rpm = design.rpm;
        doc.cam.maxPressureAngle = design.maxPressure;
        if (design.minBase > 0) doc.cam.minBaseRadius = design.minBase;
        ApplyTitleBlock(options, doc);
        design.document = std::move(doc);
    } catch (const DocumentError& e) {
        design.notACam = e.message();
    }
}

BatchDesign ReadBatchDesign(const BatchOptions& o) {
    BatchDesign d;
    d.path = o.design;
    const std::string bytes = ReadDesignBytes(o.design);
    d.isDocument = IsDesignDocument(bytes);
    if (!d.isDocument) {
        // A design file holds neither law nor resolution: the options or the window's
        // first choices.
        if (o.law) {
            d.law = WindowLawIndex(*o.law);
            if (d.law < 0) {
                throw BadUsage{Tr("--law %1 needs a design document; a design file has the "
                                  "window's three laws only (convert it with --save-design)",
                                  {*o.law})};
            }
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
        return d;
    }
    d.document = ParseDesignDocument(bytes, o.design);
    ApplyToDocument(o, d);
    const DesignDocument& doc = *d.document;
    d.stepsPerDegree = doc.StepsPerDegree();
    d.rpm = doc.cam.rpm;
    d.maxPressure = doc.cam.maxPressureAngle.value_or(30);
    d.minBase = doc.cam.minBaseRadius.value_or(0);
    if (KeyTheWindowCannotShow(doc).empty()) {
        d.table = TableFromDocument(doc);
        d.law = WindowLawIndex(doc.cam.law);
    }
    return d;
}

}  // namespace platecam
