#include "model/pressure.h"

#include <cmath>

#include "base/errors.h"
#include "model/x87.h"
#include "model/sample_trig.h"

namespace platecam {

namespace {
constexpr long double PiLiteral = 3.141592653589793L;
constexpr long double PiFull = 3.14159265358979323846264338327950288L;
}  // namespace

double RotationRadians(double angle) {
    return ToHeld(static_cast<long double>(angle) * PiLiteral / 180);
}

Point2 RotateBy(long double c, long double s, double x, double y) {
    return Point2{ToHeld(c * x - s * y), ToHeld(c * y + s * x)};
}

Point2 RotatePoint(double x, double y, double angle) {
    const long double alpha = RotationRadians(angle);
    return RotateBy(std::cos(alpha), std::sin(alpha), x, y);
}

double DirectionAngle(Point2 p, Point2 q) {
    const double dx = ToHeld(static_cast<long double>(q.x) - p.x);
    const double dy = ToHeld(static_cast<long double>(q.y) - p.y);
    const long double slope = CheckedDivide(dy, dx);
    return ToHeld(ArcTan(slope) * 180 / PiFull);
}

void ComputePressureAngles(CamDesign& design) {
    const int S = design.StepsPerDegree;
    const TableWalk walk = WalkTable(design.MotionTable);
    CheckTableAngles(walk);
    const SampleTrig& trig = SampleTrigFor(S);
    design.MaxPressureAngle = 0;
    design.MinPressureAngle = 0;
    for (const Segment& segment : walk) {
        const std::int64_t i0 = segment.FirstSample(S);
        const std::int64_t i1 = segment.LastSample(S);
        if (segment.dwell) {
            for (std::int64_t i = i0; i <= i1; ++i) design.PressureAngle[i] = 0;
            continue;
        }
        for (std::int64_t i = i0; i < i1; ++i) {
            // Both points turn by alpha_i = i / S degrees, the turn that brings sample i
            // to the top.
            const long double c = trig.cosAlpha[i], s = trig.sinAlpha[i];
            const Point2 a = design.CamProfile[i];
            const Point2 b = design.CamProfile[i + 1];
            const Point2 R1 = RotateBy(c, s, a.x, a.y);
            const Point2 R2 = RotateBy(c, s, b.x, b.y);
            const double angle =
                ToHeld(static_cast<long double>(DirectionAngle(R1, R2)) + 0.5L);
            design.PressureAngle[i] = angle;
            if (angle >= design.MaxPressureAngle) design.MaxPressureAngle = angle;
            if (angle < design.MinPressureAngle) design.MinPressureAngle = angle;
        }
    }
}

}  // namespace platecam
