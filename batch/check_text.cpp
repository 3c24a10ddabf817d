#include "batch/check_text.h"

#include <cmath>

#include "batch/dxf_output.h"
#include "batch/machining.h"
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
    return LawText(run, run.cam->motion.Segments()[k].law);
}

// The verdicts of the result as lines, in the order the checks are read.
class Lines {
public:
    Lines(const Run& run, const FigureStyle& f) : run_(run), f_(f) {}

    std::vector<CheckLine> All() {
        if (const CheckItem* none = run_.Check(CheckCode::NoCamAtGivenRadius)) {
            out_.push_back({Tr("design"), Tr("no cam at the base radius %1", {f_.LengthText(*none->value)}),
                            "", Verdict::Fail, Shown(none->reason), std::nullopt});
            Sizing();
            return out_;
        }
        if (const CheckItem* none = run_.Check(CheckCode::NotACam)) {
            out_.push_back({Tr("design"), Tr("not a cam"), "", Verdict::Fail, Shown(none->reason), std::nullopt});
            Sizing();
            return out_;
        }
        Pressure();
        Curvature();
        Bore();
        Clearance();
        Window();
        Joins();
        Kinematics();
        Loads();
        Vibration();
        Sizing();
        return out_;
    }

private:
    const CheckItem& Item(CheckCode code) const { return *run_.Check(code); }

    void Pressure() {
        if (run_.Check(CheckCode::FlatPressureAngle)) {
            out_.push_back({Tr("pressure angle"), Tr("0° by construction (flat face)"), "",
                            Verdict::Information, "", std::nullopt});
            return;
        }
        const CheckItem& high = Item(CheckCode::PressureAngleMax);
        const CheckItem& low = Item(CheckCode::PressureAngleMin);
        CheckLine line;
        line.check = Tr("pressure angle");
        line.value = Tr("max %1 at %2, min %3 at %4",
                        {f_.AngleText(*high.value), f_.AngleText(*high.atDeg),
                         f_.AngleText(*low.value), f_.AngleText(*low.atDeg)});
        line.limit = "±" + f_.AngleText(*high.limit);
        line.verdict = high.verdict;
        line.atDeg = *high.value >= -*low.value ? high.atDeg : low.atDeg;
        if (high.verdict == Verdict::Fail) {
            const double worst = std::max(*high.value, -*low.value);
            // What binds depends on the follower: a slide in its guide, an arm on its pivot.
            const bool arm = run_.cam && run_.cam->follower.kind == engine::FollowerKind::SwingRoller;
            line.reason = arm ? Tr("the arm is pushed %1 beyond the limit: the cam's force loads the pivot more "
                                   "than it turns the arm, which would stall or wear",
                                   {f_.AngleText(worst - *high.limit)})
                              : Tr("the follower is pushed %1 beyond the limit: it would bind in its guide",
                                   {f_.AngleText(worst - *high.limit)});
        }
        out_.push_back(line);
    }

