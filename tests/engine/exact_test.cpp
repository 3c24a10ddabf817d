// The cam at any angle, against routes of its own: finite differences of the contact point
// for the tangent and the radius of curvature, the closed form of an in-line roller for
// the grinder's table, and a dense search of the contour for the tool's touch.

#include "engine/exact.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/cam.h"

namespace platecam::engine {
namespace {

constexpr double Pi = 3.141592653589793;

struct Case {
    const char* name;
    CamInput cam;
};

std::vector<MotionRow> Rows(double scale) {
    return {{0, 0},
            {50, 8 * scale, Law::ModifiedSine},
            {80, 8 * scale},
            {141, 18 * scale, Law::ModifiedTrapezoid},
            {170, 12 * scale, Law::SimpleHarmonic},
            {250, 0, Law::Polynomial4567},
            {360, 0}};
}

std::vector<Case> Cases() {
    auto make = [](FollowerKind kind, double base, double scale) {
        CamInput cam;
        cam.follower.kind = kind;
        cam.baseRadius = base;
        cam.motion = Motion::FromRows(Rows(scale));
        return cam;
    };
    std::vector<Case> cases;
    cases.push_back({"in-line roller", make(FollowerKind::Roller, 40, 1)});
    cases.back().cam.follower.rollerRadius = 8;
    cases.push_back({"offset roller", make(FollowerKind::Roller, 40, 1)});
    cases.back().cam.follower.rollerRadius = 8;
    cases.back().cam.follower.offset = 6;
    cases.push_back({"flat face", make(FollowerKind::Flat, 45, 1)});
    cases.push_back({"swinging arm", make(FollowerKind::SwingRoller, 40, 1)});
    cases.back().cam.follower.rollerRadius = 8;
    cases.back().cam.follower.armLength = 80;
    cases.back().cam.follower.pivotDistance = 95;
    return cases;
}

Point Minus(Point a, Point b) { return {a.x - b.x, a.y - b.y}; }
double Norm(Point a) { return std::hypot(a.x, a.y); }

// Angles away from the rows (farther than the differences reach) and off the grid.
const double Angles[] = {0.5, 23.456, 66.6, 99.999, 155.55, 201.003, 300.3, 359.5};

TEST(ExactCam, TangentAndCurvatureAreTheContactPointsOwn) {
    for (const Case& c : Cases()) {
        const ExactCam cam(c.cam);
        for (const double deg : Angles) {
            const ExactPoint p = cam.At(deg);
            // Round the turn: 360 is 0.
            auto contact = [&](double a) { return cam.At(std::fmod(a + 360, 360)).contact; };
            const double h = 1e-4;
            const Point before = contact(deg - h), after = contact(deg + h);
            const Point chord = Minus(after, before);
            EXPECT_NEAR(p.tangent.x, chord.x / Norm(chord), 1e-7) << c.name << " " << deg;
            EXPECT_NEAR(p.tangent.y, chord.y / Norm(chord), 1e-7) << c.name << " " << deg;
            // The normal is the tangent turned a quarter counter-clockwise: out of a curve that
            // runs clockwise.
            EXPECT_NEAR(p.normal.x, -p.tangent.y, 1e-15) << c.name;
            EXPECT_NEAR(p.normal.y, p.tangent.x, 1e-15) << c.name;
            // The circle through three neighbouring contact points.
            const double H = 0.02;
            const Point a = contact(deg - H), b = p.contact, d = contact(deg + H);
            const double ab = Norm(Minus(a, b)), bd = Norm(Minus(b, d)), ad = Norm(Minus(a, d));
            const double cross = Minus(b, a).x * Minus(d, a).y - Minus(b, a).y * Minus(d, a).x;
            const double circle = ab * bd * ad / (2 * cross);  // clockwise curve: convex > 0
            ASSERT_TRUE(p.contourRadius) << c.name;
            EXPECT_NEAR(-circle, *p.contourRadius, 2e-4 * std::max(1.0, std::fabs(*p.contourRadius)))
                << c.name << " " << deg;
            if (c.cam.follower.kind != FollowerKind::Flat) {
                EXPECT_NEAR(Norm(Minus(p.pitch, p.contact)), c.cam.follower.rollerRadius, 1e-12) << c.name;
            }
        }
        // The samples of the engine are the same points.
        const std::vector<Sample> samples = ComputeSamples(c.cam);
        for (std::size_t i = 0; i < samples.size(); i += 37) {
            const ExactPoint p = cam.At(samples[i].angleDeg);
            EXPECT_NEAR(p.contact.x, samples[i].contact.x, 1e-11) << c.name;
            EXPECT_NEAR(p.contact.y, samples[i].contact.y, 1e-11) << c.name;
        }
        // A row's two sides meet: the contour has no gap.
        const Point later = cam.At(141).contact, earlier = cam.At(141, true).contact;
        EXPECT_NEAR(Norm(Minus(later, earlier)), 0, 1e-12) << c.name;
    }
}

TEST(ExactCam, GrinderTableTouchesTheContourFromOutside) {
    const std::vector<double> angles = {0, 12.5, 50, 77.7, 141, 222.2, 333.3, 359.5};
    for (const Case& c : Cases()) {
        const ExactCam cam(c.cam);
        for (const double tool : {4.0, 8.0, 15.0}) {
            const std::vector<double> d = ToolCentreDistances(cam, tool, angles);
            ASSERT_EQ(d.size(), angles.size());
            for (std::size_t i = 0; i < angles.size(); ++i) {
                const double C = angles[i] * Pi / 180;
                const Point centre{d[i] * std::sin(C), d[i] * std::cos(C)};
                // The nearest point of the contour, by a dense search and then a fine one.
                double nearest = 1e300, at = 0;
                for (int k = 0; k < 36000; ++k) {
                    const double phi = k * 0.01;
                    const double r = Norm(Minus(cam.At(phi).contact, centre));
                    if (r < nearest) nearest = r, at = phi;
                }
                for (int k = -1000; k <= 1000; ++k) {
                    const double phi = std::fmod(at + k * 1e-5 + 360, 360);
                    nearest = std::min(nearest, Norm(Minus(cam.At(phi).contact, centre)));
                }
                EXPECT_NEAR(nearest, tool, 1e-7) << c.name << " tool " << tool << " at " << angles[i];
            }
            // An in-line roller's own radius: the table is its pitch radius, Rb + Rr + s.
            if (c.cam.follower.kind == FollowerKind::Roller && c.cam.follower.offset == 0 &&
                tool == c.cam.follower.rollerRadius) {
                for (std::size_t i = 0; i < angles.size(); ++i) {
                    const double s = c.cam.motion.At(angles[i]).s;
                    EXPECT_NEAR(d[i], c.cam.baseRadius + tool + s, 1e-10) << angles[i];
                }
            }
        }
    }
}

TEST(ExactCam, SmallestConcaveRadiusLiesBetweenTheGridPoints) {
    int concave = 0;
    for (const Case& c : Cases()) {
        const GridChecks grid = CheckOnGrid(c.cam);
        const ExactCam cam(c.cam);
        const std::optional<GridExtreme> refined = SmallestConcaveRadius(cam, grid.concaveContourRadius);
        EXPECT_EQ(refined.has_value(), grid.concaveContourRadius.found) << c.name;
        if (!refined) continue;
        ++concave;
        EXPECT_LE(refined->value, grid.concaveContourRadius.value) << c.name;
        // No point of a fine scan round it is smaller.
        double scan = 1e300;
        for (int k = -2000; k <= 2000; ++k) {
            const ExactPoint p = cam.At(grid.concaveContourRadius.atDeg + k * 5e-5);
            if (p.pitchRadius && *p.pitchRadius < 0) scan = std::min(scan, -*p.contourRadius);
        }
        EXPECT_LE(refined->value, scan + 1e-9) << c.name;
        EXPECT_NEAR(refined->value, scan, 1e-6 * scan) << c.name;
    }
    EXPECT_GE(concave, 2) << "the cases have concave parts to refine";
}

}  // namespace
}  // namespace platecam::engine
