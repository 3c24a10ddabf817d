#include "engine/motion.h"

#include <gtest/gtest.h>

#include "engine/sine_cosine.h"

#include <cmath>
#include <vector>

#include "base/errors.h"
#include "tests/model/design_fixtures.h"

namespace platecam::engine {
namespace {

constexpr double Pi = 3.141592653589793, Pi2 = Pi * Pi;

// Published end values: the velocity at both ends, the accelerations at both ends and the
// starting jerk. The polynomial with nothing given is at rest at both ends: the 3-4-5.
const struct Published {
    Law law;
    double v, a0, a1, j0;
} Laws[] = {
    {Law::Cycloid, 0, 0, 0, 4 * Pi2},     {Law::ModifiedTrapezoid, 0, 0, 0, 61.43},
    {Law::ModifiedSine, 0, 0, 0, 69.47},  {Law::SimpleHarmonic, 0, Pi2 / 2, -Pi2 / 2, 0},
    {Law::Polynomial345, 0, 0, 0, 60},    {Law::Polynomial4567, 0, 0, 0, 0},
    {Law::DoubleHarmonic, 0, 0, -Pi2, 0}, {Law::ConstantVelocity, 1, 0, 0, 0},
    {Law::Polynomial, 0, 0, 0, 60},
};

TEST(EvaluateLaw, EndsAreThePublishedValues) {
    for (const Published& p : Laws) {
        const Normalised s = EvaluateLaw(p.law, 0), e = EvaluateLaw(p.law, 1);
        const double jt = 1e-3 * p.j0 + 1e-12;
        const double ends[][3] = {{s.n, 0, 1e-15},    {e.n, 1, 1e-15},     {s.n1, p.v, 1e-14},
                                  {e.n1, p.v, 1e-14}, {s.n2, p.a0, 1e-13}, {e.n2, p.a1, 1e-13},
                                  {s.n3, p.j0, jt}};
        for (const auto& end : ends) EXPECT_NEAR(end[0], end[1], end[2]) << LawName(p.law);
        EXPECT_EQ(LawFromName(LawName(p.law)), p.law);
    }
    EXPECT_FALSE(LawFromName("Cycloid").has_value());
}

// The engine's own sine and cosine against the C library's, over the laws' arguments
// (0..4 pi), negative ones and ones the library reduces itself.
TEST(SineCosine, WithinAUnitInTheLastPlaceOfTheLibrary) {
    double worst = 0;
    for (int k = -20000; k <= 200000; ++k) {
        const double x = k * 6.3e-5 + (k % 7) * 1e-9;
        const SinCos t = SineCosine(x);
        worst = std::max({worst, std::fabs(t.s - std::sin(x)), std::fabs(t.c - std::cos(x))});
    }
    EXPECT_LE(worst, 2.3e-16);
    for (double x : {1e7, -3e9, 1e300}) {
        EXPECT_EQ(SineCosine(x).s, std::sin(x)) << x;
        EXPECT_EQ(SineCosine(x).c, std::cos(x)) << x;
    }
    EXPECT_TRUE(std::isnan(SineCosine(std::nan("")).s));
}

double Power(double x, int k) { return std::pow(x, k); }

TEST(EvaluateLaw, LiftIsTheDocumentsClosedForm) {
    const struct {
        Law law;
        double (*n)(double);
    } forms[] = {
        {Law::Cycloid, [](double x) { return x - std::sin(2 * Pi * x) / (2 * Pi); }},
        {Law::SimpleHarmonic, [](double x) { return (1 - std::cos(Pi * x)) / 2; }},
        {Law::Polynomial345,
         [](double x) { return 10 * Power(x, 3) - 15 * Power(x, 4) + 6 * Power(x, 5); }},
        {Law::Polynomial4567,
         [](double x) {
             return 35 * Power(x, 4) - 84 * Power(x, 5) + 70 * Power(x, 6) - 20 * Power(x, 7);
         }},
        {Law::DoubleHarmonic,
         [](double x) { return ((1 - std::cos(Pi * x)) - (1 - std::cos(2 * Pi * x)) / 4) / 2; }},
    };
    // The expanded polynomials cancel terms near 30 in size: about 1e-14 of rounding.
    for (const auto& f : forms) {
        for (double x : {0.1, 0.25, 0.4, 0.5, 0.7, 0.9}) {
            EXPECT_NEAR(EvaluateLaw(f.law, x).n, f.n(x), 1e-14) << LawName(f.law) << " " << x;
        }
    }
}

TEST(EvaluateLaw, DerivativesAreCentralDifferences) {
    const double h = 1e-5;
    for (const Published& p : Laws) {
        for (double x : {0.05, 0.2, 0.3, 0.45, 0.55, 0.7, 0.8, 0.95}) {  // clear of the eighths
            const Normalised m = EvaluateLaw(p.law, x);
            const Normalised lo = EvaluateLaw(p.law, x - h), hi = EvaluateLaw(p.law, x + h);
            EXPECT_NEAR(m.n1, (hi.n - lo.n) / (2 * h), 1e-8) << LawName(p.law) << " " << x;
            EXPECT_NEAR(m.n2, (hi.n1 - lo.n1) / (2 * h), 1e-7) << LawName(p.law) << " " << x;
            EXPECT_NEAR(m.n3, (hi.n2 - lo.n2) / (2 * h), 1e-6) << LawName(p.law) << " " << x;
            EXPECT_NEAR(m.n4, (hi.n3 - lo.n3) / (2 * h), 1e-4) << LawName(p.law) << " " << x;
        }
    }
}

// Every law, rising and falling, the double harmonic straight from its rise into its fall.
const std::vector<MotionRow> MixedRows = {
    {0, 0},
    {40, 5, Law::SimpleHarmonic},
    {90, 5},
    {150, 0, Law::ModifiedTrapezoid},
    {170, 0},
    {200, 3, Law::Cycloid},
    {210, 3},
    {230, 6, Law::ModifiedSine},
    {240, 6},
    {270, 10, Law::DoubleHarmonic},
    {300, 6, Law::DoubleHarmonic},
    {320, 8, Law::Polynomial4567},
    {360, 0, Law::Polynomial345},
};

TEST(Motion, JoinsAreWhereAccelerationJumps) {
    const Motion motion = Motion::FromRows(MixedRows);
    // Only the simple harmonic's ends jump: (pi^2/2) 5 mm / (40 degrees = 2 pi/9)^2 = 50.625
    // mm/rad^2, at 360/0 (from the 3-4-5 fall's end) and into the dwell at 40.
    const std::vector<Join> joins = motion.Joins();
    ASSERT_EQ(joins.size(), 2u);
    for (std::size_t k = 0; k < 2; ++k) {
        EXPECT_EQ(joins[k].atDeg, k == 0 ? 0 : 40);
        EXPECT_NEAR(joins[k].velocityJump, 0, 1e-12);
        EXPECT_NEAR(joins[k].accelerationJump, 50.625, 1e-9);
    }
    EXPECT_NEAR(motion.At(0).a - motion.EarlierSide(0).a, 50.625, 1e-9);
    EXPECT_EQ(motion.At(40).a, 0);  // the dwell's side
    EXPECT_NEAR(motion.EarlierSide(40).a, -50.625, 1e-9);
    for (const MotionRow& row : MixedRows) {
        EXPECT_TRUE(motion.IsJoin(row.angle));
        EXPECT_EQ(motion.At(row.angle).s, row.lift) << row.angle;
        EXPECT_EQ(motion.EarlierSide(row.angle).s, row.lift) << row.angle;
        const Kinematics at = motion.At(row.angle), before = motion.EarlierSide(row.angle);
        for (double rest : {at.v, at.a, before.v}) {
            EXPECT_FALSE(rest == 0 && std::signbit(rest)) << "-0 at " << row.angle;
        }
    }
    EXPECT_FALSE(motion.IsJoin(40.05));
    EXPECT_EQ(motion.LargestLift(), 10);
}

TEST(Motion, OnGridIsAtBitForBit) {
    const Motion motion = Motion::FromRows(MixedRows);
    for (int perDegree : {1, 2, 5, 20}) {
        const std::vector<Kinematics> grid = motion.OnGrid(perDegree);
        ASSERT_EQ(grid.size(), 360u * perDegree);
        for (int k = 0; k < 360 * perDegree; ++k) {
            const Kinematics at = motion.At(static_cast<double>(k) / perDegree);
            const Kinematics& g = grid[k];
            EXPECT_TRUE(at.s == g.s && at.v == g.v && at.a == g.a && at.j == g.j && at.snap == g.snap)
                << perDegree << " " << k;
        }
    }
}

TEST(Motion, DerivativesPerRadianAreDifferencesOfTheLift) {
    const Motion motion = Motion::FromRows(MixedRows);
    const double h = 1e-4, hr = h * Pi / 180;  // degrees, radians
    for (int d = 0; d < 360; ++d) {
        const double deg = d + 0.37;  // clear of rows and of the laws' inner joins
        const Kinematics m = motion.At(deg), lo = motion.At(deg - h), hi = motion.At(deg + h);
        EXPECT_NEAR(m.v, (hi.s - lo.s) / (2 * hr), 1e-5 * (1 + std::fabs(m.v))) << deg;
        EXPECT_NEAR(m.a, (hi.v - lo.v) / (2 * hr), 1e-5 * (1 + std::fabs(m.a))) << deg;
        EXPECT_NEAR(m.j, (hi.a - lo.a) / (2 * hr), 1e-5 * (1 + std::fabs(m.j))) << deg;
        EXPECT_NEAR(m.snap, (hi.j - lo.j) / (2 * hr), 1e-5 * (1 + std::fabs(m.snap))) << deg;
    }
}

TEST(Motion, DoubleHarmonicFallKeepsItsQuietEndAtTheBottom) {
    const Motion motion = Motion::FromRows(MixedRows);
    // Fall 270..300 from 10 to 6 as 6 + 4 n(1 - x): at rest at the bottom; the top meets the
    // rise's -pi^2 end, 4 pi^2 / (pi/6)^2 = 144 mm/rad^2.
    EXPECT_NEAR(motion.EarlierSide(300).a, 0, 1e-12);
    EXPECT_NEAR(motion.EarlierSide(300).v, 0, 1e-12);
    EXPECT_NEAR(motion.At(270).a, -144, 1e-9);
    for (double x : {0.1, 0.3, 0.6, 0.9}) {
        const double u = 1 - x;
        const double n = ((1 - std::cos(Pi * u)) - (1 - std::cos(2 * Pi * u)) / 4) / 2;
        EXPECT_NEAR(motion.At(270 + 30 * x).s, 6 + 4 * n, 1e-14) << x;
    }
}

TEST(Motion, LiftIsTheWindowsAtEverySample) {
    for (int law = 0; law < 3; ++law) {
        for (int S : {1, 2, 5}) {
            const auto design = testing::DefaultDesign(S, law);
            std::vector<MotionRow> rows;
            for (int k = 0; k < 8; ++k) {
                const MotionRecord& r = design->MotionTable[k];
                rows.push_back({r.Angle, r.Value, static_cast<Law>(law)});
            }
            const Motion motion = Motion::FromRows(rows);
            // The window writes the last row's lift into sample 360 S - 1 whatever the law
            // gives there; on this table that is a dwell at that lift, so it agrees too.
            for (int i = 0; i <= 360 * S; ++i) {
                EXPECT_NEAR(motion.At(static_cast<double>(i) / S).s, design->Displacement[i], 1e-12)
                    << law << " " << S << " " << i;
            }
        }
    }
}

TEST(Motion, RefusesWhatWouldLeaveHolesOrInfinities) {
    const std::vector<std::vector<MotionRow>> refused = {
        {{0, 0}},                                // one row
        {{0, 0}, {180, 5}, {180, 0}, {360, 0}},  // angle not increasing
        {{0, 0}, {180, 5}, {350, 0}},            // does not reach 360
        {{0, 0}, {180, 5}, {360, 1}},            // does not close
        {{0, 0}, {180, std::nan("")}, {360, 0}},
        {{0, 0}, {1, 1e306}, {360, 0}},  // the jerk overflows
    };
    for (const auto& rows : refused) EXPECT_THROW(Motion::FromRows(rows), CamError) << rows.size();
    const Motion motion = Motion::FromRows(MixedRows);
    for (double deg : {-0.05, 360.05, std::nan("")}) EXPECT_THROW(motion.At(deg), CamError) << deg;
    EXPECT_THROW(Motion().At(0), CamError);
}

}  // namespace
}  // namespace platecam::engine
