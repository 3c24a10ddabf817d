#pragma once
// A rise fitted exactly to conditions at both ends of its segment: the polynomial n(x) in
// the fraction x in 0..1 of the segment whose value and first derivatives by x are given
// at x = 0 and at x = 1, of the degree the number of conditions less one. The motion turns
// a row's velocity, acceleration and jerk into these by the segment's rise and span
// (engine/motion.cpp).

#include <array>
#include <vector>

namespace platecam::engine {

// A normalised rise n(x), x in 0..1 of the segment, and its first four derivatives by x.
struct Normalised {
    double n, n1, n2, n3, n4;
};

class Polynomial {
public:
    // The value and at most three derivatives at each end: degree 7 at most.
    static constexpr int MaxPerEnd = 4;
    static constexpr int MaxCoefficients = 2 * MaxPerEnd;

    // n(x) = 0.
    Polynomial() = default;
    // start[k] = n^(k)(0) and end[k] = n^(k)(1) for k = 0 .. size - 1, 1 to MaxPerEnd of
    // each. CamError for other sizes, a condition that is not finite, or coefficients that
    // overflow.
    static Polynomial Fit(const std::vector<double>& start, const std::vector<double>& end);

    // n and its first four derivatives; at x = 0 and x = 1 the given conditions exactly.
    Normalised At(double x) const;
    // The coefficient of x^m (0 above the degree, and for m outside 0..7).
    double Coefficient(int m) const;
    int Degree() const { return degree_; }
    // A bound on |n^(k)(x)| for x in 0..1 and k = 0..4.
    double Bound() const;
    // The smallest and largest n(x) for x in 0..1: at an end or where n'(x) = 0.
    struct Range {
        double low, high;
    };
    Range Extremes() const;

private:
    std::array<double, MaxCoefficients> c_{};
    int degree_ = 0;
    // The conditions as given, returned at the ends rather than their sums of rounded terms.
    std::array<double, MaxPerEnd> start_{}, end_{};
    int startCount_ = 0, endCount_ = 0;
};

}  // namespace platecam::engine
