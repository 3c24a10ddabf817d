#include "batch/report_input.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <tuple>

#include "batch/check_text.h"
#include "batch/design_chart_page.h"
#include "batch/texts.h"
#include "batch/title_block.h"
#include "engine/exact.h"
#include "base/number_text.h"
#include "base/language.h"

namespace platecam {

namespace {

const char* const Degree = "°";

std::string Today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%Y-%m-%d", &local);
    return text;
}

ReportVerdict KindOf(Verdict verdict) {
    switch (verdict) {
        case Verdict::Pass:
            return ReportVerdict::Pass;
        case Verdict::Fail:
            return ReportVerdict::Fail;
        case Verdict::Warning:
            return ReportVerdict::Warning;
        case Verdict::Information:
            break;
    }
    return ReportVerdict::Information;
}

bool IsKind(const Run& run, engine::FollowerKind kind) {
    return run.cam && run.cam->follower.kind == kind;
}

// The factor from the engine's lift units per radian^(order) to the units the report
// shows: per second when the speed is known.
double DerivativeScale(const Run& run, const LiftUnits& u, int order) {
    double factor = u.perRadianScale;
    if (const auto w = run.Omega()) factor *= u.perSecondScale[order - 1] * std::pow(*w, order);
    return factor;
}

const char* DerivativeUnit(const Run& run, const LiftUnits& u, int order) {
    return run.Omega() ? u.perSecond[order - 1] : u.perRadian[order - 1];
}

// A drawing's title block: every field shown (an empty one is a box to sign in), the date
// today's when none is given, then the figure's scale.
std::vector<ReportField> TitleBlockFields(const Run& run, const std::string& name,
                                          const std::string& scale) {
    const auto given = TitleBlock(run, false);  // English labels, the message ids below
    std::vector<ReportField> fields{{Tr("design name"), name}};
    for (const char* label :
         {"part number", "material", "designer", "checker", "revision", "date"}) {
        std::string value = std::string(label) == "date" ? Today() : "";
        for (const auto& [l, v] : given) {
            if (l == label) value = v;
        }
        fields.push_back({Tr(label), value});
    }
    fields.push_back({Tr("scale"), scale});
    return fields;
}

}  // namespace

