#include "engine/dynamics.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/limits.h"
#include "base/language.h"
#include "base/errors.h"
#include "base/number_text.h"

namespace platecam::engine {

namespace {

// Message ids (English; the Japanese texts are in po/ja.po).
namespace text {
inline constexpr const char* NeedsRpm =
    "cam.rpm: the loads of [dynamics] need the cam's speed, a number greater than 0";
inline constexpr const char* NeverLeaves = "the follower stays on the cam at every speed";
inline constexpr const char* NoRateAtZeroLift =
    "no spring rate holds the follower at %1 rpm: at %2 degrees the lift is 0, where the spring "
    "adds nothing to its preload";
inline constexpr const char* NoRateBelowZero =
    "no spring rate holds the follower at %1 rpm: at %2 degrees the lift is below 0, where a "
    "stiffer spring presses less";
inline constexpr const char* NoTorqueRateAtZeroSwing =
    "no spring torque rate holds the arm at %1 rpm: at %2 degrees its swing is 0, where the "
    "spring adds nothing to its preload torque";
inline constexpr const char* NoTorqueRateBelowZero =
    "no spring torque rate holds the arm at %1 rpm: at %2 degrees its swing is below 0, where a "
    "stiffer spring presses less";
inline constexpr const char* KnifeEdge = "contact stress is not defined for a roller of radius 0";
inline constexpr const char* Undercut =
    "contact stress is not defined where the contour is undercut or pointed (first at %1 "
    "degrees)";
}  // namespace text

constexpr double Pi = 3.141592653589793;
constexpr double Radian = Pi / 180;  // an arm's lift is in degrees
constexpr int GridPerDegree = 20;
constexpr int GridCount = 360 * GridPerDegree;
constexpr double Infinity = std::numeric_limits<double>::infinity();

double GridDegrees(int k) { return static_cast<double>(k % GridCount) / GridPerDegree; }

bool Swings(const CamInput& cam) { return cam.follower.kind == FollowerKind::SwingRoller; }

void CheckInputs(const CamInput& cam, const DynamicsInput& d) {
    if (!(std::isfinite(d.rpm) && d.rpm > 0)) throw CamError(Text::Message(text::NeedsRpm));
    RequireInRange(Quantity::Rpm, d.rpm);
    if (Swings(cam)) {
        RequireInRange(Quantity::Inertia, d.inertia);
        RequireInRange(Quantity::SpringTorqueRate, d.springTorqueRate);
        RequireInRange(Quantity::PreloadTorque, d.preloadTorque);
        RequireInRange(Quantity::ArmDamping, d.damping);
        RequireInRange(Quantity::LoadTorque, d.loadTorque);
        // The arm's length divides the torque: the cam's own checks refuse it out of range.
        RequireInRange(Quantity::ArmLength, cam.follower.armLength);
    } else {
        RequireInRange(Quantity::Mass, d.mass);
        RequireInRange(Quantity::SpringRate, d.springRate);
        RequireInRange(Quantity::Preload, d.preload);
        RequireInRange(Quantity::Damping, d.damping);
        RequireInRange(Quantity::Load, d.load);
    }
    if (d.contact) {
        RequireInRange(Quantity::ContactWidth, d.contact->width);
        RequireInRange(Quantity::ElasticModulus, d.contact->elasticModulus);
        RequireInRange(Quantity::PoissonRatio, d.contact->poissonRatio);
    }
}

// The smallest omega > 0 at which A omega^2 + B omega + C = 0 for C > 0 (the force first
// reaches zero from above as the speed grows), infinity when it never does.
double FirstZero(double A, double B, double C) {
    if (A == 0) return B < 0 ? C / -B : Infinity;
    const double D = B * B - 4 * A * C;
    if (!std::isfinite(D)) ThrowOverflow();
    if (D < 0) return Infinity;
    // The root without cancellation, and the other from the product C / A.
    const double q = -0.5 * (B + std::copysign(std::sqrt(D), B));
    double first = Infinity;
    for (const double r : {q / A, C / q}) {
        if (r > 0 && r < first) first = r;
    }
    return first;
}

// The largest of the fractions a / b (b > 0) offered, with its grid point, compared by
// products: the grid's 7200 points then need no division each.
struct LargestRatio {
    double a = 0, b = 1;
    int k = -1;  // none offered yet
    void Offer(double na, double nb, int nk) {
        if (k < 0 || na * b > a * nb) a = na, b = nb, k = nk;
    }
};

// The loads at the cam's speed, per unit of the follower's coordinate q and its
// derivatives, worked out once: no division at the grid's points. q is the lift in mm for
// a translating follower, whose generalised force is the contact force (N); a swinging
// arm's q is its angle in radians, its generalised force the torque about the pivot (N m).
struct Coefficients {
    double scale = 1;                // q per unit of the engine's lift: 1, or radians per degree
    double inertia = 0, damper = 0;  // per q/rad^2, per q/rad
    double rate = 0, rest = 0;       // per q; at zero lift (preload and load)
    double massA = 0, dampingB = 0;  // the speed's coefficients: A = massA q'', B = dampingB q'
    double torqueScale = 1e-3;       // camshaft N m per generalised force times q/rad
    double toForce = 1;              // contact force (N) per generalised force
    double stressFactor = 0;         // E* / (pi L), MPa/mm
    bool contact = false;

