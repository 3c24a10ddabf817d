#include "engine/cam.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "engine/limits.h"
#include "engine/sine_cosine.h"
#include "base/language.h"
#include "base/errors.h"
#include "base/number_text.h"

namespace platecam::engine {

namespace {

// Message ids (English; the Japanese texts are in po/ja.po).
namespace text {
inline constexpr const char* OffsetMissesPrimeCircle =
    "follower.offset: the follower's line of motion does not cross the prime circle (the "
    "offset must be smaller than cam.base_radius + follower.roller_radius)";
inline constexpr const char* ArmTriangleOpen =
    "follower.arm_length, follower.pivot_distance: no pivot lies at these distances from the "
    "cam centre and from the roller centre at rest (cam.base_radius + follower.roller_radius "
    "above the cam centre)";
inline constexpr const char* FollowerAtCentre = "at %s degrees the follower reaches the cam centre";
inline constexpr const char* NoDirection = "at %s degrees the pitch curve has no direction";
inline constexpr const char* ValueOutOfRange = "%s: not a value the cam can be computed with";
}  // namespace text

constexpr double Pi = 3.141592653589793;
constexpr double DegreesToRadians = Pi / 180;
constexpr double RadiansToDegrees = 180 / Pi;
constexpr int GridPerDegree = 20;
constexpr int GridCount = 360 * GridPerDegree;
constexpr double Infinity = std::numeric_limits<double>::infinity();

struct Vec {
    double x = 0, y = 0;
};
Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y}; }
Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y}; }
Vec operator*(double k, Vec a) { return {k * a.x, k * a.y}; }
double Dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y; }
double Cross(Vec a, Vec b) { return a.x * b.y - a.y * b.x; }
// J, the quarter turn counter-clockwise.
Vec Quarter(Vec v) { return {-v.y, v.x}; }

[[noreturn]] void RefuseValue(const char* key) {
    throw CamError(FormatMessage(text::ValueOutOfRange, key));
}

double GridDegrees(int k) { return static_cast<double>(k % GridCount) / GridPerDegree; }

// sin and cos of the grid angles k * 0.05 degrees, exact at the quarter turns.
const std::vector<SinCos>& GridTurns() {
    static const std::vector<SinCos> table = [] {
        constexpr int QuarterTurn = 90 * GridPerDegree;
        std::vector<SinCos> t(GridCount);
        for (int k = 0; k < GridCount; ++k) {
            const double a =
                static_cast<double>(k % QuarterTurn) / GridPerDegree * DegreesToRadians;
            const double s = std::sin(a), c = std::cos(a);
            switch (k / QuarterTurn) {
                case 0:
                    t[k] = {s, c};
                    break;
                case 1:
                    t[k] = {c, -s};
                    break;
                case 2:
                    t[k] = {-s, -c};
                    break;
                default:
                    t[k] = {-c, s};
            }
        }
        return t;
    }();
    return table;
}

// A point of the follower's frame at cam angle theta, in the cam's frame: turned by
// -theta. Adding 0 keeps -0 out of the tables.
Point ToCam(Vec p, SinCos turn) {
    return {p.x * turn.c + p.y * turn.s + 0.0, p.y * turn.c - p.x * turn.s + 0.0};
}

