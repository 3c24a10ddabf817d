#include "model/displacement.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "model/motion_law.h"
#include "tests/model/design_fixtures.h"

namespace platecam {
namespace {

using testing::DefaultDesign;
using testing::MakeDesign;

TEST(BuildDisplacement, DefaultTableAtOneSamplePerDegree) {
    auto d = DefaultDesign(1, 0);
    const auto& s = d->Displacement;
    for (int i = 0; i <= 30; ++i) EXPECT_EQ(s[i], 0.0) << i;
    EXPECT_NEAR(s[45], 0.9084505691, 5e-11);
    EXPECT_NEAR(s[60], 5.0, 1e-12);
    EXPECT_NEAR(s[75], 9.0915494309, 5e-11);
    for (int i = 90; i <= 110; ++i) EXPECT_EQ(s[i], 10.0) << i;
    EXPECT_NEAR(s[140], 15.0, 1e-12);
    for (int i = 170; i <= 180; ++i) EXPECT_EQ(s[i], 20.0) << i;
    EXPECT_NEAR(s[220], 10.0, 1e-12);
    EXPECT_NEAR(s[259], 0.0002569417, 5e-11);
    for (int i = 260; i <= 360; ++i) EXPECT_EQ(s[i], 0.0) << i;
    for (int i = 361; i <= MaxSampleIndex; ++i) ASSERT_EQ(s[i], 0.0) << i;

    EXPECT_NEAR(DefaultDesign(1, 1)->Displacement[45], 1.0448019397, 5e-11);
    EXPECT_NEAR(DefaultDesign(1, 2)->Displacement[45], 1.1717848461, 5e-11);
    EXPECT_NEAR(DefaultDesign(1, 1)->Displacement[60], 4.9999999999864, 5e-14);
    EXPECT_NEAR(DefaultDesign(1, 2)->Displacement[60], 5.0, 1e-12);
}

TEST(BuildDisplacement, DefaultTableAtTwoSamplesPerDegree) {
    auto d = DefaultDesign(2, 0);
    EXPECT_NEAR(d->Displacement[120], 5.0, 1e-12);
    EXPECT_NEAR(d->Displacement[280], 15.0, 1e-12);
    EXPECT_NEAR(d->Displacement[440], 10.0, 1e-12);
    EXPECT_EQ(d->Displacement[719], 0.0);
    EXPECT_EQ(d->Displacement[720], 0.0);
}

TEST(BuildDisplacement, OneRiseOverTheRevolutionAndTheTerminatorSample) {
    auto d = MakeDesign({{0, 0}, {360, 10}});
    BuildDisplacement(*d, 0);
    for (int i = 0; i <= 358; ++i) {
        ASSERT_EQ(d->Displacement[i], static_cast<double>(static_cast<long double>(
                                          EvaluateMotionLaw(0, i / 360.0)) * 10));
    }
    EXPECT_NEAR(d->Displacement[358], 9.9999887186, 5e-11);
    EXPECT_EQ(d->Displacement[359], 10.0) << "the terminator step";
    EXPECT_NEAR(d->Displacement[360], 10.0, 1e-14);

    d = MakeDesign({{360, 3}});
    d->StepsPerDegree = 5;
    BuildDisplacement(*d, 0);
    for (int i = 0; i <= MaxSampleIndex; ++i) ASSERT_EQ(d->Displacement[i], i == 1799 ? 3.0 : 0.0);
}

TEST(BuildDisplacement, EqualAngleRiseFailsAfterEarlierSegments) {
    auto d = MakeDesign({{0, 0}, {90, 0}, {90, 10}, {360, 10}});
    d->Displacement.fill(7);
    try {
        BuildDisplacement(*d, 0);
        FAIL() << "no error";
    } catch (const CamError& e) {
        EXPECT_STREQ(e.what(), "不正な浮動小数点数演算命令");
    }
    for (int i = 0; i <= 90; ++i) EXPECT_EQ(d->Displacement[i], 0.0);
    for (int i = 91; i <= MaxSampleIndex; ++i) ASSERT_EQ(d->Displacement[i], 7.0);

    d = MakeDesign({{0, 0}, {90, 0}, {90, 0}, {360, 0}});
    d->Displacement.fill(7);
    EXPECT_NO_THROW(BuildDisplacement(*d, 0));
    for (int i = 0; i <= 360; ++i) EXPECT_EQ(d->Displacement[i], 0.0);
}

TEST(BuildDisplacement, LaterSegmentsOverwriteAndEmptySegmentsWriteNothing) {
    auto d = MakeDesign({{0, 0}, {200, 10}, {100, 10}, {360, 0}});
    BuildDisplacement(*d, 0);
    EXPECT_EQ(d->Displacement[100], 10.0) << "the fall from 100 overwrites the rise";
    EXPECT_LT(d->Displacement[200], 10.0);
    EXPECT_GT(d->Displacement[200], 0.0);
}

TEST(BuildDisplacement, CoarserBuildKeepsFinerSamplesBeyondTheRevolution) {
    auto d = DefaultDesign(5, 0);
    const double kept = d->Displacement[1000];
    d->StepsPerDegree = 1;
    BuildDisplacement(*d, 0);
    EXPECT_EQ(d->Displacement[1000], kept);
    EXPECT_NE(kept, 0.0);
}

TEST(BuildDisplacement, OutOfRangeAnglesRefuseTheWholeBuild) {
    auto d = MakeDesign({{0, 0}, {30, 5}, {-20, 5}, {360, 0}});
    d->Displacement.fill(1);
    try {
        BuildDisplacement(*d, 0);
        FAIL() << "no error";
    } catch (const CamError& e) {
        EXPECT_STREQ(e.what(), "角度 -20 は範囲外です");
    }
    for (double v : d->Displacement) ASSERT_EQ(v, 1.0) << "nothing written";

    d = MakeDesign({{0, 0}, {2147483647, 5}});
    d->StepsPerDegree = 5;
    EXPECT_THROW(BuildDisplacement(*d, 0), CamError);
}

TEST(BuildDisplacement, HugeValuesStopWithOverflowInsteadOfStoringInfinity) {
    auto d = MakeDesign({{0, -1.7e308}, {90, 1.7e308}, {360, 0}});
    try {
        BuildDisplacement(*d, 0);
        FAIL() << "no error";
    } catch (const CamError& e) {
        EXPECT_STREQ(e.what(), "浮動小数点数のオーバーフロー");
    }
    for (double v : d->Displacement) ASSERT_TRUE(std::isfinite(v));
}

}  // namespace
}  // namespace platecam
