#include "batch/check_text.h"

#include <cmath>

#include "batch/texts.h"
#include "base/language.h"
#include "base/errors.h"
#include "base/number_text.h"

namespace platecam {

namespace {

const char* const Degree = "°";

std::string Rounded(double value, int decimals) {
    // Fixed decimals from the shortest exact text, halves away from zero as FormatGeneral.
    const double scale = std::pow(10.0, decimals);
    double r = std::round(value * scale) / scale;
    if (r == 0) r = 0;  // no "-0"
    std::string text = FormatGeneral(r, 15, 15, '.');
    if (decimals > 0) {
        auto dot = text.find('.');
        if (dot == std::string::npos) {
            text += '.';
            dot = text.size() - 1;
        }
        while (static_cast<int>(text.size() - dot - 1) < decimals) text += '0';
    }
    return text;
}

// Two statements about one figure, as the language joins them.
std::string Then(const std::string& first, const std::string& second) {
    // TRANSLATORS: two statements in one line of the check, e.g. "smallest base radius
    // 30.44 mm; the checks pass at the radius 45 mm already".
    return Tr("%1; %2", {first, second});
}

bool IsFlat(const Run& run) {
    return run.cam && run.cam->follower.kind == engine::FollowerKind::Flat;
}

std::string SegmentLaw(const Run& run, std::size_t k) {
    if (!run.input.isDocument) return LawCaptions[run.input.law];
    return engine::LawName(run.cam->motion.Segments()[k].law);
}

void PressureItems(const Run& run, const FigureStyle& f, std::vector<CheckItem>& items) {
    const engine::GridChecks& g = *run.grid;
    if (IsFlat(run)) {
        items.push_back({Tr("pressure angle"), Tr("0° by construction (flat face)"), "",
                         Verdict::Information, ""});
        return;
    }
    CheckItem item;
    item.check = Tr("pressure angle");
    item.value = Tr("max %1 at %2, min %3 at %4",
                    {f.AngleText(g.maxPressure.value), f.AngleText(g.maxPressure.atDeg),
                     f.AngleText(g.minPressure.value), f.AngleText(g.minPressure.atDeg)});
    item.limit = "±" + f.AngleText(run.cam->maxPressureAngle);
    item.verdict = g.pressurePass ? Verdict::Pass : Verdict::Fail;
    if (!g.pressurePass) {
        const double worst = std::max(g.maxPressure.value, -g.minPressure.value);
        item.reason = Tr("the follower is pushed %1 beyond the limit: it would bind in its guide",
                         {f.AngleText(worst - run.cam->maxPressureAngle)});
    }
    items.push_back(item);
}

void CurvatureItems(const Run& run, const FigureStyle& f, std::vector<CheckItem>& items) {
    const engine::GridChecks& g = *run.grid;
    const engine::CamInput& cam = *run.cam;
    if (IsFlat(run)) {
        CheckItem rho;
        rho.check = Tr("contour radius of curvature");
        rho.value = Tr("smallest %1 at %2", {f.LengthText(g.contourRadius.value),
                                             f.AngleText(g.contourRadius.atDeg)});
        rho.limit = cam.minRadiusOfCurvature > 0 ? "≥ " + f.LengthText(cam.minRadiusOfCurvature)
                                                  : "> " + f.LengthText(0);
        rho.verdict = g.curvaturePass ? Verdict::Pass : Verdict::Fail;
        if (!g.curvaturePass) {
            rho.reason = g.contourRadius.value <= 0
                             ? Tr("the contour has a cusp or a loop at %1: the face cannot follow it",
                                  {f.AngleText(g.contourRadius.atDeg)})
                             : Tr("%1 below the smallest radius allowed",
                                  {f.LengthText(cam.minRadiusOfCurvature - g.contourRadius.value)});
        }
        items.push_back(rho);
        CheckItem face;
        face.check = Tr("face width");
        face.value = Tr("%1 needed (contact from %2 to %3)",
                        {f.LengthText(g.faceWidthNeeded), f.LengthText(g.minContactOffset),
                         f.LengthText(g.maxContactOffset)});
        if (cam.follower.faceWidth) {
            face.limit = Tr("face %1", {f.LengthText(*cam.follower.faceWidth)});
            face.verdict = g.faceWidthPass ? Verdict::Pass : Verdict::Fail;
            if (!g.faceWidthPass) {
                face.reason = Tr("the face is %1 too narrow",
                                 {f.LengthText(g.faceWidthNeeded - *cam.follower.faceWidth)});
            }
        }
        items.push_back(face);
        return;
    }
    CheckItem undercut;
    undercut.check = Tr("undercut");
    if (g.convexPitchRadius.found) {
        undercut.value = Tr("smallest convex pitch radius %1 at %2",
                            {f.LengthText(g.convexPitchRadius.value), f.AngleText(g.convexPitchRadius.atDeg)});
    } else {
        undercut.value = Tr("the pitch curve has no convex part");
    }
    undercut.limit = Tr("roller radius %1", {f.LengthText(cam.follower.rollerRadius)});
    undercut.verdict = g.undercutPass ? Verdict::Pass : Verdict::Fail;
    if (!g.undercutPass) {
        undercut.reason = Tr("the roller is larger than the bend of its path: the contour would be undercut");
    }
    items.push_back(undercut);
    CheckItem concave;
    concave.check = Tr("concave contour");
    if (g.concaveContourRadius.found) {
        concave.value = Tr("smallest concave radius %1 at %2",
                           {f.LengthText(g.concaveContourRadius.value), f.AngleText(g.concaveContourRadius.atDeg)});
        concave.reason = Tr("a milling cutter must be smaller");
    } else {
        concave.value = Tr("no concave part");
    }
    items.push_back(concave);
}

void WindowItems(const Run& run, const FigureStyle& f, std::vector<CheckItem>& items) {
    if (!run.window) return;
    const WindowRun& w = *run.window;
    CheckItem roller;
    roller.check = Tr("contour (window construction)");
    roller.value = w.status.completed
                       ? Tr("complete")
                       : Tr("stopped at %1 (%2)", {f.AngleText(static_cast<double>(w.status.stoppedAt) / w.S()),
                                                    Message(msg::RollerTooLarge)});
    items.push_back(roller);
    CheckItem method;
    method.check = Tr("pressure angle (window method)");
    if (w.pressureError) {
        method.value = Tr("not computed (%1)", {*w.pressureError});
    } else {
        const CamDesign& d = *w.design;
        const WindowExtremes e = FindWindowExtremes(d);
        method.value = Tr("max %1 at %2, min %3 at %4",
                          {f.AngleText(d.MaxPressureAngle), f.AngleText(static_cast<double>(e.maxAt) / w.S()),
                           f.AngleText(d.MinPressureAngle), f.AngleText(static_cast<double>(e.minAt) / w.S())});
    }
    items.push_back(method);
}

void JoinItems(const Run& run, const FigureStyle& f, std::vector<CheckItem>& items) {
    const LiftUnits u = UnitsOf(run);
    for (const engine::Join& join : run.cam->motion.Joins()) {
        if (join.accelerationJump == 0 && join.velocityJump == 0) continue;
        CheckItem item;
        item.check = Tr("join at %1", {f.AngleText(join.atDeg)});
        const std::string velocity = f.FigureText(join.velocityJump * u.perRadianScale) + " " + u.perRadian[0];
        const std::string acceleration =
            f.FigureText(join.accelerationJump * u.perRadianScale) + " " + u.perRadian[1];
        item.value = join.velocityJump == 0 ? Tr("acceleration jumps by %1", {acceleration})
                     : join.accelerationJump == 0
                         ? Tr("velocity jumps by %1", {velocity})
                         : Tr("velocity jumps by %1, acceleration by %2", {velocity, acceleration});
        item.verdict = Verdict::Warning;
        item.reason = Tr("a jump in acceleration is a shock to the follower train");
        items.push_back(item);
    }
}

void KinematicsItem(const Run& run, const FigureStyle& f, std::vector<CheckItem>& items) {
    const Peaks p = FindPeaks(run);
    const LiftUnits u = UnitsOf(run);
    CheckItem item;
    if (const auto w = run.Omega()) {
        item.check = Tr("kinematics at %1 rpm", {Number(*run.input.rpm)});
        item.value = Tr("peak velocity %1 %2, acceleration %3 %4, jerk %5 %6",
                        {f.FigureText(p.velocity), u.perSecond[0], f.FigureText(p.acceleration),
                         u.perSecond[1], f.FigureText(p.jerk), u.perSecond[2]});
    } else {
        item.check = Tr("kinematics per radian");
        item.value = Tr("peak velocity %1 %2, acceleration %3 %4, jerk %5 %6",
                        {f.FigureText(p.velocity), u.perRadian[0], f.FigureText(p.acceleration),
                         u.perRadian[1], f.FigureText(p.jerk), u.perRadian[2]});
    }
    items.push_back(item);
}

std::string Newtons(const FigureStyle& f, double value) { return f.FigureText(value) + " N"; }

void DynamicsItems(const Run& run, const FigureStyle& f, std::vector<CheckItem>& items) {
    if (!run.dynamics) return;
    const engine::DynamicsChecks& d = run.dynamics->checks;
    CheckItem force;
    force.check = Tr("contact force");
    force.value = Tr("smallest %1 at %2", {Newtons(f, d.minContactForce.value), f.AngleText(d.minContactForce.atDeg)});
    force.limit = "> 0 N";
    force.verdict = d.jump ? Verdict::Fail : Verdict::Pass;
    if (d.jump) force.reason = Tr("the follower leaves the cam: the spring cannot hold it at this speed");
    items.push_back(force);
    CheckItem speed;
    speed.check = Tr("jump-free speed");
    speed.value = d.jumpFreeRpm.value ? Tr("%1 rpm", {f.FigureText(*d.jumpFreeRpm.value)}) : d.jumpFreeRpm.reason;
    items.push_back(speed);
    CheckItem spring;
    spring.check = Tr("smallest spring rate");
    spring.value = d.minSpringRate.value
                       ? Tr("%1 N/mm with the preload %2", {f.FigureText(*d.minSpringRate.value),
                                                            Newtons(f, run.loads->preload)})
                       : d.minSpringRate.reason;
    items.push_back(spring);
    CheckItem torque;
    torque.check = Tr("camshaft torque");
    torque.value = Tr("driving up to %1 N·m at %2, braking down to %3 N·m at %4",
                      {f.FigureText(d.peakTorque.value), f.AngleText(d.peakTorque.atDeg),
                       f.FigureText(d.minTorque.value), f.AngleText(d.minTorque.atDeg)});
    items.push_back(torque);
    if (run.loads->contact) {
        CheckItem stress;
        stress.check = Tr("contact stress");
        stress.value = d.maxContactStress.found
                           ? Tr("largest %1 MPa at %2", {f.FigureText(d.maxContactStress.value),
                                                         f.AngleText(d.maxContactStress.atDeg)})
                           : Tr("not defined anywhere the follower touches");
        stress.reason = d.stressUndefined;
        items.push_back(stress);
    }
}

void BoreItem(const Run& run, const FigureStyle& f, std::vector<CheckItem>& items) {
    const engine::GridChecks& g = *run.grid;
    if (!run.cam->bore || !g.innermostContour.found) return;
    const engine::Bore& bore = *run.cam->bore;
    CheckItem item;
    item.check = Tr("bore");
    item.value = Tr("wall %1 from the bore Ø%2 to the contour at %3",
                    {f.LengthText(g.boreWall), f.LengthText(bore.diameter),
                     f.AngleText(g.innermostContour.atDeg)});
    item.limit = "≥ " + f.LengthText(bore.minWall);
    item.verdict = g.borePass ? Verdict::Pass : Verdict::Fail;
    if (!g.borePass) {
        item.reason = g.boreWall > 0 ? Tr("the wall around the bore is %1 thinner than allowed",
                                          {f.LengthText(bore.minWall - g.boreWall)})
                                     : Tr("the bore reaches through the contour");
    }
    items.push_back(item);
}

// The checks that sizing sizes for (the others do not depend on the base radius, or are
// not searched for).
std::string SizedChecks(const Run& run) {
    return IsFlat(run) ? Tr("the radius of curvature") : Tr("the pressure angle and the undercut");
}

void SizingItem(const Run& run, const FigureStyle& f, std::vector<CheckItem>& items) {
    if (!run.options.sizeBase) return;
    CheckItem item;
    item.check = Tr("sizing");
    if (!run.sizing) {
        item.value = Tr("cannot size: %1", {run.notADesign});
        items.push_back(item);
        return;
    }
    const engine::Sizing& s = *run.sizing;
    const std::string checks = SizedChecks(run);
    if (!s.found && !(s.searchedUpTo > run.cam->minBaseRadius)) {
        item.value = Tr("no base radius passes %1: the motion is too steep for a base radius of any size a machine can have",
                        {checks});
        items.push_back(item);
        return;
    }
    if (!s.found) {
        item.value = Tr("no base radius from %1 up to %2 passes %3",
                        {f.LengthText(run.cam->minBaseRadius), f.LengthText(s.searchedUpTo), checks});
        items.push_back(item);
        return;
    }
    item.value = Tr("smallest base radius for %1: %2", {checks, f.LengthText(s.baseRadius)});
    if (s.isMinimum) {
        item.value = Then(item.value, Tr("that is the minimum base radius itself (%1)",
                                         {f.LengthText(run.cam->minBaseRadius)}));
    }
    if (s.passesAsGiven) {
        item.value = Then(item.value, Tr("the given radius %1 passes them already",
                                         {f.LengthText(run.cam->baseRadius)}));
    }
    if (run.sizedRollerTest) {
        item.value = Then(item.value,
                          run.sizedRollerTest->completed
                              ? Tr("the window construction completes there")
                              : Tr("the window construction stops there at %1",
                                   {f.AngleText(static_cast<double>(run.sizedRollerTest->stoppedAt) / run.S())}));
    }
    items.push_back(item);
}

}  // namespace

std::string FigureStyle::AngleText(double degrees) const {
    return (rounded ? Rounded(degrees, 1) : Figure(degrees)) + Degree;
}

std::string FigureStyle::LengthText(double mm) const {
    return (rounded ? Rounded(mm, 2) : Figure(mm)) + " mm";
}

std::string FigureStyle::FigureText(double value) const {
    return rounded ? FormatGeneral(value, 4, 15, '.') : Figure(value);
}

std::string VerdictText(Verdict verdict) {
    switch (verdict) {
        case Verdict::Pass: return Tr("ok");
        case Verdict::Fail: return Tr("FAIL");
        case Verdict::Warning: return Tr("warning");
        case Verdict::Information: return Tr("information");
    }
    return {};
}

std::vector<CheckItem> CheckItems(const Run& run, const FigureStyle& style) {
    std::vector<CheckItem> items;
    if (!run.atGivenRadius.empty()) {
        items.push_back({Tr("design"),
                         Tr("no cam at the base radius %1", {style.LengthText(run.cam->baseRadius)}),
                         "", Verdict::Fail, run.atGivenRadius});
        SizingItem(run, style, items);
        return items;
    }
    if (!run.notADesign.empty() || !run.grid) {
        items.push_back({Tr("design"), Tr("not a cam"), "", Verdict::Fail, run.notADesign});
        SizingItem(run, style, items);
        return items;
    }
    PressureItems(run, style, items);
    CurvatureItems(run, style, items);
    BoreItem(run, style, items);
    WindowItems(run, style, items);
    JoinItems(run, style, items);
    KinematicsItem(run, style, items);
    DynamicsItems(run, style, items);
    SizingItem(run, style, items);
    return items;
}

std::vector<std::string> DesignLines(const Run& run, const FigureStyle& f) {
    std::vector<std::string> lines;
    lines.push_back(Tr("design: %1", {FileNameText(run.input.path)}));
    std::string law = run.input.isDocument ? run.input.document->cam.law : LawCaptions[run.input.law];
    std::string line = Tr("law: %1, resolution: %2 (%3 samples)",
                          {law, Number(1.0 / run.S()) + Degree, std::to_string(run.N())});
    if (run.input.rpm) line = Tr("%1, speed %2 rpm", {line, Number(*run.input.rpm)});
    lines.push_back(line);
    for (const std::string& note : run.input.overrides) lines.push_back(Tr("note: %1", {note}));
    if (run.input.isDocument) {
        const DesignDocument& doc = *run.input.document;
        const std::string& kind = doc.follower.kind;
        if (kind == "flat") {
            lines.push_back(Tr("base radius %1, flat-faced follower", {f.LengthText(doc.cam.baseRadius)}));
        } else if (kind == "swing-roller") {
            lines.push_back(Tr("base radius %1, swinging roller arm: roller radius %2, arm %3, pivot %4 from the cam centre",
                               {f.LengthText(doc.cam.baseRadius), f.LengthText(*doc.follower.rollerRadius),
                                f.LengthText(*doc.follower.armLength), f.LengthText(*doc.follower.pivotDistance)}));
        } else {
            lines.push_back(Tr("base radius %1, roller radius %2, offset %3",
                               {f.LengthText(doc.cam.baseRadius), f.LengthText(doc.follower.rollerRadius.value_or(0)),
                                f.LengthText(doc.follower.offset.value_or(0))}));
        }
        if (run.cam) {
            const LiftUnits u = UnitsOf(run);
            const auto& segments = run.cam->motion.Segments();
            for (std::size_t k = 0; k < segments.size(); ++k) {
                const engine::Segment& s = segments[k];
                const std::string span = f.AngleText(s.startDeg) + "–" + f.AngleText(s.endDeg);
                // A swinging arm's lift is an angle: "10°", a length "10 mm".
                const std::string unit = std::string(u.lift) == Degree ? u.lift : std::string(" ") + u.lift;
                auto lift = [&](double value) { return Number(value).append(unit); };
                if (s.kind == engine::SegmentKind::Dwell) {
                    lines.push_back(Tr("  %1 dwell at %2", {span, lift(s.startLift)}));
                } else {
                    std::string change(s.endLift > s.startLift ? "+" : "");
                    change.append(lift(s.endLift - s.startLift));
                    lines.push_back(s.kind == engine::SegmentKind::Rise
                                        ? Tr("  %1 rise %2, %3", {span, change, SegmentLaw(run, k)})
                                        : Tr("  %1 fall %2, %3", {span, change, SegmentLaw(run, k)}));
                }
            }
        }
    } else {
        const CamDesign& d = *run.window->design;
        lines.push_back(Tr("base radius %1, roller radius %2, largest lift %3",
                           {f.LengthText(d.BaseRadius), f.LengthText(d.RollerRadius),
                            f.LengthText(d.MaxDisplacement)}));
    }
    return lines;
}

std::string ResultLine(const Run& run) {
    return run.Passes() ? Tr("result: all checks pass") : Tr("result: a check fails");
}

void PrintCheck(std::ostream& out, const Run& run) {
    const FigureStyle precise;
    for (const std::string& line : DesignLines(run, precise)) out << line << "\n";
    for (const CheckItem& item : CheckItems(run, precise)) {
        std::string line = item.check + ": " + item.value;
        if (!item.limit.empty()) line = Tr("%1, limit %2", {line, item.limit});
        out << line << "  " << VerdictText(item.verdict);
        if (!item.reason.empty()) out << ": " << item.reason;
        out << "\n";
    }
    out << ResultLine(run) << "\n";
}

}  // namespace platecam