void CheckInputs(const CamInput& cam) {
    RequireInRange(Quantity::BaseRadius, cam.baseRadius);
    if (cam.stepsPerDegree != 1 && cam.stepsPerDegree != 2 && cam.stepsPerDegree != 5) {
        RefuseValue("cam.resolution");
    }
    RequireInRange(Quantity::MaxPressureAngle, cam.maxPressureAngle);
    RequireInRange(Quantity::MinBaseRadius, cam.minBaseRadius);
    RequireInRange(Quantity::MinRadiusOfCurvature, cam.minRadiusOfCurvature);
    if (cam.bore) {
        RequireInRange(Quantity::BoreDiameter, cam.bore->diameter);
        RequireInRange(Quantity::MinWall, cam.bore->minWall);
    }
    const Follower& f = cam.follower;
    switch (f.kind) {
        case FollowerKind::Roller:
            RequireInRange(Quantity::RollerRadius, f.rollerRadius);
            RequireInRange(Quantity::Offset, f.offset);
            break;
        case FollowerKind::Flat:
            if (f.faceWidth) RequireInRange(Quantity::FaceWidth, *f.faceWidth);
            break;
        case FollowerKind::SwingRoller:
            RequireInRange(Quantity::RollerRadius, f.rollerRadius);
            RequireInRange(Quantity::ArmLength, f.armLength);
            RequireInRange(Quantity::PivotDistance, f.pivotDistance);
            break;
        default:
            RefuseValue("follower.kind");
    }
    const auto& segments = cam.motion.Segments();
    if (segments.empty()) ThrowInvalidOperation();
    const Quantity lift = f.kind == FollowerKind::SwingRoller ? Quantity::ArmSwing : Quantity::Lift;
    for (std::size_t k = 0; k <= segments.size(); ++k) {
        const double value = k < segments.size() ? segments[k].startLift : segments.back().endLift;
        const std::string problem = RangeProblem(lift, value);
        if (!problem.empty()) {
            throw CamError("motion[" + std::to_string(k + 1) + "].lift: " + problem);
        }
    }
}

// The follower at one base radius, worked out once.
struct Geometry {
    FollowerKind kind = FollowerKind::Roller;
    double baseRadius = 0, rollerRadius = 0;
    double offset = 0, rise0 = 0;  // roller: the line x = offset; the rest centre's height
    Vec pivot, arm0;               // swing: the pivot; rest roller centre minus pivot
    const char* error = nullptr;   // message id where the follower cannot exist
};

Geometry MakeGeometry(const CamInput& cam, double baseRadius) {
    const Follower& f = cam.follower;
    Geometry g;
    g.kind = f.kind;
    g.baseRadius = baseRadius;
    if (f.kind == FollowerKind::Flat) return g;
    g.rollerRadius = f.rollerRadius;
    const double prime = baseRadius + f.rollerRadius;
    if (f.kind == FollowerKind::Roller) {
        g.offset = f.offset;
        if (!(std::fabs(f.offset) < prime)) {
            g.error = text::OffsetMissesPrimeCircle;
            return g;
        }
        g.rise0 = std::sqrt((prime - f.offset) * (prime + f.offset));
        return g;
    }
    // The pivot: D from the cam centre, L from the rest centre (0, prime), on the right.
    const double D = f.pivotDistance, L = f.armLength;
    const double qy = ((D - L) * (D + L) + prime * prime) / (2 * prime);
    const double qx2 = (D - qy) * (D + qy);
    if (!(qx2 > 0 && std::isfinite(qx2))) {
        g.error = text::ArmTriangleOpen;
        return g;
    }
    g.pivot = {std::sqrt(qx2), qy};
    g.arm0 = Vec{0, prime} - g.pivot;
    return g;
}

Geometry ValidGeometry(const CamInput& cam, double baseRadius) {
    Geometry g = MakeGeometry(cam, baseRadius);
    if (g.error) throw GeometryError(Message(g.error));
    return g;
}

// The motion on the grid, evaluated once for the checks, the samples and every radius
// the sizing tries: `at[k]` at k * 0.05 degrees (the later side at a join), `ends[g]` at
// the end of segment g from its own side; for a swinging arm the sine and cosine of its
// turn there.
struct GridMotion {
    std::vector<Kinematics> at, ends;
    std::vector<SinCos> turnAt, turnEnds;
    std::vector<std::pair<int, int>> spans;  // each segment's grid points k0..k1
};

SinCos ArmTurn(const Kinematics& m) { return SineCosine(m.s * DegreesToRadians); }

