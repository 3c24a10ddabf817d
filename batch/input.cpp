#include "batch/input.h"

#include "batch/texts.h"
#include "files/design_file.h"
#include "files/save_file.h"
#include "language/language.h"

namespace platecam {

namespace {

// Larger than any design document a person writes; a bigger file is refused unread.
constexpr std::size_t DesignLimit = 1 << 20;

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
}

}  // namespace

void DocumentOfTable(BatchDesign& design, const MotionTable& shown) {
    try {
        DesignDocument doc = DocumentFromTable(shown, design.law, design.stepsPerDegree, design.path);
        if (design.rpm) doc.cam.rpm = design.rpm;
        doc.cam.maxPressureAngle = design.maxPressure;
        if (design.minBase > 0) doc.cam.minBaseRadius = design.minBase;
        design.document = std::move(doc);
    } catch (const DocumentError& e) {
        design.notACam = e.message();
    }
}

BatchDesign ReadBatchDesign(const BatchOptions& o) {
    BatchDesign d;
    d.path = o.design;
    const std::string bytes = ReadWholeFile(o.design, DesignLimit);
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