    void Curvature() {
        const engine::GridChecks& g = *run_.grid;
        if (const CheckItem* rho = run_.Check(CheckCode::ContourCurvature)) {
            CheckLine line;
            line.check = Tr("contour radius of curvature");
            line.value = Tr("smallest %1 at %2", {f_.LengthText(*rho->value), f_.AngleText(*rho->atDeg)});
            line.limit = *rho->limit > 0 ? "≥ " + f_.LengthText(*rho->limit) : "> " + f_.LengthText(0);
            line.verdict = rho->verdict;
            line.atDeg = rho->atDeg;
            if (rho->verdict == Verdict::Fail) {
                line.reason = *rho->value <= 0
                                  ? Tr("the contour has a cusp or a loop at %1: the face cannot follow it",
                                       {f_.AngleText(*rho->atDeg)})
                                  : Tr("%1 below the smallest radius allowed",
                                       {f_.LengthText(*rho->limit - *rho->value)});
            }
            out_.push_back(line);
            const CheckItem& width = Item(CheckCode::FaceWidth);
            CheckLine face;
            face.check = Tr("face width");
            face.value = Tr("%1 needed (contact from %2 to %3)",
                            {f_.LengthText(*width.value), f_.LengthText(g.minContactOffset),
                             f_.LengthText(g.maxContactOffset)});
            if (width.limit) {
                face.limit = Tr("face %1", {f_.LengthText(*width.limit)});
                face.verdict = width.verdict;
                if (width.verdict == Verdict::Fail) {
                    face.reason = Tr("the face is %1 too narrow", {f_.LengthText(*width.value - *width.limit)});
                }
            }
            out_.push_back(face);
            return;
        }
        const CheckItem& undercut = Item(CheckCode::Undercut);
        CheckLine line;
        line.check = Tr("undercut");
        line.value = undercut.value ? Tr("smallest convex pitch radius %1 at %2",
                                         {f_.LengthText(*undercut.value), f_.AngleText(*undercut.atDeg)})
                                    : Tr("the pitch curve has no convex part");
        line.limit = Tr("roller radius %1", {f_.LengthText(*undercut.limit)});
        line.verdict = undercut.verdict;
        line.atDeg = undercut.atDeg;
        if (undercut.verdict == Verdict::Fail) {
            line.reason = Tr("the roller is larger than the bend of its path: the contour would be undercut");
        }
        out_.push_back(line);
        const CheckItem& concave = Item(CheckCode::ConcaveContour);
        CheckLine hollow;
        hollow.check = Tr("concave contour");
        if (concave.value) {
            hollow.value = Tr("smallest concave radius %1 at %2",
                              {f_.LengthText(*concave.value), f_.AngleText(*concave.atDeg)});
            hollow.reason = Tr("a milling cutter must be smaller");
            hollow.atDeg = concave.atDeg;
        } else {
            hollow.value = Tr("no concave part");
        }
        out_.push_back(hollow);
    }

    void Bore() {
        const CheckItem* bore = run_.Check(CheckCode::Bore);
        if (!bore) return;
        CheckLine line;
        line.check = Tr("bore");
        line.value = Tr("wall %1 from the bore Ø%2 to the contour at %3",
                        {f_.LengthText(*bore->value), f_.LengthText(run_.cam->bore->diameter),
                         f_.AngleText(*bore->atDeg)});
        line.limit = "≥ " + f_.LengthText(*bore->limit);
        line.verdict = bore->verdict;
        line.atDeg = bore->atDeg;
        if (bore->verdict == Verdict::Fail) {
            line.reason = *bore->value > 0 ? Tr("the wall around the bore is %1 thinner than allowed",
                                                {f_.LengthText(*bore->limit - *bore->value)})
                                           : Tr("the bore reaches through the contour");
        }
        out_.push_back(line);
    }

    void Clearance() {
        const CheckItem* item = run_.Check(CheckCode::ArmClearance);
        if (!item) return;
        const engine::ArmClearance& c = *run_.clearance;
        CheckLine line;
        line.check = Tr("arm clearance");
        line.value = Tr("pivot %1 from the cam centre, contour out to %2; arm %3 from the contour at %4",
                        {f_.LengthText(run_.cam->follower.pivotDistance), f_.LengthText(c.reach),
                         f_.LengthText(c.armRoom.value), f_.AngleText(c.armRoom.atDeg)});
        line.limit = "> " + f_.LengthText(*item->limit);
        line.verdict = item->verdict;
        line.atDeg = item->atDeg;
        if (!c.pivotPass) {
            line.reason = c.pivotRoom <= 0 ? Tr("the pivot lies within the cam's reach: the turning cam strikes it")
                                           : Tr("the pivot keeps only %1 from the contour's reach",
                                                {f_.LengthText(c.pivotRoom)});
        } else if (!c.armPass) {
            const std::string at = f_.AngleText(*item->atDeg);
            line.reason = c.armRoom.value == 0
                              ? Tr("the straight arm passes through the cam, first at %1", {at})
                              : Tr("the arm passes the contour nearer than the clearance, first at %1", {at});
        }
        out_.push_back(line);
    }

