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


}  // namespace
}  // namespace platecam
