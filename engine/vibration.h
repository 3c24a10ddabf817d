#pragma once
// A follower that is not rigid: one degree of freedom. The cam drives the follower's mass m
// through its train, a spring k (train_stiffness) with a damper c_t = 2 zeta sqrt(k m) on
// the train's compression; the return spring, its preload, the external load and the
// viscous damping of engine/dynamics.h act on the mass:
//   m x'' = k (y - x) + c_t (y' - x') - k_s x - F0 - Fload - c x'
// y the cam's lift, x the mass's, in time. The cam touches the follower while the train's
// force k (y - x) + c_t (y' - x') is above zero; where it is not, the follower leaves the cam
// (a jump): the response stays the linear one, and the separation is reported.
//
// In the relative coordinate r = x - y the equation is
//   m r'' + (c_t + c) r' + (k + k_s) r = -(m y'' + c y' + k_s y + F0 + Fload),
// the rigid follower's contact force as the excitation. It is solved exactly for the lift
// interpolated by quintic Hermite pieces (lift, slope, curvature at both ends) on the
// 0.05-degree grid: the steady state of one turn directly from the one-turn transition
// matrix (a periodic state, also for a train without damping, off its resonances).
//
// A compensated (polydyne) cam: its contour lifts by y = s + z, z the correction that makes
// the mass follow the law s at the design speed exactly: k z + c_t z' = F(s), F the rigid
// follower's contact force; with a damped train z is that equation's periodic solution.
//
// A swinging arm is refused. Every function here may run on several threads at once; none
// returns NaN or infinity (CamError).

#include <memory>
#include <optional>
#include <vector>

#include "engine/cam.h"
#include "engine/dynamics.h"

namespace platecam::engine {

// [dynamics] train_stiffness and damping_ratio.
struct TrainInput {
    double stiffness = 0;     // N/mm, > 0
    double dampingRatio = 0;  // 0 <= zeta < 1, of k and m alone
};

// One output sample, aligned with ComputeCam's samples.
struct VibrationSample {
    double deviation = 0;     // mm: the mass minus the law (positive: ahead of the law's lift)
    double contactForce = 0;  // N: the train's force on the cam; <= 0: off the cam
    double correction = 0;    // mm: a compensated contour's lift less the law's (else 0)
};

// The free vibration a rise or fall leaves when it runs alone from rest (a dwell before and
// after it): its amplitude as it starts at the segment's end, sqrt(e^2 + (e'/wn)^2) with e
// the mass's distance from its rest and wn the natural frequency (the amplitude itself
// without damping, which then lets it die away).
struct ResidualVibration {
    double startDeg = 0, endDeg = 0;
    double amplitude = 0;  // mm
    double ratio = 0;      // amplitude / |lift change|
};

struct VibrationChecks {
    double naturalFrequencyHz = 0;  // sqrt((k + k_s) / m) / 2 pi
    std::vector<ResidualVibration> residuals;  // every rise and fall, in order
    GridExtreme maxDeviation;     // the deviation of largest magnitude (mm, signed), and where
    GridExtreme minContactForce;  // N, and where
    bool separates = false;       // the train's force <= 0 somewhere on the grid
};

struct VibrationResult {
    std::vector<VibrationSample> samples;  // 360 * cam.stepsPerDegree
    VibrationChecks checks;
};

// The response at the speed of `loads` over one turn in its steady state, for the cam as
// given (its motion corrected where it carries a compensation). Throws CamError for a
// swinging arm, for values out of range, and where the train without any damping resonates
// at that speed (no steady state).
VibrationResult ComputeVibration(const CamInput& cam, const DynamicsInput& loads, const TrainInput& train);

// One speed of a sweep: the largest residual amplitude of the rises and falls (mm) and the
// smallest contact force of the steady state (N; empty where the train without damping
// resonates at that speed).
struct SpeedPoint {
    double rpm = 0;
    double residual = 0;
    std::optional<double> minContactForce;
};

// The speeds from, from + step, ... up to `to` (within a millionth of a step).
std::vector<SpeedPoint> SweepSpeeds(const CamInput& cam, const DynamicsInput& loads, const TrainInput& train,
                                    double from, double to, double step);

// The correction of a compensated cam's lift at the speed of `loads`, for its motion (the
// law, uncorrected): cam.motion.WithCorrection(it) is the contour's. Throws CamError as
// ComputeVibration, and where the corrected contour would have a step or a corner (the law's
// velocity or acceleration jumps, or without train damping its jerk).
std::shared_ptr<const LiftCorrection> Compensation(const CamInput& cam, const DynamicsInput& loads,
                                                   const TrainInput& train);

}  // namespace platecam::engine
