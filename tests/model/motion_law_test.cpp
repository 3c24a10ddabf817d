#include "model/motion_law.h"

#include <gtest/gtest.h>

#include <cmath>

namespace platecam {
namespace {

struct Row {
    double t, cycloid, trapezoid, sine;
};

TEST(EvaluateMotionLaw, PublishedValuesToTenDecimals) {
    const Row rows[] = {
        {0.0625, 0.0015940401, 0.0024234632, 0.0027406836},
        {0.125, 0.0124604605, 0.0176686609, 0.0199814087},
        {0.25, 0.0908450569, 0.1044801940, 0.1171784846},
        {0.375, 0.2624604605, 0.2676686609, 0.2874845073},
        {0.5, 0.5, 0.5, 0.5},
        {0.625, 0.7375395395, 0.7323313391, 0.7125154927},
        {0.75, 0.9091549431, 0.8955198060, 0.8828215154},
        {0.875, 0.9875395395, 0.9823313391, 0.9800185913},
        {0.9375, 0.9984059599, 0.9975765368, 0.9972593164},
    };
    for (const Row& r : rows) {
        EXPECT_NEAR(EvaluateMotionLaw(MotionLaw::Cycloid, r.t), r.cycloid, 5e-11) << r.t;
        EXPECT_NEAR(EvaluateMotionLaw(MotionLaw::ModifiedTrapezoid, r.t), r.trapezoid, 5e-11) << r.t;
        EXPECT_NEAR(EvaluateMotionLaw(MotionLaw::ModifiedSine, r.t), r.sine, 5e-11) << r.t;
    }
}

TEST(EvaluateMotionLaw, EndsAndTheTrapezoidsCutConstant) {
    for (int law = 0; law < 3; ++law) {
        EXPECT_NEAR(EvaluateMotionLaw(law, 0.0), 0.0, 2.3e-16) << law;
        EXPECT_NEAR(EvaluateMotionLaw(law, 1.0), 1.0, 2.3e-16) << law;
    }
    // The 11-digit A leaves the middle point and the 0.625 boundary slightly off.
    EXPECT_NEAR(EvaluateMotionLaw(1, 0.5), 0.49999999999864, 5e-15);
    EXPECT_NE(EvaluateMotionLaw(1, 0.5), 0.5);
    EXPECT_NEAR(EvaluateMotionLaw(1, 0.625), 0.7323313391318758, 2e-16);
    EXPECT_NEAR(EvaluateMotionLaw(1, std::nextafter(0.625, 1.0)), 0.732331339134588, 2e-15);
}

TEST(EvaluateMotionLaw, OutsideTheIntervalAndOtherIndices) {
    EXPECT_NEAR(EvaluateMotionLaw(0, 1.0625), 1.0015940401, 5e-11);
    EXPECT_NEAR(EvaluateMotionLaw(1, -0.0625), -0.0024234632, 5e-11);
    EXPECT_NEAR(EvaluateMotionLaw(2, -0.0625), -0.0027406836, 5e-11);
    EXPECT_NEAR(EvaluateMotionLaw(2, 1.0625), 1.0027406836, 5e-11);
    for (double t : {0.1, 0.4, 0.875, 0.95}) {
        EXPECT_EQ(EvaluateMotionLaw(3, t), EvaluateMotionLaw(2, t));
        EXPECT_EQ(EvaluateMotionLaw(-1, t), EvaluateMotionLaw(2, t));
    }
}

TEST(EvaluateMotionLaw, SymmetricAndNonDecreasing) {
    for (int law = 0; law < 3; ++law) {
        const double tolerance = law == 1 ? 3e-12 : 1e-15;
        double previous = EvaluateMotionLaw(law, 0.0);
        for (int k = 1; k <= 4000; ++k) {
            const double t = k / 4000.0;
            const double y = EvaluateMotionLaw(law, t);
            EXPECT_GE(y, previous - 1e-15) << law << " at " << t;
            EXPECT_NEAR(EvaluateMotionLaw(law, 1 - t), 1 - y, tolerance) << law << " at " << t;
            previous = y;
        }
    }
}

}  // namespace
}  // namespace platecam

namespace platecam {
namespace {

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

}  // namespace
}  // namespace platecam