    void Window() {
        const CheckItem* contour = run_.Check(CheckCode::WindowContour);
        if (!contour) return;
        CheckLine construction;
        construction.check = Tr("contour (window construction)");
        construction.value = !contour->value ? Tr("complete")
                                             : Tr("stopped at %1 (%2)", {f_.AngleText(*contour->value),
                                                                         Message(msg::RollerTooLarge)});
        out_.push_back(construction);
        const CheckItem& high = Item(CheckCode::WindowPressureAngleMax);
        CheckLine method;
        method.check = Tr("pressure angle (window method)");
        if (!high.value) {
            // The chord method needs the whole contour, and a direction between every two
            // neighbouring points of it.
            method.value = !run_.window->status.completed
                               ? Tr("not computed: the window's construction stopped, and its chord method "
                                    "needs the whole contour")
                               : Tr("not computed: two neighbouring points of the window's contour coincide, "
                                    "where a chord has no direction");
        } else {
            const CheckItem& low = Item(CheckCode::WindowPressureAngleMin);
            method.value = Tr("max %1 at %2, min %3 at %4",
                              {f_.AngleText(*high.value), f_.AngleText(*high.atDeg),
                               f_.AngleText(*low.value), f_.AngleText(*low.atDeg)});
            method.atDeg = high.atDeg;
        }
        out_.push_back(method);
    }

    void Joins() {
        const LiftUnits u = UnitsOf(run_);
        for (const engine::Join& join : run_.cam->motion.Joins()) {
            CheckLine line;
            line.check = Tr("join at %1", {f_.AngleText(join.atDeg)});
            const std::string velocity = f_.FigureText(join.velocityJump * u.perRadianScale) + " " + u.perRadian[0];
            const std::string acceleration =
                f_.FigureText(join.accelerationJump * u.perRadianScale) + " " + u.perRadian[1];
            line.value = join.velocityJump == 0 ? Tr("acceleration jumps by %1", {acceleration})
                         : join.accelerationJump == 0
                             ? Tr("velocity jumps by %1", {velocity})
                             : Tr("velocity jumps by %1, acceleration by %2", {velocity, acceleration});
            line.verdict = Verdict::Warning;
            // A velocity that jumps is worse than an acceleration that does: an impact.
            line.reason = join.velocityJump != 0
                              ? Tr("a jump in velocity is an impact: the follower's acceleration is unbounded there")
                              : Tr("a jump in acceleration is a shock to the follower train");
            line.atDeg = join.atDeg;
            out_.push_back(line);
        }
    }

    void Kinematics() {
        const Peaks p = FindPeaks(run_);
        const LiftUnits u = UnitsOf(run_);
        CheckLine line;
        const bool perTime = run_.Omega().has_value();
        line.check = perTime ? Tr("kinematics at %1 rpm", {Number(*run_.input.rpm)}) : Tr("kinematics per radian");
        const char* const* units = perTime ? u.perSecond : u.perRadian;
        line.value = Tr("peak velocity %1 %2, acceleration %3 %4, jerk %5 %6",
                        {f_.FigureText(p.velocity), units[0], f_.FigureText(p.acceleration), units[1],
                         f_.FigureText(p.jerk), units[2]});
        out_.push_back(line);
    }

    std::string Newtons(double value) const { return f_.FigureText(value) + " N"; }