// Fills `gm` for the cam's motion, reusing its storage.
void FillGridMotion(const CamInput& cam, GridMotion& gm) {
    const Motion& motion = cam.motion;
    motion.OnGrid(GridPerDegree, gm.at);
    gm.ends.clear();
    gm.spans.clear();
    for (const Segment& s : motion.Segments()) {
        gm.ends.push_back(motion.EarlierSide(s.endDeg));
        gm.spans.emplace_back(static_cast<int>(s.startDeg) * GridPerDegree,
                              static_cast<int>(s.endDeg) * GridPerDegree);
    }
    gm.turnAt.clear();
    gm.turnEnds.clear();
    if (cam.follower.kind == FollowerKind::SwingRoller) {
        gm.turnAt.resize(GridCount);
        // Dwells hold the arm still: one turn for all of their points.
        double last = std::numeric_limits<double>::quiet_NaN();
        SinCos turn{0, 1};
        for (int k = 0; k < GridCount; ++k) {
            if (!(gm.at[k].s == last)) turn = ArmTurn(gm.at[k]), last = gm.at[k].s;
            gm.turnAt[k] = turn;
        }
        for (const Kinematics& m : gm.ends) gm.turnEnds.push_back(ArmTurn(m));
    }
}

// The grid of the calling thread: its quarter megabyte is allocated once, not at every
// call. Valid until the next call on the thread: no caller holds it across another.
GridMotion& MakeGridMotion(const CamInput& cam) {
    thread_local GridMotion gm;
    FillGridMotion(cam, gm);
    return gm;
}

// The pitch curve at one cam angle, in the follower's frame: the roller centre P, the
// direction u in which it moves for increasing lift, and the first two derivatives T, T2
// of the pitch curve C = R(-theta) P by theta, turned into this frame (T = P' - J P,
// T2 = T' - J T), which needs no trigonometry of theta.
struct Pitch {
    Vec P, u, T, T2;
};

Pitch RollerPitch(const Geometry& g, const Kinematics& m) {
    // P = (e, rise0 + s), P' = (0, s'), P'' = (0, s'').
    const double y = g.rise0 + m.s;
    return {{g.offset, y}, {0, 1}, {y, m.v - g.offset}, {2 * m.v - g.offset, m.a - y}};
}

Pitch SwingPitch(const Geometry& g, const Kinematics& m, SinCos turn) {
    // P = Q + R(-psi) w0: a positive lift turns the arm clockwise about the pivot Q, so the
    // centre moves along u = dP/dpsi = -J w.
    const Vec w{g.arm0.x * turn.c + g.arm0.y * turn.s, g.arm0.y * turn.c - g.arm0.x * turn.s};
    const double d1 = m.v * DegreesToRadians, d2 = m.a * DegreesToRadians;
    Pitch p;
    p.P = g.pivot + w;
    p.u = {w.y, -w.x};
    const Vec P1 = d1 * p.u;
    const Vec P2 = d2 * p.u - (d1 * d1) * w;
    p.T = P1 - Quarter(p.P);
    p.T2 = P2 - Quarter(P1) - Quarter(p.T);
    return p;
}

// What the checks need at one point of a roller's pitch curve.
struct Local {
    double pc = 0, pd = 0;  // the pressure angle is atan2(pc, pd)
    double n2 = 0;          // |T|^2
    double bend = 0;        // -cross(T, T2): positive where the pitch curve is convex
};

// The normal n = J T points from the cam into the follower (the curve runs clockwise);
// the pressure angle runs from u to n: atan2(cross(u, n), dot(u, n)).
Local Measure(const Pitch& p) {
    return {Dot(p.u, p.T), -Cross(p.u, p.T), Dot(p.T, p.T), -Cross(p.T, p.T2)};
}

// Grows with the angle atan2(c, d) over (-pi, pi] and is odd in it, so that extremes are
// found without an arctangent at every point; (c, d) must not be (0, 0).
double AngleKey(double c, double d) {
    const double q = c / (std::fabs(c) + std::fabs(d));
    if (d >= 0) return q;
    return c >= 0 ? 2 - q : -2 - q;
}

// atan2(c, d) in degrees; the arctangent of the ratio costs half as much where it serves.
double AngleDeg(double c, double d) {
    return (d > 0 ? std::atan(c / d) : std::atan2(c, d)) * RadiansToDegrees;
}

enum class Fault { None, AtCentre, NoDirection, NotFinite };

struct GridFault {
    Fault fault = Fault::None;
    int k = 0;
};

