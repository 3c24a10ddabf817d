#include "engine/dynamics.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "language/language.h"
#include "model/errors.h"
#include "model/number_text.h"

namespace platecam::engine {

namespace {

// Message ids (English; the Japanese texts are in po/ja.po).
namespace text {
inline constexpr const char* MustBePositive = "%s: must be a number greater than 0";
inline constexpr const char* MustNotBeNegative = "%s: must be a number not less than 0";
inline constexpr const char* MustBeFinite = "%s: must be a finite number";
inline constexpr const char* PoissonRange =
    "contact.poisson_ratio: must be a number at least 0 and less than 0.5";
inline constexpr const char* NeedsRpm =
    "cam.rpm: the loads of [dynamics] need the cam's speed, a number greater than 0";
inline constexpr const char* SwingArm =
    "follower.kind: [dynamics] is for the translating followers (roller, flat); the moment of "
    "inertia of a swinging arm cannot be given yet";
inline constexpr const char* NeverLeaves = "the follower stays on the cam at every speed";
inline constexpr const char* NoRateAtZeroLift =
    "no spring rate holds the follower at %1 rpm: at %2 degrees the lift is 0, where the spring "
    "adds nothing to its preload";
inline constexpr const char* NoRateBelowZero =
    "no spring rate holds the follower at %1 rpm: at %2 degrees the lift is below 0, where a "
    "stiffer spring presses less";
inline constexpr const char* KnifeEdge = "contact stress is not defined for a roller of radius 0";
inline constexpr const char* Undercut =
    "contact stress is not defined where the contour is undercut or pointed (first at %1 "
    "degrees)";
}  // namespace text

constexpr double Pi = 3.141592653589793;
constexpr int GridPerDegree = 20;
constexpr int GridCount = 360 * GridPerDegree;
constexpr double Infinity = std::numeric_limits<double>::infinity();

double GridDegrees(int k) { return static_cast<double>(k % GridCount) / GridPerDegree; }

void CheckInputs(const CamInput& cam, const DynamicsInput& d) {
    if (cam.follower.kind != FollowerKind::Roller && cam.follower.kind != FollowerKind::Flat) {
        throw CamError(Message(text::SwingArm));
    }
    auto refuse = [](const char* id, const char* key) { throw CamError(FormatMessage(id, key)); };
    auto positive = [&](double value, const char* key) {
        if (!(std::isfinite(value) && value > 0)) refuse(text::MustBePositive, key);
    };
    auto notNegative = [&](double value, const char* key) {
        if (!(std::isfinite(value) && value >= 0)) refuse(text::MustNotBeNegative, key);
    };
    auto finite = [&](double value, const char* key) {
        if (!std::isfinite(value)) refuse(text::MustBeFinite, key);
    };
    if (!(std::isfinite(d.rpm) && d.rpm > 0)) throw CamError(Message(text::NeedsRpm));
    positive(d.mass, "dynamics.mass");
    notNegative(d.springRate, "dynamics.spring_rate");
    finite(d.preload, "dynamics.preload");
    notNegative(d.damping, "dynamics.damping");
    finite(d.load, "dynamics.load");
    if (d.contact) {
        positive(d.contact->width, "contact.width");
        positive(d.contact->elasticModulus, "contact.elastic_modulus");
        const double nu = d.contact->poissonRatio;
        if (!(nu >= 0 && nu < 0.5)) throw CamError(Message(text::PoissonRange));
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

// The whole computation over the points of the grid, in order of angle, both sides of
// every join.
class Loads {
  public:
    Loads(const CamInput& cam, const DynamicsInput& d)
        : d_(d),
          omega_(2 * Pi * d.rpm / 60),
          flat_(cam.follower.kind == FollowerKind::Flat),
          rollerRadius_(cam.follower.rollerRadius) {
        // Per millimetre of the lift's derivatives: no division at each point.
        inertia_ = d.mass * omega_ * omega_ / 1000;
        damper_ = d.damping * omega_ / 1000;
        if (d.contact) {
            const ContactMaterial& m = *d.contact;
            // E* = E / (2 (1 - nu^2)); p^2 = N E* / (pi L R').
            stressFactor_ =
                m.elasticModulus / (2 * (1 - m.poissonRatio * m.poissonRatio)) / (Pi * m.width);
        }
    }

    struct Point {
        double inertiaDamping;  // N: m s'' omega^2 + c s' omega
        double force, torque;
    };

    Point At(const Kinematics& m) const {
        const double moving = inertia_ * m.a + damper_ * m.v;
        const double force = moving + d_.springRate * m.s + d_.preload + d_.load;
        return {moving, force, force * m.v * 1e-3};
    }

    // MPa; empty where the contact is not a line contact of convex bodies.
    std::optional<double> Stress(const ContactPoint& c, double force) const {
        if (!(force > 0)) return 0.0;
        if (!(c.relativeCurvature > 0)) return std::nullopt;
        return std::sqrt(force / c.cosPressure * stressFactor_ * c.relativeCurvature);
    }

    void Visit(int k, const ContactPoint& c) {
        const Kinematics& m = c.motion;
        const Point p = At(m);
        if (!std::isfinite(p.force + p.torque)) ThrowOverflow();
        if (k == 0 || p.force < minForce_) minForce_ = p.force, minForceK_ = k;
        if (k == 0 || p.torque > maxTorque_) maxTorque_ = p.torque, maxTorqueK_ = k;
        if (k == 0 || p.torque < minTorque_) minTorque_ = p.torque, minTorqueK_ = k;

        // The force as the speed grows from standstill: A omega^2 + B omega + C, C > 0. Where
        // A <= 0 it falls for good once it is zero, so it is below the speed found so far only
        // where it is <= 0 there; where A > 0 it may dip and rise again: solved each time.
        const double C = d_.springRate * m.s + d_.preload + d_.load;
        if (!(C > 0)) {
            heldAtStandstill_ = false;
        } else {
            const double A = d_.mass * m.a * 1e-3, B = d_.damping * m.v * 1e-3;
            const bool mayCross =
                A > 0 ? B < 0
                      : firstZero_ == Infinity || (A * firstZero_ + B) * firstZero_ + C <= 0;
            if (mayCross) firstZero_ = std::min(firstZero_, FirstZero(A, B, C));
        }

        // The spring rate: F = k s + R with R free of k; above zero lift k > -R / s, below it
        // k < R / -s.
        const double R = p.inertiaDamping + d_.preload + d_.load;
        if (m.s > 0) {
            rateFrom_.Offer(-R, m.s, k);
        } else if (!(R > 0)) {
            if (noRateK_ < 0) noRateK_ = k, noRateAtZero_ = m.s == 0;
        } else if (m.s < 0) {
            rateBelow_.Offer(-m.s, R, k);  // the least R / -s: the largest -s / R
        }

        // The largest stress: p^2 = F / cos * factor * curvature, by products.
        if (d_.contact && p.force > 0) {
            if (!(c.relativeCurvature > 0)) {
                if (undefinedK_ < 0) undefinedK_ = k;
            } else {
                stress_.Offer(p.force * c.relativeCurvature, c.cosPressure, k);
                if (stress_.k == k) stressPoint_ = c, stressForce_ = p.force;
            }
        }
    }

    DynamicsChecks Finish() {
        DynamicsChecks checks;
        checks.minContactForce = {true, minForce_, GridDegrees(minForceK_)};
        checks.jump = !(minForce_ > 0);
        checks.peakTorque = {true, maxTorque_, GridDegrees(maxTorqueK_)};
        checks.minTorque = {true, minTorque_, GridDegrees(minTorqueK_)};
        const std::string rpmText = FormatNumber(d_.rpm);
        if (!heldAtStandstill_) {
            checks.jumpFreeRpm.value = 0.0;
        } else if (firstZero_ * (30 / Pi) < Infinity) {
            checks.jumpFreeRpm.value = firstZero_ * (30 / Pi);
        } else {
            checks.jumpFreeRpm.reason = Message(text::NeverLeaves);
        }
        double rate = 0;
        if (noRateK_ < 0 && rateFrom_.k >= 0) {
            rate = std::max(0.0, rateFrom_.a / rateFrom_.b);
            // A deceleration where the lift is zero only to rounding needs no finite rate.
            if (!std::isfinite(rate)) noRateK_ = rateFrom_.k, noRateAtZero_ = true;
        }
        if (noRateK_ >= 0) {
            checks.minSpringRate.reason =
                Tr(noRateAtZero_ ? text::NoRateAtZeroLift : text::NoRateBelowZero,
                   {rpmText, FormatNumber(GridDegrees(noRateK_))});
        } else if (rateBelow_.k >= 0 && !(rate < rateBelow_.b / rateBelow_.a)) {
            checks.minSpringRate.reason =
                Tr(text::NoRateBelowZero, {rpmText, FormatNumber(GridDegrees(rateBelow_.k))});
        } else {
            checks.minSpringRate.value = rate;
        }
        if (d_.contact) {
            if (stress_.k >= 0) {
                checks.maxContactStress = {true, Stress(stressPoint_, stressForce_).value(),
                                           GridDegrees(stress_.k)};
                if (!std::isfinite(checks.maxContactStress.value)) ThrowOverflow();
            }
            if (!flat_ && !(rollerRadius_ > 0)) {
                checks.stressUndefined = Message(text::KnifeEdge);
            } else if (undefinedK_ >= 0) {
                checks.stressUndefined =
                    Tr(text::Undercut, {FormatNumber(GridDegrees(undefinedK_))});
            }
        }
        return checks;
    }

  private:
    const DynamicsInput& d_;
    double omega_, inertia_, damper_;
    bool flat_;
    double rollerRadius_;
    double stressFactor_ = 0;
    double minForce_ = 0, maxTorque_ = 0, minTorque_ = 0;
    int minForceK_ = 0, maxTorqueK_ = 0, minTorqueK_ = 0;
    bool heldAtStandstill_ = true;
    double firstZero_ = Infinity;
    LargestRatio rateFrom_, rateBelow_, stress_;
    int noRateK_ = -1;
    bool noRateAtZero_ = false;
    int undefinedK_ = -1;
    ContactPoint stressPoint_;
    double stressForce_ = 0;
};

DynamicsResult Compute(const CamInput& cam, const DynamicsInput& d, const GridContact& contact) {
    Loads loads(cam, d);
    const std::vector<Segment>& segments = cam.motion.Segments();
    if (contact.at.size() != GridCount || contact.ends.size() != segments.size()) {
        ThrowInvalidOperation();
    }
    for (std::size_t s = 0; s < segments.size(); ++s) {
        const int k0 = static_cast<int>(segments[s].startDeg) * GridPerDegree;
        const int k1 = static_cast<int>(segments[s].endDeg) * GridPerDegree;
        for (int k = k0; k < k1; ++k) loads.Visit(k, contact.at[k]);
        loads.Visit(k1, contact.ends[s]);
    }
    DynamicsResult result;
    result.checks = loads.Finish();
    const int step = GridPerDegree / cam.stepsPerDegree;
    result.samples.resize(GridCount / step);
    for (std::size_t i = 0; i < result.samples.size(); ++i) {
        const ContactPoint& c = contact.at[i * step];
        const Loads::Point p = loads.At(c.motion);
        DynamicsSample& sample = result.samples[i];
        sample.contactForce = p.force;
        sample.normalForce = p.force / c.cosPressure;
        sample.torque = p.torque;
        if (d.contact) sample.stress = loads.Stress(c, p.force);
        if (!std::isfinite(sample.normalForce + sample.stress.value_or(0))) ThrowOverflow();
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
