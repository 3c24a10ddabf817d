// The limits an engineer sets in a design document, judged by platecam-batch: the
// allowable contact stress against the stresses the CSV lists, the arm's clearance
// against the contour the CSV draws, the arm's loads against virtual work, and the
// offset with the base radius that --size-base --size-offset finds against --check runs
// of designs around it.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "base/number_text.h"
#include "files/save_file.h"
#include "tests/batch/batch_run.h"

namespace platecam {
namespace {

using testing::Batch;
using testing::BatchRun;
using testing::TempDir;
using Json = nlohmann::json;

constexpr double Pi = 3.141592653589793;

std::string Example(const std::string& name) {
    return ReadWholeFile(std::string(PLATECAM_SOURCE_DIR) + "/examples/" + name, 1 << 20);
}

// `text` with its line `from` replaced by `to`; the line must be there.
std::string Edited(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from + "\n");
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

std::string Put(const TempDir& dir, const std::string& name, const std::string& text) {
    std::ofstream(dir.path(name)) << text;
    return dir.path(name);
}

Json ReadJson(const std::string& path) { return Json::parse(ReadWholeFile(path, 1 << 24)); }

// A CSV read by its header's names; an empty cell is NaN.
struct Csv {
    std::vector<std::string> names;
    std::vector<std::vector<double>> rows;
    bool Has(const std::string& name) const { return std::find(names.begin(), names.end(), name) != names.end(); }
    std::vector<double> Column(const std::string& name) const {
        const auto at = std::find(names.begin(), names.end(), name);
        EXPECT_NE(at, names.end()) << name;
        std::vector<double> values;
        if (at == names.end()) return values;
        const std::size_t c = static_cast<std::size_t>(at - names.begin());
        for (const auto& row : rows) values.push_back(c < row.size() ? row[c] : std::nan(""));
        return values;
    }
};

Csv ReadCsv(const std::string& path) {
    std::ifstream in(path);
    std::string line, cell;
    Csv csv;
    std::getline(in, line);
    for (std::stringstream names(line); std::getline(names, cell, ',');) csv.names.push_back(cell);
    while (std::getline(in, line)) {
        std::vector<double> row;
        std::size_t from = 0;
        for (;;) {
            const std::size_t comma = line.find(',', from);
            const std::string text = line.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
            row.push_back(text.empty() ? std::nan("") : std::strtod(text.c_str(), nullptr));
            if (comma == std::string::npos) break;
            from = comma + 1;
        }
        csv.rows.push_back(row);
    }
    return csv;
}

// The line of the --check text that starts with `check`.
std::string CheckLine(const std::string& out, const std::string& check) {
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(check + ":", 0) == 0) return line;
    }
    return "";
}

bool EndsWithOk(const std::string& line) { return line.size() >= 4 && line.substr(line.size() - 4) == "  ok"; }

// The arm of examples/arm-loads.toml, its stresses read from its CSV; an allowable just
// above the largest and one just below it.
TEST(EngineerLimits, TheAllowableContactStressJudgesTheLargestStress) {
    TempDir dir;
    const std::string text = Example("arm-loads.toml");
    const std::string doc = Put(dir, "arm.toml", text);
    const BatchRun first = Batch({doc, "--json", dir.path("arm.json"), "--csv", dir.path("arm.csv")});
    ASSERT_EQ(first.status, 0) << first.err;
    const Json json = ReadJson(dir.path("arm.json"));
    ASSERT_TRUE(json["checks"].contains("contact_stress")) << json["checks"].dump();
    const double largest = json["checks"]["contact_stress"]["max_MPa"].get<double>();
    const double at = json["checks"]["contact_stress"]["at_deg"].get<double>();
    EXPECT_EQ(largest, json["dynamics"]["max_contact_stress_MPa"].get<double>());

    // The samples (every 0.5 degrees) are points of the checks' grid: none lists more than
    // the largest. Near a smooth peak the stress is a parabola, whose top lies less above
    // the greatest row than that row lies above the lower of its neighbours; and within a
    // row of it.
    const Csv csv = ReadCsv(dir.path("arm.csv"));
    const std::vector<double> stress = csv.Column("contact_stress_MPa"), angle = csv.Column("cam_angle_deg");
    ASSERT_EQ(stress.size(), 720u);
    std::size_t top = 0;
    const std::size_t n = stress.size();
    for (std::size_t i = 0; i < n; ++i) {
        ASSERT_FALSE(std::isnan(stress[i])) << angle[i];
        if (stress[i] > stress[top]) top = i;
    }
    const double change = stress[top] - std::min(stress[(top + 1) % n], stress[(top + n - 1) % n]);
    EXPECT_LE(stress[top], largest);
    EXPECT_LE(largest - stress[top], change) << largest << " " << stress[top];
    EXPECT_LE(std::fabs(at - angle[top]), 0.5) << at << " " << angle[top];

    // Without an allowable the stress is for information only.
    const struct {
        double allowable;  // 0: none given
        bool pass;
    } cases[] = {{std::ceil(largest), true}, {std::floor(largest), false}, {0, true}};
    ASSERT_LT(std::floor(largest), largest);
    for (const auto& c : cases) {
        const std::string name = c.allowable == 0 ? "none.toml" : c.pass ? "above.toml" : "below.toml";
        const std::string given = c.allowable == 0 ? "" : "allowable_stress = " + FormatNumber(c.allowable);
        const std::string limited = Put(dir, name, Edited(text, "allowable_stress = 1200", given));
        const BatchRun run = Batch({limited, "--check", "--json", dir.path(name + ".json")});
        EXPECT_EQ(run.status, c.pass ? 0 : 1) << c.allowable << run.err;
        const Json json = ReadJson(dir.path(name + ".json"));
        EXPECT_EQ(json["dynamics"]["max_contact_stress_MPa"].get<double>(), largest) << name;
        const std::string line = CheckLine(run.out, "contact stress");
        if (c.allowable == 0) {
            EXPECT_FALSE(json["checks"].contains("contact_stress")) << json["checks"].dump();
            EXPECT_EQ(line.find("limit"), std::string::npos) << line;
            EXPECT_NE(line.find("  information"), std::string::npos) << line;
            continue;
        }
        const Json& stress = json["checks"]["contact_stress"];
        EXPECT_EQ(stress["max_MPa"].get<double>(), largest);
        EXPECT_EQ(stress["at_deg"].get<double>(), at);
        EXPECT_EQ(stress["limit_MPa"].get<double>(), c.allowable);
        EXPECT_EQ(stress["pass"].get<bool>(), c.pass) << c.allowable;
        EXPECT_NE(line.find("limit ≤ " + FormatNumber(c.allowable) + " MPa"), std::string::npos) << line;
        EXPECT_EQ(EndsWithOk(line), c.pass) << line;
        EXPECT_EQ(line.find("  FAIL: ") != std::string::npos, !c.pass) << line;
    }
}

