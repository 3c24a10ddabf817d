#include "engine/motion.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "base/errors.h"
#include "base/text.h"
#include "base/window_laws.h"
#include "engine/sine_cosine.h"

namespace platecam::engine {

namespace {

constexpr double Pi = 3.141592653589793;
constexpr double DegreesToRadians = Pi / 180;


// No law's first four derivatives reach this (the largest is the modified sine's snap,
// A (4 pi)^2, about 873): a segment whose factors stay finite when multiplied by it cannot
// overflow. Likewise no law's n leaves 0..1 by more than rounding, so a finite base +
// 2 scale bounds every lift: evaluation needs no checks of its own. A polynomial has its
// own bound (Polynomial::Bound).
constexpr double DerivativeBound = 1024;

int LawIndex(Law law) {
    const int index = static_cast<int>(law);
    if (index < 0 || index >= LawCount) ThrowInvalidOperation();
    return index;
}

// The window's three laws from their closed forms, with the window's constants: ramps
// over the first and last eighth, peak acceleration A; the lift steps at 5/8 by the cut
// exactly as the window's does.
constexpr double T = WindowLawRamp;
constexpr double TrapezoidA = WindowTrapezoidPeak;
constexpr double SineA = WindowSinePeak;

// What the ramps and the pieces between them need, formed in extended precision and
// rounded once, as the model does.
struct Ramps {
    double A, V1, K, S1, w;
};
constexpr long double PiL = 3.141592653589793L;
constexpr Ramps MakeRamps(double A) {
    const long double t = T;
    return {A, static_cast<double>(2 * t * A / PiL),
            static_cast<double>(4 * t * t * A / (PiL * PiL)),
            static_cast<double>(2 * t * t * A / PiL - 4 * t * t * A / (PiL * PiL)),
            static_cast<double>(PiL / (2 * t))};
}
constexpr Ramps Trapezoid = MakeRamps(TrapezoidA);
constexpr Ramps Sine = MakeRamps(SineA);
// The trapezoid's middle: V2 = (1/2 - 2T) A + V1, S2 its lift at 3/8.
constexpr double TrapezoidV2 = static_cast<double>((0.5L - 2 * T) * TrapezoidA + Trapezoid.V1);
constexpr double TrapezoidS2 = static_cast<double>(
    (0.5L - 2 * T) * (TrapezoidA / 2.0L) * (0.5L - 2 * T) + (0.5L - 2 * T) * Trapezoid.V1 +
    Trapezoid.S1);
// The modified sine's middle: a sine of period 2 (1 - 2T) and amplitude M = A / W^2.
constexpr double SineW = static_cast<double>(PiL / (1 - 2.0L * T));
constexpr double SineM = static_cast<double>((1 - 2.0L * T) * (1 - 2.0L * T) * SineA / (PiL * PiL));

// The first eighth: acceleration A sin(w x).
Normalised FirstRamp(const Ramps& r, double x) {
    const SinCos t = SineCosine(r.w * x);
    return {r.V1 * x - r.K * t.s, r.V1 * (1 - t.c), r.A * t.s, r.A * r.w * t.c,
            -r.A * r.w * r.w * t.s};
}

// The last eighth, u = x - 7/8: acceleration -A cos(w u), ending at n = 1.
Normalised LastRamp(const Ramps& r, double x) {
    const double u = x - 1 + T;
    const SinCos t = SineCosine(r.w * u);
    return {r.K * (t.c - 1) + r.V1 * u + (1 - r.S1), r.V1 * (1 - t.s), -r.A * t.c,
            r.A * r.w * t.s, r.A * r.w * r.w * t.c};
}

Normalised Cycloid(double x) {
    constexpr double w = 2 * Pi;
    const SinCos t = SineCosine(w * x);
    return {x - t.s / w, 1 - t.c, w * t.s, w * w * t.c, -w * w * w * t.s};
}

Normalised ModifiedTrapezoid(double x) {
    const Ramps& r = Trapezoid;
    if (x <= 0.125) return FirstRamp(r, x);
    if (x <= 0.375) {
        const double u = x - 0.125;
        return {(r.A / 2) * u * u + r.V1 * u + r.S1, r.A * u + r.V1, r.A, 0, 0};
    }
    if (x <= 0.625) {
        const double u = x - 0.375;
        const SinCos t = SineCosine(r.w * u);
        return {r.K * (1 - t.c) + TrapezoidV2 * u + TrapezoidS2, r.V1 * t.s + TrapezoidV2,
                r.A * t.c, -r.A * r.w * t.s, -r.A * r.w * r.w * t.c};
    }
    if (x <= 0.875) {
        const double u = x - 0.625;
        return {-(r.A / 2) * u * u + TrapezoidV2 * u + (1 - TrapezoidS2), -r.A * u + TrapezoidV2,
                -r.A, 0, 0};
    }
    return LastRamp(r, x);
}

Normalised ModifiedSine(double x) {
    const Ramps& r = Sine;
    if (x <= 0.125) return FirstRamp(r, x);
    if (x >= 0.875) return LastRamp(r, x);
    const double u = x - 0.125;
    const SinCos t = SineCosine(SineW * u);
    return {SineM * (1 - t.c) + r.V1 * u + r.S1, SineM * SineW * t.s + r.V1,
            SineM * SineW * SineW * t.c, -SineM * SineW * SineW * SineW * t.s,
            -SineM * SineW * SineW * SineW * SineW * t.c};
}

Normalised SimpleHarmonic(double x) {
    const auto [s, c] = SineCosine(Pi * x);
    return {(1 - c) / 2, Pi / 2 * s, Pi * Pi / 2 * c, -(Pi * Pi * Pi / 2) * s,
            -(Pi * Pi * Pi * Pi / 2) * c};
}

// Factored forms: the ends give exact zeros where the law has them.
Normalised Polynomial345(double x) {
    const double y = 1 - x;
    return {x * x * x * (10 + x * (-15 + 6 * x)), 30 * x * x * y * y, 60 * x * y * (1 - 2 * x),
            60 + x * (-360 + 360 * x), 360 * (2 * x - 1)};
}

Normalised Polynomial4567(double x) {
    const double y = 1 - x, x2 = x * x, y2 = y * y;
    return {x2 * x2 * (35 + x * (-84 + x * (70 - 20 * x))), 140 * x2 * x * y2 * y,
            420 * x2 * y2 * (1 - 2 * x), 840 * x * (1 - x * (6 - x * (10 - 5 * x))),
            840 * (1 - x * (12 - x * (30 - 20 * x)))};
}

// With c = cos(pi x), s = sin(pi x): cos(2 pi x) = 1 - 2 s^2 and sin(2 pi x) = 2 s c.
Normalised DoubleHarmonic(double x) {
    const auto [s, c] = SineCosine(Pi * x);
    const double c2 = 1 - 2 * s * s;
    return {((1 - c) - s * s / 2) / 2, Pi / 2 * s * (1 - c), Pi * Pi / 2 * (c - c2),
            Pi * Pi * Pi / 2 * s * (4 * c - 1), Pi * Pi * Pi * Pi / 2 * (4 * c2 - c)};
}

Normalised ConstantVelocity(double x) { return {x, 1, 0, 0, 0}; }

void CheckFinite(double value) {
    if (std::isnan(value)) ThrowInvalidOperation();
    if (std::isinf(value)) ThrowOverflow();
}

// Message ids (English; the Japanese texts are in po/ja.po).
namespace text {
constexpr const char* ConditionWithoutPolynomial =
    "motion[%1]: a velocity, acceleration or jerk needs a polynomial rise or fall that begins or "
    "ends at this row (between equal lifts a segment is a dwell)";
}  // namespace text

// A row's condition of order 1 (velocity), 2 (acceleration) or 3 (jerk).
const std::optional<double>& Condition(const MotionRow& row, int order) {
    return order == 1 ? row.velocity : order == 2 ? row.acceleration : row.jerk;
}

// Throws where a segment whose |n^(k)| stay within `bound` could overflow: then evaluation
// needs no checks of its own.
template <typename Exact>
void CheckBounded(const Exact& e, double bound) {
    for (double factor : {e.perRadian, e.perRadian2, e.perRadian3, e.perRadian4}) {
        CheckFinite(factor * bound);
    }
    CheckFinite(std::fabs(e.base) + std::fabs(e.scale) * std::max(bound, 2.0));
}

// The lift as the window forms it: the law's value times the rise, in extended precision,
// then rounded once.
template <typename Exact>
double Lift(const Exact& e, double n) {
    return static_cast<double>(static_cast<long double>(n) * e.scale + e.base);
}

}  // namespace

Normalised EvaluateLaw(Law law, double x) {
    switch (law) {
        case Law::Cycloid:
            return Cycloid(x);
        case Law::ModifiedTrapezoid:
            return ModifiedTrapezoid(x);
        case Law::ModifiedSine:
            return ModifiedSine(x);
        case Law::SimpleHarmonic:
            return SimpleHarmonic(x);
        case Law::Polynomial345:
            return Polynomial345(x);
        case Law::Polynomial4567:
            return Polynomial4567(x);
        case Law::DoubleHarmonic:
            return DoubleHarmonic(x);
        case Law::ConstantVelocity:
            return ConstantVelocity(x);
        case Law::Polynomial:
            return Polynomial345(x);
    }
    ThrowInvalidOperation();
}

Motion Motion::FromRows(const std::vector<MotionRow>& rows) {
    // The reader enforces these with messages naming the line; here they guard the
    // lookup table, which must cover every degree exactly once.
    if (rows.size() < 2 || rows.front().angle != 0 || rows.back().angle != 360 ||
        rows.back().lift != rows.front().lift) {
        ThrowInvalidOperation();
    }
    for (std::size_t k = 0; k < rows.size(); ++k) {
        CheckFinite(rows[k].lift);
        for (int order = 1; order <= 3; ++order) CheckFinite(Condition(rows[k], order).value_or(0));
        if (k > 0 && rows[k].angle <= rows[k - 1].angle) ThrowInvalidOperation();
        if (k > 0) LawIndex(rows[k].law);
    }

    Motion motion;
    motion.segmentOfDegree_.resize(360);
    for (std::size_t k = 0; k + 1 < rows.size(); ++k) {
        const MotionRow& from = rows[k];
        const MotionRow& to = rows[k + 1];
        Segment segment;
        segment.startDeg = from.angle;
        segment.endDeg = to.angle;
        segment.startLift = from.lift;
        segment.endLift = to.lift;
        segment.law = to.law;
        segment.kind = to.lift > from.lift   ? SegmentKind::Rise
                       : to.lift < from.lift ? SegmentKind::Fall
                                             : SegmentKind::Dwell;
        Exact exact;
        exact.base = from.lift + 0.0;  // a row's -0 rests at 0
        if (segment.kind != SegmentKind::Dwell) {
            // The double harmonic falls as its rise run backwards, so that its end without
            // acceleration stays at the bottom; every other law falls by the window's rule
            // y0 + (y1 - y0) n(x), the same curve, with the window's roundings.
            exact.backward = segment.kind == SegmentKind::Fall && to.law == Law::DoubleHarmonic;
            if (exact.backward) exact.base = to.lift + 0.0;
            exact.scale = exact.backward ? ToHeld(static_cast<long double>(from.lift) - to.lift)
                                         : ToHeld(static_cast<long double>(to.lift) - from.lift);
            const double sign = exact.backward ? -1 : 1;
            const double span = (segment.endDeg - segment.startDeg) * DegreesToRadians;
            exact.perRadian = sign * exact.scale / span;
            exact.perRadian2 = exact.scale / (span * span);
            exact.perRadian3 = sign * exact.scale / (span * span * span);
            exact.perRadian4 = exact.scale / (span * span * span * span);
            // A polynomial's bound is known once it is fitted.
            if (to.law != Law::Polynomial) CheckBounded(exact, DerivativeBound);
        }
        const auto index = static_cast<std::uint16_t>(motion.segments_.size());
        std::fill(motion.segmentOfDegree_.begin() + from.angle,
                  motion.segmentOfDegree_.begin() + to.angle, index);
        motion.segments_.push_back(segment);
        motion.exact_.push_back(exact);
    }

    // A polynomial meets its neighbours' ends, which are all known now.
    const auto fitted = [&](std::size_t g) {
        return g < motion.segments_.size() && motion.segments_[g].law == Law::Polynomial &&
               motion.segments_[g].kind != SegmentKind::Dwell;
    };
    for (std::size_t g = 0; g < motion.segments_.size(); ++g) {
        if (fitted(g)) motion.FitPolynomial(g, rows);
    }
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const MotionRow& row = rows[k];
        if ((row.velocity || row.acceleration || row.jerk) && !(k > 0 && fitted(k - 1)) && !fitted(k)) {
            throw CamError(Text::Message(text::ConditionWithoutPolynomial, {std::to_string(k + 1)}));
        }
    }

