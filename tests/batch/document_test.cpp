// platecam-batch on design documents: the law and resolution they keep, the options that
// override them, the conversion of a design file, the rules, and the exact cam's outputs.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "files/design_document.h"
#include "files/save_file.h"
#include "base/number_text.h"
#include "tests/batch/batch_run.h"
#include "tests/model/design_fixtures.h"

namespace platecam {
namespace {

using testing::Batch;
using testing::BatchRun;
using testing::ReadCsv;
using testing::SaveDesign;
using testing::TempDir;

constexpr double Pi = 3.141592653589793;

std::string Put(const TempDir& dir, const std::string& name, const std::string& text) {
    std::ofstream(dir.path(name)) << text;
    return dir.path(name);
}

std::string Document(const std::string& cam, const std::string& follower, const std::string& rows) {
    return "format = 2\n[cam]\n" + cam + "\n[follower]\n" + follower + "\n" + rows;
}

std::string Rows(std::initializer_list<std::pair<int, double>> rows, const char* lastLaw = nullptr) {
    std::string text;
    for (auto [angle, lift] : rows) {
        text += "[[motion]]\nangle = " + std::to_string(angle) + "\nlift = " + FormatNumber(lift) + "\n";
    }
    if (lastLaw) text += "law = \"" + std::string(lastLaw) + "\"\n";
    return text;
}

// The start-up design as a design file, with the law and resolution of a document.
std::string StartUpDocument(const char* law, const char* resolution) {
    return Document(std::string("base_radius = 45.0\nresolution = ") + resolution + "\nlaw = \"" + law + "\"",
                    "kind = \"roller\"\nroller_radius = 10.0",
                    Rows({{0, 0}, {30, 0}, {90, 10}, {110, 10}, {170, 20}, {180, 20}, {260, 0}, {360, 0}}));
}

TEST(BatchDocument, KeepsItsLawAndResolutionAndTheOptionsSayWhatTheyOverride) {
    TempDir dir;
    const std::string design = SaveDesign(dir, "cam1.dat", *testing::DefaultDesign());
    const std::string doc = Put(dir, "ms.toml", StartUpDocument("modified-sine", "0.2"));
    // The document's law and resolution draw what the design file draws with the options.
    ASSERT_EQ(Batch({doc, "--dxf", dir.path("doc.dxf")}).status, 0);
    ASSERT_EQ(Batch({design, "--law", "sine", "--resolution", "0.2", "--dxf", dir.path("dat.dxf")}).status, 0);
    EXPECT_TRUE(ReadWholeFile(dir.path("doc.dxf"), 1 << 24) == ReadWholeFile(dir.path("dat.dxf"), 1 << 24));

    const BatchRun plain = Batch({doc, "--check"});
    EXPECT_NE(plain.out.find("law: modified-sine, resolution: 0.2° (1800 samples)"), std::string::npos)
        << plain.out;
    EXPECT_EQ(plain.out.find("note:"), std::string::npos);
    const BatchRun overridden = Batch({doc, "--check", "--law", "cycloid", "--resolution", "1"});
    EXPECT_NE(overridden.out.find("note: --law cycloid replaces the document's law modified-sine"),
              std::string::npos)
        << overridden.out;
    EXPECT_NE(overridden.out.find("note: --resolution 1 replaces the document's 0.2"), std::string::npos);
    EXPECT_NE(overridden.out.find("law: cycloid, resolution: 1° (360 samples)"), std::string::npos);
}

TEST(BatchDocument, SaveDesignConvertsADesignFileAndKeepsADocument) {
    TempDir dir;
    const std::string design = SaveDesign(dir, "cam1.dat", *testing::DefaultDesign());
    ASSERT_EQ(Batch({design, "--law", "trapezoid", "--resolution", "0.5", "--rpm", "120",
                     "--save-design", dir.path("cam1.toml"), "--dxf", dir.path("dat.dxf")}).status, 0);
    const DesignDocument converted = ReadDesignDocument(dir.path("cam1.toml"));
    EXPECT_EQ(converted.cam.law, engine::Law::ModifiedTrapezoid);
    EXPECT_EQ(converted.StepsPerDegree(), 2);
    EXPECT_EQ(converted.cam.rpm, 120.0);
    EXPECT_EQ(converted.motion.size(), 8u);
    // The converted document computes the same cam.
    ASSERT_EQ(Batch({dir.path("cam1.toml"), "--dxf", dir.path("doc.dxf")}).status, 0);
    EXPECT_TRUE(ReadWholeFile(dir.path("doc.dxf"), 1 << 24) == ReadWholeFile(dir.path("dat.dxf"), 1 << 24));
    // A document saved again without options is the same bytes.
    ASSERT_EQ(Batch({dir.path("cam1.toml"), "--save-design", dir.path("again.toml")}).status, 0);
    EXPECT_EQ(ReadWholeFile(dir.path("again.toml"), 1 << 20), ReadWholeFile(dir.path("cam1.toml"), 1 << 20));
}

TEST(BatchDocument, ABrokenRuleNamesLineAndKeyAndWritesNothing) {
    TempDir dir;
    const std::string doc = Put(dir, "bad.toml",
                                Document("base_radius = 45.0\nresolution = 1.0\nlaw = \"cycloid\"",
                                         "kind = \"roller\"\nroller_radius = -1.0",
                                         Rows({{0, 0}, {180, 5}, {360, 0}})));
    const BatchRun run = Batch({doc, "--check", "--dxf", dir.path("x.dxf"), "--csv", dir.path("x.csv")});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find(doc + ":8: follower.roller_radius: "), std::string::npos) << run.err;
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"bad.toml"});
}

