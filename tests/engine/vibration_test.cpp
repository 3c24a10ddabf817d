#include "engine/vibration.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "base/errors.h"

namespace platecam::engine {
namespace {

constexpr double Pi = 3.141592653589793, Rad = Pi / 180;

// A rise of 10 mm over 90 degrees, a dwell, the fall, a dwell.
Motion RiseAndFall(Law rise, Law fall) {
    return Motion::FromRows({{0, 0}, {90, 10, rise}, {180, 10}, {270, 0, fall}, {360, 0}});
}

CamInput MakeCam(Motion motion, int S = 1) {
    CamInput cam;
    cam.follower.kind = FollowerKind::Roller;
    cam.follower.rollerRadius = 10;
    cam.baseRadius = 60;
    cam.motion = std::move(motion);
    cam.stepsPerDegree = S;
    return cam;
}

DynamicsInput Loads(double rpm, double mass, double rate = 0, double preload = 0, double damping = 0) {
    DynamicsInput d;
    d.rpm = rpm;
    d.mass = mass;
    d.springRate = rate;
    d.preload = preload;
    d.damping = damping;
    return d;
}

// The residual vibration of a cycloidal rise without damping, r = rise time / natural
// period: |sin pi r| / (pi r |r^2 - 1|) of the lift.
double CycloidResidual(double r) {
    if (r == 1) return 0.5;
    return std::fabs(std::sin(Pi * r)) / (Pi * r * std::fabs(r * r - 1));
}

TEST(VibrationResidual, CycloidMeetsTheClosedForm) {
    // 60 rpm: a rise over 83 degrees takes 83/360 s (the turn no whole number of natural
    // periods: the steady state exists); k = m wn^2 for a 1 kg mass.
    const CamInput cam =
        MakeCam(Motion::FromRows({{0, 0}, {83, 10, Law::Cycloid}, {180, 10}, {263, 0, Law::Cycloid}, {360, 0}}));
    for (double r = 0.5; r <= 5 + 1e-9; r += 0.25) {
        const double wn = 2 * Pi * r / (83.0 / 360);
        const VibrationResult v = ComputeVibration(cam, Loads(60, 1), {wn * wn / 1000, 0});
        ASSERT_EQ(v.checks.residuals.size(), 2u);
        EXPECT_NEAR(v.checks.naturalFrequencyHz, wn / (2 * Pi), 1e-9 * wn);
        for (const ResidualVibration& residual : v.checks.residuals) {
            EXPECT_NEAR(residual.ratio, CycloidResidual(r), 1e-3 * CycloidResidual(r) + 1e-7) << r;
            EXPECT_NEAR(residual.amplitude, 10 * residual.ratio, 1e-12);
        }
    }
    EXPECT_NEAR(CycloidResidual(0.5), 0.848826, 1e-6);
    EXPECT_NEAR(CycloidResidual(1.5), 0.169765, 1e-6);
    EXPECT_NEAR(CycloidResidual(2.5), 0.024252, 1e-6);
}

// The sweep's residuals at its speeds: the same closed form, r falling as the speed grows.
// Without damping a turn of a whole number of natural periods (12 Hz: 720 / rpm of them)
// has no steady state.
TEST(VibrationSweep, SpeedsAndResiduals) {
    const CamInput cam = MakeCam(RiseAndFall(Law::Cycloid, Law::Cycloid));
    const double wn = 2 * Pi * 12;
    const std::vector<SpeedPoint> sweep = SweepSpeeds(cam, Loads(60, 1), {wn * wn / 1000, 0}, 20, 200, 30);
    ASSERT_EQ(sweep.size(), 7u);
    for (std::size_t i = 0; i < sweep.size(); ++i) {
        const double rpm = 20 + 30.0 * i, r = 0.25 * 60 / rpm * 12;
        EXPECT_DOUBLE_EQ(sweep[i].rpm, rpm);
        EXPECT_NEAR(sweep[i].residual, 10 * CycloidResidual(r), 1e-2 * CycloidResidual(r) + 1e-6) << rpm;
        const double periods = 720 / rpm;
        EXPECT_EQ(sweep[i].minContactForce.has_value(), periods != std::round(periods)) << rpm;
    }
}

// The follower on its train by Runge-Kutta, in the mass's own coordinate, turn after turn
// until the damping has settled it: the deviation x - y and the train's force at angle deg.
struct Settled {
    std::vector<double> deviation, force;
};
Settled RungeKutta(const Motion& motion, const DynamicsInput& d, const TrainInput& t, int S) {
    const double omega = 2 * Pi * d.rpm / 60, k = t.stiffness * 1000, m = d.mass;
    const double ct = 2 * t.dampingRatio * std::sqrt(k * m), ks = d.springRate * 1000;
    auto cam = [&](double theta) {  // y (m), dy/dt (m/s)
        const Kinematics q = motion.At(std::fmod(theta / Rad, 360));
        return std::pair{q.s / 1000, q.v * omega / 1000};
    };
    auto acceleration = [&](double theta, double x, double v) {
        const auto [y, yv] = cam(theta);
        return (k * (y - x) + ct * (yv - v) - ks * x - d.preload - d.load - d.damping * v) / m;
    };
    const int perDegree = 40;
    const double dt = Rad / perDegree / omega;
    double x = cam(0).first, v = 0;
    Settled out;
    for (int turn = 0; turn < 40; ++turn) {
        const bool last = turn == 39;
        for (int n = 0; n < 360 * perDegree; ++n) {
            const double theta = n * Rad / perDegree;
            if (last && n % (perDegree / S) == 0) {
                const auto [y, yv] = cam(theta);
                out.deviation.push_back((x - y) * 1000);
                out.force.push_back(k * (y - x) + ct * (yv - v));
            }
            const double h = Rad / perDegree;
            const double a1 = acceleration(theta, x, v);
            const double a2 = acceleration(theta + h / 2, x + dt / 2 * v, v + dt / 2 * a1);
            const double a3 = acceleration(theta + h / 2, x + dt / 2 * (v + dt / 2 * a1), v + dt / 2 * a2);
            const double a4 = acceleration(theta + h, x + dt * (v + dt / 2 * a2), v + dt * a3);
            x += dt * (v + dt / 6 * (a1 + a2 + a3));
            v += dt / 6 * (a1 + 2 * a2 + 2 * a3 + a4);
        }
    }
    return out;
}

TEST(VibrationSteadyState, AgreesWithRungeKutta) {
    const struct {
        Law rise, fall;
        DynamicsInput loads;
        TrainInput train;
    } cases[] = {
        {Law::Cycloid, Law::Polynomial345, Loads(300, 0.8, 5, 40, 3), {80, 0.05}},
        {Law::ModifiedSine, Law::SimpleHarmonic, Loads(200, 1.5, 0, 10, 0), {40, 0.1}},
    };
    for (const auto& c : cases) {
        const CamInput cam = MakeCam(RiseAndFall(c.rise, c.fall), 2);
        const VibrationResult v = ComputeVibration(cam, c.loads, c.train);
        const Settled rk = RungeKutta(cam.motion, c.loads, c.train, 2);
        ASSERT_EQ(rk.deviation.size(), v.samples.size());
        double peak = 0, force = 0;
        for (std::size_t i = 0; i < v.samples.size(); ++i) {
            peak = std::max(peak, std::fabs(rk.deviation[i]));
            force = std::max(force, std::fabs(rk.force[i]));
        }
        for (std::size_t i = 0; i < v.samples.size(); ++i) {
            ASSERT_NEAR(v.samples[i].deviation, rk.deviation[i], 1e-5 * peak) << i;
            ASSERT_NEAR(v.samples[i].contactForce, rk.force[i], 1e-5 * force) << i;
        }
        EXPECT_NEAR(std::fabs(v.checks.maxDeviation.value), peak, 1e-3 * peak);
    }
}

// A stiffer and stiffer train: the contact force approaches the rigid follower's (laws
// whose jerk is continuous: what rings on then falls with the stiffness itself).
TEST(VibrationStiffness, RigidLimit) {
    const CamInput cam = MakeCam(RiseAndFall(Law::Polynomial4567, Law::Polynomial4567));
    const DynamicsInput loads = Loads(1000, 1.2, 15, 40, 20);
    const DynamicsResult rigid = ComputeDynamics(cam, loads);
    double before = HUGE_VAL;
    for (const double k : {1e3, 1e5, 1e7}) {
        const VibrationResult v = ComputeVibration(cam, loads, {k, 0.05});
        double worst = 0, peak = 0;
        for (std::size_t i = 0; i < v.samples.size(); ++i) {
            worst = std::max(worst, std::fabs(v.samples[i].contactForce - rigid.samples[i].contactForce));
            peak = std::max(peak, std::fabs(rigid.samples[i].contactForce));
        }
        EXPECT_LT(worst, before / 30) << k;
        before = worst;
        if (k == 1e7) {
            EXPECT_LT(worst, 1e-4 * peak);
        }
    }
}

// The compensated cam's follower follows the law at the design speed.
TEST(VibrationCompensation, FollowerFollowsTheLaw) {
    const struct {
        Law rise, fall;
        double zeta, damping;
    } cases[] = {
        {Law::Polynomial4567, Law::Polynomial4567, 0, 0},
        {Law::Polynomial4567, Law::Polynomial4567, 0.05, 30},
        {Law::Cycloid, Law::Polynomial345, 0.1, 0},
        {Law::ModifiedSine, Law::Cycloid, 0.3, 0},
    };
    for (const auto& c : cases) {
        const CamInput cam = MakeCam(RiseAndFall(c.rise, c.fall));
        const DynamicsInput loads = Loads(600, 1, 10, 50, c.damping);
        const TrainInput train{60, c.zeta};  // about 39 Hz: it rings
        const double plain = std::fabs(ComputeVibration(cam, loads, train).checks.maxDeviation.value);
        CamInput compensated = cam;
        compensated.motion = cam.motion.WithCorrection(Compensation(cam, loads, train));
        const VibrationResult v = ComputeVibration(compensated, loads, train);
        EXPECT_LT(std::fabs(v.checks.maxDeviation.value), 0.01 * plain) << c.zeta;
        EXPECT_GT(plain, 0.1);
    }
}

// The correction's derivatives (the contour's geometry) are those of its value.
TEST(VibrationCompensation, DerivativesByDifferences) {
    const CamInput cam = MakeCam(RiseAndFall(Law::Polynomial4567, Law::Polynomial4567));
    for (const double zeta : {0.0, 1e-6, 1e-4, 0.05, 0.6}) {
        const auto z = Compensation(cam, Loads(600, 1, 10, 50, 5), {60, zeta});
        for (const std::size_t g : {0u, 2u}) {
            for (const double x : {0.1, 0.37, 0.5, 0.83}) {
                const double h = 1e-4, span = 90 * Rad;
                const Kinematics m = z->At(g, x), lo = z->At(g, x - h), hi = z->At(g, x + h);
                const double scale = std::max(std::fabs(m.v), 1e-3);
                EXPECT_NEAR((hi.s - lo.s) / (2 * h * span), m.v, 1e-5 * scale) << zeta << " " << x;
                EXPECT_NEAR((hi.v - lo.v) / (2 * h * span), m.a, 1e-5 * std::max(std::fabs(m.a), 1e-2)) << zeta;
                EXPECT_NEAR((hi.a - lo.a) / (2 * h * span), m.j, 1e-3 * std::max(std::fabs(m.j), 1e-1)) << zeta;
            }
        }
    }
}

TEST(VibrationErrors, Refusals) {
    const DynamicsInput loads = Loads(600, 1, 10, 50);
    // A step or a corner in the corrected contour.
    EXPECT_THROW(Compensation(MakeCam(RiseAndFall(Law::SimpleHarmonic, Law::Cycloid)), loads, {60, 0.1}), CamError);
    EXPECT_THROW(Compensation(MakeCam(RiseAndFall(Law::Cycloid, Law::Cycloid)), loads, {60, 0}), CamError);
    EXPECT_NO_THROW(Compensation(MakeCam(RiseAndFall(Law::Cycloid, Law::Cycloid)), loads, {60, 0.01}));
    CamInput arm = MakeCam(RiseAndFall(Law::Cycloid, Law::Cycloid));
    arm.follower.kind = FollowerKind::SwingRoller;
    EXPECT_THROW(ComputeVibration(arm, loads, {60, 0.1}), CamError);
    EXPECT_THROW(Compensation(arm, loads, {60, 0.1}), CamError);
    EXPECT_THROW(ComputeVibration(MakeCam(RiseAndFall(Law::Cycloid, Law::Cycloid)), loads, {0, 0.1}), CamError);
}

}  // namespace
}  // namespace platecam::engine
