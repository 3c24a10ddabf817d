// The swinging arm's room beside its cam against brute-force geometry: the contour as a
// dense polygon of exact points (half a grid step off the check grid), the pivot from the
// law of cosines, the roller's centre turned about it by the lift, both turned into the
// cam's frame at every grid angle, and the arm's distance to every edge of the polygon.

#include "engine/clearance.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "engine/cam.h"
#include "engine/exact.h"

namespace platecam::engine {
namespace {

constexpr double Pi = 3.141592653589793;
constexpr int Steps = 7200;  // the check grid: 0.05 degrees
constexpr double Step = 360.0 / Steps;

struct P2 {
    double x = 0, y = 0;
};
P2 operator-(P2 a, P2 b) { return {a.x - b.x, a.y - b.y}; }
P2 operator+(P2 a, P2 b) { return {a.x + b.x, a.y + b.y}; }
P2 Scaled(P2 a, double k) { return {a.x * k, a.y * k}; }
double Length(P2 a) { return std::hypot(a.x, a.y); }

// Turned clockwise by `deg`: a point of the follower's frame seen on the cam at that cam
// angle, or the arm turned by a positive lift about its pivot.
P2 Clockwise(P2 p, double deg) {
    const double c = std::cos(deg * Pi / 180), s = std::sin(deg * Pi / 180);
    return {p.x * c + p.y * s, p.y * c - p.x * s};
}

double PointToSegment(P2 p, P2 a, P2 b) {
    const P2 ab = b - a;
    const double l2 = ab.x * ab.x + ab.y * ab.y;
    double t = l2 > 0 ? ((p.x - a.x) * ab.x + (p.y - a.y) * ab.y) / l2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return Length(p - (a + Scaled(ab, t)));
}

// Solves a + t (b - a) = c + u (d - c): 0 where both parameters fall in [0, 1], else the
// least of the ends' distances to the other segment.
double SegmentToSegment(P2 a, P2 b, P2 c, P2 d) {
    const P2 r = b - a, s = d - c, q = c - a;
    const double det = r.x * (-s.y) + s.x * r.y;
    if (det != 0) {
        const double t = (q.x * (-s.y) + s.x * q.y) / det;
        const double u = (r.x * q.y - r.y * q.x) / det;
        if (t >= 0 && t <= 1 && u >= 0 && u <= 1) return 0;
    }
    return std::min({PointToSegment(a, c, d), PointToSegment(b, c, d), PointToSegment(c, a, b),
                      PointToSegment(d, a, b)});
}

CamInput Arm(double base, double roller, double arm, double pivot, std::vector<MotionRow> rows) {
    CamInput cam;
    cam.follower.kind = FollowerKind::SwingRoller;
    cam.baseRadius = base;
    cam.follower.rollerRadius = roller;
    cam.follower.armLength = arm;
    cam.follower.pivotDistance = pivot;
    cam.motion = Motion::FromRows(rows);
    return cam;
}

// What the brute force finds for one cam.
struct Found {
    double reach = 0;
    std::vector<P2> contour;      // the polygon, closed by its first point
    std::vector<double> armRoom;  // the arm's distance to the polygon at each grid angle
    P2 pivot;                     // in the follower's frame
    double MinRoom() const { return *std::min_element(armRoom.begin(), armRoom.end()); }
    int FirstWithin(double clearance) const {
        for (int k = 0; k < Steps; ++k) {
            if (armRoom[k] <= clearance) return k;
        }
        return -1;
    }
};

Found BruteForce(const CamInput& cam) {
    const Follower& f = cam.follower;
    Found out;
    // The triangle cam centre, pivot, roller centre at rest (0, Rb + Rr), pivot on the right.
    const double prime = cam.baseRadius + f.rollerRadius, D = f.pivotDistance, L = f.armLength;
    const double bearing = std::acos((D * D + prime * prime - L * L) / (2 * D * prime));
    out.pivot = {D * std::sin(bearing), D * std::cos(bearing)};
    const P2 rest{0, prime};

    const ExactCam exact(cam);
    for (int j = 0; j < Steps; ++j) {
        const Point c = exact.At((j + 0.5) * Step).contact;
        out.contour.push_back({c.x, c.y});
        out.reach = std::max(out.reach, Length(out.contour.back()));
    }
    out.contour.push_back(out.contour.front());
    double longest = 0;
    for (int j = 0; j < Steps; ++j) longest = std::max(longest, Length(out.contour[j + 1] - out.contour[j]));
    int nearest = 0;

    for (int k = 0; k < Steps; ++k) {
        const double theta = k * Step;
        const P2 centre = out.pivot + Clockwise(rest - out.pivot, cam.motion.At(theta).s);
        const P2 rim = centre + Scaled(out.pivot - centre, f.rollerRadius / L);
        // The roller's centre must be where the exact cam has it: the frames agree.
        const P2 onCam = Clockwise(centre, theta);
        const Point pitch = exact.At(theta).pitch;
        EXPECT_NEAR(onCam.x, pitch.x, 1e-9) << theta;
        EXPECT_NEAR(onCam.y, pitch.y, 1e-9) << theta;
        const P2 a = Clockwise(out.pivot, theta), b = Clockwise(rim, theta);
        // Every edge, from the one nearest at the angle before; an edge whose first vertex
        // lies farther than the nearest so far plus the longest edge cannot come nearer.
        double room = std::numeric_limits<double>::infinity();
        const int start = nearest;
        const P2 ab = b - a;
        const double inverse = 1 / (ab.x * ab.x + ab.y * ab.y);
        for (int n = 0; n < Steps; ++n) {
            const int j = (start + n) % Steps;
            const P2 ap = out.contour[j] - a;
            const double t = std::clamp((ap.x * ab.x + ap.y * ab.y) * inverse, 0.0, 1.0);
            const P2 off = ap - Scaled(ab, t);
            const double far = room + longest;
            if (off.x * off.x + off.y * off.y > far * far) continue;
            const double d = SegmentToSegment(a, b, out.contour[j], out.contour[j + 1]);
            if (d < room) room = d, nearest = j;
        }
        out.armRoom.push_back(room);
    }
    return out;
}

const std::vector<MotionRow> SwingArmRows = {{0, 0},
                                             {60, 0},
                                             {150, 15, Law::ModifiedTrapezoid},
                                             {210, 15},
                                             {300, 0, Law::ModifiedTrapezoid},
                                             {360, 0}};

// The example arm's brute force, done once for both tests.
const Found& ExampleArm() {
    static const Found found = BruteForce(Arm(40, 10, 80, 100, SwingArmRows));
    return found;
}

// The polygons (the engine's on the grid, this one half a step off it) lie within the
// chord's sag, (r dtheta)^2 / 8 rho, of the contour: well below 1e-5 mm for these cams.
constexpr double Tolerance = 1e-4;

TEST(ArmClearance, AgreesWithTheBruteForceGeometry) {
    const struct {
        const char* name;
        CamInput cam;
        double clearance;
        bool pivotPass, armPass;
        bool example = false;  // the example arm, whose brute force is shared
    } cases[] = {
        {"the example arm passes", Arm(40, 10, 80, 100, SwingArmRows), 2, true, true, true},
        // The arm leaves the roller upwards, away from the cam: it comes nearest to the
        // contour where it leaves the roller's rim, some 14 mm off; the arm drawn on to the
        // roller's centre would come within Rr = 10 mm.
        {"the arm is nearest at the roller's rim", Arm(40, 10, 60, 100, {{0, 0}, {90, 0}, {180, 10}, {270, 10}, {360, 0}}),
         2, true, true},
        // A small roller on a short arm that swings by 30 degrees: the contour reaches past
        // the pivot, 55 mm out.
        {"pivot inside the reach", Arm(48, 2, 25, 55, {{0, 0}, {90, 0}, {180, 30}, {270, 30}, {360, 0}}), 1,
         false, false},
        // The pivot below and to the right: the straight arm to the top cuts the cam.
        {"the arm crosses the contour", Arm(40, 10, 100, 60, {{0, 0}, {90, 0}, {180, 5}, {270, 5}, {360, 0}}),
         2, true, false},
    };
    for (const auto& c : cases) {
        CamInput cam = c.cam;
        cam.follower.clearance = c.clearance;
        const Found f = c.example ? ExampleArm() : BruteForce(cam);
        const Point pivot = SwingPivot(cam);
        EXPECT_NEAR(pivot.x, f.pivot.x, 1e-9) << c.name;
        EXPECT_NEAR(pivot.y, f.pivot.y, 1e-9) << c.name;

        const ArmClearance got = CheckArmClearance(cam);
        EXPECT_NEAR(got.reach, f.reach, Tolerance) << c.name;
        EXPECT_NEAR(got.pivotRoom, cam.follower.pivotDistance - f.reach, Tolerance) << c.name;
        ASSERT_TRUE(got.armRoom.found) << c.name;
        const double least = f.MinRoom();
        EXPECT_NEAR(got.armRoom.value, least, Tolerance) << c.name;
        // The angle reported is one where the arm comes that near (on a dwell many are).
        const long at = std::lround(got.armRoom.atDeg / Step);
        ASSERT_TRUE(at >= 0 && at < Steps) << c.name << " " << got.armRoom.atDeg;
        EXPECT_NEAR(f.armRoom[at], least, Tolerance) << c.name << " at " << got.armRoom.atDeg;

        EXPECT_EQ(got.pivotPass, cam.follower.pivotDistance - f.reach > c.clearance) << c.name;
        EXPECT_EQ(got.armPass, least > c.clearance) << c.name;
        EXPECT_EQ(got.pivotPass, c.pivotPass) << c.name;
        EXPECT_EQ(got.armPass, c.armPass) << c.name;
        EXPECT_EQ(got.Passes(), c.pivotPass && c.armPass) << c.name;
        const int first = f.FirstWithin(c.clearance);
        if (first >= 0) {
            ASSERT_TRUE(got.failsAtDeg.has_value()) << c.name;
            EXPECT_NEAR(*got.failsAtDeg, first * Step, Step + 1e-9) << c.name;
        } else {
            EXPECT_EQ(got.failsAtDeg.has_value(), !got.pivotPass) << c.name;
        }
    }
}

TEST(ArmClearance, TheClearanceTurnsAPassIntoAFail) {
    CamInput cam = Arm(40, 10, 80, 100, SwingArmRows);
    const Found& f = ExampleArm();
    const double least = f.MinRoom(), pivotRoom = cam.follower.pivotDistance - f.reach;
    ASSERT_GT(least, 0.02);
    ASSERT_GT(pivotRoom, least);
    const struct {
        double clearance;
        bool pivotPass, armPass;
    } cases[] = {
        {least - 0.01, true, true},
        {least + 0.01, true, false},
        {pivotRoom - 0.01, true, false},
        {pivotRoom + 0.01, false, false},
    };
    for (const auto& c : cases) {
        cam.follower.clearance = c.clearance;
        const ArmClearance got = CheckArmClearance(cam);
        EXPECT_EQ(got.pivotPass, c.pivotPass) << c.clearance;
        EXPECT_EQ(got.armPass, c.armPass) << c.clearance;
        const int first = f.FirstWithin(c.clearance);
        EXPECT_EQ(got.failsAtDeg.has_value(), first >= 0) << c.clearance;
        if (got.failsAtDeg && first >= 0) {
            EXPECT_NEAR(*got.failsAtDeg, first * Step, Step + 1e-9) << c.clearance;
        }
    }
}

}  // namespace
}  // namespace platecam::engine