[[noreturn]] void ThrowFault(Fault fault, double deg) {
    if (fault == Fault::AtCentre)
        throw GeometryError(FormatMessage(text::FollowerAtCentre, FormatNumber(deg)));
    if (fault == Fault::NoDirection)
        throw GeometryError(FormatMessage(text::NoDirection, FormatNumber(deg)));
    ThrowOverflow();
}

// The largest and smallest of a key over the grid, with the point that holds it.
struct KeyExtreme {
    double key = 0;
    double pc = 0, pd = 0;
    int k = -1;
};

void PeakOf(SegmentPeaks& peaks, const Kinematics& m) {
    peaks.velocity = std::max(peaks.velocity, std::fabs(m.v));
    peaks.acceleration = std::max(peaks.acceleration, std::fabs(m.a));
    peaks.jerk = std::max(peaks.jerk, std::fabs(m.j));
}

// The contour's point nearest the cam centre, by its squared distance.
struct Nearest {
    double squared = Infinity;
    int k = -1;
    void Offer(double d2, int at) {
        if (d2 < squared) squared = d2, k = at;
    }
};

// The bore's wall to the nearest point of the contour; false where it is not finite.
bool JudgeBore(const CamInput& cam, const Nearest& inner, GridChecks& out) {
    if (inner.k < 0) return false;
    out.innermostContour = {true, std::sqrt(inner.squared), GridDegrees(inner.k)};
    out.boreWall = out.innermostContour.value - cam.bore->diameter / 2;
    out.borePass = out.boreWall >= cam.bore->minWall;
    return std::isfinite(out.boreWall);
}

// The contact of a roller kind at a point of the pitch curve already measured.
void RollerContact(const Geometry& g, const Kinematics& m, const Local& l, ContactPoint& c) {
    c.motion = m;
    const double length = std::sqrt(l.n2), cubed = l.n2 * length;
    // |(pc, pd)| = |T|: the pressure angle's cosine without an arctangent.
    c.cosPressure = l.pd / length;
    if (!std::isfinite(c.cosPressure)) ThrowOverflow();
    // With the pitch curvature kappa = bend / |T|^3, rho = 1/kappa - Rr, and
    // 1/rho + 1/Rr = 1 / (Rr (1 - Rr kappa)): one division, straight pitch curves included.
    const double curvature = cubed / (g.rollerRadius * (cubed - g.rollerRadius * l.bend));
    c.relativeCurvature = std::isfinite(curvature) ? curvature : 0;
}

