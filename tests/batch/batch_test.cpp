#include "batch/batch.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <algorithm>
#include <nlohmann/json.hpp>

#include "files/save_file.h"
#include "base/number_text.h"
#include "files/design_file.h"
#include "model/displacement.h"
#include "tests/batch/batch_run.h"
#include "tests/files/temp_dir.h"
#include "tests/model/design_fixtures.h"

namespace platecam {
namespace {

using testing::TempDir;
using testing::Batch;
using testing::BatchRun;
using testing::ReadCsv;
using testing::SaveDesign;

TEST(Batch, ExitCodesAndHelp) {
    TempDir dir;
    const std::string design = SaveDesign(dir, "cam1.dat", *testing::DefaultDesign());
    EXPECT_EQ(Batch({"--help"}).status, 0);
    EXPECT_NE(Batch({"--help"}).out.find("Usage: platecam-batch"), std::string::npos);
    EXPECT_EQ(Batch({}).status, 2);
    EXPECT_EQ(Batch({design, "--law", "spline"}).status, 2);
    EXPECT_EQ(Batch({design, "--resolution", "0.3"}).status, 2);
    EXPECT_EQ(Batch({design, "--frobnicate"}).status, 2);
    EXPECT_EQ(Batch({design, "--dxf"}).status, 2);
    EXPECT_EQ(Batch({design, "--points"}).status, 2);
    EXPECT_EQ(Batch({design, "--max-pressure", "abc"}).status, 2);
    EXPECT_EQ(Batch({design}).status, 0);
    EXPECT_EQ(Batch({design, "--check"}).status, 0);
    EXPECT_EQ(Batch({design, "--check", "--max-pressure", "20"}).status, 1);

    // Bytes with a NUL are no document: a design file of the wrong length.
    std::ofstream(dir.path("short.dat")) << std::string("not a design\0", 13);
    const BatchRun refused = Batch({dir.path("short.dat"), "--check"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("file " + dir.path("short.dat") + " is not a cam design file"),
              std::string::npos);
    EXPECT_EQ(Batch({dir.path("missing.dat")}).status, 2);

    // A failing computation is bad input too, with the program's message.
    auto equalAngles = testing::MakeDesign({{0, 0}, {90, 0}, {90, 10}, {360, 10}});
    const BatchRun failed = Batch({SaveDesign(dir, "eq.dat", *equalAngles)});
    EXPECT_EQ(failed.status, 2);
    EXPECT_NE(failed.err.find("invalid floating-point operation"), std::string::npos);
}

// The checks are made on the 0.05-degree grid: the same figures at every resolution; the
// window's own method and construction follow the resolution and are information.
TEST(Batch, CheckReportOfTheDefaultDesign) {
    TempDir dir;
    const std::string design = SaveDesign(dir, "cam1.dat", *testing::DefaultDesign());
    const char* const checked[] = {
        "pressure angle: max 17.7036° at 59°, min -23.9907° at 222.5°, limit ±30°  ok\n",
        "undercut: smallest convex pitch radius 34.1614 mm at 74.65°, limit roller radius 10 mm  ok\n"};
    const char* const window[] = {"max 17.6205° at 58°, min -24.0624° at 222°",
                                  "max 17.913° at 58.5°, min -23.7754° at 222°",
                                  "max 18.0876° at 58.8°, min -23.605° at 222.4°"};
    const char* const resolutions[] = {"1", "0.5", "0.2"};
    for (int r = 0; r < 3; ++r) {
        const BatchRun run = Batch({design, "--check", "--resolution", resolutions[r]});
        EXPECT_EQ(run.status, 0);
        for (const char* line : checked) EXPECT_NE(run.out.find(line), std::string::npos) << run.out;
        EXPECT_NE(run.out.find("pressure angle (window method): " + std::string(window[r]) +
                               "  information"),
                  std::string::npos)
            << run.out;
        EXPECT_NE(run.out.find("contour (window construction): complete  information"),
                  std::string::npos);
    }
}

TEST(Batch, UndercutForASmallBaseCircleWithALargeRoller) {
    TempDir dir;
    auto design = testing::MakeDesign(
        {{0, 0}, {90, 0}, {150, 25}, {210, 25}, {270, 0}, {360, 0}}, 8, 30);
    const BatchRun run = Batch({SaveDesign(dir, "under.dat", *design), "--check"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("undercut: smallest convex pitch radius"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("  FAIL: the roller is larger than the bend of its path"), std::string::npos)
        << run.out;
}

TEST(Batch, CsvSamplesVelocityAndAcceleration) {
    TempDir dir;
    for (int law = 0; law < 3; ++law) {
        const char* names[] = {"cycloid", "trapezoid", "sine"};
        // One rise of 10 mm over 90 degrees.
        auto design = testing::MakeDesign({{0, 0}, {90, 10}, {180, 10}, {270, 0}, {360, 0}});
        const std::string file = SaveDesign(dir, "rise.dat", *design);
        ASSERT_EQ(Batch({file, "--law", names[law], "--resolution", "0.2", "--csv",
                         dir.path("rise.csv")}).status, 0);
        const auto rows = ReadCsv(dir.path("rise.csv"));
        ASSERT_EQ(rows.size(), 1800u);
        design->StepsPerDegree = 5;
        BuildDisplacement(*design, law);
        double peakV = 0, peakA = 0;
        for (int i = 0; i < 1800; ++i) {
            ASSERT_EQ(rows[i].size(), 13u);
            EXPECT_DOUBLE_EQ(rows[i][0], i / 5.0);
            // 15 significant digits of the model's sample.
            ASSERT_NEAR(rows[i][1], design->Displacement[i], 1e-13) << i;
            if (i <= 450) {
                peakV = std::max(peakV, rows[i][2]);
                peakA = std::max(peakA, std::fabs(rows[i][3]));
            }
        }
        const double span = 3.141592653589793 / 2;  // 90 degrees
        const double v[] = {2.0, 2.0, 1.76}, a[] = {2 * 3.141592653589793, 4.888, 5.528};
        EXPECT_NEAR(peakV * span / 10, v[law], 5e-3) << law;
        EXPECT_NEAR(peakA * span * span / 10, a[law], 5e-3) << law;
    }
}

TEST(Batch, RefusesOutputsThatWouldDestroyTheDesignOrGoNowhere) {
    TempDir dir;
    const std::string design = SaveDesign(dir, "cam1.dat", *testing::DefaultDesign());
    const std::string original = ReadWholeFile(design, 1 << 20);
    std::filesystem::create_symlink("cam1.dat", dir.path("alias.dat"));
    const std::vector<std::vector<std::string>> refused = {
        {design, "--dxf", design},
        {design, "--csv", dir.path("alias.dat")},
        {dir.path("alias.dat"), "--dxf", dir.path("./cam1.dat")},
        {design, "--dxf", ""},
        {design, "--csv="},
    };
    for (const auto& arguments : refused) {
        const BatchRun run = Batch(arguments);
        EXPECT_EQ(run.status, 2) << arguments[1] << " " << arguments.back();
        EXPECT_FALSE(run.err.empty());
    }
    EXPECT_EQ(ReadWholeFile(design, 1 << 20), original);

    // An angle that fits the arrays at 1 degree is out of range all the same.
    auto far = testing::MakeDesign({{0, 0}, {400, 10}, {360, 0}});
    const BatchRun run = Batch({SaveDesign(dir, "far.dat", *far), "--dxf", dir.path("far.dxf")});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("angle 400 is out of range"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir.path("far.dxf")));
}

TEST(Batch, CsvKeepsItsFirstNineColumnsAndAppendsTheNewOnes) {
    TempDir dir;
    const std::string design = SaveDesign(dir, "cam1.dat", *testing::DefaultDesign());
    ASSERT_EQ(Batch({design, "--law=trapezoid", "--resolution", "0.5", "--rpm", "120", "--csv",
                     dir.path("cam.csv")}).status, 0);
    // Made by the exporter before the new columns existed.
    std::ifstream golden(std::string(PLATECAM_TEST_DATA) + "/cam_default_trapezoid_half_degree.csv");
    std::ifstream now(dir.path("cam.csv"));
    std::string expected, line;
    int lines = 0;
    while (std::getline(golden, expected) && std::getline(now, line)) {
        std::size_t at = 0;
        for (int comma = 0; comma < 9 && at != std::string::npos; ++comma) at = line.find(',', at + 1);
        ASSERT_EQ(line.substr(0, at), expected) << "line " << lines;
        if (lines++ == 0) {
            EXPECT_EQ(line.substr(at), ",jerk_mm_per_rad3,pitch_radius_of_curvature_mm,"
                                       "contour_radius_of_curvature_mm,pressure_angle_exact_deg,"
                                       "velocity_mm_s,acceleration_m_s2,jerk_m_s3");
        }
    }
    EXPECT_EQ(lines, 721);
}

TEST(Batch, JsonHoldsTheFiguresOfTheCheck) {
    TempDir dir;
    const std::string design = SaveDesign(dir, "cam1.dat", *testing::DefaultDesign());
    const BatchRun run = Batch({design, "--resolution", "0.2", "--rpm", "300", "--size-base",
                                "--check", "--json", dir.path("cam.json")});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto doc = nlohmann::json::parse(ReadWholeFile(dir.path("cam.json"), 1 << 20));
    const auto& pressure = doc["checks"]["pressure_angle"];
    auto figure = [](double v) { return FormatGeneral(v, 6, 15, '.'); };
    EXPECT_NE(run.out.find("pressure angle: max " + figure(pressure["max_deg"]) + "° at " +
                           figure(pressure["max_at_deg"]) + "°, min " + figure(pressure["min_deg"])),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("smallest convex pitch radius " +
                           figure(doc["checks"]["undercut"]["smallest_convex_pitch_radius_mm"])),
              std::string::npos);
    EXPECT_NE(run.out.find("sizing: smallest base radius for the pressure angle and the undercut: " +
                           FormatNumber(doc["sizing"]["base_radius_mm"]) + " mm"),
              std::string::npos);
    EXPECT_EQ(doc["inputs"]["rpm"], 300.0);
    EXPECT_EQ(doc["inputs"]["motion_table"].size(), 8u);
    EXPECT_EQ(doc["inputs"]["segments"].size(), 7u);
    EXPECT_EQ(doc["contour_window_construction"]["complete"], true);
    EXPECT_EQ(doc["result"]["pass"], true);
    // The cycloid's fall of 20 mm over 80 degrees peaks at 2 h / beta per radian, times the
    // cam's 10 pi rad/s at 300 rpm; the grid holds the peak's angle exactly.
    const double pi = 3.141592653589793;
    EXPECT_NEAR(doc["kinematics"]["peak_velocity"].get<double>(), 2 * 20 / (80 * pi / 180) * 10 * pi,
                1e-6);
}

TEST(Batch, SizingIsBracketedByAFailingAndAPassingRadius) {
    TempDir dir;
    const std::string design = SaveDesign(dir, "cam1.dat", *testing::DefaultDesign());
    for (const char* resolution : {"1", "0.2"}) {
        const BatchRun sized = Batch({design, "--resolution", resolution, "--size-base", "--json",
                                      dir.path("size.json")});
        ASSERT_EQ(sized.status, 0);
        const double found =
            nlohmann::json::parse(ReadWholeFile(dir.path("size.json"), 1 << 20))["sizing"]["base_radius_mm"];
        EXPECT_EQ(found, 30.44) << "the grid decides, not the resolution";
        auto status = [&](double base) {
            return Batch({design, "--resolution", resolution, "--check", "--base",
                          FormatNumber(base)}).status;
        };
        EXPECT_EQ(status(found), 0) << found;
        EXPECT_EQ(status(std::round(found * 100 - 1) / 100), 1) << found;
    }
    // A hub larger than the answer: the minimum itself, and said so.
    const BatchRun hub = Batch({design, "--size-base", "--min-base", "35", "--check"});
    EXPECT_NE(hub.out.find("sizing: smallest base radius for the pressure angle and the undercut: 35 mm; "
                           "that is the minimum base radius itself"),
              std::string::npos)
        << hub.out;
    // A lift of 900 m over one degree: no radius a machine can have passes, and the result
    // says so.
    auto huge = testing::MakeDesign({{0, 0}, {1, 9e5}, {180, 9e5}, {360, 0}});
    const BatchRun far = Batch({SaveDesign(dir, "huge.dat", *huge), "--size-base", "--check"});
    EXPECT_EQ(far.status, 1);
    EXPECT_NE(far.out.find("sizing: no base radius passes the pressure angle and the undercut: the "
                           "motion is too steep"),
              std::string::npos)
        << far.out;
    EXPECT_EQ(far.out.find("all checks pass"), std::string::npos);
}

// A check that cannot tell passes nothing: no base circle, no motion, a step at 360
// degrees, a rise too steep to sample at 1 degree.
TEST(Batch, WhatIsNoCamOrTooSteepFailsTheCheck) {
    TempDir dir;
    struct Case {
        std::unique_ptr<CamDesign> design;
        const char* expected;
    };
    Case cases[] = {
        {testing::MakeDesign({}, 0, 0), "the base radius is 0 mm: a cam needs a positive base radius"},
        {testing::MakeDesign({{0, 3}, {360, 3}}), "the motion table has no rise or fall"},
        {testing::MakeDesign({{0, 0}, {1, 20}, {360, 20}}),
         "the lift at 360° (20 mm) differs from the lift at 0° (0 mm)"},
        {testing::MakeDesign({{0, 0}, {90, 5}, {60, 5}, {360, 0}}),
         "row 3 (60°) does not come after row 2 (90°)"},
        {testing::MakeDesign({{0, 0}, {1, 5}, {180, 5}, {360, 0}}), "pressure angle: max 84.2692° at 0.5°"},
    };
    for (Case& c : cases) {
        const std::string file = SaveDesign(dir, "case.dat", *c.design);
        const BatchRun run = testing::BatchProcess(dir, {file, "--check", "--size-base"});
        EXPECT_EQ(run.status, 1) << c.expected;
        EXPECT_NE(run.out.find(c.expected), std::string::npos) << run.out;
        EXPECT_NE(run.out.find("result: a check fails"), std::string::npos) << run.out;
        EXPECT_NE(run.out.find("sizing: "), std::string::npos) << run.out;
    }
}

TEST(Batch, ReportTextCarriesTheCheck) {
#ifndef PLATECAM_REPORT_MODULE
    GTEST_SKIP() << "the report module is built with the window only";
#endif
    TempDir dir;
    const std::string design = SaveDesign(dir, "cam1.dat", *testing::DefaultDesign());
    const BatchRun run = Batch({design, "--resolution", "0.2", "--size-base", "--check",
                                "--report", dir.path("cam.pdf")});
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(std::system(("pdftotext -layout " + dir.path("cam.pdf") + " " +
                           dir.path("cam.txt")).c_str()), 0);
    const std::string text = ReadWholeFile(dir.path("cam.txt"), 1 << 20);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\f'), 3) << "three pages, the last the coordinates";
    // The report rounds as an engineer reads: angles to 0.1 degree, lengths to 0.01 mm.
    for (const char* expected :
         {"cam1.dat", "max 17.7° at 59.0°", "min -24.0° at 222.5°", "34.16 mm at 74.7°",
          "cycloid", "undercut: 30.44 mm", "result: all checks pass",
          "max 18.1° at 58.8°"}) {
        EXPECT_NE(text.find(expected), std::string::npos) << expected;
    }
}

// The whole process, for what only main() does: the standard streams and special files.
TEST(BatchProcess, StandardStreamsAndSpecialFiles) {
    TempDir dir;
    const std::string design = SaveDesign(dir, "cam1.dat", *testing::DefaultDesign());
    const std::string exe = PLATECAM_BATCH_EXE;
    auto shell = [&](const std::string& command) {
        const int status =
            std::system(("cd " + dir.path("") + " && LC_ALL=C " + command).c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(shell(exe + " cam1.dat --check >/dev/full 2>err.txt"), 2);
    EXPECT_EQ(ReadWholeFile(dir.path("err.txt"), 1 << 20),
              "platecam-batch: write error: No space left on device\n");

    // Output onto the terminal or a pipe of the shell goes there, after which the report
    // follows on the same stream.
    EXPECT_EQ(shell(exe + " cam1.dat --csv /dev/stdout --check | cat >out.txt"), 0);
    const std::string out = ReadWholeFile(dir.path("out.txt"), 1 << 20);
    EXPECT_EQ(out.rfind("cam_angle_deg,", 0), 0u);
    EXPECT_NE(out.find("result: all checks pass"), std::string::npos);
    EXPECT_EQ(shell(exe + " cam1.dat --csv /dev/stdout --check >redirected.txt"), 0);
    EXPECT_EQ(ReadWholeFile(dir.path("redirected.txt"), 1 << 20), out);

    // A FIFO as the design is refused at once instead of waiting for a writer.
    ASSERT_EQ(::mkfifo(dir.path("fifo.dat").c_str(), 0600), 0);
    EXPECT_EQ(shell("timeout 10 " + exe + " fifo.dat --check 2>fifo.txt"), 2);
    EXPECT_EQ(ReadWholeFile(dir.path("fifo.txt"), 1 << 20),
              "platecam-batch: cannot open fifo.dat: it is not a regular file (a device, FIFO or socket)\n");
}

}  // namespace
}  // namespace platecam
