#pragma once
// The follower's motion over one revolution, exactly: each segment between two rows of
// the motion table has its own law, lift and span, and gives the lift and its first four
// derivatives per radian of cam turn at any cam angle, from the laws' closed forms or, for
// a polynomial, from the polynomial fitted to its ends.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "engine/polynomial.h"
#include "engine/vocabulary.h"

namespace platecam::engine {

// A law's normalised rise (Normalised: engine/polynomial.h). The window's three use the
// model's constants and pieces (model/motion_law.cpp) in double. A polynomial depends on
// its segment's ends: here the one at rest at both ends with nothing more given, the
// 3-4-5.
Normalised EvaluateLaw(Law law, double x);

enum class SegmentKind { Rise, Dwell, Fall };

struct Segment {
    double startDeg = 0, endDeg = 0;  // cam angles, degrees; endDeg > startDeg
    double startLift = 0, endLift = 0;
    Law law = Law::Cycloid;  // not used by a dwell
    SegmentKind kind = SegmentKind::Dwell;
};

// Lift and its derivatives per radian of cam turn (mm, mm/rad, mm/rad^2, mm/rad^3,
// mm/rad^4; for a swinging arm degrees of swing instead of millimetres).
struct Kinematics {
    double s = 0, v = 0, a = 0, j = 0, snap = 0;
};

struct MotionRow {
    MotionRow() = default;
    // A row without conditions, as most are.
    MotionRow(std::int32_t angle_, double lift_, Law law_ = Law::Cycloid)
        : angle(angle_), lift(lift_), law(law_) {}

    std::int32_t angle = 0;  // degrees
    double lift = 0;
    Law law = Law::Cycloid;  // the law of the segment that ends at this row (unused on row 0)
    // What the polynomial segments that begin or end here must meet, per radian of cam turn
    // in the lift's unit. Left out, the velocity and acceleration match the neighbouring
    // segment across the row (0 where it is a dwell or a polynomial given none there; the
    // neighbour of the first and last segments is across 360/0) and the jerk is free.
    std::optional<double> velocity, acceleration, jerk;
};

// A join where neighbouring segments meet with a jump (the later side minus the earlier).
struct Join {
    double atDeg = 0;
    double velocityJump = 0;      // per radian
    double accelerationJump = 0;  // per radian squared
};

// A correction added to the lift wherever a motion is evaluated: the contour of a
// compensated cam lifts the follower by the law's lift plus it (engine/vibration.h).
class LiftCorrection {
public:
    virtual ~LiftCorrection() = default;
    // The correction and its first three derivatives per radian (snap 0) in segment
    // `segment` at x in 0..1 of it, from that segment's side.
    virtual Kinematics At(std::size_t segment, double x) const = 0;
};

class Motion {
public:
    // Rows with strictly increasing angles from 0 to 360; the lift at 360 equals the lift
    // at 0 (the caller checks the rules). Equal neighbouring lifts make a dwell, whatever
    // the law. Rows that break these rules, a lift or condition that is not finite or so
    // large that a derivative would overflow throw CamError rather than give a motion with
    // holes or infinities; so does a condition on a row that no polynomial rise or fall
    // begins or ends at, naming the row as the document does ("motion[3]").
    static Motion FromRows(const std::vector<MotionRow>& rows);

    // At a join the later segment's values stand; 360 degrees is the end of the last one.
    // The angle must lie in 0..360 (CamError otherwise, and on a motion never built).
    Kinematics At(double deg) const;
    // The earlier segment's values where `deg` is a join (its end), else At(deg). At 0
    // (and at 360) that is the end of the last segment.
    Kinematics EarlierSide(double deg) const;
    // At(k / perDegree) for k = 0 .. 360 perDegree - 1, bit for bit, in one pass (the
    // engine's grid of checks and its samples).
    std::vector<Kinematics> OnGrid(int perDegree) const;
    // The same into `out`, reusing its storage.
    void OnGrid(int perDegree, std::vector<Kinematics>& out) const;
    // True at every row angle, 0 and 360 included.
    bool IsJoin(double deg) const;

    const std::vector<Segment>& Segments() const { return segments_; }
    // Every join with a jump in velocity or acceleration, in increasing angle; the join
    // at 360/0 is reported at 0. A jump counts when it exceeds 1e-9 of the largest of the
    // two segments' lift per radian (velocity) or per radian squared (acceleration) and
    // the two values that meet: the laws' end values that are zero only to rounding (the
    // cycloid's sin 2pi, the window's cut constants) and a polynomial's matched end stay
    // far below that.
    std::vector<Join> Joins() const;
    // The largest lift the motion reaches: the rows', or a polynomial's that overshoots
    // them (no other law does); 0 for a motion never built.
    double LargestLift() const;

    // This motion with `correction` (made for its segments) added to every evaluation; its
    // joins and largest lift stay the law's.
    Motion WithCorrection(std::shared_ptr<const LiftCorrection> correction) const;
    // The correction carried, or nullptr.
    const LiftCorrection* Correction() const { return correction_.get(); }

private:
    // What evaluation needs of a segment, worked out once: lift = base + scale * n(u) with
    // u = x, or u = 1 - x for a fall run backwards; derivatives = factor_k * n^(k)(u); n
    // the law's, or the polynomial fitted to the segment's ends.
    struct Exact {
        double base = 0, scale = 0;
        double perRadian = 0, perRadian2 = 0, perRadian3 = 0, perRadian4 = 0;
        bool backward = false;
        Polynomial polynomial;
    };
    Kinematics Evaluate(std::size_t segment, double x) const;
    // Fits segment g's polynomial to its rows' conditions and its neighbours.
    void FitPolynomial(std::size_t g, const std::vector<MotionRow>& rows);

    std::vector<Segment> segments_;
    std::vector<Exact> exact_;
    std::vector<std::uint16_t> segmentOfDegree_;  // the segment holding [d, d + 1)
    double largestLift_ = 0;
    // The law's value alone, without the correction.
    Kinematics LawAt(std::size_t segment, double x) const;
    std::shared_ptr<const LiftCorrection> correction_;
};

}  // namespace platecam::engine
