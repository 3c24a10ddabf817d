// The range of every number a cam is computed from: one rule per key, the same words from
// a document and from an option, each bound taken at, just inside and just outside; and
// no design at the extremes of every range makes a figure that is not finite.

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <fstream>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>

#include "batch/options.h"
#include "files/design_document.h"
#include "files/save_file.h"
#include "tests/batch/batch_run.h"

namespace platecam {
namespace {

using testing::Batch;
using testing::BatchRun;
using testing::TempDir;

std::string Shortest(double value) {
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    std::string text(buffer, end);
    // TOML wants a digit on both sides of a decimal point and none before an exponent.
    if (text.find_first_of(".e") == std::string::npos && text != "inf" && text != "-inf") text += ".0";
    return text;
}

// A document of one follower kind with every table, one key replaced.
std::string Document(const std::string& kind, const std::map<std::string, std::string>& set) {
    std::map<std::string, std::string> v = {
        {"cam.base_radius", "45.0"},     {"cam.rpm", "300"},
        {"cam.max_pressure_angle", "30"}, {"cam.min_base_radius", "0"},
        {"cam.min_radius_of_curvature", "0"}, {"follower.roller_radius", "10.0"},
        {"follower.offset", "0.0"},       {"follower.face_width", "40.0"},
        {"follower.arm_length", "80.0"},  {"follower.pivot_distance", "100.0"},
        {"lift", kind == "swing-roller" ? "15.0" : "10.0"},
        {"dynamics.mass", "0.8"},         {"dynamics.spring_rate", "12.0"},
        {"dynamics.preload", "40.0"},     {"dynamics.damping", "0.0"},
        {"dynamics.load", "0.0"},         {"contact.width", "10.0"},
        {"contact.elastic_modulus", "206000"}, {"contact.poisson_ratio", "0.3"},
        {"drawing.bore_diameter", "30.0"}, {"drawing.min_wall", "3.0"}};
    for (const auto& [key, value] : set) v[key] = value;
    auto line = [&](const std::string& table, const std::string& key) {
        return key + " = " + v[table + "." + key] + "\n";
    };
    std::string text = "format = 2\n[cam]\nresolution = 1.0\nlaw = \"cycloid\"\n";
    for (const char* key : {"base_radius", "rpm", "max_pressure_angle", "min_base_radius",
                            "min_radius_of_curvature"}) {
        text += line("cam", key);
    }
    text += "[follower]\nkind = \"" + kind + "\"\n";
    if (kind != "flat") text += line("follower", "roller_radius");
    if (kind == "roller") text += line("follower", "offset");
    if (kind == "flat") text += line("follower", "face_width");
    if (kind == "swing-roller") text += line("follower", "arm_length") + line("follower", "pivot_distance");
    const std::pair<int, std::string> rows[] = {{0, "0.0"}, {90, v["lift"]}, {180, v["lift"]}, {270, "0.0"}, {360, "0.0"}};
    for (const auto& [angle, lift] : rows) {
        text += "[[motion]]\nangle = " + std::to_string(angle) + "\nlift = " + lift + "\n";
    }
    if (kind != "swing-roller") {
        text += "[dynamics]\n";
        for (const char* key : {"mass", "spring_rate", "preload", "damping", "load"}) text += line("dynamics", key);
        text += "[contact]\n";
        for (const char* key : {"width", "elastic_modulus", "poisson_ratio"}) text += line("contact", key);
    }
    text += "[drawing]\n" + line("drawing", "bore_diameter") + line("drawing", "min_wall");
    return text;
}

struct Rule {
    const char* key;
    const char* kind;
    double low;
    bool lowIncluded;
    double high;
    const char* words;   // the rule as every message states it
    const char* option;  // the option that gives the same value, or none
    // Other keys a value at the bounds needs (an offset inside the prime circle, an arm
    // triangle that closes).
    std::map<std::string, std::string> with = {};
};

const Rule Rules[] = {
    {"cam.base_radius", "roller", 0, false, 1e6, "must be greater than 0 mm and less than 1000000 mm", "--base"},
    {"cam.rpm", "roller", 0, false, 1e6, "must be greater than 0 rpm and less than 1000000 rpm", "--rpm"},
    {"cam.max_pressure_angle", "roller", 0, false, 90, "must be greater than 0° and less than 90°", "--max-pressure"},
    {"cam.min_base_radius", "roller", 0, true, 1e6, "must be at least 0 mm and less than 1000000 mm", "--min-base"},
    {"cam.min_radius_of_curvature", "flat", 0, true, 1e6, "must be at least 0 mm and less than 1000000 mm", nullptr},
    {"follower.roller_radius", "roller", 0, true, 1e6, "must be at least 0 mm and less than 1000000 mm", "--roller"},
    {"follower.offset", "roller", -1e6, false, 1e6,
     "must be greater than -1000000 mm and less than 1000000 mm", nullptr,
     {{"cam.base_radius", "999999.0"}, {"follower.roller_radius", "10.0"}}},
    {"follower.face_width", "flat", 0, false, 1e6, "must be greater than 0 mm and less than 1000000 mm", nullptr},
    {"follower.arm_length", "swing-roller", 0, false, 1e6,
     "must be greater than 0 mm and less than 1000000 mm", nullptr, {{"follower.pivot_distance", "SAME-50"}}},
    {"follower.pivot_distance", "swing-roller", 0, false, 1e6,
     "must be greater than 0 mm and less than 1000000 mm", nullptr, {{"follower.arm_length", "SAME-50"}}},
    {"lift", "roller", -1e6, false, 1e6, "must be greater than -1000000 mm and less than 1000000 mm", nullptr},
    {"lift", "swing-roller", -360, false, 360, "must be greater than -360° and less than 360°", nullptr},
    {"dynamics.mass", "roller", 0, false, 1e6, "must be greater than 0 kg and less than 1000000 kg", nullptr},
    {"dynamics.spring_rate", "roller", 0, true, 1e6, "must be at least 0 N/mm and less than 1000000 N/mm", nullptr},
    {"dynamics.preload", "roller", -1e6, false, 1e6, "must be greater than -1000000 N and less than 1000000 N", nullptr},
    {"dynamics.damping", "flat", 0, true, 1e6, "must be at least 0 N s/m and less than 1000000 N s/m", nullptr},
    {"dynamics.load", "flat", -1e6, false, 1e6, "must be greater than -1000000 N and less than 1000000 N", nullptr},
    {"contact.width", "roller", 1e-3, true, 1e6, "must be at least 0.001 mm and less than 1000000 mm", nullptr},
    {"contact.elastic_modulus", "roller", 0, false, 1e7, "must be greater than 0 MPa and less than 10000000 MPa", nullptr},
    {"contact.poisson_ratio", "roller", 0, true, 0.5, "must be at least 0 and less than 0.5", nullptr},
    {"drawing.bore_diameter", "roller", 0, false, 2e6, "must be greater than 0 mm and less than 2000000 mm",
     "--title-block bore_diameter"},
    {"drawing.min_wall", "flat", 0, true, 1e6, "must be at least 0 mm and less than 1000000 mm",
     "--title-block min_wall"},
};

// What the document says of the value: empty where it is read, else the message.
std::string DocumentAnswer(const Rule& rule, double value) {
    std::map<std::string, std::string> set = {{rule.key, Shortest(value)}};
    for (const auto& [key, other] : rule.with) {
        // An arm triangle that closes: the other side near this one where it is long.
        set[key] = other == "SAME-50" ? Shortest(value > 100 && value < 1e6 ? value - 50 : 55) : other;
    }
    try {
        ParseDesignDocument(Document(rule.kind, set), "cam.toml");
    } catch (const DocumentError& e) {
        return e.message();
    }
    return {};
}

std::string OptionAnswer(const Rule& rule, double value) {
    std::vector<std::string> arguments = {"cam.toml"};
    const std::string option = rule.option;
    if (option.rfind("--title-block ", 0) == 0) {
        arguments.insert(arguments.end(), {"--title-block", option.substr(14) + "=" + Shortest(value)});
    } else {
        arguments.insert(arguments.end(), {option, Shortest(value)});
    }
    try {
        ParseBatchOptions(arguments);
    } catch (const BadUsage& bad) {
        return bad.text;
    }
    return {};
}

TEST(Limits, EachBoundAtJustInsideAndJustOutsideFromADocumentAndAnOption) {
    for (const Rule& rule : Rules) {
        const std::string key = std::string(rule.key) == "lift" ? "motion[2].lift" : rule.key;
        struct Probe {
            double value;
            bool allowed;
        };
        const std::vector<Probe> probes = {
            {rule.low, rule.lowIncluded},
            {std::nextafter(rule.low, rule.high), true},
            {std::nextafter(rule.low, -INFINITY), false},
            {rule.high, false},
            {std::nextafter(rule.high, rule.low), true},
            {std::nextafter(rule.high, INFINITY), false},
            {1e155, false},
            {-1e300, false},
        };
        for (const Probe& p : probes) {
            const std::string answer = DocumentAnswer(rule, p.value);
            if (p.allowed) {
                // An arm too short for any triangle to close is the geometry's matter.
                const bool geometry = !rule.with.empty() && answer.find("no pivot fits") != std::string::npos;
                EXPECT_TRUE(answer.empty() || geometry) << key << " = " << Shortest(p.value) << ": " << answer;
            } else {
                // cam.toml:LINE: key: the rule
                EXPECT_EQ(answer.rfind("cam.toml:", 0), 0u) << answer;
                EXPECT_EQ(answer.substr(answer.find(": ") + 2), key + ": " + rule.words)
                    << key << " = " << Shortest(p.value);
            }
            if (!rule.option) continue;
            const std::string option = OptionAnswer(rule, p.value);
            const std::string name = rule.option;
            const std::string prefix = name.rfind("--title-block ", 0) == 0
                                           ? "--title-block: " + name.substr(14) + ": "
                                           : name + ": ";
            EXPECT_EQ(option, p.allowed ? "" : prefix + rule.words) << name << " " << Shortest(p.value);
        }
    }
}

// Every key at the far end of its range, and at the near end, for each kind of follower:
// the run refuses what no follower fits, and every figure it writes is finite.
TEST(Limits, NoDesignAtTheExtremesMakesAFigureThatIsNotFinite) {
    TempDir dir;
    const double big = 999999, tiny = 4.9406564584124654e-324;
    const std::map<std::string, std::string> far = {
        {"cam.base_radius", Shortest(big)}, {"cam.rpm", Shortest(big)},
        {"cam.max_pressure_angle", "89.99"}, {"cam.min_base_radius", "0"},
        {"follower.roller_radius", Shortest(big)}, {"follower.offset", Shortest(-big)},
        {"follower.face_width", Shortest(big)}, {"follower.arm_length", Shortest(big)},
        {"follower.pivot_distance", Shortest(big)}, {"dynamics.mass", Shortest(big)},
        {"dynamics.spring_rate", Shortest(big)}, {"dynamics.preload", Shortest(-big)},
        {"dynamics.damping", Shortest(big)}, {"dynamics.load", Shortest(big)},
        {"contact.width", "0.001"}, {"contact.elastic_modulus", "9999999"},
        {"contact.poisson_ratio", "0.4999999"}, {"drawing.bore_diameter", Shortest(2 * big)}};
    const std::map<std::string, std::string> near = {
        {"cam.base_radius", Shortest(tiny)}, {"cam.rpm", Shortest(tiny)},
        {"cam.max_pressure_angle", Shortest(tiny)}, {"follower.roller_radius", "0.0"},
        {"follower.face_width", Shortest(tiny)}, {"follower.arm_length", Shortest(tiny)},
        {"follower.pivot_distance", Shortest(tiny)}, {"dynamics.mass", Shortest(tiny)},
        {"dynamics.spring_rate", "0.0"}, {"contact.width", "0.001"},
        {"contact.elastic_modulus", Shortest(tiny)}, {"drawing.bore_diameter", Shortest(tiny)}};
    int computed = 0;
    for (const char* kind : {"roller", "flat", "swing-roller"}) {
        for (const auto* values : {&far, &near}) {
            for (const char* lift : {"999999.0", "-999999.0", "359.99", "1e-300"}) {
                std::map<std::string, std::string> set = *values;
                set["lift"] = lift;
                const std::string text = Document(kind, set);
                try {
                    ParseDesignDocument(text, "x.toml");
                } catch (const DocumentError&) {
                    continue;  // the reader's rules: another test's matter
                }
                std::ofstream(dir.path("x.toml")) << text;
                const BatchRun run = Batch({dir.path("x.toml"), "--check", "--size-base", "--json",
                                            dir.path("x.json"), "--csv", dir.path("x.csv")});
                for (const char* word : {"overflow", "invalid floating-point"}) {
                    EXPECT_EQ(run.err.find(word), std::string::npos) << kind << " " << lift << "\n" << run.err;
                }
                if (run.status == 2) continue;
                ++computed;
                // JSON holds no NaN or infinity by construction; its numbers are finite.
                nlohmann::json json = nlohmann::json::parse(ReadWholeFile(dir.path("x.json"), 1 << 22));
                std::function<void(const nlohmann::json&)> finite = [&](const nlohmann::json& j) {
                    if (j.is_number()) {
                        EXPECT_TRUE(std::isfinite(j.get<double>())) << kind;
                    } else if (j.is_structured()) {
                        for (const auto& e : j) finite(e);
                    }
                };
                finite(json);
                std::ifstream csv(dir.path("x.csv"));
                std::string line;
                std::getline(csv, line);
                while (std::getline(csv, line)) {
                    EXPECT_EQ(line.find("inf"), std::string::npos) << kind << ": " << line;
                    EXPECT_EQ(line.find("nan"), std::string::npos) << kind << ": " << line;
                }
            }
        }
    }
    EXPECT_GT(computed, 6);
}

}  // namespace
}  // namespace platecam