    void Loads() {
        const CheckItem* contact = run_.Check(CheckCode::ContactForce);
        if (!contact) return;
        CheckLine force;
        force.check = Tr("contact force");
        force.value = Tr("smallest %1 at %2", {Newtons(*contact->value), f_.AngleText(*contact->atDeg)});
        force.limit = "> 0 N";
        force.verdict = contact->verdict;
        force.atDeg = contact->atDeg;
        if (contact->verdict == Verdict::Fail) {
            force.reason = Tr("the follower leaves the cam: the spring cannot hold it at this speed");
        }
        out_.push_back(force);
        const CheckItem& speed = Item(CheckCode::JumpFreeSpeed);
        out_.push_back({Tr("jump-free speed"),
                        speed.value ? Tr("%1 rpm", {f_.FigureText(*speed.value)}) : speed.reason.Render(),
                        "", Verdict::Information, "", std::nullopt});
        const CheckItem& spring = Item(CheckCode::SpringRate);
        if (run_.cam->follower.kind == engine::FollowerKind::SwingRoller) {
            out_.push_back({Tr("smallest spring torque rate"),
                            spring.value ? Tr("%1 N·m/rad with the preload torque %2 N·m",
                                              {f_.FigureText(*spring.value), f_.FigureText(run_.loads->preloadTorque)})
                                         : spring.reason.Render(),
                            "", Verdict::Information, "", std::nullopt});
        } else {
            out_.push_back({Tr("smallest spring rate"),
                            spring.value ? Tr("%1 N/mm with the preload %2",
                                              {f_.FigureText(*spring.value), Newtons(run_.loads->preload)})
                                         : spring.reason.Render(),
                            "", Verdict::Information, "", std::nullopt});
        }
        const CheckItem& high = Item(CheckCode::TorqueMax);
        const CheckItem& low = Item(CheckCode::TorqueMin);
        out_.push_back({Tr("camshaft torque"),
                        Tr("driving up to %1 N·m at %2, braking down to %3 N·m at %4",
                           {f_.FigureText(*high.value), f_.AngleText(*high.atDeg),
                            f_.FigureText(*low.value), f_.AngleText(*low.atDeg)}),
                        "", Verdict::Information, "", high.atDeg});
        if (const CheckItem* stress = run_.Check(CheckCode::ContactStress)) {
            std::string reason = stress->reason.Render();
            if (stress->limit && stress->value && *stress->value > *stress->limit) {
                const std::string over = Tr("the contact stress exceeds the allowable by %1 MPa: the surface would pit",
                                            {f_.FigureText(*stress->value - *stress->limit)});
                reason = reason.empty() ? over : Then(over, reason);
            }
            out_.push_back({Tr("contact stress"),
                            stress->value ? Tr("largest %1 MPa at %2", {f_.FigureText(*stress->value),
                                                                       f_.AngleText(*stress->atDeg)})
                                          : Tr("not defined anywhere the follower touches"),
                            stress->limit ? "≤ " + f_.FigureText(*stress->limit) + " MPa" : "", stress->verdict,
                            reason, stress->atDeg});
        }
    }

    // A follower that is not rigid: what its train does at the speed, for information.
    void Vibration() {
        if (!run_.vibration) return;
        const engine::VibrationChecks& v = run_.vibration->checks;
        out_.push_back({Tr("natural frequency of the follower train"),
                        Tr("%1 Hz", {f_.FigureText(v.naturalFrequencyHz)}), "", Verdict::Information, "",
                        std::nullopt});
        const engine::ResidualVibration* largest = nullptr;
        for (const engine::ResidualVibration& r : v.residuals) {
            if (!largest || r.amplitude > largest->amplitude) largest = &r;
        }
        if (largest) {
            out_.push_back({Tr("residual vibration"),
                            Tr("largest %1 after the segment %2–%3 (%4 of its lift)",
                               {f_.LengthText(largest->amplitude), f_.AngleText(largest->startDeg),
                                f_.AngleText(largest->endDeg), f_.FigureText(100 * largest->ratio) + "%"}),
                            "", Verdict::Information, "", largest->endDeg});
        }
        CheckLine deviation{Tr("follower deviation"),
                            Tr("largest %1 at %2", {f_.LengthText(v.maxDeviation.value),
                                                     f_.AngleText(v.maxDeviation.atDeg)}),
                            "", Verdict::Information, "", v.maxDeviation.atDeg};
        if (run_.vibrationUncompensated) {
            const engine::GridExtreme& law = run_.vibrationUncompensated->checks.maxDeviation;
            deviation.reason = Tr("the contour is compensated for %1 rpm; the law's own contour would deviate by %2 at %3",
                                  {f_.FigureText(*run_.input.rpm), f_.LengthText(law.value), f_.AngleText(law.atDeg)});
        }
        if (v.separates) {
            const std::string leaves =
                Tr("the train's force falls to %1 at %2: the follower leaves the cam",
                   {f_.FigureText(v.minContactForce.value) + " N", f_.AngleText(v.minContactForce.atDeg)});
            deviation.reason = deviation.reason.empty() ? leaves : Then(deviation.reason, leaves);
        }
        out_.push_back(deviation);
    }

    // The checks that sizing sizes for (the others do not depend on the base radius, or
    // are not searched for).
    std::string SizedChecks() const {
        return IsFlat(run_) ? Tr("the radius of curvature") : Tr("the pressure angle and the undercut");
    }