// `contact`, where given, gets the contact at every grid point from the same measurement
// (the motion's segments always span 0..360 degrees, so every point is reached).
template <bool Swing>
GridFault RollerChecks(const GridMotion& gm, const Geometry& g, const CamInput& cam,
                       GridChecks& out, GridContact* contact) {
    KeyExtreme high{-Infinity}, low{Infinity};
    const bool bore = cam.bore.has_value();
    Nearest inner;
    double convex = Infinity, concave = Infinity;
    int convexK = -1, concaveK = -1;
    double guard = 0;
    out.segments.assign(gm.spans.size(), SegmentPeaks{});
    for (std::size_t s = 0; s < gm.spans.size(); ++s) {
        const auto [k0, k1] = gm.spans[s];
        SegmentPeaks& peaks = out.segments[s];
        KeyExtreme steepest{-1};
        for (int k = k0; k <= k1; ++k) {
            const bool end = k == k1;
            const Kinematics& m = end ? gm.ends[s] : gm.at[k];
            Pitch p;
            if constexpr (Swing) {
                p = SwingPitch(g, m, end ? gm.turnEnds[s] : gm.turnAt[k]);
            } else {
                p = RollerPitch(g, m);
                if (!(p.P.y > 0)) return {Fault::AtCentre, k};
            }
            const Local l = Measure(p);
            if (!(l.n2 > 0)) return {Fault::NoDirection, k};
            if (contact) RollerContact(g, m, l, end ? contact->ends[s] : contact->at[k]);
            if (bore) {
                const Vec c = p.P - (g.rollerRadius / std::sqrt(l.n2)) * Quarter(p.T);
                inner.Offer(Dot(c, c), k);
            }
            guard += (l.pc + l.pd + l.n2 + l.bend) * 0;
            const double key = AngleKey(l.pc, l.pd);
            if (key > high.key) high = {key, l.pc, l.pd, k};
            if (key < low.key) low = {key, l.pc, l.pd, k};
            if (std::fabs(key) > steepest.key) steepest = {std::fabs(key), l.pc, l.pd, k};
            if (l.bend > 0) {
                const double r = l.n2 * std::sqrt(l.n2) / l.bend;
                if (r < convex) convex = r, convexK = k;
            } else if (l.bend < 0) {
                const double r = l.n2 * std::sqrt(l.n2) / -l.bend;
                if (r < concave) concave = r, concaveK = k;
            }
            PeakOf(peaks, m);
        }
        if (steepest.k >= 0) peaks.pressureDeg = std::fabs(AngleDeg(steepest.pc, steepest.pd));
    }
    if (!(guard == 0) || high.k < 0 || low.k < 0) return {Fault::NotFinite, 0};
    out.maxPressure = {true, AngleDeg(high.pc, high.pd), GridDegrees(high.k)};
    out.minPressure = {true, AngleDeg(low.pc, low.pd), GridDegrees(low.k)};
    out.pressurePass =
        std::max(out.maxPressure.value, -out.minPressure.value) <= cam.maxPressureAngle;
    if (convexK >= 0) out.convexPitchRadius = {true, convex, GridDegrees(convexK)};
    // Offset inwards by the roller, a concave pitch curve gives a contour of larger radius.
    if (concaveK >= 0)
        out.concaveContourRadius = {true, concave + g.rollerRadius, GridDegrees(concaveK)};
    out.undercutPass =
        !out.convexPitchRadius.found || out.convexPitchRadius.value >= g.rollerRadius;
    if (bore && !JudgeBore(cam, inner, out)) return {Fault::NotFinite, 0};
    return {};
}

GridFault FlatChecks(const GridMotion& gm, const Geometry& g, const CamInput& cam, GridChecks& out) {
    double rho = Infinity, lowOffset = Infinity, highOffset = -Infinity;
    int rhoK = -1;
    const bool bore = cam.bore.has_value();
    Nearest inner;
    double guard = 0;
    out.segments.assign(gm.spans.size(), SegmentPeaks{});
    for (std::size_t s = 0; s < gm.spans.size(); ++s) {
        const auto [k0, k1] = gm.spans[s];
        for (int k = k0; k <= k1; ++k) {
            const Kinematics& m = k == k1 ? gm.ends[s] : gm.at[k];
            // The face at Rb + s touches at (s', Rb + s): rho = Rb + s + s''.
            const double h = g.baseRadius + m.s;
            if (!(h > 0)) return {Fault::AtCentre, k};
            const double r = h + m.a;
            guard += (r + m.v) * 0;
            if (r < rho) rho = r, rhoK = k;
            lowOffset = std::min(lowOffset, m.v);
            highOffset = std::max(highOffset, m.v);
            if (bore) inner.Offer(m.v * m.v + h * h, k);
            PeakOf(out.segments[s], m);
        }
    }
    if (!(guard == 0) || rhoK < 0) return {Fault::NotFinite, 0};
    out.contourRadius = {true, rho, GridDegrees(rhoK)};
    out.minContactOffset = lowOffset;
    out.maxContactOffset = highOffset;
    out.faceWidthNeeded = highOffset - lowOffset;
    if (!std::isfinite(out.faceWidthNeeded)) return {Fault::NotFinite, 0};
    out.curvaturePass = rho > 0 && rho >= cam.minRadiusOfCurvature;
    const auto& width = cam.follower.faceWidth;
    out.faceWidthPass = !width || *width >= out.faceWidthNeeded;
    if (bore && !JudgeBore(cam, inner, out)) return {Fault::NotFinite, 0};
    return {};
}

