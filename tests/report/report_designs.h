#pragma once
// Designs the report's tests share: every follower kind, loads at speed, a title block in
// Japanese, a table of 20 rows with many warnings and failures, and a table that makes no
// cam.

#include <string>
#include <vector>

namespace platecam::testing {

struct ReportDesign {
    const char* file;
    std::string text;
    int pages;  // 3, or 4 with the loads at speed (the last the contour's coordinates); more
                // where page 1's tables go on over a page
};

inline std::string ReportRows(const std::vector<std::pair<int, double>>& rows,
                              const char* law = nullptr) {
    std::string text;
    for (const auto& [angle, lift] : rows) {
        text += "[[motion]]\nangle = " + std::to_string(angle) +
                "\nlift = " + std::to_string(lift) + "\n";
    }
    if (law) text += "law = \"" + std::string(law) + "\"\n";
    return text;
}

inline std::vector<ReportDesign> ReportDesigns() {
    const std::string loads = "[dynamics]\nmass = 0.8\nspring_rate = 2.0\npreload = 20.0\n";
    const std::string contact =
        "[contact]\nwidth = 10.0\nelastic_modulus = 206000\npoisson_ratio = 0.3\n";
    std::vector<std::pair<int, double>> many;
    for (int k = 0; k < 20; ++k)
        many.push_back({k == 19 ? 360 : k * 18, k % 2 == 0 || k == 19 ? 0.0 : 15.0});
    return {
        {"roller.toml",
         "format = 2\n[cam]\nbase_radius = 45.0\nresolution = 0.2\nlaw = \"cycloid\"\nrpm = 600\n"
         "[follower]\nkind = \"roller\"\nroller_radius = 10.0\noffset = 5.0\n" +
             ReportRows({{0, 0}, {30, 0}, {90, 10}}, "simple-harmonic") +
             ReportRows({{110, 10}, {170, 20}}, "modified-trapezoid") +
             ReportRows({{180, 20}, {260, 0}, {360, 0}}) + loads + contact +
             "[drawing]\npart_number = \"K-1024-03\"\nmaterial = \"S45C 高周波焼入れ\"\ndesigner = "
             "\"山田 太郎\"\n"
             "checker = \"佐藤 花子\"\nrevision = \"B\"\ndate = \"2025-03-14\"\nbore_diameter = "
             "30.0\n",
         4},
        {"flat.toml",
         "format = 2\n[cam]\nbase_radius = 60.0\nresolution = 0.5\nlaw = \"cycloid\"\nrpm = 300\n"
         "min_radius_of_curvature = 6.35\n[follower]\nkind = \"flat\"\nface_width = 60.0\n" +
             ReportRows({{0, 0}, {90, 0}, {180, 25.4}, {270, 25.4}, {360, 0}}) + loads +
             "damping = 5.0\nload = 10.0\n",
         4},
        {"swing.toml",
         "format = 2\n[cam]\nbase_radius = 40.0\nresolution = 1.0\nlaw = \"3-4-5\"\nrpm = 60\n"
         "[follower]\nkind = \"swing-roller\"\nroller_radius = 10.0\narm_length = "
         "80.0\npivot_distance = 100.0\n" +
             ReportRows({{0, 0}, {120, 12}, {200, 12}, {320, 0}, {360, 0}}) +
             "[drawing]\nbore_diameter = 20.0\n",
         3},
        {"steep.toml",
         "format = 2\n[cam]\nbase_radius = 20.0\nresolution = 1.0\nlaw = \"simple-harmonic\"\nrpm "
         "= 1500\n"
         "[follower]\nkind = \"roller\"\nroller_radius = 12.0\n" +
             ReportRows(many) + loads + contact,
         5},
        {"still.toml",
         "format = 2\n[cam]\nbase_radius = 30.0\nresolution = 1.0\nlaw = \"cycloid\"\n"
         "[follower]\nkind = \"roller\"\nroller_radius = 10.0\n" +
             ReportRows({{0, 0}, {180, 0}, {360, 0}}),
         3},
    };
}

}  // namespace platecam::testing
