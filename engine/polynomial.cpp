#include "engine/polynomial.h"

#include <algorithm>
#include <cmath>

#include "base/errors.h"

namespace platecam::engine {

namespace {

constexpr double Factorial[] = {1, 1, 2, 6, 24};

void CheckFinite(double value) {
    if (std::isnan(value)) ThrowInvalidOperation();
    if (std::isinf(value)) ThrowOverflow();
}

// C(m, k) for the small m here.
double Binomial(int m, int k) {
    double c = 1;
    for (int i = 1; i <= k; ++i) c = c * (m - k + i) / i;
    return c;
}

double Horner(const double* a, int degree, double x) {
    double r = 0;
    for (int m = degree; m >= 0; --m) r = r * x + a[m];
    return r;
}

// The roots in (0, 1) of a[0] + a[1] x + ... + a[d] x^d, increasing (a root where the sign
// does not change may be among them). Between neighbouring roots of its derivative the
// polynomial is monotone, so each such piece holds one root at most, which bisection finds
// to the last bit.
void RootsIn01(const double* a, int degree, std::vector<double>& roots) {
    while (degree > 0 && a[degree] == 0) --degree;
    if (degree <= 0) return;
    std::vector<double> cuts;
    if (degree > 1) {
        double derivative[Polynomial::MaxCoefficients] = {};
        for (int m = 1; m <= degree; ++m) derivative[m - 1] = m * a[m];
        RootsIn01(derivative, degree - 1, cuts);
    }
    cuts.push_back(1);
    double lo = 0, fLo = Horner(a, degree, 0);
    for (const double hi : cuts) {
        const double fHi = Horner(a, degree, hi);
        if ((fLo < 0 && fHi > 0) || (fLo > 0 && fHi < 0)) {
            double l = lo, h = hi;  // the sign of fLo at l, the other or 0 at h
            for (;;) {
                const double mid = l + (h - l) / 2;
                if (mid <= l || mid >= h) break;
                const double f = Horner(a, degree, mid);
                (f != 0 && (f < 0) == (fLo < 0) ? l : h) = mid;
            }
            roots.push_back(h);
        } else if (fHi == 0 && hi < 1) {
            roots.push_back(hi);
        }
        lo = hi;
        fLo = fHi;
    }
}

}  // namespace

// The conditions at 0 give the lowest coefficients at once, n^(k)(0) = k! c_k; those at 1
// the rest, from n^(k)(1) / k! = sum over m of C(m, k) c_m: at most four equations with
// binomial coefficients, solved by Gaussian elimination with partial pivoting. With four
// conditions at each end (the worst case) the 1-norm condition number of those equations
// is 13376, and 54600 for the whole system of eight in derivatives
// (tests/engine/polynomial_test.cpp): about five digits may be lost, of the nineteen of
// the extended precision it is solved in, so the coefficients are good to the double.
Polynomial Polynomial::Fit(const std::vector<double>& start, const std::vector<double>& end) {
    const int m0 = static_cast<int>(start.size()), m1 = static_cast<int>(end.size());
    if (m0 < 1 || m0 > MaxPerEnd || m1 < 1 || m1 > MaxPerEnd) ThrowInvalidOperation();
    Polynomial p;
    p.degree_ = m0 + m1 - 1;
    p.startCount_ = m0;
    p.endCount_ = m1;
    for (int k = 0; k < MaxPerEnd; ++k) {
        if (k < m0) p.start_[k] = start[k];
        if (k < m1) p.end_[k] = end[k];
    }
    for (const double value : p.start_) CheckFinite(value);
    for (const double value : p.end_) CheckFinite(value);
    for (int k = 0; k < m0; ++k) p.c_[k] = start[k] / Factorial[k];

    // In extended precision: the binomial coefficients are exact, and the solution rounds
    // to the double nearest it where the conditions make it an integer (the 3-4-5's 10,
    // -15, 6).
    long double a[MaxPerEnd][MaxPerEnd + 1] = {};  // the equations in c[m0 .. m0 + m1 - 1]; right sides
    for (int k = 0; k < m1; ++k) {
        long double rhs = end[k] / static_cast<long double>(Factorial[k]);
        for (int m = k; m < m0; ++m) rhs -= Binomial(m, k) * static_cast<long double>(start[m]) / Factorial[m];
        for (int j = 0; j < m1; ++j) a[k][j] = Binomial(m0 + j, k);
        a[k][m1] = rhs;
    }
    for (int col = 0; col < m1; ++col) {
        int pivot = col;
        for (int r = col + 1; r < m1; ++r) {
            if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) pivot = r;
        }
        std::swap(a[col], a[pivot]);
        for (int r = col + 1; r < m1; ++r) {
            const long double f = a[r][col] / a[col][col];
            for (int j = col; j <= m1; ++j) a[r][j] -= f * a[col][j];
        }
    }
    long double solved[MaxPerEnd] = {};
    for (int j = m1 - 1; j >= 0; --j) {
        long double sum = a[j][m1];
        for (int i = j + 1; i < m1; ++i) sum -= a[j][i] * solved[i];
        solved[j] = sum / a[j][j];
        p.c_[m0 + j] = static_cast<double>(solved[j]);
    }
    for (const double c : p.c_) CheckFinite(c);
    return p;
}

Normalised Polynomial::At(double x) const {
    // Horner's scheme carried to the fourth derivative: d[k] = n^(k)(x) / k!.
    double d[5] = {};
    for (int m = degree_; m >= 0; --m) {
        for (int k = 4; k >= 1; --k) d[k] = d[k] * x + d[k - 1];
        d[0] = d[0] * x + c_[m];
    }
    double out[5];
    for (int k = 0; k < 5; ++k) out[k] = d[k] * Factorial[k];
    if (x == 0) std::copy_n(start_.begin(), startCount_, out);
    if (x == 1) std::copy_n(end_.begin(), endCount_, out);
    return {out[0], out[1], out[2], out[3], out[4]};
}

double Polynomial::Coefficient(int m) const { return m >= 0 && m < MaxCoefficients ? c_[m] : 0; }

double Polynomial::Bound() const {
    double bound = 0;
    for (int k = 0; k <= 4; ++k) {
        double sum = 0;
        for (int m = k; m <= degree_; ++m) sum += std::fabs(c_[m]) * Binomial(m, k) * Factorial[k];
        bound = std::max(bound, sum);
    }
    return bound;
}

Polynomial::Range Polynomial::Extremes() const {
    double derivative[MaxCoefficients] = {};
    for (int m = 1; m <= degree_; ++m) derivative[m - 1] = m * c_[m];
    std::vector<double> at{0, 1};
    RootsIn01(derivative, degree_ - 1, at);
    Range range{At(0).n, At(0).n};
    for (const double x : at) {
        const double n = At(x).n;
        range.low = std::min(range.low, n);
        range.high = std::max(range.high, n);
    }
    return range;
}

}  // namespace platecam::engine
