#include "batch/machining.h"

#include <cmath>
#include <mutex>

#include "base/language.h"
#include "base/number_text.h"
#include "batch/check_text.h"
#include "batch/texts.h"
#include "batch/title_block.h"

namespace platecam {

// What a run works out for its drawings and programs, once.
struct MachiningCache {
    std::once_flag drawingOnce, toolOnce;
    DrawingArcs drawing;
    ToolPath tool;
};

std::shared_ptr<MachiningCache> NewMachiningCache() { return std::make_shared<MachiningCache>(); }

namespace {

arcs::Point P(engine::Point p) { return {p.x, p.y}; }

arcs::Curve CurveOf(const engine::ExactCam& cam, std::function<arcs::Point(const engine::ExactPoint&)> at) {
    arcs::Curve curve;
    curve.point = [cam, at](double u) { return at(cam.At(u)); };
    // The tangent of every curve here is the contour's: they are its parallels.
    curve.tangent = [cam](double u, bool after) { return P(cam.At(u, !after).tangent); };
    curve.from = 0;
    curve.to = 360;
    curve.breaks = cam.RowAngles();
    curve.closed = true;
    return curve;
}

}  // namespace

double ToleranceOf(const Run& run) { return run.options.tolerance.value_or(DefaultTolerance); }

arcs::Curve ContourCurve(const engine::ExactCam& cam) {
    return CurveOf(cam, [](const engine::ExactPoint& p) { return P(p.contact); });
}

arcs::Curve PitchCurve(const engine::ExactCam& cam) {
    return CurveOf(cam, [](const engine::ExactPoint& p) { return P(p.pitch); });
}

arcs::Curve ToolPathCurve(const engine::ExactCam& cam, double toolRadius) {
    return CurveOf(cam, [toolRadius](const engine::ExactPoint& p) {
        return arcs::Point{p.contact.x + toolRadius * p.normal.x, p.contact.y + toolRadius * p.normal.y};
    });
}

FittedCurve FitCurve(const arcs::Curve& curve, double tolerance) {
    FittedCurve fitted;
    fitted.pieces = arcs::FitBiarcs(curve, tolerance).pieces;
    fitted.maxDeviation = arcs::MeasureDeviation(fitted.pieces, curve);
    // The figure reported is the independent one; above the tolerance is a fault of the
    // fitting, never a drawing.
    if (!(fitted.maxDeviation <= tolerance)) {
        throw CamError(Text::Message("the arcs lie %1 mm from the exact curve, more than the tolerance %2 mm",
                                     {FormatNumber(fitted.maxDeviation), FormatNumber(tolerance)}));
    }
    return fitted;
}

const DrawingArcs& DrawingArcsOf(const Run& run) {
    std::call_once(run.machining->drawingOnce, [&] {
        DrawingArcs& d = run.machining->drawing;
        const engine::ExactCam cam(*run.cam);
        d.tolerance = ToleranceOf(run);
        d.contour = FitCurve(ContourCurve(cam), d.tolerance);
        if (run.cam->follower.kind != engine::FollowerKind::Flat) d.pitch = FitCurve(PitchCurve(cam), d.tolerance);
    });
    return run.machining->drawing;
}

const ToolPath& ToolPathOf(const Run& run) {
    std::call_once(run.machining->toolOnce, [&] {
        ToolPath& t = run.machining->tool;
        const std::optional<MachiningSection>& m =
            run.input.document ? run.input.document->machining : std::optional<MachiningSection>();
        if (!m || !m->toolRadius || !run.cam || !run.grid) {
            t.refusal = Tr("there is no tool to cut with: the design document gives no machining.tool_radius");
            return;
        }
        t.toolRadius = *m->toolRadius;
        if (!run.grid->undercutPass || (run.grid->contourRadius.found && run.grid->contourRadius.value <= 0)) {
            t.refusal = Tr("the contour is undercut or has a cusp: no tool path is written");
            return;
        }
        const engine::ExactCam cam(*run.cam);
        // A tool at least as large as a concave part's radius cuts into the cam there.
        if (const auto concave = engine::SmallestConcaveRadius(cam, run.grid->concaveContourRadius);
            concave && t.toolRadius >= concave->value) {
            const FigureStyle precise;
            t.refusal = Tr("the tool is too large: its radius %1 is not smaller than the contour's concave "
                           "radius %2 at %3, where it would cut into the cam; nothing is written",
                           {precise.LengthText(t.toolRadius), precise.LengthText(concave->value),
                            precise.AngleText(concave->atDeg)});
            return;
        }
        t.path = FitCurve(ToolPathCurve(cam, t.toolRadius), ToleranceOf(run));
        if (!MissingProgramKey(*m)) {
            t.setup = MachiningSetup{t.toolRadius, m->direction.value_or(CutDirection::Climb) == CutDirection::Climb,
                                     *m->feed, *m->plungeFeed, *m->spindle, *m->depth, *m->safeZ, *m->leadIn};
        }
    });
    return run.machining->tool;
}

std::string LiftTableText(const Run& run, std::string& refusal) {
    const ToolPath& tool = ToolPathOf(run);
    refusal = tool.refusal;
    if (!refusal.empty()) return {};
    const double step = run.options.liftStep.value_or(DefaultLiftStep);
    std::vector<double> angles;
    const auto count = static_cast<long>(std::ceil(360 / step - 1e-9));
    for (long k = 0; k < count; ++k) angles.push_back(static_cast<double>(k) * step);
    const std::vector<double> distances = engine::ToolCentreDistances(engine::ExactCam(*run.cam), tool.toolRadius, angles);
    std::string text = "cam_angle_deg,tool_centre_mm\n";
    for (std::size_t i = 0; i < angles.size(); ++i) {
        text += FormatNumber(angles[i]) + "," + FormatNumber(distances[i]) + "\n";
    }
    return text;
}

std::string GcodeText(const Run& run, std::string& refusal) {
    const ToolPath& tool = ToolPathOf(run);
    refusal = tool.refusal;
    if (!refusal.empty()) return {};
    if (!tool.setup) {
        // The command line asks for every key before; the window's document may lack one.
        refusal = Tr("the milling program needs %1 in the design document",
                     {std::string("machining.") + MissingProgramKey(*run.input.document->machining)});
        return {};
    }
    return GcodeProgram(tool.path.pieces, *tool.setup,
                        GcodeHeader{DesignName(run.input.path), ToleranceOf(run), tool.path.maxDeviation});
}

}  // namespace platecam
