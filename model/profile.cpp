#include "model/profile.h"

#include <bitset>
#include <cmath>

#include "base/errors.h"
#include "model/sample_trig.h"

namespace platecam {

namespace {
constexpr long double PiLiteral = 3.141592653589793L;

// The point at sample i's polar angle and the given radius.
Point2 Polar(const SampleTrig& trig, std::int64_t i, long double radius) {
    return Point2{ToHeld(trig.cosTheta[i] * radius), ToHeld(trig.sinTheta[i] * radius)};
}

double SquaredNorm(Point2 p, Point2 origin) {
    const long double dx = static_cast<long double>(p.x) - origin.x;
    const long double dy = static_cast<long double>(p.y) - origin.y;
    return ToHeld(dx * dx + dy * dy);
}
}  // namespace

double PointDistance(Point2 p, Point2 q) {
    const long double dx = static_cast<long double>(p.x) - q.x;
    const long double dy = static_cast<long double>(p.y) - q.y;
    return ToHeld(std::sqrt(dx * dx + dy * dy));
}

std::pair<Point2, Point2> CircleIntersection(double r1, Point2 c1, double r2, Point2 c2) {
    using LD = long double;
    const double x1 = c1.x, y1 = c1.y, x2 = c2.x, y2 = c2.y;
    // Every quantity is rounded to a double when it is formed.
    const double a = ToHeld(LD{x1} - x2);
    const double b = ToHeld(LD{y1} - y2);
    const double g = ToHeld(((LD{r1} - r2) * (LD{r1} + r2) - (LD{x1} + x2) * a -
                             (LD{y1} + y2) * b) * 0.5L);
    const double n = ToHeld(LD{a} * a + LD{b} * b);
    const double p = ToHeld(LD{a} * x1 + LD{b} * y1 + g);
    double q = ToHeld(LD{n} * r1 * r1 - LD{p} * p);
    // Once the circles meet, a negative q is rounding noise only.
    if (q < 0) q = 0;
    const double w = ToHeld(std::sqrt(LD{q}));
    const double u = ToHeld(CheckedDivide(a, n));
    const double v = ToHeld(CheckedDivide(b, n));
    const double x0 = ToHeld(LD{x1} - LD{u} * p);
    const double y0 = ToHeld(LD{y1} - LD{v} * p);
    const double e = ToHeld(LD{v} * w);
    const double f = ToHeld(LD{u} * w);
    return {Point2{ToHeld(LD{x0} - e), ToHeld(LD{y0} + f)},
            Point2{ToHeld(LD{x0} + e), ToHeld(LD{y0} - f)}};
}

double SampleAngle(std::int64_t i, int stepsPerDegree) {
    const long double degrees =
        -(static_cast<long double>(i) / static_cast<long double>(stepsPerDegree)) + 90;
    return ToHeld(degrees * PiLiteral / 180);
}

void ComputePitchCurve(CamDesign& design) {
    const int S = design.StepsPerDegree;
    const int N = RevolutionSamples(design);
    if (N <= 0) return;
    const SampleTrig& trig = SampleTrigFor(S);
    const long double pitchBase = static_cast<long double>(design.BaseRadius) + design.RollerRadius;
    for (int i = 0; i < N && i <= MaxSampleIndex; ++i) {
        design.PitchCurve[i] = Polar(trig, i, pitchBase + design.Displacement[i]);
    }
}

ProfileStatus ComputeCamProfile(CamDesign& design) {
    const int S = design.StepsPerDegree;
    const TableWalk walk = WalkTable(design.MotionTable);
    CheckTableAngles(walk);
    const SampleTrig& trig = SampleTrigFor(S);
    auto& profile = design.CamProfile;
    const double r = design.RollerRadius;
    // Where the follower rests (zero velocity) the roller touches the cam straight below
    // its centre: the contact point towards the cam centre.
    auto contactPoint = [&design, &trig](std::int64_t i) {
        return Polar(trig, i, static_cast<long double>(design.BaseRadius) + design.Displacement[i]);
    };
    // Which samples this run has written: a motion segment must start from, and look
    // back at, the contour of this design, never a stale point of an earlier one.
    std::bitset<SampleCount> written;
    profile[0] = Point2{0, ToHeld(static_cast<long double>(design.BaseRadius) +
                                  design.Displacement[0])};
    written.set(0);
    ProfileStatus status;
    for (const Segment& segment : walk) {
        const std::int64_t i0 = segment.FirstSample(S);
        const std::int64_t i1 = segment.LastSample(S);
        if (segment.dwell) {
            const long double rho = static_cast<long double>(design.BaseRadius) + segment.startValue;
            for (std::int64_t i = i0; i <= i1; ++i) {
                profile[i] = Polar(trig, i, rho);
                written.set(i);
            }
            continue;
        }
        if (i1 < i0) continue;
        // A segment that nothing led into (a first row after 0 degrees, say) starts where
        // the roller rests on the cam at its first sample.
        if (!written.test(i0)) {
            profile[i0] = contactPoint(i0);
            written.set(i0);
        }
        const std::int64_t originRuleEnd = (std::int64_t{segment.startAngle} + 1) * S;
        for (std::int64_t i = i0 + 1; i <= i1 - 1; ++i) {
            const Point2 P = profile[i - 1];
            const Point2 K = design.PitchCurve[i];
            const double d = PointDistance(P, K);
            if (!(d > r)) {
                status.completed = false;
                status.stoppedAt = static_cast<int>(i);
                return status;
            }
            const double t =
                ToHeld(std::sqrt(static_cast<long double>(d) * d - static_cast<long double>(r) * r));
            const auto [first, second] = CircleIntersection(t, P, r, K);
            bool takeFirst;
            if (i < originRuleEnd || i < 2 || !written.test(i - 2)) {
                const Point2 origin{0, 0};
                takeFirst = SquaredNorm(first, origin) < SquaredNorm(second, origin);
            } else {
                const Point2 B = profile[i - 2];
                takeFirst = SquaredNorm(first, B) >= SquaredNorm(second, B);
            }
            profile[i] = takeFirst ? first : second;
            written.set(i);
        }
        // The end sample: a following dwell rewrites it; a following rise or fall, or
        // the end of the revolution, needs the contact point there.
        if (i1 > i0) {
            profile[i1] = contactPoint(i1);
            written.set(i1);
        }
    }
    return status;
}

}  // namespace platecam
