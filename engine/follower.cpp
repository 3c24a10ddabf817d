#include "engine/follower.h"

#include <algorithm>
#include <cmath>

#include "engine/limits.h"

namespace platecam::engine::detail {

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
}  // namespace text

// Every grid point's motion, both sides of the joins.
template <typename Visit>
void EveryPoint(const GridMotion& gm, Visit visit) {
    for (const Kinematics& m : gm.at) visit(m);
    for (const Kinematics& m : gm.ends) visit(m);
}

}  // namespace

// ---- The roller ----

void RollerKind::CheckInputs(const Follower& f) {
    RequireInRange(Quantity::RollerRadius, f.rollerRadius);
    RequireInRange(Quantity::Offset, f.offset);
}

Geometry RollerKind::Make(const CamInput& cam, double baseRadius) {
    const Follower& f = cam.follower;
    Geometry g;
    g.kind = f.kind;
    g.baseRadius = baseRadius;
    g.rollerRadius = f.rollerRadius;
    const double prime = baseRadius + f.rollerRadius;
    g.offset = f.offset;
    if (!(std::fabs(f.offset) < prime)) {
        g.error = text::OffsetMissesPrimeCircle;
        return g;
    }
    g.rise0 = std::sqrt((prime - f.offset) * (prime + f.offset));
    return g;
}

SizingRange RollerKind::Range(const CamInput& cam, const GridMotion& gm) {
    const Follower& f = cam.follower;
    // |s' - e| <= tan(limit) (rise0 + s) at every point with rise0 + s > 0 decides the
    // pressure angle; the undercut is searched for above that.
    const double tangent = std::tan(cam.maxPressureAngle * DegreesToRadians);
    double rise = 0, reach = 0;
    EveryPoint(gm, [&](const Kinematics& m) {
        rise = std::max({rise, std::fabs(m.v - f.offset) / tangent - m.s, -m.s});
        reach = std::max({reach, std::fabs(m.s), std::fabs(m.a)});
    });
    const double lower = std::hypot(rise, f.offset) - f.rollerRadius;
    // 1 mm steps at least: the start is close to the answer.
    return {lower, std::max(lower, cam.minBaseRadius) + 10 * reach + 3 * f.rollerRadius + 100, 100};
}

// ---- The swinging roller arm ----

void SwingKind::CheckInputs(const Follower& f) {
    RequireInRange(Quantity::RollerRadius, f.rollerRadius);
    RequireInRange(Quantity::ArmLength, f.armLength);
    RequireInRange(Quantity::PivotDistance, f.pivotDistance);
}

Geometry SwingKind::Make(const CamInput& cam, double baseRadius) {
    const Follower& f = cam.follower;
    Geometry g;
    g.kind = f.kind;
    g.baseRadius = baseRadius;
    g.rollerRadius = f.rollerRadius;
    const double prime = baseRadius + f.rollerRadius;
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

SizingRange SwingKind::Range(const CamInput& cam, const GridMotion&) {
    const Follower& f = cam.follower;
    // The triangle closes for |D - L| < Rb + Rr < D + L only.
    return {std::fabs(f.pivotDistance - f.armLength) - f.rollerRadius,
            f.pivotDistance + f.armLength - f.rollerRadius, 1};
}

// ---- The flat face ----

void FlatKind::CheckInputs(const Follower& f) {
    if (f.faceWidth) RequireInRange(Quantity::FaceWidth, *f.faceWidth);
}

Geometry FlatKind::Make(const CamInput& cam, double baseRadius) {
    Geometry g;
    g.kind = cam.follower.kind;
    g.baseRadius = baseRadius;
    return g;
}

SizingRange FlatKind::Range(const CamInput& cam, const GridMotion& gm) {
    // rho = Rb + s + s'' is linear in the base radius.
    double need = 0;
    EveryPoint(gm, [&](const Kinematics& m) {
        need = std::max({need, cam.minRadiusOfCurvature - m.s - m.a, -m.s - m.a, -m.s});
    });
    return {need, std::max(need, cam.minBaseRadius) + 100, 100};
}

// ---- Any kind ----

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
    const bool swings = WithKind(cam.follower.kind, [&](auto kind) {
        decltype(kind)::CheckInputs(cam.follower);
        return decltype(kind)::Swings;
    });
    const auto& segments = cam.motion.Segments();
    if (segments.empty()) ThrowInvalidOperation();
    const Quantity lift = swings ? Quantity::ArmSwing : Quantity::Lift;
    for (std::size_t k = 0; k <= segments.size(); ++k) {
        const double value = k < segments.size() ? segments[k].startLift : segments.back().endLift;
        const Text problem = RangeProblem(lift, value);
        if (!problem.empty()) {
            throw CamError(Text::Literal("motion[" + std::to_string(k + 1) + "].lift: ") + problem);
        }
    }
}

Geometry MakeGeometry(const CamInput& cam, double baseRadius) {
    return WithKind(cam.follower.kind, [&](auto kind) { return decltype(kind)::Make(cam, baseRadius); });
}

Geometry ValidGeometry(const CamInput& cam, double baseRadius) {
    Geometry g = MakeGeometry(cam, baseRadius);
    if (g.error) throw GeometryError(Text::Message(g.error));
    return g;
}

}  // namespace platecam::engine::detail