std::vector<ReportField> DesignFields(const Run& run, const FigureStyle& f) {
    std::vector<ReportField> rows;
    const auto slash = run.input.path.rfind('/');
    rows.push_back({Tr("file"), FileNameText(slash == std::string::npos
                                                 ? run.input.path
                                                 : run.input.path.substr(slash + 1))});
    if (!run.input.document) return rows;
    const DesignDocument& doc = *run.input.document;
    const FollowerSection& follower = doc.follower;
    const LiftUnits u = UnitsOf(run);
    using engine::FollowerKind;
    if (follower.kind == FollowerKind::Flat) {
        rows.push_back({Tr("follower"), Tr("flat face")});
        rows.push_back({Tr("base radius"), f.LengthText(doc.cam.baseRadius)});
        if (follower.faceWidth)
            rows.push_back({Tr("face width"), f.LengthText(*follower.faceWidth)});
    } else if (follower.kind == FollowerKind::SwingRoller) {
        rows.push_back({Tr("follower"), Tr("swinging roller arm")});
        rows.push_back({Tr("base radius"), f.LengthText(doc.cam.baseRadius)});
        rows.push_back({Tr("roller radius"), f.LengthText(follower.rollerRadius.value_or(0))});
        rows.push_back({Tr("arm length"), f.LengthText(follower.armLength.value_or(0))});
        rows.push_back({Tr("pivot distance"), f.LengthText(follower.pivotDistance.value_or(0))});
        if (follower.clearance) rows.push_back({Tr("clearance of pivot and arm"), f.LengthText(*follower.clearance)});
        if (run.cam) {
            const engine::Point pivot = engine::SwingPivot(*run.cam);
            rows.push_back({Tr("pivot position"), "(" + f.FigureText(pivot.x) + ", " + f.FigureText(pivot.y) + ") mm"});
        }
    } else {
        const double offset = follower.offset.value_or(0);
        rows.push_back(
            {Tr("follower"), offset == 0 ? Tr("in-line roller") : Tr("roller with offset")});
        rows.push_back({Tr("base radius"), f.LengthText(doc.cam.baseRadius)});
        rows.push_back({Tr("roller radius"), f.LengthText(follower.rollerRadius.value_or(0))});
        if (offset != 0) rows.push_back({Tr("offset"), f.LengthText(offset)});
    }
    rows.push_back({Tr("motion law"), LawText(run, doc.cam.law)});
    if (run.cam) {
        const double lift = run.cam->motion.LargestLift();
        rows.push_back({Tr("largest lift"),
                        u.lift == std::string(Degree) ? f.AngleText(lift) : f.LengthText(lift)});
    }
    rows.push_back({Tr("resolution"), Tr("%1 (%2 samples)", {Number(1.0 / run.S()) + Degree,
                                                             std::to_string(run.N())})});
    rows.push_back({Tr("speed"), run.input.rpm ? f.FigureText(*run.input.rpm) + " rpm"
                                               : Tr("not given: kinematics per radian")});
    if (follower.kind != FollowerKind::Flat) {
        rows.push_back(
            {Tr("pressure-angle limit"), "±" + f.AngleText(doc.cam.maxPressureAngle.value_or(30))});
    }
    if (doc.cam.minBaseRadius.value_or(0) > 0) {
        rows.push_back({Tr("smallest base radius allowed"), f.LengthText(*doc.cam.minBaseRadius)});
    }
    if (follower.kind == FollowerKind::Flat && doc.cam.minRadiusOfCurvature.value_or(0) > 0) {
        rows.push_back({Tr("smallest radius of curvature allowed"),
                        f.LengthText(*doc.cam.minRadiusOfCurvature)});
    }
    if (run.loads) {
        const engine::DynamicsInput& d = *run.loads;
        if (follower.kind == FollowerKind::SwingRoller) {
            rows.push_back({Tr("moment of inertia about the pivot"), f.FigureText(d.inertia) + " kg·m²"});
            rows.push_back({Tr("spring torque rate"), f.FigureText(d.springTorqueRate) + " N·m/rad"});
            rows.push_back({Tr("preload torque"), f.FigureText(d.preloadTorque) + " N·m"});
            if (d.damping != 0) rows.push_back({Tr("damping"), f.FigureText(d.damping) + " N·m·s/rad"});
            if (d.loadTorque != 0) rows.push_back({Tr("external load torque"), f.FigureText(d.loadTorque) + " N·m"});
        } else {
            rows.push_back({Tr("moving mass"), f.FigureText(d.mass) + " kg"});
            rows.push_back({Tr("spring rate"), f.FigureText(d.springRate) + " N/mm"});
            rows.push_back({Tr("preload"), f.FigureText(d.preload) + " N"});
            if (d.damping != 0) rows.push_back({Tr("damping"), f.FigureText(d.damping) + " N·s/m"});
            if (d.load != 0) rows.push_back({Tr("external load"), f.FigureText(d.load) + " N"});
        }
        if (d.contact) {
            rows.push_back({Tr("contact width"), f.LengthText(d.contact->width)});
            rows.push_back(
                {Tr("elastic modulus"), f.FigureText(d.contact->elasticModulus) + " MPa"});
            rows.push_back({Tr("Poisson's ratio"), f.FigureText(d.contact->poissonRatio)});
            if (doc.contact && doc.contact->allowableStress) {
                rows.push_back({Tr("allowable contact stress"), f.FigureText(*doc.contact->allowableStress) + " MPa"});
            }
        }
    }
    return rows;
}

