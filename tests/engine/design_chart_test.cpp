// The offset chosen with the base radius against a brute-force search of the plane with
// the engine's own checks; the design chart's region and lines against the checks of the
// designs they pass through.

#include <gtest/gtest.h>

#include <cmath>

#include "engine/cam.h"
#include "engine/design_chart.h"

namespace platecam::engine {
namespace {

CamInput Roller(std::vector<MotionRow> rows, double roller, double hub = 0) {
    CamInput cam;
    cam.baseRadius = 40;
    cam.follower.rollerRadius = roller;
    cam.minBaseRadius = hub;
    cam.motion = Motion::FromRows(rows);
    return cam;
}

// A quick rise and a slow return: an offset helps the rise. The published problem (cycloid
// rise and fall of 25.4 mm over 90 degrees each) is its own mirror image.
const std::vector<MotionRow> QuickRise = {{0, 0}, {60, 20}, {120, 20}, {360, 0}};
const std::vector<MotionRow> Mirrored = {{0, 0}, {90, 0}, {180, 25.4}, {270, 25.4}, {360, 0}};

// What sizing sizes for, at one design; a follower that cannot exist there fails.
bool Passes(CamInput cam, double offset, double radius) {
    cam.follower.offset = offset;
    cam.baseRadius = radius;
    try {
        const GridChecks c = CheckOnGrid(cam);
        return c.pressurePass && c.undercutPass;
    } catch (const GeometryError&) {
        return false;
    }
}

TEST(OffsetSizing, NoDesignOfTheGridPassesBelowTheChosenOne) {
    const struct {
        const char* name;
        CamInput cam;
        bool mirrored;  // then the offset is 0 by symmetry
    } cases[] = {
        {"quick rise", Roller(QuickRise, 10), false},
        {"pressure angle", Roller(Mirrored, 12.7), true},
        {"undercut", Roller(Mirrored, 40), true},
        {"hub", Roller(Mirrored, 12.7, 40), true},
    };
    for (const auto& c : cases) {
        const OffsetSizing o = SizeBaseRadiusAndOffset(c.cam);
        ASSERT_TRUE(o.sizing.found) << c.name;
        const double rb = o.sizing.baseRadius, rr = c.cam.follower.rollerRadius;
        EXPECT_TRUE(Passes(c.cam, o.offset, rb)) << c.name;
        EXPECT_LT(std::fabs(o.offset), rb + rr) << c.name;
        EXPECT_EQ(std::round(o.offset * 100), o.offset * 100) << c.name;
        EXPECT_TRUE(!c.mirrored || o.offset == 0) << c.name << " " << o.offset;
        EXPECT_TRUE(c.cam.minBaseRadius == 0 || rb == c.cam.minBaseRadius) << c.name << " " << rb;
        // The whole plane at 1 mm, and around the choice at 0.02 mm just below it.
        const double from = std::max(1.0, c.cam.minBaseRadius);
        for (double e = -std::floor(rb + rr); e <= rb + rr; e += 1) {
            for (double r = from; r < rb; r += 1) EXPECT_FALSE(Passes(c.cam, e, r)) << c.name << " " << e << " " << r;
        }
        for (int k = -50; k <= 50; ++k) {
            const double e = std::round(o.offset * 100 + 2 * k) / 100;
            for (double below : {0.01, 0.03, 0.1}) {
                EXPECT_FALSE(rb - below >= from && Passes(c.cam, e, rb - below)) << c.name << " " << e;
            }
        }
    }
    // The quick rise leans its follower towards the rise.
    EXPECT_GT(SizeBaseRadiusAndOffset(Roller(QuickRise, 10)).offset, 1);
}

// The plane of the quick rise with a bore, so that the bore's wall bounds the region too.
struct Plane {
    CamInput cam;
    DesignPlane plane;
};

const Plane& QuickRisePlane() {
    static const Plane p = [] {
        CamInput cam = Roller(QuickRise, 10);
        cam.bore = Bore{50, 3};
        return Plane{cam, ChartDesigns(cam, -30, 30, 15, 80)};
    }();
    return p;
}

// CheckOnGrid at a design of the plane: absent where the follower cannot exist.
std::optional<GridChecks> ChecksAt(CamInput cam, double offset, double radius) {
    cam.follower.offset = offset;
    cam.baseRadius = radius;
    try {
        return CheckOnGrid(cam);
    } catch (const GeometryError&) {
        return std::nullopt;
    }
}

double LargestPressure(const GridChecks& c) { return std::max(c.maxPressure.value, -c.minPressure.value); }

bool InRegion(const std::vector<PlaneLine>& region, Point q) {
    for (const PlaneLine& polygon : region) {
        bool in = false;
        for (std::size_t a = 0, b = polygon.size() - 1; a < polygon.size(); b = a++) {
            const Point p = polygon[a], r = polygon[b];
            if ((p.y > q.y) != (r.y > q.y) && q.x < p.x + (q.y - p.y) * (r.x - p.x) / (r.y - p.y)) in = !in;
        }
        if (in) return true;
    }
    return false;
}

TEST(DesignChart, NodesAndRegionAgreeWithTheChecks) {
    const auto& [cam, plane] = QuickRisePlane();
    ASSERT_EQ(plane.nodes.size(), 100u * 100u);
    int passing = 0, missing = 0;
    for (int j = 0; j < plane.rows; j += 3) {
        for (int i = j % 7; i < plane.columns; i += 7) {
            const DesignPlane::Node& n = plane.At(i, j);
            const auto checks = ChecksAt(cam, plane.Offset(i), plane.Radius(j));
            ASSERT_EQ(n.exists, checks.has_value()) << i << " " << j;
            if (!checks) {
                ++missing;
                continue;
            }
            EXPECT_EQ(n.pass, checks->AllPass()) << i << " " << j;
            EXPECT_DOUBLE_EQ(n.pressureDeg, LargestPressure(*checks));
            passing += n.pass;
        }
    }
    EXPECT_GT(passing, 50);
    EXPECT_GT(missing, 5);
    // Between the nodes: the middle of every cell whose corners agree.
    const std::vector<PlaneLine> region = PassRegion(plane);
    int agreed = 0;
    for (int j = 0; j + 1 < plane.rows; j += 2) {
        for (int i = j % 5; i + 1 < plane.columns; i += 5) {
            const bool corner = plane.At(i, j).pass;
            if (plane.At(i + 1, j).pass != corner || plane.At(i, j + 1).pass != corner ||
                plane.At(i + 1, j + 1).pass != corner)
                continue;
            const Point middle{(plane.Offset(i) + plane.Offset(i + 1)) / 2, (plane.Radius(j) + plane.Radius(j + 1)) / 2};
            const auto checks = ChecksAt(cam, middle.x, middle.y);
            EXPECT_EQ(InRegion(region, middle), checks && checks->AllPass()) << middle.x << " " << middle.y;
            ++agreed;
        }
    }
    EXPECT_GT(agreed, 400);
}

// Linear interpolation between the nodes is close but for a few points where the largest
// angle moves from one segment to another (a kink): nine in ten within 0.01 degrees, all
// within a tenth of the lines' spacing.
TEST(DesignChart, PressureLinesLieWhereTheChecksCrossTheirLevel) {
    const auto& [cam, plane] = QuickRisePlane();
    for (double level : {20.0, 25.0, 30.0, 35.0, 40.0}) {
        int points = 0, close = 0;
        for (const PlaneLine& line : PressureContours(plane, level)) {
            for (std::size_t k = 0; k < line.size(); k += 2) {
                const auto checks = ChecksAt(cam, line[k].x, line[k].y);
                ASSERT_TRUE(checks) << level;
                const double off = std::fabs(LargestPressure(*checks) - level);
                EXPECT_LT(off, 0.5) << level << ": " << line[k].x << " " << line[k].y;
                close += off < 0.01;
                ++points;
            }
        }
        EXPECT_GT(points, 30) << level;
        EXPECT_GE(close, 0.9 * points) << level;
    }
}

}  // namespace
}  // namespace platecam::engine
