// The polynomial law: fitted exactly to the conditions at its ends, it is the published
// 3-4-5 and 4-5-6-7 where those are the conditions, its system stays well conditioned,
// it meets its neighbours without a jump, and its derivatives are those of its lift.

#include "engine/polynomial.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "base/errors.h"
#include "engine/motion.h"

namespace platecam::engine {
namespace {

constexpr double Pi = 3.141592653589793, Rad = Pi / 180;
constexpr double Factorial[] = {1, 1, 2, 6, 24, 120, 720, 5040};

// d^k/dx^k of x^m at x = 1, from the definition.
double PowerDerivativeAtOne(int m, int k) { return m < k ? 0 : Factorial[m] / Factorial[m - k]; }

TEST(Polynomial, FitsThePublishedLaws) {
    const struct {
        std::vector<double> start, end, coefficients;
    } cases[] = {
        {{0}, {1}, {0, 1}},
        {{0, 0}, {1, 0}, {0, 0, 3, -2}},
        {{0, 0, 0}, {1, 0, 0}, {0, 0, 0, 10, -15, 6}},
        {{0, 0, 0, 0}, {1, 0, 0, 0}, {0, 0, 0, 0, 35, -84, 70, -20}},
    };
    for (const auto& c : cases) {
        const Polynomial p = Polynomial::Fit(c.start, c.end);
        EXPECT_EQ(p.Degree(), static_cast<int>(c.coefficients.size()) - 1);
        for (int m = 0; m < Polynomial::MaxCoefficients; ++m) {
            const double expected = m < static_cast<int>(c.coefficients.size()) ? c.coefficients[m] : 0;
            EXPECT_NEAR(p.Coefficient(m), expected, 1e-12) << p.Degree() << " " << m;
        }
    }
}

// Every count of conditions at each end: the coefficients meet them by the definition
// of the derivatives, and Horner's value agrees with the sum of powers.
TEST(Polynomial, MeetsItsConditionsAtEveryCount) {
    for (int m0 = 1; m0 <= 4; ++m0) {
        for (int m1 = 1; m1 <= 4; ++m1) {
            std::vector<double> start, end;
            for (int k = 0; k < m0; ++k) start.push_back(0.3 - 1.7 * k);
            for (int k = 0; k < m1; ++k) end.push_back(1 + 2.5 * k * (k % 2 ? -1 : 1));
            const Polynomial p = Polynomial::Fit(start, end);
            for (int k = 0; k < 4; ++k) {
                double at0 = 0, at1 = 0;
                for (int m = 0; m < Polynomial::MaxCoefficients; ++m) {
                    at0 += m == k ? Factorial[k] * p.Coefficient(m) : 0;
                    at1 += PowerDerivativeAtOne(m, k) * p.Coefficient(m);
                }
                if (k < m0) { EXPECT_NEAR(at0, start[k], 1e-12) << m0 << m1 << k; }
                if (k < m1) { EXPECT_NEAR(at1, end[k], 1e-11) << m0 << m1 << k; }
            }
            double sum = 0;
            for (int m = 0; m < Polynomial::MaxCoefficients; ++m) sum += p.Coefficient(m) * std::pow(0.37, m);
            EXPECT_NEAR(p.At(0.37).n, sum, 1e-13) << m0 << m1;
        }
    }
}

// The worst case, four conditions at each end. The columns of the inverse of the system
// are the fits to one unit condition each; the system times them is the identity, and
// their norms give the 1-norm condition numbers the fit's comment states: of the whole
// system in derivatives, and of the four equations it solves, divided by k!.
TEST(Polynomial, WorstCaseSystemIsWellConditioned) {
    double a[8][8] = {}, inverse[8][8] = {};
    for (int k = 0; k < 4; ++k) {
        a[k][k] = Factorial[k];
        for (int m = 0; m < 8; ++m) a[4 + k][m] = PowerDerivativeAtOne(m, k);
    }
    for (int column = 0; column < 8; ++column) {
        std::vector<double> start(4, 0.0), end(4, 0.0);
        (column < 4 ? start[column] : end[column - 4]) = 1;
        const Polynomial p = Polynomial::Fit(start, end);
        for (int m = 0; m < 8; ++m) inverse[m][column] = p.Coefficient(m);
    }
    const auto norm1 = [](const double (&x)[8][8], int from) {
        double largest = 0;
        for (int j = from; j < 8; ++j) {
            double sum = 0;
            for (int i = from; i < 8; ++i) sum += std::fabs(x[i][j]);
            largest = std::max(largest, sum);
        }
        return largest;
    };
    for (int i = 0; i < 8; ++i) {
        for (int j = 0; j < 8; ++j) {
            double product = 0;
            for (int m = 0; m < 8; ++m) product += a[i][m] * inverse[m][j];
            EXPECT_NEAR(product, i == j ? 1 : 0, 1e-12) << i << " " << j;
        }
    }
    EXPECT_NEAR(norm1(a, 0) * norm1(inverse, 0), 54600, 1e-6);
    // The four equations in c4..c7: row k of the lower block over k!, so its inverse's
    // column k is the fit to n^(k)(1) = k!.
    double block[8][8] = {}, blockInverse[8][8] = {};
    for (int k = 0; k < 4; ++k) {
        for (int j = 0; j < 4; ++j) {
            block[4 + k][4 + j] = a[4 + k][4 + j] / Factorial[k];
            blockInverse[4 + j][4 + k] = inverse[4 + j][4 + k] * Factorial[k];
        }
    }
    EXPECT_NEAR(norm1(block, 4) * norm1(blockInverse, 4), 13376, 1e-6);
}

TEST(Polynomial, RefusesWhatItCannotFit) {
    const double nan = std::nan(""), inf = INFINITY;
    const std::vector<std::vector<double>> ends[] = {
        {{}, {1}}, {{0, 0, 0, 0, 0}, {1}}, {{0, nan}, {1}}, {{0}, {1, inf}}, {{0, 1e308}, {1, 1e308}},
    };
    for (const auto& e : ends) EXPECT_THROW(Polynomial::Fit(e[0], e[1]), CamError) << e[0].size();
}

MotionRow Row(std::int32_t angle, double lift, Law law, std::optional<double> v = {},
              std::optional<double> a = {}, std::optional<double> j = {}) {
    MotionRow row(angle, lift, law);
    row.velocity = v;
    row.acceleration = a;
    row.jerk = j;
    return row;
}

// From a dwell at 0 to 120 mm over 0..120 degrees, ending at 1 mm/degree without
// acceleration, into a feed at that speed: y = 120 (6 x^3 - 8 x^4 + 3 x^5), whether the
// row gives the speed or the polynomial matches the feed's; the fall back meets the feed
// and the dwell alike. No join jumps.
TEST(PolynomialMotion, FromADwellIntoAFeedIsTheClosedForm) {
    const std::optional<double> speed = 1 / Rad;  // 1 mm/degree in mm/rad
    for (const auto& given : {Row(120, 120, Law::Polynomial, speed, 0.0), Row(120, 120, Law::Polynomial)}) {
        const Motion motion = Motion::FromRows({{0, 0}, given, {180, 180, Law::ConstantVelocity},
                                                {300, 0, Law::Polynomial}, {360, 0}});
        for (double deg = 0; deg <= 120; deg += 7.5) {
            const double x = deg / 120;
            EXPECT_NEAR(motion.At(deg).s, 120 * x * x * x * (6 - 8 * x + 3 * x * x), 1e-12) << deg;
        }
        EXPECT_NEAR(motion.EarlierSide(120).v, *speed, 1e-12);
        EXPECT_NEAR(motion.At(150).v, *speed, 1e-12);
        EXPECT_TRUE(motion.Joins().empty()) << motion.Joins().front().atDeg;
    }
}

// Polynomials against every kind of neighbour: a jerk given, a simple harmonic's end
// acceleration matched, a constant velocity's speed, a dwell, and one another across
// 360/0. Only the simple harmonic's own end into the dwell jumps.
const std::vector<MotionRow> Neighbours = {
    Row(0, 2, Law::Cycloid, -3.0),
    Row(50, 8, Law::Polynomial, {}, {}, 40.0),
    Row(100, 12, Law::SimpleHarmonic),
    Row(140, 12, Law::Cycloid),
    Row(200, 5, Law::Polynomial),
    Row(230, 9, Law::ConstantVelocity, {}, {}, 0.0),
    Row(300, 10, Law::Polynomial, {}, -5.0),
    Row(360, 2, Law::Polynomial),
};

TEST(PolynomialMotion, MeetsItsNeighboursAndGivenConditions) {
    const Motion motion = Motion::FromRows(Neighbours);
    const std::vector<Join> joins = motion.Joins();
    ASSERT_EQ(joins.size(), 1u);
    EXPECT_EQ(joins[0].atDeg, 100);
    EXPECT_EQ(joins[0].velocityJump, 0);
    // -(pi^2/2) 4 mm / (50 degrees)^2 from the harmonic's end to the dwell's 0.
    EXPECT_NEAR(joins[0].accelerationJump, Pi * Pi / 2 * 4 / std::pow(50 * Rad, 2), 1e-9);
    const struct {
        double deg;
        double Kinematics::*of;
        double value;
        bool earlier, later;  // the sides that must have it
    } given[] = {
        {0, &Kinematics::v, -3, true, true},    // row 0's, matched by the last fall
        {0, &Kinematics::a, 0, true, true},     // neither gives one
        {50, &Kinematics::j, 40, true, false},  // the segment's that ends there
        {230, &Kinematics::j, 0, false, true},
        {300, &Kinematics::a, -5, true, true},
        {300, &Kinematics::v, 0, true, true},
    };
    for (const auto& g : given) {
        if (g.earlier) { EXPECT_NEAR(motion.EarlierSide(g.deg).*g.of, g.value, 1e-9) << g.deg; }
        if (g.later) { EXPECT_NEAR(motion.At(g.deg).*g.of, g.value, 1e-9) << g.deg; }
    }
}

TEST(PolynomialMotion, DerivativesAreDifferencesOfTheLift) {
    const Motion motion = Motion::FromRows(Neighbours);
    const double h = 1e-4, hr = h * Rad;
    for (int d = 0; d < 360; ++d) {
        const double deg = d + 0.37;
        const Kinematics m = motion.At(deg), lo = motion.At(deg - h), hi = motion.At(deg + h);
        EXPECT_NEAR(m.v, (hi.s - lo.s) / (2 * hr), 1e-6 * (1 + std::fabs(m.v))) << deg;
        EXPECT_NEAR(m.a, (hi.v - lo.v) / (2 * hr), 1e-6 * (1 + std::fabs(m.a))) << deg;
        EXPECT_NEAR(m.j, (hi.a - lo.a) / (2 * hr), 1e-6 * (1 + std::fabs(m.j))) << deg;
        EXPECT_NEAR(m.snap, (hi.j - lo.j) / (2 * hr), 1e-6 * (1 + std::fabs(m.snap))) << deg;
    }
}

// Started fast, the rise overshoots its top row: the largest lift is its peak, as fine
// sampling finds it.
TEST(PolynomialMotion, LargestLiftIsTheOvershootsPeak) {
    const Motion motion = Motion::FromRows({Row(0, 0, Law::Cycloid, 40.0), {90, 10, Law::Polynomial},
                                            {180, 10}, {270, 0}, {360, 0}});
    double sampled = 0;
    for (int k = 0; k <= 90000; ++k) sampled = std::max(sampled, motion.At(k * 1e-3).s);
    EXPECT_GT(sampled, 11);
    EXPECT_GE(motion.LargestLift(), sampled);
    EXPECT_NEAR(motion.LargestLift(), sampled, 1e-9);
}

// A condition that no polynomial rise or fall meets: between equal lifts a polynomial is
// a dwell. A condition that is not finite.
TEST(PolynomialMotion, RefusesAConditionNothingMeets) {
    const std::vector<MotionRow> refused[] = {
        {{0, 0}, Row(90, 0, Law::Polynomial, 1.0), {180, 5}, {360, 0}},
        {{0, 0}, Row(90, 5, Law::Cycloid, {}, 1.0), {180, 5}, {360, 0}},
        {{0, 0}, Row(90, 5, Law::Polynomial, std::nan("")), {360, 0}},
    };
    for (const auto& rows : refused) EXPECT_THROW(Motion::FromRows(rows), CamError);
    try {
        Motion::FromRows(refused[0]);
    } catch (const CamError& e) {
        EXPECT_EQ(e.message().rfind("motion[2]: ", 0), 0u) << e.message();
    }
}

}  // namespace
}  // namespace platecam::engine
