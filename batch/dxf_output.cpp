#include "batch/dxf_output.h"

#include <cmath>

#include "batch/check_text.h"
#include "batch/texts.h"
#include "batch/title_block.h"
#include "batch/machining.h"
#include "batch/report_input.h"
#include "base/number_text.h"
#include "files/drawing.h"
#include "files/dxf.h"
#include "files/shift_jis.h"
#include "base/language.h"

namespace platecam {

namespace {

double PolarDegrees(Point2 p) {
    double degrees = std::atan2(p.y, p.x) * 180 / Pi;
    if (degrees < 0) degrees += 360;
    // Angles a hair below 360 are 0: the same direction, and the arcs read better.
    return degrees >= 360 - 1e-12 ? 0 : degrees + 0.0;
}

std::string ExactDxf(const Run& run, bool points) {
    const int S = run.S();
    std::vector<Point2> contour;
    contour.reserve(run.samples.size());
    for (const engine::Sample& s : run.samples) contour.push_back(Point2{s.contact.x, s.contact.y});
    std::vector<DxfSegment> segments;
    const auto n = static_cast<std::int64_t>(contour.size());
    for (const engine::Segment& s : run.cam->motion.Segments()) {
        DxfSegment segment;
        segment.firstSample = static_cast<std::int64_t>(std::llround(s.startDeg * S));
        segment.lastSample = static_cast<std::int64_t>(std::llround(s.endDeg * S));
        if (s.kind == engine::SegmentKind::Dwell) {
            const Point2 start = contour[static_cast<std::size_t>(segment.firstSample % n)];
            const Point2 end = contour[static_cast<std::size_t>(segment.lastSample % n)];
            segment.dwell = true;
            segment.radius = std::hypot(start.x, start.y);
            // Cam angles advance clockwise on the cam: the arc runs counter-clockwise from
            // the dwell's end to its start.
            segment.startPolarDeg = PolarDegrees(end);
            segment.endPolarDeg = PolarDegrees(start);
        }
        segments.push_back(segment);
    }
    DxfLines lines;
    BuildContourDxf(lines, segments, contour, points);
    return EncodeDxf(lines);
}

}  // namespace

namespace {

// The contour a drawing draws: the window's own construction where the window shows the
// design and the format is the window's, else the exact contour; and why it must not be
// drawn, where it must not (a drawing of it would make a wrong part).
struct Contour {
    bool window = false;
    std::string refusal;
};

Contour ContourToDraw(const Run& run, bool windowFormat) {
    if (windowFormat && run.window) {
        if (run.window->status.completed) return {true, {}};
        return {true, Tr("the cam contour is not complete (the window construction stops at %1°): "
                         "no drawing is written",
                         {Number(static_cast<double>(run.window->status.stoppedAt) / run.window->S())})};
    }
    run.RequireSamples();
    if (!run.cam || !run.grid) return {false, Tr("there is no cam to draw: %1", {Shown(run.notACam)})};
    if (!run.grid->undercutPass || (run.grid->contourRadius.found && run.grid->contourRadius.value <= 0)) {
        return {false, Tr("the contour is undercut or has a cusp: no drawing is written")};
    }
    if (run.grid->innermostContour.found && !(run.grid->boreWall > 0)) {
        return {false, Tr("the bore reaches through the contour: no drawing is written")};
    }
    return {};
}

}  // namespace

namespace {

// The texts the drawing cannot hold whole: a character without a Shift_JIS code is drawn
// as '?', and the user is told which field lost what.
std::vector<std::string> ShiftJisWarnings(const Run& run, const WorkshopDrawing& drawing) {
    std::vector<std::string> warnings;
    auto check = [&](const std::string& field, const std::string& text) {
        if (const std::size_t lost = CharactersWithoutShiftJis(text)) {
            warnings.push_back(Tr("%1: %2 characters of '%3' have no Shift_JIS code: the drawing "
                                  "shows '?' for them",
                                  {field, std::to_string(lost), text}));
        }
    };
    check(Tr("design name"), drawing.designName);
    if (run.input.document && run.input.document->drawing) {
        for (const TitleText& t : TitleTexts()) {
            const auto& value = (*run.input.document->drawing).*t.field;
            if (value) check(std::string("drawing.") + t.key, *value);
        }
    }
    return warnings;
}

}  // namespace

namespace {

// What the drawing says under the cam's name, in the language asked: the scale, what the
// design is, and how near its arcs lie.
std::vector<std::string> DrawingNotes(const Run& run, const FittedCurve& curve, const char* what) {
    std::vector<std::string> notes{Tr("scale 1:1, unit mm")};
    for (const ReportField& field : DesignFields(run, FigureStyle{true})) {
        if (field.label != Tr("file")) notes.push_back(field.label + ": " + field.value);
    }
    if (const auto bore = BoreDiameter(run)) notes.push_back(Tr("bore diameter: %1", {Number(*bore) + " mm"}));
    notes.push_back(Tr(what, {std::to_string(curve.pieces.size()), Number(ToleranceOf(run)),
                              FormatGeneral(curve.maxDeviation, 3, 5, '.')}));
    return notes;
}

}  // namespace

std::string DrawingRefusal(const Run& run) { return ContourToDraw(run, false).refusal; }

std::string DrawingBytes(const Run& run, std::string& refusal, std::vector<std::string>& warnings) {
    refusal = ContourToDraw(run, false).refusal;
    if (!refusal.empty()) return {};
    const DrawingArcs& arcs = DrawingArcsOf(run);
    WorkshopDrawing drawing;
    drawing.designName = DesignName(run.input.path);
    drawing.contour = arcs.contour.pieces;
    if (arcs.pitch) drawing.pitch = arcs.pitch->pieces;
    drawing.boreDiameter = BoreDiameter(run);
    drawing.notes = DrawingNotes(run, arcs.contour,
                                 N_("contour: %1 arcs and lines within %2 mm of the exact contour "
                                    "(largest distance %3 mm)"));
    drawing.rotation = Tr("rotation");
    drawing.titleBlock = TitleBlock(run, true);
    warnings = ShiftJisWarnings(run, drawing);
    return BuildWorkshopDrawing(drawing);
}

std::string ToolPathBytes(const Run& run, std::string& refusal, std::vector<std::string>& warnings) {
    const ToolPath& tool = ToolPathOf(run);
    refusal = tool.refusal;
    if (!refusal.empty()) return {};
    WorkshopDrawing drawing;
    drawing.designName = DesignName(run.input.path);
    drawing.contour = tool.path.pieces;
    drawing.toolPath = true;
    drawing.notes = DrawingNotes(run, tool.path,
                                 N_("path of the tool's centre: %1 arcs and lines within %2 mm of the "
                                    "exact path (largest distance %3 mm)"));
    drawing.notes.insert(drawing.notes.begin() + 1, Tr("tool radius: %1", {Number(tool.toolRadius) + " mm"}));
    drawing.rotation = Tr("rotation");
    drawing.titleBlock = TitleBlock(run, true);
    warnings = ShiftJisWarnings(run, drawing);
    return BuildWorkshopDrawing(drawing);
}

std::string DxfBytes(const Run& run, bool points, std::string& refusal) {
    const Contour contour = ContourToDraw(run, true);
    refusal = contour.refusal;
    if (!refusal.empty()) return {};
    if (!contour.window) return ExactDxf(run, points);
    DxfLines lines;
    BuildDxf(lines, *run.window->design, points);
    return EncodeDxf(lines);
}

}  // namespace platecam
