#include "model/pressure.h"

#include <cmath>

#include "model/errors.h"

namespace platecam {

namespace {
constexpr long double PiLiteral = 3.141592653589793L;
constexpr long double PiFull = 3.14159265358979323846264338327950288L;
}  // namespace

Point2 RotatePoint(double x, double y, double angle) {
    const double alpha = ToHeld(static_cast<long double>(angle) * PiLiteral / 180);
    const long double c = std::cos(static_cast<long double>(alpha));
    const long double s = std::sin(static_cast<long double>(alpha));
    return Point2{ToHeld(c * x - s * y), ToHeld(c * y + s * x)};
}

double DirectionAngle(Point2 p, Point2 q) {
    const double dx = ToHeld(static_cast<long double>(q.x) - p.x);
    const double dy = ToHeld(static_cast<long double>(q.y) - p.y);
    const long double slope = CheckedDivide(dy, dx);
    return ToHeld(std::atan(slope) * 180 / PiFull);
}

void ComputePressureAngles(CamDesign& design) {
    const int S = design.StepsPerDegree;
    const TableWalk walk = WalkTable(design.MotionTable);
    CheckTableAngles(walk, S);
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
            const double alpha =
                ToHeld(static_cast<long double>(i) / static_cast<long double>(S));
            const Point2 a = design.CamProfile[i];
            const Point2 b = design.CamProfile[i + 1];
            const Point2 R1 = RotatePoint(a.x, a.y, alpha);
            const Point2 R2 = RotatePoint(b.x, b.y, alpha);
            const double angle =
                ToHeld(static_cast<long double>(DirectionAngle(R1, R2)) + 0.5L);
            design.PressureAngle[i] = angle;
            if (angle >= design.MaxPressureAngle) design.MaxPressureAngle = angle;
            if (angle < design.MinPressureAngle) design.MinPressureAngle = angle;
        }
    }
}

}  // namespace platecam