// A swinging arm at its rest roller radius 50 mm whose 30-degree swing on a 25 mm arm
// carries the contour past its pivot 55 mm out; beside it the example arm, clear.
TEST(EngineerLimits, TheArmsClearanceIsJudgedAgainstTheContourItDraws) {
    TempDir dir;
    const std::string inside =
        "format = 2\n[cam]\nbase_radius = 48.0\nresolution = 0.5\nlaw = \"cycloid\"\nmax_pressure_angle = 40\n"
        "[follower]\nkind = \"swing-roller\"\nroller_radius = 2.0\narm_length = 25.0\npivot_distance = 55.0\n"
        "clearance = 1.0\n"
        "[[motion]]\nangle = 0\nlift = 0.0\n[[motion]]\nangle = 90\nlift = 0.0\n[[motion]]\nangle = 180\n"
        "lift = 30.0\n[[motion]]\nangle = 270\nlift = 30.0\n[[motion]]\nangle = 360\nlift = 0.0\n";
    const struct {
        const char* name;
        std::string text;
        double pivotDistance, clearance;
        bool pass;
    } cases[] = {
        {"example", Example("arm-loads.toml"), 100, 2, true},
        {"pivot inside the reach", inside, 55, 1, false},
    };
    for (const auto& c : cases) {
        const std::string doc = Put(dir, std::string(c.name) + ".toml", c.text);
        const BatchRun run = Batch({doc, "--check", "--json", dir.path("c.json"), "--csv", dir.path("c.csv")});
        EXPECT_EQ(run.status, c.pass ? 0 : 1) << c.name << run.err << run.out;
        const Json clearance = ReadJson(dir.path("c.json"))["checks"]["clearance"];
        ASSERT_TRUE(clearance.is_object()) << c.name;
        EXPECT_EQ(clearance["pass"].get<bool>(), c.pass) << c.name;
        EXPECT_EQ(clearance["limit_mm"].get<double>(), c.clearance) << c.name;
        EXPECT_TRUE(clearance["at_deg"].is_number()) << c.name;

        // The contour's reach from the points the CSV lists (every 0.5 degrees): the grid
        // of the check holds them all, and the farthest is on a dwell, where the contour is
        // an arc about the cam centre.
        const Csv csv = ReadCsv(dir.path("c.csv"));
        const std::vector<double> x = csv.Column("contact_x_mm"), y = csv.Column("contact_y_mm");
        double reach = 0;
        for (std::size_t i = 0; i < x.size(); ++i) reach = std::max(reach, std::hypot(x[i], y[i]));
        EXPECT_NEAR(clearance["contour_reach_mm"].get<double>(), reach, 1e-9) << c.name;
        EXPECT_NEAR(clearance["pivot_room_mm"].get<double>(), c.pivotDistance - reach, 1e-9) << c.name;
        const double room = clearance["room_mm"].get<double>();
        if (c.pass) {
            EXPECT_GT(room, c.clearance) << c.name;
            EXPECT_GT(c.pivotDistance - reach, c.clearance) << c.name;
        } else {
            // The contour sweeps over the pivot: the arm, which starts there, crosses it.
            EXPECT_LT(c.pivotDistance, reach) << c.name;
            EXPECT_EQ(room, 0) << c.name;
        }
        // Every other check passes: the status is the clearance's.
        std::istringstream lines(run.out);
        for (std::string line; std::getline(lines, line);) {
            if (line.find("FAIL") != std::string::npos) {
                EXPECT_EQ(line.rfind("arm clearance:", 0), 0u) << c.name << ": " << line;
            }
        }
    }
}

