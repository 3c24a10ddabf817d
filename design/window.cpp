#include "design/window.h"

#include "base/language.h"
#include "design/rules.h"

namespace platecam {

namespace {
namespace text {
constexpr const char* Resolution = "must be 1, 0.5 or 0.2";
constexpr const char* WindowCannotShow =
    "the window shows only an in-line roller follower and the laws cycloid, "
    "modified-trapezoid and modified-sine";
constexpr const char* WindowDrawsTheLaw =
    "the window draws the law's own contour, not one compensated for a speed";
}  // namespace text
}  // namespace

std::string KeyTheWindowCannotShow(const DesignDocument& document) {
    if (!engine::WindowLawIndex(document.cam.law)) return "cam.law";
    if (document.follower.kind != engine::FollowerKind::Roller) return "follower.kind";
    if (document.follower.offset && *document.follower.offset != 0) return "follower.offset";
    for (std::size_t i = 0; i < document.motion.size(); ++i) {
        if (document.motion[i].law) return RowKey(i, "law");
    }
    // The window draws the law's own contour, not one corrected for a speed.
    if (document.dynamics && document.dynamics->compensate.value_or(false)) return "dynamics.compensate";
    return {};
}

MotionTable TableFromDocument(const DesignDocument& document) {
    CheckDesignDocument(document, "");
    const std::string key = KeyTheWindowCannotShow(document);
    if (!key.empty()) {
        const bool compensated = key == "dynamics.compensate";
        RefuseKey(FilePlaces(""), key, Text::Message(compensated ? text::WindowDrawsTheLaw : text::WindowCannotShow));
    }
    MotionTable table{};
    for (std::size_t i = 0; i < document.motion.size(); ++i) {
        table[i] = MotionRecord{document.motion[i].angle, document.motion[i].lift};
    }
    table[BaseRadiusSlot].Value = document.cam.baseRadius;
    table[RollerRadiusSlot].Value = *document.follower.rollerRadius;
    return table;
}

DesignDocument DocumentFromTable(const MotionTable& table, int lawIndex, int stepsPerDegree,
                                 const std::string& path) {
    const FilePlaces where(path);
    DesignDocument document;
    document.cam.baseRadius = table[BaseRadiusSlot].Value;
    if (stepsPerDegree != 1 && stepsPerDegree != 2 && stepsPerDegree != 5) {
        RefuseKey(where, "cam.resolution", Text::Message(text::Resolution));
    }
    document.cam.resolution = stepsPerDegree == 1 ? 1 : stepsPerDegree == 2 ? 0.5 : 0.2;
    document.cam.law = engine::WindowLaw(lawIndex);
    document.follower.kind = engine::FollowerKind::Roller;
    document.follower.rollerRadius = table[RollerRadiusSlot].Value;
    document.follower.offset = 0.0;  // the window's follower is in line: say so
    // The rows the window computes: up to the first row at 360, all 20 when none is.
    const TableWalk walk = WalkTable(table);
    const int rows = walk.terminatorRow > 0 ? walk.terminatorRow : MotionRowCount;
    for (int k = 0; k < rows; ++k) {
        document.motion.push_back(DocumentRow{table[k].Angle, table[k].Value, std::nullopt, {}, {}, {}});
    }
    CheckDesignDocument(document, where);
    return document;
}

DesignDocument StartUpDocument() {
    MotionTable table{};
    const std::pair<int, double> rows[] = {{0, 0},    {30, 0},   {90, 10}, {110, 10},
                                           {170, 20}, {180, 20}, {260, 0}, {360, 0}};
    for (std::size_t k = 0; k < std::size(rows); ++k) table[k] = {rows[k].first, rows[k].second};
    table[BaseRadiusSlot].Value = 45;
    table[RollerRadiusSlot].Value = 10;
    return DocumentFromTable(table, 0, 1, "");
}

}  // namespace platecam
