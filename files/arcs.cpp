#include "files/arcs.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "base/errors.h"
#include "base/number_text.h"
#include "base/text.h"

namespace platecam::arcs {
namespace {

namespace msg {
constexpr const char* BadTolerance = "the arc tolerance is %1 mm: it must be greater than 0";
constexpr const char* CannotFit = "the curve cannot be drawn in arcs within %1 mm at %2 degrees";
constexpr const char* TooManyPieces = "the curve needs more than %1 arcs within %2 mm";
constexpr const char* NoPieces = "there are no arcs to measure";
}  // namespace msg

constexpr double Pi = std::numbers::pi;

// The fitter accepts a biarc whose sampled deviation is at most this share of the
// tolerance: the samples may miss the very top of the deviation by a few per cent.
constexpr double Safety = 0.85;
// Intervals of the curve's samples over a span, and samples along each arc of a biarc.
constexpr int CurveSamples = 24;
constexpr int ArcSamples = 12;
constexpr std::size_t MaxPieces = 200000;
// An arc turning through less than this is drawn as its chord: its end tangents then
// differ from the chord's by at most half of it, far below any angle that shows.
constexpr double LineSweep = 1e-10;
// Pieces on one circle or line within this share of the radius (length) are one piece.
// The merged arc keeps its first piece's centre, so its far end tangent moves by at most
// this angle.
constexpr double SameGeometry = 1e-10;

Point operator+(Point a, Point b) { return {a.x + b.x, a.y + b.y}; }
Point operator-(Point a, Point b) { return {a.x - b.x, a.y - b.y}; }
Point operator*(double s, Point a) { return {s * a.x, s * a.y}; }
double Dot(Point a, Point b) { return a.x * b.x + a.y * b.y; }
double Cross(Point a, Point b) { return a.x * b.y - a.y * b.x; }
double Length(Point a) { return std::hypot(a.x, a.y); }
// `a` turned a quarter counter-clockwise.
Point Left(Point a) { return {-a.y, a.x}; }
bool Finite(Point a) { return std::isfinite(a.x) && std::isfinite(a.y); }

std::string Number(double value) { return FormatGeneral(value, 6, 6, '.'); }

void CheckCurve(const Curve& curve) {
    if (!curve.point || !curve.tangent || !std::isfinite(curve.from) || !std::isfinite(curve.to) ||
        !(curve.from < curve.to))
        ThrowInvalidOperation();
    double last = curve.from;
    for (double b : curve.breaks) {
        if (!(b > last && b < curve.to)) ThrowInvalidOperation();
        last = b;
    }
}

// The curve's functions, refusing a value that is not finite; the tangent made unit.
struct Evaluator {
    const Curve& curve;
    Point At(double u) const {
        const Point p = curve.point(u);
        if (!Finite(p)) ThrowInvalidOperation();
        return p;
    }
    Point TangentAt(double u, bool after) const {
        const Point t = curve.tangent(u, after);
        const double length = Length(t);
        if (!(length > 0) || !std::isfinite(length)) ThrowInvalidOperation();
        return (1 / length) * t;
    }
};

// ---------------------------------------------------------------------------------------
// The fitter's arcs, built from one end: the end point a, the unit tangent t there into
// the arc, the signed curvature k (positive to the left), the turning `sweep` = k * length,
// and the other end b. Distances are worked out from a and t, never from the centre, which
// lies far away on a nearly straight arc.
struct Arc {
    Point a, t, b;
    double k = 0, sweep = 0, length = 0, chord = 0;
};

// The arc leaving a along t that ends at b; false when it would turn more than half a turn.
bool BuildArc(Point a, Point t, Point b, Arc& arc) {
    const Point c = b - a;
    const double chord = Length(c);
    if (!(chord > 0)) return false;
    // The chord bisects the angle the arc turns through.
    const double half = std::atan2(Cross(t, c), Dot(t, c));
    if (std::fabs(half) > Pi / 2) return false;
    arc.a = a;
    arc.t = t;
    arc.b = b;
    arc.chord = chord;
    arc.sweep = 2 * half;
    arc.k = 2 * std::sin(half) / chord;
    arc.length = half == 0 ? chord : chord * half / std::sin(half);
    return true;
}

// The point at arc length s from a.
Point ArcPoint(const Arc& arc, double s) {
    if (arc.k == 0) return arc.a + s * arc.t;
    const double turned = arc.k * s, sine = std::sin(turned / 2);
    return arc.a + (std::sin(turned) / arc.k) * arc.t + (2 * sine * sine / arc.k) * Left(arc.t);
}

double ArcDistance(const Arc& arc, Point p) {
    const Point w = p - arc.a;
    const double along = Dot(w, arc.t), across = Cross(arc.t, w);
    bool within;
    if (arc.k == 0) {
        within = along >= 0 && along <= arc.length;
    } else {
        // The angle about the centre from a to p, counter-clockwise.
        const double turned = std::atan2(arc.k * along, 1 - arc.k * across);
        within = arc.sweep >= 0 ? turned >= 0 && turned <= arc.sweep
                                : turned <= 0 && turned >= arc.sweep;
    }
    if (within) {
        // |p - centre| - radius, in a form that stays exact as k goes to 0.
        const double ww = Dot(w, w);
        const double root = std::sqrt(std::max(0.0, 1 - 2 * arc.k * across + arc.k * arc.k * ww));
        return std::fabs((arc.k * ww - 2 * across) / (1 + root));
    }
    return std::min(Length(w), Length(p - arc.b));
}

// The biarc from p0 along t0 to p1 along t1 with equal tangent lengths d at both ends:
// the junction is the middle of the segment joining p0 + d t0 and p1 - d t1, whose length
// is 2d. The second arc is built from p1 backwards, so that both ends take their tangent
// from the curve itself.
bool BuildBiarc(Point p0, Point t0, Point p1, Point t1, Arc& first, Arc& second, Point& junction) {
    const Point v = p1 - p0;
    const double vv = Dot(v, v);
    if (!(vv > 0)) return false;
    // |v - d (t0 + t1)|^2 = 4 d^2, that is |t0 - t1|^2 d^2 + 2 (v.(t0 + t1)) d - v.v = 0.
    const double vt = Dot(v, t0 + t1);
    const double denominator = Dot(t0 - t1, t0 - t1);
    const double root = std::sqrt(vt * vt + denominator * vv);
    double d;
    if (vt > 0)
        d = vv / (vt + root);
    else if (denominator > 0)
        d = (root - vt) / denominator;
    else
        return false;
    if (!(d > 0) || !std::isfinite(d)) return false;
    junction = 0.5 * ((p0 + d * t0) + (p1 - d * t1));
    return BuildArc(p0, t0, junction, first) && BuildArc(p1, -1 * t1, junction, second);
}

// The piece as written out, and in `error` how far it may lie from the arc it stands for:
// the sagitta where it is drawn as its chord, else the rounding of its centre, which lies
// far off where the arc is nearly straight.
Piece ToPiece(const Arc& arc, bool backwards, Point from, Point to, double& error) {
    Piece piece;
    piece.from = from;
    piece.to = to;
    if (std::fabs(arc.sweep) <= LineSweep) {
        piece.line = true;
        error = std::max(error, arc.chord * std::fabs(arc.sweep) / 8);
        return piece;
    }
    const double radius = arc.chord / (2 * std::fabs(std::sin(arc.sweep / 2)));
    piece.radius = radius;
    piece.centre = arc.a + std::copysign(radius, arc.sweep) * Left(arc.t);
    piece.sweep = backwards ? -arc.sweep : arc.sweep;
    const double off = std::max(std::fabs(Length(from - piece.centre) - radius), std::fabs(Length(to - piece.centre) - radius));
    error = std::max(error, off + 4 * std::numeric_limits<double>::epsilon() * (Length(piece.centre) + radius));
    return piece;
}

struct Sample {
    double u;
    Point p, t;
};

// The least distance from q to the curve between the samples (an upper bound where the
// search stops early): from the nearest sample, the foot of the perpendicular, where
// (C(u) - q).T(u) changes sign, by regula falsi (Illinois).
double CurveDistance(const Evaluator& ev, const std::vector<Sample>& samples, Point q, double accuracy) {
    std::size_t i = 0;
    double best = Length(samples[0].p - q);
    for (std::size_t j = 1; j < samples.size(); ++j) {
        const double d = Length(samples[j].p - q);
        if (d < best) {
            best = d;
            i = j;
        }
    }
    auto along = [&](std::size_t j) { return Dot(samples[j].p - q, samples[j].t); };
    const double here = along(i);
    std::size_t lo, hi;
    if (here > 0 && i > 0 && along(i - 1) <= 0) {
        lo = i - 1;
        hi = i;
    } else if (here < 0 && i + 1 < samples.size() && along(i + 1) >= 0) {
        lo = i;
        hi = i + 1;
    } else {
        return best;  // the foot is at this sample or an end of the span (else best is still an upper bound)
    }
    double ua = samples[lo].u, ub = samples[hi].u, ga = along(lo), gb = along(hi);
    int side = 0;
    for (int iteration = 0; iteration < 40; ++iteration) {
        double u = ga == gb ? 0.5 * (ua + ub) : ub - gb * (ub - ua) / (gb - ga);
        if (!(u > ua && u < ub)) u = 0.5 * (ua + ub);
        if (!(u > ua && u < ub)) break;
        const Point w = ev.At(u) - q;
        best = std::min(best, Length(w));
        const double g = Dot(w, ev.TangentAt(u, false));
        if (std::fabs(g) <= accuracy) break;
        if (g < 0) {
            ua = u;
            ga = g;
            if (side < 0) gb *= 0.5;
            side = -1;
        } else {
            ub = u;
            gb = g;
            if (side > 0) ga *= 0.5;
            side = 1;
        }
    }
    return best;
}

struct Trial {
    double u1 = 0;
    Point p1, t1, junction;
    Arc first, second;
    Piece pieces[2];
    double deviation = std::numeric_limits<double>::infinity();
};

// The biarc over [u0, u1], its pieces, and its deviation from the curve both ways, sampled,
// with the pieces' own error; a deviation above `target` is returned as soon as it is found.
void TryBiarc(const Evaluator& ev, double u0, Point p0, Point t0, Trial& trial, double target,
              std::vector<Sample>& samples) {
    trial.deviation = std::numeric_limits<double>::infinity();
    if (!BuildBiarc(p0, t0, trial.p1, trial.t1, trial.first, trial.second, trial.junction)) return;
    double deviation = 0;
    trial.pieces[0] = ToPiece(trial.first, false, p0, trial.junction, deviation);
    trial.pieces[1] = ToPiece(trial.second, true, trial.junction, trial.p1, deviation);
    const double ownError = deviation;
    samples.resize(CurveSamples + 1);
    samples[0] = {u0, p0, t0};
    samples[CurveSamples] = {trial.u1, trial.p1, trial.t1};
    // The curve against the biarc (in closed form)...
    for (int i = 1; i < CurveSamples; ++i) {
        const double u = u0 + (trial.u1 - u0) * i / CurveSamples;
        const Point p = ev.At(u);
        samples[i] = {u, p, {}};
        deviation = std::max(deviation, ownError + std::min(ArcDistance(trial.first, p), ArcDistance(trial.second, p)));
    }
    if (deviation > target) {
        trial.deviation = deviation;
        return;
    }
    // ...and the biarc, its junction included, against the curve.
    for (int i = 1; i < CurveSamples; ++i) samples[i].t = ev.TangentAt(samples[i].u, false);
    const double accuracy = 1e-3 * target;
    for (int m = 1; m <= ArcSamples; ++m) {
        const Point q = m == ArcSamples ? trial.junction : ArcPoint(trial.first, trial.first.length * m / ArcSamples);
        deviation = std::max(deviation, ownError + CurveDistance(ev, samples, q, accuracy));
        if (m < ArcSamples) {
            const Point r = ArcPoint(trial.second, trial.second.length * m / ArcSamples);
            deviation = std::max(deviation, ownError + CurveDistance(ev, samples, r, accuracy));
        }
        if (deviation > target) break;
    }
    trial.deviation = deviation;
}

// How far `next` lies off the circle or line of the run it would continue (one circle
// turning the same way, or one line in one direction, to within SameGeometry); infinity
// where it does not continue it. `reference` is the run's first piece: each next piece is
// compared with it, so that small differences cannot add up along a long run.
double Offset(const Piece& reference, const Piece& run, const Piece& next) {
    constexpr double None = std::numeric_limits<double>::infinity();
    if (reference.line != next.line) return None;
    if (next.line) {
        const Point d = reference.to - reference.from, e = next.to - next.from, f = next.to - reference.from;
        const double ld = Length(d), le = Length(e);
        if (!(ld > 0 && le > 0 && Dot(d, e) > 0) || std::fabs(Cross(d, e)) > SameGeometry * ld * le) return None;
        const double off = std::fabs(Cross(d, f)) / ld;
        return off <= SameGeometry * Length(f) ? off : None;
    }
    const double epsilon = SameGeometry * reference.radius;
    const double dr = std::fabs(next.radius - reference.radius), dc = Length(next.centre - reference.centre);
    if ((next.sweep > 0) != (reference.sweep > 0) || dr > epsilon || dc > epsilon ||
        std::fabs(run.sweep + next.sweep) > 2 * Pi * (1 + 1e-12))
        return None;
    return dr + dc;
}

// The pieces with every run on one circle or line made one piece, where that moves no
// piece by more than `allowance`; `moved` is the most any piece moved.
std::vector<Piece> Merge(const std::vector<Piece>& pieces, bool closed, double allowance, double& moved) {
    std::vector<Piece> merged;
    Piece reference;
    for (const Piece& piece : pieces) {
        if (!merged.empty()) {
            const double offset = Offset(reference, merged.back(), piece);
            if (offset <= allowance) {
                merged.back().to = piece.to;
                merged.back().sweep += piece.sweep;
                moved = std::max(moved, offset);
                continue;
            }
        }
        merged.push_back(piece);
        reference = piece;
    }
    // A closed curve that is one circle: the whole circle, from its start back to it.
    if (closed && merged.size() == 1 && !merged[0].line) merged[0].sweep = std::copysign(2 * Pi, merged[0].sweep);
    return merged;
}

}  // namespace

Fit FitBiarcs(const Curve& curve, double tolerance) {
    if (!(tolerance > 0) || !std::isfinite(tolerance))
        throw CamError(Text::Message(msg::BadTolerance, {Number(tolerance)}));
    CheckCurve(curve);
    const Evaluator ev{curve};
    const double target = Safety * tolerance;
    const double range = curve.to - curve.from;
    const double shortest = range * 1e-12;

    std::vector<double> knots{curve.from};
    knots.insert(knots.end(), curve.breaks.begin(), curve.breaks.end());
    knots.push_back(curve.to);

    Fit fit;
    std::vector<Piece> pieces;
    std::vector<Sample> samples;
    const Point start = ev.At(curve.from);
    Point p0 = start;
    double guess = range / 8;
    for (std::size_t s = 0; s + 1 < knots.size(); ++s) {
        const double b = knots[s + 1];
        // A closed curve ends exactly where it starts.
        const Point pb = s + 2 == knots.size() && curve.closed ? start : ev.At(b);
        const Point tb = ev.TangentAt(b, false);
        double u0 = knots[s];
        Point t0 = ev.TangentAt(u0, true);
        for (;;) {
            // The longest biarc from u0 within the target, searched for from the last one's
            // length: the deviation grows about as the cube of the length.
            const double remaining = b - u0;
            double lo = 0, hi = remaining, h = std::min(guess, remaining);
            bool found = false, failed = false;
            Trial trial, best;
            for (int iteration = 0;; ++iteration) {
                const bool atEnd = h >= remaining;
                trial.u1 = atEnd ? b : u0 + h;
                trial.p1 = atEnd ? pb : ev.At(trial.u1);
                trial.t1 = atEnd ? tb : ev.TangentAt(trial.u1, false);
                TryBiarc(ev, u0, p0, t0, trial, target, samples);
                double next;
                if (trial.deviation <= target) {
                    lo = h;
                    best = trial;
                    found = true;
                    if (atEnd || trial.deviation >= 0.7 * target || (failed && hi - lo <= 0.02 * lo)) break;
                    next = h * std::clamp(std::cbrt(0.9 * target / std::max(trial.deviation, 1e-6 * target)), 1.05, 4.0);
                } else {
                    hi = h;
                    failed = true;
                    if (found && hi - lo <= 0.02 * lo) break;
                    next = std::isfinite(trial.deviation)
                               ? h * std::clamp(std::cbrt(0.9 * target / trial.deviation), 0.1, 0.9)
                               : 0.5 * h;
                }
                if (failed && !(next > lo && next < hi)) next = found ? 0.5 * (lo + hi) : 0.5 * hi;
                next = std::min(next, remaining);
                if (iteration >= 60 || (!found && next < shortest)) {
                    if (found) break;
                    throw CamError(Text::Message(msg::CannotFit, {Number(tolerance), Number(u0)}));
                }
                h = next;
            }
            pieces.push_back(best.pieces[0]);
            pieces.push_back(best.pieces[1]);
            if (pieces.size() > MaxPieces)
                throw CamError(Text::Message(msg::TooManyPieces, {Number(MaxPieces), Number(tolerance)}));
            fit.maxDeviation = std::max(fit.maxDeviation, best.deviation);
            // The next search starts from this length, unless the stretch's end cut it short.
            if (best.u1 != b) guess = lo;
            u0 = best.u1;
            p0 = best.p1;
            t0 = best.t1;
            if (best.u1 == b) break;
        }
    }
    double moved = 0;
    fit.pieces = Merge(pieces, curve.closed, (1 - Safety) / 2 * tolerance, moved);
    fit.maxDeviation += moved;
    return fit;
}

// ---------------------------------------------------------------------------------------
// The independent measure works from the pieces as they are written out (from, to, centre,
// radius, sweep), apart from the fitter's arcs.
namespace {

double SegmentDistance(Point a, Point b, Point p) {
    const Point d = b - a, w = p - a;
    const double dd = Dot(d, d);
    const double t = dd > 0 ? std::clamp(Dot(w, d) / dd, 0.0, 1.0) : 0.0;
    return Length(w - t * d);
}

double PieceDistance(const Piece& piece, Point p) {
    if (piece.line) return SegmentDistance(piece.from, piece.to, p);
    const Point r = piece.from - piece.centre, w = p - piece.from;
    // The angle about the centre from the start to p, in the direction of the sweep.
    double angle = std::atan2(Cross(r, w), Dot(r, r) + Dot(r, w));
    if (piece.sweep < 0) angle = -angle;
    if (angle < 0) angle += 2 * Pi;
    if (angle <= std::fabs(piece.sweep))
        return std::fabs((Dot(w, w) + 2 * Dot(w, r)) / (Length(r + w) + Length(r)));
    return std::min(Length(w), Length(p - piece.to));
}

// The point a share t of the way along the piece.
Point PiecePoint(const Piece& piece, double t) {
    if (piece.line) return piece.from + t * (piece.to - piece.from);
    const Point r = piece.from - piece.centre;
    const double turned = t * piece.sweep, half = std::sin(turned / 2);
    return piece.from + (-2 * half * half) * r + std::sin(turned) * Left(r);
}

double PieceLength(const Piece& piece) {
    return piece.line ? Length(piece.to - piece.from) : piece.radius * std::fabs(piece.sweep);
}

// Golden-section search for the least distance from q to the curve on [a, b], where the
// distance has one minimum; returns the u of the least distance met, `best` that distance.
double NearestOn(const Evaluator& ev, Point q, double a, double b, double& best) {
    const double r = (std::sqrt(5.0) - 1) / 2;
    double c = b - r * (b - a), d = a + r * (b - a);
    double fc = Length(ev.At(c) - q), fd = Length(ev.At(d) - q);
    // Down to a few units in the last place of u.
    const double stop = 8 * std::numeric_limits<double>::epsilon() * std::max(std::fabs(a), std::fabs(b));
    for (int iteration = 0; iteration < 200 && b - a > stop; ++iteration) {
        if (fc < fd) {
            b = d;
            d = c;
            fd = fc;
            c = b - r * (b - a);
            fc = Length(ev.At(c) - q);
        } else {
            a = c;
            c = d;
            fc = fd;
            d = a + r * (b - a);
            fd = Length(ev.At(d) - q);
        }
    }
    best = std::min({best, fc, fd});
    return fc < fd ? c : d;
}

}  // namespace

double MeasureDeviation(const std::vector<Piece>& pieces, const Curve& curve, int density) {
    if (pieces.empty()) throw CamError(Text::Message(msg::NoPieces));
    CheckCurve(curve);
    const Evaluator ev{curve};
    density = std::max(density, 1);
    const std::size_t n = pieces.size();
    const double range = curve.to - curve.from;

    // A dense table of the curve, evenly in u, with its length so far.
    const std::size_t m = std::clamp<std::size_t>(4 * static_cast<std::size_t>(density) * n, 4096, std::size_t{1} << 22);
    std::vector<double> tableU(m + 1), tableLength(m + 1, 0.0);
    std::vector<Point> tableP(m + 1);
    for (std::size_t j = 0; j <= m; ++j) {
        tableU[j] = j == m ? curve.to : curve.from + range * static_cast<double>(j) / static_cast<double>(m);
        tableP[j] = ev.At(tableU[j]);
        if (j > 0) tableLength[j] = tableLength[j - 1] + Length(tableP[j] - tableP[j - 1]);
    }
    auto tableIndex = [&](double u) {
        return std::min(m, static_cast<std::size_t>(std::max(0.0, (u - curve.from) / range * static_cast<double>(m))));
    };

    // Where each piece starts on the curve: near the point as far along the curve as it is
    // along the pieces, the nearest point of the table, refined.
    std::vector<double> pathLength(n + 1, 0.0);
    for (std::size_t k = 0; k < n; ++k) pathLength[k + 1] = pathLength[k] + PieceLength(pieces[k]);
    std::vector<double> startU(n + 1);
    startU[0] = curve.from;
    startU[n] = curve.to;
    const std::size_t window = std::max<std::size_t>(8, 2 * m / n);
    for (std::size_t k = 1; k < n; ++k) {
        const double along = pathLength[n] > 0 ? pathLength[k] / pathLength[n] * tableLength[m] : 0.0;
        const std::size_t guess = static_cast<std::size_t>(
            std::lower_bound(tableLength.begin(), tableLength.end(), along) - tableLength.begin());
        const std::size_t first = std::max(guess, window) - window, last = std::min(m, guess + window);
        std::size_t nearest = first;
        for (std::size_t j = first; j <= last; ++j)
            if (Length(tableP[j] - pieces[k].from) < Length(tableP[nearest] - pieces[k].from)) nearest = j;
        double distance = Length(tableP[nearest] - pieces[k].from);
        const double u = NearestOn(ev, pieces[k].from, tableU[nearest == 0 ? 0 : nearest - 1],
                                   tableU[std::min(m, nearest + 1)], distance);
        startU[k] = std::max(u, startU[k - 1]);
    }

    double worst = 0;
    // The curve against the pieces whose stretch of the curve holds its u, and their
    // neighbours: evenly in u, and at every piece's middle.
    auto curveAgainstPieces = [&](double u) {
        const Point p = ev.At(u);
        const std::size_t k = std::min<std::size_t>(
            n - 1, static_cast<std::size_t>(std::upper_bound(startU.begin() + 1, startU.end() - 1, u) -
                                            (startU.begin() + 1)));
        double d = PieceDistance(pieces[k], p);
        if (k > 0 || curve.closed) d = std::min(d, PieceDistance(pieces[(k + n - 1) % n], p));
        if (k + 1 < n || curve.closed) d = std::min(d, PieceDistance(pieces[(k + 1) % n], p));
        worst = std::max(worst, d);
    };
    const std::size_t count = static_cast<std::size_t>(density) * n;
    for (std::size_t i = 0; i <= count; ++i)
        curveAgainstPieces(i == count ? curve.to : curve.from + range * static_cast<double>(i) / static_cast<double>(count));
    for (std::size_t k = 0; k < n; ++k) curveAgainstPieces(0.5 * (startU[k] + startU[k + 1]));

    // Every piece against the curve, between its ends and at its middle; an arc also by how
    // far its ends lie off its stated radius.
    for (std::size_t k = 0; k < n; ++k) {
        const Piece& piece = pieces[k];
        if (!piece.line)
            worst = std::max({worst, std::fabs(Length(piece.from - piece.centre) - piece.radius),
                              std::fabs(Length(piece.to - piece.centre) - piece.radius)});
        const std::size_t first = std::max<std::size_t>(tableIndex(startU[k]), 2) - 2;
        const std::size_t last = std::min(m, tableIndex(startU[k + 1]) + 3);
        for (int i = 0; i <= density + 1; ++i) {
            const Point q = PiecePoint(piece, i > density ? 0.5 : static_cast<double>(i) / density);
            std::size_t nearest = first;
            for (std::size_t j = first; j <= last; ++j)
                if (Length(tableP[j] - q) < Length(tableP[nearest] - q)) nearest = j;
            double distance = Length(tableP[nearest] - q);
            NearestOn(ev, q, tableU[nearest == 0 ? 0 : nearest - 1], tableU[std::min(m, nearest + 1)], distance);
            worst = std::max(worst, distance);
        }
    }
    if (!std::isfinite(worst)) ThrowInvalidOperation();
    return worst;
}

}  // namespace platecam::arcs