    void Sizing() {
        if (!run_.options.sizeBase) return;
        CheckLine line;
        line.check = Tr("sizing");
        if (!run_.sizing) {
            line.value = Tr("cannot size: %1", {Shown(run_.notACam)});
            out_.push_back(line);
            return;
        }
        const engine::Sizing& s = *run_.sizing;
        const engine::CamInput& cam = *run_.cam;
        const std::string checks = SizedChecks();
        if (!s.found && !(s.searchedUpTo > cam.minBaseRadius)) {
            line.value = Tr("no base radius passes %1: the motion is too steep for a base radius of any size a machine can have",
                            {checks});
        } else if (!s.found) {
            line.value = Tr("no base radius from %1 up to %2 passes %3",
                            {f_.LengthText(cam.minBaseRadius), f_.LengthText(s.searchedUpTo), checks});
        } else {
            line.value = run_.sizedOffset
                             ? Tr("smallest base radius for %1 over the offsets that fit: %2 at an offset of %3",
                                  {checks, f_.LengthText(s.baseRadius), f_.LengthText(*run_.sizedOffset)})
                             : Tr("smallest base radius for %1: %2", {checks, f_.LengthText(s.baseRadius)});
            if (s.isMinimum) {
                line.value = Then(line.value, Tr("that is the minimum base radius itself (%1)",
                                                 {f_.LengthText(cam.minBaseRadius)}));
            }
            if (s.passesAsGiven) {
                line.value = Then(line.value, Tr("the given radius %1 passes them already",
                                                 {f_.LengthText(cam.baseRadius)}));
            }
            if (run_.sizedRollerTest) {
                line.value = Then(line.value,
                                  run_.sizedRollerTest->completed
                                      ? Tr("the window construction completes there")
                                      : Tr("the window construction stops there at %1",
                                           {f_.AngleText(static_cast<double>(run_.sizedRollerTest->stoppedAt) / run_.S())}));
            }
        }
        out_.push_back(line);
    }

    const Run& run_;
    const FigureStyle& f_;
    std::vector<CheckLine> out_;
};

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

std::vector<CheckLine> CheckLines(const Run& run, const FigureStyle& style) {
    return Lines(run, style).All();
}

std::vector<std::string> DesignLines(const Run& run, const FigureStyle& f) {
    std::vector<std::string> lines;
    lines.push_back(Tr("design: %1", {FileNameText(run.input.path)}));
    const bool document = run.input.origin == Origin::Document;
    const std::string law = LawText(run, document ? run.input.document->cam.law : engine::WindowLaw(run.input.law));
    std::string line = Tr("law: %1, resolution: %2 (%3 samples)",
                          {law, Number(1.0 / run.S()) + Degree, std::to_string(run.N())});
    if (run.input.rpm) line = Tr("%1, speed %2 rpm", {line, Number(*run.input.rpm)});
    lines.push_back(line);
    for (const Text& note : run.input.overrides) lines.push_back(Tr("note: %1", {note.Render()}));
    if (document) {
        const DesignDocument& doc = *run.input.document;
        const engine::FollowerKind kind = doc.follower.kind;
        if (kind == engine::FollowerKind::Flat) {
            lines.push_back(Tr("base radius %1, flat-faced follower", {f.LengthText(doc.cam.baseRadius)}));
        } else if (kind == engine::FollowerKind::SwingRoller) {
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
    for (const CheckLine& item : CheckLines(run, precise)) {
        std::string line = item.check + ": " + item.value;
        if (!item.limit.empty()) line = Tr("%1, limit %2", {line, item.limit});
        out << line << "  " << VerdictText(item.verdict);
        if (!item.reason.empty()) out << ": " << item.reason;
        out << "\n";
    }
    // The arcs of the drawings asked for: information.
    auto arcsLine = [&](const std::string& check, const FittedCurve& curve) {
        out << check << ": "
            << Tr("%1 arcs and lines, largest distance %2 from the exact curve, limit %3",
                  {std::to_string(curve.pieces.size()), precise.LengthText(curve.maxDeviation),
                   precise.LengthText(ToleranceOf(run))})
            << "  " << VerdictText(Verdict::Information) << "\n";
    };
    if (!run.options.drawing.empty() && DrawingRefusal(run).empty()) {
        arcsLine(Tr("arcs of the drawing"), DrawingArcsOf(run).contour);
    }
    if (!run.options.toolpath.empty() || !run.options.gcode.empty()) {
        if (const ToolPath& t = ToolPathOf(run); t.refusal.empty()) arcsLine(Tr("arcs of the tool path"), t.path);
    }
    out << ResultLine(run) << "\n";
}

}  // namespace platecam
