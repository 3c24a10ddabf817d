#pragma once
// Each kind of follower's geometry, in one place: what it needs of its inputs, where it
// stands at a base radius, and its pitch point at a point of the motion. A new kind is a
// struct here (and its case in WithKind), its name in engine/vocabulary.cpp and its
// tests; the checks, the samples, the contact and the sizing take it from here.
//
// There are two families. A roller (`Rolls`) rides its pitch curve: the kind gives the
// roller centre P, the direction u in which it moves for increasing lift, and the first
// two derivatives T, T2 of the pitch curve C = R(-theta) P by theta, turned into the
// follower's frame (T = P' - J P, T2 = T' - J T), which needs no trigonometry of theta. A
// face touches the cam along a line perpendicular to its motion: its height Rb + s and
// the contact offset s' are all it has.

#include <cmath>

#include "engine/geometry.h"

namespace platecam::engine::detail {

// The follower at one base radius, worked out once.
struct Geometry {
    FollowerKind kind = FollowerKind::Roller;
    double baseRadius = 0, rollerRadius = 0;
    double offset = 0, rise0 = 0;  // roller: the line x = offset; the rest centre's height
    Vec pivot, arm0;               // swing: the pivot; rest roller centre minus pivot
    const char* error = nullptr;   // message id where the follower cannot exist
};

struct Pitch {
    Vec P, u, T, T2;
};

// What the checks need at one point of a roller's pitch curve.
struct Local {
    double pc = 0, pd = 0;  // the pressure angle is atan2(pc, pd)
    double n2 = 0;          // |T|^2
    double bend = 0;        // -cross(T, T2): positive where the pitch curve is convex
};

// The normal n = J T points from the cam into the follower (the curve runs clockwise);
// the pressure angle runs from u to n: atan2(cross(u, n), dot(u, n)).
inline Local Measure(const Pitch& p) {
    return {Dot(p.u, p.T), -Cross(p.u, p.T), Dot(p.T, p.T), -Cross(p.T, p.T2)};
}

// The contact of a roller: its centre moved by the roller radius along the normal, towards
// the cam; `length` is |T|.
inline Vec RollerContactPoint(const Geometry& g, const Pitch& p, double length) {
    return p.P - (g.rollerRadius / length) * Quarter(p.T);
}

// Grows with the angle atan2(c, d) over (-pi, pi] and is odd in it, so that extremes are
// found without an arctangent at every point; (c, d) must not be (0, 0).
inline double AngleKey(double c, double d) {
    const double q = c / (std::fabs(c) + std::fabs(d));
    if (d >= 0) return q;
    return c >= 0 ? 2 - q : -2 - q;
}

// atan2(c, d) in degrees; the arctangent of the ratio costs half as much where it serves.
inline double AngleDeg(double c, double d) {
    return (d > 0 ? std::atan(c / d) : std::atan2(c, d)) * RadiansToDegrees;
}

// Where the sizing looks: below `lower` (mm) no radius can pass; it searches up to `upper`
// in first steps of at least `step` hundredths.
struct SizingRange {
    double lower = 0, upper = 0;
    long long step = 100;
};

// The in-line or offset roller: its centre moves on the line x = offset.
struct RollerKind {
    static constexpr bool Rolls = true;
    static constexpr bool Swings = false;
    static constexpr bool Translates = true;
    static void CheckInputs(const Follower& f);
    static Geometry Make(const CamInput& cam, double baseRadius);
    static Pitch PitchAt(const Geometry& g, const Kinematics& m, SinCos) {
        // P = (e, rise0 + s), P' = (0, s'), P'' = (0, s'').
        const double y = g.rise0 + m.s;
        return {{g.offset, y}, {0, 1}, {y, m.v - g.offset}, {2 * m.v - g.offset, m.a - y}};
    }
    // The roller's centre on the far side of the cam centre's level: it has passed it.
    static bool ReachesCentre(const Pitch& p) { return !(p.P.y > 0); }
    static SizingRange Range(const CamInput& cam, const GridMotion& gm);
};

// The swinging roller arm: its lift is the arm's turn about its pivot, in degrees.
struct SwingKind {
    static constexpr bool Rolls = true;
    static constexpr bool Swings = true;
    static constexpr bool Translates = false;
    static void CheckInputs(const Follower& f);
    static Geometry Make(const CamInput& cam, double baseRadius);
    static Pitch PitchAt(const Geometry& g, const Kinematics& m, SinCos turn) {
        // P = Q + R(-psi) w0: a positive lift turns the arm clockwise about the pivot Q, so
        // the centre moves along u = dP/dpsi = -J w.
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
    static bool ReachesCentre(const Pitch&) { return false; }
    static SizingRange Range(const CamInput& cam, const GridMotion& gm);
};

// The flat face, perpendicular to its motion along the line through the cam centre.
struct FlatKind {
    static constexpr bool Rolls = false;
    static constexpr bool Swings = false;
    static constexpr bool Translates = true;
    static void CheckInputs(const Follower& f);
    static Geometry Make(const CamInput& cam, double baseRadius);
    // The face's height above the cam centre: Rb + s.
    static double Height(const Geometry& g, const Kinematics& m) { return g.baseRadius + m.s; }
    static SizingRange Range(const CamInput& cam, const GridMotion& gm);
};

// Calls visit(Kind{}) with the kind's struct: the one place the kinds are told apart.
template <typename Visit>
decltype(auto) WithKind(FollowerKind kind, Visit&& visit) {
    switch (kind) {
        case FollowerKind::Roller:
            return visit(RollerKind{});
        case FollowerKind::SwingRoller:
            return visit(SwingKind{});
        case FollowerKind::Flat:
            return visit(FlatKind{});
    }
    RefuseValue("follower.kind");
}

// Refuses inputs out of their ranges (CamError naming the key): the cam's, the kind's,
// every row's lift.
void CheckInputs(const CamInput& cam);

// The follower at a base radius; GeometryError where it cannot exist there.
Geometry ValidGeometry(const CamInput& cam, double baseRadius);
// The same, with `error` set instead of a throw.
Geometry MakeGeometry(const CamInput& cam, double baseRadius);

}  // namespace platecam::engine::detail