// The window's construction that stops leaves no drawing: the window refuses it too.
TEST(BatchDocument, NoDrawingOfAContourThatDidNotComplete) {
    TempDir dir;
    auto steep = testing::MakeDesign({{0, 0}, {90, 0}, {100, 30}, {180, 30}, {270, 0}, {360, 0}}, 20, 25);
    const std::string design = SaveDesign(dir, "steep.dat", *steep);
    for (const bool check : {false, true}) {
        std::vector<std::string> arguments{design, "--dxf", dir.path("x.dxf"), "--csv", dir.path("x.csv")};
        if (check) arguments.push_back("--check");
        const BatchRun run = Batch(arguments);
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find("the cam contour is not complete (the window construction stops at "),
                  std::string::npos)
            << run.err;
        EXPECT_EQ(dir.entries(), std::vector<std::string>{"steep.dat"});
    }
}

// An offset roller: the drawing holds the exact contour, its dwells arcs of the radius the
// geometry gives in closed form: the roller centre at (e, sqrt(Rp^2 - e^2) + lift).
TEST(BatchDocument, OffsetRollerDrawsTheExactContour) {
    TempDir dir;
    const double Rb = 40, Rr = 8, e = 6.35;
    const std::string doc =
        Put(dir, "offset.toml",
            Document("base_radius = 40.0\nresolution = 0.5\nlaw = \"3-4-5\"",
                     "kind = \"roller\"\nroller_radius = 8.0\noffset = 6.35",
                     Rows({{0, 0}, {60, 0}, {180, 12}, {220, 12}, {330, 0}, {360, 0}})));
    const BatchRun run = Batch({doc, "--dxf", dir.path("o.dxf"), "--csv", dir.path("o.csv"), "--check"});
    ASSERT_EQ(run.status, 0) << run.err << run.out;
    EXPECT_EQ(run.out.find("window"), std::string::npos) << "the window cannot show it";

    const std::string dxf = ReadWholeFile(dir.path("o.dxf"), 1 << 24);
    std::vector<double> radii;
    for (std::size_t at = dxf.find("  0\r\nARC\r\n"); at != std::string::npos; at = dxf.find("  0\r\nARC\r\n", at + 1)) {
        const std::size_t r = dxf.find(" 40\r\n", at);
        radii.push_back(std::stod(dxf.substr(r + 5)));
    }
    const double rise0 = std::sqrt((Rb + Rr) * (Rb + Rr) - e * e);
    auto radius = [&](double lift) { return std::hypot(e, rise0 + lift) - Rr; };
    ASSERT_EQ(radii.size(), 3u);
    EXPECT_NEAR(radii[0], radius(0), 1e-9);
    EXPECT_NEAR(radii[1], radius(12), 1e-9);
    EXPECT_NEAR(radii[2], radius(0), 1e-9);
    // One line per sample of the rise (120 degrees) and the fall (110 degrees).
    std::size_t lines = 0;
    const std::string entity = "  0\r\nLINE\r\n";
    for (std::size_t at = dxf.find(entity); at != std::string::npos; at = dxf.find(entity, at + 1)) ++lines;
    EXPECT_EQ(lines, (120u + 110u) * 2);

    const auto rows = ReadCsv(dir.path("o.csv"));
    ASSERT_EQ(rows.size(), 720u);
    for (const auto& row : rows) {
        ASSERT_EQ(row.size(), 11u);
        // The roller centre lies on the line of motion x = e after the cam's turn back.
        const double turn = row[0] * Pi / 180;
        EXPECT_NEAR(row[6] * std::cos(turn) - row[7] * std::sin(turn), e, 1e-9) << row[0];
        EXPECT_NEAR(std::hypot(row[6] - row[8], row[7] - row[9]), Rr, 1e-9) << row[0];
    }
}

