#include "files/gcode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <complex>
#include <functional>
#include <map>
#include <numbers>
#include <optional>
#include <regex>
#include <set>
#include <sstream>

#include "base/errors.h"
#include "tests/files/gcode_interpreter.h"

namespace platecam {
namespace {

using arcs::Piece;
using namespace testing;
constexpr double Pi = std::numbers::pi;
constexpr P Up{0, 1};

// ---- The paths, each with its own geometry to measure against ---------------------------

struct Shape {
    std::string name;
    std::vector<Piece> pieces;       // clockwise: in the order of the cam angle
    std::function<double(P)> depth;  // how deep a point lies inside the path (< 0 outside)
    double area;
    double leadIn;
};

Piece Line(P a, P b) { return {{a.real(), a.imag()}, {b.real(), b.imag()}, true, {}, 0, 0}; }
Piece Arc(P c, double r, double fromDeg, double sweepDeg) {
    Piece p = Line(c + std::polar(r, fromDeg * Pi / 180),
                   c + std::polar(r, (fromDeg + sweepDeg) * Pi / 180));
    p.line = false;
    p.centre = {c.real(), c.imag()};
    p.radius = r;
    p.sweep = sweepDeg * Pi / 180;
    return p;
}

// The tool centre on a circle of radius 60 about (3, -4), from the top, one whole turn.
Shape Circle() {
    return {"circle", {Arc({3, -4}, 60, 90, -360)}, [](P p) { return 60 - std::abs(p - P{3, -4}); },
            Pi * 3600, 8};
}

// A rectangle 110 x 80 about (2, 1) with corners of radius 15, from the middle of its top.
Shape RoundedRectangle() {
    const double x = 2, y = 1, a = 40, b = 25, r = 15;  // the corners' centres at x +- a, y +- b
    return {"rounded rectangle",
            {Line({x, y + b + r}, {x + a, y + b + r}), Arc({x + a, y + b}, r, 90, -90),
             Line({x + a + r, y + b}, {x + a + r, y - b}), Arc({x + a, y - b}, r, 0, -90),
             Line({x + a, y - b - r}, {x - a, y - b - r}), Arc({x - a, y - b}, r, -90, -90),
             Line({x - a - r, y - b}, {x - a - r, y + b}), Arc({x - a, y + b}, r, 180, -90),
             Line({x - a, y + b + r}, {x, y + b + r})},
            [=](P p) {
                // The distance field of the rectangle of the corners' centres, less the radius.
                const double qx = std::abs(p.real() - x) - a, qy = std::abs(p.imag() - y) - b;
                return r - std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) -
                       std::min(std::max(qx, qy), 0.0);
            },
            (2 * (a + r)) * (2 * (b + r)) - (4 - Pi) * r * r, 10};
}

// A box 80 x 100 about the origin less a disc of radius 30 about (0, 70): the path starts at
// the bottom of the notch, where it is concave.
Shape Notch() {
    const double corner = std::atan2(-20, std::sqrt(500.0)) * 180 / Pi;  // the disc meets the top
    return {"notch",
            {Arc({0, 70}, 30, -90, corner + 90), Line({std::sqrt(500.0), 50}, {40, 50}),
             Line({40, 50}, {40, -50}), Line({40, -50}, {-40, -50}), Line({-40, -50}, {-40, 50}),
             Line({-40, 50}, {-std::sqrt(500.0), 50}),
             Arc({0, 70}, 30, -180 - corner, corner + 90)},
            // Inside, the nearest of the box's sides and the disc; outside, the farthest out
            // of them, which is never farther than the point is (and is that but near the
            // two corners where the disc meets the top).
            [](P p) {
                return std::min({40 - std::abs(p.real()), 50 - std::abs(p.imag()),
                                 std::abs(p - P{0, 70}) - 30});
            },
            8000 - (900 * std::acos(2.0 / 3) - 20 * std::sqrt(500.0)), 10};
}

// A half disc of radius 30 closed by an arc of radius 20000 over its diameter: a centre far
// beyond the 8 digits of a word.
Shape FlatTop() {
    const double R = 20000, half = std::asin(30 / R);
    const P c{0, -30 / std::tan(half)};  // the far centre, under the diameter's middle
    const P end{30, 0};
    return {"flat top",
            {Arc(c, R, 90, -half * 180 / Pi), Arc({0, 0}, 30, 0, -180),
             Arc(c, R, 90 + half * 180 / Pi, -half * 180 / Pi)},
            [=](P p) {
                const P mirrored{std::abs(p.real()), p.imag()};
                // The far arc where p lies within its angle, else its nearer end.
                const double top = std::arg(mirrored - c) >= std::arg(end - c)
                                       ? std::abs(std::abs(p - c) - R)
                                       : std::abs(mirrored - end);
                const double bottom =
                    p.imag() <= 0 ? std::abs(std::abs(p) - 30) : std::abs(mirrored - end);
                const bool inside = p.imag() <= 0 ? std::abs(p) < 30 : std::abs(p - c) < R;
                return (inside ? 1 : -1) * std::min(top, bottom);
            },
            Pi * 450 + R * R * (2 * half - std::sin(2 * half)) / 2, 5};
}

std::vector<Piece> Backwards(std::vector<Piece> pieces) {
    std::reverse(pieces.begin(), pieces.end());
    for (Piece& p : pieces) {
        std::swap(p.from, p.to);
        p.sweep = -p.sweep;
    }
    return pieces;
}

MachiningSetup Machining(double leadIn, bool climb) {
    return {.toolRadius = 4, .climb = climb, .feed = 300, .plungeFeed = 60, .spindle = 1800,
            .depth = 12.5, .safeZ = 5, .leadIn = leadIn};
}

GcodeHeader Header(std::string name = "cam A-1") { return {std::move(name), 0.01, 0.0042}; }

// Everything a machine would do with the program of `shape`, checked against the shape's
// own geometry.
void CheckProgram(const Shape& shape, const MachiningSetup& s, const std::string& program) {
    const Outcome run = Interpret(program);
    for (const std::string& f : run.faults) ADD_FAILURE() << f;
    ASSERT_TRUE(run.faults.empty());
    ASSERT_GT(run.lines.size(), 10u);
    for (std::size_t n = 0; n < 6; ++n) EXPECT_EQ(run.lines[n].front(), '(');
    EXPECT_EQ(run.lines[6], "G21 G90 G17 G40 G94");
    EXPECT_NE(program.find("(TOOL RADIUS 4.0000 MM"), std::string::npos);
    EXPECT_NE(program.find("TOLERANCE 0.0100 MM, LARGEST DEVIATION 0.0042 MM"), std::string::npos);
    EXPECT_EQ(std::vector(run.lines.end() - 3, run.lines.end()),
              (std::vector<std::string>{"G00 Z5.0000", "M05", "M30"}));
    EXPECT_TRUE(run.ended);
    EXPECT_FALSE(run.spindle);

    // Up to the safe height, across above the plunge point, down, round at full depth, up.
    std::vector<Move> cut;
    for (const Move& m : run.moves) {
        if (m.zFrom == -s.depth && m.zTo == -s.depth) cut.push_back(m);
        if (m.zFrom < 0 || m.zTo < 0) {
            EXPECT_TRUE(m.spindle);
        }
    }
    ASSERT_EQ(run.moves.size(), cut.size() + 4);
    const Move &up = run.moves[0], &across = run.moves[1], &down = run.moves[2];
    EXPECT_EQ(std::tuple(up.g, up.zTo, across.g, across.zFrom, across.zTo),
              std::tuple(0, s.safeZ, 0, s.safeZ, s.safeZ));
    EXPECT_EQ(std::tuple(down.g, down.zFrom, down.zTo, down.feed, *down.from),
              std::tuple(1, s.safeZ, -s.depth, s.plungeFeed, down.to));
    EXPECT_GE(-shape.depth(down.to), s.leadIn - 1e-4);
    EXPECT_EQ(std::tuple(run.moves.back().g, run.moves.back().zTo), std::tuple(0, s.safeZ));

    ASSERT_GE(cut.size(), 3u);
    const Move &leadIn = cut.front(), &leadOut = cut.back();
    EXPECT_GE(leadIn.g, 2);
    EXPECT_GE(leadOut.g, 2);
    EXPECT_EQ(*leadIn.from, down.to);
    EXPECT_EQ(*cut[1].from, cut[cut.size() - 2].to);
    // Tangent onto the path and off it.
    using Join = std::pair<const Move*, const Move*>;
    for (auto [a, b] : {Join{&leadIn, &cut[1]}, Join{&cut[cut.size() - 2], &leadOut}}) {
        EXPECT_GT(std::real(Direction(*a, true) * std::conj(Direction(*b, false))), 1 - 1e-6);
    }
    // The lead arcs never into the cam; the path on the path, once round, the asked way.
    for (const Move& m : cut) EXPECT_EQ(m.feed, s.feed);
    for (const Move* lead : {&leadIn, &leadOut}) {
        EXPECT_NEAR(std::abs(*lead->from - lead->centre), s.leadIn, 1e-4);
        EXPECT_GE(std::abs(Turn(*lead)), Pi / 2 - 1e-4);  // a quarter to a half turn
        EXPECT_LE(std::abs(Turn(*lead)), Pi + 1e-4);
        for (P p : Samples(*lead)) EXPECT_LE(shape.depth(p), Rounding);
    }
    double area = 0;
    for (std::size_t k = 1; k + 1 < cut.size(); ++k) {
        const std::vector<P> points = Samples(cut[k]);
        for (std::size_t i = 0; i < points.size(); ++i) {
            EXPECT_LE(std::abs(shape.depth(points[i])), Rounding);
            if (i > 0) area += std::imag(std::conj(points[i - 1]) * points[i]) / 2;
        }
    }
    EXPECT_NEAR(area, s.climb ? -shape.area : shape.area, 1e-4 * shape.area);
}

TEST(GcodeProgram, RunsEachPathOnItselfBothWaysWithLeadArcsOutside) {
    const struct {
        Shape shape;
        double leadIn;  // 0: the shape's own
        bool climb, backwards;
    } cases[] = {
        {Circle(), 0, true, false},
        {Circle(), 0, false, false},
        {Circle(), 0, true, true},
        {RoundedRectangle(), 0, true, false},
        {RoundedRectangle(), 0, false, false},
        {RoundedRectangle(), 0, false, true},
        {Notch(), 0, true, false},
        {Notch(), 0, false, false},
        // A lead arc through the notch's mouth, above the plate.
        {Notch(), 25, true, false},
        {FlatTop(), 0, true, false},
        {FlatTop(), 0, false, false},
    };
    for (const auto& c : cases) {
        const MachiningSetup s = Machining(c.leadIn > 0 ? c.leadIn : c.shape.leadIn, c.climb);
        SCOPED_TRACE(c.shape.name + (c.climb ? ", climb" : ", conventional") +
                     (c.backwards ? ", given backwards" : "") + ", lead-in " +
                     std::to_string(s.leadIn));
        const auto pieces = c.backwards ? Backwards(c.shape.pieces) : c.shape.pieces;
        CheckProgram(c.shape, s, GcodeProgram(pieces, s, Header()));
    }
}

TEST(GcodeProgram, WholeCircleInTwoHalvesFarCentreInChords) {
    const Outcome circle = Interpret(GcodeProgram(Circle().pieces, Machining(8, true), Header()));
    ASSERT_EQ(circle.moves.size(), 8u);
    for (std::size_t k : {4, 5}) EXPECT_NEAR(Turn(circle.moves[k]), -Pi, 1e-5);
    // The far arcs of the flat top as many lines, the half circle between them one arc.
    const Outcome flat = Interpret(GcodeProgram(FlatTop().pieces, Machining(5, true), Header()));
    std::multiset<int> g;
    for (std::size_t k = 4; k + 2 < flat.moves.size(); ++k) g.insert(flat.moves[k].g);
    EXPECT_EQ(g.count(2), 1u);
    EXPECT_GT(g.count(1), 20u);
    EXPECT_EQ(g.size(), g.count(1) + 1);
}

TEST(GcodeProgram, CommentsAsciiOnlyWhateverTheName) {
    const std::string name = "板カム（試作）(v2) \"x\xff\";%\t" + std::string(400, 'k');
    const std::string program = GcodeProgram(Circle().pieces, Machining(8, true), Header(name));
    for (const std::string& f : Interpret(program).faults) ADD_FAILURE() << f;
    for (unsigned char c : program) EXPECT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7f));
    EXPECT_NE(program.find("\n(DESIGN ????????V2? ?X?????KKK"), std::string::npos);
    EXPECT_EQ(program.find_first_of("%;"), std::string::npos);
}