namespace {

// One row per segment: where it lies, what it does, and its largest magnitudes on the
// check grid.
ReportTable SegmentTable(const Run& run, const FigureStyle& f) {
    ReportTable table;
    const LiftUnits u = UnitsOf(run);
    table.header = {"#",
                    Tr("start"),
                    Tr("end"),
                    Tr("span"),
                    Tr("kind"),
                    Tr("lift change [%1]", {u.lift}),
                    Tr("law"),
                    Tr("max |v| [%1]", {DerivativeUnit(run, u, 1)}),
                    Tr("max |a| [%1]", {DerivativeUnit(run, u, 2)}),
                    Tr("max |j| [%1]", {DerivativeUnit(run, u, 3)}),
                    Tr("max |pressure angle|")};
    table.rightAligned = {true, true, true, true, false, true, false, true, true, true, true};
    if (!run.cam || !run.grid) return table;
    const auto& segments = run.cam->motion.Segments();
    const bool angular = u.lift == std::string(Degree);
    for (std::size_t k = 0; k < segments.size() && k < run.grid->segments.size(); ++k) {
        const engine::Segment& s = segments[k];
        const engine::SegmentPeaks& peaks = run.grid->segments[k];
        const bool dwell = s.kind == engine::SegmentKind::Dwell;
        const double change = s.endLift - s.startLift;
        std::string changeText = angular ? f.AngleText(change) : f.LengthText(change);
        changeText.erase(changeText.rfind(angular ? Degree : " mm"));  // the unit is in the header
        if (change > 0) changeText.insert(0, "+");
        std::string law;
        if (!dwell) law = LawText(run, s.law);
        table.rows.push_back({std::to_string(k + 1), f.AngleText(s.startDeg), f.AngleText(s.endDeg),
                              f.AngleText(s.endDeg - s.startDeg),
                              dwell                                 ? Tr("dwell")
                              : s.kind == engine::SegmentKind::Rise ? Tr("rise")
                                                                    : Tr("fall"),
                              changeText, law,
                              f.FigureText(peaks.velocity * DerivativeScale(run, u, 1)),
                              f.FigureText(peaks.acceleration * DerivativeScale(run, u, 2)),
                              f.FigureText(peaks.jerk * DerivativeScale(run, u, 3)),
                              f.AngleText(peaks.pressureDeg)});
    }
    return table;
}

// What the figure must show, in the cam's frame: the cam's lines, with room around them
// for the arrow of the turn, and the follower's parts.
struct FigureExtent {
    double reach = 0;  // mm from the cam centre: the contour and the pitch curve
    struct Part {
        engine::Point centre;
        double radius;  // mm of the cam
        double margin;  // mm of paper
    };
    std::vector<Part> parts;
};

// The largest standard drawing scale (1, 2 or 5 times a power of ten) at which the
// extent fits the figure, and the point of the cam's frame at the figure's centre.
std::pair<double, ReportPoint> DrawingScale(const FigureExtent& extent) {
    const double room = ReportFigureSide - 2;
    double f = 10;
    for (double decade = 10; decade > 1e-6; decade /= 10) {
        for (const double m : {1.0, 0.5, 0.2}) {
            f = decade * m;
            const double ring = extent.reach + 4 / f;  // the arrow's ring, 4 mm of paper out
            double x0 = -ring, x1 = ring, y0 = -ring, y1 = ring;
            for (const FigureExtent::Part& part : extent.parts) {
                const double r = part.radius + part.margin / f;
                x0 = std::min(x0, part.centre.x - r);
                x1 = std::max(x1, part.centre.x + r);
                y0 = std::min(y0, part.centre.y - r);
                y1 = std::max(y1, part.centre.y + r);
            }
            if ((x1 - x0) * f <= room && (y1 - y0) * f <= room)
                return {f, {(x0 + x1) / 2, (y0 + y1) / 2}};
        }
    }
    return {f, {0, 0}};
}

std::string ScaleText(double factor) {
    return factor >= 1 ? Number(factor) + ":1" : "1:" + Number(std::round(1 / factor));
}

// 1, 2 or 5 times a power of ten, near `length`.
double RoundLength(double length) {
    const double magnitude = std::pow(10, std::floor(std::log10(length)));
    const double normal = length / magnitude;
    return (normal < 1.5 ? 1 : normal < 3.5 ? 2 : normal < 7.5 ? 5 : 10) * magnitude;
}

ReportFigure Figure(const Run& run) {
    ReportFigure fig;
    if (!run.cam || run.samples.empty()) {
        fig.missing = Tr("no cam to draw: %1", {Shown(run.notACam)});
        fig.scaleText = Tr("scale %1", {"-"});
        return fig;
    }
    const engine::CamInput& cam = *run.cam;
    fig.baseRadius = cam.baseRadius;
    fig.rollerRadius = cam.follower.rollerRadius;
    fig.boreDiameter = BoreDiameter(run);
    const engine::Sample& first = run.samples.front();
    FigureExtent extent{cam.baseRadius, {}};
    double& reach = extent.reach;
    for (const engine::Sample& s : run.samples) {
        fig.contour.push_back({s.contact.x, s.contact.y});
        reach = std::max(reach, std::hypot(s.contact.x, s.contact.y));
        if (cam.follower.kind != engine::FollowerKind::Flat) {
            fig.pitch.push_back({s.pitch.x, s.pitch.y});
            reach = std::max(reach, std::hypot(s.pitch.x, s.pitch.y));
        }
    }
    switch (cam.follower.kind) {
        case engine::FollowerKind::Roller:
            fig.follower = ReportFollower::Roller;
            fig.rollerCentre = {first.pitch.x, first.pitch.y};
            extent.parts.push_back({first.pitch, cam.follower.rollerRadius, 0.5});
            break;
        case engine::FollowerKind::SwingRoller: {
            fig.follower = ReportFollower::SwingRoller;
            fig.rollerCentre = {first.pitch.x, first.pitch.y};
            const engine::Point pivot = engine::SwingPivot(cam);
            fig.pivot = {pivot.x, pivot.y};
            extent.parts.push_back({first.pitch, cam.follower.rollerRadius, 0.5});
            extent.parts.push_back({pivot, 0, 4});
            break;
        }
        case engine::FollowerKind::Flat: {
            fig.follower = ReportFollower::Flat;
            fig.faceY = first.pitch.y;
            // The face centred on the follower's axis, and at least as wide as the contact
            // wanders.
            const double half =
                std::max(cam.follower.faceWidth.value_or(0) / 2, 0.3 * cam.baseRadius);
            fig.faceFrom = std::min(-half, run.grid ? run.grid->minContactOffset : 0);
            fig.faceTo = std::max(half, run.grid ? run.grid->maxContactOffset : 0);
            extent.parts.push_back({{fig.faceFrom, fig.faceY}, 0, 1});
            extent.parts.push_back({{fig.faceTo, fig.faceY}, 0, 1});
            break;
        }
    }
    std::tie(fig.scale, fig.view) = DrawingScale(extent);
    fig.scaleText = Tr("scale %1", {ScaleText(fig.scale)});
    fig.scaleBar = RoundLength(ReportFigureSide / fig.scale / 5);
    fig.scaleBarText = Number(fig.scaleBar) + " mm";
    for (int a = 0; a < 360; a += 30)
        fig.angleMarks.push_back({static_cast<double>(a), std::to_string(a) + Degree});
    fig.rotationText = Tr("rotation");
    fig.legend = cam.follower.kind == engine::FollowerKind::Flat
                     ? Tr("contour solid, base circle thin with the cam angles, flat face at 0°; "
                          "the cam turns counter-clockwise")
                     : Tr("contour solid, pitch curve dashed, base circle thin with the cam "
                          "angles, follower at 0°; the cam turns counter-clockwise");
    if (fig.boreDiameter)
        fig.legend += " " + Tr("(bore Ø%1)", {FigureStyle{true}.LengthText(*fig.boreDiameter)});
    return fig;
}

// Contiguous runs of samples where `off` holds, as ranges of the cam angle half a sample
// wide on either side.
std::vector<std::pair<double, double>> Bands(const std::vector<double>& x,
                                             const std::vector<bool>& off, double step) {
    std::vector<std::pair<double, double>> bands;
    for (std::size_t i = 0; i < off.size();) {
        if (!off[i]) {
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j + 1 < off.size() && off[j + 1]) ++j;
        bands.push_back({std::max(0.0, x[i] - step / 2), std::min(360.0, x[j] + step / 2)});
        i = j + 1;
    }
    return bands;
}

ReportChartPage MotionCharts(const Run& run, const FigureStyle& f,
                             const std::vector<double>& boundaries) {
    ReportChartPage page;
    page.heading = Tr("Motion and geometry over one revolution: %1", {DesignName(run.input.path)});
    page.boundaries = boundaries;
    page.footnote = Tr("cam angle [°]; thin blue lines: segment boundaries");
    const LiftUnits u = UnitsOf(run);
    const bool flat = IsKind(run, engine::FollowerKind::Flat);
    ReportChart lift{Tr("displacement [%1]", {u.lift}), {}, {}, {}};
    ReportChart velocity{Tr("velocity [%1]", {DerivativeUnit(run, u, 1)}), {}, {}, {}};
    ReportChart acceleration{Tr("acceleration [%1]", {DerivativeUnit(run, u, 2)}), {}, {}, {}};
    ReportChart jerk{Tr("jerk [%1]", {DerivativeUnit(run, u, 3)}), {}, {}, {}};
    ReportChart pressure{Tr("pressure angle [°]"), {}, {}, {}};
    ReportChart curvature{flat ? Tr("radius of curvature of the contour [mm]")
                               : Tr("radius of curvature of the pitch curve [mm] (convex > 0)"),
                          {},
                          {},
                          {}};
    const double sv = DerivativeScale(run, u, 1), sa = DerivativeScale(run, u, 2),
                 sj = DerivativeScale(run, u, 3);
    double reach = run.cam ? run.cam->baseRadius : 0;
    for (const engine::Sample& s : run.samples) {
        reach = std::max(
            reach, std::hypot(s.pitch.x, s.pitch.y) + (flat ? 0 : run.cam->follower.rollerRadius));
    }
    for (const engine::Sample& s : run.samples) {
        page.x.push_back(s.angleDeg);
        lift.y.push_back(s.motion.s);
        velocity.y.push_back(s.motion.v * sv);
        acceleration.y.push_back(s.motion.a * sa);
        jerk.y.push_back(s.motion.j * sj);
        pressure.y.push_back(s.pressureAngleDeg);
        // Through a straight piece the radius passes infinity: the line leaves the chart
        // and comes back from the other side.
        const std::optional<double> r = flat ? s.contourRadius : s.pitchRadius;
        curvature.y.push_back(r && std::fabs(*r) <= 2 * reach ? r : std::nullopt);
    }
    if (run.cam && !flat) {
        const std::string limit = f.AngleText(run.cam->maxPressureAngle);
        pressure.lines = {{run.cam->maxPressureAngle, Tr("%1 limit", {"+" + limit}), true},
                          {-run.cam->maxPressureAngle, Tr("%1 limit", {"-" + limit}), true}};
        curvature.lines = {{run.cam->follower.rollerRadius,
                            Tr("roller radius %1", {f.LengthText(run.cam->follower.rollerRadius)}),
                            true}};
    } else if (run.cam) {
        curvature.lines = {{0, "0 mm", false}};
        if (run.cam->minRadiusOfCurvature > 0) {
            curvature.lines.push_back(
                {run.cam->minRadiusOfCurvature,
                 Tr("smallest radius allowed %1", {f.LengthText(run.cam->minRadiusOfCurvature)}),
                 true});
        }
    }
    page.charts = {lift, velocity, acceleration, jerk, pressure, curvature};
    return page;
}

ReportChartPage DynamicsCharts(const Run& run, const std::vector<double>& boundaries,
                               const std::vector<double>& x) {
    ReportChartPage page;
    page.heading = Tr("Loads at %1 rpm over one revolution: %2",
                      {FigureStyle{true}.FigureText(run.loads->rpm), DesignName(run.input.path)});
    page.boundaries = boundaries;
    page.x = x;
    page.footnote = Tr(
        "cam angle [°]; thin blue lines: segment boundaries; shaded: the follower leaves the cam");
    ReportChart force{Tr("contact force [N]"), {}, {{0, "0 N", false}}, {}};
    ReportChart torque{Tr("camshaft torque [N·m]"), {}, {{0, "0 N·m", false}}, {}};
    ReportChart stress{Tr("contact stress [MPa]"), {}, {}, {}};
    std::vector<bool> off;
    for (const engine::DynamicsSample& d : run.dynamics->samples) {
        force.y.push_back(d.contactForce);
        torque.y.push_back(d.torque);
        stress.y.push_back(d.stress);
        off.push_back(d.contactForce <= 0);
    }
    const double step = 1.0 / run.S();
    force.bands = Bands(x, off, step);
    stress.bands = torque.bands = force.bands;
    page.charts = {force, torque};
    if (run.loads->contact) page.charts.push_back(stress);
    // A follower that is not rigid: how far its mass is from the law; with a compensated
    // contour the law's own contour first, for what the correction removes.
    auto deviation = [&](const engine::VibrationResult& v, std::string title) {
        ReportChart chart{std::move(title), {}, {{0, "0 mm", false}}, {}};
        std::vector<bool> leaves;
        for (const engine::VibrationSample& sample : v.samples) {
            chart.y.push_back(sample.deviation);
            leaves.push_back(sample.contactForce <= 0);
        }
        chart.bands = Bands(x, leaves, step);
        return chart;
    };
    if (run.vibrationUncompensated) {
        page.charts.push_back(deviation(*run.vibrationUncompensated, Tr("follower deviation, the law's contour [mm]")));
    }
    if (run.vibration) {
        page.charts.push_back(deviation(*run.vibration, run.compensated
                                                            ? Tr("follower deviation, compensated contour [mm]")
                                                            : Tr("follower deviation [mm]")));
        // The compensated deviation is nothing but rounding: drawn on the law's scale, with
        // the law's largest as a line, it shows as what it is.
        if (run.vibrationUncompensated) {
            const engine::GridExtreme& law = run.vibrationUncompensated->checks.maxDeviation;
            page.charts.back().lines.push_back(
                {law.value, Tr("the law's contour: %1", {FigureStyle{true}.LengthText(law.value)}), false});
        }
    }
    return page;
}

// The sweep of speeds: the largest residual vibration and the train's smallest contact
// force at each, the speeds where the follower leaves the cam shaded.
ReportSpeedPage SpeedCharts(const Run& run) {
    ReportSpeedPage page;
    page.heading = Tr("Vibration against the speed: %1", {DesignName(run.input.path)});
    page.footnote = Tr("cam speed [rpm]; shaded: the follower leaves the cam; a gap: the train without "
                       "damping resonates there and has no steady state");
    ReportChart residual{Tr("largest residual vibration [mm]"), {}, {{0, "0 mm", false}}, {}};
    ReportChart force{Tr("smallest contact force of the follower train [N]"), {}, {{0, "0 N", false}}, {}};
    const double half = run.options.rpmSweep ? run.options.rpmSweep->step / 2 : 0;
    for (const engine::SpeedPoint& p : run.sweep) {
        page.rpm.push_back(p.rpm);
        residual.y.push_back(p.residual);
        force.y.push_back(p.minContactForce);
        if (!p.minContactForce || *p.minContactForce > 0) continue;
        const double from = std::max(run.sweep.front().rpm, p.rpm - half),
                     to = std::min(run.sweep.back().rpm, p.rpm + half);
        if (!force.bands.empty() && force.bands.back().second >= from) {
            force.bands.back().second = to;
        } else {
            force.bands.push_back({from, to});
        }
    }
    residual.bands = force.bands;
    page.charts = {residual, force};
    return page;
}

// The report speaks of the motion in one system of units: at a given speed the segment
// table and the charts are per second, and so are the jumps at the joins the check lines
// give per radian.
void JoinsPerSecond(const Run& run, const FigureStyle& f, std::vector<CheckLine>& lines) {
    const auto w = run.Omega();
    if (!w || !run.cam) return;
    const LiftUnits u = UnitsOf(run);
    for (const engine::Join& join : run.cam->motion.Joins()) {
        const std::string check = Tr("join at %1", {f.AngleText(join.atDeg)});
        for (CheckLine& line : lines) {
            if (line.check != check) continue;
            const std::string velocity =
                f.FigureText(join.velocityJump * DerivativeScale(run, u, 1)) + " " + u.perSecond[0];
            const std::string acceleration =
                f.FigureText(join.accelerationJump * DerivativeScale(run, u, 2)) + " " + u.perSecond[1];
            line.value = join.velocityJump == 0 ? Tr("acceleration jumps by %1", {acceleration})
                         : join.accelerationJump == 0
                             ? Tr("velocity jumps by %1", {velocity})
                             : Tr("velocity jumps by %1, acceleration by %2", {velocity, acceleration});
        }
    }
}

}  // namespace