    motion.largestLift_ = motion.segments_.front().startLift;
    for (std::size_t g = 0; g < motion.segments_.size(); ++g) {
        motion.largestLift_ = std::max(motion.largestLift_, motion.segments_[g].endLift);
        if (!fitted(g)) continue;
        const Exact& e = motion.exact_[g];
        const Polynomial::Range range = e.polynomial.Extremes();
        for (const double n : {range.low, range.high}) {
            motion.largestLift_ = std::max(motion.largestLift_, Lift(e, n));
        }
    }
    return motion;
}

void Motion::FitPolynomial(std::size_t g, const std::vector<MotionRow>& rows) {
    const std::size_t count = segments_.size();
    const Segment& s = segments_[g];
    Exact& e = exact_[g];
    // A condition at one end: the row's own, else the velocity and acceleration of the
    // neighbour across the row (across 360/0 for the first and last segments).
    const auto condition = [&](bool atStart, int order) -> std::optional<double> {
        if (const std::optional<double>& given = Condition(rows[atStart ? g : g + 1], order)) return given;
        if (order == 3) return std::nullopt;  // the jerk is free
        const std::size_t other = atStart ? (g == 0 ? count - 1 : g - 1) : (g + 1 == count ? 0 : g + 1);
        const Segment& neighbour = segments_[other];
        if (neighbour.kind == SegmentKind::Dwell) return 0.0;
        // A polynomial neighbour meets this join only by a condition of its own row there:
        // none on the shared row (this segment would have found it), perhaps one on the
        // row across 360/0.
        if (neighbour.law == Law::Polynomial) return Condition(rows[atStart ? other + 1 : other], order).value_or(0);
        const Kinematics end = Evaluate(other, atStart ? 1 : 0);
        return order == 1 ? end.v : end.a;
    };
    // n(x) = (lift - base) / scale, so n^(k)(x) = span^k / scale times the k-th derivative
    // per radian.
    const double span = (s.endDeg - s.startDeg) * DegreesToRadians;
    std::vector<double> start{0}, end{1};
    double power = 1;
    for (int order = 1; order <= 3; ++order) {
        power *= span;
        if (const auto value = condition(true, order)) start.push_back(*value * power / e.scale);
        if (const auto value = condition(false, order)) end.push_back(*value * power / e.scale);
    }
    e.polynomial = Polynomial::Fit(start, end);
    CheckBounded(e, e.polynomial.Bound());
}

