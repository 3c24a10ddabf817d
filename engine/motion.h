#pragma once
// The follower's motion over one revolution, exactly: each segment between two rows of
// the motion table has its own law, lift and span, and gives the lift and its first three
// derivatives per radian of cam turn at any cam angle, from the laws' closed forms.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace platecam::engine {

// The seven laws. The window's three come first, in the order of its curve choice.
enum class Law {
    Cycloid,
    ModifiedTrapezoid,
    ModifiedSine,
    SimpleHarmonic,
    Polynomial345,
    Polynomial4567,
    DoubleHarmonic,
};
inline constexpr int LawCount = 7;

// The document's names: "cycloid", "modified-trapezoid", "modified-sine",
// "simple-harmonic", "3-4-5", "4-5-6-7", "double-harmonic".
std::optional<Law> LawFromName(std::string_view name);
const char* LawName(Law law);

// A normalised rise n(x), x in 0..1 of the segment, and its derivatives by x.
struct Normalised {
    double n, n1, n2, n3;
};
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
    // at 0 (the caller checks the rules). Equal neighbouring lifts make a dwell.
    static Motion FromRows(const std::vector<MotionRow>& rows);

    // At a join the later segment's values stand; 360 degrees is the end of the last one.
    Kinematics At(double deg) const;
    // The earlier segment's values where `deg` is a join (its end), else At(deg).
    Kinematics EarlierSide(double deg) const;
    bool IsJoin(double deg) const;

    const std::vector<Segment>& Segments() const { return segments_; }
    // Every join with a jump in velocity or acceleration, the join at 360/0 included.
    std::vector<Join> Joins() const;
    double LargestLift() const;

private:
    std::vector<Segment> segments_;
};

}  // namespace platecam::engine