// The example arm at 300 rpm: the power the camshaft gives is the power the contact gives
// the arm, T omega = M psi-dot, at every row; psi-dot from central differences of the lift.
TEST(EngineerLimits, TheArmsTorquesBalanceByVirtualWork) {
    TempDir dir;
    const std::string doc = Put(dir, "arm.toml", Example("arm-loads.toml"));
    ASSERT_EQ(Batch({doc, "--csv", dir.path("arm.csv")}).status, 0);
    const Csv csv = ReadCsv(dir.path("arm.csv"));
    for (const char* name : {"contact_force_N", "normal_force_N", "camshaft_torque_N_m", "arm_torque_N_m"}) {
        EXPECT_TRUE(csv.Has(name)) << name;
    }
    const std::vector<double> lift = csv.Column("lift_deg"), torque = csv.Column("camshaft_torque_N_m"),
                              arm = csv.Column("arm_torque_N_m"), angle = csv.Column("cam_angle_deg");
    const std::size_t n = lift.size();
    ASSERT_EQ(n, 720u);
    const double h = 0.5 * Pi / 180;          // the rows' step, radians of cam turn
    const double omega = 300 * 2 * Pi / 60;  // the cam's speed, rad/s
    // The cycloids (15 degrees over 90) have |psi'''| <= 15 (pi/180) (2 pi)^2 / (pi/2)^3
    // rad per rad cubed: the central difference is off by at most that times h^2 / 6.
    const double slopeError = 15 * Pi / 180 * 4 * Pi * Pi / std::pow(Pi / 2, 3) * h * h / 6;
    int moving = 0;
    double largest = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double slope = (lift[(i + 1) % n] - lift[(i + n - 1) % n]) / 2 / 0.5;  // deg/deg = rad/rad
        const double armSpeed = slope * omega;
        EXPECT_NEAR(torque[i] * omega, arm[i] * armSpeed, std::fabs(arm[i]) * slopeError * omega + 1e-12)
            << "at " << angle[i];
        if (std::fabs(slope) > 0.01) ++moving;
        largest = std::max(largest, std::fabs(torque[i]));
    }
    // Half the turn rises or falls, and the torques are not nothing.
    EXPECT_GT(moving, 300);
    EXPECT_GT(largest, 0.5);
}

// The offset and base radius --size-base --size-offset finds for examples/offset-roller.toml
// pass --check; 0.05 mm less fails at every offset of a scan across those that fit and at
// the one found.
TEST(EngineerLimits, TheSizedOffsetAndRadiusAreTheSmallestThatPass) {
    TempDir dir;
    const std::string text = Example("offset-roller.toml");
    const std::string doc = Put(dir, "roller.toml", text);
    const BatchRun sized = Batch({doc, "--size-base", "--size-offset", "--json", dir.path("s.json")});
    ASSERT_EQ(sized.status, 0) << sized.err;
    const Json sizing = ReadJson(dir.path("s.json"))["sizing"];
    ASSERT_TRUE(sizing["offset_mm"].is_number() && sizing["base_radius_mm"].is_number()) << sizing.dump();
    const double offset = sizing["offset_mm"].get<double>(), radius = sizing["base_radius_mm"].get<double>();
    const double roller = 8;

    auto check = [&](double base, double e) {
        std::string design = Edited(text, "base_radius = 40.0", "base_radius = " + FormatNumber(base));
        design = Edited(design, "offset = 6.0", "offset = " + FormatNumber(e));
        return Batch({Put(dir, "try.toml", design), "--check"});
    };
    const BatchRun found = check(radius, offset);
    EXPECT_EQ(found.status, 0) << found.out << found.err;
    EXPECT_TRUE(EndsWithOk(CheckLine(found.out, "pressure angle"))) << found.out;
    EXPECT_TRUE(EndsWithOk(CheckLine(found.out, "undercut"))) << found.out;

    const double smaller = radius - 0.05, fits = smaller + roller;
    std::vector<double> offsets{offset};
    for (int i = 0; i <= 40; ++i) offsets.push_back(std::round((i - 20) / 20.5 * fits * 100) / 100);
    for (double e : offsets) {
        const BatchRun run = check(smaller, e);
        EXPECT_EQ(run.status, 1) << "offset " << e << run.err;
        EXPECT_FALSE(EndsWithOk(CheckLine(run.out, "pressure angle")) && EndsWithOk(CheckLine(run.out, "undercut")))
            << "offset " << e << "\n" << run.out;
    }
}

}  // namespace
}  // namespace platecam
