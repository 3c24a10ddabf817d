#include "engine/exact.h"

#include <cmath>
#include <limits>

#include "engine/follower.h"
#include "engine/limits.h"

namespace platecam::engine {

using namespace detail;

struct ExactCam::Impl {
    Geometry g;
};

ExactCam::ExactCam(const CamInput& cam) : cam_(cam) {
    CheckInputs(cam_);
    impl_ = std::make_shared<const Impl>(Impl{ValidGeometry(cam_, cam_.baseRadius)});
}

std::vector<double> ExactCam::RowAngles() const {
    std::vector<double> angles;
    const std::vector<Segment>& segments = cam_.motion.Segments();
    for (std::size_t i = 1; i < segments.size(); ++i) angles.push_back(segments[i].startDeg);
    return angles;
}

ExactPoint ExactCam::At(double deg, bool earlier) const {
    const Geometry& g = impl_->g;
    const Kinematics m = earlier ? cam_.motion.EarlierSide(deg) : cam_.motion.At(deg);
    // The turn of 360 degrees is the turn of 0, exactly.
    const SinCos rotation = deg == 360 ? SinCos{0, 1} : SineCosine(deg * DegreesToRadians);
    ExactPoint out;
    WithKind(g.kind, [&](auto kind) {
        using Kind = decltype(kind);
        if constexpr (!Kind::Rolls) {
            // The face touches where it is tangent: (s', h) in its frame; the contour runs
            // along the face (+x) where it is convex, h + s'' > 0.
            const double h = Kind::Height(g, m);
            if (!(h > 0)) ThrowFault(Fault::AtCentre, deg);
            out.pitch = ToCam({0, h}, rotation);
            out.contact = ToCam({m.v, h}, rotation);
            out.normal = ToCam({0, 1}, rotation);
            const double radius = h + m.a;
            out.tangent = ToCam({radius < 0 ? -1.0 : 1.0, 0}, rotation);
            out.contourRadius = radius;
        } else {
            const Pitch p = Kind::PitchAt(g, m, ArmTurn(m));
            if (Kind::ReachesCentre(p)) ThrowFault(Fault::AtCentre, deg);
            const Local l = Measure(p);
            if (!(l.n2 > 0)) ThrowFault(Fault::NoDirection, deg);
            const double length = std::sqrt(l.n2);
            const Vec along = (1 / length) * p.T;
            out.pitch = ToCam(p.P, rotation);
            out.contact = ToCam(RollerContactPoint(g, p, length), rotation);
            out.normal = ToCam(Quarter(along), rotation);
            out.tangent = ToCam(along, rotation);
            if (l.bend != 0) {
                const double radius = l.n2 * length / l.bend;
                if (std::isfinite(radius)) {
                    out.pitchRadius = radius;
                    out.contourRadius = radius - g.rollerRadius;
                }
            }
        }
    });
    const double guard = (out.pitch.x + out.pitch.y + out.contact.x + out.contact.y + out.tangent.x +
                          out.tangent.y + out.normal.x + out.normal.y) * 0;
    if (!(guard == 0)) ThrowOverflow();
    return out;
}

}  // namespace platecam::engine

