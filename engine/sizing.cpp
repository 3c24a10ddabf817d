#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/cam.h"
#include "engine/checks.h"
#include "engine/limits.h"

namespace platecam::engine {

namespace {

// Hundredths of a millimetre: the smallest k >= 1 with k / 100 >= radius.
long long FirstHundredthFrom(double radius) {
    if (!(radius < 1e15)) return std::numeric_limits<long long>::max() / 4;
    long long k = std::max(1LL, static_cast<long long>(std::ceil(radius * 100)));
    while (k > 1 && static_cast<double>(k - 1) / 100 >= radius) --k;
    while (static_cast<double>(k) / 100 < radius) ++k;
    return k;
}

}  // namespace

Sizing SizeBaseRadius(const CamInput& cam, const std::function<bool(double)>& progress) {
    using namespace detail;
    CheckInputs(cam);
    const GridMotion& gm = MakeGridMotion(cam);
    auto judge = [&](double baseRadius, GridChecks* keep) {
        const Geometry g = MakeGeometry(cam, baseRadius);
        if (g.error) return false;
        GridChecks checks;
        if (RunChecks(gm, g, cam, checks).fault != Fault::None) return false;
        const bool pass = checks.pressurePass && checks.undercutPass && checks.curvaturePass;
        if (keep) *keep = std::move(checks);
        return pass;
    };
    // How far the search is: the steps up to the bracket count half, the halving the rest.
    double done = 0;
    bool stopped = false;
    auto pass = [&](long long k) {
        if (progress && !stopped && !progress(done)) stopped = true;
        return !stopped && judge(static_cast<double>(k) / 100, nullptr);
    };

    Sizing result;
    result.passesAsGiven = judge(cam.baseRadius, nullptr);
    const long long kMin = FirstHundredthFrom(cam.minBaseRadius);
    // Where to start (a radius below which the checks cannot pass) and how far to look.
    const SizingRange range =
        WithKind(cam.follower.kind, [&](auto kind) { return decltype(kind)::Range(cam, gm); });
    const double lower = range.lower;
    // Only radii a design may have are searched.
    const double upper = std::min(range.upper, std::nextafter(LimitOf(Quantity::BaseRadius).high, 0.0));
    if (!(std::isfinite(lower) && std::isfinite(upper) && lower <= upper)) return result;
    result.searchedUpTo = upper;
    const long long start = std::max(kMin, static_cast<long long>(std::floor(lower * 100)));
    const long long limit = static_cast<long long>(std::floor(upper * 100));
    if (start > limit) return result;
    // Up in steps (at most 200 of them, and as many as the kind asks for at least), then
    // halving between the last that failed and the first that passed.
    const long long step = std::max(range.step, (limit - start) / 200);
    long long failed = -1, passed = -1;
    for (long long k = start; k <= limit; k += step) {
        done = 0.5 * static_cast<double>(k - start) / static_cast<double>(limit - start + 1);
        if (pass(k)) {
            passed = k;
            break;
        }
        failed = k;
    }
    if (stopped) {
        result.cancelled = true;
        return result;
    }
    if (passed < 0) {
        if (failed < limit && pass(limit)) {
            passed = limit;
        } else {
            return result;
        }
    }
    if (failed < 0) {
        // The start passed: the bound is rounded, so look just below it.
        while (passed > kMin && pass(passed - 1)) --passed;
        failed = passed - 1;
    }
    const double bracket = static_cast<double>(passed - failed);
    while (passed - failed > 1) {
        done = 1 - 0.5 * std::log2(static_cast<double>(passed - failed)) / std::max(1.0, std::log2(bracket));
        const long long middle = failed + (passed - failed) / 2;
        (pass(middle) ? passed : failed) = middle;
    }
    if (stopped) {
        result.cancelled = true;
        return result;
    }
    result.found = true;
    result.baseRadius = static_cast<double>(passed) / 100;
    result.isMinimum = passed == kMin;
    judge(result.baseRadius, &result.checks);
    return result;
}

}  // namespace platecam::engine