// The roller kinds fill `contact` (sized) on the way; the flat face leaves it.
GridFault RunChecks(const GridMotion& gm, const Geometry& g, const CamInput& cam, GridChecks& out,
                    GridContact* contact = nullptr) {
    out = GridChecks{};
    switch (g.kind) {
        case FollowerKind::Roller:
            return RollerChecks<false>(gm, g, cam, out, contact);
        case FollowerKind::SwingRoller:
            return RollerChecks<true>(gm, g, cam, out, contact);
        default:
            return FlatChecks(gm, g, cam, out);
    }
}

GridChecks ChecksOrThrow(const GridMotion& gm, const Geometry& g, const CamInput& cam,
                         GridContact* contact = nullptr) {
    GridChecks checks;
    const GridFault f = RunChecks(gm, g, cam, checks, contact);
    if (f.fault != Fault::None) ThrowFault(f.fault, GridDegrees(f.k));
    return checks;
}

// One output sample at grid point k; `turn` is the arm's (swing only).
Sample MakeSample(const Geometry& g, int k, const Kinematics& m, SinCos turn) {
    Sample out;
    out.angleDeg = GridDegrees(k);
    out.motion = m;
    const SinCos rotation = GridTurns()[k];
    double guard = 0;
    if (g.kind == FollowerKind::Flat) {
        const double h = g.baseRadius + m.s;
        if (!(h > 0)) ThrowFault(Fault::AtCentre, out.angleDeg);
        out.pitch = ToCam({0, h}, rotation);
        out.contact = ToCam({m.v, h}, rotation);
        out.contourRadius = h + m.a;
        guard = (h + m.v + m.a) * 0;
    } else {
        const Pitch p = g.kind == FollowerKind::Roller ? RollerPitch(g, m) : SwingPitch(g, m, turn);
        if (g.kind == FollowerKind::Roller && !(p.P.y > 0))
            ThrowFault(Fault::AtCentre, out.angleDeg);
        const Local l = Measure(p);
        if (!(l.n2 > 0)) ThrowFault(Fault::NoDirection, out.angleDeg);
        const double length = std::sqrt(l.n2);
        // The contact: the centre moved by the roller radius along the normal, towards the cam.
        const Vec contact = p.P - (g.rollerRadius / length) * Quarter(p.T);
        out.pitch = ToCam(p.P, rotation);
        out.contact = ToCam(contact, rotation);
        out.pressureAngleDeg = AngleDeg(l.pc, l.pd) + 0.0;
        if (l.bend != 0) {
            const double radius = l.n2 * length / l.bend;
            if (std::isfinite(radius)) {
                out.pitchRadius = radius;
                out.contourRadius = radius - g.rollerRadius;
            }
        }
        guard = (l.n2 + l.pc + l.pd + l.bend + contact.x + contact.y) * 0;
    }
    guard += (out.pitch.x + out.pitch.y + out.contact.x + out.contact.y) * 0;
    if (!(guard == 0)) ThrowOverflow();
    return out;
}

int GridStepOfSample(int S) { return GridPerDegree / S; }

// The contact at grid point k (the side `m` and `turn` belong to), as MakeSample finds it,
// written in place: the grid's 7200 points are copied nowhere.
template <FollowerKind Kind>
void ContactAt(const Geometry& g, int k, const Kinematics& m, SinCos turn, ContactPoint& c) {
    c.motion = m;
    double curvature = 0;
    if constexpr (Kind == FollowerKind::Flat) {
        const double h = g.baseRadius + m.s;
        if (!(h > 0)) ThrowFault(Fault::AtCentre, GridDegrees(k));
        c.cosPressure = 1;
        curvature = 1 / (h + m.a);
    } else {
        const Pitch p = Kind == FollowerKind::Roller ? RollerPitch(g, m) : SwingPitch(g, m, turn);
        if (Kind == FollowerKind::Roller && !(p.P.y > 0)) {
            ThrowFault(Fault::AtCentre, GridDegrees(k));
        }
        const Local l = Measure(p);
        if (!(l.n2 > 0)) ThrowFault(Fault::NoDirection, GridDegrees(k));
        return RollerContact(g, m, l, c);
    }
    c.relativeCurvature = std::isfinite(curvature) ? curvature : 0;
}