// A simple harmonic rise into a dwell jumps in acceleration: the check warns with the jump
// of the closed form h pi^2 / (2 beta^2), and the JSON lists it.
TEST(BatchDocument, JoinsWithAJumpAreListed) {
    TempDir dir;
    const std::string doc =
        Put(dir, "sh.toml",
            Document("base_radius = 50.0\nresolution = 1.0\nlaw = \"cycloid\"",
                     "kind = \"roller\"\nroller_radius = 10.0",
                     Rows({{0, 0}, {90, 10}}, "simple-harmonic") + Rows({{180, 10}, {270, 0}, {360, 0}})));
    const BatchRun run = Batch({doc, "--check", "--json", dir.path("sh.json")});
    ASSERT_EQ(run.status, 0) << run.err << run.out;
    const auto json = nlohmann::json::parse(ReadWholeFile(dir.path("sh.json"), 1 << 20));
    const auto& joins = json["checks"]["joins"];
    const double beta = Pi / 2;
    const double expected = 10 * Pi * Pi / (2 * beta * beta);
    ASSERT_EQ(joins.size(), 2u) << joins.dump();
    EXPECT_EQ(joins[0]["at_deg"], 0.0);
    EXPECT_NEAR(joins[0]["acceleration_jump_mm_per_rad2"].get<double>(), expected, 1e-9);
    EXPECT_EQ(joins[1]["at_deg"], 90.0);
    EXPECT_NEAR(joins[1]["acceleration_jump_mm_per_rad2"].get<double>(), expected, 1e-9);
    EXPECT_EQ(joins[1]["velocity_jump_mm_per_rad"], 0.0);
    EXPECT_NE(run.out.find("join at 90°: acceleration jumps by 20 mm/rad²"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("warning: a jump in acceleration"), std::string::npos);
    EXPECT_EQ(json["inputs"]["segments"][0]["law"], "simple-harmonic");
    EXPECT_EQ(json["inputs"]["segments"][2]["kind"], "fall");
    EXPECT_EQ(json["inputs"]["segments"][2]["lift"], -10.0);
}

// The flat face and the swinging arm through every output: the published flat-face
// anchor sizes to 48.08 mm at every resolution, the arm's columns are angles.
TEST(BatchDocument, FlatFaceAndSwingingArm) {
    TempDir dir;
    const std::string rows = Rows({{0, 0}, {90, 0}, {180, 25.4}, {270, 25.4}, {360, 0}});
    for (const char* resolution : {"1.0", "0.5", "0.2"}) {
        const std::string flat = Put(dir, "flat.toml",
                                     Document(std::string("base_radius = 60.0\nresolution = ") + resolution +
                                                  "\nlaw = \"cycloid\"\nmin_radius_of_curvature = 6.35",
                                              "kind = \"flat\"\nface_width = 60.0", rows));
        const BatchRun run = Batch({flat, "--check", "--size-base", "--dxf", dir.path("f.dxf")});
        EXPECT_EQ(run.status, 1) << "the face is narrower than the contact span";
        EXPECT_NE(run.out.find("pressure angle: 0° by construction (flat face)  information"), std::string::npos);
        EXPECT_NE(run.out.find("face width: 64.6806 mm needed"), std::string::npos) << run.out;
        EXPECT_NE(run.out.find("FAIL: the face is 4.68057 mm too narrow"), std::string::npos) << run.out;
        EXPECT_NE(run.out.find("sizing: smallest base radius for the radius of curvature: 48.08 mm"), std::string::npos) << run.out;
    }
    const std::string swing = Put(dir, "swing.toml",
                                  Document("base_radius = 40.0\nresolution = 1.0\nlaw = \"3-4-5\"\nrpm = 60",
                                           "kind = \"swing-roller\"\nroller_radius = 10.0\n"
                                           "arm_length = 80.0\npivot_distance = 100.0",
                                           Rows({{0, 0}, {120, 12}, {200, 12}, {320, 0}, {360, 0}})));
    const BatchRun run = Batch({swing, "--check", "--csv", dir.path("s.csv"), "--dxf", dir.path("s.dxf")});
    EXPECT_EQ(run.status, 0) << run.err << run.out;
    std::ifstream csv(dir.path("s.csv"));
    std::string header;
    std::getline(csv, header);
    EXPECT_EQ(header.substr(0, 87),
              "cam_angle_deg,lift_deg,velocity_rad_per_rad,acceleration_rad_per_rad2,jerk_rad_per_rad3");
    EXPECT_NE(header.find(",velocity_rad_s,acceleration_rad_s2,jerk_rad_s3"), std::string::npos);
    EXPECT_NE(run.out.find("kinematics at 60 rpm: peak velocity"), std::string::npos);
    EXPECT_NE(run.out.find(" rad/s, acceleration "), std::string::npos) << run.out;
}

// The loads at speed of the published example: the follower leaves the cam at 1000 rpm
// (exit 1), the JSON and the CSV carry the figures, a swinging arm given a mass is refused.
TEST(BatchDocument, LoadsAtSpeed) {
    TempDir dir;
    const std::string rows = Rows({{0, 0}, {120, 10}, {180, 10}, {300, 0}, {360, 0}});
    const std::string loads =
        "[dynamics]\nmass = 1.8\nspring_rate = 15.0\npreload = 37.5\n"
        "[contact]\nwidth = 10.0\nelastic_modulus = 206000.0\npoisson_ratio = 0.3\n";
    const std::string doc = Put(dir, "dyn.toml",
                                Document("base_radius = 40.0\nresolution = 1.0\nlaw = \"cycloid\"\nrpm = 1000",
                                         "kind = \"roller\"\nroller_radius = 10.0", rows + loads));
    const BatchRun run = Batch({doc, "--check", "--json", dir.path("d.json"), "--csv", dir.path("d.csv")});
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.out.find("contact force: smallest -109.972 N at 88.25°, limit > 0 N  FAIL"), std::string::npos)
        << run.out;
    const auto json = nlohmann::json::parse(ReadWholeFile(dir.path("d.json"), 1 << 20))["dynamics"];
    EXPECT_EQ(json["jump"], true);
    EXPECT_NEAR(json["jump_free_rpm"].get<double>(), 780, 0.5);
    EXPECT_TRUE(json.contains("max_contact_stress_MPa"));
    const auto csv = ReadCsv(dir.path("d.csv"));
    ASSERT_EQ(csv[100].size(), 18u);
    EXPECT_NEAR(csv[100][14], -61.7, 0.05);   // contact force at 100 degrees
    EXPECT_NEAR(csv[100][16], -0.147, 5e-4);  // camshaft torque

    const std::string swing = Put(dir, "swing.toml",
                                  Document("base_radius = 40.0\nresolution = 1.0\nlaw = \"cycloid\"\nrpm = 1000",
                                           "kind = \"swing-roller\"\nroller_radius = 10.0\n"
                                           "arm_length = 80.0\npivot_distance = 100.0",
                                           rows + loads));
    const BatchRun refused = Batch({swing, "--check"});
    EXPECT_EQ(refused.status, 2);
    // An arm has its own keys: the reader refuses a translating follower's, naming the
    // file, the line and the key.
    EXPECT_NE(refused.err.find("swing.toml:"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find(": dynamics.mass: not allowed for follower kind swing-roller"), std::string::npos)
        << refused.err;
}

}  // namespace
}  // namespace platecam
