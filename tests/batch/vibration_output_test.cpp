// platecam-batch on a follower that is not rigid: the vibration in the JSON document and
// the samples, the sweep of speeds, the compensated contour under the checks, the refusal
// of an arm.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "base/language.h"
#include "base/number_text.h"
#include "tests/batch/batch_run.h"
#if PLATECAM_REPORT_MODULE
#include <dlfcn.h>

#include "batch/report_input.h"
#include "batch/report_module.h"
#include "batch/run.h"
#endif

namespace platecam {
namespace {

using testing::Batch;
using testing::BatchRun;
using testing::ReadCsv;
using testing::TempDir;
using Json = nlohmann::json;

constexpr double Pi = 3.141592653589793;

std::string Put(const TempDir& dir, const std::string& name, const std::string& text) {
    std::ofstream(dir.path(name)) << text;
    return dir.path(name);
}

Json ReadJson(const std::string& path) {
    std::ifstream in(path);
    return Json::parse(in);
}

// The columns of a CSV's header line, by name.
std::vector<std::string> Header(const std::string& path) {
    std::ifstream in(path);
    std::string line, cell;
    std::getline(in, line);
    std::vector<std::string> names;
    std::stringstream cells(line);
    while (std::getline(cells, cell, ',')) names.push_back(cell);
    return names;
}

std::size_t Column(const std::vector<std::string>& header, const std::string& name) {
    const auto at = std::find(header.begin(), header.end(), name);
    EXPECT_NE(at, header.end()) << name;
    return static_cast<std::size_t>(at - header.begin());
}

// A roller lifted `lift` mm by cycloids over `rise` degrees, from 0 and from 180, at `rpm`,
// with the [dynamics] lines given.
std::string Document(int rise, double lift, double rpm, const std::string& dynamics) {
    std::string text = "format = 2\n[cam]\nbase_radius = 45.0\nresolution = 0.5\nlaw = \"cycloid\"\nrpm = " +
                       FormatNumber(rpm) + "\n[follower]\nkind = \"roller\"\nroller_radius = 12.0\n";
    const std::pair<int, double> rows[] = {{0, 0}, {rise, lift}, {180, lift}, {180 + rise, 0}, {360, 0}};
    for (const auto& [angle, value] : rows) {
        text += "[[motion]]\nangle = " + std::to_string(angle) + "\nlift = " + FormatNumber(value) + "\n";
    }
    return text + "[dynamics]\n" + dynamics;
}

// The fast cam of the examples' kind: 20 mm in 120 degrees at 1000 rpm, a damped train.
std::string FastCam(bool compensate) {
    return Document(120, 20, 1000,
                    "mass = 1.2\nspring_rate = 30.0\npreload = 250.0\ntrain_stiffness = 710.0\n"
                    "damping_ratio = 0.03\n" +
                        std::string(compensate ? "compensate = true\n" : ""));
}

// The residual vibration a cycloidal rise leaves without damping, r = rise time / natural
// period: |sin pi r| / (pi r |r^2 - 1|) of the lift.
double CycloidResidual(double r) { return std::fabs(std::sin(Pi * r)) / (Pi * r * std::fabs(r * r - 1)); }

// The natural frequency counts the return spring with the train: wn^2 = (k + k_s) / m. The
// mass between the two springs comes to rest k / (k + k_s) of the cam's lift up (the
// preload's offset is the same before and after), so that is the lift its vibration is a
// fraction of: amplitude = k / (k + k_s) lift |sin pi r| / (pi r |r^2 - 1|). The rise of 83
// degrees at 60 rpm takes 83/360 s; the turn is no whole number of natural periods at any r
// here, so the undamped steady state exists.
TEST(VibrationOutput, CycloidResidualRatioMeetsTheClosedForm) {
    TempDir dir;
    const double mass = 2, riseTime = 83.0 / 360;
    for (const double r : {0.75, 1.5, 2.3, 3.25}) {
        const double wn = 2 * Pi * r / riseTime;
        const double total = mass * wn * wn / 1000;  // N/mm
        const double spring = 0.3 * total, train = total - spring;
        const std::string design =
            Put(dir, "cycloid.toml",
                Document(83, 10, 60,
                         "mass = " + FormatNumber(mass) + "\nspring_rate = " + FormatNumber(spring) +
                             "\npreload = 50.0\ntrain_stiffness = " + FormatNumber(train) + "\n"));
        const BatchRun run = Batch({design, "--json", dir.path("out.json")});
        ASSERT_EQ(run.status, 0) << run.err;
        const Json v = ReadJson(dir.path("out.json"))["dynamics"]["vibration"];
        EXPECT_NEAR(v["natural_frequency_hz"].get<double>(), r / riseTime, 1e-9 * r / riseTime) << r;
        EXPECT_FALSE(v["compensated"].get<bool>());
        ASSERT_EQ(v["residual"].size(), 2u) << r;
        const double spans[][2] = {{0, 83}, {180, 263}};
        for (std::size_t k = 0; k < 2; ++k) {
            const Json& residual = v["residual"][k];
            EXPECT_DOUBLE_EQ(residual["start_deg"].get<double>(), spans[k][0]);
            EXPECT_DOUBLE_EQ(residual["end_deg"].get<double>(), spans[k][1]);
            const double expected = train / total * CycloidResidual(r);
            EXPECT_NEAR(residual["ratio"].get<double>(), expected, 1e-3 * expected + 1e-7) << r;
            EXPECT_NEAR(residual["amplitude"].get<double>(), 10 * expected, 1e-2 * expected + 1e-6) << r;
        }
    }
}

// One row per speed of FROM:TO:STEP, and at a speed the residual a run at that speed alone
// finds; the JSON document holds the same rows.
TEST(VibrationOutput, SweepRowsMatchRunsAtOneSpeed) {
    TempDir dir;
    const std::string design = Put(dir, "fast.toml", FastCam(false));
    const BatchRun sweep = Batch({design, "--rpm-sweep", "400:1000:150", "--sweep-csv", dir.path("sweep.csv"),
                                  "--json", dir.path("sweep.json")});
    ASSERT_EQ(sweep.status, 0) << sweep.err;
    EXPECT_EQ(Header(dir.path("sweep.csv")), (std::vector<std::string>{"rpm", "residual_mm", "min_contact_force_N"}));
    const auto rows = ReadCsv(dir.path("sweep.csv"));
    ASSERT_EQ(rows.size(), 5u);
    const Json points = ReadJson(dir.path("sweep.json"))["dynamics"]["rpm_sweep"];
    ASSERT_EQ(points.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_DOUBLE_EQ(rows[i][0], 400 + 150.0 * static_cast<double>(i));
        EXPECT_DOUBLE_EQ(points[i]["residual_mm"].get<double>(), rows[i][1]);
    }
    for (const std::size_t i : {std::size_t{1}, std::size_t{4}}) {
        const std::string rpm = FormatNumber(rows[i][0]);
        const BatchRun alone = Batch({design, "--rpm", rpm, "--json", dir.path("alone.json")});
        ASSERT_EQ(alone.status, 0) << alone.err;
        const Json v = ReadJson(dir.path("alone.json"))["dynamics"]["vibration"];
        double largest = 0;
        for (const Json& residual : v["residual"]) largest = std::max(largest, residual["amplitude"].get<double>());
        EXPECT_GT(largest, 0.01) << rpm;
        EXPECT_NEAR(rows[i][1], largest, 1e-9 * largest) << rpm;
        EXPECT_NEAR(rows[i][2], v["min_contact_force_N"].get<double>(), 1e-9 * 250) << rpm;
    }
}

// With compensate the contour that is cut carries the correction: its lift is the law's
// plus the correction, the mass follows the law, and the pressure angle checked is the
// corrected contour's (tan = lift' / (base + roller + lift) for a roller in line).
TEST(VibrationOutput, CompensatedContourIsTheOneChecked) {
    TempDir dir;
    struct Outputs {
        Json json;
        std::vector<std::string> header;
        std::vector<std::vector<double>> rows;
    };
    auto run = [&](bool compensate) {
        const std::string design = Put(dir, "fast.toml", FastCam(compensate));
        const BatchRun r = Batch({design, "--json", dir.path("out.json"), "--csv", dir.path("out.csv")});
        EXPECT_EQ(r.status, 0) << r.err;
        return Outputs{ReadJson(dir.path("out.json")), Header(dir.path("out.csv")), ReadCsv(dir.path("out.csv"))};
    };
    const Outputs law = run(false), cut = run(true);
    EXPECT_EQ(std::count(law.header.begin(), law.header.end(), "contour_correction_mm"), 0);
    ASSERT_EQ(law.rows.size(), cut.rows.size());
    const std::size_t lift = Column(cut.header, "lift_mm"), velocity = Column(cut.header, "velocity_mm_per_rad"),
                      deviation = Column(cut.header, "follower_deviation_mm"),
                      correction = Column(cut.header, "contour_correction_mm");
    double largestCorrection = 0, largestDeviation = 0, lawDeviation = 0, pressure = 0;
    for (std::size_t i = 0; i < cut.rows.size(); ++i) {
        const std::vector<double>& c = cut.rows[i];
        EXPECT_NEAR(c[lift], law.rows[i][lift] + c[correction], 1e-9) << i;
        largestCorrection = std::max(largestCorrection, std::fabs(c[correction]));
        largestDeviation = std::max(largestDeviation, std::fabs(c[deviation]));
        lawDeviation = std::max(lawDeviation, std::fabs(law.rows[i][Column(law.header, "follower_deviation_mm")]));
        pressure = std::max(pressure, std::atan(c[velocity] / (45 + 12 + c[lift])) * 180 / Pi);
    }
    EXPECT_GT(largestCorrection, 0.3);
    EXPECT_LT(largestDeviation, 1e-6);
    EXPECT_GT(lawDeviation, 0.3);
    const Json& v = cut.json["dynamics"]["vibration"];
    EXPECT_TRUE(v["compensated"].get<bool>());
    EXPECT_LT(std::fabs(v["max_deviation"].get<double>()), 1e-6);
    EXPECT_DOUBLE_EQ(cut.json["dynamics"]["vibration_uncompensated"]["max_deviation"].get<double>(),
                     law.json["dynamics"]["vibration"]["max_deviation"].get<double>());
    // The samples every half degree against the grid's 0.05: the largest within a few
    // hundredths of a degree, the law's a whole degree away.
    const double checked = cut.json["checks"]["pressure_angle"]["max_deg"].get<double>();
    const double lawChecked = law.json["checks"]["pressure_angle"]["max_deg"].get<double>();
    EXPECT_NEAR(checked, pressure, 0.02);
    EXPECT_GT(std::fabs(lawChecked - checked), 0.2);
}

// An arm's train is refused, naming the key; nothing is written.
TEST(VibrationOutput, SwingArmTrainIsRefused) {
    TempDir dir;
    std::ifstream in(PLATECAM_SOURCE_DIR "/examples/arm-loads.toml");
    std::string text((std::istreambuf_iterator<char>(in)), {});
    const auto at = text.find("[dynamics]\n");
    ASSERT_NE(at, std::string::npos);
    text.insert(at + 11, "train_stiffness = 500.0\n");
    const std::string design = Put(dir, "arm.toml", text);
    const BatchRun run = Batch({design, "--check", "--json", dir.path("out.json")});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("dynamics.train_stiffness"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir.path("out.json")));
}

// A sweep is of the train's vibration: a design whose follower is rigid has none to give,
// and the run stops before anything is written.
TEST(VibrationOutput, SweepNeedsATrain) {
    TempDir dir;
    const BatchRun run = Batch({PLATECAM_SOURCE_DIR "/examples/loads.toml", "--rpm-sweep", "100:300:100",
                                "--sweep-csv", dir.path("sweep.csv")});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("dynamics.train_stiffness"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir.path("sweep.csv")));
}

