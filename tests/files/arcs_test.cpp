#include "files/arcs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

#include "base/errors.h"

namespace platecam::arcs {
namespace {

constexpr double Pi = std::numbers::pi;
constexpr double Deg = Pi / 180;

Piece Line(Point from, Point to) {
    Piece p;
    p.from = from;
    p.to = to;
    p.line = true;
    return p;
}

Point Unit(double x, double y) { return {x / std::hypot(x, y), y / std::hypot(x, y)}; }
Point Minus(Point a, Point b) { return {a.x - b.x, a.y - b.y}; }
double Distance(Point a, Point b) { return std::hypot(a.x - b.x, a.y - b.y); }
double Turn(Point a, Point b) { return std::atan2(a.x * b.y - a.y * b.x, a.x * b.x + a.y * b.y); }

// A test curve with its total turning and a way back from a point near it to its
// parameter that owes nothing to the fitting (a polar angle, an abscissa).
struct Case {
    std::string name;
    Curve curve;
    double turning;
    std::function<double(Point)> parameterOf;
};

double Angle(double x, double y) {
    const double a = std::atan2(x, y) / Deg;
    return a < 0 ? a + 360 : a;
}

Curve Make(std::function<Point(double)> point, std::function<Point(double, bool)> tangent, double from = 0,
           double to = 360, bool closed = true, std::vector<double> breaks = {}) {
    return Curve{std::move(point), std::move(tangent), from, to, std::move(breaks), closed};
}

// The closed curves run clockwise from the top as u (degrees) grows, as a cam's contour.
Case Circle(double cx, double cy, double r) {
    return {"circle",
            Make([=](double u) { return Point{cx + r * std::sin(u * Deg), cy + r * std::cos(u * Deg)}; },
                 [](double u, bool) { return Point{std::cos(u * Deg), -std::sin(u * Deg)}; }),
            -2 * Pi, [=](Point p) { return Angle(p.x - cx, p.y - cy); }};
}

Case Ellipse() {
    return {"ellipse",
            Make([](double u) { return Point{60 * std::sin(u * Deg), 35 * std::cos(u * Deg)}; },
                 [](double u, bool) { return Unit(60 * std::cos(u * Deg), -35 * std::sin(u * Deg)); }),
            -2 * Pi, [](Point p) { return Angle(p.x / 60, p.y / 35); }};
}

// r(u) (sin u, cos u) with r = 50 - 5 cos u + 1.5 sin 3u: convex, of radius 43.5 to 56.5.
Case CamLike() {
    const auto r = [](double u) { return 50 - 5 * std::cos(u * Deg) + 1.5 * std::sin(3 * u * Deg); };
    const auto dr = [](double u) { return 5 * std::sin(u * Deg) + 4.5 * std::cos(3 * u * Deg); };  // per radian
    return {"cam",
            Make([=](double u) { return Point{r(u) * std::sin(u * Deg), r(u) * std::cos(u * Deg)}; },
                 [=](double u, bool) {
                     const double s = std::sin(u * Deg), k = std::cos(u * Deg);
                     return Unit(dr(u) * s + r(u) * k, dr(u) * k - r(u) * s);
                 }),
            -2 * Pi, [](Point p) { return Angle(p.x, p.y); }};
}

Case SineWave() {
    return {"sine",
            Make([](double u) { return Point{u, 5 * std::sin(u / 10)}; },
                 [](double u, bool) { return Unit(1, 0.5 * std::cos(u / 10)); }, 0, 100, false),
            std::atan(0.5 * std::cos(10.0)) - std::atan(0.5), [](Point p) { return p.x; }};
}

// Geometry of the pieces as a drawing shows them: from the centre, radius and angles.
Point At(const Piece& p, double t) {
    if (p.line) return {p.from.x + t * (p.to.x - p.from.x), p.from.y + t * (p.to.y - p.from.y)};
    const double a = std::atan2(p.from.y - p.centre.y, p.from.x - p.centre.x) + t * p.sweep;
    return {p.centre.x + p.radius * std::cos(a), p.centre.y + p.radius * std::sin(a)};
}

Point TangentOf(const Piece& p, bool atEnd) {
    if (p.line) return Unit(p.to.x - p.from.x, p.to.y - p.from.y);
    const Point r = Minus(atEnd ? p.to : p.from, p.centre);
    return p.sweep > 0 ? Unit(-r.y, r.x) : Unit(r.y, -r.x);
}

double DistanceToPiece(const Piece& p, Point q) {
    // The foot of the perpendicular where it falls on the piece, else the nearer end.
    double best = std::numeric_limits<double>::infinity();
    if (!p.line) {
        double a = std::atan2(q.y - p.centre.y, q.x - p.centre.x) - std::atan2(p.from.y - p.centre.y, p.from.x - p.centre.x);
        a = std::fmod(p.sweep > 0 ? a : -a, 2 * Pi);
        if (a < 0) a += 2 * Pi;
        if (a <= std::fabs(p.sweep)) best = std::fabs(Distance(q, p.centre) - p.radius);
    } else {
        const Point d = Minus(p.to, p.from), w = Minus(q, p.from);
        const double t = (w.x * d.x + w.y * d.y) / (d.x * d.x + d.y * d.y);
        if (t >= 0 && t <= 1) best = std::fabs(w.x * d.y - w.y * d.x) / std::hypot(d.x, d.y);
    }
    return std::min({best, Distance(q, p.from), Distance(q, p.to)});
}

// The distance from q to a polyline of the curve 2000 segments fine about q's parameter.
double DistanceToCurve(const Case& c, Point q, double halfWidth) {
    const double u0 = c.parameterOf(q);
    double best = std::numeric_limits<double>::infinity();
    int at = 0;
    Point a = c.curve.point(u0 - halfWidth);
    for (int i = 1; i <= 2000; ++i) {
        const Point b = c.curve.point(u0 - halfWidth + halfWidth * i / 1000);
        const Piece segment = Line(a, b);
        if (const double d = DistanceToPiece(segment, q); d < best) best = d, at = i;
        a = b;
    }
    EXPECT_TRUE(at > 1 && at < 2000) << "the nearest point lies outside the search";
    return best;
}

// Every check of a fitted path, where the curve is smooth everywhere.
void ExpectSound(const Case& c, const Fit& fit, double tolerance) {
    SCOPED_TRACE(c.name + " at " + std::to_string(tolerance));
    const auto& pieces = fit.pieces;
    const std::size_t n = pieces.size();
    EXPECT_LE(fit.maxDeviation, tolerance);
    // The tolerance is used, not thrown away on too many pieces.
    EXPECT_GT(fit.maxDeviation, 0.5 * tolerance);
    const double measured = MeasureDeviation(pieces, c.curve, 10);
    EXPECT_LE(measured, tolerance);
    EXPECT_GT(measured, 0.5 * tolerance);

    // The curve, 10 times as dense as the pieces and at their middles, against all pieces;
    // the pieces' quarter points and middles against the curve.
    double worst = 0;
    auto againstPieces = [&](double u) {
        double d = std::numeric_limits<double>::infinity();
        for (const Piece& p : pieces) d = std::min(d, DistanceToPiece(p, c.curve.point(u)));
        worst = std::max(worst, d);
    };
    for (std::size_t i = 0; i <= 10 * n; ++i) againstPieces(c.curve.from + (c.curve.to - c.curve.from) * i / (10.0 * n));
    const double halfWidth = c.curve.closed ? 0.05 : 0.05 * Pi / 180 * 50;
    for (const Piece& p : pieces) {
        againstPieces(c.parameterOf(At(p, 0.5)));
        for (double t : {0.25, 0.5, 0.75}) worst = std::max(worst, DistanceToCurve(c, At(p, t), halfWidth));
    }
    EXPECT_LE(worst, tolerance);
    EXPECT_GT(worst, 0.5 * tolerance);

    // Shared ends, bit for bit; no turn between pieces; the turning of the curve in all.
    double sweep = 0;
    for (std::size_t i = 0; i < n; ++i) {
        sweep += pieces[i].sweep;
        if (i + 1 == n && !c.curve.closed) break;
        const Piece& next = pieces[(i + 1) % n];
        EXPECT_TRUE(pieces[i].to.x == next.from.x && pieces[i].to.y == next.from.y) << i;
        EXPECT_LE(std::fabs(Turn(TangentOf(pieces[i], true), TangentOf(next, false))), 1e-9) << i;
    }
    EXPECT_NEAR(sweep, c.turning, 1e-9);
}

TEST(Arcs, EccentricCircleIsOneWholeArc) {
    const Case c = Circle(12, -7, 50);
    const Fit fit = FitBiarcs(c.curve, 0.01);
    ASSERT_EQ(fit.pieces.size(), 1u);
    const Piece& arc = fit.pieces[0];
    EXPECT_FALSE(arc.line);
    EXPECT_EQ(std::fabs(arc.sweep), 2 * Pi);
    EXPECT_LT(arc.sweep, 0);  // clockwise, as u runs
    EXPECT_NEAR(arc.radius, 50, 1e-9);
    EXPECT_NEAR(arc.centre.x, 12, 1e-9);
    EXPECT_NEAR(arc.centre.y, -7, 1e-9);
    const Point top = c.curve.point(0);
    EXPECT_TRUE(arc.from.x == top.x && arc.from.y == top.y && arc.to.x == top.x && arc.to.y == top.y);
    EXPECT_LE(MeasureDeviation(fit.pieces, c.curve), 1e-9);
    // Chords within 0.01 mm of it: each may turn through at most 2 acos(1 - 0.01 / 50).
    EXPECT_EQ(std::ceil(Pi / std::acos(1 - 0.01 / 50)), 158);
}

TEST(Arcs, SmoothCurvesStayWithinTolerance) {
    for (const Case& c : {Ellipse(), CamLike(), SineWave()}) {
        std::size_t count[3];
        const double tolerances[3] = {0.01, 0.001, 0.0001};
        for (int i = 0; i < 3; ++i) {
            const Fit fit = FitBiarcs(c.curve, tolerances[i]);
            ExpectSound(c, fit, tolerances[i]);
            count[i] = fit.pieces.size();
        }
        SCOPED_TRACE(c.name);
        EXPECT_LT(count[0], count[1]);
        EXPECT_LT(count[1], count[2]);
        // Biarcs are of the third order: a tenth of the tolerance takes about 10^(1/3) times
        // as many pieces.
        if (c.curve.closed) {
            const double ratio = static_cast<double>(count[2]) / static_cast<double>(count[1]);
            EXPECT_GT(ratio, 1.5);
            EXPECT_LT(ratio, 3.5);
        }
    }
}

TEST(Arcs, CornerIsKept) {
    // A sine hump from (0, 0) to (100, 0), then the straight way back: corners at u = 100
    // and at the start.
    const Curve curve = Make(
        [](double u) { return u < 100 ? Point{u, 10 * std::sin(Pi * u / 100)} : Point{200 - u, 0}; },
        [](double u, bool after) {
            return u < 100 || (u == 100 && !after) ? Unit(1, 0.1 * Pi * std::cos(Pi * u / 100)) : Point{-1, 0};
        },
        0, 200, true, {100});
    const double tolerance = 0.001;
    const Fit fit = FitBiarcs(curve, tolerance);
    const auto& pieces = fit.pieces;
    EXPECT_LE(fit.maxDeviation, tolerance);
    EXPECT_LE(MeasureDeviation(pieces, curve), tolerance);
    ASSERT_GE(pieces.size(), 3u);
    // The way back is one line, from the corner to the start.
    const Piece& back = pieces.back();
    EXPECT_TRUE(back.line);
    EXPECT_TRUE(back.from.x == 100 && back.from.y == 0 && back.to.x == 0 && back.to.y == 0);
    // Both corners turn as the curve does; the hump is smooth between them.
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const Piece& next = pieces[(i + 1) % pieces.size()];
        const double turn = Turn(TangentOf(pieces[i], true), TangentOf(next, false));
        const double u = i + 1 == pieces.size() ? 0 : i + 2 == pieces.size() ? 100 : -1;
        const double expected = u < 0 ? 0 : Turn(curve.tangent(u == 0 ? 200 : u, false), curve.tangent(u, true));
        EXPECT_NEAR(turn, expected, 1e-9) << i;
        if (u >= 0) {
            EXPECT_GT(std::fabs(turn), 2.8);
        }
    }
}

TEST(Arcs, LinesAndArcsComeOutWhole) {
    const Curve straight = Make([](double u) { return Point{3 + 0.6 * u, -2 + 0.8 * u}; },
                                [](double, bool) { return Point{0.6, 0.8}; }, 0, 50, false);
    const Fit line = FitBiarcs(straight, 0.001);
    ASSERT_EQ(line.pieces.size(), 1u);
    EXPECT_TRUE(line.pieces[0].line);
    EXPECT_NEAR(line.pieces[0].to.x, 33, 1e-12);
    EXPECT_NEAR(line.pieces[0].to.y, 38, 1e-12);

    // 30 mm straight on, then a quarter turn to the left on a radius of 20 mm.
    const Curve bend = Make(
        [](double u) {
            if (u <= 30) return Point{u, 0};
            return Point{30 + 20 * std::sin((u - 30) * Deg), 20 - 20 * std::cos((u - 30) * Deg)};
        },
        [](double u, bool) { return u <= 30 ? Point{1, 0} : Point{std::cos((u - 30) * Deg), std::sin((u - 30) * Deg)}; },
        0, 120, false, {30});
    const Fit fit = FitBiarcs(bend, 0.001);
    ASSERT_EQ(fit.pieces.size(), 2u);
    EXPECT_TRUE(fit.pieces[0].line);
    const Piece& arc = fit.pieces[1];
    EXPECT_FALSE(arc.line);
    EXPECT_NEAR(arc.radius, 20, 1e-9);
    EXPECT_NEAR(arc.sweep, Pi / 2, 1e-9);
    EXPECT_NEAR(arc.centre.x, 30, 1e-9);
    EXPECT_NEAR(arc.centre.y, 20, 1e-9);
    EXPECT_LE(std::fabs(Turn(TangentOf(fit.pieces[0], true), TangentOf(arc, false))), 1e-9);
}

TEST(Arcs, MeasureFindsWhatIsWrong) {
    // A bump of 0.05 mm at one piece's middle, and a piece left out, are both found.
    const Case c = SineWave();
    const Fit fit = FitBiarcs(c.curve, 0.001);
    const std::size_t k = fit.pieces.size() / 2;
    const Piece& p = fit.pieces[k];
    const Point middle = At(p, 0.5), t = TangentOf(p, false);
    const Point apex{middle.x - 0.05 * t.y, middle.y + 0.05 * t.x};
    std::vector<Piece> bumped = fit.pieces;
    bumped[k] = Line(p.from, apex);
    bumped.insert(bumped.begin() + static_cast<std::ptrdiff_t>(k) + 1, Line(apex, p.to));
    EXPECT_NEAR(MeasureDeviation(bumped, c.curve), 0.05, 0.002);

    std::vector<Piece> gap = fit.pieces;
    gap.erase(gap.begin() + static_cast<std::ptrdiff_t>(k));
    EXPECT_GT(MeasureDeviation(gap, c.curve), 0.4 * Distance(p.from, p.to));
}

TEST(Arcs, RefusesWhatItCannotDraw) {
    const Case c = Ellipse();
    for (double tolerance : {0.0, -0.01, std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::infinity()})
        EXPECT_THROW(FitBiarcs(c.curve, tolerance), CamError) << tolerance;
    // A curve that is not finite somewhere, and one that jumps where it has no break.
    for (double step : {std::nan(""), 1.0}) {
        const Curve broken = Make([step](double u) { return Point{u, u > 50 ? step : 0.0}; },
                                  [](double, bool) { return Point{1, 0}; }, 0, 100, false);
        EXPECT_THROW(FitBiarcs(broken, 0.01), CamError) << step;
    }
    EXPECT_THROW(MeasureDeviation({}, c.curve), CamError);
}

}  // namespace
}  // namespace platecam::arcs
