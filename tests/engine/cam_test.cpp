#include "engine/cam.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "base/language.h"
#include "base/errors.h"
#include "model/profile.h"
#include "tests/model/design_fixtures.h"

namespace platecam::engine {
namespace {

constexpr double Pi = 3.141592653589793, Rad = Pi / 180;
constexpr double Infinity = 1e300;

struct V {
    double x, y;
};
V operator-(V a, V b) { return {a.x - b.x, a.y - b.y}; }
V operator+(V a, V b) { return {a.x + b.x, a.y + b.y}; }
V operator*(double k, V a) { return {k * a.x, k * a.y}; }
double Cross(V a, V b) { return a.x * b.y - a.y * b.x; }
double Norm(V a) { return std::hypot(a.x, a.y); }
double Distance(Point p, V q) { return std::hypot(p.x - q.x, p.y - q.y); }
// A follower-frame point at cam angle `deg` in the cam's frame (turned clockwise).
V ToCam(V p, double deg) {
    const double c = std::cos(deg * Rad), s = std::sin(deg * Rad);
    return {p.x * c + p.y * s, p.y * c - p.x * s};
}
double SignedAngle(V from, V to) {
    return std::atan2(Cross(from, to), from.x * to.x + from.y * to.y) / Rad;
}

// The published problem: cycloid rise and fall of 25.4 mm over 90 degrees each.
Motion Anchor() { return Motion::FromRows({{0, 0}, {90, 0}, {180, 25.4}, {270, 25.4}, {360, 0}}); }

// Several laws rising and falling. The trapezoid's lift steps by its cut constant (3e-12
// of the rise) at 5/8, which no sample here meets: differences across it would see it.
std::vector<MotionRow> MixedRows(double scale = 1) {
    return {{0, 0},
            {50, 8 * scale, Law::ModifiedSine},
            {80, 8 * scale},
            {141, 18 * scale, Law::ModifiedTrapezoid},
            {170, 12 * scale, Law::SimpleHarmonic},
            {250, 0, Law::Polynomial4567},
            {360, 0}};
}
Motion Mixed() { return Motion::FromRows(MixedRows()); }

CamInput MakeCam(FollowerKind kind, Motion motion, double base, int S = 2) {
    CamInput cam;
    cam.follower.kind = kind;
    cam.baseRadius = base;
    cam.motion = std::move(motion);
    cam.stepsPerDegree = S;
    return cam;
}

// The independent route: a curve given point by point, its normal from a central
// difference and its curvature from the circle through three neighbouring points.
struct Curve {
    std::function<V(double)> at;  // cam frame, degrees
    V Tangent(double deg) const {
        const double h = 1e-4;
        return (1 / (2 * h * Rad)) * (at(deg + h) - at(deg - h));
    }
    V Normal(double deg) const {  // outward: the curve runs clockwise
        const V t = Tangent(deg);
        return (1 / Norm(t)) * V{-t.y, t.x};
    }
    double Radius(double deg) const {  // convex positive
        const double h = 2e-3;
        const V a = at(deg - h), b = at(deg), c = at(deg + h);
        const double twiceArea = Cross(b - a, c - b);
        return -Norm(b - a) * Norm(c - b) * Norm(c - a) / (2 * twiceArea);
    }
};

// The roller centre of a translating roller at any cam angle, from the lift alone.
Curve RollerPitch(const CamInput& cam) {
    const double Rp = cam.baseRadius + cam.follower.rollerRadius, e = cam.follower.offset;
    return {[&cam, Rp, e](double deg) {
        return ToCam({e, std::sqrt(Rp * Rp - e * e) + cam.motion.At(std::fmod(deg + 360, 360)).s},
                     deg);
    }};
}

// Pressure angle, contact point, pitch and contour radius of every sample against the
// curve, away from the rows (where the acceleration may jump).
void ExpectRollerSamplesMatch(const CamInput& cam, const Curve& pitch,
                              const std::function<V(double)>& motionDirection) {
    const std::vector<Sample> samples = ComputeSamples(cam);
    ASSERT_EQ(samples.size(), 360u * cam.stepsPerDegree);
    int compared = 0;
    for (const Sample& s : samples) {
        EXPECT_LT(Distance(s.pitch, pitch.at(s.angleDeg)), 1e-11) << s.angleDeg;
        if (cam.motion.IsJoin(std::round(s.angleDeg)) &&
            std::fabs(s.angleDeg - std::round(s.angleDeg)) < 0.01)
            continue;
        const V n = pitch.Normal(s.angleDeg);
        EXPECT_NEAR(s.pressureAngleDeg, SignedAngle(motionDirection(s.angleDeg), n), 1e-6)
            << s.angleDeg;
        EXPECT_LT(Distance(s.contact, pitch.at(s.angleDeg) - cam.follower.rollerRadius * n), 1e-7)
            << s.angleDeg;
        const double radius = pitch.Radius(s.angleDeg);
        ASSERT_TRUE(s.pitchRadius.has_value()) << s.angleDeg;
        EXPECT_NEAR(s.pitchRadius.value(), radius, 1e-5 * std::max(1.0, radius * radius / 100))
            << s.angleDeg;
        EXPECT_NEAR(s.contourRadius.value(), s.pitchRadius.value() - cam.follower.rollerRadius,
                    1e-9);
        ++compared;
    }
    EXPECT_GT(compared, 300 * cam.stepsPerDegree);
}

TEST(CamRoller, MatchesTheFiniteDifferencesOfItsPitchCurve) {
    for (double offset : {0.0, 6.35, -8.0}) {
        CamInput cam = MakeCam(FollowerKind::Roller, Mixed(), 40);
        cam.follower.rollerRadius = 12;
        cam.follower.offset = offset;
        // The follower moves up its line, turned with the cam.
        ExpectRollerSamplesMatch(cam, RollerPitch(cam), [](double deg) {
            return ToCam({0, 1}, deg);
        });
    }
}

// The in-line roller's pitch curve is the polar curve R = Rb + Rr + s: its pressure angle
// is atan(s' / R) and its curvature (R^2 + 2 R'^2 - R R'') / (R^2 + R'^2)^(3/2).
TEST(CamRoller, InLineIsThePolarCurvesClosedForm) {
    CamInput cam = MakeCam(FollowerKind::Roller, Mixed(), 40, 5);
    cam.follower.rollerRadius = 12;
    for (const Sample& s : ComputeCam(cam).samples) {
        const Kinematics& m = s.motion;
        const double R = 40 + 12 + m.s;
        EXPECT_NEAR(s.pressureAngleDeg, std::atan2(m.v, R) * 180 / 3.141592653589793, 1e-12) << s.angleDeg;
        const double kappa = (R * R + 2 * m.v * m.v - R * m.a) / std::pow(R * R + m.v * m.v, 1.5);
        EXPECT_NEAR(s.pitchRadius.value(), 1 / kappa, 1e-12 * std::fabs(1 / kappa)) << s.angleDeg;
    }
}

// The published figures hold at every resolution: the checks are on the 0.05-degree grid.
TEST(CamRoller, PublishedAnchor) {
    const struct {
        double offset, maxPressure, minPressure, convexRadius;
    } cases[] = {{0, 30.011, -30.011, 35.39}, {6.35, 24.992, -34.981, 34.10}};
    for (const auto& c : cases) {
        for (int S : {1, 2, 5}) {
            CamInput cam = MakeCam(FollowerKind::Roller, Anchor(), 31.75, S);
            cam.follower.rollerRadius = 12.7;  // Rb + Rr = 44.45 mm
            cam.follower.offset = c.offset;
            const CamResult result = ComputeCam(cam);
            const GridChecks& k = result.checks;
            EXPECT_NEAR(k.maxPressure.value, c.maxPressure, 5e-4) << c.offset << " " << S;
            EXPECT_NEAR(k.minPressure.value, c.minPressure, 5e-4) << c.offset << " " << S;
            EXPECT_NEAR(k.convexPitchRadius.value, c.convexRadius, 5e-3) << c.offset << " " << S;
            // 30 degrees: broken by the fall, and on the rise in line.
            EXPECT_FALSE(k.pressurePass);
            EXPECT_TRUE(k.undercutPass);
            EXPECT_EQ(result.samples[0].pitch.x, c.offset);
            EXPECT_NEAR(result.samples[0].pitch.y, std::sqrt(44.45 * 44.45 - c.offset * c.offset),
                        1e-13);
            EXPECT_EQ(result.samples.size(), 360u * S);
        }
    }
}

TEST(CamSizing, RollerIsTheFirstHundredthThatPasses) {
    const struct {
        double offset, roller, hub, expected;
        bool isMinimum;
    } cases[] = {
        {0, 12.7, 0, 31.78, false},      // the pressure angle decides
        {6.35, 12.7, 0, 43.14, false},   // the fall decides
        {0, 12.7, 40, 40, true},         // the hub decides
        {0, 12.7, 40.003, 40.01, true},  // its first hundredth
        {0, 40, 0, 10.61, false},        // a large roller: the undercut decides
    };
    for (const auto& c : cases) {
        CamInput cam = MakeCam(FollowerKind::Roller, Anchor(), 31.75);
        cam.follower.rollerRadius = c.roller;
        cam.follower.offset = c.offset;
        cam.minBaseRadius = c.hub;
        const Sizing sizing = SizeBaseRadius(cam);
        ASSERT_TRUE(sizing.found);
        EXPECT_DOUBLE_EQ(sizing.baseRadius, c.expected) << c.offset << " " << c.roller;
        EXPECT_EQ(sizing.isMinimum, c.isMinimum);
        EXPECT_EQ(sizing.passesAsGiven, c.roller == 40);  // 31.75: 30.011 degrees
        EXPECT_TRUE(sizing.checks.AllPass());
        cam.baseRadius = sizing.baseRadius - 0.01;
        if (!c.isMinimum) {
            EXPECT_FALSE(CheckOnGrid(cam).AllPass()) << c.expected;
        }
    }
}

// The window's sizing runs aside with a progress bar and a Cancel button: the progress only
// grows within 0..1, listening changes no result, and a "stop" ends the search at once
// with nothing found.
TEST(CamSizing, ProgressGrowsAndCancelStopsTheSearch) {
    const Motion swing = Motion::FromRows({{0, 0}, {90, 0}, {180, 15}, {270, 15}, {360, 0}});
    for (const FollowerKind kind : {FollowerKind::Roller, FollowerKind::Flat, FollowerKind::SwingRoller}) {
        const bool arm = kind == FollowerKind::SwingRoller;
        CamInput cam = MakeCam(kind, arm ? swing : Anchor(), arm ? 20 : 31.75);
        cam.follower.rollerRadius = kind == FollowerKind::Flat ? 0 : 10;
        if (arm) {
            cam.follower.armLength = 80;
            cam.follower.pivotDistance = 95;
        }
        const Sizing quiet = SizeBaseRadius(cam);
        std::vector<double> heard;
        const Sizing listened = SizeBaseRadius(cam, [&](double done) {
            heard.push_back(done);
            return true;
        });
        ASSERT_TRUE(quiet.found) << static_cast<int>(kind);
        EXPECT_EQ(listened.baseRadius, quiet.baseRadius);
        EXPECT_FALSE(listened.cancelled);
        ASSERT_GT(heard.size(), 3u);
        EXPECT_TRUE(std::is_sorted(heard.begin(), heard.end()));
        EXPECT_GE(heard.front(), 0);
        EXPECT_LE(heard.back(), 1);
        int calls = 0;
        const Sizing stopped = SizeBaseRadius(cam, [&](double) { return ++calls < 3; });
        EXPECT_TRUE(stopped.cancelled);
        EXPECT_FALSE(stopped.found);
        EXPECT_EQ(calls, 3) << "no radius is tried after the stop";
    }
}

// How far the window's tangent construction lies from the true envelope (mm): from the
// engine's samples, and from the contour as a curve (the nearest point of the pitch curve,
// less the roller).
TEST(CamWindow, TangentConstructionIsWithinItsOwnError) {
    const struct {
        int S;
        double fromSamples, fromCurve;
    } bounds[] = {{1, 0.13, 0.0011}, {2, 0.065, 0.00028}, {5, 0.026, 0.000045}};
    for (const auto& b : bounds) {
        auto window = testing::DefaultDesign(b.S, 0);
        ComputePitchCurve(*window);
        ASSERT_TRUE(ComputeCamProfile(*window).completed);
        std::vector<MotionRow> rows;
        for (int k = 0; k < 8; ++k) {
            rows.push_back({window->MotionTable[k].Angle, window->MotionTable[k].Value});
        }
        CamInput cam = MakeCam(FollowerKind::Roller, Motion::FromRows(rows), 45, b.S);
        cam.follower.rollerRadius = 10;
        const std::vector<Sample> samples = ComputeSamples(cam);
        const Curve pitch = RollerPitch(cam);
        double fromSamples = 0, fromCurve = 0;
        for (std::size_t i = 0; i < samples.size(); ++i) {
            const V w{window->CamProfile[i].x, window->CamProfile[i].y};
            fromSamples = std::max(fromSamples, Distance(samples[i].contact, w));
            // Golden-section search for the nearest point of the pitch curve.
            double lo = samples[i].angleDeg - 3, hi = samples[i].angleDeg + 3;
            auto f = [&](double deg) { return Norm(pitch.at(deg) - w); };
            for (int n = 0; n < 80; ++n) {
                const double a = hi - 0.618033988749895 * (hi - lo),
                             c = lo + 0.618033988749895 * (hi - lo);
                (f(a) < f(c) ? hi : lo) = f(a) < f(c) ? c : a;
            }
            fromCurve = std::max(fromCurve, std::fabs(f((lo + hi) / 2) - 10));
        }
        EXPECT_LT(fromSamples, b.fromSamples) << b.S;
        EXPECT_LT(fromCurve, b.fromCurve) << b.S;
        std::printf(
            "window at %d samples per degree: %.6f mm from the samples, %.6f mm from the curve\n",
            b.S, fromSamples, fromCurve);
    }
}

TEST(CamFlat, ContourIsTheEnvelopeOfTheFaceLines) {
    const CamInput cam = MakeCam(FollowerKind::Flat, Mixed(), 60);
    // The face at cam angle t: the line n(t) . p = Rb + s(t), n(t) = (sin t, cos t).
    auto line = [&cam](double deg) {
        return std::array<double, 3>{std::sin(deg * Rad), std::cos(deg * Rad),
                                     60 + cam.motion.At(std::fmod(deg + 360, 360)).s};
    };
    auto meet = [&line](double deg, double h) {  // neighbouring face lines meet
        const auto a = line(deg - h), b = line(deg + h);
        const double det = a[0] * b[1] - a[1] * b[0];
        return V{(a[2] * b[1] - a[1] * b[2]) / det, (a[0] * b[2] - a[2] * b[0]) / det};
    };
    for (const Sample& s : ComputeSamples(cam)) {
        EXPECT_LT(Distance(s.pitch, ToCam({0, 60 + s.motion.s}, s.angleDeg)), 1e-12);
        EXPECT_EQ(s.pressureAngleDeg, 0);
        EXPECT_FALSE(s.pitchRadius.has_value());
        // The contour's arc length per radian of the face's turn, along the face.
        const double d = 5e-3;
        const V step = meet(s.angleDeg + d, 1e-4) - meet(s.angleDeg - d, 1e-4);
        const V along = ToCam({1, 0}, s.angleDeg);
        const double rho = (step.x * along.x + step.y * along.y) / (2 * d * Rad);
        if (std::fabs(s.angleDeg - std::round(s.angleDeg)) > 0.01) {  // s'' may jump at a row
            EXPECT_LT(Distance(s.contact, meet(s.angleDeg, 1e-4)), 1e-6) << s.angleDeg;
            EXPECT_NEAR(s.contourRadius.value(), rho, 1e-3 * std::max(1.0, std::fabs(rho) / 100))
                << s.angleDeg;
        }
    }
}

TEST(CamFlat, PublishedAnchor) {
    for (int S : {1, 2, 5}) {
        CamInput cam = MakeCam(FollowerKind::Flat, Anchor(), 30, S);
        cam.minRadiusOfCurvature = 6.35;
        const Sizing sizing = SizeBaseRadius(cam);
        ASSERT_TRUE(sizing.found);
        EXPECT_DOUBLE_EQ(sizing.baseRadius, 48.08) << S;  // 48.07 mm exactly: 48.0728
        EXPECT_GE(sizing.checks.contourRadius.value, 6.35);
        EXPECT_NEAR(sizing.checks.faceWidthNeeded, 64.68, 5e-3);
        EXPECT_NEAR(sizing.checks.maxContactOffset, -sizing.checks.minContactOffset, 1e-12);
        cam.baseRadius = 48.07;
        const GridChecks below = CheckOnGrid(cam);
        EXPECT_FALSE(below.curvaturePass);
        EXPECT_NEAR(below.contourRadius.value, 6.35 - 0.0028, 1e-4);
        // Where s + s'' is least: as low on the rise as on the fall.
        const double at = below.contourRadius.atDeg;
        EXPECT_TRUE(std::fabs(at - 156.55) < 0.051 || std::fabs(at - 293.45) < 0.051) << at;
    }
    // A cusp (rho <= 0) fails even with no minimum; the face width is judged when given.
    CamInput cam = MakeCam(FollowerKind::Flat, Anchor(), 40);
    cam.follower.faceWidth = 64.6;
    const GridChecks cusp = CheckOnGrid(cam);
    EXPECT_LT(cusp.contourRadius.value, 0);
    EXPECT_FALSE(cusp.curvaturePass);
    EXPECT_FALSE(cusp.faceWidthPass);
    cam.follower.faceWidth = 64.7;
    EXPECT_TRUE(CheckOnGrid(cam).faceWidthPass);
}

// The swinging arm from the triangle by the law of cosines, turned about its pivot.
struct Arm {
    V pivot, rest;
    V At(double psiDeg) const {
        const V w = rest - pivot;
        const double c = std::cos(psiDeg * Rad), s = std::sin(psiDeg * Rad);
        return pivot + V{w.x * c + w.y * s, w.y * c - w.x * s};
    }
};
Arm MakeArm(const CamInput& cam) {
    const double Rp = cam.baseRadius + cam.follower.rollerRadius;
    const double D = cam.follower.pivotDistance, L = cam.follower.armLength;
    const double alpha = std::acos((D * D + Rp * Rp - L * L) / (2 * D * Rp));
    return {{D * std::sin(alpha), D * std::cos(alpha)}, {0, Rp}};
}

TEST(CamSwing, MatchesTheFiniteDifferencesOfItsPitchCurve) {
    // Pivots below, level with and above the roller at rest.
    for (double D : {70.0, std::hypot(60.0, 50.0), 100.0}) {
        CamInput cam = MakeCam(FollowerKind::SwingRoller, Mixed(), 40);
        cam.follower.rollerRadius = 10;
        cam.follower.armLength = 60;
        cam.follower.pivotDistance = D;
        const Arm arm = MakeArm(cam);
        const Curve pitch{[&](double deg) {
            return ToCam(arm.At(cam.motion.At(std::fmod(deg + 360, 360)).s), deg);
        }};
        auto direction = [&](double deg) {  // of increasing swing, turned with the cam
            const double psi = cam.motion.At(deg).s;
            return ToCam(arm.At(psi + 1e-5) - arm.At(psi - 1e-5), deg);
        };
        ExpectRollerSamplesMatch(cam, pitch, direction);
        const Point pivot = SwingPivot(cam);
        EXPECT_NEAR(pivot.x, arm.pivot.x, 1e-12);
        EXPECT_NEAR(pivot.y, arm.pivot.y, 1e-12);
        // On the dwell at rest the angle is the arm's own slant, not 0.
        const double dwell = ComputeSamples(cam)[0].pressureAngleDeg;
        EXPECT_NEAR(dwell, std::atan2(50 - arm.pivot.y, arm.pivot.x) / Rad, 1e-12);
        const bool leansBack = dwell<-1e-9, pivotAbove = arm.pivot.y> 50 + 1e-9;
        EXPECT_EQ(leansBack, pivotAbove) << D;
    }
}

TEST(CamSwing, LongArmApproachesTheTranslatingRoller) {
    CamInput roller = MakeCam(FollowerKind::Roller, Mixed(), 40);
    roller.follower.rollerRadius = 10;
    const std::vector<Sample> line = ComputeSamples(roller);
    double previous = Infinity;
    for (double L : {1e3, 1e4, 1e5}) {
        // Lift psi = s / L (degrees); the arm square to the radius at rest.
        CamInput swing =
            MakeCam(FollowerKind::SwingRoller, Motion::FromRows(MixedRows(1 / L / Rad)), 40);
        swing.follower.rollerRadius = 10;
        swing.follower.armLength = L;
        swing.follower.pivotDistance = std::hypot(L, 50);
        const std::vector<Sample> arc = ComputeSamples(swing);
        double pressure = 0, contour = 0;
        for (std::size_t i = 0; i < arc.size(); ++i) {
            pressure =
                std::max(pressure, std::fabs(arc[i].pressureAngleDeg - line[i].pressureAngleDeg));
            contour =
                std::max(contour, Distance(arc[i].contact, {line[i].contact.x, line[i].contact.y}));
        }
        // The arm tilts the motion by psi <= 18 mm / L; the centre leaves the line by
        // s^2 / 2L and the roller's normal turns with the tilt.
        EXPECT_LT(pressure, 18 / L / Rad) << L;
        EXPECT_LT(contour, (18 * 18 / 2 + 10 * 18) / L) << L;
        EXPECT_LT(pressure, previous / 8) << L;
        previous = pressure;
    }
}

TEST(CamSwing, SizingKeepsTheArm) {
    const Motion swing = Motion::FromRows({{0, 0}, {90, 0}, {180, 15}, {270, 15}, {360, 0}});
    CamInput cam = MakeCam(FollowerKind::SwingRoller, swing, 20);
    cam.follower.rollerRadius = 10;
    cam.follower.armLength = 80;
    cam.follower.pivotDistance = 95;
    const Sizing sizing = SizeBaseRadius(cam);
    ASSERT_TRUE(sizing.found);
    EXPECT_TRUE(sizing.checks.pressurePass && sizing.checks.undercutPass);
    cam.baseRadius = sizing.baseRadius;
    const Point pivot = SwingPivot(cam);
    EXPECT_NEAR(std::hypot(pivot.x, pivot.y), 95, 1e-12);
    EXPECT_NEAR(std::hypot(pivot.x, pivot.y - sizing.baseRadius - 10), 80, 1e-12);
    cam.baseRadius -= 0.01;
    EXPECT_FALSE(CheckOnGrid(cam).pressurePass && CheckOnGrid(cam).undercutPass);
}

TEST(CamChecks, SegmentPeaksTakeEachEndFromItsOwnSide) {
    // A simple harmonic rise ends with a step in acceleration, pi^2/2 h / beta^2, into the dwell.
    CamInput cam =
        MakeCam(FollowerKind::Roller,
                Motion::FromRows(
                    {{0, 0}, {90, 10, Law::SimpleHarmonic}, {180, 10}, {360, 0, Law::Cycloid}}),
                50);
    cam.follower.rollerRadius = 10;
    const GridChecks checks = CheckOnGrid(cam);
    ASSERT_EQ(checks.segments.size(), 3u);
    const double beta = 90 * Rad;
    EXPECT_NEAR(checks.segments[0].acceleration, Pi * Pi / 2 * 10 / (beta * beta), 1e-9);
    EXPECT_NEAR(checks.segments[0].velocity, Pi / 2 * 10 / beta, 1e-9);
    EXPECT_NEAR(checks.segments[0].jerk, Pi * Pi * Pi / 2 * 10 / (beta * beta * beta), 1e-2);
    EXPECT_EQ(checks.segments[1].acceleration, 0);  // the dwell's own side
    EXPECT_EQ(checks.segments[1].pressureDeg, 0);
    EXPECT_NEAR(checks.segments[2].velocity, 2 * 10 / (180 * Rad), 1e-9);
    EXPECT_DOUBLE_EQ(std::max(checks.segments[0].pressureDeg, checks.segments[2].pressureDeg),
                     std::max(checks.maxPressure.value, -checks.minPressure.value));
    // At the join the pitch curve bends by the step: both sides are seen.
    // R = 30, R'' = -20 mm/rad^2 on the rise's side: R^2 / (R - R'') = 18 mm, the least.
    cam.baseRadius = 20;
    cam.follower.rollerRadius = 0;
    const GridExtreme convex = CheckOnGrid(cam).convexPitchRadius;
    EXPECT_NEAR(convex.value, 18, 1e-9);
    EXPECT_EQ(convex.atDeg, 90);
}

TEST(CamErrors, BadGeometryNamesTheKeyOrTheAngle) {
    using testing::MessageOf;
    CamInput roller = MakeCam(FollowerKind::Roller, Anchor(), 30);
    roller.follower.rollerRadius = 10;
    roller.follower.offset = 40;
    EXPECT_NE(MessageOf([&] { ComputeSamples(roller); }).find("follower.offset"),
              std::string::npos);
    EXPECT_FALSE(SizeBaseRadius(roller).passesAsGiven);  // sizing looks elsewhere
    roller.follower.offset = 0;
    // The roller centre comes down to the cam centre at 100 degrees (Rb + Rr = 40).
    const Motion down = Motion::FromRows({{0, 0}, {90, -30}, {100, -40}, {180, 0}, {360, 0}});
    roller.motion = down;
    EXPECT_EQ(MessageOf([&] { CheckOnGrid(roller); }),
              "at 100 degrees the follower reaches the cam centre");
    // Beyond the lift's range, yet with a snap over 1 degree that stays finite.
    roller.motion = Motion::FromRows({{0, 0}, {1, 1e297}, {360, 0}});
    EXPECT_EQ(MessageOf([&] { ComputeCam(roller); }),
              "motion[2].lift: must be greater than -1000000 mm and less than 1000000 mm");
    roller.motion = Anchor();
    roller.maxPressureAngle = 90;
    EXPECT_EQ(MessageOf([&] { CheckOnGrid(roller); }),
              "cam.max_pressure_angle: must be greater than 0° and less than 90°");

    CamInput swing = MakeCam(FollowerKind::SwingRoller, Anchor(), 30);
    swing.follower.rollerRadius = 10;
    swing.follower.armLength = 20;
    swing.follower.pivotDistance = 100;  // 100 - 20 > 40: no triangle
    for (const auto& action : std::vector<std::function<void()>>{[&] { ComputeSamples(swing); },
                                                                 [&] { SwingPivot(swing); }}) {
        EXPECT_NE(MessageOf(action).find("follower.arm_length, follower.pivot_distance"),
                  std::string::npos);
    }
    swing.follower.armLength = 0;
    EXPECT_EQ(MessageOf([&] { CheckOnGrid(swing); }),
              "follower.arm_length: must be greater than 0 mm and less than 1000000 mm");

    CamInput flat = MakeCam(FollowerKind::Flat, down, 40);
    EXPECT_EQ(MessageOf([&] { ComputeSamples(flat); }),
              "at 100 degrees the follower reaches the cam centre");
    UseLanguage(Language::Japanese, PLATECAM_TEST_LOCALE_DIR);
    EXPECT_EQ(MessageOf([&] { ComputeSamples(flat); }), "100 度で従動子がカムの中心に達します");
    UseLanguage(Language::English);
}

// Random followers and tables, sensible and not: every figure is finite, or CamError.
TEST(CamErrors, NothingLeavesThatIsNotFinite) {
    std::mt19937_64 random(7);
    auto uniform = [&random](double a, double b) {
        return std::uniform_real_distribution<double>(a, b)(random);
    };
    auto power = [&](double a, double b) { return std::pow(10.0, uniform(a, b)); };
    int computed = 0;
    for (int n = 0; n < 120; ++n) {
        std::vector<MotionRow> rows{{0, 0}};
        const double size = power(-3, 4);
        for (int a = static_cast<int>(uniform(1, 90)); a < 360;
             a += static_cast<int>(uniform(1, 90))) {
            const double lift = uniform(0, 1) < 0.3 ? rows.back().lift : uniform(-0.3, 1) * size;
            rows.push_back({a, lift, static_cast<Law>(n % LawCount)});
        }
        rows.push_back({360, 0, static_cast<Law>((n + 3) % LawCount)});
        CamInput cam = MakeCam(static_cast<FollowerKind>(n % 3), Motion::FromRows(rows),
                              power(-2, 4), n % 2 ? 5 : 1);
        Follower& f = cam.follower;
        f.rollerRadius = n % 5 ? power(-2, 3) : 0;
        f.offset = uniform(-1, 1) * cam.baseRadius;
        f.armLength = power(-1, 4);
        f.pivotDistance = power(-1, 4);
        cam.maxPressureAngle = uniform(1, 89);
        cam.minRadiusOfCurvature = uniform(0, 50);
        auto finite = [](const GridChecks& c) {
            double sum = c.faceWidthNeeded + c.minContactOffset + c.maxContactOffset;
            for (const GridExtreme* e : {&c.maxPressure, &c.minPressure, &c.convexPitchRadius,
                                         &c.concaveContourRadius, &c.contourRadius}) {
                sum += e->value + e->atDeg;
            }
            for (const SegmentPeaks& p : c.segments)
                sum += p.velocity + p.acceleration + p.jerk + p.pressureDeg;
            return std::isfinite(sum);
        };
        try {
            const CamResult result = ComputeCam(cam);
            double sum = 0;
            for (const Sample& s : result.samples) {
                sum += s.pitch.x + s.pitch.y + s.contact.x + s.contact.y + s.pressureAngleDeg +
                       s.contourRadius.value_or(0) + s.pitchRadius.value_or(0) + s.motion.j;
            }
            EXPECT_TRUE(std::isfinite(sum) && finite(result.checks)) << n;
            ++computed;
        } catch (const CamError& e) {
            // A refusal names a rule or a place; no input within the rules overflows.
            EXPECT_NE(e.message(), Message(msg::Overflow)) << n;
            EXPECT_NE(e.message(), Message(msg::InvalidOperation)) << n;
        }
        if (n % 4 == 0 && (f.kind != FollowerKind::SwingRoller || size < 360)) {
            const Sizing sizing = SizeBaseRadius(cam);
            EXPECT_TRUE(std::isfinite(sizing.baseRadius + sizing.searchedUpTo) &&
                        finite(sizing.checks))
                << n;
        }
    }
    EXPECT_GT(computed, 40);
}

}  // namespace
}  // namespace platecam::engine
