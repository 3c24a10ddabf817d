#pragma once
// The follower's motion over one revolution, exactly: each segment between two rows of
// the motion table has its own law, lift and span, and gives the lift and its first three
// derivatives per radian of cam turn at any cam angle, from the laws' closed forms.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "engine/vocabulary.h"

namespace platecam::engine {

// A normalised rise n(x), x in 0..1 of the segment, and its derivatives by x.
struct Normalised {
    double n, n1, n2, n3;
};
// The window's three use the model's constants and pieces (model/motion_law.cpp) in double.
Normalised EvaluateLaw(Law law, double x);

enum class SegmentKind { Rise, Dwell, Fall };

struct Segment {
    double startDeg = 0, endDeg = 0;  // cam angles, degrees; endDeg > startDeg
    double startLift = 0, endLift = 0;
    Law law = Law::Cycloid;  // not used by a dwell
    SegmentKind kind = SegmentKind::Dwell;
};

// Lift and its derivatives per radian of cam turn (mm, mm/rad, mm/rad^2, mm/rad^3; for a
// swinging arm degrees of swing instead of millimetres).
struct Kinematics {
    double s = 0, v = 0, a = 0, j = 0;
};

struct MotionRow {
    std::int32_t angle = 0;  // degrees
    double lift = 0;
    Law law = Law::Cycloid;  // the law of the segment that ends at this row (unused on row 0)
};

// A join where neighbouring segments meet with a jump (the later side minus the earlier).
struct Join {
    double atDeg = 0;
    double velocityJump = 0;      // per radian
    double accelerationJump = 0;  // per radian squared
};

class Motion {
public:
    // Rows with strictly increasing angles from 0 to 360; the lift at 360 equals the lift
    // at 0 (the caller checks the rules). Equal neighbouring lifts make a dwell. Rows that
    // break these rules, a lift that is not finite or a lift so large that a derivative
    // would overflow throw CamError rather than give a motion with holes or infinities.
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
    // at 360/0 is reported at 0. A jump counts when it exceeds 1e-9 of the larger of the
    // two segments' lift per radian (velocity) or per radian squared (acceleration): the
    // laws' end values that are zero only to rounding (the cycloid's sin 2pi, the window's
    // cut constants) stay far below that.
    std::vector<Join> Joins() const;
    // The largest row lift (no law overshoots its rows); 0 for a motion never built.
    double LargestLift() const;

private:
    // What evaluation needs of a segment, worked out once: lift = base + scale * n(u) with
    // u = x, or u = 1 - x for a fall run backwards; derivatives = factor_k * n^(k)(u).
    struct Exact {
        double base = 0, scale = 0;
        double perRadian = 0, perRadian2 = 0, perRadian3 = 0;
        bool backward = false;
    };
    Kinematics Evaluate(std::size_t segment, double x) const;

    std::vector<Segment> segments_;
    std::vector<Exact> exact_;
    std::vector<std::uint16_t> segmentOfDegree_;  // the segment holding [d, d + 1)
};

}  // namespace platecam::engine