TEST(GcodeProgram, RefusesWhatCannotBeMilled) {
    // Each value out of range, on the circle.
    const struct {
        double MachiningSetup::*field;
        std::vector<double> bad;
    } values[] = {
        {&MachiningSetup::toolRadius, {0, NAN}},
        {&MachiningSetup::feed, {-300, INFINITY, 10000}},  // 9 digits
        {&MachiningSetup::plungeFeed, {0}},
        {&MachiningSetup::spindle, {0, 0.4, 1e5}},
        {&MachiningSetup::depth, {0, 0.00004}},  // less than the resolution
        {&MachiningSetup::safeZ, {-1, NAN}},
        {&MachiningSetup::leadIn, {0, -2, 9999}},  // a lead arc beyond the 8 digits
    };
    for (const auto& v : values) {
        for (double bad : v.bad) {
            MachiningSetup s = Machining(8, true);
            s.*v.field = bad;
            EXPECT_THROW(GcodeProgram(Circle().pieces, s, Header()), CamError) << bad;
        }
    }
    for (double bad : {-0.001, static_cast<double>(INFINITY)}) {
        EXPECT_THROW(GcodeProgram(Circle().pieces, Machining(8, true), {"", 0.01, bad}), CamError);
    }
    EXPECT_THROW(GcodeProgram(Circle().pieces, Machining(8, true), {"", NAN, 0}), CamError);

    // Paths that are no closed loop, or leave no room.
    const std::vector<Piece> rectangle = RoundedRectangle().pieces;
    const struct {
        const char* what;
        std::function<void(std::vector<Piece>&, MachiningSetup&)> change;
    } paths[] = {
        {"empty", [](auto& p, auto&) { p.clear(); }},
        {"a piece missing", [&](auto& p, auto&) { p = rectangle; p.erase(p.begin() + 3); }},
        {"a gap at the start", [&](auto& p, auto&) { p = rectangle; p[0].from.x += 0.01; }},
        {"NaN coordinate", [](auto& p, auto&) { p[0].from.y = p[0].to.y = NAN; }},
        {"radius not the centre's distance", [](auto& p, auto&) { p[0].radius = 61; }},
        {"arc ending off its turn", [&](auto& p, auto&) { p = rectangle; p[1].sweep *= 1.01; }},
        {"no area", [](auto& p, auto&) { p = {Line({0, 0}, {50, 0}), Line({50, 0}, {0, 0})}; }},
        {"beyond the 8 digits", [](auto& p, auto&) { p = {Arc({3, -4}, 12000, 90, -360)}; }},
        {"lead-in wider than the notch",
         [](auto& p, auto& s) {
             p = Notch().pieces;
             s.leadIn = 35;
         }},
    };
    for (const auto& c : paths) {
        std::vector<Piece> pieces = Circle().pieces;
        MachiningSetup s = Machining(8, true);
        c.change(pieces, s);
        EXPECT_THROW(GcodeProgram(pieces, s, Header()), CamError) << c.what;
    }
}

}  // namespace
}  // namespace platecam
