// What is cut from a design, measured against the exact cam by routes of the test's own:
// the arcs resampled against the contour point by point, the milling program run on a
// control and its tool held against the contour, the grinder's table against the closed
// form of an in-line roller's pitch radius.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <sstream>

#include "batch/machining.h"
#include "design/result.h"
#include "files/design_document.h"
#include "tests/batch/batch_run.h"
#include "tests/files/gcode_interpreter.h"
#include "tests/files/temp_dir.h"

namespace platecam {
namespace {

using testing::P;
using testing::Batch;
using testing::BatchRun;
using testing::TempDir;
constexpr double Pi = std::numbers::pi;

std::string Examples() { return PLATECAM_SOURCE_DIR "/examples/"; }

engine::CamInput CamOf(const std::string& path) { return CamOfDocument(ReadDesignDocument(path)); }

// The exact contour on a fine table, and the distance from a point to it: the nearest
// table point, then a golden-section search between its neighbours.
struct Contour {
    explicit Contour(const engine::ExactCam& cam, double offset = 0) : cam(cam), offset(offset) {
        for (int k = 0; k <= Count; ++k) table.push_back(At(k * Step));
    }
    // The contour is closed: an angle outside 0..360 is the same turn's.
    P At(double deg) const {
        const engine::ExactPoint p = cam.At(deg - 360 * std::floor(deg / 360));
        return {p.contact.x + offset * p.normal.x, p.contact.y + offset * p.normal.y};
    }
    double Distance(P q) const {
        // Every 50th point of the table first, then the fine table round the nearest, across
        // 360/0 where it lies there.
        int coarse = 0;
        for (int k = 50; k < Count; k += 50) {
            if (std::abs(table[k] - q) < std::abs(table[coarse] - q)) coarse = k;
        }
        const auto point = [&](int k) { return table[(k % Count + Count) % Count]; };
        int best = coarse;
        for (int k = coarse - 150; k <= coarse + 150; ++k) {
            if (std::abs(point(k) - q) < std::abs(point(best) - q)) best = k;
        }
        double a = (best - 1) * Step, b = (best + 1) * Step;
        for (int i = 0; i < 60; ++i) {
            const double m1 = a + (b - a) / 3, m2 = b - (b - a) / 3;
            if (std::abs(At(m1) - q) < std::abs(At(m2) - q)) {
                b = m2;
            } else {
                a = m1;
            }
        }
        return std::min(std::abs(At(0.5 * (a + b)) - q), std::abs(point(best) - q));
    }
    static constexpr int Count = 36000;
    static constexpr double Step = 0.01;
    engine::ExactCam cam;
    double offset;
    std::vector<P> table;
};

// A point along a piece, t in [0, 1].
P Along(const arcs::Piece& piece, double t) {
    if (piece.line) return P{piece.from.x, piece.from.y} + t * P{piece.to.x - piece.from.x, piece.to.y - piece.from.y};
    const P centre{piece.centre.x, piece.centre.y};
    return centre + std::polar(piece.radius, std::arg(P{piece.from.x, piece.from.y} - centre) + t * piece.sweep);
}

// The distance from a point to a piece: to its circle where the point's direction lies
// within the arc, else to the nearer end.
double Distance(const arcs::Piece& piece, P q) {
    const P from{piece.from.x, piece.from.y}, to{piece.to.x, piece.to.y};
    if (piece.line) {
        const P d = to - from;
        const double t = std::clamp(std::real((q - from) * std::conj(d)) / std::norm(d), 0.0, 1.0);
        return std::abs(from + t * d - q);
    }
    const P centre{piece.centre.x, piece.centre.y};
    double turn = std::remainder(std::arg(q - centre) - std::arg(from - centre), 2 * Pi);
    if (piece.sweep > 0 && turn < 0) turn += 2 * Pi;
    if (piece.sweep < 0 && turn > 0) turn -= 2 * Pi;
    if (std::fabs(turn) <= std::fabs(piece.sweep)) return std::fabs(std::abs(q - centre) - piece.radius);
    return std::min(std::abs(q - from), std::abs(q - to));
}

TEST(Machining, ArcsOfEveryExampleLieWithinTheirTolerance) {
    int documents = 0;
    for (const auto& entry : std::filesystem::directory_iterator(Examples())) {
        if (entry.path().extension() != ".toml") continue;
        ++documents;
        const engine::ExactCam cam(CamOf(entry.path()));
        const Contour contour(cam);
        for (const double tolerance : {0.01, 0.001, 0.0001}) {
            const FittedCurve fit = FitCurve(ContourCurve(cam), tolerance);
            const std::string what = entry.path().filename().string() + " at " + std::to_string(tolerance);
            EXPECT_LE(fit.maxDeviation, tolerance) << what;
            // Every piece, ten points and its middle, against the contour.
            double worst = 0;
            for (const arcs::Piece& piece : fit.pieces) {
                for (int k = 0; k <= 10; ++k) worst = std::max(worst, contour.Distance(Along(piece, k / 10.0)));
                worst = std::max(worst, contour.Distance(Along(piece, 0.5)));
            }
            // The contour, ten times as dense as the pieces, against the nearest piece.
            const int samples = 10 * static_cast<int>(fit.pieces.size());
            for (int k = 0; k < samples; ++k) {
                const P q = contour.At(360.0 * k / samples);
                double nearest = 1e300;
                for (const arcs::Piece& piece : fit.pieces) nearest = std::min(nearest, Distance(piece, q));
                worst = std::max(worst, nearest);
            }
            EXPECT_LE(worst, tolerance) << what;
            EXPECT_GT(worst, 0.3 * tolerance) << what << ": the fewest arcs, not a safe many";
            // Neighbours share their ends and their tangents.
            for (std::size_t i = 0; i < fit.pieces.size(); ++i) {
                const arcs::Piece& a = fit.pieces[i];
                const arcs::Piece& b = fit.pieces[(i + 1) % fit.pieces.size()];
                EXPECT_EQ(a.to.x, b.from.x) << what;
                EXPECT_EQ(a.to.y, b.from.y) << what;
                const auto tangent = [](const arcs::Piece& p, bool end) {
                    if (p.line) return P{p.to.x - p.from.x, p.to.y - p.from.y};
                    const P radial = (end ? P{p.to.x, p.to.y} : P{p.from.x, p.from.y}) - P{p.centre.x, p.centre.y};
                    return radial * P{0, p.sweep > 0 ? 1.0 : -1.0};
                };
                EXPECT_LE(std::fabs(std::arg(tangent(b, false) / tangent(a, true))), 1e-9) << what << " piece " << i;
            }
        }
    }
    EXPECT_EQ(documents, 10);
}

// A flat face on a circle turning about a point off its centre rises by simple harmonic
// motion: the cam is the circle, one arc where chords would need 158.
TEST(Machining, AnEccentricCircleIsOneArc) {
    engine::CamInput cam;
    cam.follower.kind = engine::FollowerKind::Flat;
    cam.baseRadius = 40;
    cam.motion = engine::Motion::FromRows({{0, 0}, {180, 20, engine::Law::SimpleHarmonic}, {360, 0, engine::Law::SimpleHarmonic}});
    const FittedCurve fit = FitCurve(ContourCurve(engine::ExactCam(cam)), 0.01);
    ASSERT_EQ(fit.pieces.size(), 1u);
    EXPECT_NEAR(fit.pieces[0].radius, 50, 1e-9);
    EXPECT_NEAR(std::hypot(fit.pieces[0].centre.x, fit.pieces[0].centre.y), 10, 1e-9);
    EXPECT_EQ(static_cast<int>(std::ceil(Pi / std::acos(1 - 0.01 / 50))), 158);
}

// cam1.toml with a tool and the program's settings.
std::string Milled(const TempDir& dir, double toolRadius, const char* direction) {
    std::ifstream in(Examples() + "cam1.toml");
    std::stringstream text;
    text << in.rdbuf() << "\n[machining]\ntool_radius = " << toolRadius << "\ndirection = \"" << direction
         << "\"\nfeed = 300\nplunge_feed = 60\nspindle = 3000\ndepth = 12\nsafe_z = 5\nlead_in = 8\n";
    const std::string path = dir.path(std::string("milled-") + direction + ".toml");
    std::ofstream(path) << text.str();
    return path;
}

TEST(Machining, TheProgramCutsTheToolPathAndNeverIntoTheCam) {
    TempDir dir;
    for (const char* direction : {"climb", "conventional"}) {
        const std::string design = Milled(dir, 6, direction);
        const BatchRun run = Batch({design, "--gcode", dir.path("cam.nc"), "--json", dir.path("cam.json"),
                                    "--tolerance", "0.001"});
        ASSERT_EQ(run.status, 0) << run.err;
        const testing::Outcome program = testing::Interpret(ReadWholeFile(dir.path("cam.nc"), 1 << 24));
        EXPECT_TRUE(program.faults.empty()) << program.faults.front();
        EXPECT_TRUE(program.ended && !program.spindle) << "M30 with the spindle off";
        const Contour contour(engine::ExactCam(CamOf(design)));
        const Contour path(engine::ExactCam(CamOf(design)), 6);
        // The moves at the depth in the plane: the lead-in, the cut, the lead-out.
        std::vector<const testing::Move*> cuts;
        for (const testing::Move& m : program.moves) {
            if (m.from && m.g >= 1 && m.zFrom < 0 && m.zTo == m.zFrom) cuts.push_back(&m);
        }
        ASSERT_GT(cuts.size(), 3u);
        double nearest = 1e300, offPath = 0, area = 0;
        for (std::size_t i = 0; i < cuts.size(); ++i) {
            const std::vector<P> points = testing::Samples(*cuts[i]);
            for (const P& q : points) nearest = std::min(nearest, contour.Distance(q));
            // The lead arcs lie off the path by design; the cut itself lies on it.
            if (i == 0 || i + 1 == cuts.size()) continue;
            for (const P& q : points) offPath = std::max(offPath, path.Distance(q));
            for (std::size_t k = 1; k < points.size(); ++k) area += std::imag(std::conj(points[k - 1]) * points[k]) / 2;
        }
        EXPECT_GE(nearest, 6 - 0.001 - testing::Rounding) << direction << ": the tool cuts into the cam";
        EXPECT_LE(offPath, 0.001 + testing::Rounding) << direction;
        // Climb milling goes clockwise round the outside, conventional milling against it.
        EXPECT_EQ(area < 0, std::string(direction) == "climb") << direction << " area " << area;
    }
}

TEST(Machining, ATooLargeToolIsRefusedWithTheAngle) {
    TempDir dir;
    std::ofstream(dir.path("steep.toml")) << "format = 2\n[cam]\nbase_radius = 25\nresolution = 1\nlaw = \"cycloid\"\n"
                                             "[follower]\nkind = \"roller\"\nroller_radius = 5\n"
                                             "[[motion]]\nangle = 0\nlift = 0\n[[motion]]\nangle = 60\nlift = 15\n"
                                             "[[motion]]\nangle = 120\nlift = 15\n[[motion]]\nangle = 180\nlift = 0\n"
                                             "[[motion]]\nangle = 360\nlift = 0\n[machining]\ntool_radius = 30\n";
    const BatchRun run = Batch({dir.path("steep.toml"), "--toolpath", dir.path("path.dxf"), "--lang", "en"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("the tool is too large: its radius 30 mm is not smaller than the contour's concave radius 29.17"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("mm at 1"), std::string::npos) << run.err;  // 11.1° or 168.9°
    EXPECT_FALSE(std::filesystem::exists(dir.path("path.dxf")));
}

// With the roller's own radius, an in-line roller's table is its pitch radius: Rb + Rr + s,
// s the cycloid's closed form.
TEST(Machining, TheGrinderTableOfTheRollersOwnRadiusIsThePitchRadius) {
    TempDir dir;
    const std::string design = Milled(dir, 10, "climb");
    const BatchRun run = Batch({design, "--lift-table", dir.path("lift.csv"), "--lift-step", "0.25"});
    ASSERT_EQ(run.status, 0) << run.err;
    std::istringstream csv(ReadWholeFile(dir.path("lift.csv"), 1 << 24));
    std::string line;
    std::getline(csv, line);
    EXPECT_EQ(line, "cam_angle_deg,tool_centre_mm");
    const auto cycloid = [](double x) { return x - std::sin(2 * Pi * x) / (2 * Pi); };
    // cam1: 0-30 dwell 0, 30-90 rise to 10, 90-110 dwell, 110-170 rise to 20, 170-180
    // dwell, 180-260 fall to 0, 260-360 dwell.
    const auto lift = [&](double a) {
        if (a < 30) return 0.0;
        if (a < 90) return 10 * cycloid((a - 30) / 60);
        if (a < 110) return 10.0;
        if (a < 170) return 10 + 10 * cycloid((a - 110) / 60);
        if (a < 180) return 20.0;
        if (a < 260) return 20 - 20 * cycloid((a - 180) / 80);
        return 0.0;
    };
    int rows = 0;
    while (std::getline(csv, line)) {
        const double angle = std::stod(line.substr(0, line.find(','))), centre = std::stod(line.substr(line.find(',') + 1));
        EXPECT_EQ(angle, rows * 0.25);
        EXPECT_NEAR(centre, 45 + 10 + lift(angle), 1e-9) << angle;
        ++rows;
    }
    EXPECT_EQ(rows, 1440);
}

// The drawing's figures reach the check and the JSON only when a drawing is asked for.
TEST(Machining, ArcCountsAppearWithTheDrawingOnly) {
    TempDir dir;
    const std::string design = Examples() + "cam1.toml";
    const BatchRun plain = Batch({design, "--check", "--json", dir.path("a.json"), "--lang", "en"});
    EXPECT_EQ(plain.out.find("arcs of the drawing"), std::string::npos);
    EXPECT_EQ(ReadWholeFile(dir.path("a.json"), 1 << 20).find("\"drawing\""), std::string::npos);
    const BatchRun drawn = Batch({design, "--check", "--json", dir.path("b.json"), "--drawing", dir.path("b.dxf"),
                                  "--tolerance", "0.01", "--lang", "en"});
    ASSERT_EQ(drawn.status, 0) << drawn.err;
    EXPECT_NE(drawn.out.find("arcs of the drawing: "), std::string::npos) << drawn.out;
    const std::string json = ReadWholeFile(dir.path("b.json"), 1 << 20);
    EXPECT_NE(json.find("\"tolerance_mm\": 0.01"), std::string::npos) << json;
    EXPECT_NE(json.find("\"max_deviation_mm\": 0.00"), std::string::npos) << json;
    // The drawing says the same in its text.
    const std::string dxf = ReadWholeFile(dir.path("b.dxf"), 1 << 24);
    EXPECT_NE(dxf.find("arcs and lines within 0.01 mm of the exact contour"), std::string::npos);
    EXPECT_NE(dxf.find("\r\nARC\r\n"), std::string::npos);
    EXPECT_EQ(dxf.find("POLYLINE"), std::string::npos);
}

}  // namespace
}  // namespace platecam