    Coefficients(const CamInput& cam, const DynamicsInput& d) {
        const double omega = 2 * Pi * d.rpm / 60;
        if (Swings(cam)) {
            scale = Radian;
            inertia = d.inertia * omega * omega;
            damper = d.damping * omega;
            rate = d.springTorqueRate;
            rest = d.preloadTorque + d.loadTorque;
            massA = d.inertia;
            dampingB = d.damping;
            torqueScale = 1;
            toForce = 1000 / cam.follower.armLength;
        } else {
            inertia = d.mass * omega * omega / 1000;
            damper = d.damping * omega / 1000;
            rate = d.springRate;
            rest = d.preload + d.load;
            massA = d.mass / 1000;
            dampingB = d.damping / 1000;
        }
        if (d.contact) {
            const ContactMaterial& m = *d.contact;
            // E* = E / (2 (1 - nu^2)); p^2 = N E* / (pi L R').
            stressFactor =
                m.elasticModulus / (2 * (1 - m.poissonRatio * m.poissonRatio)) / (Pi * m.width);
            contact = true;
        }
    }

    // The coordinate q and its derivatives per radian.
    Kinematics Coordinate(const Kinematics& m) const {
        Kinematics q;
        q.s = m.s * scale;
        q.v = m.v * scale;
        q.a = m.a * scale;
        return q;
    }

    struct Point {
        double inertiaDamping;  // m q'' omega^2 + c q' omega
        double general;         // the generalised force
        double force, torque;   // N along the follower's motion; N m on the camshaft
    };
    Point At(const Kinematics& m) const {
        const Kinematics q = Coordinate(m);
        const double moving = inertia * q.a + damper * q.v;
        const double general = moving + rate * q.s + rest;
        return {moving, general, general * toForce, general * q.v * torqueScale};
    }