namespace platecam::engine {

namespace {

// |radius| where the contour is concave there (a roller kind's pitch curve bends back).
std::optional<double> ConcaveRadiusAt(const ExactCam& cam, double deg) {
    const ExactPoint p = cam.At(deg);
    if (!p.pitchRadius || *p.pitchRadius >= 0 || !p.contourRadius) return std::nullopt;
    return -*p.contourRadius;
}

// The polar angle of a point of the cam's frame as the cam angles run: 0 at +y, clockwise,
// in [0, 360).
double PolarDeg(double x, double y) {
    double deg = std::atan2(x, y) * RadiansToDegrees;
    if (deg < 0) deg += 360;
    return deg >= 360 ? 0 : deg;
}

// `deg` - `target` wrapped into (-180, 180].
double Wrapped(double deg, double target) {
    double d = std::fmod(deg - target, 360.0);
    if (d <= -180) d += 360;
    if (d > 180) d -= 360;
    return d;
}

}  // namespace

std::optional<GridExtreme> SmallestConcaveRadius(const ExactCam& cam, const GridExtreme& onGrid) {
    if (!onGrid.found) return std::nullopt;
    // Golden-section search between the grid's neighbours of its smallest: the radius is
    // smooth there (a join is a grid point, and the search stays on one side of it).
    double lo = std::max(0.0, onGrid.atDeg - 0.05), hi = std::min(360.0, onGrid.atDeg + 0.05);
    for (const double join : cam.RowAngles()) {
        if (join > lo && join < onGrid.atDeg) lo = join;
        if (join < hi && join > onGrid.atDeg) hi = join;
    }
    GridExtreme best = onGrid;
    auto consider = [&](double deg) {
        const std::optional<double> r = ConcaveRadiusAt(cam, deg);
        if (r && *r < best.value) best = {true, *r, deg};
        return r ? *r : std::numeric_limits<double>::max();
    };
    constexpr double Ratio = 0.6180339887498949;
    double a = lo, b = hi;
    double c = b - Ratio * (b - a), d = a + Ratio * (b - a);
    double fc = consider(c), fd = consider(d);
    for (int i = 0; i < 80 && b - a > 1e-12; ++i) {
        if (fc < fd) {
            b = d;
            d = c;
            fd = fc;
            c = b - Ratio * (b - a);
            fc = consider(c);
        } else {
            a = c;
            c = d;
            fc = fd;
            d = a + Ratio * (b - a);
            fd = consider(d);
        }
    }
    return best;
}

std::vector<double> ToolCentreDistances(const ExactCam& cam, double toolRadius,
                                        const std::vector<double>& anglesDeg) {
    RequireInRange(Quantity::ToolRadius, toolRadius);
    // The offset curve q = contact + r n on the grid, and where it crosses each line: the
    // crossing farthest out is where the tool coming in from outside first touches.
    auto offset = [&](double deg) {
        const ExactPoint p = cam.At(deg);
        return Point{p.contact.x + toolRadius * p.normal.x, p.contact.y + toolRadius * p.normal.y};
    };
    std::vector<Point> q(GridCount + 1);
    std::vector<double> polar(GridCount + 1);
    for (int k = 0; k <= GridCount; ++k) {
        q[k] = offset(static_cast<double>(k) / GridPerDegree);
        polar[k] = PolarDeg(q[k].x, q[k].y);
    }
    std::vector<double> distances;
    distances.reserve(anglesDeg.size());
    for (const double target : anglesDeg) {
        if (!(target >= 0 && target <= 360)) ThrowInvalidOperation();
        double best = -1;
        for (int k = 0; k < GridCount; ++k) {
            const double f0 = Wrapped(polar[k], target), f1 = Wrapped(polar[k + 1], target);
            // A crossing, not the wrap at the opposite side (a step of half a turn).
            const bool crosses = (f0 <= 0 && f1 >= 0) || (f0 >= 0 && f1 <= 0);
            if (!crosses || std::fabs(f1 - f0) > 90) continue;
            double a = static_cast<double>(k) / GridPerDegree, b = static_cast<double>(k + 1) / GridPerDegree;
            double fa = f0;
            Point at = std::fabs(f0) <= std::fabs(f1) ? q[k] : q[k + 1];
            // A grid point on the line is the crossing itself.
            const bool onGrid = f0 == 0 || f1 == 0;
            for (int i = 0; !onGrid && i < 200 && b - a > 1e-15 * std::max(1.0, b); ++i) {
                const double m = 0.5 * (a + b);
                if (m <= a || m >= b) break;
                const Point pm = offset(m);
                const double fm = Wrapped(PolarDeg(pm.x, pm.y), target);
                at = pm;
                if (fm == 0) break;
                if ((fa < 0) == (fm < 0)) {
                    a = m;
                    fa = fm;
                } else {
                    b = m;
                }
            }
            best = std::max(best, std::hypot(at.x, at.y));
        }
        // The contour is closed round the cam centre: every line through it crosses.
        if (!(best > 0)) ThrowInvalidOperation();
        distances.push_back(best);
    }
    return distances;
}

}  // namespace platecam::engine