#if PLATECAM_REPORT_MODULE
ReportInput ReportOf(std::vector<std::string> arguments) {
    arguments.insert(arguments.end(), {"--report", "unused.pdf"});
    const BatchOptions options = ParseBatchOptions(arguments);
    return MakeReportInput(ComputeRun(options));
}

CheckReportLayoutFunction LayoutCheck() {
    std::string error;
    const RenderReportFunction render = LoadReportModule(error);
    Dl_info module{};
    if (!render || ::dladdr(reinterpret_cast<void*>(render), &module) == 0) return nullptr;
    void* handle = ::dlopen(module.dli_fname, RTLD_NOW | RTLD_NOLOAD);
    return handle ? reinterpret_cast<CheckReportLayoutFunction>(::dlsym(handle, CheckReportLayoutSymbol)) : nullptr;
}

// The sweep's page, one more, its two charts a value at every speed; the deviation one more
// chart of the loads; every text in its box in both languages.
TEST(VibrationReport, SweepPageAndDeviationChart) {
    const CheckReportLayoutFunction check = LayoutCheck();
    ASSERT_TRUE(check);
    struct EnglishAfterwards {
        ~EnglishAfterwards() { UseLanguage(Language::English, PLATECAM_TEST_LOCALE_DIR); }
    } englishAfterwards;
    const std::string design = PLATECAM_SOURCE_DIR "/examples/fast-cam.toml";
    for (const Language language : {Language::English, Language::Japanese}) {
        UseLanguage(language, PLATECAM_TEST_LOCALE_DIR);
        const ReportInput plain = ReportOf({design});
        const ReportInput swept = ReportOf({design, "--rpm-sweep", "200:2000:100"});
        EXPECT_FALSE(plain.speeds.has_value());
        ASSERT_TRUE(swept.speeds.has_value());
        ASSERT_EQ(swept.speeds->rpm.size(), 19u);
        EXPECT_DOUBLE_EQ(swept.speeds->rpm.back(), 2000);
        ASSERT_EQ(swept.speeds->charts.size(), 2u);
        for (const ReportChart& chart : swept.speeds->charts) EXPECT_EQ(chart.y.size(), 19u);
        // Contact force and torque, then the deviation (no [contact] here).
        ASSERT_TRUE(plain.dynamics.has_value());
        EXPECT_EQ(plain.dynamics->charts.size(), 3u);
        int pages[2] = {0, 0};
        for (int k = 0; k < 2; ++k) {
            std::vector<ReportOverflow> overflows;
            std::string error;
            ASSERT_TRUE(check(k == 0 ? plain : swept, overflows, pages[k], error)) << error;
            for (const ReportOverflow& o : overflows) {
                ADD_FAILURE() << "page " << o.page << ": \"" << o.text << "\" needs " << o.needWidth << " x "
                              << o.needHeight << " mm in " << o.boxWidth << " x " << o.boxHeight << " mm";
            }
        }
        EXPECT_EQ(pages[1], pages[0] + 1);
    }
}
#endif

}  // namespace
}  // namespace platecam