    // MPa; empty where the contact is not a line contact of convex bodies.
    std::optional<double> Stress(const ContactPoint& c, double force) const {
        if (!(force > 0)) return 0.0;
        if (!(c.relativeCurvature > 0)) return std::nullopt;
        const double squared = force / c.cosPressure * stressFactor * c.relativeCurvature;
        if (std::isfinite(squared)) return std::sqrt(squared);
        // Near a point of the contour the curvature grows without bound: the root of each
        // factor keeps the product finite.
        return std::sqrt(force) / std::sqrt(c.cosPressure) * std::sqrt(stressFactor) *
               std::sqrt(c.relativeCurvature);
    }
};

// The checks over the points of the grid, in order of angle, both sides of every join.
DynamicsChecks ScanGrid(const CamInput& cam, const DynamicsInput& d, const Coefficients& f,
                        const GridContact& contact) {
    const std::vector<Segment>& segments = cam.motion.Segments();
    if (contact.at.size() != GridCount || contact.ends.size() != segments.size()) {
        ThrowInvalidOperation();
    }
    double minForce = Infinity, maxTorque = -Infinity, minTorque = Infinity;
    int minForceK = 0, maxTorqueK = 0, minTorqueK = 0;
    bool finite = true, heldAtStandstill = true;
    double firstZero = Infinity;
    LargestRatio rateFrom, rateBelow, stress;
    int noRateK = -1, undefinedK = -1;
    bool noRateAtZero = false;
    const ContactPoint* stressPoint = nullptr;
    const bool arm = Swings(cam);
    const char* noRateAtZeroText = arm ? text::NoTorqueRateAtZeroSwing : text::NoRateAtZeroLift;
    const char* noRateBelowText = arm ? text::NoTorqueRateBelowZero : text::NoRateBelowZero;

    for (std::size_t s = 0; s < segments.size(); ++s) {
        const int k0 = static_cast<int>(segments[s].startDeg) * GridPerDegree;
        const int k1 = static_cast<int>(segments[s].endDeg) * GridPerDegree;
        for (int k = k0; k <= k1; ++k) {
            const ContactPoint& c = k < k1 ? contact.at[k] : contact.ends[s];
            const Kinematics m = f.Coordinate(c.motion);
            const Coefficients::Point p = f.At(c.motion);
            finite = finite && std::isfinite(p.force + p.torque);
            if (p.force < minForce) minForce = p.force, minForceK = k;
            if (p.torque > maxTorque) maxTorque = p.torque, maxTorqueK = k;
            if (p.torque < minTorque) minTorque = p.torque, minTorqueK = k;

            // The force as the speed grows from standstill: A omega^2 + B omega + C, C > 0. Where
            // A <= 0 it falls for good once it is zero, so it is below the speed found so far only
            // where it is <= 0 there; where A > 0 it may dip and rise again: solved each time.
            const double C = f.rate * m.s + f.rest;
            if (!(C > 0)) {
                heldAtStandstill = false;
            } else {
                const double A = f.massA * m.a, B = f.dampingB * m.v;
                const bool mayCross =
                    A > 0 ? B < 0
                          : firstZero == Infinity || (A * firstZero + B) * firstZero + C <= 0;
                if (mayCross) firstZero = std::min(firstZero, FirstZero(A, B, C));
            }

            // The spring rate: F = k s + R with R free of k; above zero lift k > -R / s, below it
            // k < R / -s.
            const double R = p.inertiaDamping + f.rest;
            if (m.s > 0) {
                rateFrom.Offer(-R, m.s, k);
            } else if (!(R > 0)) {
                if (noRateK < 0) noRateK = k, noRateAtZero = m.s == 0;
            } else if (m.s < 0) {
                rateBelow.Offer(-m.s, R, k);  // the least R / -s: the largest -s / R
            }

            // The largest stress: p^2 = F / cos * factor * curvature, by products.
            if (f.contact && p.force > 0) {
                if (!(c.relativeCurvature > 0)) {
                    if (undefinedK < 0) undefinedK = k;
                } else {
                    stress.Offer(p.force * c.relativeCurvature, c.cosPressure, k);
                    if (stress.k == k) stressPoint = &c;
                }
            }
        }
    }
    if (!finite) ThrowOverflow();

    DynamicsChecks checks;
    checks.minContactForce = {true, minForce, GridDegrees(minForceK)};
    checks.jump = !(minForce > 0);
    checks.peakTorque = {true, maxTorque, GridDegrees(maxTorqueK)};
    checks.minTorque = {true, minTorque, GridDegrees(minTorqueK)};
    const std::string rpmText = FormatNumber(d.rpm);
    if (!heldAtStandstill) {
        checks.jumpFreeRpm.value = 0.0;
    } else if (firstZero * (30 / Pi) < Infinity) {
        checks.jumpFreeRpm.value = firstZero * (30 / Pi);
    } else {
        checks.jumpFreeRpm.reason = Text::Message(text::NeverLeaves);
    }
    double rate = 0;
    if (noRateK < 0 && rateFrom.k >= 0) {
        rate = std::max(0.0, rateFrom.a / rateFrom.b);
        // A deceleration where the lift is zero only to rounding needs no finite rate.
        if (!std::isfinite(rate)) noRateK = rateFrom.k, noRateAtZero = true;
    }
    if (noRateK >= 0) {
        checks.minSpringRate.reason =
            Text::Message(noRateAtZero ? noRateAtZeroText : noRateBelowText,
                          {rpmText, FormatNumber(GridDegrees(noRateK))});
    } else if (rateBelow.k >= 0 && !(rate < rateBelow.b / rateBelow.a)) {
        checks.minSpringRate.reason =
            Text::Message(noRateBelowText, {rpmText, FormatNumber(GridDegrees(rateBelow.k))});
    } else {
        checks.minSpringRate.value = rate;
    }
    if (f.contact) {
        if (stressPoint) {
            const double force = f.At(stressPoint->motion).force;
            checks.maxContactStress = {true, f.Stress(*stressPoint, force).value(),
                                       GridDegrees(stress.k)};
            if (!std::isfinite(checks.maxContactStress.value)) ThrowOverflow();
        }
        if (cam.follower.kind != FollowerKind::Flat && !(cam.follower.rollerRadius > 0)) {
            checks.stressUndefined = Text::Message(text::KnifeEdge);
        } else if (undefinedK >= 0) {
            checks.stressUndefined = Text::Message(text::Undercut, {FormatNumber(GridDegrees(undefinedK))});
        }
    }
    return checks;
}

DynamicsResult Compute(const CamInput& cam, const DynamicsInput& d, const GridContact& contact) {
    const Coefficients f(cam, d);
    DynamicsResult result;
    result.checks = ScanGrid(cam, d, f, contact);
    const int step = GridPerDegree / cam.stepsPerDegree;
    result.samples.resize(GridCount / step);
    for (std::size_t i = 0; i < result.samples.size(); ++i) {
        const ContactPoint& c = contact.at[i * step];
        const Coefficients::Point p = f.At(c.motion);
        DynamicsSample& sample = result.samples[i];
        sample.contactForce = p.force;
        sample.normalForce = p.force / c.cosPressure;
        sample.torque = p.torque;
        if (Swings(cam)) sample.armTorque = p.general;
        if (f.contact) sample.stress = f.Stress(c, p.force);
        if (!std::isfinite(sample.normalForce + sample.armTorque + sample.stress.value_or(0))) {
            ThrowOverflow();
        }
    }
    return result;
}

}  // namespace

DynamicsResult ComputeDynamics(const CamInput& cam, const DynamicsInput& dynamics) {
    CheckInputs(cam, dynamics);
    thread_local GridContact contact;
    ContactOnGrid(cam, contact);
    return Compute(cam, dynamics, contact);
}

CamWithDynamics ComputeCamWithDynamics(const CamInput& cam, const DynamicsInput& dynamics) {
    CheckInputs(cam, dynamics);
    thread_local GridContact contact;
    CamWithDynamics result;
    result.cam = ComputeCam(cam, contact);
    result.dynamics = Compute(cam, dynamics, contact);
    return result;
}

}  // namespace platecam::engine
