#include "model/displacement.h"

#include "base/errors.h"
#include "model/motion_law.h"

namespace platecam {

void BuildDisplacement(CamDesign& design, int law) {
    const int S = design.StepsPerDegree;
    const TableWalk walk = WalkTable(design.MotionTable);
    CheckTableAngles(walk);
    auto& out = design.Displacement;
    for (const Segment& segment : walk) {
        const std::int64_t i0 = segment.FirstSample(S);
        const std::int64_t i1 = segment.LastSample(S);
        const double Y0 = segment.startValue;
        if (segment.dwell) {
            for (std::int64_t i = i0; i <= i1; ++i) out[i] = Y0;
            continue;
        }
        const double d = ToHeld(static_cast<long double>(segment.endValue) - Y0);
        if (i1 < i0) continue;
        if (i1 == i0) ThrowInvalidOperation();  // 0/0 for t
        const long double span = static_cast<long double>(i1 - i0);
        for (std::int64_t i = i0; i <= i1; ++i) {
            const double t = static_cast<double>(static_cast<long double>(i - i0) / span);
            out[i] = ToHeld(static_cast<long double>(EvaluateMotionLaw(law, t)) * d + Y0);
        }
    }
    if (walk.terminatorRow != 0 && S > 0) {
        out[RevolutionSamples(design) - 1] = design.MotionTable[walk.terminatorRow - 1].Value;
    }
}

}  // namespace platecam