Kinematics Motion::LawAt(std::size_t segment, double x) const {
    const Exact& e = exact_[segment];
    const Segment& s = segments_[segment];
    if (s.kind == SegmentKind::Dwell) return {e.base, 0, 0, 0, 0};
    const double u = e.backward ? 1 - x : x;
    const Normalised m = s.law == Law::Polynomial ? e.polynomial.At(u) : EvaluateLaw(s.law, u);
    // Adding +0 turns a fall's -0 at rest into 0, so that no "-0" reaches a table.
    return {Lift(e, m.n), e.perRadian * m.n1 + 0.0, e.perRadian2 * m.n2 + 0.0,
            e.perRadian3 * m.n3 + 0.0, e.perRadian4 * m.n4 + 0.0};
}

Kinematics Motion::Evaluate(std::size_t segment, double x) const {
    Kinematics m = LawAt(segment, x);
    if (correction_) {
        const Kinematics c = correction_->At(segment, x);
        m.s += c.s, m.v += c.v, m.a += c.a, m.j += c.j;
    }
    return m;
}

Motion Motion::WithCorrection(std::shared_ptr<const LiftCorrection> correction) const {
    Motion corrected = *this;
    corrected.correction_ = std::move(correction);
    return corrected;
}

Kinematics Motion::At(double deg) const {
    if (!(deg >= 0 && deg <= 360) || segments_.empty()) ThrowInvalidOperation();
    // Rows are whole degrees, so the degree below the angle names its segment; at a row
    // angle that is the later segment.
    const std::size_t k =
        deg < 360 ? segmentOfDegree_[static_cast<int>(deg)] : segments_.size() - 1;
    const Segment& s = segments_[k];
    return Evaluate(k, (deg - s.startDeg) / (s.endDeg - s.startDeg));
}