template <FollowerKind Kind>
void FillContactOf(const GridMotion& gm, const Geometry& g, GridContact& out) {
    const bool swing = Kind == FollowerKind::SwingRoller;
    out.at.resize(GridCount);
    for (int k = 0; k < GridCount; ++k) {
        ContactAt<Kind>(g, k, gm.at[k], swing ? gm.turnAt[k] : SinCos{0, 1}, out.at[k]);
    }
    out.ends.resize(gm.ends.size());
    for (std::size_t s = 0; s < gm.ends.size(); ++s) {
        ContactAt<Kind>(g, gm.spans[s].second, gm.ends[s], swing ? gm.turnEnds[s] : SinCos{0, 1},
                        out.ends[s]);
    }
}

void FillContact(const GridMotion& gm, const Geometry& g, GridContact& out) {
    switch (g.kind) {
        case FollowerKind::Roller:
            return FillContactOf<FollowerKind::Roller>(gm, g, out);
        case FollowerKind::Flat:
            return FillContactOf<FollowerKind::Flat>(gm, g, out);
        default:
            return FillContactOf<FollowerKind::SwingRoller>(gm, g, out);
    }
}

// Hundredths of a millimetre: the smallest k >= 1 with k / 100 >= radius.
long long FirstHundredthFrom(double radius) {
    if (!(radius < 1e15)) return std::numeric_limits<long long>::max() / 4;
    long long k = std::max(1LL, static_cast<long long>(std::ceil(radius * 100)));
    while (k > 1 && static_cast<double>(k - 1) / 100 >= radius) --k;
    while (static_cast<double>(k) / 100 < radius) ++k;
    return k;
}

}  // namespace

std::vector<Sample> ComputeSamples(const CamInput& cam) {
    CheckInputs(cam);
    const Geometry g = ValidGeometry(cam, cam.baseRadius);
    const int S = cam.stepsPerDegree, step = GridStepOfSample(S);
    thread_local std::vector<Kinematics> motion;
    cam.motion.OnGrid(S, motion);
    std::vector<Sample> samples;
    samples.reserve(360 * S);
    for (int i = 0; i < 360 * S; ++i) {
        const Kinematics& m = motion[i];
        const SinCos turn = g.kind == FollowerKind::SwingRoller ? ArmTurn(m) : SinCos{0, 1};
        samples.push_back(MakeSample(g, i * step, m, turn));
    }
    return samples;
}

Point SwingPivot(const CamInput& cam) {
    CheckInputs(cam);
    if (cam.follower.kind != FollowerKind::SwingRoller) RefuseValue("follower.kind");
    const Geometry g = ValidGeometry(cam, cam.baseRadius);
    return {g.pivot.x, g.pivot.y};
}

GridChecks CheckOnGrid(const CamInput& cam) {
    CheckInputs(cam);
    const Geometry g = ValidGeometry(cam, cam.baseRadius);
    return ChecksOrThrow(MakeGridMotion(cam), g, cam);
}

namespace {

CamResult ComputeCamOnGrid(const CamInput& cam, const Geometry& g, const GridMotion& gm,
                           GridContact* contact = nullptr) {
    CamResult result;
    result.checks = ChecksOrThrow(gm, g, cam, contact);
    const int S = cam.stepsPerDegree, step = GridStepOfSample(S);
    const bool swing = g.kind == FollowerKind::SwingRoller;
    result.samples.reserve(360 * S);
    for (int k = 0; k < GridCount; k += step) {
        result.samples.push_back(MakeSample(g, k, gm.at[k], swing ? gm.turnAt[k] : SinCos{0, 1}));
    }
    return result;
}

}  // namespace

CamResult ComputeCam(const CamInput& cam) {
    CheckInputs(cam);
    const Geometry g = ValidGeometry(cam, cam.baseRadius);
    return ComputeCamOnGrid(cam, g, MakeGridMotion(cam));
}

void ContactOnGrid(const CamInput& cam, GridContact& contact) {
    CheckInputs(cam);
    const Geometry g = ValidGeometry(cam, cam.baseRadius);
    FillContact(MakeGridMotion(cam), g, contact);
}