// The contact point at every step, exact from the laws (not from the samples), in the
// drawing's frame, to four decimals: a tenth of a micrometre, finer than any measurement.
void CoordinateTable(const Run& run, ReportInput& r) {
    const double step = run.options.tableStep.value_or(DefaultTableStep);
    r.coordinatesHeading = Tr("Coordinates of the contour every %1", {FormatNumber(step) + Degree});
    r.coordinates.header = {Tr("cam angle [°]"), Tr("radius [mm]"), Tr("x [mm]"), Tr("y [mm]")};
    r.coordinates.rightAligned = {true, true, true, true};
    r.coordinatesNote =
        Tr("The point where the follower touches the contour when the cam has turned by the cam "
           "angle; radius: its distance from the cam centre. x to the right, y up, in the frame "
           "of the drawing (the cam at 0°, 0° at the top, angles clockwise).");
    if (!run.cam) return;
    const engine::ExactCam exact(*run.cam);
    const auto count = static_cast<long>(std::ceil(360 / step - 1e-9));
    for (long k = 0; k < count; ++k) {
        const double angle = static_cast<double>(k) * step;
        const engine::ExactPoint p = exact.At(angle);
        r.coordinates.rows.push_back({FormatFixed(angle, 2), FormatFixed(std::hypot(p.contact.x, p.contact.y), 4),
                                      FormatFixed(p.contact.x, 4), FormatFixed(p.contact.y, 4)});
    }
}

