#pragma once
// The loads on the follower at the cam's speed (a translating roller with any offset, a
// flat face, a swinging roller arm): the force that keeps it on the cam, the normal force,
// the camshaft torque and the contact stress, at the output samples and, for every extreme
// and limit, on the 0.05-degree grid of the checks with both one-sided values at the joins.
//
// SI inside: omega = 2 pi rpm / 60; the lift's derivatives per radian (mm) become metres
// per second and per second squared. The contact force along the follower's motion is
//   F = m s'' omega^2 + c s' omega + k s + F0 + Fload
// (k in N/mm with s in mm); the follower stays on the cam where F > 0. The normal force is
// F / cos(pressure angle) (the flat face: F); the camshaft torque, from the power balance,
// is F s' (s' in m per radian), positive where the shaft drives the follower.
//
// A swinging arm balances torques about its pivot instead, its angle psi in radians:
//   M = I psi'' omega^2 + c psi' omega + kt psi + T0 + Tload
// is the torque the contact must exert on the arm; its contact force, along the roller
// centre's path, is M / L (L the arm's length), the normal force M over the common normal's
// lever arm about the pivot, L cos(pressure angle), and the camshaft torque M psi'.
//
// Every function here may run on several threads at once; none returns NaN or infinity
// (CamError).

#include <optional>
#include <string>
#include <vector>

#include "base/text.h"
#include "engine/cam.h"

namespace platecam::engine {

// [contact]: two bodies of one material touching on a line.
struct ContactMaterial {
    double width = 0;           // mm, > 0: the roller's (or face's) width in contact
    double elasticModulus = 0;  // MPa, > 0
    double poissonRatio = 0;    // 0 <= nu < 0.5
};

// [dynamics] and cam.rpm. A translating follower reads the forces and the mass, a
// swinging arm the torques and the moment of inertia; neither reads the other's.
struct DynamicsInput {
    double rpm = 0;         // > 0
    double mass = 0;        // kg, > 0: the moving mass (plus a third of the spring's)
    double springRate = 0;  // N/mm, >= 0
    double preload = 0;     // N: the spring's force at zero lift
    double damping = 0;     // N s/m, >= 0, viscous; a swinging arm: N m s/rad about its pivot
    double load = 0;        // N, resists the rise (a vertical follower's weight goes here)
    // A swinging arm's, about its pivot:
    double inertia = 0;           // kg m², > 0: the arm with its roller (and a third of the spring)
    double springTorqueRate = 0;  // N m/rad, >= 0
    double preloadTorque = 0;     // N m: the spring's torque at zero swing
    double loadTorque = 0;        // N m, resists the rise
    std::optional<ContactMaterial> contact;
};

// One output sample, aligned with ComputeCam's samples (the later side at a join).
struct DynamicsSample {
    double contactForce = 0;  // N along the follower's motion; <= 0: off the cam
    double normalForce = 0;   // N along the common normal
    double torque = 0;        // N m on the camshaft
    double armTorque = 0;     // N m the contact exerts on a swinging arm about its pivot (else 0)
    // MPa, with a contact material: 0 where F <= 0 (no contact), empty where the Hertz
    // formula has no meaning (undercut or pointed contour, a roller of radius 0).
    std::optional<double> stress;
};

// A figure that may not exist: `reason` says why it is empty.
struct OptionalFigure {
    std::optional<double> value;
    Text reason;
};

struct DynamicsChecks {
    GridExtreme minContactForce;  // N, and where
    bool jump = false;            // F <= 0 somewhere on the grid: the follower leaves the cam
    // The largest speed up to which F > 0 everywhere, from standstill (the first crossing
    // of zero): 0 when F <= 0 already at standstill; empty when the follower never leaves.
    OptionalFigure jumpFreeRpm;
    // The least spring rate (N/mm; a swinging arm's torque rate, N m/rad) with the given
    // preload for which F > 0 everywhere at the cam's speed (the bound itself, where the
    // least force is 0); 0 when the preload and load alone hold the follower; empty when no
    // rate can.
    OptionalFigure minSpringRate;
    GridExtreme peakTorque;  // the largest torque (driving), N m, and where
    GridExtreme minTorque;   // the smallest (braking)
    // With a contact material: the largest stress where it is defined (found = false
    // where it is defined nowhere), MPa; and why it is not defined somewhere (empty when
    // it is defined wherever the follower touches).
    GridExtreme maxContactStress;
    Text stressUndefined;
};

struct DynamicsResult {
    std::vector<DynamicsSample> samples;  // 360 * cam.stepsPerDegree
    DynamicsChecks checks;
};

// The loads for the cam at its given base radius. Throws CamError naming the key for a
// value out of range (mass or inertia, rpm, rates, contact material), and as ComputeCam
// for a cam that cannot be computed.
DynamicsResult ComputeDynamics(const CamInput& cam, const DynamicsInput& dynamics);

// The cam and its loads from one evaluation of the motion (what platecam-batch needs).
struct CamWithDynamics {
    CamResult cam;
    DynamicsResult dynamics;
};
CamWithDynamics ComputeCamWithDynamics(const CamInput& cam, const DynamicsInput& dynamics);

}  // namespace platecam::engine
