#include "engine/cam.h"

#include <cmath>

#include "engine/checks.h"

namespace platecam::engine {

namespace detail {
namespace {

// One output sample at grid point k; `turn` is the arm's (a swinging arm only).
template <class Kind>
Sample MakeSample(const Geometry& g, int k, const Kinematics& m, SinCos turn) {
    Sample out;
    out.angleDeg = GridDegrees(k);
    out.motion = m;
    const SinCos rotation = GridTurns()[k];
    double guard = 0;
    if constexpr (!Kind::Rolls) {
        const double h = Kind::Height(g, m);
        if (!(h > 0)) ThrowFault(Fault::AtCentre, out.angleDeg);
        out.pitch = ToCam({0, h}, rotation);
        out.contact = ToCam({m.v, h}, rotation);
        out.contourRadius = h + m.a;
        guard = (h + m.v + m.a) * 0;
    } else {
        const Pitch p = Kind::PitchAt(g, m, turn);
        if (Kind::ReachesCentre(p)) ThrowFault(Fault::AtCentre, out.angleDeg);
        const Local l = Measure(p);
        if (!(l.n2 > 0)) ThrowFault(Fault::NoDirection, out.angleDeg);
        const double length = std::sqrt(l.n2);
        const Vec contact = RollerContactPoint(g, p, length);
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
template <class Kind>
void ContactAt(const Geometry& g, int k, const Kinematics& m, SinCos turn, ContactPoint& c) {
    c.motion = m;
    if constexpr (!Kind::Rolls) {
        const double h = Kind::Height(g, m);
        if (!(h > 0)) ThrowFault(Fault::AtCentre, GridDegrees(k));
        c.cosPressure = 1;
        const double curvature = 1 / (h + m.a);
        c.relativeCurvature = std::isfinite(curvature) ? curvature : 0;
    } else {
        const Pitch p = Kind::PitchAt(g, m, turn);
        if (Kind::ReachesCentre(p)) ThrowFault(Fault::AtCentre, GridDegrees(k));
        const Local l = Measure(p);
        if (!(l.n2 > 0)) ThrowFault(Fault::NoDirection, GridDegrees(k));
        RollerContact(g, m, l, c);
    }
}

template <class Kind>
void FillContactOf(const GridMotion& gm, const Geometry& g, GridContact& out) {
    out.at.resize(GridCount);
    for (int k = 0; k < GridCount; ++k) {
        ContactAt<Kind>(g, k, gm.at[k], Kind::Swings ? gm.turnAt[k] : SinCos{0, 1}, out.at[k]);
    }
    out.ends.resize(gm.ends.size());
    for (std::size_t s = 0; s < gm.ends.size(); ++s) {
        ContactAt<Kind>(g, gm.spans[s].second, gm.ends[s],
                        Kind::Swings ? gm.turnEnds[s] : SinCos{0, 1}, out.ends[s]);
    }
}

void FillContact(const GridMotion& gm, const Geometry& g, GridContact& out) {
    WithKind(g.kind, [&](auto kind) { FillContactOf<decltype(kind)>(gm, g, out); });
}

CamResult ComputeCamOnGrid(const CamInput& cam, const Geometry& g, const GridMotion& gm,
                           GridContact* contact = nullptr) {
    CamResult result;
    result.checks = ChecksOrThrow(gm, g, cam, contact);
    const int S = cam.stepsPerDegree, step = GridStepOfSample(S);
    result.samples.reserve(360 * S);
    WithKind(g.kind, [&](auto kind) {
        using Kind = decltype(kind);
        for (int k = 0; k < GridCount; k += step) {
            result.samples.push_back(
                MakeSample<Kind>(g, k, gm.at[k], Kind::Swings ? gm.turnAt[k] : SinCos{0, 1}));
        }
    });
    return result;
}

}  // namespace
}  // namespace detail

using namespace detail;

std::vector<Sample> ComputeSamples(const CamInput& cam) {
    CheckInputs(cam);
    const Geometry g = ValidGeometry(cam, cam.baseRadius);
    const int S = cam.stepsPerDegree, step = GridStepOfSample(S);
    thread_local std::vector<Kinematics> motion;
    cam.motion.OnGrid(S, motion);
    std::vector<Sample> samples;
    samples.reserve(360 * S);
    WithKind(g.kind, [&](auto kind) {
        using Kind = decltype(kind);
        for (int i = 0; i < 360 * S; ++i) {
            const Kinematics& m = motion[i];
            samples.push_back(MakeSample<Kind>(g, i * step, m, Kind::Swings ? ArmTurn(m) : SinCos{0, 1}));
        }
    });
    return samples;
}

Point SwingPivot(const CamInput& cam) {
    CheckInputs(cam);
    if (cam.follower.kind != FollowerKind::SwingRoller) RefuseValue("follower.kind");
    const Geometry g = ValidGeometry(cam, cam.baseRadius);
    return {g.pivot.x, g.pivot.y};
}

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
    return WithKind(g.kind, [&](auto kind) {
        if constexpr (!decltype(kind)::Rolls) {
            CamResult result = ComputeCamOnGrid(cam, g, gm);
            FillContact(gm, g, contact);
            return result;
        } else {
            // A roller's checks measure the pitch curve at every grid point: the contact is
            // taken from the same measurement.
            contact.at.resize(GridCount);
            contact.ends.resize(gm.ends.size());
            return ComputeCamOnGrid(cam, g, gm, &contact);
        }
    });
}

bool Translates(FollowerKind kind) {
    return WithKind(kind, [](auto k) { return decltype(k)::Translates; });
}

}  // namespace platecam::engine