CamResult ComputeCam(const CamInput& cam, GridContact& contact) {
    CheckInputs(cam);
    const Geometry g = ValidGeometry(cam, cam.baseRadius);
    const GridMotion& gm = MakeGridMotion(cam);
    if (g.kind == FollowerKind::Flat) {
        CamResult result = ComputeCamOnGrid(cam, g, gm);
        FillContact(gm, g, contact);
        return result;
    }
    // The roller kinds' checks measure the pitch curve at every grid point: the contact is
    // taken from the same measurement.
    contact.at.resize(GridCount);
    contact.ends.resize(gm.ends.size());
    return ComputeCamOnGrid(cam, g, gm, &contact);
}

Sizing SizeBaseRadius(const CamInput& cam) {
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
    auto pass = [&](long long k) { return judge(static_cast<double>(k) / 100, nullptr); };

    Sizing result;
    result.passesAsGiven = judge(cam.baseRadius, nullptr);
    const long long kMin = FirstHundredthFrom(cam.minBaseRadius);
    const Follower& f = cam.follower;
    // Every grid point, both sides of the joins.
    auto everyPoint = [&](auto visit) {
        for (const Kinematics& m : gm.at) visit(m);
        for (const Kinematics& m : gm.ends) visit(m);
    };
    // Where to start (a radius below which the checks cannot pass) and how far to look.
    double lower = 0, upper = 0;
    switch (f.kind) {
        case FollowerKind::Roller: {
            // |s' - e| <= tan(limit) (rise0 + s) at every point with rise0 + s > 0 decides the
            // pressure angle; the undercut is searched for above that.
            const double tangent = std::tan(cam.maxPressureAngle * DegreesToRadians);
            double rise = 0, reach = 0;
            everyPoint([&](const Kinematics& m) {
                rise = std::max({rise, std::fabs(m.v - f.offset) / tangent - m.s, -m.s});
                reach = std::max({reach, std::fabs(m.s), std::fabs(m.a)});
            });
            lower = std::hypot(rise, f.offset) - f.rollerRadius;
            upper = std::max(lower, cam.minBaseRadius) + 10 * reach + 3 * f.rollerRadius + 100;
            break;
        }
        case FollowerKind::Flat: {
            // rho = Rb + s + s'' is linear in the base radius.
            double need = 0;
            everyPoint([&](const Kinematics& m) {
                need = std::max({need, cam.minRadiusOfCurvature - m.s - m.a, -m.s - m.a, -m.s});
            });
            lower = need;
            upper = std::max(lower, cam.minBaseRadius) + 100;
            break;
        }
        case FollowerKind::SwingRoller:
            // The triangle closes for |D - L| < Rb + Rr < D + L only.
            lower = std::fabs(f.pivotDistance - f.armLength) - f.rollerRadius;
            upper = f.pivotDistance + f.armLength - f.rollerRadius;
            break;
    }
    // Only radii a design may have are searched.
    upper = std::min(upper, std::nextafter(LimitOf(Quantity::BaseRadius).high, 0.0));
    if (!(std::isfinite(lower) && std::isfinite(upper) && lower <= upper)) return result;
    result.searchedUpTo = upper;
    const long long start = std::max(kMin, static_cast<long long>(std::floor(lower * 100)));
    const long long limit = static_cast<long long>(std::floor(upper * 100));
    if (start > limit) return result;
    // Up in steps (at most 200 of them; 1 mm at least for the rollers, whose start is
    // close to the answer), then halving between the last that failed and the first that
    // passed.
    const long long step =
        std::max(f.kind == FollowerKind::SwingRoller ? 1LL : 100LL, (limit - start) / 200);
    long long failed = -1, passed = -1;
    for (long long k = start; k <= limit; k += step) {
        if (pass(k)) {
            passed = k;
            break;
        }
        failed = k;
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
    while (passed - failed > 1) {
        const long long middle = failed + (passed - failed) / 2;
        (pass(middle) ? passed : failed) = middle;
    }
    result.found = true;
    result.baseRadius = static_cast<double>(passed) / 100;
    result.isMinimum = passed == kMin;
    judge(result.baseRadius, &result.checks);
    return result;
}

}  // namespace platecam::engine
