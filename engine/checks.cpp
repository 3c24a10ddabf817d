#include <algorithm>
#include <cmath>

#include "engine/cam.h"
#include "engine/checks.h"
#include "engine/limits.h"

namespace platecam::engine {

namespace detail {

namespace {

// A swinging arm's turn at a point of the grid; the other kinds have none.
template <class Kind>
SinCos TurnAt(const GridMotion& gm, std::size_t s, int k, bool end) {
    if constexpr (Kind::Swings) {
        return end ? gm.turnEnds[s] : gm.turnAt[k];
    } else {
        return SinCos{0, 1};
    }
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

// `contact`, where given, gets the contact at every grid point from the same measurement
// (the motion's segments always span 0..360 degrees, so every point is reached).
template <class Kind>
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
            const Pitch p = Kind::PitchAt(g, m, TurnAt<Kind>(gm, s, k, end));
            if (Kind::ReachesCentre(p)) return {Fault::AtCentre, k};
            const Local l = Measure(p);
            if (!(l.n2 > 0)) return {Fault::NoDirection, k};
            if (contact) RollerContact(g, m, l, end ? contact->ends[s] : contact->at[k]);
            if (bore) {
                const Vec c = RollerContactPoint(g, p, std::sqrt(l.n2));
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
            const double h = FlatKind::Height(g, m);
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

}  // namespace

// The contact of a roller kind at a point of the pitch curve already measured.
void RollerContact(const Geometry& g, const Kinematics& m, const Local& l, ContactPoint& c) {
    c.motion = m;
    const double length = std::sqrt(l.n2), cubed = l.n2 * length;
    // |(pc, pd)| = |T| |u|: the pressure angle's cosine without an arctangent. A swinging
    // arm's u is the arm turned a quarter, as long as the arm.
    const double reach = g.kind == FollowerKind::SwingRoller ? std::sqrt(Dot(g.arm0, g.arm0)) : 1;
    c.cosPressure = l.pd / (length * reach);
    if (!std::isfinite(c.cosPressure)) ThrowOverflow();
    // With the pitch curvature kappa = bend / |T|^3, rho = 1/kappa - Rr, and
    // 1/rho + 1/Rr = 1 / (Rr (1 - Rr kappa)): one division, straight pitch curves included.
    const double curvature = cubed / (g.rollerRadius * (cubed - g.rollerRadius * l.bend));
    c.relativeCurvature = std::isfinite(curvature) ? curvature : 0;
}

GridFault RunChecks(const GridMotion& gm, const Geometry& g, const CamInput& cam, GridChecks& out,
                    GridContact* contact) {
    out = GridChecks{};
    return WithKind(g.kind, [&](auto kind) {
        using Kind = decltype(kind);
        if constexpr (Kind::Rolls) {
            return RollerChecks<Kind>(gm, g, cam, out, contact);
        } else {
            return FlatChecks(gm, g, cam, out);
        }
    });
}

GridChecks ChecksOrThrow(const GridMotion& gm, const Geometry& g, const CamInput& cam,
                         GridContact* contact) {
    GridChecks checks;
    const GridFault f = RunChecks(gm, g, cam, checks, contact);
    if (f.fault != Fault::None) ThrowFault(f.fault, GridDegrees(f.k));
    return checks;
}

}  // namespace detail

GridChecks CheckOnGrid(const CamInput& cam) {
    detail::CheckInputs(cam);
    const detail::Geometry g = detail::ValidGeometry(cam, cam.baseRadius);
    return detail::ChecksOrThrow(detail::MakeGridMotion(cam), g, cam);
}

}  // namespace platecam::engine
