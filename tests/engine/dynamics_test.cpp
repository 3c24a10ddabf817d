#include "engine/dynamics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>

#include "base/language.h"
#include "base/errors.h"
#include "tests/model/design_fixtures.h"

namespace platecam::engine {
namespace {

constexpr double Pi = 3.141592653589793, Rad = Pi / 180;

// The published problem: cycloid rise of 10 mm over 120 degrees, dwell, cycloid return.
Motion Anchor() { return Motion::FromRows({{0, 0}, {120, 10}, {180, 10}, {300, 0}, {360, 0}}); }

// The lift e (1 - cos theta) of an eccentric circle under a flat face: two simple harmonic
// halves of h = 2e.
Motion EccentricCircle(double e) {
    return Motion::FromRows(
        {{0, 0}, {180, 2 * e, Law::SimpleHarmonic}, {360, 0, Law::SimpleHarmonic}});
}

DynamicsInput Loads(double rpm, double mass = 1.8, double rate = 15, double preload = 37.5,
                    double damping = 0, double load = 0) {
    DynamicsInput d;
    d.rpm = rpm;
    d.mass = mass;
    d.springRate = rate;
    d.preload = preload;
    d.damping = damping;
    d.load = load;
    return d;
}

CamInput MakeCam(FollowerKind kind, Motion motion, double base, int S = 5, double roller = 10,
                 double offset = 0) {
    CamInput cam;
    cam.follower.kind = kind;
    cam.follower.rollerRadius = roller;
    cam.follower.offset = offset;
    cam.baseRadius = base;
    cam.motion = std::move(motion);
    cam.stepsPerDegree = S;
    return cam;
}

// A swinging roller arm (lifts in degrees of swing), roller 10 mm.
CamInput MakeArm(Motion motion, double base = 40, double arm = 80, double pivot = 100, int S = 5) {
    CamInput cam = MakeCam(FollowerKind::SwingRoller, std::move(motion), base, S);
    cam.follower.armLength = arm;
    cam.follower.pivotDistance = pivot;
    return cam;
}

Motion ArmSwing() { return Motion::FromRows({{0, 0}, {60, 0}, {150, 15}, {210, 15}, {300, 0}, {360, 0}}); }

DynamicsInput ArmLoads(double rpm, double inertia = 0.002, double rate = 5, double preload = 1.5,
                       double damping = 0, double load = 0) {
    DynamicsInput d;
    d.rpm = rpm;
    d.inertia = inertia;
    d.springTorqueRate = rate;
    d.preloadTorque = preload;
    d.damping = damping;
    d.loadTorque = load;
    return d;
}

TEST(DynamicsAnchor, PublishedProblem) {
    for (const FollowerKind kind : {FollowerKind::Roller, FollowerKind::Flat}) {
        for (int S : {1, 2, 5}) {
            const CamWithDynamics r =
                ComputeCamWithDynamics(MakeCam(kind, Anchor(), 50, S), Loads(1000));
            ASSERT_EQ(r.dynamics.samples.size(), r.cam.samples.size());
            EXPECT_NEAR(r.dynamics.samples[100 * S].contactForce, -61.7, 0.05) << S;
            EXPECT_NEAR(r.dynamics.samples[100 * S].torque, -0.147, 5e-4) << S;
            const DynamicsChecks& c = r.dynamics.checks;
            EXPECT_TRUE(c.jump);
            EXPECT_LT(c.minContactForce.value, -61.7);
            EXPECT_NEAR(c.jumpFreeRpm.value.value(), 780, 0.5) << S;
            // On the grid: the same figure at every resolution.
            EXPECT_EQ(*c.jumpFreeRpm.value,
                      *ComputeDynamics(MakeCam(kind, Anchor(), 50, 1), Loads(1000))
                           .checks.jumpFreeRpm.value);
        }
    }
}

// The loads computed with the cam take the contact from the checks' own measurement of the
// pitch curve; alone they measure it afresh. Both routes give the same loads, bit for bit.
TEST(Dynamics, WithTheCamAsAlone) {
    DynamicsInput loads = Loads(600, 1.2, 20, 60, 40, 15);
    loads.contact = ContactMaterial{12, 206000, 0.3};
    DynamicsInput arm = ArmLoads(600, 0.003, 4, 1, 0.01, 0.2);
    arm.contact = loads.contact;
    for (const FollowerKind kind : {FollowerKind::Roller, FollowerKind::Flat, FollowerKind::SwingRoller}) {
        for (const double offset : {0.0, 6.35}) {
            if (kind != FollowerKind::Roller && offset != 0) continue;
            const bool swings = kind == FollowerKind::SwingRoller;
            const CamInput cam = swings ? MakeArm(ArmSwing()) : MakeCam(kind, Anchor(), 50, 5, 10, offset);
            const DynamicsInput& d = swings ? arm : loads;
            const CamWithDynamics both = ComputeCamWithDynamics(cam, d);
            const DynamicsResult alone = ComputeDynamics(cam, d);
            ASSERT_EQ(both.dynamics.samples.size(), alone.samples.size());
            for (std::size_t i = 0; i < alone.samples.size(); ++i) {
                const DynamicsSample &a = alone.samples[i], &b = both.dynamics.samples[i];
                ASSERT_EQ(a.contactForce, b.contactForce) << i;
                ASSERT_EQ(a.normalForce, b.normalForce) << i;
                ASSERT_EQ(a.stress, b.stress) << i;
                ASSERT_EQ(a.armTorque, b.armTorque) << i;
            }
            EXPECT_EQ(alone.checks.maxContactStress.value, both.dynamics.checks.maxContactStress.value);
            EXPECT_EQ(alone.checks.minSpringRate.value, both.dynamics.checks.minSpringRate.value);
            EXPECT_EQ(alone.checks.jumpFreeRpm.value, both.dynamics.checks.jumpFreeRpm.value);
        }
    }
}

// The follower on a stiff contact that can only push, driven by the lift alone (no
// acceleration of the cam, no force formula): whether it ever lifts off over one
// revolution from rest on a dwell at `startDeg`.
bool LeavesTheCam(const Motion& motion, const DynamicsInput& d, double rpm, double startDeg) {
    const double omega = 2 * Pi * rpm / 60;
    const double K = 1e8, damper = 2 * std::sqrt(K * d.mass);  // N/m; critical, N s/m
    const double k = d.springRate * 1000, rest = d.preload + d.load;
    auto cam = [&](double t) {  // lift (m) and its speed (m/s)
        const Kinematics m = motion.At(std::fmod(startDeg + omega * t / Rad, 360));
        return std::pair{m.s / 1000, m.v * omega / 1000};
    };
    auto acceleration = [&](double t, double y, double v) {  // of the follower, m/s^2
        const auto [s, sv] = cam(t);
        const double push = s > y ? std::max(0.0, K * (s - y) + damper * (sv - v)) : 0;
        return (push - d.damping * v - k * y - rest) / d.mass;
    };
    const double s0 = cam(0).first;
    double y = s0 - (k * s0 + rest) / (K + k), v = 0;  // at rest, pressed in
    const double dt = 0.05 / std::sqrt(K / d.mass);
    for (double t = 0; t < 2 * Pi / omega; t += dt) {  // Runge-Kutta
        const double a1 = acceleration(t, y, v);
        const double a2 = acceleration(t + dt / 2, y + dt / 2 * v, v + dt / 2 * a1);
        const double a3 = acceleration(t + dt / 2, y + dt / 2 * (v + dt / 2 * a1), v + dt / 2 * a2);
        const double a4 = acceleration(t + dt, y + dt * (v + dt / 2 * a2), v + dt * a3);
        y += dt * (v + dt / 6 * (a1 + a2 + a3));
        v += dt / 6 * (a1 + 2 * a2 + 2 * a3 + a4);
        if (y > cam(t + dt).first) return true;
    }
    return false;
}

TEST(DynamicsJumpFreeSpeed, SimulatedFollowerStaysOnBelowAndLeavesAbove) {
    for (const DynamicsInput& d : {Loads(1000), Loads(1000, 1.8, 15, 5, 2000)}) {
        const CamInput cam = MakeCam(FollowerKind::Flat, Anchor(), 60);
        const double limit = ComputeDynamics(cam, d).checks.jumpFreeRpm.value.value();
        EXPECT_FALSE(LeavesTheCam(cam.motion, d, 0.99 * limit, 330)) << limit;
        EXPECT_TRUE(LeavesTheCam(cam.motion, d, 1.01 * limit, 330)) << limit;
    }
}

// Where the force first reaches zero, by hand: the eccentric circle at its top,
// omega^2 = k (delta0 + 2e) / (m e); a simple harmonic rise of h over 90 degrees into a
// dwell, at the join from the rise's side only, omega^2 = (k h + F0 + Fload) / (2 m h).
// At that speed the least force is zero, there.
TEST(DynamicsJumpFreeSpeed, ClosedForms) {
    auto intoDwell = [](double h) {
        return Motion::FromRows({{0, 0}, {90, h, Law::SimpleHarmonic}, {180, h}, {360, 0}});
    };
    const struct {
        Motion motion;
        double lift, m, k, preload, load;  // e or h (mm), kg, N/mm, N, N
        double atDeg;
    } cases[] = {{EccentricCircle(5), 5, 0.5, 15, 30, 0, 180},
                 {EccentricCircle(2), 2, 3, 40, 10, 5, 180},
                 {EccentricCircle(12), 12, 0.2, 2, 1, -0.5, 180},
                 {intoDwell(10), 10, 1.8, 15, 37.5, 0, 90},
                 {intoDwell(4), 4, 0.3, 5, 2, 3, 90}};
    for (const auto& c : cases) {
        const double held = c.preload + c.load;  // N at zero lift
        const double omega = c.atDeg == 180
                                 ? std::sqrt((held + 2 * c.k * c.lift) * 1000 / (c.m * c.lift))
                                 : std::sqrt((c.k * c.lift + held) * 1000 / (2 * c.m * c.lift));
        const double expected = omega * 30 / Pi;
        for (int S : {1, 5}) {
            const DynamicsResult r =
                ComputeDynamics(MakeCam(FollowerKind::Flat, c.motion, 50, S),
                                Loads(expected, c.m, c.k, c.preload, 0, c.load));
            EXPECT_NEAR(r.checks.jumpFreeRpm.value.value(), expected, 1e-10 * expected) << c.atDeg;
            EXPECT_NEAR(r.checks.minContactForce.value, 0, 1e-6 * c.preload);
            EXPECT_EQ(r.checks.minContactForce.atDeg, c.atDeg);
            if (c.atDeg == 90) {  // the samples keep the later side: the dwell's force
                EXPECT_NEAR(r.samples[90 * S].contactForce, c.k * c.lift + held, 1e-9);
            }
        }
    }
    // Nothing holds the follower at zero lift: 0; a cam that does not move: never.
    const CamInput cam = MakeCam(FollowerKind::Flat, Anchor(), 60);
    EXPECT_EQ(ComputeDynamics(cam, Loads(1000, 1.8, 15, 37.5, 0, -37.5)).checks.jumpFreeRpm.value,
              0.0);
    const CamInput still = MakeCam(FollowerKind::Flat, Motion::FromRows({{0, 3}, {360, 3}}), 60);
    const OptionalFigure never = ComputeDynamics(still, Loads(1000)).checks.jumpFreeRpm;
    EXPECT_FALSE(never.value.has_value());
    EXPECT_EQ(never.reason.Render(), "the follower stays on the cam at every speed");
}

// With damping the force at one angle is a quadratic in the speed that may dip below zero
// and rise again: the speed reported is where any angle first reaches zero, as a scan of
// the speeds finds.
TEST(DynamicsJumpFreeSpeed, FirstCrossingWithDamping) {
    const CamInput cam = MakeCam(FollowerKind::Flat, Anchor(), 60, 1);
    DynamicsInput d = Loads(1000, 1.8, 15, 5, 2000);
    const double limit = ComputeDynamics(cam, d).checks.jumpFreeRpm.value.value();
    for (d.rpm = 0.05; d.rpm < 100 && !ComputeDynamics(cam, d).checks.jump;) d.rpm += 0.05;
    EXPECT_GT(limit, d.rpm - 0.05);
    EXPECT_LE(limit, d.rpm);
}

TEST(DynamicsSpringRate, LeastRateLeavesNoMargin) {
    const struct {
        Motion motion;
        DynamicsInput d;
    } cases[] = {{Anchor(), Loads(1000)},
                 {Anchor(), Loads(500, 1.8, 15, 37.5, 300, 12)},
                 {EccentricCircle(5), Loads(2500, 0.4)}};
    for (const auto& c : cases) {
        const CamInput cam = MakeCam(FollowerKind::Flat, c.motion, 60);
        const double least = ComputeDynamics(cam, c.d).checks.minSpringRate.value.value();
        EXPECT_GT(least, 0);
        DynamicsInput d = c.d;
        d.springRate = least;
        EXPECT_NEAR(ComputeDynamics(cam, d).checks.minContactForce.value, 0, 1e-6 * d.preload);
        d.springRate = least * (1 + 1e-9);
        EXPECT_FALSE(ComputeDynamics(cam, d).checks.jump);
        d.springRate = least * (1 - 1e-9);
        EXPECT_TRUE(ComputeDynamics(cam, d).checks.jump);
    }
    // Slowly the preload alone holds the follower.
    const CamInput anchor = MakeCam(FollowerKind::Flat, Anchor(), 60);
    EXPECT_EQ(ComputeDynamics(anchor, Loads(100)).checks.minSpringRate.value, 0.0);
    // A simple harmonic dip below zero lift and back decelerates at zero lift.
    const CamInput dip = MakeCam(
        FollowerKind::Flat,
        Motion::FromRows(
            {{0, 0}, {60, -4, Law::SimpleHarmonic}, {120, 0, Law::SimpleHarmonic}, {360, 0}}),
        60);
    const OptionalFigure none = ComputeDynamics(dip, Loads(1000)).checks.minSpringRate;
    EXPECT_FALSE(none.value.has_value());
    EXPECT_EQ(none.reason.Render(),
              "no spring rate holds the follower at 1000 rpm: at 0 degrees the lift is 0, where "
              "the spring adds nothing to its preload");
}

// The torque's two routes: the normal force at the contact point about the cam centre
// (its real moment arm), and the work over a revolution (zero without damping, the
// damper's loss with it).
TEST(DynamicsTorque, MomentOfTheNormalForceAndWork) {
    const std::pair<FollowerKind, double> followers[] = {{FollowerKind::Roller, 0},
                                                         {FollowerKind::Roller, 6},
                                                         {FollowerKind::Roller, -8},
                                                         {FollowerKind::Flat, 0}};
    for (const auto& [kind, offset] : followers) {
        for (const double damping : {0.0, 150.0}) {
            const CamWithDynamics r = ComputeCamWithDynamics(
                MakeCam(kind, Anchor(), 40, 5, 10, offset), Loads(700, 1.8, 15, 37.5, damping, 20));
            const double omega = 2 * Pi * 700 / 60, step = Rad / 5;
            double work = 0, scale = 0, loss = 0;
            for (std::size_t i = 0; i < r.cam.samples.size(); ++i) {
                const Sample& s = r.cam.samples[i];
                const DynamicsSample& load = r.dynamics.samples[i];
                // The normal at contact, from the cam into the follower.
                const Point n = kind == FollowerKind::Flat
                                    ? s.pitch
                                    : Point{s.pitch.x - s.contact.x, s.pitch.y - s.contact.y};
                const double arm =
                    (s.contact.x * n.y - s.contact.y * n.x) / std::hypot(n.x, n.y) / 1000;
                EXPECT_NEAR(load.normalForce * arm, load.torque,
                            1e-9 * (1 + std::fabs(load.torque)))
                    << s.angleDeg << " " << offset;
                work += load.torque * step;
                scale += std::fabs(load.torque) * step;
                loss += damping * omega * std::pow(s.motion.v / 1000, 2) * step;
            }
            EXPECT_NEAR(work, loss, 1e-6 * scale) << offset << " " << damping;
            EXPECT_EQ(loss > 1e-3 * scale, damping > 0);
        }
    }
}

// Hertz: p = 2F / (pi b L) over the half-width b = sqrt(4 F R' / (pi L E*)), with the
// contour's radius from the shape alone: the eccentric circle under a flat face (Rb + e
// everywhere), a roller on the dwells (circles about the cam centre); elsewhere from the
// radius of the cam's own samples.
TEST(DynamicsStress, LineContact) {
    const double Estar = 206000 / (2 * (1 - 0.09));
    auto hertz = [&](double normal, double radius) {
        const double b = std::sqrt(4 * normal * radius / (Pi * 10 * Estar));
        return 2 * normal / (Pi * b * 10);
    };
    DynamicsInput d = Loads(600);
    d.contact = ContactMaterial{10, 206000, 0.3};
    const DynamicsResult onCircle =
        ComputeDynamics(MakeCam(FollowerKind::Flat, EccentricCircle(5), 50), d);
    for (const DynamicsSample& s : onCircle.samples) {
        EXPECT_NEAR(s.stress.value(), hertz(s.contactForce, 55), 1e-9 * s.stress.value());
    }
    EXPECT_TRUE(onCircle.checks.stressUndefined.empty());

    const CamWithDynamics roller =
        ComputeCamWithDynamics(MakeCam(FollowerKind::Roller, Anchor(), 40, 1, 10, 6), d);
    const std::vector<DynamicsSample>& samples = roller.dynamics.samples;
    for (const int deg : {130, 150, 170, 310, 330, 350}) {
        // The roller's centre on its line x = 6, lifted from the prime circle (radius 50).
        const double height = std::sqrt(50 * 50 - 36) + (deg < 200 ? 10 : 0);
        const double pitch = std::hypot(6, height);
        const DynamicsSample& s = samples[deg];
        EXPECT_NEAR(s.normalForce, s.contactForce * pitch / height, 1e-9 * s.normalForce) << deg;
        EXPECT_NEAR(s.stress.value(), hertz(s.normalForce, (pitch - 10) * 10 / pitch),
                    1e-9 * *s.stress);
    }
    double largest = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double rho = roller.cam.samples[i].contourRadius.value();
        EXPECT_NEAR(samples[i].stress.value(), hertz(samples[i].normalForce, rho * 10 / (rho + 10)),
                    1e-9 * *samples[i].stress)
            << i;
        largest = std::max(largest, *samples[i].stress);
    }
    EXPECT_GE(roller.dynamics.checks.maxContactStress.value, largest);  // the grid holds more
    EXPECT_LT(roller.dynamics.checks.maxContactStress.value, largest * 1.001);
}

TEST(DynamicsStress, UndefinedWhereHertzDoesNotHold) {
    DynamicsInput d = Loads(1000);
    d.contact = ContactMaterial{10, 206000, 0.3};
    // No contact where the follower has left: no stress.
    const DynamicsResult jumping = ComputeDynamics(MakeCam(FollowerKind::Flat, Anchor(), 60, 1), d);
    EXPECT_LT(jumping.samples[100].contactForce, 0);
    EXPECT_EQ(jumping.samples[100].stress, 0.0);
    // A knife edge; the cusps of a flat face's cam.
    d.rpm = 500;
    const DynamicsResult knife =
        ComputeDynamics(MakeCam(FollowerKind::Roller, Anchor(), 40, 1, 0), d);
    for (const DynamicsSample& s : knife.samples) EXPECT_FALSE(s.stress.has_value());
    EXPECT_FALSE(knife.checks.maxContactStress.found);
    EXPECT_EQ(knife.checks.stressUndefined.Render(),
              "contact stress is not defined for a roller of radius 0");
    const CamWithDynamics cusp =
        ComputeCamWithDynamics(MakeCam(FollowerKind::Flat, Anchor(), 3, 1), d);
    int empty = 0;
    for (std::size_t i = 0; i < cusp.cam.samples.size(); ++i) {
        const bool defined = cusp.dynamics.samples[i].stress.has_value();
        EXPECT_EQ(defined, *cusp.cam.samples[i].contourRadius > 0) << i;
        empty += !defined;
    }
    EXPECT_GT(empty, 0);
    EXPECT_TRUE(cusp.dynamics.checks.maxContactStress.found);
    EXPECT_NE(cusp.dynamics.checks.stressUndefined.Render().find("undercut or pointed (first at"),
              std::string::npos);
}

// The arm by its geometry alone: its angle from the samples' roller centres about the pivot
// (finite differences for its speed and acceleration), the normal from the roller centre
// through the contact, and the moments about the pivot and the cam centre in Cartesian
// coordinates. The camshaft's power is the arm's: T omega = M psi-dot.
TEST(DynamicsArm, MomentsAboutPivotAndCamCentreAndPower) {
    const struct {
        double arm, pivot, damping, load;
    } cases[] = {{80, 100, 0, 0}, {80, 100, 0.02, 0.4}, {110, 90, 0.01, -0.2}};
    for (const auto& c : cases) {
        const CamInput cam = MakeArm(ArmSwing(), 40, c.arm, c.pivot);
        const DynamicsInput d = ArmLoads(400, 0.002, 5, 1.5, c.damping, c.load);
        const CamWithDynamics r = ComputeCamWithDynamics(cam, d);
        const Point q = SwingPivot(cam);
        const double omega = 2 * Pi * 400 / 60, h = Rad / 5;
        // The follower's frame: the samples turned back by the cam angle.
        auto unturn = [](Point p, double deg) {
            const double c = std::cos(deg * Rad), s = std::sin(deg * Rad);
            return Point{p.x * c - p.y * s, p.x * s + p.y * c};
        };
        auto angle = [&](std::size_t i) {  // clockwise from rest (0, 50), rad
            const Point p = unturn(r.cam.samples[i].pitch, r.cam.samples[i].angleDeg);
            const double x0 = -q.x, y0 = 50 - q.y, x = p.x - q.x, y = p.y - q.y;
            return -std::atan2(x0 * y - y0 * x, x0 * x + y0 * y);
        };
        double scale = 0;
        for (const DynamicsSample& s : r.dynamics.samples) scale = std::max(scale, std::fabs(s.armTorque));
        for (std::size_t i = 2; i + 2 < r.cam.samples.size(); ++i) {
            const Sample& s = r.cam.samples[i];
            if (std::fmod(s.angleDeg + 0.5, 30) < 1) continue;  // the joins: 60, 150, 210, 300
            // Five points: the error h^4, below the tolerance.
            const double psi = angle(i), p1 = angle(i + 1), m1 = angle(i - 1), p2 = angle(i + 2),
                         m2 = angle(i - 2);
            const double v = (8 * (p1 - m1) - (p2 - m2)) / (12 * h),
                         a = (16 * (p1 + m1) - (p2 + m2) - 30 * psi) / (12 * h * h);
            const double M = 0.002 * a * omega * omega + c.damping * v * omega + 5 * psi + 1.5 + c.load;
            const Point p = unturn(s.pitch, s.angleDeg), contact = unturn(s.contact, s.angleDeg);
            const double nx = p.x - contact.x, ny = p.y - contact.y, n = std::hypot(nx, ny);
            // Clockwise about the pivot, m per unit force along the normal.
            const double lever = -((p.x - q.x) * ny - (p.y - q.y) * nx) / n / 1000;
            const DynamicsSample& load = r.dynamics.samples[i];
            const double tolerance = 1e-7 * scale;
            EXPECT_NEAR(load.armTorque, M, tolerance) << s.angleDeg;
            EXPECT_NEAR(load.normalForce * lever, M, tolerance) << s.angleDeg;
            EXPECT_NEAR(load.contactForce * std::hypot(p.x - q.x, p.y - q.y) / 1000, M, tolerance);
            // The cam centre: the roller pushes back along the normal at the contact.
            const double camArm = (s.contact.x * (s.pitch.y - s.contact.y) - s.contact.y * (s.pitch.x - s.contact.x)) / n / 1000;
            EXPECT_NEAR(load.torque, load.normalForce * camArm, 1e-9 * scale) << s.angleDeg;
            EXPECT_NEAR(load.torque * omega, M * v * omega, tolerance * omega) << s.angleDeg;
        }
    }
}

// On the dwells the roller's centre stands still at P and the contour is a circle about the
// cam centre through the contact: the normal runs through the cam centre, its lever about
// the pivot Q is |P x Q| / |P|, the torque is the spring's alone, and Hertz holds with the
// circle's radius |P| - Rr.
TEST(DynamicsArm, DwellsByHand) {
    DynamicsInput d = ArmLoads(300, 0.002, 5, 1.5, 0.01, 0.3);
    d.contact = ContactMaterial{10, 206000, 0.3};
    const double Estar = 206000 / (2 * (1 - 0.09));
    const CamWithDynamics r = ComputeCamWithDynamics(MakeArm(ArmSwing(), 40, 80, 100, 1), d);
    // The triangle: the pivot 100 mm from the cam centre, 80 from the rest centre (0, 50).
    const double qy = (100 * 100 - 80 * 80 + 50 * 50) / 100.0, qx = std::sqrt(100 * 100 - qy * qy);
    for (const int deg : {10, 40, 160, 200, 320, 350}) {
        const double psi = deg > 100 && deg < 250 ? 15 * Rad : 0;
        // The rest centre turned clockwise by psi about the pivot.
        const double wx = -qx * std::cos(psi) + (50 - qy) * std::sin(psi),
                     wy = (50 - qy) * std::cos(psi) + qx * std::sin(psi);
        const double px = qx + wx, py = qy + wy, radius = std::hypot(px, py);
        const double M = 5 * psi + 1.5 + 0.3;
        const double normal = M / (std::fabs(px * qy - py * qx) / radius / 1000);
        const double rho = radius - 10, relative = rho * 10 / (rho + 10);
        const double b = std::sqrt(4 * normal * relative / (Pi * 10 * Estar));
        const DynamicsSample& s = r.dynamics.samples[deg];
        EXPECT_NEAR(s.normalForce, normal, 1e-9 * normal) << deg;
        EXPECT_NEAR(s.contactForce, M / 0.08, 1e-9 * normal) << deg;
        EXPECT_NEAR(s.torque, 0, 1e-12) << deg;
        EXPECT_NEAR(s.stress.value(), 2 * normal / (Pi * b * 10), 1e-9 * *s.stress) << deg;
    }
}

// A simple harmonic swing of h into a dwell decelerates at its end by psi'' = -2h (90
// degrees): there the torque I psi'' omega^2 + kt h + T0 first reaches zero, at
// omega^2 = (kt h + T0) / (2 I h); at the least torque rate the least force is zero.
TEST(DynamicsArm, JumpFreeSpeedAndLeastTorqueRate) {
    const struct {
        double h, inertia, rate, preload;  // degrees, kg m², N m/rad, N m
    } cases[] = {{15, 0.002, 5, 1.5}, {8, 0.01, 0, 2}, {25, 0.0005, 12, 0.2}};
    for (const auto& c : cases) {
        const CamInput cam = MakeArm(
            Motion::FromRows({{0, 0}, {90, c.h, Law::SimpleHarmonic}, {180, c.h}, {360, 0}}), 40, 80, 100, 1);
        const double h = c.h * Rad;
        const double expected = std::sqrt((c.rate * h + c.preload) / (2 * c.inertia * h)) * 30 / Pi;
        DynamicsInput d = ArmLoads(expected, c.inertia, c.rate, c.preload);
        const DynamicsChecks checks = ComputeDynamics(cam, d).checks;
        EXPECT_NEAR(checks.jumpFreeRpm.value.value(), expected, 1e-10 * expected) << c.h;
        EXPECT_NEAR(checks.minContactForce.value, 0, 1e-9 * c.preload / 0.08) << c.h;
        EXPECT_EQ(checks.minContactForce.atDeg, 90) << c.h;

        d.rpm = 1.5 * expected;
        const double least = ComputeDynamics(cam, d).checks.minSpringRate.value.value();
        EXPECT_GT(least, c.rate);
        d.springTorqueRate = least;
        EXPECT_NEAR(ComputeDynamics(cam, d).checks.minContactForce.value, 0, 1e-6 * c.preload / 0.08);
        d.springTorqueRate = least * (1 + 1e-9);
        EXPECT_FALSE(ComputeDynamics(cam, d).checks.jump);
        d.springTorqueRate = least * (1 - 1e-9);
        EXPECT_TRUE(ComputeDynamics(cam, d).checks.jump);
    }
}

TEST(DynamicsErrors, BadInputNamesTheKey) {
    using testing::MessageOf;
    const CamInput cam = MakeCam(FollowerKind::Roller, Anchor(), 40);
    const struct {
        double DynamicsInput::*key;
        double value;
        const char* message;
    } cases[] = {
        {&DynamicsInput::mass, -1.8, "dynamics.mass: must be greater than 0 kg and less than 1000000 kg"},
        {&DynamicsInput::rpm, 0,
         "cam.rpm: the loads of [dynamics] need the cam's speed, a number greater than 0"},
        {&DynamicsInput::preload, NAN, "dynamics.preload: must be a finite number"},
        {&DynamicsInput::load, -INFINITY, "dynamics.load: must be a finite number"},
        {&DynamicsInput::springRate, -1, "dynamics.spring_rate: must be at least 0 N/mm and less than 1000000 N/mm"},
        {&DynamicsInput::damping, INFINITY, "dynamics.damping: must be a finite number"},
        {&DynamicsInput::rpm, 1e104, "cam.rpm: must be greater than 0 rpm and less than 1000000 rpm"},
        {&DynamicsInput::load, 1e6, "dynamics.load: must be greater than -1000000 N and less than 1000000 N"},
    };
    for (const auto& c : cases) {
        DynamicsInput d = Loads(1000);
        d.*c.key = c.value;
        EXPECT_EQ(MessageOf([&] { ComputeCamWithDynamics(cam, d); }), c.message);
    }
    DynamicsInput d = Loads(1000);
    d.contact = ContactMaterial{0, 206000, 0.3};
    EXPECT_EQ(MessageOf([&] { ComputeDynamics(cam, d); }),
              "contact.width: must be at least 0.001 mm and less than 1000000 mm");
    d.contact = ContactMaterial{10, 206000, 0.5};
    EXPECT_EQ(MessageOf([&] { ComputeDynamics(cam, d); }),
              "contact.poisson_ratio: must be at least 0 and less than 0.5");
    // An arm reads its own keys (a translating follower's mass is not one of them).
    const struct {
        double DynamicsInput::*key;
        double value;
        const char* message;
    } arm[] = {
        {&DynamicsInput::inertia, 0, "dynamics.inertia: must be greater than 0 kg m² and less than 1000000 kg m²"},
        {&DynamicsInput::damping, -1,
         "dynamics.damping: must be at least 0 N m s/rad and less than 1000000 N m s/rad"},
        {&DynamicsInput::springTorqueRate, NAN, "dynamics.spring_torque_rate: must be a finite number"},
        {&DynamicsInput::preloadTorque, 1e6,
         "dynamics.preload_torque: must be greater than -1000000 N m and less than 1000000 N m"},
        {&DynamicsInput::loadTorque, -INFINITY, "dynamics.load_torque: must be a finite number"},
    };
    for (const auto& c : arm) {
        DynamicsInput loads = ArmLoads(1000);
        loads.*c.key = c.value;
        EXPECT_EQ(MessageOf([&] { ComputeDynamics(MakeArm(ArmSwing()), loads); }), c.message);
    }
    UseLanguage(Language::Japanese, PLATECAM_TEST_LOCALE_DIR);
    d.mass = -1;
    EXPECT_EQ(MessageOf([&] { ComputeDynamics(cam, d); }),
              "dynamics.mass: 0 kg より大きく 1000000 kg 未満でなければなりません");
    UseLanguage(Language::English);
}

// Random cams and loads, sensible and not: every figure is finite, or CamError.
TEST(DynamicsErrors, NothingLeavesThatIsNotFinite) {
    std::mt19937_64 random(11);
    auto power = [&](double a, double b) {
        return std::pow(10.0, std::uniform_real_distribution<double>(a, b)(random));
    };
    int computed = 0;
    for (int n = 0; n < 200; ++n) {
        const double h = power(-3, 3);
        const Motion motion = Motion::FromRows({{0, 0},
                                                {40 + n % 50, h, static_cast<Law>(n % LawCount)},
                                                {200, n % 3 ? h : -h},
                                                {360, 0, static_cast<Law>((n + 2) % LawCount)}});
        CamInput cam = MakeCam(n % 2 ? FollowerKind::Flat : FollowerKind::Roller, motion,
                               power(-1, 3), 2, n % 7 ? power(-2, 2) : 0, power(-2, 1));
        DynamicsInput d =
            Loads(power(-2, 6), power(-4, 4), n % 5 ? power(-3, 5) : 0, power(-3, 5) - 1,
                  n % 3 ? power(-2, 6) : 0, power(-3, 5) * (n % 4 ? 1 : -1));
        if (n % 3 == 2) {  // an arm whose triangle closes: pivot_distance^2 = prime^2 + arm^2
            cam.follower.kind = FollowerKind::SwingRoller;
            cam.follower.armLength = power(0, 3);
            cam.follower.pivotDistance =
                std::hypot(cam.baseRadius + cam.follower.rollerRadius, cam.follower.armLength);
            d.inertia = power(-6, 2);
            d.springTorqueRate = n % 5 ? power(-3, 4) : 0;
            d.preloadTorque = power(-4, 3) - 0.1;
            d.loadTorque = power(-4, 3) * (n % 4 ? 1 : -1);
            d.damping = n % 4 ? power(-4, 3) : 0;
        }
        d.contact = ContactMaterial{power(-1, 3), power(2, 6), 0.3};
        try {
            const DynamicsChecks c = ComputeDynamics(cam, d).checks;
            double sum = c.minContactForce.value + c.peakTorque.value + c.minTorque.value +
                         c.maxContactStress.value + c.jumpFreeRpm.value.value_or(0) +
                         c.minSpringRate.value.value_or(0);
            for (const DynamicsSample& s : ComputeDynamics(cam, d).samples)
                sum += s.contactForce + s.normalForce + s.torque + s.armTorque + s.stress.value_or(0);
            EXPECT_TRUE(std::isfinite(sum)) << n;
            EXPECT_NE(c.jumpFreeRpm.value.has_value(), !c.jumpFreeRpm.reason.empty()) << n;
            EXPECT_NE(c.minSpringRate.value.has_value(), !c.minSpringRate.reason.empty()) << n;
            ++computed;
        } catch (const CamError&) {
        }
    }
    EXPECT_GT(computed, 100);
}

}  // namespace
}  // namespace platecam::engine
