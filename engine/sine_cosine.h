#pragma once
// Sine and cosine of one angle together, in double, for the engine's hot loops: every law
// and every turned arm needs both at each of the 7200 grid angles, where the C library's
// sincos alone would take most of the time. Within a few units in the last place of the
// C library's (tests/engine/motion_test.cpp holds it to that).

#include <bit>
#include <cmath>
#include <cstdint>

namespace platecam::engine {

struct SinCos {
    double s, c;
};

namespace detail {

// pi/2 in two parts: the first keeps 33 significant bits, so that q * HalfPi1 is exact for
// the quadrant counts used here; the second is the rest, from pi in extended precision.
inline constexpr long double HalfPiL = 1.57079632679489661923132169163975144L;
inline constexpr double HalfPi1 = std::bit_cast<double>(
    std::bit_cast<std::uint64_t>(static_cast<double>(HalfPiL)) & ~((std::uint64_t{1} << 20) - 1));
inline constexpr double HalfPi2 = static_cast<double>(HalfPiL - HalfPi1);
inline constexpr double TwoOverPi = static_cast<double>(1 / HalfPiL);
// Adding and subtracting 1.5 * 2^52 rounds to the nearest integer (round-to-nearest mode).
inline constexpr double RoundingShift = 6755399441055744.0;
// Beyond this many quadrants the split above is no longer exact: the library reduces.
inline constexpr double QuadrantLimit = 1 << 20;

}  // namespace detail

// Falls back on the C library beyond about 1.6e6 radians (and for NaN).
inline SinCos SineCosine(double x) {
    using namespace detail;
    const double shifted = x * TwoOverPi + RoundingShift;
    const double q = shifted - RoundingShift;
    if (!(std::fabs(q) < QuadrantLimit)) {
        SinCos r;
        ::sincos(x, &r.s, &r.c);
        return r;
    }
    const double r = (x - q * HalfPi1) - q * HalfPi2;  // |r| <= pi/4 + rounding
    const double z = r * r;
    // Taylor series to r^17 and r^16: the first term left out is below 1e-16 of the value
    // on |r| <= pi/4. Evaluated in pairs (Estrin) to shorten the chain of dependent steps.
    const double z2 = z * z, z4 = z2 * z2;
    const double sinPoly = (-1.0 / 6 + z * (1.0 / 120)) + z2 * (-1.0 / 5040 + z * (1.0 / 362880)) +
                           z4 * ((-1.0 / 39916800 + z * (1.0 / 6227020800)) +
                                 z2 * (-1.0 / 1307674368000 + z * (1.0 / 355687428096000)));
    const double cosPoly =
        (1.0 / 24 + z * (-1.0 / 720)) + z2 * (1.0 / 40320 + z * (-1.0 / 3628800)) +
        z4 * ((1.0 / 479001600 + z * (-1.0 / 87178291200)) + z2 * (1.0 / 20922789888000));
    const double s = r + r * z * sinPoly;
    const double c = 1 - z / 2 + z2 * cosPoly;
    switch (static_cast<std::int64_t>(q) & 3) {
        case 0:
            return {s, c};
        case 1:
            return {c, -s};
        case 2:
            return {-s, -c};
        default:
            return {-c, s};
    }
}

}  // namespace platecam::engine