ReportInput MakeReportInput(const Run& run) {
    run.RequireSamples();
    const FigureStyle style{true};
    ReportInput r;
    r.designName = DesignName(run.input.path);
    r.title = Tr("Plate cam design report: %1", {r.designName});
    r.figure = Figure(run);
    r.titleBlock = TitleBlockFields(run, r.designName,
                                    r.figure.contour.empty() ? "" : ScaleText(r.figure.scale));
    r.pageNumber = Tr("page %1 of %2");
    r.continued = Tr("(continued)");

    r.designHeading = Tr("Design data");
    r.design = DesignFields(run, style);
    r.segmentsHeading = Tr("Segments of the motion");
    r.segments = SegmentTable(run, style);
    r.segmentsNote =
        Tr("v, a, j: the follower's velocity, acceleration and jerk; max: the largest magnitude "
           "within the segment on the 0.05° grid of the checks, both ends included.");
    r.checksHeading = Tr("Checks");
    r.checksHeader = {Tr("check"), Tr("value"), Tr("limit"), Tr("verdict")};
    std::vector<CheckLine> lines = CheckLines(run, style);
    JoinsPerSecond(run, style, lines);
    for (const CheckLine& item : lines) {
        r.checks.push_back({item.check, item.value, item.limit, VerdictText(item.verdict),
                            KindOf(item.verdict), item.reason});
    }
    r.result = ResultLine(run);
    r.resultKind = run.Passes() ? ReportVerdict::Pass : ReportVerdict::Fail;
    for (const Text& note : run.input.overrides) r.notes.push_back(Tr("note: %1", {note.Render()}));

    ChartPages charts = ChartsOf(run);
    r.motion = std::move(charts.motion);
    r.dynamics = std::move(charts.dynamics);
    if (run.options.rpmSweep && !run.sweep.empty()) r.speeds = SpeedCharts(run);
    r.designChart = DesignChartOf(run);
    CoordinateTable(run, r);
    return r;
}

ChartPages ChartsOf(const Run& run) {
    const FigureStyle style{true};
    std::vector<double> boundaries;
    if (run.cam) {
        for (const engine::Segment& s : run.cam->motion.Segments()) boundaries.push_back(s.endDeg);
        if (!boundaries.empty()) boundaries.pop_back();  // 360: the chart's edge
    }
    ChartPages pages;
    pages.motion = MotionCharts(run, style, boundaries);
    if (run.dynamics) pages.dynamics = DynamicsCharts(run, boundaries, pages.motion.x);
    return pages;
}

}  // namespace platecam
