// Writes workshop drawings for scripts/check_drawing.py, each with a JSON file of what
// the drawing must show: the rings where the contour and pitch curve are circular arcs
// (dwells, known in closed form), the bore and the texts.

#include <cmath>
#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <numbers>
#include <string>

#include "files/drawing.h"
#include "base/errors.h"
#include "model/profile.h"
#include "tests/model/design_fixtures.h"

namespace {

using platecam::Point2;
using Json = nlohmann::json;

// A point at cam angle `degrees` (clockwise from +y) and radius r.
Point2 AtAngle(double degrees, double r) {
    const double a = degrees * std::numbers::pi / 180;
    return {r * std::sin(a), r * std::cos(a)};
}

// Base circle 40 mm, a cycloidal rise of 10 mm over 90..180°, dwell to 240°, return
// by 330°; the pitch curve 6 mm outside it; bore 20 mm; Japanese name and titles.
platecam::WorkshopDrawing DiscAndRise(Json& expect) {
    platecam::WorkshopDrawing d;
    const auto lift = [](double t) {
        return 10 * (t - std::sin(2 * std::numbers::pi * t) / (2 * std::numbers::pi));
    };
    for (int k = 0; k < 720; ++k) {
        const double angle = k / 2.0;
        double s = 0;
        if (angle > 90 && angle < 180) s = lift((angle - 90) / 90);
        if (angle >= 180 && angle <= 240) s = 10;
        if (angle > 240 && angle < 330) s = 10 - lift((angle - 240) / 90);
        d.contour.push_back(AtAngle(angle, 40 + s));
        d.pitch.push_back(AtAngle(angle, 46 + s));
    }
    d.designName = "板カム試作１号";
    d.baseRadius = 40;
    d.boreDiameter = 20;
    d.titleBlock = {{"品番", "PC-001"}, {"材質", "S45C"}, {"設計", "山田"},
                    {"検図", ""},       {"改訂", "A"},    {"日付", "2024-05-01"}};
    expect["rings"] = Json::array({
        {{"layer", "CONTOUR"}, {"radius", 40}, {"from", -30}, {"to", 90}},
        {{"layer", "CONTOUR"}, {"radius", 50}, {"from", 180}, {"to", 240}},
        {{"layer", "PITCH"}, {"radius", 46}, {"from", -30}, {"to", 90}},
        {{"layer", "PITCH"}, {"radius", 56}, {"from", 180}, {"to", 240}},
    });
    expect["bore"] = 20;
    expect["texts"] = {"板カム試作１号", "SCALE 1:1", "品番: PC-001",    "材質: S45C",
                       "設計: 山田",     "検図",      "日付: 2024-05-01"};
    return d;
}

// The window's start-up design, computed by the model: dwells at 45 mm (260..360°),
// 55 mm (90..110°) and 65 mm (170..180°) on the contour, 10 mm more on the pitch curve.
platecam::WorkshopDrawing DefaultDesign(Json& expect) {
    auto design = platecam::testing::DefaultDesign(2, 0);
    platecam::ComputePitchCurve(*design);
    platecam::ComputeCamProfile(*design);
    platecam::WorkshopDrawing d;
    const int n = platecam::RevolutionSamples(*design);
    d.contour.assign(design->CamProfile.begin(), design->CamProfile.begin() + n + 1);
    d.pitch.assign(design->PitchCurve.begin(), design->PitchCurve.begin() + n);
    d.designName = "default-cam";
    d.baseRadius = design->BaseRadius;
    expect["rings"] = Json::array({
        {{"layer", "CONTOUR"}, {"radius", 45}, {"from", 260}, {"to", 360}},
        {{"layer", "CONTOUR"}, {"radius", 55}, {"from", 90}, {"to", 110}},
        {{"layer", "PITCH"}, {"radius", 55}, {"from", 260}, {"to", 360}},
        {{"layer", "PITCH"}, {"radius", 65}, {"from", 90}, {"to", 110}},
    });
    expect["bore"] = nullptr;
    expect["texts"] = {"default-cam", "SCALE 1:1"};
    return d;
}

// A large plain disc of 300 mm with nothing but the contour: no name, pitch or bore.
platecam::WorkshopDrawing LargeDisc(Json& expect) {
    platecam::WorkshopDrawing d;
    for (int k = 0; k < 360; ++k) d.contour.push_back(AtAngle(k, 300));
    expect["rings"] =
        Json::array({{{"layer", "CONTOUR"}, {"radius", 300}, {"from", 0}, {"to", 360}}});
    expect["bore"] = nullptr;
    expect["texts"] = {"SCALE 1:1"};
    return d;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: write_sample_drawings FOLDER\n");
        return 2;
    }
    try {
        for (auto [name, make] :
             {std::pair{"disc_rise", &DiscAndRise}, std::pair{"default_design", &DefaultDesign},
              std::pair{"large_disc", &LargeDisc}}) {
            Json expect;
            const platecam::WorkshopDrawing drawing = make(expect);
            expect["pitch"] = !drawing.pitch.empty();
            const std::string base = std::string(argv[1]) + "/" + name;
            std::ofstream dxf(base + ".dxf", std::ios::binary);
            std::ofstream json(base + ".json");
            dxf << platecam::BuildWorkshopDrawing(drawing);
            json << expect.dump(2);
            if (!dxf.flush() || !json.flush()) {
                std::fprintf(stderr, "cannot write %s\n", base.c_str());
                return 1;
            }
            std::printf("%s.dxf\n", base.c_str());
        }
    } catch (const platecam::CamError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
