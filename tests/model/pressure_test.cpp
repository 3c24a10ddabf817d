#include "model/pressure.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "model/profile.h"
#include "model/sample_trig.h"

#include <cmath>
#include "tests/model/design_fixtures.h"

namespace platecam {
namespace {

using testing::DefaultDesign;
using testing::MakeDesign;

TEST(RotatePoint, QuarterTurnsAndZero) {
    Point2 p = RotatePoint(3, 4, 0);
    EXPECT_EQ(p.x, 3.0);
    EXPECT_EQ(p.y, 4.0);
    p = RotatePoint(0, 7, 90);
    EXPECT_NEAR(p.x, -7, 1e-14);
    EXPECT_NEAR(p.y, 0, 1e-14);
    p = RotatePoint(7, 0, -90);
    EXPECT_NEAR(p.x, 0, 1e-14);
    EXPECT_NEAR(p.y, -7, 1e-14);
    p = RotatePoint(1, 2, 180);
    EXPECT_NEAR(p.x, -1, 1e-14);
    EXPECT_NEAR(p.y, -2, 1e-14);
}

TEST(DirectionAngle, OneArgumentArctangentAndItsTraps) {
    EXPECT_NEAR(DirectionAngle({0, 0}, {1, 1}), 45, 1e-12);
    EXPECT_NEAR(DirectionAngle({1, 1}, {0, 0}), 45, 1e-12) << "a chord and its reverse";
    EXPECT_NEAR(DirectionAngle({0, 0}, {-1, 1}), -45, 1e-12);
    try {
        DirectionAngle({1, 1}, {1, 5});
        FAIL();
    } catch (const CamError& e) {
        EXPECT_STREQ(e.what(), "0 による浮動小数点数除算");
    }
    try {
        DirectionAngle({1, 1}, {1, 1});
        FAIL();
    } catch (const CamError& e) {
        EXPECT_STREQ(e.what(), "不正な浮動小数点数演算命令");
    }
}

TEST(ComputePressureAngles, DefaultDesignExtremes) {
    auto d = DefaultDesign(1, 0);
    ComputePitchCurve(*d);
    ComputeCamProfile(*d);
    ComputePressureAngles(*d);
    EXPECT_NEAR(d->MaxPressureAngle, 17.6205, 5e-5);
    EXPECT_NEAR(d->MinPressureAngle, -24.0624, 5e-5);
    EXPECT_EQ(d->PressureAngle[58], d->MaxPressureAngle);
    EXPECT_EQ(d->PressureAngle[222], d->MinPressureAngle);
    for (int i = 0; i <= 29; ++i) EXPECT_EQ(d->PressureAngle[i], 0.0) << i;
    EXPECT_EQ(d->PressureAngle[90], 0.0) << "a dwell after a rise takes the boundary";
    EXPECT_NEAR(d->PressureAngle[30], 0.0, 1e-2) << "first motion sample after a dwell";
}

TEST(ComputePressureAngles, FirstMotionSampleAtFinerResolutions) {
    for (auto [S, expected] : {std::pair{2, 0.25}, {5, 0.4}}) {
        auto d = DefaultDesign(S, 0);
        ComputePitchCurve(*d);
        ComputeCamProfile(*d);
        ComputePressureAngles(*d);
        EXPECT_NEAR(d->PressureAngle[30 * S], expected, 1e-2) << S;
    }
}

TEST(ComputePressureAngles, DwellsOnlyAndAFreshContour) {
    auto d = MakeDesign({{0, 5}, {180, 5}, {360, 5}});
    d->MaxPressureAngle = 3;
    ComputePressureAngles(*d);
    EXPECT_EQ(d->MaxPressureAngle, 0.0);
    EXPECT_EQ(d->MinPressureAngle, 0.0);

    // A table with a motion segment and a never-computed contour: coincident points.
    d = DefaultDesign(1, 0);
    d->PressureAngle.fill(9);
    try {
        ComputePressureAngles(*d);
        FAIL();
    } catch (const CamError& e) {
        EXPECT_STREQ(e.what(), "不正な浮動小数点数演算命令");
    }
    // The dwell wrote its samples, boundary included; the rise failed at its first.
    for (int i = 0; i <= 30; ++i) EXPECT_EQ(d->PressureAngle[i], 0.0);
    for (int i = 31; i <= MaxSampleIndex; ++i) ASSERT_EQ(d->PressureAngle[i], 9.0) << i;
}

}  // namespace
}  // namespace platecam

namespace platecam {
namespace {

// The per-resolution tables must give exactly what the direct computation gives.
TEST(SampleTrig, TablesEqualTheDirectComputation) {
    for (int S : {1, 2, 5}) {
        const SampleTrig& trig = SampleTrigFor(S);
        // One revolution, 0..360 S: no table angle reaches beyond it.
        for (int i = 0; i <= std::min(360 * S, MaxSampleIndex); ++i) {
            const long double theta = SampleAngle(i, S);
            ASSERT_EQ(trig.cosTheta[i], std::cos(theta)) << S << " " << i;
            ASSERT_EQ(trig.sinTheta[i], std::sin(theta)) << S << " " << i;
            const double alpha = static_cast<double>(static_cast<long double>(i) / S);
            const Point2 direct = RotatePoint(12.345, -6.789, alpha);
            const Point2 tabled = RotateBy(trig.cosAlpha[i], trig.sinAlpha[i], 12.345, -6.789);
            ASSERT_EQ(direct.x, tabled.x) << S << " " << i;
            ASSERT_EQ(direct.y, tabled.y) << S << " " << i;
        }
    }
}

}  // namespace
}  // namespace platecam