std::vector<Kinematics> Motion::OnGrid(int perDegree) const {
    std::vector<Kinematics> out;
    OnGrid(perDegree, out);
    return out;
}

void Motion::OnGrid(int perDegree, std::vector<Kinematics>& out) const {
    if (perDegree <= 0 || perDegree > 1000 || segments_.empty()) ThrowInvalidOperation();
    out.resize(static_cast<std::size_t>(360 * perDegree));
    // Rows are whole degrees: each segment holds the grid points k0 <= k < k1.
    for (std::size_t g = 0; g < segments_.size(); ++g) {
        const Segment& s = segments_[g];
        const int k1 = static_cast<int>(s.endDeg) * perDegree;
        for (int k = static_cast<int>(s.startDeg) * perDegree; k < k1; ++k) {
            const double deg = static_cast<double>(k) / perDegree;
            out[k] = Evaluate(g, (deg - s.startDeg) / (s.endDeg - s.startDeg));
        }
    }
}

bool Motion::IsJoin(double deg) const {
    if (!(deg >= 0 && deg <= 360) || segments_.empty()) return false;
    if (deg == 360) return true;
    const int d = static_cast<int>(deg);
    return d == deg && segments_[segmentOfDegree_[d]].startDeg == d;
}

Kinematics Motion::EarlierSide(double deg) const {
    if (!IsJoin(deg)) return At(deg);
    const std::size_t later = deg == 360 ? 0 : segmentOfDegree_[static_cast<int>(deg)];
    return Evaluate(later == 0 ? segments_.size() - 1 : later - 1, 1);
}

