#include "batch/window_figures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "model/motion_law.h"
#include "model/pressure.h"
#include "model/profile.h"
#include "tests/model/design_fixtures.h"

namespace platecam {
namespace {

struct Computed {
    std::unique_ptr<CamDesign> design;
    std::unique_ptr<MotionProfile> motion = std::make_unique<MotionProfile>();
};

Computed Default(int S) {
    Computed c{testing::DefaultDesign(S, 0)};
    ComputePitchCurve(*c.design);
    ComputeCamProfile(*c.design);
    BuildMotionProfile(*c.design, 0, *c.motion);
    return c;
}

double Exact(const Computed& c, int i) {
    const CamDesign& d = *c.design;
    return ExactPressureAngle(d.BaseRadius, d.RollerRadius, d.Displacement[i], c.motion->velocity[i]);
}

TEST(ExactPressureAngle, AgreesWithTheChordMethodAndNotWithTheResolution) {
    const Computed one = Default(1), five = Default(5);
    ComputePressureAngles(*one.design);
    for (int i = 1; i + 1 < 360; ++i) {
        // The window's chord to the next sample (its half-step tilt corrected by the added
        // half degree) reads the angle somewhere about the step: it may differ by a few
        // times what the angle changes over a step (2.1 times at most here).
        const double step = std::max(std::fabs(Exact(one, i + 1) - Exact(one, i)),
                                     std::fabs(Exact(one, i) - Exact(one, i - 1)));
        ASSERT_NEAR(one.design->PressureAngle[i], Exact(one, i), 3 * step + 0.01) << i;
        ASSERT_EQ(Exact(one, i), Exact(five, 5 * i)) << "the same cam angle at 0.2 degree";
    }
    double highest = -90, lowest = 90;
    for (int i = 0; i <= 1800; ++i) {
        highest = std::max(highest, Exact(five, i));
        lowest = std::min(lowest, Exact(five, i));
    }
    EXPECT_NEAR(highest, 17.70, 0.01);
    EXPECT_NEAR(lowest, -24.0, 0.05);
}

TEST(PitchCurvature, MatchesTheCircleThroughNeighbouringPitchPoints) {
    const Computed c = Default(5);
    const CamDesign& d = *c.design;
    for (int i : {10, 300, 500, 700, 1000, 1200}) {  // dwell, rise, dwell, rise, fall, fall
        const Point2 a = d.PitchCurve[i - 1], b = d.PitchCurve[i], e = d.PitchCurve[i + 1];
        // Circumradius of the triangle: |ab| |be| |ea| / (4 area), signed by its turn.
        const double cross = (b.x - a.x) * (e.y - a.y) - (b.y - a.y) * (e.x - a.x);
        const double circumradius =
            PointDistance(a, b) * PointDistance(b, e) * PointDistance(e, a) / (2 * cross);
        const double kappa = PitchCurvature(d.BaseRadius, d.RollerRadius, d.Displacement[i],
                                            c.motion->velocity[i], c.motion->acceleration[i]);
        // The samples run clockwise, so a convex part turns right: negative cross.
        EXPECT_NEAR(kappa, -1 / circumradius, 2e-5) << i;
    }
    // The smallest convex pitch radius over the samples (34.16 mm on the exact checks' grid).
    double smallest = 1e9;
    for (int i = 0; i <= 1800; ++i) {
        const double kappa = PitchCurvature(d.BaseRadius, d.RollerRadius, d.Displacement[i],
                                            c.motion->velocity[i], c.motion->acceleration[i]);
        if (kappa > 0) smallest = std::min(smallest, 1 / kappa);
    }
    EXPECT_NEAR(smallest, 34.17, 0.05);
}

// Peak velocity and acceleration in units of lift per span: the laws' known coefficients.
TEST(EvaluateMotionDerivatives, PeaksAndAgreementWithTheLaw) {
    const struct {
        int law;
        double peakVelocity, peakAcceleration, peakJerk;
    } laws[] = {{0, 2.0, 2 * 3.141592653589793, 4 * 3.141592653589793 * 3.141592653589793},
                {1, 2.0, 4.888, 4.8881237628 * 4 * 3.141592653589793},
                {2, 1.76, 5.528, 5.52795707054409 * 4 * 3.141592653589793}};
    for (const auto& l : laws) {
        double v = 0, a = 0, j = 0;
        for (int k = 0; k <= 100000; ++k) {
            const MotionDerivatives d = EvaluateMotionDerivatives(l.law, k / 100000.0);
            ASSERT_TRUE(std::isfinite(d.jerk)) << "finite at every join too: " << k;
            v = std::max(v, d.velocity);
            a = std::max(a, std::fabs(d.acceleration));
            j = std::max(j, std::fabs(d.jerk));
        }
        EXPECT_NEAR(v, l.peakVelocity, 5e-3) << l.law;
        EXPECT_NEAR(a, l.peakAcceleration, 1e-3) << l.law;
        EXPECT_NEAR(j, l.peakJerk, 1e-6 * l.peakJerk) << l.law;
        // The derivatives are those of the displacement law (central differences).
        for (double t : {0.05, 0.2, 0.45, 0.6, 0.8, 0.95}) {
            const double h = 1e-6;
            const double slope = (EvaluateMotionLaw(l.law, t + h) - EvaluateMotionLaw(l.law, t - h)) / (2 * h);
            const double bend = (EvaluateMotionDerivatives(l.law, t + h).velocity -
                                 EvaluateMotionDerivatives(l.law, t - h).velocity) / (2 * h);
            EXPECT_NEAR(EvaluateMotionDerivatives(l.law, t).velocity, slope, 1e-6) << l.law << " " << t;
            EXPECT_NEAR(EvaluateMotionDerivatives(l.law, t).acceleration, bend, 1e-5) << l.law << " " << t;
            // Truncation of order h^2 times the jerk's second derivative (about 1e4 here),
            // rounding of order eps times the acceleration over h.
            const double jolt = (EvaluateMotionDerivatives(l.law, t + h).acceleration -
                                 EvaluateMotionDerivatives(l.law, t - h).acceleration) / (2 * h);
            EXPECT_NEAR(EvaluateMotionDerivatives(l.law, t).jerk, jolt, 1e-4) << l.law << " " << t;
        }
        EXPECT_NEAR(EvaluateMotionDerivatives(l.law, 0).velocity, 0, 1e-15);
        EXPECT_NEAR(EvaluateMotionDerivatives(l.law, 1).velocity, 0, 1e-12);
    }
}

TEST(BuildMotionProfile, RefusesAnAngleOutsideTheRevolution) {
    for (int S : {1, 2, 5}) {
        auto design = testing::MakeDesign({{0, 0}, {400, 5}, {360, 0}}, 45, 10, S);
        EXPECT_EQ(testing::MessageOf([&] { BuildMotionProfile(*design, 0, *std::make_unique<MotionProfile>()); }),
                  FormatMessage(msg::AngleOutOfRange, "400"));
    }
}

}  // namespace
}  // namespace platecam
