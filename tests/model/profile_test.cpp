#include "model/profile.h"

#include <gtest/gtest.h>

#include <cmath>

#include "base/errors.h"
#include "tests/model/design_fixtures.h"

namespace platecam {
namespace {

using testing::DefaultDesign;
using testing::MakeDesign;

double Radius(Point2 p) { return std::hypot(p.x, p.y); }

TEST(CircleIntersection, FirstIsRightOfTheCentreLine) {
    // Circles of radius 5 about (0,0) and (8,0) meet at (4, +-3).
    auto [first, second] = CircleIntersection(5, {0, 0}, 5, {8, 0});
    EXPECT_NEAR(first.x, 4, 1e-12);
    EXPECT_NEAR(first.y, -3, 1e-12) << "right of +x is below";
    EXPECT_NEAR(second.x, 4, 1e-12);
    EXPECT_NEAR(second.y, 3, 1e-12);
    EXPECT_THROW(CircleIntersection(1, {2, 2}, 1, {2, 2}), CamError) << "equal centres: 0/0";
    EXPECT_DOUBLE_EQ(PointDistance({1, 1}, {4, 5}), 5.0);
}

TEST(ComputeCamProfile, DefaultDesignAtEveryResolution) {
    for (int S : {1, 2, 5}) {
        auto d = DefaultDesign(S, 0);
        ComputePitchCurve(*d);
        const ProfileStatus status = ComputeCamProfile(*d);
        ASSERT_TRUE(status.completed) << S;
        const int N = 360 * S;
        // Dwells lie on their circles; motion samples at the roller radius from the pitch.
        auto onCircle = [&](int from, int to, double radius) {
            for (int i = from * S; i <= to * S; ++i) {
                ASSERT_NEAR(Radius(d->CamProfile[i]), radius, 1e-12) << S << " " << i;
            }
        };
        onCircle(0, 30, 45);
        onCircle(90, 110, 55);
        onCircle(170, 180, 65);
        onCircle(260, 360, 45);
        double worst = 0;
        for (auto [a, b] : {std::pair{30, 90}, {110, 170}, {180, 260}}) {
            for (int i = a * S + 1; i < b * S; ++i) {
                const double error =
                    std::fabs(PointDistance(d->CamProfile[i], d->PitchCurve[i]) - 10);
                worst = std::max(worst, error);
            }
        }
        EXPECT_LT(worst, 1e-9) << S;
        for (int i = 0; i <= N; ++i) {
            ASSERT_TRUE(std::isfinite(d->CamProfile[i].x) && std::isfinite(d->CamProfile[i].y));
        }
    }
}

TEST(ComputeCamProfile, KnownSampleAndAxisResidue) {
    auto d = DefaultDesign(1, 0);
    ComputePitchCurve(*d);
    ComputeCamProfile(*d);
    EXPECT_NEAR(d->CamProfile[60].x, 45.2839, 5e-5);
    EXPECT_NEAR(d->CamProfile[60].y, 22.5563, 5e-5);
    // The first dwell rewrites sample 0: its x carries the residue of the held polar
    // angle (the DXF shows it), while the point on the x axis is exact.
    EXPECT_EQ(d->CamProfile[0].x, 2.7554552980815448e-15);
    EXPECT_EQ(d->CamProfile[0].y, 45.0);
    EXPECT_EQ(d->CamProfile[90].x, 55.0);
    EXPECT_EQ(d->CamProfile[90].y, 0.0);
}

TEST(ComputeCamProfile, RollerTooLargeStopsAtTheFailingSample) {
    auto d = MakeDesign({{0, 0}, {10, 0}, {20, 30}, {360, 30}}, 5, 40);
    BuildDisplacement(*d, 0);
    for (auto& p : d->CamProfile) p = Point2{-1, -1};
    d->PitchCurve.fill(Point2{-2, -2});
    ComputePitchCurve(*d);
    const ProfileStatus status = ComputeCamProfile(*d);
    ASSERT_FALSE(status.completed);
    const int i = status.stoppedAt;
    EXPECT_GT(i, 10);
    EXPECT_LT(i, 20);
    for (int k = 0; k < i; ++k) EXPECT_NE(d->CamProfile[k].x, -1.0) << k;
    for (int k = i; k <= MaxSampleIndex; ++k) ASSERT_EQ(d->CamProfile[k].x, -1.0) << k;
    for (int k = 0; k < 360; ++k) ASSERT_NE(d->PitchCurve[k].x, -2.0) << "pitch curve complete";
}

TEST(ComputeCamProfile, RiseStraightIntoFallUsesTheContactPointBetween) {
    auto d = MakeDesign({{0, 0}, {90, 10}, {180, 0}, {360, 0}});
    BuildDisplacement(*d, 0);
    ComputePitchCurve(*d);
    ASSERT_TRUE(ComputeCamProfile(*d).completed);
    // The shared sample is the contact point straight below the pitch point.
    EXPECT_NEAR(d->CamProfile[90].x, 55.0, 1e-12);
    EXPECT_NEAR(d->CamProfile[90].y, 0.0, 1e-12);
    for (int i = 1; i < 180; ++i) {
        if (i == 90) continue;
        ASSERT_NEAR(PointDistance(d->CamProfile[i], d->PitchCurve[i]), 10, 1e-9) << i;
    }
}

TEST(ComputeCamProfile, FinalMotionSegmentWritesSampleN) {
    auto d = MakeDesign({{0, 0}, {180, 10}, {360, 0}});
    d->StepsPerDegree = 2;
    BuildDisplacement(*d, 0);
    ComputePitchCurve(*d);
    ASSERT_TRUE(ComputeCamProfile(*d).completed);
    EXPECT_NEAR(d->CamProfile[720].x, 0.0, 1e-12);
    EXPECT_NEAR(d->CamProfile[720].y, 45.0, 1e-12);
}

TEST(ComputeCamProfile, FirstRowAlreadyLiftedStartsOnTheRoller) {
    auto d = MakeDesign({{0, 5}, {90, 15}, {360, 5}});
    BuildDisplacement(*d, 0);
    ComputePitchCurve(*d);
    ASSERT_TRUE(ComputeCamProfile(*d).completed);
    EXPECT_EQ(d->CamProfile[0].y, 50.0);
    EXPECT_NEAR(PointDistance(d->CamProfile[1], d->PitchCurve[1]), 10, 1e-9);
}

TEST(ComputeCamProfile, FirstMotionSegmentAfterZeroStartsOnTheRoller) {
    // Nothing writes samples 0..10 degrees; the rise must not start from the stale origin.
    for (int S : {1, 2, 5}) {
        for (int law : {0, 1, 2}) {
            auto d = MakeDesign({{10, 0}, {90, 10}, {180, 10}, {360, 0}}, 45, 10, S);
            BuildDisplacement(*d, law);
            ComputePitchCurve(*d);
            ASSERT_TRUE(ComputeCamProfile(*d).completed) << S << " law " << law;
            for (auto [from, to] : {std::pair{10, 90}, std::pair{180, 360}}) {
                for (int i = from * S; i < to * S; ++i) {
                    ASSERT_NEAR(PointDistance(d->CamProfile[i], d->PitchCurve[i]), 10, 1e-9)
                        << S << " law " << law << " sample " << i;
                }
            }
        }
    }
}

TEST(ComputeCamProfile, KnifeEdgeFollowerGivesThePitchCurve) {
    auto d = DefaultDesign(1, 0);
    d->RollerRadius = 0;
    ComputePitchCurve(*d);
    ASSERT_TRUE(ComputeCamProfile(*d).completed);
    // The square root of the rounding noise in q moves the point by about 1e-8.
    for (int i = 31; i < 90; ++i) {
        EXPECT_NEAR(d->CamProfile[i].x, d->PitchCurve[i].x, 1e-7) << i;
        EXPECT_NEAR(d->CamProfile[i].y, d->PitchCurve[i].y, 1e-7) << i;
    }
}

TEST(ComputeCamProfile, EmptySegmentsAndOutOfRangeAngles) {
    auto d = MakeDesign({{0, 5}, {360, 5}});
    BuildDisplacement(*d, 0);
    ComputePitchCurve(*d);
    ComputeCamProfile(*d);
    EXPECT_NEAR(d->CamProfile[360].x, 0, 1e-12);
    EXPECT_EQ(d->CamProfile[360].y, 50.0);

    d = MakeDesign({{0, 0}, {90, 0}, {400, 10}});
    d->CamProfile.fill(Point2{3, 3});
    EXPECT_THROW(ComputeCamProfile(*d), CamError);
    for (const Point2& p : d->CamProfile) ASSERT_EQ(p.x, 3.0) << "nothing written";
}

}  // namespace
}  // namespace platecam