std::vector<Join> Motion::Joins() const {
    std::vector<Join> joins;
    for (std::size_t k = 0; k < segments_.size(); ++k) {
        const std::size_t earlier = k == 0 ? segments_.size() - 1 : k - 1;
        const Kinematics before = LawAt(earlier, 1);
        const Kinematics after = LawAt(k, 0);
        Join join{segments_[k].startDeg, after.v - before.v, after.a - before.a};
        const double velocityScale = std::max({std::fabs(exact_[earlier].perRadian), std::fabs(exact_[k].perRadian),
                                               std::fabs(before.v), std::fabs(after.v)});
        const double accelerationScale =
            std::max({std::fabs(exact_[earlier].perRadian2), std::fabs(exact_[k].perRadian2),
                      std::fabs(before.a), std::fabs(after.a)});
        const bool velocity = std::fabs(join.velocityJump) > 1e-9 * velocityScale;
        const bool acceleration = std::fabs(join.accelerationJump) > 1e-9 * accelerationScale;
        // A jump below the tolerance is rounding: it is reported as none.
        if (!velocity) join.velocityJump = 0;
        if (!acceleration) join.accelerationJump = 0;
        if (velocity || acceleration) joins.push_back(join);
    }
    return joins;
}

double Motion::LargestLift() const { return largestLift_; }

}  // namespace platecam::engine
