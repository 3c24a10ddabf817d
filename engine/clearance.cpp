#include "engine/clearance.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/follower.h"
#include "engine/limits.h"

namespace platecam::engine {

using namespace detail;

namespace {

// Squared distance from p to the segment ab.
double SegmentDistance2(Vec p, Vec a, Vec b) {
    const Vec ab = b - a, ap = p - a;
    const double length2 = Dot(ab, ab);
    const double t = length2 > 0 ? std::clamp(Dot(ap, ab) / length2, 0.0, 1.0) : 0.0;
    const Vec d = ap - t * ab;
    return Dot(d, d);
}

// Distance between the segments ab and cd, 0 where they cross.
double SegmentsDistance(Vec a, Vec b, Vec c, Vec d) {
    const double o1 = Cross(b - a, c - a), o2 = Cross(b - a, d - a);
    const double o3 = Cross(d - c, a - c), o4 = Cross(d - c, b - c);
    if (((o1 < 0 && o2 > 0) || (o1 > 0 && o2 < 0)) && ((o3 < 0 && o4 > 0) || (o3 > 0 && o4 < 0))) {
        return 0;
    }
    return std::sqrt(std::min({SegmentDistance2(a, c, d), SegmentDistance2(b, c, d),
                               SegmentDistance2(c, a, b), SegmentDistance2(d, a, b)}));
}

// A run of the contour's edges (or of smaller runs) inside one disc: a run whose disc lies
// farther from the arm than anything sought is passed over whole, so that the arm meets
// a few dozen edges at each angle instead of all 7200.
struct Disc {
    Vec centre;
    double radius = 0;
    int from = 0, to = 0;  // edges from..to-1 (edge i joins vertices i and i + 1), or runs
};

Disc Around(const std::vector<Vec>& polygon, int from, int to) {
    Vec lo = polygon[from], hi = lo;
    for (int i = from; i <= to; ++i) {
        lo = {std::min(lo.x, polygon[i].x), std::min(lo.y, polygon[i].y)};
        hi = {std::max(hi.x, polygon[i].x), std::max(hi.y, polygon[i].y)};
    }
    Disc d{0.5 * (lo + hi), 0, from, to};
    for (int i = from; i <= to; ++i) {
        const Vec r = polygon[i] - d.centre;
        d.radius = std::max(d.radius, std::sqrt(Dot(r, r)));
    }
    return d;
}

constexpr int SmallRun = 16, LargeRun = 256;

}  // namespace

ArmClearance CheckArmClearance(const CamInput& cam) {
    CheckInputs(cam);
    if (cam.follower.kind != FollowerKind::SwingRoller) RefuseValue("follower.kind");
    const double clearance = cam.follower.clearance;
    RequireInRange(Quantity::Clearance, clearance);
    const Geometry g = ValidGeometry(cam, cam.baseRadius);
    const GridMotion& gm = MakeGridMotion(cam);
    const std::vector<SinCos>& turns = GridTurns();

    // The contour in the cam's frame (closed: the last vertex is the first), and the arm's
    // end at the roller's rim in the follower's.
    thread_local std::vector<Vec> contour, rim;
    contour.resize(GridCount + 1);
    rim.resize(GridCount);
    double reach2 = 0, guard = 0;
    int farthest = 0;
    for (int k = 0; k < GridCount; ++k) {
        const Pitch p = SwingKind::PitchAt(g, gm.at[k], gm.turnAt[k]);
        const Local l = Measure(p);
        if (!(l.n2 > 0)) ThrowFault(Fault::NoDirection, GridDegrees(k));
        const Point c = ToCam(RollerContactPoint(g, p, std::sqrt(l.n2)), turns[k]);
        contour[k] = {c.x, c.y};
        const double r2 = Dot(contour[k], contour[k]);
        if (r2 > reach2) reach2 = r2, farthest = k;
        const Vec arm = p.P - g.pivot;
        const double length = std::sqrt(Dot(arm, arm));
        // An arm no longer than the roller's radius is all roller but its pivot.
        rim[k] = length > g.rollerRadius ? p.P - (g.rollerRadius / length) * arm : g.pivot;
        guard += (r2 + rim[k].x + rim[k].y) * 0;
    }
    if (!(guard == 0)) ThrowOverflow();
    contour[GridCount] = contour[0];

    std::vector<Disc> small, large;
    for (int i = 0; i < GridCount; i += SmallRun) small.push_back(Around(contour, i, i + SmallRun));
    const int perLarge = LargeRun / SmallRun, runs = static_cast<int>(small.size());
    for (int i = 0; i < runs; i += perLarge) {
        Disc d = Around(contour, small[i].from, small[std::min(runs, i + perLarge) - 1].to);
        d.from = i;
        d.to = std::min(runs, i + perLarge);
        large.push_back(d);
    }

    double best = Infinity;
    int bestK = 0, failK = -1;
    for (int k = 0; k < GridCount; ++k) {
        const Point q = ToCam(g.pivot, turns[k]), e = ToCam(rim[k], turns[k]);
        const Vec a{q.x, q.y}, b{e.x, e.y};
        double here = Infinity;
        // Farther than both the nearest found and the clearance: nothing there matters.
        auto far = [&](const Disc& d) {
            const double t = std::max(std::min(best, here), clearance) + d.radius;
            return SegmentDistance2(d.centre, a, b) > t * t;
        };
        for (const Disc& outer : large) {
            if (far(outer)) continue;
            for (int s = outer.from; s < outer.to; ++s) {
                if (far(small[s])) continue;
                for (int i = small[s].from; i < small[s].to; ++i) {
                    here = std::min(here, SegmentsDistance(a, b, contour[i], contour[i + 1]));
                }
            }
        }
        if (here < best) best = here, bestK = k;
        if (failK < 0 && !(here > clearance)) failK = k;
    }

    ArmClearance out;
    out.reach = std::sqrt(reach2);
    out.pivotRoom = std::sqrt(Dot(g.pivot, g.pivot)) - out.reach;
    out.armRoom = {true, best, GridDegrees(bestK)};
    if (!std::isfinite(best + out.pivotRoom)) ThrowOverflow();
    out.armPass = best > clearance;
    out.pivotPass = out.pivotRoom > clearance;
    if (failK >= 0) {
        out.failsAtDeg = GridDegrees(failK);
    } else if (!out.pivotPass) {
        // The pivot's bearing (clockwise from the top) in the cam's frame is its own plus
        // the cam angle: it meets the farthest point where the two bearings agree.
        const Vec c = contour[farthest];
        const double deg = (std::atan2(c.x, c.y) - std::atan2(g.pivot.x, g.pivot.y)) * RadiansToDegrees;
        const long k = std::lround(deg * GridPerDegree);
        out.failsAtDeg = GridDegrees(static_cast<int>(((k % GridCount) + GridCount) % GridCount));
    }
    return out;
}

}  // namespace platecam::engine
